#include "checks/ReportFormats.h"

#include <QBuffer>
#include <QHash>
#include <QTemporaryFile>
#include <QUrl>
#include <QXmlStreamWriter>

#include <algorithm>

namespace Glossa {

namespace {

// A JSON string literal appended as UTF-8, written straight into the bytes
// (a report has hundreds of thousands of them).
void appendJsonString(QByteArray &out, QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    const qsizetype n = text.size();
    const qsizetype start = out.size();
    out.resize(start + n * 6 + 2); // the longest escape of a unit, \uXXXX
    char *p = out.data() + start;
    *p++ = '"';
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c < 0x80) {
            if (c == u'"' || c == u'\\')
                *p++ = '\\';
            *p++ = char(c);
            continue;
        }
        if (c == u'\n' || c == u'\r' || c == u'\t') {
            *p++ = '\\';
            *p++ = c == u'\n' ? 'n' : c == u'\r' ? 'r' : 't';
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            const char32_t u = QChar::surrogateToUcs4(c, text[i + 1].unicode());
            ++i;
            *p++ = char(0xF0 | (u >> 18));
            *p++ = char(0x80 | ((u >> 12) & 0x3F));
            *p++ = char(0x80 | ((u >> 6) & 0x3F));
            *p++ = char(0x80 | (u & 0x3F));
        } else if (c < 0x20 || c == 0x2028 || c == 0x2029 || QChar::isSurrogate(c)) {
            // Control characters, and U+2028/U+2029 that JavaScript reads as line breaks.
            // A lone half of a surrogate pair has no UTF-8: an escape keeps it.
            *p++ = '\\';
            *p++ = 'u';
            *p++ = hex[(c >> 12) & 0xF];
            *p++ = hex[(c >> 8) & 0xF];
            *p++ = hex[(c >> 4) & 0xF];
            *p++ = hex[c & 0xF];
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        }
    }
    *p++ = '"';
    out.resize(p - out.data());
}

// Writes JSON in the order the keys are given (QJsonObject sorts them), two
// spaces a level.
class JsonWriter
{
public:
    // depth: levels already open elsewhere, something written in each (the
    // innermost empty when emptyInnermost), so that a part of a document can
    // be written on its own.
    explicit JsonWriter(int depth = 0, bool emptyInnermost = false)
        : m_first(size_t(depth), false)
    {
        if (depth > 0 && emptyInnermost)
            m_first.back() = true;
    }
    // Writes on at the end of bytes, which take() hands back with the rest:
    // many small parts share one buffer instead of one each.
    JsonWriter(int depth, QByteArray &&bytes)
        : JsonWriter(depth)
    {
        m_out = std::move(bytes);
    }
    // The innermost level got its content from elsewhere (or not).
    void setWritten(bool written) { m_first.back() = !written; }

    QByteArray take() { return std::move(m_out); }

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }

    void key(QStringView name)
    {
        separate();
        appendJsonString(m_out, name);
        m_out += ": ";
        m_afterKey = true;
    }
    void value(QStringView text)
    {
        separate();
        appendJsonString(m_out, text);
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
        static const char spaces[] = "                                ";
        m_out += '\n';
        m_out.append(spaces, std::min<qsizetype>(qsizetype(m_first.size()) * 2, sizeof spaces - 1));
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
        {QStringLiteral("github"), CheckFormat::Github}, {QStringLiteral("html"), CheckFormat::Html},
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
            QStringLiteral("github"), QStringLiteral("html")};
}

QStringList statsFormatNames()
{
    return {QStringLiteral("text"), QStringLiteral("json"), QStringLiteral("csv")};
}

QString languageIndexFile()
{
    return QStringLiteral("language/LanguageIndex.ini");
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

// What every format's writer shares: the output and the one place its errors
// are kept, the spool, the counts, the languages' summaries and the findings
// that wait for every language. Each format is a writer of its own below.
struct CheckReportWriter::Private
{
    virtual ~Private() = default;

    QIODevice *out = nullptr;
    ReportOptions options;
    bool spoolInMemory = false;
    QString error;

    ProductReport frame;                  // product, master, attributes, product findings
    std::vector<LanguageReport> summaries; // every language without its findings
    int totals[3] = {0, 0, 0};
    std::vector<Finding> late;            // master findings that need every language
    int masterSummary = -1;
    bool wroteFinding = false;            // a finding written (text: a line; SARIF: a result)

    // The spool: what the report's head must wait for.
    std::unique_ptr<QIODevice> spool;

    // The format's own steps. begin() and addLanguage() come after the shared
    // bookkeeping; findings are a language's own, those that need every
    // language left for finish(), which late holds by then.
    virtual bool spools() const { return false; }
    virtual bool begin(const ProductReport &frame) = 0;
    virtual bool addLanguage(const LanguageReport &language, const std::vector<Finding> &findings) = 0;
    virtual bool finish(bool cancelled, const std::vector<Finding> &lateNow) = 0;
    // For the formats that list findings one by one: a finding's bytes.
    virtual void appendFinding(QByteArray &, const Finding &) {}

    bool write(QIODevice *device, const QByteArray &bytes)
    {
        if (!error.isEmpty())
            return false;
        if (device->write(bytes) != bytes.size()) {
            error = device->errorString();
            return false;
        }
        return true;
    }
    bool put(const QByteArray &bytes) { return write(out, bytes); }
    bool toSpool(const QByteArray &bytes) { return write(spool.get(), bytes); }

    void count(const std::vector<Finding> &findings)
    {
        for (const Finding &finding : findings)
            ++totals[int(finding.severity)];
    }

    // Copies the spool's bytes from..to to the output, leaving out skip bytes at its start.
    bool copySpool(qint64 from, qint64 to, qint64 skip = 0)
    {
        if (!error.isEmpty())
            return false;
        if (!spool->seek(from + skip)) {
            error = spool->errorString();
            return false;
        }
        qint64 left = to - from - skip;
        QByteArray chunk;
        while (left > 0) {
            chunk = spool->read(std::min<qint64>(left, 1 << 20));
            if (chunk.isEmpty()) {
                error = spool->errorString();
                return false;
            }
            left -= chunk.size();
            if (!put(chunk))
                return false;
        }
        return true;
    }

    // The findings of one language (or the product's own) in the format's list of
    // findings, to the spool when the format spools, else to the output.
    bool listFindings(const std::vector<Finding> &findings)
    {
        QByteArray bytes;
        for (const Finding &finding : findings) {
            appendFinding(bytes, finding);
            if (bytes.size() > (1 << 20)) {
                if (!(spools() ? toSpool(bytes) : put(bytes)))
                    return false;
                bytes.clear();
            }
        }
        return spools() ? toSpool(bytes) : put(bytes);
    }
};

namespace {

constexpr int HtmlShownPerLanguage = 1000;

const char HtmlStyle[] = R"(body{font:14px/1.4 system-ui,sans-serif;margin:1.5em;color:#222}
h1{font-size:1.4em;margin:0 0 .3em}p.totals{margin:.2em 0 1em;color:#444}
table{border-collapse:collapse}th,td{padding:.25em .6em;border-bottom:1px solid #ddd;text-align:left;vertical-align:top}
th{background:#f3f3f3;position:sticky;top:0}table.languages th{cursor:pointer;user-select:none}
th[aria-sort=ascending]::after{content:" \25B2"}th[aria-sort=descending]::after{content:" \25BC"}
td.n{text-align:right;font-variant-numeric:tabular-nums}progress{width:8em;vertical-align:middle}
.error{color:#b00020;font-weight:600}.warning{color:#8a5a00}.info{color:#1a5fb4}
details{margin:.4em 0}summary{cursor:pointer;font-weight:600}details table{margin:.4em 0 .4em 1.2em}
p.more{margin:.2em 0 .6em 1.2em;color:#555})";

// Click a heading to sort by its column; again to reverse. Numbers sort as
// numbers. "#sort=6-" in the address opens the page sorted (by errors, descending).
const char HtmlScript[] = R"(document.querySelectorAll("table.languages th").forEach(function(th,col){
th.addEventListener("click",function(){var table=th.closest("table"),body=table.tBodies[0];
var up=th.getAttribute("aria-sort")!=="ascending";table.querySelectorAll("th").forEach(function(h){h.removeAttribute("aria-sort")});
th.setAttribute("aria-sort",up?"ascending":"descending");var num=th.dataset.type==="number";
var rows=Array.prototype.slice.call(body.rows);rows.sort(function(a,b){var x=a.cells[col].dataset.sort||a.cells[col].textContent,
y=b.cells[col].dataset.sort||b.cells[col].textContent;var r=num?(parseFloat(x)-parseFloat(y)):x.localeCompare(y);return up?r:-r});
rows.forEach(function(r){body.appendChild(r)})})});
var sort=location.hash.match(/^#sort=(\d+)(-?)$/),heads=document.querySelectorAll("table.languages th");
if(sort&&heads[+sort[1]]){heads[+sort[1]].click();if(sort[2])heads[+sort[1]].click()})";

QString htmlCount(int count, const QString &cssClass)
{
    return count > 0 ? QStringLiteral("<td class=\"n %1\">%2</td>").arg(cssClass).arg(count)
                     : QStringLiteral("<td class=\"n\">0</td>");
}

} // namespace

namespace {

using Writer = CheckReportWriter::Private;

// One line per finding, then each language's counts.
struct TextReport final : Writer
{
    void appendFinding(QByteArray &bytes, const Finding &finding) override
    {
        bytes += (findingLine(finding, options.colour) + u'\n').toUtf8();
        wroteFinding = true;
    }
    bool begin(const ProductReport &frame) override { return listFindings(frame.productFindings); }
    bool addLanguage(const LanguageReport &, const std::vector<Finding> &findings) override
    {
        return listFindings(findings);
    }
    bool finish(bool cancelled, const std::vector<Finding> &) override
    {
        if (!listFindings(late))
            return false;
        QByteArray bytes;
        if (wroteFinding)
            bytes += '\n';
        QList<QStringList> rows;
        const std::vector<Finding> &product = frame.productFindings;
        if (!product.empty())
            rows.append({QStringLiteral("%1:").arg(languageIndexFile()),
                         countsText(countIn(product, FindingSeverity::Error), countIn(product, FindingSeverity::Warning),
                                    countIn(product, FindingSeverity::Info))});
        for (const LanguageReport &language : summaries)
            rows.append({language.name + u':', countsText(language.errors, language.warnings, language.infos)});
        bytes += table(rows, {});
        const QString total = QStringLiteral("total: %1 in %2")
                                  .arg(countsText(totals[0], totals[1], totals[2]),
                                       plural(int(summaries.size()), QStringLiteral("language"),
                                              QStringLiteral("languages")));
        bytes += total.toUtf8();
        if (cancelled)
            bytes += " (cancelled)";
        bytes += '\n';
        return put(bytes);
    }
};

// GitHub workflow commands, one per finding.
struct GithubReport final : Writer
{
    void appendFinding(QByteArray &bytes, const Finding &finding) override
    {
        const QString command = finding.severity == FindingSeverity::Error     ? QStringLiteral("error")
                                : finding.severity == FindingSeverity::Warning ? QStringLiteral("warning")
                                                                               : QStringLiteral("notice");
        QString line = QStringLiteral("::") + command + QStringLiteral(" file=")
                       + githubEscapeProperty(options.pathPrefix + fileOf(finding));
        if (finding.line > 0)
            line += QStringLiteral(",line=") + QString::number(finding.line);
        line += QStringLiteral(",title=") + githubEscapeProperty(finding.check) + QStringLiteral("::");
        const QString message = finding.key.isEmpty() ? finding.message : finding.key + QStringLiteral(": ") + finding.message;
        line += githubEscapeData(message) + u'\n';
        bytes += line.toUtf8();
    }

    bool begin(const ProductReport &frame) override { return listFindings(frame.productFindings); }
    bool addLanguage(const LanguageReport &, const std::vector<Finding> &findings) override
    {
        return listFindings(findings);
    }
    bool finish(bool, const std::vector<Finding> &) override { return listFindings(late); }
};

// The languages' counts first, so the findings wait in the spool.
struct JsonReport final : Writer
{
    bool spools() const override { return true; }
    // Appends a finding's object to bytes.
    void appendFinding(QByteArray &bytes, const Finding &finding) override
    {
        JsonWriter json(2, std::move(bytes));
        json.beginObject();
        json.member(u"check", finding.check);
        json.member(u"severity", severityName(finding.severity));
        json.key(u"language");
        json.valueOrNull(finding.language);
        json.member(u"file", fileOf(finding));
        json.key(u"line");
        if (finding.line > 0)
            json.value(finding.line);
        else
            json.null();
        json.key(u"key");
        json.valueOrNull(finding.key);
        json.member(u"message", finding.message);
        json.endObject();
        bytes = json.take();
    }

    bool begin(const ProductReport &frame) override { return listFindings(frame.productFindings); }
    bool addLanguage(const LanguageReport &, const std::vector<Finding> &findings) override
    {
        return listFindings(findings);
    }
    bool finish(bool, const std::vector<Finding> &) override
    {
        if (!listFindings(late))
            return false;
        JsonWriter json;
        json.beginObject();
        json.member(u"product", frame.product);
        json.member(u"master", frame.master);
        json.member(u"attributes", frame.attributes);
        json.key(u"languages");
        json.beginArray();
        for (const LanguageReport &language : summaries)
            writeLanguage(json, language);
        json.endArray();
        json.key(u"findings");
        json.beginArray();
        if (!put(json.take()))
            return false;
        const qint64 size = spool->size();
        // Every spooled finding starts with its separator; the first needs none.
        if (size > 0 && !copySpool(0, size, 1))
            return false;
        json.setWritten(size > 0);
        json.endArray();
        json.key(u"summary");
        json.beginObject();
        json.member(u"errors", totals[0]);
        json.member(u"warnings", totals[1]);
        json.member(u"infos", totals[2]);
        json.endObject();
        json.endObject();
        QByteArray tail = json.take();
        tail += '\n';
        return put(tail);
    }
};

// SARIF 2.1.0: the rules, then each finding a result as it comes.
struct SarifReport final : Writer
{
    QHash<QString, int> ruleIndex;

    QByteArray sarifResult(const Finding &finding) const
    {
        JsonWriter json(4);
        json.beginObject();
        json.member(u"ruleId", finding.check);
        const auto rule = ruleIndex.find(finding.check);
        if (rule != ruleIndex.end())
            json.member(u"ruleIndex", *rule);
        json.member(u"level", sarifLevel(finding.severity));
        json.key(u"message");
        json.beginObject();
        json.member(u"text", finding.key.isEmpty() ? finding.message : finding.key + QStringLiteral(": ") + finding.message);
        json.endObject();
        json.key(u"locations");
        json.beginArray();
        json.beginObject();
        json.key(u"physicalLocation");
        json.beginObject();
        json.key(u"artifactLocation");
        json.beginObject();
        json.member(u"uri", relativeUri(fileOf(finding)));
        json.member(u"uriBaseId", QStringLiteral("PRODUCTROOT"));
        json.endObject();
        if (finding.line > 0) {
            json.key(u"region");
            json.beginObject();
            json.member(u"startLine", finding.line);
            json.endObject();
        }
        json.endObject(); // physicalLocation
        json.endObject();
        json.endArray(); // locations
        json.key(u"properties");
        json.beginObject();
        json.key(u"language");
        json.valueOrNull(finding.language);
        json.key(u"key");
        json.valueOrNull(finding.key);
        json.endObject();
        json.endObject();
        return json.take();
    }

    // Results after the first carry their separator.
    bool putResults(QByteArray &results)
    {
        if (!results.isEmpty() && !wroteFinding)
            results.remove(0, 1);
        wroteFinding = wroteFinding || !results.isEmpty();
        return put(results);
    }

    bool begin(const ProductReport &frame) override
    {
        const std::vector<CheckInfo> &checks = allChecks();
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
        QString root = QUrl::fromLocalFile(frame.product).toString(QUrl::FullyEncoded);
        if (!root.endsWith(u'/'))
            root += u'/';
        json.member(u"uri", root);
        json.endObject();
        json.endObject();
        json.key(u"results");
        json.beginArray();
        // The first result's separator goes: the array is still empty.
        QByteArray head = json.take();
        if (!put(head))
            return false;
        QByteArray results;
        for (const Finding &finding : frame.productFindings)
            results += sarifResult(finding);
        return putResults(results);
    }
    bool addLanguage(const LanguageReport &, const std::vector<Finding> &findings) override
    {
        QByteArray results;
        for (const Finding &finding : findings) {
            results += sarifResult(finding);
            if (results.size() > (1 << 20)) {
                if (!putResults(results))
                    return false;
                results.clear();
            }
        }
        return putResults(results);
    }
    bool finish(bool, const std::vector<Finding> &) override
    {
        QByteArray results;
        for (const Finding &finding : late)
            results += sarifResult(finding);
        if (!putResults(results))
            return false;
        JsonWriter json(4, !wroteFinding);
        json.endArray(); // results
        json.endObject(); // the run
        json.endArray();
        json.endObject();
        QByteArray tail = json.take();
        tail += '\n';
        return put(tail);
    }
};

// A test suite per language and a test case per check; the head's totals
// need every suite, so the suites wait in the spool.
struct JunitReport final : Writer
{
    QStringList languageCases;
    int junitTests = 0;
    int junitFailures = 0;
    int suites = 0;
    qint64 masterSlot = -1; // where the master's suite goes
    std::unique_ptr<LanguageReport> heldMaster;

    bool spools() const override { return true; }

    QByteArray junitSuite(const QString &name, const std::vector<Finding> &findings, const QStringList &cases,
                          const QStringList &skipped)
    {
        auto failing = [&findings](const QString &id) {
            return std::any_of(findings.begin(), findings.end(), [&id](const Finding &f) {
                return f.check == id && f.severity == FindingSeverity::Error;
            });
        };
        int failures = 0;
        for (const QString &id : cases)
            failures += failing(id) ? 1 : 0;
        junitTests += int(cases.size() + skipped.size());
        junitFailures += failures;
        ++suites;

        // The suite as it stands inside <testsuites>, indented as a whole document indents it.
        QByteArray bytes;
        QXmlStreamWriter xml(&bytes);
        xml.setAutoFormatting(true);
        xml.setAutoFormattingIndent(2);
        xml.writeStartElement(QStringLiteral("testsuites"));
        const qsizetype start = bytes.size();
        xml.writeStartElement(QStringLiteral("testsuite"));
        xml.writeAttribute(QStringLiteral("name"), name);
        xml.writeAttribute(QStringLiteral("tests"), QString::number(cases.size() + skipped.size()));
        xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
        xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
        xml.writeAttribute(QStringLiteral("skipped"), QString::number(skipped.size()));
        for (const QString &id : cases) {
            QStringList errorLines;
            QStringList otherLines;
            for (const Finding &finding : findings) {
                if (finding.check != id)
                    continue;
                (finding.severity == FindingSeverity::Error ? errorLines : otherLines).append(findingLine(finding));
            }
            xml.writeStartElement(QStringLiteral("testcase"));
            xml.writeAttribute(QStringLiteral("classname"), name);
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
        for (const QString &id : skipped) {
            xml.writeStartElement(QStringLiteral("testcase"));
            xml.writeAttribute(QStringLiteral("classname"), name);
            xml.writeAttribute(QStringLiteral("name"), id);
            xml.writeEmptyElement(QStringLiteral("skipped"));
            xml.writeAttribute(QStringLiteral("message"), QStringLiteral("not in the default checks: --checks %1").arg(id));
            xml.writeEndElement();
        }
        xml.writeEndElement();
        // "<testsuites" was written at once, its ">" with the first child.
        return bytes.mid(start + 1);
    }

    bool begin(const ProductReport &frame) override
    {
        languageCases = options.checks.isEmpty() ? allCheckIds() : options.checks;
        // The index check belongs to no language: a suite of its own, when it ran.
        if (languageCases.removeAll(QStringLiteral("index")) > 0)
            return toSpool(junitSuite(QStringLiteral("language index"), frame.productFindings, {QStringLiteral("index")}, {}));
        return true;
    }
    bool addLanguage(const LanguageReport &language, const std::vector<Finding> &) override
    {
        if (language.isMaster && !heldMaster) {
            // Its suite waits for the findings that need every language.
            masterSlot = spool->pos();
            heldMaster = std::make_unique<LanguageReport>(language);
            return true;
        }
        return toSpool(junitSuite(language.name, language.findings, languageCases, options.skippedChecks));
    }
    bool finish(bool, const std::vector<Finding> &lateNow) override
    {
        if (heldMaster) {
            for (const Finding &finding : lateNow) {
                heldMaster->findings.push_back(finding);
                (finding.severity == FindingSeverity::Error ? heldMaster->errors
                 : finding.severity == FindingSeverity::Warning ? heldMaster->warnings : heldMaster->infos)++;
            }
            std::stable_sort(heldMaster->findings.begin(), heldMaster->findings.end(),
                             [](const Finding &a, const Finding &b) { return a.line < b.line; });
        }
        QByteArray masterSuite;
        if (heldMaster)
            masterSuite = junitSuite(heldMaster->name, heldMaster->findings, languageCases, options.skippedChecks);
        QByteArray head;
        QXmlStreamWriter xml(&head);
        xml.setAutoFormatting(true);
        xml.setAutoFormattingIndent(2);
        xml.writeStartDocument();
        xml.writeStartElement(QStringLiteral("testsuites"));
        xml.writeAttribute(QStringLiteral("name"), QStringLiteral("glossa check"));
        xml.writeAttribute(QStringLiteral("tests"), QString::number(junitTests));
        xml.writeAttribute(QStringLiteral("failures"), QString::number(junitFailures));
        if (suites == 0) {
            xml.writeEndElement();
            xml.writeEndDocument();
            return put(head);
        }
        head += '>';
        const qint64 size = spool->size();
        const qint64 slot = masterSlot >= 0 ? masterSlot : size;
        return put(head) && copySpool(0, slot) && put(masterSuite) && copySpool(slot, size) && put("\n</testsuites>\n");
    }
};

// One page: the languages' table first, so each language's section waits in the spool.
struct HtmlReport final : Writer
{
    bool spools() const override { return true; }

    QByteArray htmlSection(const QString &title, const QString &anchor, const std::vector<Finding> &findings) const
    {
        if (findings.empty())
            return {};
        int counts[3] = {0, 0, 0};
        for (const Finding &finding : findings)
            ++counts[int(finding.severity)];
        QString html = QStringLiteral("<details class=\"findings\" id=\"%1\"><summary>%2: %3</summary>\n"
                                      "<table><thead><tr><th>Line</th><th>Severity</th><th>Check</th><th>Key</th>"
                                      "<th>Message</th></tr></thead><tbody>\n")
                           .arg(anchor, title.toHtmlEscaped(), countsText(counts[0], counts[1], counts[2]));
        const size_t shown = std::min(findings.size(), size_t(HtmlShownPerLanguage));
        for (size_t i = 0; i < shown; ++i) {
            const Finding &f = findings[i];
            const QString severity = severityName(f.severity);
            html += QStringLiteral("<tr><td class=\"n\">%1</td><td class=\"%2\">%2</td><td>%3</td><td>%4</td><td>%5</td></tr>\n")
                        .arg(f.line > 0 ? QString::number(f.line) : QString(), severity, f.check.toHtmlEscaped(),
                             f.key.toHtmlEscaped(), f.message.toHtmlEscaped());
        }
        html += QStringLiteral("</tbody></table>\n");
        if (findings.size() > shown)
            html += QStringLiteral("<p class=\"more\">and %1 more (the JSON report lists them all)</p>\n")
                        .arg(findings.size() - shown);
        html += QStringLiteral("</details>\n");
        return html.toUtf8();
    }


    QByteArray htmlHead() const
    {
        QString html = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                                      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                                      "<title>glossa check: %1</title>\n<style>\n%2\n</style>\n</head>\n<body>\n")
                           .arg(frame.product.toHtmlEscaped(), QString::fromUtf8(HtmlStyle));
        html += QStringLiteral("<h1>Check report</h1>\n<p class=\"totals\">%1 &middot; master %2 &middot; %3 &middot; %4</p>\n")
                    .arg(frame.product.toHtmlEscaped(), frame.master.toHtmlEscaped(),
                         plural(frame.attributes, QStringLiteral("attribute"), QStringLiteral("attributes")),
                         countsText(totals[0], totals[1], totals[2]).toHtmlEscaped()
                             + QStringLiteral(" in ")
                             + plural(int(summaries.size()), QStringLiteral("language"), QStringLiteral("languages")));
        html += QStringLiteral("<table class=\"languages\" id=\"languages\"><thead><tr><th>Language</th><th>Code</th>"
                               "<th>Encoding</th><th data-type=\"number\">Translated</th><th data-type=\"number\">Blank</th>"
                               "<th data-type=\"number\">Missing</th><th data-type=\"number\">Errors</th>"
                               "<th data-type=\"number\">Warnings</th><th data-type=\"number\">Infos</th>"
                               "<th data-type=\"number\">Redundant keys</th></tr></thead>\n<tbody>\n");
        for (size_t i = 0; i < summaries.size(); ++i) {
            const LanguageReport &l = summaries[i];
            const QString percent = percentTranslated(l);
            const QString name = (l.errors + l.warnings + l.infos) > 0
                                     ? QStringLiteral("<a href=\"#l%1\">%2</a>").arg(i).arg(l.name.toHtmlEscaped())
                                     : l.name.toHtmlEscaped();
            html += QStringLiteral("<tr class=\"language\"><td>%1</td><td>%2</td><td>%3</td>"
                                   "<td data-sort=\"%4\"><progress value=\"%5\" max=\"%6\"></progress> %7%</td>"
                                   "<td class=\"n\">%8</td><td class=\"n\">%9</td>")
                        .arg(name, l.code.toHtmlEscaped(), l.encoding.toHtmlEscaped(),
                             percent == u"-" ? QStringLiteral("0") : percent)
                        .arg(l.translated)
                        .arg(std::max(1, l.attributes))
                        .arg(percent)
                        .arg(l.blank)
                        .arg(l.missing);
            html += htmlCount(l.errors, QStringLiteral("error")) + htmlCount(l.warnings, QStringLiteral("warning"))
                    + htmlCount(l.infos, QStringLiteral("info")) + QStringLiteral("<td class=\"n\">%1</td></tr>\n").arg(l.redundant);
        }
        html += QStringLiteral("</tbody></table>\n<h2>Findings</h2>\n");
        return html.toUtf8();
    }


    bool begin(const ProductReport &frame) override
    {
        return toSpool(htmlSection(languageIndexFile(), QStringLiteral("index"), frame.productFindings));
    }
    bool addLanguage(const LanguageReport &language, const std::vector<Finding> &findings) override
    {
        return toSpool(htmlSection(language.name, QStringLiteral("l%1").arg(summaries.size() - 1), findings));
    }
    bool finish(bool cancelled, const std::vector<Finding> &) override
    {
        QByteArray lateSection =
            htmlSection(frame.master + QStringLiteral(": texts at fault in several languages"), QStringLiteral("late"), late);
        QByteArray head = htmlHead();
        if (cancelled)
            head += "<p class=\"totals\">The check was cancelled: the languages above are those it finished.</p>\n";
        const qint64 size = spool->size();
        QByteArray tail = lateSection;
        if (size == 0 && lateSection.isEmpty())
            tail += "<p>No findings.</p>\n";
        tail += "<script>\n";
        tail += HtmlScript;
        tail += "\n</script>\n</body>\n</html>\n";
        return put(head) && copySpool(0, size) && put(tail);
    }
};

std::unique_ptr<Writer> writerFor(CheckFormat format)
{
    switch (format) {
    case CheckFormat::Text:
        return std::make_unique<TextReport>();
    case CheckFormat::Json:
        return std::make_unique<JsonReport>();
    case CheckFormat::Junit:
        return std::make_unique<JunitReport>();
    case CheckFormat::Sarif:
        return std::make_unique<SarifReport>();
    case CheckFormat::Github:
        return std::make_unique<GithubReport>();
    case CheckFormat::Html:
        return std::make_unique<HtmlReport>();
    }
    return std::make_unique<TextReport>();
}

} // namespace

CheckReportWriter::CheckReportWriter(QIODevice *out, CheckFormat format, const ReportOptions &options, bool spoolInMemory)
    : d(writerFor(format))
{
    d->out = out;
    d->options = options;
    d->spoolInMemory = spoolInMemory;
}

CheckReportWriter::~CheckReportWriter() = default;

QString CheckReportWriter::error() const
{
    return d->error;
}

int CheckReportWriter::count(FindingSeverity severity) const
{
    return d->totals[int(severity)];
}

bool CheckReportWriter::begin(const ProductReport &frame)
{
    d->frame.product = frame.product;
    d->frame.master = frame.master;
    d->frame.attributes = frame.attributes;
    d->frame.productFindings = frame.productFindings;
    d->count(frame.productFindings);
    if (d->spools()) {
        if (d->spoolInMemory) {
            auto buffer = std::make_unique<QBuffer>();
            buffer->open(QIODevice::ReadWrite);
            d->spool = std::move(buffer);
        } else {
            auto file = std::make_unique<QTemporaryFile>();
            if (!file->open()) {
                d->error = QStringLiteral("cannot make a temporary file: %1").arg(file->errorString());
                return false;
            }
            d->spool = std::move(file);
        }
    }
    return d->begin(frame);
}

bool CheckReportWriter::addLanguage(const LanguageReport &language)
{
    LanguageReport summary;
    summary.catalogueRow = language.catalogueRow;
    summary.name = language.name;
    summary.code = language.code;
    summary.file = language.file;
    summary.encoding = language.encoding;
    summary.isMaster = language.isMaster;
    summary.readable = language.readable;
    summary.attributes = language.attributes;
    summary.translated = language.translated;
    summary.blank = language.blank;
    summary.missing = language.missing;
    summary.errors = language.errors;
    summary.warnings = language.warnings;
    summary.infos = language.infos;
    summary.redundant = language.redundant;
    if (language.isMaster && d->masterSummary < 0)
        d->masterSummary = int(d->summaries.size());
    d->summaries.push_back(std::move(summary));
    d->count(language.findings);

    // Findings that needed every language are listed after every language's.
    const auto isLate = [](const Finding &f) { return f.check == u"source-widespread"; };
    const bool hasLate = language.isMaster && std::any_of(language.findings.begin(), language.findings.end(), isLate);
    std::vector<Finding> own;
    if (hasLate) {
        for (const Finding &finding : language.findings)
            (isLate(finding) ? d->late : own).push_back(finding);
    }
    return d->addLanguage(language, hasLate ? own : language.findings);
}

bool CheckReportWriter::finish(bool cancelled, const std::vector<Finding> &late)
{
    for (const Finding &finding : late) {
        d->late.push_back(finding);
        ++d->totals[int(finding.severity)];
        if (d->masterSummary >= 0) {
            LanguageReport &master = d->summaries[size_t(d->masterSummary)];
            (finding.severity == FindingSeverity::Error ? master.errors
             : finding.severity == FindingSeverity::Warning ? master.warnings : master.infos)++;
        }
    }
    if (!d->error.isEmpty())
        return false;
    return d->finish(cancelled, late);
}

QByteArray formatCheckReport(const ProductReport &report, CheckFormat format, const ReportOptions &options)
{
    ReportOptions chosen = options;
    if (format == CheckFormat::Junit && chosen.checks.isEmpty()) {
        // Every check, but reference-changed only where it ran: without an earlier
        // release it has no findings and would read as a passed test.
        chosen.checks = allCheckIds();
        bool ran = false;
        for (const LanguageReport &language : report.languages)
            ran = ran || std::any_of(language.findings.begin(), language.findings.end(),
                                     [](const Finding &f) { return f.check == u"reference-changed"; });
        if (!ran)
            chosen.checks.removeAll(QStringLiteral("reference-changed"));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CheckReportWriter writer(&buffer, format, chosen, true);
    writer.begin(report);
    for (const LanguageReport &language : report.languages)
        writer.addLanguage(language);
    writer.finish(report.cancelled);
    return bytes;
}

QByteArray checkReportText(const ProductReport &report, bool colour)
{
    ReportOptions options;
    options.colour = colour;
    return formatCheckReport(report, CheckFormat::Text, options);
}

QByteArray checkReportJson(const ProductReport &report)
{
    return formatCheckReport(report, CheckFormat::Json);
}

QByteArray checkReportJunit(const ProductReport &report, const QStringList &checks)
{
    ReportOptions options;
    options.checks = checks;
    return formatCheckReport(report, CheckFormat::Junit, options);
}

QByteArray checkReportSarif(const ProductReport &report)
{
    return formatCheckReport(report, CheckFormat::Sarif);
}

QByteArray checkReportGithub(const ProductReport &report, const QString &pathPrefix)
{
    ReportOptions options;
    options.pathPrefix = pathPrefix;
    return formatCheckReport(report, CheckFormat::Github, options);
}

QByteArray checkReportHtml(const ProductReport &report)
{
    return formatCheckReport(report, CheckFormat::Html);
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
    QByteArray out;
    appendJsonString(out, text);
    return out;
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
