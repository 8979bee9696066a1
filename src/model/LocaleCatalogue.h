#pragma once

#include <QString>

#include <array>

namespace Glossa {

// One language as the product knows it: its shown name (also its file's base name),
// its Windows locale code ("0x0409"), its web directory name and its BCP 47 tag ("en-US").
struct LocaleRow
{
    QString displayName;
    QString localeCode;
    QString webName;
    QString bcp47;
};

// The fixed table of every language the tool can manage. A language is known by its
// row index; the lookups compare whole strings, ordinal and case-sensitive, and give
// the empty string for an index out of range or a name that no row has.
class LocaleCatalogue
{
public:
    static constexpr int Capacity = 130;

    // The one table of the process, built on first use and never changed.
    static const LocaleCatalogue &instance();

    static int RowCount();
    // Only for 0 <= row < RowCount().
    static const LocaleRow &RowAt(int row);
    static QString DisplayNameAt(int row);
    static QString WebNameAt(int row);
    static QString DisplayNameForCode(const QString &localeCode);
    static QString WebNameForCode(const QString &localeCode);
    static QString CodeForDisplayName(const QString &displayName);
    static QString CodeForWebName(const QString &webName);
    static QString Bcp47ForDisplayName(const QString &displayName);
    // The display name of the first row whose tag equals tag, ignoring case.
    static QString DisplayNameForBcp47(const QString &tag);

    LocaleCatalogue(const LocaleCatalogue &) = delete;
    LocaleCatalogue &operator=(const LocaleCatalogue &) = delete;

private:
    LocaleCatalogue();

    // The wanted column of the first row whose compared column equals key.
    QString find(QString LocaleRow::*compared, QString LocaleRow::*wanted, const QString &key) const;

    std::array<LocaleRow, Capacity> m_rows;
    int m_rowCount = 0;
};

} // namespace Glossa
