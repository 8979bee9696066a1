#include "exchange/SaxReading.h"

#include <QStringDecoder>

#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/valid.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>

namespace Glossa::Sax {

namespace {

// The parser's own messages are taken from its last error once it stops; none goes to
// standard error.
void quiet(void *, xmlErrorPtr) {}
void quietGeneric(void *, const char *, ...) {}

void documentType(void *data, const xmlChar *, const xmlChar *, const xmlChar *)
{
    RefusingReader &reader = readerOf<RefusingReader>(data);
    if (reader.namedDocumentTypeAllowed)
        return;
    reader.refuse(QStringLiteral("the file holds a document type declaration, which %1 never needs; it is not read")
                      .arg(reader.fileKind));
}

void entityDeclaration(void *data, const xmlChar *name, int, const xmlChar *, const xmlChar *, xmlChar *)
{
    readerOf<RefusingReader>(data).refuse(
        QStringLiteral("the file declares the entity \"%1\"; entities are not expanded").arg(text(name)));
}

void refuseDeclaration(void *data, const xmlChar *name)
{
    readerOf<RefusingReader>(data).refuse(
        QStringLiteral("the file's document type declares \"%1\"; declarations are not read").arg(text(name)));
}

void elementDeclaration(void *data, const xmlChar *name, int, xmlElementContentPtr)
{
    refuseDeclaration(data, name);
}

void attributeDeclaration(void *data, const xmlChar *, const xmlChar *name, int, int, const xmlChar *,
                          xmlEnumerationPtr values)
{
    xmlFreeEnumeration(values); // the handler owns the list
    refuseDeclaration(data, name);
}

void notationDeclaration(void *data, const xmlChar *name, const xmlChar *, const xmlChar *)
{
    refuseDeclaration(data, name);
}

void unparsedEntityDeclaration(void *data, const xmlChar *name, const xmlChar *, const xmlChar *, const xmlChar *)
{
    entityDeclaration(data, name, 0, nullptr, nullptr, nullptr);
}

} // namespace

void RefusingReader::refuse(const QString &why)
{
    if (error.isEmpty())
        error = why;
    xmlStopParser(context);
}

xmlSAXHandler refusingHandler()
{
    xmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    handler.internalSubset = documentType;
    handler.externalSubset = documentType;
    handler.entityDecl = entityDeclaration;
    handler.unparsedEntityDecl = unparsedEntityDeclaration;
    handler.elementDecl = elementDeclaration;
    handler.attributeDecl = attributeDeclaration;
    handler.notationDecl = notationDeclaration;
    return handler;
}

QString text(const xmlChar *start, qsizetype length)
{
    const char *bytes = reinterpret_cast<const char *>(start);
    if (length < 3 || std::memcmp(bytes, "\xEF\xBB\xBF", 3) != 0)
        return QString::fromUtf8(bytes, length);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(reinterpret_cast<const char *>(start), length));
}

QString attribute(int count, const xmlChar **attributes, const char *name, const char *prefix)
{
    for (int i = 0; i < count; ++i) {
        const xmlChar **a = attributes + 5 * i;
        if ((prefix ? equals(a[1], prefix) : !a[1]) && equals(a[0], name)) {
            // Without entity replacement the reader hands every "&" of a value on as "&#38;",
            // and that is the only reference left in it.
            QString value = text(a[3], a[4]);
            value.replace(QLatin1String("&#38;"), QLatin1String("&"));
            return value;
        }
    }
    return {};
}

namespace {

// Feeds the parser what next() gives (false: no more) and says how it went.
template<typename Next>
QString parsePieces(xmlSAXHandler &handler, RefusingReader &reader, Next next)
{
    xmlParserCtxtPtr &context = reader.context;
    void *data = &reader;
    static std::once_flag initialised;
    std::call_once(initialised, [] { xmlInitParser(); });
    // The handlers of the encoding layer are the thread's own.
    xmlSetGenericErrorFunc(nullptr, quietGeneric);
    xmlSetStructuredErrorFunc(nullptr, quiet);
    handler.initialized = XML_SAX2_MAGIC;
    handler.serror = quiet;
    context = xmlCreatePushParserCtxt(&handler, data, nullptr, 0, nullptr);
    if (!context)
        return QStringLiteral("the XML reader could not be started");
    // Never the network, never an entity expanded, no external document loaded.
    xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_NOXINCNODE);
    context->replaceEntities = 0;
    context->loadsubset = 0;
    QString failure;
    QByteArrayView piece;
    bool last = false;
    do {
        last = !next(piece, failure);
        if (!failure.isEmpty())
            break;
        if (xmlParseChunk(context, piece.data(), int(piece.size()), last ? 1 : 0) != 0 && !context->wellFormed)
            break;
        if (context->instate == XML_PARSER_EOF)
            break;
    } while (!last);
    const bool wellFormed = context->wellFormed != 0;
    const xmlError *error = xmlCtxtGetLastError(context);
    QString message = failure;
    if (message.isEmpty() && (!wellFormed || (error && error->level >= XML_ERR_ERROR)))
        message = QStringLiteral("the file is not well-formed XML: line %1, column %2: %3")
                      .arg(error ? error->line : 0)
                      .arg(error ? error->int2 : 0)
                      .arg(error && error->message ? QString::fromUtf8(error->message).trimmed() : QStringLiteral("unreadable"));
    xmlFreeParserCtxt(context);
    context = nullptr;
    return reader.error.isEmpty() ? message : reader.error;
}

// In pieces: libxml2 refuses to look ahead through one chunk of many megabytes, and
// its limits on a single text stay in force.
constexpr qsizetype Piece = 1 << 20;

} // namespace

QString parse(const QByteArray &bytes, xmlSAXHandler &handler, RefusingReader &reader)
{
    if (bytes.size() > INT_MAX)
        return QStringLiteral("the file is too large to read");
    qsizetype at = 0;
    // Gives the next piece; false with the last one.
    return parsePieces(handler, reader, [&](QByteArrayView &piece, QString &) {
        const qsizetype length = std::min(Piece, bytes.size() - at);
        piece = QByteArrayView(bytes.constData() + at, length);
        at += length;
        return at < bytes.size();
    });
}

QString parse(QIODevice &device, xmlSAXHandler &handler, RefusingReader &reader)
{
    QByteArray buffer(Piece, Qt::Uninitialized);
    return parsePieces(handler, reader, [&](QByteArrayView &piece, QString &failure) {
        const qint64 length = device.read(buffer.data(), Piece);
        if (length < 0) {
            failure = QStringLiteral("the file cannot be read: %1").arg(device.errorString());
            piece = QByteArrayView();
            return false;
        }
        piece = QByteArrayView(buffer.constData(), length);
        // A short read is the end of a file; the next read says so for other devices.
        return length > 0;
    });
}

} // namespace Glossa::Sax
