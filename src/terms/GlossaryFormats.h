#pragma once

#include "terms/Glossary.h"

#include <QByteArray>
#include <QString>

// The glossary's files in and out:
//   TBX   read: ISO 30042 TBX v2 (<martif>) and TBX v3 TBX-Basic (<tbx>); written as
//         TBX v2 <martif>, one <termEntry> per entry, the English <langSet> first.
//         administrativeStatus (or normativeAuthorization) deprecated, superseded,
//         forbidden or obsolete -> forbidden; admitted -> admitted; else preferred.
//         "Translation needed" (a descrip) or translationNote (a termNote) "no" ->
//         do-not-translate. A document type may only name the root (it is never
//         read); a declaration inside it, an entity above all, refuses the file.
//   TSV   OmegaT's glossary: "English<TAB>translation<TAB>comment" a line, one language.
//   CSV   a header of language tags ("en", "de-DE", ...), a column each; a cell holds
//         the preferred term, then the admitted ones after "; ". "de-DE:forbidden"
//         columns the forbidden terms, and "note", "do-not-translate" and
//         "case-sensitive" (yes or empty) the rest.
//   QPH   Qt Linguist's phrase book: <QPH language="de" sourcelanguage="en">, a
//         <phrase> (source, target, definition) each; one language.
namespace Glossa {

enum class GlossaryFormat { Tbx, Tsv, Csv, Qph };

// The format a file name says by its extension (.tbx, .tsv/.txt/.utf8/.tab, .csv,
// .qph); false when it says none.
bool glossaryFormatForPath(const QString &path, GlossaryFormat &format);
QString glossaryFormatName(GlossaryFormat format);
bool glossaryFormatForName(const QString &name, GlossaryFormat &format);
// TSV and QPH hold one language: their writer needs it, and a TSV reader too.
bool glossaryFormatIsBilingual(GlossaryFormat format);

// Reads bytes as format into glossary (emptied first). language is the tag of the
// translations of a TSV file (a QPH file names its own; given, it wins). False, with
// error, when the file is refused.
bool readGlossary(const QByteArray &bytes, GlossaryFormat format, Glossary &glossary, QString &error,
                  const QString &language = {});
// The glossary as format; language chooses the translations of a TSV or QPH file.
QByteArray writeGlossary(const Glossary &glossary, GlossaryFormat format, const QString &language = {});

bool readTbx(const QByteArray &bytes, Glossary &glossary, QString &error);
QByteArray writeTbx(const Glossary &glossary);

} // namespace Glossa
