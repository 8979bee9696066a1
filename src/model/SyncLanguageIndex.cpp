#include "model/SyncLanguageIndex.h"

#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "platform/Notifier.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <algorithm>
#include <map>
#include <set>

namespace Glossa {

namespace {

// Ordinal order, as every name of the language data is compared.
using NameSet = std::set<QString>;

const QString LanguagesSection = QStringLiteral("languages");
const QString WebLanguagesSection = QStringLiteral("xmllanguages");

QString indexFailureText()
{
    return LanguageIndexFileName + QStringLiteral("\n Download data fails, make sure the file can read and write.");
}

// New index entries are appended in the order the entries are found; name
// order makes that the same on every machine.
QStringList listedInNameOrder(QStringList names)
{
    std::sort(names.begin(), names.end());
    return names;
}

// The index must be readable and writable before anything else is done; a
// missing one is created empty by the same open, and nothing at all is
// created when the open fails.
bool openIndexForReadingAndWriting(const QString &path)
{
    if (QFileInfo(path).isDir())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadWrite);
}

// One run of the synchronisation: the index held as one document, so that all
// its writes reach the disk in one rewrite, the four working sets, and what
// went wrong on the way.
class Synchronisation
{
public:
    // Without a store the run is a dry run: it writes nothing and records in
    // plan what it would write and create.
    Synchronisation(LanguageStore *store, const QString &indexPath, QStringList *plan = nullptr)
        : m_store(store)
        , m_index(indexPath)
        , m_plan(plan)
    {
        if (store)
            m_index.setNewFileFormat(store->newFileFormat());
    }

    bool loadIndex()
    {
        if (!m_index.load())
            return false;
        m_languages = m_index.sectionEntries(LanguagesSection);
        m_webLanguages = m_index.sectionEntries(WebLanguagesSection);
        // The first line of a key is the one a write replaces.
        for (const ProfileEntry &entry : std::as_const(m_languages))
            if (!m_languageValues.contains(entry.key))
                m_languageValues.insert(entry.key, entry.value);
        for (const ProfileEntry &entry : std::as_const(m_webLanguages))
            if (!m_webValues.contains(entry.key))
                m_webValues.insert(entry.key, entry.value);
        return true;
    }

    QString indexError() const { return m_index.error(); }

    void run(const QString &languagePath, const QString &webPath);
    void fill(PresentLanguageSet &present) const;
    void report(Notifier &notifier) const;

private:
    void readIndex();
    void indexLanguageFiles(const QString &languagePath);
    void indexWebDirectories(const QString &webPath);
    void commitIndex();
    void createMissingFiles();

    void write(const QString &section, const QString &code, const QString &value, const QString &why);
    void fail(const QString &language, const QString &reason);
    void addNotice(const QString &notice);

    bool dryRun() const { return m_store == nullptr; }

    LanguageStore *m_store;
    ProfileFile m_index;
    QStringList *m_plan;
    QList<ProfileEntry> m_languages;
    QList<ProfileEntry> m_webLanguages;
    QHash<QString, QString> m_languageValues; // what the index holds now, by code
    QHash<QString, QString> m_webValues;

    NameSet m_indexedCodes;
    NameSet m_codesWithoutWebEntry;
    NameSet m_expectedFileNames;
    NameSet m_expectedWebNames;

    NameSet m_uncommittedCodes;                 // written to the document, not yet to the disk
    QHash<QString, QString> m_fileReasons;      // display name -> why a file is expected, where not the index
    std::map<QString, QStringList> m_failures;  // language -> why it is not in line
    QStringList m_notices;
};

void Synchronisation::write(const QString &section, const QString &code, const QString &value, const QString &why)
{
    QHash<QString, QString> &values = section == LanguagesSection ? m_languageValues : m_webValues;
    const auto it = values.constFind(code);
    if (it != values.cend() && it.value() == value)
        return; // already so: the line stays as it is
    if (dryRun()) {
        if (m_plan)
            m_plan->append(QStringLiteral("%1 would get \"%2=%3\" under [%4], since %5")
                               .arg(LanguageIndexFileName, code, value, section, why));
        values.insert(code, value);
        return;
    }
    if (!m_index.setValue(section, code, value)) {
        fail(code, m_index.error());
        return;
    }
    values.insert(code, value);
    m_uncommittedCodes.insert(code);
}

void Synchronisation::fail(const QString &language, const QString &reason)
{
    // Reported by display name where the catalogue knows the code.
    const QString name = LocaleCatalogue::DisplayNameForCode(language);
    QStringList &reasons = m_failures[name.isEmpty() ? language : name];
    const QString why = reason.isEmpty() ? QStringLiteral("the reason is unknown.") : reason;
    if (!reasons.contains(why))
        reasons.append(why);
}

void Synchronisation::addNotice(const QString &notice)
{
    if (!notice.isEmpty() && !m_notices.contains(notice))
        m_notices.append(notice);
}

void Synchronisation::readIndex()
{
    for (const ProfileEntry &entry : std::as_const(m_languages))
        m_indexedCodes.insert(entry.key);
    m_codesWithoutWebEntry = m_indexedCodes;

    for (const ProfileEntry &entry : std::as_const(m_webLanguages)) {
        const QString &code = entry.key;
        if (m_codesWithoutWebEntry.erase(code) > 0)
            continue;
        // Listed for the web only (or listed there twice): it needs its "languages" entry.
        m_indexedCodes.insert(code);
        const QString displayName = LocaleCatalogue::DisplayNameForCode(code);
        if (!displayName.isEmpty())
            write(LanguagesSection, code, displayName,
                  QStringLiteral("the index lists the language under [%1] only").arg(WebLanguagesSection));
    }

    for (const QString &code : m_codesWithoutWebEntry) {
        const QString webName = LocaleCatalogue::WebNameForCode(code);
        if (!webName.isEmpty())
            write(WebLanguagesSection, code, webName,
                  QStringLiteral("the index lists the language under [%1] only").arg(LanguagesSection));
    }
}

void Synchronisation::indexLanguageFiles(const QString &languagePath)
{
    for (const QString &code : m_indexedCodes) {
        const QString displayName = LocaleCatalogue::DisplayNameForCode(code);
        if (!displayName.isEmpty())
            m_expectedFileNames.insert(displayName);
    }

    if (!dryRun())
        QDir::setCurrent(languagePath);
    // File names are case-sensitive here: "english (united states).ini" is not
    // English's file, and a directory is nobody's file.
    const QStringList files = listedInNameOrder(QDir(languagePath).entryList(
        {QStringLiteral("*.ini")}, QDir::Files | QDir::Hidden | QDir::CaseSensitive, QDir::Unsorted));
    for (const QString &file : files) {
        const QString displayName = file.left(file.lastIndexOf(u'.'));
        if (m_expectedFileNames.erase(displayName) > 0)
            continue;
        const QString code = LocaleCatalogue::CodeForDisplayName(displayName);
        if (code.isEmpty())
            continue; // not a language file, LanguageIndex.ini among them
        const QString why = QStringLiteral("the file \"%1\" is there but the index does not list its language").arg(file);
        write(LanguagesSection, code, displayName, why);
        write(WebLanguagesSection, code, LocaleCatalogue::WebNameForCode(code), why);
        m_indexedCodes.insert(code);
    }
}

void Synchronisation::indexWebDirectories(const QString &webPath)
{
    for (const QString &code : m_indexedCodes) {
        const QString webName = LocaleCatalogue::WebNameForCode(code);
        if (!webName.isEmpty())
            m_expectedWebNames.insert(webName);
    }

    if (dryRun() ? !QFileInfo(webPath).isDir() : !QDir::setCurrent(webPath))
        return;
    const QStringList directories =
        listedInNameOrder(QDir(webPath).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted));
    for (const QString &name : directories) {
        if (name.contains(u'.'))
            continue; // "backup.old" is no language
        if (m_expectedWebNames.erase(name) > 0)
            continue;
        const QString code = LocaleCatalogue::CodeForWebName(name);
        if (code.isEmpty())
            continue;
        const QString displayName = LocaleCatalogue::DisplayNameForCode(code);
        const QString why = QStringLiteral("the web directory \"%1\" is there but the index does not list its language").arg(name);
        write(WebLanguagesSection, code, name, why);
        write(LanguagesSection, code, displayName, why);
        m_indexedCodes.insert(code);
        if (m_expectedFileNames.insert(displayName).second)
            m_fileReasons.insert(displayName, QStringLiteral("its web directory \"%1\" is there").arg(name));
    }
}

void Synchronisation::commitIndex()
{
    if (dryRun())
        return;
    if (!m_index.commit()) {
        for (const QString &code : m_uncommittedCodes)
            fail(code, m_index.error());
    } else {
        addNotice(m_index.notice());
    }
    m_uncommittedCodes.clear();
}

void Synchronisation::createMissingFiles()
{
    // CreateLanguageFile reads the index afresh, so the index is on disk by now.
    for (const QString &displayName : m_expectedFileNames) {
        if (dryRun()) {
            if (m_plan)
                m_plan->append(QStringLiteral("\"%1\" would be created with every attribute blank, since %2 but the "
                                              "language has no file")
                                   .arg(LanguageStore::fileNameFor(displayName),
                                        m_fileReasons.value(displayName, QStringLiteral("the index lists it"))));
            continue;
        }
        if (!m_store->CreateLanguageFile(displayName))
            fail(displayName, m_store->lastError());
        addNotice(m_store->lastNotice());
    }
}

void Synchronisation::run(const QString &languagePath, const QString &webPath)
{
    readIndex();
    indexLanguageFiles(languagePath);
    indexWebDirectories(webPath);
    commitIndex();
    createMissingFiles();
}

void Synchronisation::fill(PresentLanguageSet &present) const
{
    const int rows = LocaleCatalogue::RowCount();
    for (const QString &code : m_indexedCodes) {
        for (int row = 0; row < rows; ++row) {
            if (LocaleCatalogue::RowAt(row).localeCode == code) {
                present.insert(row);
                break;
            }
        }
    }
}

void Synchronisation::report(Notifier &notifier) const
{
    // One message after the whole run, rather than one per language at start-up.
    if (!m_failures.empty()) {
        QString text = QStringLiteral("These languages could not be brought into line with the language index:\n");
        for (const auto &[language, reasons] : m_failures)
            text += u'\n' + language + QStringLiteral(": ") + reasons.join(u' ');
        if (!m_notices.isEmpty())
            text += QStringLiteral("\n\n") + m_notices.join(u'\n');
        notifier.notify(Severity::Warning, ProgramName, text);
    } else if (!m_notices.isEmpty()) {
        notifier.notify(Severity::Information, ProgramName, m_notices.join(u'\n'));
    }
}

} // namespace

void SyncLanguageIndex(const QString &startupDirectory, LanguageStore &store, const QString &languageDirName,
                       const QString &webDirName, PresentLanguageSet &present, Notifier &notifier)
{
    QDir::setCurrent(startupDirectory);
    present.clear();

    const QString languagePath = startupDirectory + languageDirName;
    const QString indexPath = languagePath + u'/' + LanguageIndexFileName;
    if (!openIndexForReadingAndWriting(indexPath)) {
        notifier.notify(Severity::Error, ProgramName, indexFailureText());
        return;
    }
    Synchronisation sync(&store, indexPath);
    if (!sync.loadIndex()) {
        notifier.notify(Severity::Error, ProgramName, indexFailureText() + QStringLiteral("\n\n") + sync.indexError());
        return;
    }
    sync.run(languagePath, startupDirectory + webDirName);
    sync.fill(present);
    sync.report(notifier);
}

LanguageIndexPlan PlanLanguageIndexSync(const QString &startupDirectory, const QString &languageDirName,
                                        const QString &webDirName)
{
    LanguageIndexPlan plan;
    const QString languagePath = startupDirectory + languageDirName;
    const QString indexPath = languagePath + u'/' + LanguageIndexFileName;
    const QFileInfo index(indexPath);
    if (index.isDir() || (index.exists() && !index.isReadable())) {
        plan.error = QStringLiteral("%1 cannot be read: the program cannot start on this product.").arg(LanguageIndexFileName);
        return plan;
    }
    Synchronisation sync(nullptr, indexPath, &plan.changes);
    if (!sync.loadIndex()) {
        plan.error = sync.indexError();
        return plan;
    }
    if (!index.exists())
        plan.changes.append(QStringLiteral("%1 would be created").arg(LanguageIndexFileName));
    sync.run(languagePath, startupDirectory + webDirName);
    sync.fill(plan.present);
    plan.readable = true;
    return plan;
}

} // namespace Glossa
