#include "memory/ProductMemory.h"

#include "checks/ReleaseComparison.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"

#include <QDir>
#include <QHash>

#include <algorithm>

namespace Glossa {

namespace {

QString baseLanguage(const QString &displayName)
{
    return LocaleCatalogue::Bcp47ForDisplayName(displayName).section(u'-', 0, 0).toLower();
}

} // namespace

bool ProductMemory::open(const QString &productDirectory)
{
    m_error.clear();
    if (!m_engine.open(productDirectory)) {
        m_error = m_engine.error();
        return false;
    }
    m_english = std::make_shared<const ProductEnglish>(m_engine.attributeNames(), m_engine.masterValues());
    return true;
}

QStringList ProductMemory::siblingsOf(const QString &language) const
{
    const QString base = baseLanguage(language);
    const QString master = MasterLanguageFileName.chopped(4);
    QStringList siblings;
    if (base.isEmpty())
        return siblings;
    for (const QString &other : m_engine.presentLanguages())
        if (other != language && other != master && baseLanguage(other) == base)
            siblings.append(other);
    return siblings;
}

bool ProductMemory::readColumn(const QString &language, LanguageColumn &column, std::vector<bool> *missing)
{
    column = LanguageColumn();
    column.name = language;
    column.file = QStringLiteral("language/") + LanguageStore::fileNameFor(language);
    const QString path = QDir(m_engine.productDirectory()).filePath(column.file);
    QHash<QString, QString> held;
    QString why;
    if (!readLanguageValues(path, &held, &why)) {
        m_error = why;
        return false;
    }
    const QStringList &names = m_engine.attributeNames();
    column.values.reserve(names.size());
    if (missing)
        missing->assign(size_t(names.size()), true);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const auto found = held.constFind(names[i]);
        if (found == held.cend()) {
            column.values.append(QString());
            continue;
        }
        column.values.append(found.value());
        if (missing)
            (*missing)[size_t(i)] = false;
    }
    return true;
}

std::shared_ptr<const UnitSet> ProductMemory::readEarlier(const QString &earlier, const QString &language)
{
    ReleaseComparison comparison;
    if (!comparison.compare(earlier, m_engine.productDirectory())) {
        m_error = comparison.error();
        return {};
    }
    QHash<QString, QString> english;
    QString why;
    if (!readLanguageValues(comparison.earlierMaster(), &english, &why)) {
        m_error = why;
        return {};
    }
    QHash<QString, QString> values;
    if (!comparison.earlierLanguageDirectory().isEmpty()
        && !readLanguageValues(QDir(comparison.earlierLanguageDirectory()).filePath(LanguageStore::fileNameFor(language)),
                               &values, &why)) {
        m_error = why;
        return {};
    }
    QStringList keys = english.keys();
    std::sort(keys.begin(), keys.end());
    std::vector<TranslationPair> pairs;
    pairs.reserve(size_t(keys.size()));
    for (const QString &key : keys) {
        const auto value = values.constFind(key);
        if (value != values.cend())
            pairs.push_back({key, valueText(english.value(key)).toString(), valueText(value.value()).toString()});
    }
    return std::make_shared<const UnitSet>(MatchOrigin::Earlier, earlier, std::move(pairs));
}

std::shared_ptr<const TranslationMemory> ProductMemory::memoryFor(const QString &language, const QString &earlier,
                                                                  std::vector<std::shared_ptr<const UnitSet>> tmx)
{
    m_error.clear();
    LanguageColumn own;
    if (!readColumn(language, own))
        return {};
    std::vector<LanguageColumn> siblings;
    for (const QString &sibling : siblingsOf(language)) {
        LanguageColumn column;
        if (!readColumn(sibling, column))
            return {};
        siblings.push_back(std::move(column));
    }
    std::shared_ptr<const UnitSet> release;
    if (!earlier.isEmpty()) {
        release = readEarlier(earlier, language);
        if (!release)
            return {};
    }
    return std::make_shared<const TranslationMemory>(m_english, std::move(own), std::move(siblings), std::move(release),
                                                     std::move(tmx));
}

} // namespace Glossa
