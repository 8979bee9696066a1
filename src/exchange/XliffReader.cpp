#include "exchange/XliffReader.h"

#include "exchange/SaxReading.h"

#include <QSet>

namespace Glossa {

namespace {

constexpr char XliffNamespace[] = "urn:oasis:names:tc:xliff:document:1.2";
// XLIFF 1.1 (what po2xliff and older tools write) has the same elements we read.
constexpr char Xliff11Namespace[] = "urn:oasis:names:tc:xliff:document:1.1";

using Sax::attribute;
using Sax::equals;
using Sax::text;

// What the parser's callbacks build, and where they are in the document.
struct Reading : Sax::RefusingReader
{
    ExchangeFile *file = nullptr;
    QSet<QString> keys;
    bool seenRoot = false;
    bool seenLanguage = false;
    int depth = 0;
    int unitDepth = -1;      // depth of the open <trans-unit>, -1 outside one
    int targetDepth = -1;    // depth of the <target> or <source> being read, -1 when none
    QString *textOut = nullptr; // where that element's text goes
    int skipDepth = -1;      // depth of an element whose content does not count, -1 when none
    qint64 unitLine = 0;
};

Reading *readingOf(void *data)
{
    return &Sax::readerOf<Reading>(data);
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

} // namespace

bool readXliffFile(const QByteArray &bytes, ExchangeFile &file, QString &error)
{
    xmlSAXHandler sax = Sax::refusingHandler();
    sax.startElementNs = startElement;
    sax.endElementNs = endElement;
    sax.characters = characters;
    sax.ignorableWhitespace = characters;
    sax.cdataBlock = characters;

    file.format = ExchangeFormat::Xliff;
    Reading reading;
    reading.fileKind = QStringLiteral("an XLIFF file");
    reading.file = &file;
    const QString parsed = Sax::parse(bytes, sax, reading);
    if (!reading.error.isEmpty())
        error = reading.error;
    else if (!parsed.isEmpty())
        error = parsed;
    else if (!reading.seenRoot)
        error = QStringLiteral("the file is not XLIFF 1.2 or 1.1: it holds no element");
    return error.isEmpty();
}

} // namespace Glossa
