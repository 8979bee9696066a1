#pragma once

#include <QString>
#include <QStringList>

// A product installation made up for the benchmarks: a master file of n
// attributes (about 50 bytes a line, so 20,000 attributes make about 1 MB in
// UTF-16) and any number of translated languages, in language/ and
// Web/LanguageInfo/ below root.
namespace Bench {

struct SyntheticProduct
{
    QString root;
    QString languageDir;
    QString webDir;
    QStringList attributes;
};

// The attribute names and the English texts, with placeholders in about one value in four.
QString attributeName(int i);
QString englishValue(int i);
QString translatedValue(int i, int language);

// Writes the master file, a translated file for each catalogue row in
// languageRows (display name from the locale catalogue), an index that lists
// indexedRows, and a web directory for each row in webRows.
SyntheticProduct makeProduct(const QString &root, int attributeCount, const QList<int> &languageRows,
                             const QList<int> &indexedRows, const QList<int> &webRows);

// Writes one language file of the product in UTF-16LE with CRLF.
void writeLanguageFile(const SyntheticProduct &product, const QString &displayName, int language);

// A product half-way through translation: as makeProduct, but in every
// translated language one value in ten is blank and one in eight of the rest
// gets a placeholder the English lacks, at random (the same each time), so
// that each language has about 4,300 findings.
SyntheticProduct makeFaultyProduct(const QString &root, int attributeCount);

} // namespace Bench
