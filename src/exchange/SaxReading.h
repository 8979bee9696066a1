#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <libxml/parser.h>

#include <cstring>

// What the exchange readers share of libxml2's SAX reader: its text as QString and a
// parse that never loads a document type, an external entity or anything from the network.
namespace Glossa::Sax {

inline bool equals(const xmlChar *a, const char *b)
{
    return a && std::strcmp(reinterpret_cast<const char *>(a), b) == 0;
}

// The reader hands text on as UTF-8. A U+FEFF that starts a piece of text is text
// too: QString::fromUtf8 would drop it as a byte-order mark.
QString text(const xmlChar *start, qsizetype length);
inline QString text(const xmlChar *start, const xmlChar *end)
{
    return text(start, end - start);
}
inline QString text(const xmlChar *zeroTerminated)
{
    return zeroTerminated ? text(zeroTerminated, qsizetype(std::strlen(reinterpret_cast<const char *>(zeroTerminated))))
                          : QString();
}

// The value of an attribute as SAX2 hands them (five pointers each: local name,
// prefix, namespace, value start, value end) with the given prefix (nullptr: none).
QString attribute(int count, const xmlChar **attributes, const char *name, const char *prefix = nullptr);

// Parses bytes with handler, whose callbacks refuse a document type and entity
// declarations themselves; context is set before the first callback so that they
// can stop the parser. Empty when the parser read the whole file, else its own
// message: "the file is not well-formed XML: line L, column C: ...".
QString parse(const QByteArray &bytes, xmlSAXHandler &handler, void *data, xmlParserCtxtPtr &context);
// The same read from device a piece at a time, so that the file is never held whole;
// "the file cannot be read: ..." when the device fails.
QString parse(QIODevice &device, xmlSAXHandler &handler, void *data, xmlParserCtxtPtr &context);

} // namespace Glossa::Sax
