#include "checks/ReportFormats.h"

#include <QHash>
#include <QUrl>
#include <QXmlStreamWriter>

#include <algorithm>

namespace Glossa {

namespace {

// Writes JSON in the order the keys are given (QJsonObject sorts them), two
// spaces a level.
class JsonWriter
{
public:
    QByteArray take() { return std::move(m_out); }

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }

    void key(QStringView name)
    {
        separate();
        m_out += jsonString(name);
        m_out += ": ";
        m_afterKey = true;
    }
    void value(QStringView text)
    {
        separate();
        m_out += jsonString(text);
    }
    void value(int number)
    {
        separate();
        m_out += QByteArray::number(number);
    }
    void null()
    {
        separate();
        m_out += "null";
    }
    // Empty text as null.
    void valueOrNull(QStringView text)
    {
        if (text.isEmpty())
            null();
        else
            value(text);
    }

    template<typename T>
    void member(QStringView name, const T &v)
    {
        key(name);
        value(v);
    }

private:
    void open(char bracket)
    {
        separate();
        m_out += bracket;
        m_first.push_back(true);
    }
    void close(char bracket)
    {
        const bool empty = m_first.back();
        m_first.pop_back();
        if (!empty)
            newLine();
        m_out += bracket;
    }
    void separate()
    {
        if (m_afterKey) {
            m_afterKey = false;
            return;
        }
        if (m_first.empty())
            return;
        if (!m_first.back())
            m_out += ',';
        m_first.back() = false;
        newLine();
    }
    void newLine()
    {
        m_out += '\n';
        m_out += QByteArray(qsizetype(m_first.size()) * 2, ' ');
    }

    QByteArray m_out;
    std::vector<bool> m_first; // per open level: nothing written in it yet
    bool m_afterKey = false;
};

QString fileOf(const Finding &finding)
{
    return finding.file.isEmpty() ? languageIndexFile() : finding.file;
}

void writeLanguage(JsonWriter &json, const LanguageReport &language)
{
    json.beginObject();
    json.member(u"name", language.name);
    json.member(u"code", language.code);
    json.member(u"file", language.file);
    json.member(u"encoding", language.encoding);
    json.member(u"attributes", language.attributes);
    json.member(u"translated", language.translated);
    json.member(u"blank", language.blank);
    json.member(u"missing", language.missing);
    json.member(u"errors", language.errors);
    json.member(u"warnings", language.warnings);
    json.member(u"infos", language.infos);
    json.member(u"redundant", language.redundant);
    json.endObject();
}

void writeLanguages(JsonWriter &json, const ProductReport &report)
{
    json.beginArray();
    for (const LanguageReport &language : report.languages)
        writeLanguage(json, language);
    json.endArray();
}

QString plural(int count, const QString &one, const QString &many)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? one : many);
}

QString countsText(int errors, int warnings, int infos)
{
    return QStringLiteral("%1, %2, %3")
        .arg(plural(errors, QStringLiteral("error"), QStringLiteral("errors")),
             plural(warnings, QStringLiteral("warning"), QStringLiteral("warnings")),
             plural(infos, QStringLiteral("info"), QStringLiteral("infos")));
}

int countIn(const std::vector<Finding> &findings, FindingSeverity severity)
{
    return int(std::count_if(findings.begin(), findings.end(),
                             [severity](const Finding &f) { return f.severity == severity; }));
}

QStringList allCheckIds()
{
    QStringList ids;
    for (const CheckInfo &info : allChecks())
        ids.append(info.id);
    return ids;
}

QString percentTranslated(const LanguageReport &language)
{
    if (language.attributes <= 0)
        return QStringLiteral("-");
    return QString::number(100.0 * language.translated / language.attributes, 'f', 1);
}

// Columns left-aligned to their widest cell, two spaces apart; numbers right-aligned.
QByteArray table(const QList<QStringList> &rows, const std::vector<bool> &rightAligned)
{
    std::vector<qsizetype> widths;
    for (const QStringList &row : rows) {
        widths.resize(std::max(widths.size(), size_t(row.size())), 0);
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[size_t(i)] = std::max(widths[size_t(i)], row[i].size());
    }
    QString out;
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                line += QStringLiteral("  ");
            const qsizetype width = widths[size_t(i)];
            const bool right = size_t(i) < rightAligned.size() && rightAligned[size_t(i)];
            line += right ? row[i].rightJustified(width) : row[i].leftJustified(width);
        }
        while (line.endsWith(u' '))
            line.chop(1);
        out += line + u'\n';
    }
    return out.toUtf8();
}

} // namespace

std::optional<CheckFormat> checkFormatFromName(const QString &name)
{
    static const QHash<QString, CheckFormat> formats = {
        {QStringLiteral("text"), CheckFormat::Text},   {QStringLiteral("json"), CheckFormat::Json},
        {QStringLiteral("junit"), CheckFormat::Junit}, {QStringLiteral("sarif"), CheckFormat::Sarif},
        {QStringLiteral("github"), CheckFormat::Github},
    };
    const auto it = formats.find(name);
    if (it == formats.end())
        return std::nullopt;
    return *it;
}

std::optional<StatsFormat> statsFormatFromName(const QString &name)
{
    if (name == u"text")
        return StatsFormat::Text;
    if (name == u"json")
        return StatsFormat::Json;
    if (name == u"csv")
        return StatsFormat::Csv;
    return std::nullopt;
}

QStringList checkFormatNames()
{
    return {QStringLiteral("text"), QStringLiteral("json"), QStringLiteral("junit"), QStringLiteral("sarif"),
            QStringLiteral("github")};
}

QStringList statsFormatNames()
{
    return {QStringLiteral("text"), QStringLiteral("json"), QStringLiteral("csv")};
}

QString languageIndexFile()
{
    return QStringLiteral("language/LanguageIndex.ini");
}

QByteArray formatCheckReport(const ProductReport &report, CheckFormat format, const ReportOptions &options)
{
    switch (format) {
    case CheckFormat::Text:
        return checkReportText(report, options.colour);
    case CheckFormat::Json:
        return checkReportJson(report);
    case CheckFormat::Junit:
        return checkReportJunit(report, options.checks);
    case CheckFormat::Sarif:
        return checkReportSarif(report);
    case CheckFormat::Github:
        return checkReportGithub(report, options.pathPrefix);
    }
    return {};
}

QByteArray formatStats(const ProductReport &report, StatsFormat format)
{
    switch (format) {
    case StatsFormat::Text:
        return statsText(report);
    case StatsFormat::Json:
        return statsJson(report);
    case StatsFormat::Csv:
        return statsCsv(report);
    }
    return {};
}

std::vector<const Finding *> allFindings(const ProductReport &report)
{
    std::vector<const Finding *> findings;
    for (const Finding &finding : report.productFindings)
        findings.push_back(&finding);
    for (const LanguageReport &language : report.languages)
        for (const Finding &finding : language.findings)
            findings.push_back(&finding);
    return findings;
}

int countFindings(const ProductReport &report, FindingSeverity severity)
{
    int count = countIn(report.productFindings, severity);
    for (const LanguageReport &language : report.languages)
        count += countIn(language.findings, severity);
    return count;
}

QString findingLine(const Finding &finding, bool colour)
{
    QString line = fileOf(finding);
    if (finding.line > 0)
        line += u':' + QString::number(finding.line);
    line += QStringLiteral(": ");
    const QString severity = severityName(finding.severity);
    if (colour) {
        // As compilers colour them: bold red, bold magenta, bold cyan.
        const QString code = finding.severity == FindingSeverity::Error     ? QStringLiteral("1;31")
                             : finding.severity == FindingSeverity::Warning ? QStringLiteral("1;35")
                                                                            : QStringLiteral("1;36");
        line += QStringLiteral("\x1b[%1m%2\x1b[0m").arg(code, severity);
    } else {
        line += severity;
    }
    line += QStringLiteral(": ");
    if (!finding.key.isEmpty())
        line += finding.key + QStringLiteral(": ");
    line += finding.message + QStringLiteral(" [") + finding.check + u']';
    return line;
}

QByteArray checkReportText(const ProductReport &report, bool colour)
{
    QString out;
    for (const Finding *finding : allFindings(report))
        out += findingLine(*finding, colour) + u'\n';
    if (!out.isEmpty())
        out += u'\n';

    QList<QStringList> rows;
    if (!report.productFindings.empty())
        rows.append({QStringLiteral("%1:").arg(languageIndexFile()),
                     countsText(countIn(report.productFindings, FindingSeverity::Error),
                                countIn(report.productFindings, FindingSeverity::Warning),
                                countIn(report.productFindings, FindingSeverity::Info))});
    for (const LanguageReport &language : report.languages)
        rows.append({language.name + u':', countsText(language.errors, language.warnings, language.infos)});
    QByteArray bytes = out.toUtf8() + table(rows, {});
    const QString total = QStringLiteral("total: %1 in %2")
                              .arg(countsText(countFindings(report, FindingSeverity::Error),
                                              countFindings(report, FindingSeverity::Warning),
                                              countFindings(report, FindingSeverity::Info)),
                                   plural(int(report.languages.size()), QStringLiteral("language"),
                                          QStringLiteral("languages")));
    bytes += total.toUtf8();
    if (report.cancelled)
        bytes += " (cancelled)";
    bytes += '\n';
    return bytes;
}

QByteArray checkReportJson(const ProductReport &report)
{
    JsonWriter json;
    json.beginObject();
    json.member(u"product", report.product);
    json.member(u"master", report.master);
    json.member(u"attributes", report.attributes);
    json.key(u"languages");
    writeLanguages(json, report);
    json.key(u"findings");
    json.beginArray();
    for (const Finding *finding : allFindings(report)) {
        json.beginObject();
        json.member(u"check", finding->check);
        json.member(u"severity", severityName(finding->severity));
        json.key(u"language");
        json.valueOrNull(finding->language);
        json.member(u"file", fileOf(*finding));
        json.key(u"line");
        if (finding->line > 0)
            json.value(finding->line);
        else
            json.null();
        json.key(u"key");
        json.valueOrNull(finding->key);
        json.member(u"message", finding->message);
        json.endObject();
    }
    json.endArray();
    json.key(u"summary");
    json.beginObject();
    json.member(u"errors", countFindings(report, FindingSeverity::Error));
    json.member(u"warnings", countFindings(report, FindingSeverity::Warning));
    json.member(u"infos", countFindings(report, FindingSeverity::Info));
    json.endObject();
    json.endObject();
    QByteArray bytes = json.take();
    bytes += '\n';
    return bytes;
}

QByteArray checkReportJunit(const ProductReport &report, const QStringList &checks)
{
    QStringList ids = checks;
    if (ids.isEmpty()) {
        // Every check, but reference-changed only where it ran: without an earlier
        // release it has no findings and would read as a passed test.
        ids = allCheckIds();
        const auto stale = [](const std::vector<Finding> &findings) {
            return std::any_of(findings.begin(), findings.end(),
                               [](const Finding &f) { return f.check == u"reference-changed"; });
        };
        bool ran = false;
        for (const LanguageReport &language : report.languages)
            ran = ran || stale(language.findings);
        if (!ran)
            ids.removeAll(QStringLiteral("reference-changed"));
    }

    struct Suite
    {
        QString name;
        const std::vector<Finding> *findings;
        QStringList cases;
        int failures = 0;
    };
    auto failing = [](const std::vector<Finding> &findings, const QString &id) {
        return std::any_of(findings.begin(), findings.end(), [&id](const Finding &f) {
            return f.check == id && f.severity == FindingSeverity::Error;
        });
    };
    std::vector<Suite> suites;
    // The index check belongs to no language: a suite of its own, when it ran.
    QStringList languageCases = ids;
    if (languageCases.removeAll(QStringLiteral("index")) > 0)
        suites.push_back({QStringLiteral("language index"), &report.productFindings, {QStringLiteral("index")}});
    for (const LanguageReport &language : report.languages)
        suites.push_back({language.name, &language.findings, languageCases});
    int totalTests = 0;
    int totalFailures = 0;
    for (Suite &suite : suites) {
        for (const QString &id : suite.cases)
            suite.failures += failing(*suite.findings, id) ? 1 : 0;
        totalTests += int(suite.cases.size());
        totalFailures += suite.failures;
    }

    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("glossa check"));
    xml.writeAttribute(QStringLiteral("tests"), QString::number(totalTests));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(totalFailures));
    for (const Suite &suite : suites) {
        xml.writeStartElement(QStringLiteral("testsuite"));
        xml.writeAttribute(QStringLiteral("name"), suite.name);
        xml.writeAttribute(QStringLiteral("tests"), QString::number(suite.cases.size()));
        xml.writeAttribute(QStringLiteral("failures"), QString::number(suite.failures));
        xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
        xml.writeAttribute(QStringLiteral("skipped"), QStringLiteral("0"));
        for (const QString &id : suite.cases) {
            QStringList errorLines;
            QStringList otherLines;
            for (const Finding &finding : *suite.findings) {
                if (finding.check != id)
                    continue;
                (finding.severity == FindingSeverity::Error ? errorLines : otherLines).append(findingLine(finding));
            }
            xml.writeStartElement(QStringLiteral("testcase"));
            xml.writeAttribute(QStringLiteral("classname"), suite.name);
            xml.writeAttribute(QStringLiteral("name"), id);
            if (!errorLines.isEmpty()) {
                xml.writeStartElement(QStringLiteral("failure"));
                xml.writeAttribute(QStringLiteral("type"), id);
                xml.writeAttribute(QStringLiteral("message"),
                                   plural(int(errorLines.size()), QStringLiteral("error"), QStringLiteral("errors")));
                xml.writeCharacters(errorLines.join(u'\n'));
                xml.writeEndElement();
            }
            if (!otherLines.isEmpty())
                xml.writeTextElement(QStringLiteral("system-out"), otherLines.join(u'\n'));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray checkReportSarif(const ProductReport &report)
{
    const std::vector<CheckInfo> &checks = allChecks();
    QHash<QString, int> ruleIndex;
    for (size_t i = 0; i < checks.size(); ++i)
        ruleIndex.insert(checks[i].id, int(i));

    JsonWriter json;
    json.beginObject();
    json.member(u"$schema", QStringLiteral("https://json.schemastore.org/sarif-2.1.0.json"));
    json.member(u"version", QStringLiteral("2.1.0"));
    json.key(u"runs");
    json.beginArray();
    json.beginObject();

    json.key(u"tool");
    json.beginObject();
    json.key(u"driver");
    json.beginObject();
    json.member(u"name", QStringLiteral("glossa"));
    json.key(u"rules");
    json.beginArray();
    for (const CheckInfo &info : checks) {
        json.beginObject();
        json.member(u"id", info.id);
        json.key(u"shortDescription");
        json.beginObject();
        json.member(u"text", info.summary);
        json.endObject();
        json.key(u"defaultConfiguration");
        json.beginObject();
        json.member(u"level", sarifLevel(info.severity));
        json.endObject();
        json.endObject();
    }
    json.endArray();
    json.endObject(); // driver
    json.endObject(); // tool

    // The files are named relative to the product directory.
    json.key(u"originalUriBaseIds");
    json.beginObject();
    json.key(u"PRODUCTROOT");
    json.beginObject();
    QString root = QUrl::fromLocalFile(report.product).toString(QUrl::FullyEncoded);
    if (!root.endsWith(u'/'))
        root += u'/';
    json.member(u"uri", root);
    json.endObject();
    json.endObject();

    json.key(u"results");
    json.beginArray();
    for (const Finding *finding : allFindings(report)) {
        json.beginObject();
        json.member(u"ruleId", finding->check);
        const auto rule = ruleIndex.find(finding->check);
        if (rule != ruleIndex.end())
            json.member(u"ruleIndex", *rule);
        json.member(u"level", sarifLevel(finding->severity));
        json.key(u"message");
        json.beginObject();
        json.member(u"text", finding->key.isEmpty() ? finding->message
                                                    : finding->key + QStringLiteral(": ") + finding->message);
        json.endObject();
        json.key(u"locations");
        json.beginArray();
        json.beginObject();
        json.key(u"physicalLocation");
        json.beginObject();
        json.key(u"artifactLocation");
        json.beginObject();
        json.member(u"uri", relativeUri(fileOf(*finding)));
        json.member(u"uriBaseId", QStringLiteral("PRODUCTROOT"));
        json.endObject();
        if (finding->line > 0) {
            json.key(u"region");
            json.beginObject();
            json.member(u"startLine", finding->line);
            json.endObject();
        }
        json.endObject(); // physicalLocation
        json.endObject();
        json.endArray(); // locations
        json.key(u"properties");
        json.beginObject();
        json.key(u"language");
        json.valueOrNull(finding->language);
        json.key(u"key");
        json.valueOrNull(finding->key);
        json.endObject();
        json.endObject();
    }
    json.endArray(); // results

    json.endObject(); // the run
    json.endArray();
    json.endObject();
    QByteArray bytes = json.take();
    bytes += '\n';
    return bytes;
}

QByteArray checkReportGithub(const ProductReport &report, const QString &pathPrefix)
{
    QString out;
    for (const Finding *finding : allFindings(report)) {
        const QString command = finding->severity == FindingSeverity::Error     ? QStringLiteral("error")
                                : finding->severity == FindingSeverity::Warning ? QStringLiteral("warning")
                                                                                : QStringLiteral("notice");
        out += QStringLiteral("::") + command + QStringLiteral(" file=")
               + githubEscapeProperty(pathPrefix + fileOf(*finding));
        if (finding->line > 0)
            out += QStringLiteral(",line=") + QString::number(finding->line);
        out += QStringLiteral(",title=") + githubEscapeProperty(finding->check) + QStringLiteral("::");
        const QString message = finding->key.isEmpty() ? finding->message
                                                       : finding->key + QStringLiteral(": ") + finding->message;
        out += githubEscapeData(message) + u'\n';
    }
    return out.toUtf8();
}

QByteArray statsText(const ProductReport &report)
{
    QList<QStringList> rows;
    rows.append({QStringLiteral("language"), QStringLiteral("code"), QStringLiteral("encoding"),
                 QStringLiteral("translated %"), QStringLiteral("blank"), QStringLiteral("missing"),
                 QStringLiteral("errors"), QStringLiteral("warnings"), QStringLiteral("redundant keys")});
    for (const LanguageReport &language : report.languages)
        rows.append({language.name, language.code, language.encoding, percentTranslated(language),
                     QString::number(language.blank), QString::number(language.missing),
                     QString::number(language.errors), QString::number(language.warnings),
                     QString::number(language.redundant)});
    return table(rows, {false, false, false, true, true, true, true, true, true});
}

QByteArray statsJson(const ProductReport &report)
{
    JsonWriter json;
    writeLanguages(json, report);
    QByteArray bytes = json.take();
    bytes += '\n';
    return bytes;
}

QByteArray statsCsv(const ProductReport &report)
{
    QString out = QStringLiteral("name,code,file,encoding,attributes,translated,blank,missing,errors,warnings,"
                                 "infos,redundant\n");
    for (const LanguageReport &l : report.languages) {
        const QStringList fields = {csvField(l.name),          csvField(l.code),
                                    csvField(l.file),          csvField(l.encoding),
                                    QString::number(l.attributes), QString::number(l.translated),
                                    QString::number(l.blank),  QString::number(l.missing),
                                    QString::number(l.errors), QString::number(l.warnings),
                                    QString::number(l.infos),  QString::number(l.redundant)};
        out += fields.join(u',') + u'\n';
    }
    return out.toUtf8();
}

QByteArray jsonString(QStringView text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        default:
            // Control characters, and U+2028/U+2029 that JavaScript reads as line breaks.
            // Surrogates too: a lone half of a pair has no UTF-8, an escape keeps it.
            if (c.unicode() < 0x20 || c.unicode() == 0x2028 || c.unicode() == 0x2029 || c.isSurrogate())
                out += QStringLiteral("\\u%1").arg(int(c.unicode()), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out.toUtf8();
}

QString githubEscapeData(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'%')
            out += QStringLiteral("%25");
        else if (c == u'\r')
            out += QStringLiteral("%0D");
        else if (c == u'\n')
            out += QStringLiteral("%0A");
        else
            out += c;
    }
    return out;
}

QString githubEscapeProperty(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'%')
            out += QStringLiteral("%25");
        else if (c == u'\r')
            out += QStringLiteral("%0D");
        else if (c == u'\n')
            out += QStringLiteral("%0A");
        else if (c == u':')
            out += QStringLiteral("%3A");
        else if (c == u',')
            out += QStringLiteral("%2C");
        else
            out += c;
    }
    return out;
}

QString relativeUri(const QString &path)
{
    // RFC 3986: unreserved characters, sub-delimiters and "@" may stand in a
    // path segment as they are; "/" separates the segments. A ":" is encoded,
    // so that no first segment reads as a scheme.
    return QString::fromLatin1(QUrl::toPercentEncoding(path, QByteArrayLiteral("/!$&'()*+,;=@")));
}

QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString sarifLevel(FindingSeverity severity)
{
    switch (severity) {
    case FindingSeverity::Error:
        return QStringLiteral("error");
    case FindingSeverity::Warning:
        return QStringLiteral("warning");
    case FindingSeverity::Info:
        return QStringLiteral("note");
    }
    return QStringLiteral("note");
}

} // namespace Glossa
