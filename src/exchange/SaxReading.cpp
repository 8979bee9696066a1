#include "exchange/SaxReading.h"

#include <QStringDecoder>

#include <libxml/parserInternals.h>
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

} // namespace

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

QString parse(const QByteArray &bytes, xmlSAXHandler &handler, void *data, xmlParserCtxtPtr &context)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { xmlInitParser(); });
    // The handlers of the encoding layer are the thread's own.
    xmlSetGenericErrorFunc(nullptr, quietGeneric);
    xmlSetStructuredErrorFunc(nullptr, quiet);
    if (bytes.size() > INT_MAX)
        return QStringLiteral("the file is too large to read");
    handler.initialized = XML_SAX2_MAGIC;
    handler.serror = quiet;
    context = xmlCreatePushParserCtxt(&handler, data, nullptr, 0, nullptr);
    if (!context)
        return QStringLiteral("the XML reader could not be started");
    // Never the network, never an entity expanded, no external document loaded.
    xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_NOXINCNODE);
    context->replaceEntities = 0;
    context->loadsubset = 0;
    // In pieces: libxml2 refuses to look ahead through one chunk of many megabytes, and
    // its limits on a single text stay in force.
    constexpr qsizetype Piece = 1 << 20;
    qsizetype at = 0;
    do {
        const qsizetype length = std::min(Piece, bytes.size() - at);
        const bool last = at + length >= bytes.size();
        if (xmlParseChunk(context, bytes.constData() + at, int(length), last ? 1 : 0) != 0 && !context->wellFormed)
            break;
        if (context->instate == XML_PARSER_EOF)
            break;
        at += length;
    } while (at < bytes.size());
    const bool wellFormed = context->wellFormed != 0;
    const xmlError *last = xmlCtxtGetLastError(context);
    QString message;
    if (!wellFormed || (last && last->level >= XML_ERR_ERROR))
        message = QStringLiteral("the file is not well-formed XML: line %1, column %2: %3")
                      .arg(last ? last->line : 0)
                      .arg(last ? last->int2 : 0)
                      .arg(last && last->message ? QString::fromUtf8(last->message).trimmed() : QStringLiteral("unreadable"));
    xmlFreeParserCtxt(context);
    context = nullptr;
    return message;
}

} // namespace Glossa::Sax
