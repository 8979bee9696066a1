#include "exchange/Tmx.h"

#include "exchange/SaxReading.h"

#include <QFile>
#include <QXmlStreamWriter>

#include <cstring>

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

struct Reading
{
    xmlParserCtxtPtr context = nullptr;
    TmxReadResult *result = nullptr;
    QString source;   // normalised wanted tags
    QString target;
    QString error;
    bool seenRoot = false;
    int depth = 0;
    bool inUnit = false;
    QString tuid;
    std::vector<Variant> variants;
    int variantDepth = -1;
    int segmentDepth = -1;
    int skipDepth = -1; // a <sub>: a sub-flow of its own, not the code's text

    void refuse(const QString &why)
    {
        if (error.isEmpty())
            error = why;
        xmlStopParser(context);
    }

    // The variant that fits the wanted language best, or nullptr.
    const Variant *bestFor(const QString &wanted) const
    {
        const Variant *best = nullptr;
        int bestFit = 0;
        for (const Variant &v : variants) {
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
    return *static_cast<Reading *>(data);
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
        if (Sax::equals(localName, "seg") && !r.variants.back().hasSegment) {
            r.variants.back().hasSegment = true;
            r.segmentDepth = r.depth;
        } else {
            r.skipDepth = r.depth; // <note>, <prop>, a second <seg>
        }
        return;
    }
    if (r.inUnit) {
        if (Sax::equals(localName, "tuv")) {
            QString language = Sax::attribute(attributeCount, attributes, "lang", "xml");
            if (language.isEmpty())
                language = Sax::attribute(attributeCount, attributes, "lang");
            r.variants.push_back({normalisedTag(language), QString(), false});
            r.variantDepth = r.depth;
        } else {
            r.skipDepth = r.depth;
        }
        return;
    }
    if (Sax::equals(localName, "tu")) {
        r.inUnit = true;
        r.tuid = Sax::attribute(attributeCount, attributes, "tuid");
        r.variants.clear();
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
            r.result->units.push_back({r.tuid, source->text, target->text});
        else
            ++r.result->otherLanguages;
    }
    --r.depth;
}

void characters(void *data, const xmlChar *chars, int length)
{
    Reading &r = readingOf(data);
    if (r.segmentDepth >= 0 && r.skipDepth < 0)
        r.variants.back().text += Sax::text(chars, length);
}

void documentType(void *data, const xmlChar *, const xmlChar *, const xmlChar *)
{
    readingOf(data).refuse(
        QStringLiteral("the file holds a document type declaration, which a TMX file never needs; it is not read"));
}

void entityDeclaration(void *data, const xmlChar *name, int, const xmlChar *, const xmlChar *, xmlChar *)
{
    readingOf(data).refuse(QStringLiteral("the file declares the entity \"%1\"; entities are not expanded").arg(Sax::text(name)));
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

bool readTmxFile(const QByteArray &bytes, const QString &sourceTag, const QString &targetTag, TmxReadResult &result,
                 QString &error)
{
    result = TmxReadResult();
    error.clear();
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.startElementNs = startElement;
    sax.endElementNs = endElement;
    sax.characters = characters;
    sax.ignorableWhitespace = characters;
    sax.cdataBlock = characters;
    sax.internalSubset = documentType;
    sax.externalSubset = documentType;
    sax.entityDecl = entityDeclaration;

    Reading reading;
    reading.result = &result;
    reading.source = normalisedTag(sourceTag);
    reading.target = normalisedTag(targetTag);
    const QString parsed = Sax::parse(bytes, sax, &reading, reading.context);
    if (!reading.error.isEmpty())
        error = reading.error;
    else if (!parsed.isEmpty())
        error = parsed;
    else if (!reading.seenRoot)
        error = QStringLiteral("the file is not TMX: it holds no element");
    if (!error.isEmpty())
        result = TmxReadResult();
    return error.isEmpty();
}

std::shared_ptr<const UnitSet> loadTmxMemory(const QString &path, const QString &sourceTag, const QString &targetTag,
                                             QString &error, int *otherLanguages)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("\"%1\" cannot be read: %2").arg(path, file.errorString());
        return {};
    }
    TmxReadResult read;
    QString why;
    if (!readTmxFile(file.readAll(), sourceTag, targetTag, read, why)) {
        error = QStringLiteral("\"%1\" is refused: %2").arg(path, why);
        return {};
    }
    if (otherLanguages)
        *otherLanguages = read.otherLanguages;
    return std::make_shared<const UnitSet>(MatchOrigin::Tmx, path, std::move(read.units));
}

} // namespace Glossa
