#pragma once

#include "checks/CheckEngine.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <optional>

class QIODevice;

// A check engine's report as the bytes of a report file: what `glossa check`
// and `glossa stats` print and what the windows' "Save Report…" writes. Every
// function here is pure: the same report gives the same bytes (UTF-8).
namespace Glossa {

enum class CheckFormat { Text, Json, Junit, Sarif, Github, Html };
enum class StatsFormat { Text, Json, Csv };

// "text", "json", "junit", "sarif", "github", "html"; nullopt for any other name.
std::optional<CheckFormat> checkFormatFromName(const QString &name);
// "text", "json", "csv".
std::optional<StatsFormat> statsFormatFromName(const QString &name);
QStringList checkFormatNames();
QStringList statsFormatNames();

// The file of a finding that belongs to no language file (the index check)
// when the finding names none.
QString languageIndexFile();

struct ReportOptions
{
    // Text: the severity words in terminal colours.
    bool colour = false;
    // JUnit: the checks that ran, one test case each; empty for every check.
    QStringList checks;
    // GitHub: put before every file path, so that the annotations name files
    // relative to the repository ("products/camera/"); empty for none.
    QString pathPrefix;
    // JUnit: checks left out of the default set that did not run, listed as
    // skipped test cases, so that a default run still names every check.
    QStringList skippedChecks;
};

// Writes a check report to a device as the engine hands over its languages,
// one at a time in catalogue order, keeping only their counts. The formats
// whose head needs every language's counts (JSON, JUnit, HTML) keep the
// findings' bytes in a spool (a temporary file, or memory) until finish().
// The bytes are those of formatCheckReport on the whole report.
class CheckReportWriter
{
public:
    CheckReportWriter(QIODevice *out, CheckFormat format, const ReportOptions &options = {}, bool spoolInMemory = false);
    ~CheckReportWriter();
    CheckReportWriter(const CheckReportWriter &) = delete;
    CheckReportWriter &operator=(const CheckReportWriter &) = delete;

    // The product's frame: product, master, attributes and the product's own
    // findings; its languages are not read.
    bool begin(const ProductReport &frame);
    bool addLanguage(const LanguageReport &language);
    // Writes the rest. late: findings on the master that needed every
    // language (source-widespread), listed after every language's findings
    // and counted with the master.
    bool finish(bool cancelled, const std::vector<Finding> &late = {});

    // Findings of a severity written so far, the product's own included.
    int count(FindingSeverity severity) const;
    QString error() const;

    // What every format's writer shares; each format derives its own.
    struct Private;

private:
    std::unique_ptr<Private> d;
};

QByteArray formatCheckReport(const ProductReport &report, CheckFormat format, const ReportOptions &options = {});
QByteArray formatStats(const ProductReport &report, StatsFormat format);

QByteArray checkReportText(const ProductReport &report, bool colour = false);
QByteArray checkReportJson(const ProductReport &report);
QByteArray checkReportJunit(const ProductReport &report, const QStringList &checks = {});
QByteArray checkReportSarif(const ProductReport &report);
QByteArray checkReportGithub(const ProductReport &report, const QString &pathPrefix = {});
QByteArray checkReportHtml(const ProductReport &report);

QByteArray statsText(const ProductReport &report);
QByteArray statsJson(const ProductReport &report);
QByteArray statsCsv(const ProductReport &report);

// One GNU-style line without its line break:
// "language/German (Germany).ini:12: error: IDS_FILES: ... [placeholders]".
QString findingLine(const Finding &finding, bool colour = false);

// Every finding of the report: the product's own first, then each language's
// in catalogue row order.
std::vector<const Finding *> allFindings(const ProductReport &report);
// Findings of the given severity over the whole report, product findings included.
int countFindings(const ProductReport &report, FindingSeverity severity);

// The escapes of the parts of a report.
// A JSON string literal, quotes included.
QByteArray jsonString(QStringView text);
// A GitHub workflow command's message: % CR LF.
QString githubEscapeData(QStringView text);
// A GitHub workflow command's property value: % CR LF : ,.
QString githubEscapeProperty(QStringView text);
// A relative path as a URI reference: each segment percent-encoded as UTF-8,
// "/" kept ("language/German%20(Germany).ini").
QString relativeUri(const QString &path);
// One CSV field: quoted when it holds a comma, a quote or a line break.
QString csvField(const QString &text);
// "error", "warning", "note": a severity as a SARIF level.
QString sarifLevel(FindingSeverity severity);

} // namespace Glossa
