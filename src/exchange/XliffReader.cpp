#include "exchange/XliffReader.h"

#include <QSet>
#include <QStringDecoder>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <cstring>
#include <mutex>

namespace Glossa {

namespace {

constexpr char XliffNamespace[] = "urn:oasis:names:tc:xliff:document:1.2";
// XLIFF 1.1 (what po2xliff and older tools write) has the same elements we read.
constexpr char Xliff11Namespace[] = "urn:oasis:names:tc:xliff:document:1.1";

bool equals(const xmlChar *a, const char *b)
{
    return a && std::strcmp(reinterpret_cast<const char *>(a), b) == 0;
}

// The reader hands text on as UTF-8. A U+FEFF that starts a piece of text is text
// too: QString::fromUtf8 would drop it as a byte-order mark.
QString text(const xmlChar *start, qsizetype length)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(reinterpret_cast<const char *>(start), length));
}

QString text(const xmlChar *start, const xmlChar *end)
{
    return text(start, end - start);
}

// The value of an attribute without a prefix, as SAX2 hands them: five pointers each
// (local name, prefix, namespace, value start, value end).
QString attribute(int count, const xmlChar **attributes, const char *name)
{
    for (int i = 0; i < count; ++i) {
        const xmlChar **a = attributes + 5 * i;
        if (!a[1] && equals(a[0], name)) {
            // Without entity replacement the reader hands every "&" of a value on as "&#38;",
            // and that is the only reference left in it.
            QString value = text(a[3], a[4]);
            value.replace(QLatin1String("&#38;"), QLatin1String("&"));
            return value;
        }
    }
    return {};
}

// What the parser's callbacks build, and where they are in the document.
struct Reading
{
    xmlParserCtxtPtr context = nullptr;
    ExchangeFile *file = nullptr;
    QString error;
    QSet<QString> keys;
    bool seenRoot = false;
    bool seenLanguage = false;
    int depth = 0;
    int unitDepth = -1;      // depth of the open <trans-unit>, -1 outside one
    int targetDepth = -1;    // depth of the <target> or <source> being read, -1 when none
    QString *textOut = nullptr; // where that element's text goes
    int skipDepth = -1;      // depth of an element whose content does not count, -1 when none
    qint64 unitLine = 0;

    void refuse(const QString &why)
    {
        if (error.isEmpty())
            error = why;
        xmlStopParser(context);
    }
};

Reading *readingOf(void *data)
{
    return static_cast<Reading *>(data);
}

void startElement(void *data, const xmlChar *localName, const xmlChar *, const xmlChar *uri, int, const xmlChar **,
                  int attributeCount, int, const xmlChar **attributes)
{
    Reading &r = *readingOf(data);
    ++r.depth;
    if (!r.seenRoot) {
        r.seenRoot = true;
        const QString version = attribute(attributeCount, attributes, "version");
        const bool v12 = equals(uri, XliffNamespace) && version == u"1.2";
        const bool v11 = equals(uri, Xliff11Namespace) && version == u"1.1";
        if (!equals(localName, "xliff") || !(v12 || v11))
            r.refuse(QStringLiteral("the file is not XLIFF 1.2 or 1.1 (the versions read): its root must be "
                                    "<xliff version=\"1.2\"> in the namespace %1, or version 1.1 in %2")
                         .arg(QLatin1String(XliffNamespace), QLatin1String(Xliff11Namespace)));
        return;
    }
    if (r.skipDepth >= 0)
        return;
    if (r.targetDepth >= 0) {
        // Inline codes inside a target: <x>, <bx> and <ex> stand for their equiv-text;
        // the text inside any other (<ph>, <g>, <mrk>...) is the target's text.
        if (equals(localName, "x") || equals(localName, "bx") || equals(localName, "ex")) {
            *r.textOut += attribute(attributeCount, attributes, "equiv-text");
            r.skipDepth = r.depth;
        }
        return;
    }
    if (r.unitDepth >= 0) {
        ImportedUnit &unit = r.file->units.back();
        if (r.depth == r.unitDepth + 1 && equals(localName, "target") && !unit.hasTarget) {
            unit.hasTarget = true;
            r.targetDepth = r.depth;
            r.textOut = &unit.text;
        } else if (r.depth == r.unitDepth + 1 && equals(localName, "source") && !unit.hasSource) {
            unit.hasSource = true;
            r.targetDepth = r.depth;
            r.textOut = &unit.source;
        } else {
            r.skipDepth = r.depth; // <source>, <note>, <alt-trans> (whose targets are only suggestions)...
        }
        return;
    }
    if (equals(localName, "file")) {
        const QString language = attribute(attributeCount, attributes, "target-language");
        if (r.seenLanguage && language.compare(r.file->targetLanguage, Qt::CaseInsensitive) != 0) {
            r.refuse(QStringLiteral("the file names two target languages, \"%1\" and \"%2\"").arg(r.file->targetLanguage, language));
            return;
        }
        if (!r.seenLanguage) {
            r.file->original = attribute(attributeCount, attributes, "original");
            r.file->sourceLanguage = attribute(attributeCount, attributes, "source-language");
        }
        r.seenLanguage = true;
        r.file->targetLanguage = language;
    } else if (equals(localName, "trans-unit")) {
        ImportedUnit unit;
        unit.key = attribute(attributeCount, attributes, "resname");
        if (unit.key.isEmpty())
            unit.key = attribute(attributeCount, attributes, "id");
        r.unitLine = xmlSAX2GetLineNumber(r.context);
        r.unitDepth = r.depth;
        r.file->units.push_back(std::move(unit));
    }
}

void endElement(void *data, const xmlChar *, const xmlChar *, const xmlChar *)
{
    Reading &r = *readingOf(data);
    if (r.depth == r.skipDepth)
        r.skipDepth = -1;
    else if (r.depth == r.targetDepth)
        r.targetDepth = -1;
    else if (r.depth == r.unitDepth) {
        r.unitDepth = -1;
        const QString &key = r.file->units.back().key;
        if (!key.isEmpty()) {
            if (r.keys.contains(key)) {
                r.refuse(QStringLiteral("the file repeats the key \"%1\" (line %2)").arg(key).arg(r.unitLine));
                return;
            }
            r.keys.insert(key);
        }
    }
    --r.depth;
}

void characters(void *data, const xmlChar *chars, int length)
{
    Reading &r = *readingOf(data);
    if (r.targetDepth >= 0 && r.skipDepth < 0)
        *r.textOut += text(chars, length);
}

void documentType(void *data, const xmlChar *, const xmlChar *, const xmlChar *)
{
    readingOf(data)->refuse(
        QStringLiteral("the file holds a document type declaration, which an XLIFF file never needs; it is not read"));
}

void entityDeclaration(void *data, const xmlChar *name, int, const xmlChar *, const xmlChar *, xmlChar *)
{
    readingOf(data)->refuse(QStringLiteral("the file declares the entity \"%1\"; entities are not expanded")
                                .arg(text(name, qsizetype(std::strlen(reinterpret_cast<const char *>(name))))));
}

// The parser's own messages are taken from its last error once it stops; none goes to
// standard error.
void quiet(void *, xmlErrorPtr) {}
void quietGeneric(void *, const char *, ...) {}

} // namespace

bool readXliffFile(const QByteArray &bytes, ExchangeFile &file, QString &error)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { xmlInitParser(); });
    // The handlers of the encoding layer are the thread's own.
    xmlSetGenericErrorFunc(nullptr, quietGeneric);
    xmlSetStructuredErrorFunc(nullptr, quiet);
    if (bytes.size() > INT_MAX) {
        error = QStringLiteral("the file is too large to read");
        return false;
    }

    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = startElement;
    sax.endElementNs = endElement;
    sax.characters = characters;
    sax.ignorableWhitespace = characters;
    sax.cdataBlock = characters;
    sax.internalSubset = documentType;
    sax.externalSubset = documentType;
    sax.entityDecl = entityDeclaration;
    sax.serror = quiet;

    file.format = ExchangeFormat::Xliff;
    Reading reading;
    reading.file = &file;
    xmlParserCtxtPtr context = xmlCreatePushParserCtxt(&sax, &reading, nullptr, 0, nullptr);
    if (!context) {
        error = QStringLiteral("the XML reader could not be started");
        return false;
    }
    reading.context = context;
    // Never the network, never an entity expanded, no external document loaded.
    xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_NOXINCNODE);
    context->replaceEntities = 0;
    context->loadsubset = 0;
    xmlParseChunk(context, bytes.constData(), int(bytes.size()), 1);
    const bool wellFormed = context->wellFormed != 0;
    const xmlError *last = xmlCtxtGetLastError(context);
    if (!reading.error.isEmpty()) {
        error = reading.error;
    } else if (!wellFormed || (last && last->level >= XML_ERR_ERROR)) {
        error = QStringLiteral("the file is not well-formed XML: line %1, column %2: %3")
                    .arg(last ? last->line : 0)
                    .arg(last ? last->int2 : 0)
                    .arg(last && last->message ? QString::fromUtf8(last->message).trimmed() : QStringLiteral("unreadable"));
    } else if (!reading.seenRoot) {
        error = QStringLiteral("the file is not XLIFF 1.2 or 1.1: it holds no element");
    }
    xmlFreeParserCtxt(context);
    return error.isEmpty();
}

} // namespace Glossa
