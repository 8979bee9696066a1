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

// What every reader shares: its parser, so that a callback can stop it, and the
// reason it stopped. A reader's own state derives from it.
struct RefusingReader
{
    xmlParserCtxtPtr context = nullptr;
    QString error;
    // The kind of file read, as a refusal names it: "a TMX file".
    QString fileKind;
    // A document type that only names the root (and perhaps a DTD, never loaded) is
    // let pass, as the formats whose writers always add one need: a phrase book's
    // "<!DOCTYPE QPH>". A declaration inside it is refused all the same.
    bool namedDocumentTypeAllowed = false;

    // Keeps the first reason and stops the parser.
    void refuse(const QString &why);
};

// The reader a callback's data points to: parse hands the RefusingReader on.
template<typename Reader>
Reader &readerOf(void *data)
{
    return static_cast<Reader &>(*static_cast<RefusingReader *>(data));
}

// A handler with nothing but the refusals set: a document type (internal or external
// subset; see namedDocumentTypeAllowed) and any declaration inside one, an entity's
// above all, stop the parse with the reader's message. The caller adds its element
// and text callbacks.
xmlSAXHandler refusingHandler();

// Parses bytes with handler (made by refusingHandler) for reader; reader.context is
// set before the first callback. Empty when the parser read the whole file and no
// callback refused it, else the first reason: the reader's refusal, or the parser's
// own "the file is not well-formed XML: line L, column C: ...".
QString parse(const QByteArray &bytes, xmlSAXHandler &handler, RefusingReader &reader);
// The same read from device a piece at a time, so that the file is never held whole;
// "the file cannot be read: ..." when the device fails.
QString parse(QIODevice &device, xmlSAXHandler &handler, RefusingReader &reader);

} // namespace Glossa::Sax
