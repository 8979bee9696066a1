#include "exchange/ProductExchange.h"

#include "model/Constants.h"
#include "model/LocaleCatalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace Glossa {

namespace {

// The language store enters the language directory; callers keep theirs.
class WorkingDirectoryKept
{
public:
    WorkingDirectoryKept() : m_saved(QDir::currentPath()) {}
    ~WorkingDirectoryKept() { QDir::setCurrent(m_saved); }
    WorkingDirectoryKept(const WorkingDirectoryKept &) = delete;
    WorkingDirectoryKept &operator=(const WorkingDirectoryKept &) = delete;

private:
    QString m_saved;
};

} // namespace

bool ProductExchange::open(const QString &productDirectory)
{
    m_error.clear();
    if (!m_engine.open(productDirectory)) {
        m_error = m_engine.error();
        return false;
    }
    WorkingDirectoryKept kept;
    m_store = LanguageStore();
    if (!m_store.Open(QDir(m_engine.productDirectory()).filePath(QStringLiteral("language")))) {
        m_error = m_store.lastError();
        return false;
    }
    return true;
}

bool ProductExchange::readValues(const QString &language, QStringList &values, std::vector<bool> &missing)
{
    const QStringList &names = m_engine.attributeNames();
    values = QStringList();
    missing.assign(size_t(names.size()), true);
    for (qsizetype i = 0; i < names.size(); ++i)
        values.append(QString());
    if (!QFileInfo::exists(m_store.filePathFor(language)))
        return true; // the index lists it but the file is missing: every attribute is
    WorkingDirectoryKept kept;
    LanguageValues held;
    RedundantKeySet redundant;
    if (!m_store.LoadLanguageFile(language, held, redundant)) {
        m_error = m_store.lastError();
        return false;
    }
    if (const QString why = m_store.lastUndecodable(); !why.isEmpty()) {
        // Its values would be whatever the bytes happen to read as.
        m_error = QStringLiteral("\"%1\" cannot be read as text (%2); nothing was read or written")
                      .arg(LanguageStore::fileNameFor(language), why);
        return false;
    }
    for (qsizetype i = 0; i < names.size(); ++i) {
        const std::optional<AttributeId> id = m_store.findAttribute(names[i]);
        if (!id)
            continue;
        const auto it = held.constFind(*id);
        if (it == held.cend())
            continue;
        values[i] = it.value();
        missing[size_t(i)] = false;
    }
    return true;
}

bool ProductExchange::exportLanguage(const QString &language, const QString &reference, ExportSelection selection,
                                     ExchangeFormat format, QByteArray &bytes, const TranslationMemory *suggestions)
{
    m_error.clear();
    const QString master = LocaleCatalogue::DisplayNameForCode(QStringLiteral("0x0409"));
    const QString source = reference.isEmpty() ? master : reference;
    QStringList values;
    std::vector<bool> missing;
    if (!readValues(language, values, missing))
        return false;
    QStringList referenceValues = m_engine.masterValues();
    if (source != master) {
        std::vector<bool> referenceMissing;
        if (!readValues(source, referenceValues, referenceMissing))
            return false;
    }

    const bool isMaster = language == master;
    QSet<QString> withFindings;
    if (selection == ExportSelection::Problems) {
        const LanguageReport report = m_engine.checkLanguage(language);
        for (const Finding &finding : report.findings)
            if (!finding.key.isEmpty())
                withFindings.insert(finding.key);
    }

    ExchangeDocument document;
    document.original = QStringLiteral("language/") + LanguageStore::fileNameFor(language);
    document.sourceLanguage = LocaleCatalogue::Bcp47ForDisplayName(source);
    document.targetLanguage = LocaleCatalogue::Bcp47ForDisplayName(language);
    const QStringList &names = m_engine.attributeNames();
    const QStringList &masterValues = m_engine.masterValues();
    document.entries.reserve(size_t(names.size()));
    for (int i = 0; i < int(names.size()); ++i) {
        const bool isMissing = missing[size_t(i)];
        if (selection == ExportSelection::Untranslated && !isMissing && !isBlankValue(values[i]))
            continue;
        if (selection == ExportSelection::Problems && !withFindings.contains(names[i]))
            continue;
        ExchangeEntry entry = makeExchangeEntry(names[i], i, values[i], isMissing, masterValues[i], language, isMaster);
        entry.reference = referenceValues[i];
        if (suggestions && format == ExchangeFormat::Xliff)
            for (const MemoryMatch &match : suggestions->suggest({masterValues[i], i, values[i], 70, 3}))
                entry.alternatives.push_back({match.score, originLabel(match), match.source, match.text});
        document.entries.push_back(std::move(entry));
    }
    bytes = writeExchange(document, format);
    return true;
}

QString ProductExchange::importLanguage(const ExchangeFile &file, const QString &nameOrCode)
{
    m_error.clear();
    m_warning.clear();
    // The file the XLIFF was exported from, when it names a language file.
    const QString original = QFileInfo(file.original).fileName();
    const bool namesLanguageFile = original.endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive);
    if (!nameOrCode.isEmpty()) {
        const QString language = m_engine.resolveLanguage(nameOrCode);
        if (language.isEmpty())
            m_error = QStringLiteral("the product has no language \"%1\"").arg(nameOrCode);
        else if (namesLanguageFile && original != LanguageStore::fileNameFor(language))
            m_warning = QStringLiteral("the file was exported from \"%1\"; it goes into \"%2\" as --language says")
                            .arg(original, LanguageStore::fileNameFor(language));
        return language;
    }
    if (file.targetLanguage.isEmpty()) {
        m_error = file.format == ExchangeFormat::Csv
            ? QStringLiteral("a CSV file names no language: give it with --language")
            : QStringLiteral("the file names no target language: give it with --language");
        return QString();
    }
    const QString language = m_engine.resolveLanguage(LocaleCatalogue::DisplayNameForBcp47(file.targetLanguage));
    if (language.isEmpty()) {
        m_error = QStringLiteral("the product has no language with the tag \"%1\"").arg(file.targetLanguage);
    } else if (namesLanguageFile && original != LanguageStore::fileNameFor(language)) {
        m_error = QStringLiteral("the file was exported from \"%1\" but names the target language \"%2\", which is "
                                 "\"%3\"; give the language with --language if it is meant for it")
                      .arg(original, file.targetLanguage, LanguageStore::fileNameFor(language));
        return QString();
    }
    return language;
}

bool ProductExchange::importTarget(const QString &language, ImportTarget &target)
{
    m_error.clear();
    target = ImportTarget();
    target.languageName = language;
    target.languageTag = LocaleCatalogue::Bcp47ForDisplayName(language);
    target.isMaster = LanguageStore::fileNameFor(language) == MasterLanguageFileName;
    target.attributeNames = m_engine.attributeNames();
    target.masterValues = m_engine.masterValues();
    std::vector<bool> missing;
    return readValues(language, target.currentValues, missing);
}

bool ProductExchange::apply(const QString &language, const ImportPlan &plan, const ImportTarget *readAs,
                            std::vector<MergeConflict> *conflicts)
{
    m_error.clear();
    m_notice.clear();
    m_written = false;
    if (plan.fileRefused) {
        m_error = plan.error;
        return false;
    }
    std::vector<std::pair<QString, QString>> writes;
    writes.reserve(plan.changes.size());
    for (const ImportChange &change : plan.changes)
        writes.emplace_back(change.key, change.newValue);
    if (readAs) {
        // Values compare as the file holds them (a missing key as an empty value), so the
        // plan's are quoted as a save writes them.
        auto asHeld = [](const QStringList &names, const QStringList &values) {
            QHash<QString, QString> held;
            held.reserve(names.size());
            for (qsizetype i = 0; i < names.size() && i < values.size(); ++i)
                held.insert(names[i], values[i]);
            return held;
        };
        QStringList now;
        std::vector<bool> missing;
        if (!readValues(language, now, missing))
            return false;
        std::vector<std::pair<QString, QString>> mine;
        mine.reserve(writes.size());
        for (const auto &[key, value] : writes)
            mine.emplace_back(key, LanguageStore::quotedForSaving(value));
        MergeOutcome outcome = mergeChanges(asHeld(readAs->attributeNames, readAs->currentValues),
                                            asHeld(m_engine.attributeNames(), now), mine);
        writes = std::move(outcome.writes);
        if (conflicts)
            *conflicts = std::move(outcome.conflicts);
    }
    LanguageValues values;
    for (const auto &[key, value] : writes) {
        const std::optional<AttributeId> id = m_store.findAttribute(key);
        if (id)
            values.insert(*id, value);
    }
    if (values.isEmpty())
        return true;
    WorkingDirectoryKept kept;
    if (!m_store.SaveLanguageFile(language, values)) {
        m_error = m_store.lastError();
        return false;
    }
    m_written = true;
    m_notice = m_store.lastNotice();
    return true;
}

} // namespace Glossa
