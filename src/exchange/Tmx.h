#pragma once

#include "memory/TranslationMemory.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

// TMX 1.4b, the translation memory files every translation tool reads and writes.
namespace Glossa {

struct TmxDocument
{
    QString sourceLanguage;        // BCP 47: "en-US"
    QString targetLanguage;        // "de-DE"
    QString toolVersion;           // creationtoolversion
    std::vector<TranslationPair> units; // key -> tuid; texts as written (placeholders literal)
};

// <tmx version="1.4"> with the seven header attributes, one <tu tuid="KEY"> per unit
// with a <tuv xml:lang> and its <seg> for each language; UTF-8, no document type.
// Units holding characters XML cannot carry are left out (skipped counts them).
QByteArray writeTmx(const TmxDocument &document, int *skipped = nullptr);

struct TmxReadResult
{
    std::vector<TranslationPair> units; // the units that have both languages, in file order
    int otherLanguages = 0;             // units skipped: they lack the source or the target language
};

// Reads the units of a TMX file for one pair of languages (BCP 47 tags). A tuv's
// language is its xml:lang (or TMX 1.1's lang), in any letter case, "_" or "-"; a
// language alone serves every region of it ("de" serves "de-DE"). The source is the
// tuv of sourceTag whatever srclang the header or the tu names ("*all*" among them):
// every tuv of a tu translates the others. The text
// of inline elements (<ph>, <bpt>, <ept>, <it>, <ut>, <hi>) is read as the literal
// text it stands for. False, with a message for the user and nothing kept, when the
// file is not well-formed, holds a document type or entity declaration (nothing is
// expanded, nothing fetched) or is not TMX.
bool readTmxFile(const QByteArray &bytes, const QString &sourceTag, const QString &targetTag, TmxReadResult &result,
                 QString &error);

// A TMX file read from disk as a memory of one language: its units from sourceTag to
// targetTag. Null, with a message naming the file, when it cannot be read or is refused.
std::shared_ptr<const UnitSet> loadTmxMemory(const QString &path, const QString &sourceTag, const QString &targetTag,
                                             QString &error, int *otherLanguages = nullptr);

} // namespace Glossa
