#include "exchange/Tmx.h"

#include "exchange/SaxReading.h"

#include <QFile>
#include <QStringDecoder>
#include <QXmlStreamWriter>

#include <functional>

namespace Glossa {

namespace {

// Characters XML 1.0 allows: tab, line feed, carriage return and the rest above U+001F
// but for U+FFFE and U+FFFF (surrogate pairs stand for characters beyond, which it allows).
bool carriedByXml(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || u == 0xFFFE || u == 0xFFFF)
            return false;
    }
    return true;
}

// A language tag as TMX files spell it in any of their ways: "de_de", "DE-de" -> "de-de".
QString normalisedTag(QString tag)
{
    tag = tag.trimmed().toLower();
    tag.replace(u'_', u'-');
    return tag;
}

// 2: the same tag; 1: the tuv names the language alone ("de" for "de-de"); 0: another.
int languageFit(const QString &tuv, const QString &wanted)
{
    if (tuv == wanted)
        return 2;
    if (!tuv.contains(u'-') && wanted.section(u'-', 0, 0) == tuv)
        return 1;
    return 0;
}

struct Variant
{
    QString language; // normalised
    QString text;
    bool hasSegment = false;
};

struct Reading : Sax::RefusingReader
{
    // Each unit that has both languages: tuid, source text, target text.
    std::function<void(QStringView, QStringView, QStringView)> unit;
    int otherLanguages = 0;
    QString source;   // normalised wanted tags
    QString target;
    bool seenRoot = false;
    int depth = 0;
    bool inUnit = false;
    QString tuid;
    // The unit's variants are the first `used`; their strings are kept for the next unit.
    std::vector<Variant> variants;
    size_t used = 0;
    // Language attributes as written -> normalised: a file names a few languages many times.
    std::vector<std::pair<QByteArray, QString>> languages;
    QStringDecoder decoder{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
    int variantDepth = -1;
    int segmentDepth = -1;
    int skipDepth = -1; // a <sub>: a sub-flow of its own, not the code's text

    // The variant that fits the wanted language best, or nullptr.
    const Variant *bestFor(const QString &wanted) const
    {
        const Variant *best = nullptr;
        int bestFit = 0;
        for (size_t i = 0; i < used; ++i) {
            const Variant &v = variants[i];
            const int fit = v.hasSegment ? languageFit(v.language, wanted) : 0;
            if (fit > bestFit) {
                best = &v;
                bestFit = fit;
            }
        }
        return best;
    }
};

Reading &readingOf(void *data)
{
    return Sax::readerOf<Reading>(data);
}

// An attribute's value as the reader hands it on (see Sax::attribute), empty when absent.
QByteArrayView rawAttribute(int count, const xmlChar **attributes, const char *name, const char *prefix)
{
    for (int i = 0; i < count; ++i) {
        const xmlChar **a = attributes + 5 * i;
        if ((prefix ? Sax::equals(a[1], prefix) : !a[1]) && Sax::equals(a[0], name))
            return QByteArrayView(a[3], a[4] - a[3]);
    }
    return {};
}

// A tuv's language, normalised: xml:lang, or TMX 1.1's lang.
QString tuvLanguage(Reading &r, int count, const xmlChar **attributes)
{
    const char *prefix = "xml";
    QByteArrayView raw = rawAttribute(count, attributes, "lang", prefix);
    if (raw.isEmpty()) {
        prefix = nullptr;
        raw = rawAttribute(count, attributes, "lang", prefix);
    }
    for (const auto &[written, normalised] : r.languages)
        if (written == raw)
            return normalised;
    const QString normalised = normalisedTag(Sax::attribute(count, attributes, "lang", prefix));
    if (r.languages.size() < 16)
        r.languages.emplace_back(raw.toByteArray(), normalised);
    return normalised;
}

void startElement(void *data, const xmlChar *localName, const xmlChar *, const xmlChar *, int, const xmlChar **,
                  int attributeCount, int, const xmlChar **attributes)
{
    Reading &r = readingOf(data);
    ++r.depth;
    if (!r.seenRoot) {
        r.seenRoot = true;
        if (!Sax::equals(localName, "tmx"))
            r.refuse(QStringLiteral("the file is not TMX: its root must be <tmx>, not <%1>").arg(Sax::text(localName)));
        return;
    }
    if (r.skipDepth >= 0)
        return;
    if (r.segmentDepth >= 0) {
        // Inline codes stand for their own text; a <sub> is translatable text inside a code.
        if (Sax::equals(localName, "sub"))
            r.skipDepth = r.depth;
        return;
    }
    if (r.variantDepth >= 0) {
        if (Sax::equals(localName, "seg") && !r.variants[r.used - 1].hasSegment) {
            r.variants[r.used - 1].hasSegment = true;
            r.segmentDepth = r.depth;
        } else {
            r.skipDepth = r.depth; // <note>, <prop>, a second <seg>
        }
        return;
    }
    if (r.inUnit) {
        if (Sax::equals(localName, "tuv")) {
            if (r.used == r.variants.size())
                r.variants.emplace_back();
            Variant &variant = r.variants[r.used++];
            variant.language = tuvLanguage(r, attributeCount, attributes);
            variant.text.resize(0);
            variant.hasSegment = false;
            r.variantDepth = r.depth;
        } else {
            r.skipDepth = r.depth;
        }
        return;
    }
    if (Sax::equals(localName, "tu")) {
        r.inUnit = true;
        r.tuid = Sax::attribute(attributeCount, attributes, "tuid");
        r.used = 0;
    }
}

void endElement(void *data, const xmlChar *, const xmlChar *, const xmlChar *)
{
    Reading &r = readingOf(data);
    if (r.depth == r.skipDepth) {
        r.skipDepth = -1;
    } else if (r.depth == r.segmentDepth) {
        r.segmentDepth = -1;
    } else if (r.depth == r.variantDepth) {
        r.variantDepth = -1;
    } else if (r.inUnit && r.variantDepth < 0 && r.segmentDepth < 0) {
        // The end of the <tu>: the source is always the memory's source language, whatever
        // the tu or header name as theirs ("*all*" included), since every tuv is a translation of the others.
        r.inUnit = false;
        const Variant *source = r.bestFor(r.source);
        const Variant *target = r.bestFor(r.target);
        if (source && target && source != target)
            r.unit(r.tuid, source->text, target->text);
        else
            ++r.otherLanguages;
    }
    --r.depth;
}

void characters(void *data, const xmlChar *chars, int length)
{
    Reading &r = readingOf(data);
    if (r.segmentDepth < 0 || r.skipDepth >= 0)
        return;
    // Straight into the variant's text (a U+FEFF that starts a piece is text, as Sax::text keeps it).
    QString &text = r.variants[r.used - 1].text;
    const qsizetype held = text.size();
    text.resize(held + r.decoder.requiredSpace(length));
    const QChar *end = r.decoder.appendToBuffer(text.data() + held, QByteArrayView(chars, length));
    text.resize(end - text.constData());
}

} // namespace

QByteArray writeTmx(const TmxDocument &document, int *skipped)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument(QStringLiteral("1.0"));
    xml.writeStartElement(QStringLiteral("tmx"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.4"));
    xml.writeEmptyElement(QStringLiteral("header"));
    xml.writeAttribute(QStringLiteral("creationtool"), QStringLiteral("Glossa Desk"));
    xml.writeAttribute(QStringLiteral("creationtoolversion"), document.toolVersion);
    xml.writeAttribute(QStringLiteral("segtype"), QStringLiteral("phrase"));
    xml.writeAttribute(QStringLiteral("o-tmf"), QStringLiteral("Glossa Desk INI"));
    xml.writeAttribute(QStringLiteral("adminlang"), document.sourceLanguage);
    xml.writeAttribute(QStringLiteral("srclang"), document.sourceLanguage);
    xml.writeAttribute(QStringLiteral("datatype"), QStringLiteral("plaintext"));
    xml.writeStartElement(QStringLiteral("body"));
    int left = 0;
    const QString xmlNamespace = QStringLiteral("http://www.w3.org/XML/1998/namespace");
    for (const TranslationPair &unit : document.units) {
        if (!carriedByXml(unit.key) || !carriedByXml(unit.source) || !carriedByXml(unit.target)) {
            ++left;
            continue;
        }
        xml.writeStartElement(QStringLiteral("tu"));
        xml.writeAttribute(QStringLiteral("tuid"), unit.key);
        for (const auto &[language, text] : {std::pair{document.sourceLanguage, unit.source},
                                             std::pair{document.targetLanguage, unit.target}}) {
            xml.writeStartElement(QStringLiteral("tuv"));
            xml.writeAttribute(xmlNamespace, QStringLiteral("lang"), language);
            xml.writeTextElement(QStringLiteral("seg"), text);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    if (skipped)
        *skipped = left;
    return bytes;
}

namespace {

// Reads a TMX file's units with parse (one of Sax::parse's forms) and hands each on.
template<typename Parse>
bool readUnits(Parse parse, const QString &sourceTag, const QString &targetTag,
               const std::function<void(QStringView, QStringView, QStringView)> &each, int &otherLanguages,
               QString &error)
{
    error.clear();
    xmlSAXHandler sax = Sax::refusingHandler();
    sax.startElementNs = startElement;
    sax.endElementNs = endElement;
    sax.characters = characters;
    sax.ignorableWhitespace = characters;
    sax.cdataBlock = characters;

    Reading reading;
    reading.fileKind = QStringLiteral("a TMX file");
    reading.unit = each;
    reading.source = normalisedTag(sourceTag);
    reading.target = normalisedTag(targetTag);
    const QString parsed = parse(sax, reading);
    if (!reading.error.isEmpty())
        error = reading.error;
    else if (!parsed.isEmpty())
        error = parsed;
    else if (!reading.seenRoot)
        error = QStringLiteral("the file is not TMX: it holds no element");
    otherLanguages = reading.otherLanguages;
    return error.isEmpty();
}

} // namespace

bool readTmxFile(const QByteArray &bytes, const QString &sourceTag, const QString &targetTag, TmxReadResult &result,
                 QString &error)
{
    result = TmxReadResult();
    const auto parse = [&bytes](xmlSAXHandler &sax, Reading &reading) {
        return Sax::parse(bytes, sax, reading);
    };
    const bool read = readUnits(
        parse, sourceTag, targetTag,
        [&result](QStringView key, QStringView source, QStringView target) {
            result.units.push_back({key.toString(), source.toString(), target.toString()});
        },
        result.otherLanguages, error);
    if (!read)
        result = TmxReadResult();
    return read;
}

std::shared_ptr<const UnitSet> loadTmxMemory(const QString &path, const QString &sourceTag, const QString &targetTag,
                                             QString &error, int *otherLanguages)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("\"%1\" cannot be read: %2").arg(path, file.errorString());
        return {};
    }
    // Read a piece at a time straight into the units' buffer: the file is never held whole.
    UnitCollector units;
    int others = 0;
    QString why;
    const auto parse = [&file](xmlSAXHandler &sax, Reading &reading) {
        return Sax::parse(file, sax, reading);
    };
    if (!readUnits(
            parse, sourceTag, targetTag,
            [&units](QStringView key, QStringView source, QStringView target) { units.add(key, source, target); },
            others, why)) {
        error = QStringLiteral("\"%1\" is refused: %2").arg(path, why);
        return {};
    }
    if (units.full()) {
        error = QStringLiteral("\"%1\" is refused: its units hold more text than the memory can take").arg(path);
        return {};
    }
    if (otherLanguages)
        *otherLanguages = others;
    return std::make_shared<const UnitSet>(MatchOrigin::Tmx, path, std::move(units));
}

} // namespace Glossa
