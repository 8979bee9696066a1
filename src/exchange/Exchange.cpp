#include "exchange/Exchange.h"

#include "exchange/XliffReader.h"

#include "checks/CheckEngine.h"
#include "checks/PlaceholderCheck.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"

#include <QHash>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <map>
#include <utility>

namespace Glossa {

namespace {

const QString XliffNamespace = QStringLiteral("urn:oasis:names:tc:xliff:document:1.2");

// The characters an XML 1.0 document can carry.
bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

bool holdsOnlyXmlChars(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate() || !isXmlChar(c.unicode()))
            return false;
    }
    return true;
}

QString withoutNonXmlChars(QStringView text)
{
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            kept += c;
            kept += text[++i];
        } else if (!c.isSurrogate() && isXmlChar(c.unicode())) {
            kept += c;
        }
    }
    return kept;
}

// Ids of <ph> elements: the n-th "%d" of the target gets the id of the n-th "%d" of
// the source, so tools can pair them; placeholders only one side has get new ids.
class PlaceholderIds
{
public:
    QString idFor(const QString &placeholder, bool source)
    {
        std::map<QString, int> &seen = source ? m_sourceSeen : m_targetSeen;
        const int occurrence = seen[placeholder]++;
        const auto key = std::make_pair(placeholder, occurrence);
        auto it = m_ids.find(key);
        if (it == m_ids.end())
            it = m_ids.emplace(key, ++m_last).first;
        return QString::number(it->second);
    }

private:
    std::map<std::pair<QString, int>, int> m_ids;
    std::map<QString, int> m_sourceSeen;
    std::map<QString, int> m_targetSeen;
    int m_last = 0;
};

// Text for XML content or a double-quoted attribute. A carriage return, tab or line
// feed in an attribute is written as a reference, which a reader keeps.
void appendEscaped(QString &out, QStringView text, bool attribute)
{
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&': out += QStringLiteral("&amp;"); break;
        case u'<': out += QStringLiteral("&lt;"); break;
        case u'>': out += QStringLiteral("&gt;"); break;
        case u'"': if (attribute) out += QStringLiteral("&quot;"); else out += c; break;
        case u'\r': out += QStringLiteral("&#13;"); break;
        case u'\n': if (attribute) out += QStringLiteral("&#10;"); else out += c; break;
        case u'\t': if (attribute) out += QStringLiteral("&#9;"); else out += c; break;
        default: out += c; break;
        }
    }
}

void writeWithPlaceholders(QString &out, const QString &text, int attributeIndex, PlaceholderIds &ids, bool source)
{
    qsizetype at = 0;
    for (const PlaceholderSpan &span : placeholderSpans(text, attributeIndex)) {
        appendEscaped(out, QStringView(text).sliced(at, span.start - at), false);
        const QString placeholder = text.mid(span.start, span.length);
        out += QStringLiteral("<ph id=\"");
        out += ids.idFor(placeholder, source);
        out += QStringLiteral("\">");
        appendEscaped(out, placeholder, false);
        out += QStringLiteral("</ph>");
        at = span.start + span.length;
    }
    appendEscaped(out, QStringView(text).sliced(at), false);
}

QString csvField(const QString &field)
{
    const bool quote = field.contains(u',') || field.contains(u'"') || field.contains(u'\r') || field.contains(u'\n');
    if (!quote)
        return field;
    QString quoted = field;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

// RFC 4180 records; CRLF, LF and CR all end a record outside quotes.
bool parseCsv(QStringView text, std::vector<QStringList> &records, QString &error)
{
    QStringList record;
    QString field;
    qsizetype i = 0;
    int line = 1;
    bool fieldStarted = false;
    auto endRecord = [&] {
        record.append(field);
        field.clear();
        // A blank line holds no record.
        if (!(record.size() == 1 && record.front().isEmpty()))
            records.push_back(record);
        record.clear();
        fieldStarted = false;
    };
    while (i < text.size()) {
        const QChar c = text[i];
        if (!fieldStarted && c == u'"') {
            fieldStarted = true;
            const int startLine = line;
            ++i;
            for (;;) {
                if (i >= text.size()) {
                    error = QStringLiteral("the CSV is not well-formed: the quoted field that starts on line %1 never ends").arg(startLine);
                    return false;
                }
                if (text[i] == u'"') {
                    if (i + 1 < text.size() && text[i + 1] == u'"') {
                        field += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (text[i] == u'\n')
                    ++line;
                field += text[i++];
            }
            if (i < text.size() && text[i] != u',' && text[i] != u'\r' && text[i] != u'\n') {
                error = QStringLiteral("the CSV is not well-formed: text after a closing quote on line %1").arg(line);
                return false;
            }
            continue;
        }
        if (c == u',') {
            record.append(field);
            field.clear();
            fieldStarted = false;
            ++i;
        } else if (c == u'\r' || c == u'\n') {
            endRecord();
            ++line;
            i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
        } else if (c == u'"') {
            error = QStringLiteral("the CSV is not well-formed: a double quote inside an unquoted field on line %1").arg(line);
            return false;
        } else {
            fieldStarted = true;
            field += c;
            ++i;
        }
    }
    if (fieldStarted || !record.isEmpty() || !field.isEmpty())
        endRecord();
    return true;
}

bool readCsv(const QByteArray &bytes, ExchangeFile &file, QString &error)
{
    file.format = ExchangeFormat::Csv;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        error = QStringLiteral("the file is neither XLIFF 1.2 nor CSV: it is not UTF-8 text");
        return false;
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    std::vector<QStringList> records;
    if (!parseCsv(text, records, error))
        return false;
    int keyColumn = -1;
    int valueColumn = -1;
    int referenceColumn = -1;
    if (!records.empty()) {
        const QStringList &header = records.front();
        for (int column = 0; column < header.size(); ++column) {
            const QString name = header[column].trimmed().toLower();
            int *wanted = name == u"key"         ? &keyColumn
                        : name == u"value"       ? &valueColumn
                        : name == u"reference"   ? &referenceColumn
                                                 : nullptr;
            if (!wanted)
                continue;
            if (*wanted >= 0) {
                error = QStringLiteral("the CSV's header names the column \"%1\" twice").arg(name);
                return false;
            }
            *wanted = column;
        }
    }
    if (keyColumn < 0 || valueColumn < 0) {
        error = QStringLiteral("the file is neither XLIFF 1.2 nor CSV with the columns \"key\" and \"value\" in its header");
        return false;
    }
    QSet<QString> keys;
    for (size_t r = 1; r < records.size(); ++r) {
        const QStringList &record = records[r];
        ImportedUnit unit;
        unit.key = record.value(keyColumn);
        unit.text = record.value(valueColumn);
        unit.hasTarget = !unit.text.isEmpty();
        if (referenceColumn >= 0 && referenceColumn < record.size()) {
            unit.source = record[referenceColumn];
            unit.hasSource = true;
        }
        if (!unit.key.isEmpty()) {
            if (keys.contains(unit.key)) {
                error = QStringLiteral("the file repeats the key \"%1\"").arg(unit.key);
                return false;
            }
            keys.insert(unit.key);
        }
        file.units.push_back(std::move(unit));
    }
    return true;
}

bool looksLikeXml(const QByteArray &bytes)
{
    // UTF-16 with a byte-order mark: "<" is the first character.
    if (bytes.startsWith("\xFF\xFE<") || bytes.startsWith(QByteArray("\xFE\xFF\0<", 4)))
        return true;
    qsizetype at = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\r' || bytes[at] == '\n'))
        ++at;
    return at < bytes.size() && bytes[at] == '<';
}

} // namespace

std::vector<PlaceholderSpan> placeholderSpans(QStringView text, int attributeIndex)
{
    std::vector<PlaceholderSpan> spans;
    // Attribute ids and master rows agree: row 0 is the first attribute.
    forEachPlaceholderSpan(text, placeholderRuleFor(AttributeId(attributeIndex)),
                           [&](qsizetype start, qsizetype length) { spans.push_back({start, length}); });
    return spans;
}

ExchangeEntry makeExchangeEntry(const QString &key, int attributeIndex, const QString &value, bool missing,
                                const QString &masterValue, const QString &languageName, bool isMaster)
{
    ExchangeEntry entry;
    entry.key = key;
    entry.attributeIndex = attributeIndex;
    entry.reference = masterValue;
    entry.value = missing ? QString() : value;
    entry.missing = missing;
    if (missing || isBlankValue(value)) {
        entry.state = StateNeedsTranslation;
        return entry;
    }
    entry.state = StateTranslated;
    QStringList messages;
    for (const Finding &finding : checkValue(value, masterValue, attributeIndex, languageName, isMaster)) {
        if (finding.severity == FindingSeverity::Error)
            entry.state = StateNeedsReview;
        messages.append(finding.message);
    }
    entry.note = messages.join(QStringLiteral("; "));
    return entry;
}

QByteArray writeXliff(const ExchangeDocument &document)
{
    // Written by hand rather than with QXmlStreamWriter, which costs three times as much
    // on 20,000 units; the layout is fixed and white space inside <source> and <target>
    // is only the text's own.
    QString out;
    out.reserve(qsizetype(document.entries.size()) * 240 + 512);
    const auto attribute = [&out](QStringView name, QStringView value) {
        out += u' ';
        out += name;
        out += QStringLiteral("=\"");
        appendEscaped(out, value, true);
        out += u'"';
    };
    out += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xliff xmlns=\"");
    out += XliffNamespace;
    out += QStringLiteral("\" version=\"1.2\">\n  <file");
    attribute(u"original", document.original);
    attribute(u"source-language", document.sourceLanguage);
    attribute(u"target-language", document.targetLanguage);
    out += QStringLiteral(" datatype=\"plaintext\">\n    <body>\n");
    for (const ExchangeEntry &entry : document.entries) {
        PlaceholderIds ids;
        const QString key = withoutNonXmlChars(entry.key);
        out += QStringLiteral("      <trans-unit");
        attribute(u"id", key);
        attribute(u"resname", key);
        out += QStringLiteral(" xml:space=\"preserve\">\n        <source>");
        writeWithPlaceholders(out, withoutNonXmlChars(valueText(entry.reference)), entry.attributeIndex, ids, true);
        out += QStringLiteral("</source>\n");

        QString state = entry.state;
        QString note = entry.note;
        const QString text = valueText(entry.value).toString();
        const bool carried = holdsOnlyXmlChars(text);
        if (!carried) {
            // The translator sees no text rather than a changed one; an empty target never comes back in.
            state = StateNeedsReview;
            note = QStringLiteral("the value holds characters an XLIFF file cannot carry; it is left out")
                + (note.isEmpty() ? QString() : QStringLiteral("; ") + note);
        }
        // A missing entry gets an empty target too: the translator's tool shows it as work to do.
        out += QStringLiteral("        <target");
        attribute(u"state", state);
        out += u'>';
        if (carried && state != StateNeedsTranslation)
            writeWithPlaceholders(out, text, entry.attributeIndex, ids, false);
        out += QStringLiteral("</target>\n");
        if (!note.isEmpty()) {
            out += QStringLiteral("        <note>");
            appendEscaped(out, withoutNonXmlChars(note), false);
            out += QStringLiteral("</note>\n");
        }
        for (const AlternativeTranslation &alternative : entry.alternatives) {
            out += QStringLiteral("        <alt-trans");
            attribute(u"match-quality", QString::number(alternative.quality));
            attribute(u"origin", withoutNonXmlChars(alternative.origin));
            out += QStringLiteral(">\n          <source>");
            appendEscaped(out, withoutNonXmlChars(alternative.source), false);
            out += QStringLiteral("</source>\n          <target>");
            appendEscaped(out, withoutNonXmlChars(alternative.target), false);
            out += QStringLiteral("</target>\n        </alt-trans>\n");
        }
        out += QStringLiteral("      </trans-unit>\n");
    }
    out += QStringLiteral("    </body>\n  </file>\n</xliff>\n");
    return out.toUtf8();
}

QByteArray writeCsv(const ExchangeDocument &document)
{
    QString text;
    text.reserve(qsizetype(document.entries.size()) * 96 + 64);
    text += QChar(0xFEFF);
    text += QStringLiteral("key,reference,value,state,note\r\n");
    for (const ExchangeEntry &entry : document.entries) {
        text += csvField(entry.key);
        text += u',';
        text += csvField(valueText(entry.reference).toString());
        text += u',';
        if (entry.state != StateNeedsTranslation)
            text += csvField(valueText(entry.value).toString());
        text += u',';
        text += entry.state;
        text += u',';
        text += csvField(entry.note);
        text += QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

QByteArray writeExchange(const ExchangeDocument &document, ExchangeFormat format)
{
    return format == ExchangeFormat::Xliff ? writeXliff(document) : writeCsv(document);
}

bool readExchangeFile(const QByteArray &bytes, ExchangeFile &file, QString &error)
{
    file = ExchangeFile();
    error.clear();
    const bool read = looksLikeXml(bytes) ? readXliffFile(bytes, file, error) : readCsv(bytes, file, error);
    if (!read)
        file = ExchangeFile();
    return read;
}

ImportPlan planImport(const ExchangeFile &file, const ImportTarget &target, const ImportOptions &options)
{
    ImportPlan plan;
    if (!file.targetLanguage.isEmpty() && file.targetLanguage.compare(target.languageTag, Qt::CaseInsensitive) != 0) {
        plan.fileRefused = true;
        plan.error = QStringLiteral("the file is for the language \"%1\", not for %2 (\"%3\")")
                         .arg(file.targetLanguage, target.languageName, target.languageTag);
        return plan;
    }
    // Sources are the master's English unless the file says they are another language's.
    const bool compareSources = file.sourceLanguage.isEmpty()
        || file.sourceLanguage.compare(LocaleCatalogue::Bcp47ForDisplayName(MasterLanguageFileName.chopped(4)),
                                       Qt::CaseInsensitive) == 0;
    QHash<QString, int> indexByName;
    indexByName.reserve(target.attributeNames.size());
    for (int i = int(target.attributeNames.size()) - 1; i >= 0; --i)
        indexByName.insert(target.attributeNames[i], i);

    std::map<int, ImportChange> changes;
    for (const ImportedUnit &unit : file.units) {
        if (!unit.hasTarget || unit.text.isEmpty()) {
            ++plan.unchanged;
            continue;
        }
        const auto found = indexByName.constFind(unit.key);
        if (found == indexByName.cend()) {
            plan.refusals.push_back({unit.key, unit.key.isEmpty() ? QStringLiteral("the unit has no key")
                                                                  : QStringLiteral("the master has no such key")});
            continue;
        }
        const int index = found.value();
        const QString current = target.currentValues.value(index);
        if (unit.text == valueText(current)) {
            ++plan.unchanged;
            continue;
        }
        // A translation of an English that has changed since may no longer fit it.
        if (unit.hasSource && compareSources && unit.source != valueText(target.masterValues.value(index))) {
            plan.sourceChanged.push_back(unit.key);
            if (options.onlyCurrentSource) {
                ++plan.skipped;
                continue;
            }
        }
        if (unit.text.contains(u'\n') || unit.text.contains(u'\r') || unit.text.contains(QChar(0))) {
            plan.refusals.push_back({unit.key, QStringLiteral("a line cannot hold the value: it holds a line break or a NUL")});
            continue;
        }
        if (!options.acceptErrors && !target.isMaster) {
            // The check compares values as the files hold them, quotes and all.
            const QString message = placeholderMessage(LanguageStore::quotedForSaving(unit.text),
                                                       target.masterValues.value(index), index);
            if (!message.isEmpty()) {
                plan.refusals.push_back({unit.key, QStringLiteral("placeholders: ") + message});
                continue;
            }
        }
        changes[index] = {unit.key, index, current, unit.text};
    }
    plan.changes.reserve(changes.size());
    for (auto &[index, change] : changes)
        plan.changes.push_back(std::move(change));
    return plan;
}

} // namespace Glossa
