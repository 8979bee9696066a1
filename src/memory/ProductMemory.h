#pragma once

#include "checks/CheckEngine.h"
#include "memory/TranslationMemory.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace Glossa {

// A product on disk as the translation memory reads it: the master's English,
// indexed once for every language, and what one language's memory is built from
// (its values, its sibling languages', an earlier release's). Reads and never writes.
class ProductMemory
{
public:
    // False, with error(), when the product or its master cannot be read.
    bool open(const QString &productDirectory);
    QString error() const { return m_error; }
    const CheckEngine &engine() const { return m_engine; }
    std::shared_ptr<const ProductEnglish> english() const { return m_english; }

    // Present languages beside language (and beside the master) whose BCP 47 tag
    // has the same base language ("es" for es-ES and es-MX), in catalogue order.
    QStringList siblingsOf(const QString &language) const;

    // A language's values in master order; missing (when given) says which have
    // no line. A missing file: every value missing. False, with error(), when the
    // file exists but cannot be read.
    bool readColumn(const QString &language, LanguageColumn &column, std::vector<bool> *missing = nullptr);

    // The units of an earlier release (its product folder or master file) for a
    // language: the earlier English and that release's value of each key.
    std::shared_ptr<const UnitSet> readEarlier(const QString &earlier, const QString &language);

    // A language's whole memory: its values, its siblings', the earlier release
    // (empty: none) and the TMX files' units. Null, with error(), when a file
    // cannot be read.
    std::shared_ptr<const TranslationMemory> memoryFor(const QString &language, const QString &earlier,
                                                       std::vector<std::shared_ptr<const UnitSet>> tmx);

private:
    CheckEngine m_engine;
    std::shared_ptr<const ProductEnglish> m_english;
    QString m_error;
};

} // namespace Glossa
