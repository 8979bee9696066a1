#include "TestSupport.h"

#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <csignal>
#include <unistd.h>

using namespace Glossa;
using namespace TestSupport;

// What the language files go through when the world does not hold still: other
// programs, a second Glossa Desk, full disks and directories in the way. In
// every case the old file or the new one is whole, never a mix, and a failure
// is reported.
class TestFaults : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;
    int m_serial = 0;
    std::unique_ptr<CurrentDirGuard> m_cwd;
    QString m_root;
    QString m_french;

    bool open(LanguageStore &store)
    {
        QDir::setCurrent(m_root);
        resetAttributeIdCounter();
        return store.Open(QStringLiteral("./language"));
    }
    static LanguageValues load(LanguageStore &store, const QString &name = QStringLiteral("French (France)"))
    {
        LanguageValues values;
        RedundantKeySet redundant;
        store.LoadLanguageFile(name, values, redundant);
        return values;
    }
    static AttributeId id(const LanguageStore &store, const char *name)
    {
        return *store.findAttribute(QString::fromLatin1(name));
    }

private Q_SLOTS:
    void init()
    {
        m_cwd = std::make_unique<CurrentDirGuard>();
        m_root = m_tmp.filePath(QStringLiteral("p%1").arg(++m_serial));
        QVERIFY(copyTree(demoProductDir(), m_root));
        m_french = m_root + QStringLiteral("/language/French (France).ini");
    }
    void cleanup() { m_cwd.reset(); }

    void anotherProgramRewroteTheFileMeanwhile();
    void anotherProgramDeletedTheFileMeanwhile();
    void twoGlossaDesksSaveTheSameLanguage();
    void theFileBecameADirectory();
    void theDiskFillsUpHalfWay();
    void readOnlyLanguageDirectory();
};

void TestFaults::anotherProgramRewroteTheFileMeanwhile()
{
    LanguageStore store;
    QVERIFY(open(store));
    LanguageValues shown = load(store);
    // Another program changes one value and adds a line of its own.
    ProfileFile other(m_french);
    QVERIFY(other.load());
    QVERIFY(other.setValue(TextSectionName, QStringLiteral("IDS_MENU_VIEW"), QStringLiteral("\"Vue (autre)\"")));
    QVERIFY(other.setValue(TextSectionName, QStringLiteral("IDS_EXTERNAL"), QStringLiteral("\"ajout\"")));
    QVERIFY(other.commit());

    QVERIFY(store.SaveLanguageFile(QStringLiteral("French (France)"), {{id(store, "IDS_MENU_FILE"), QStringLiteral("Fichier (moi)")}}));
    const LanguageValues after = load(store);
    QCOMPARE(after.value(id(store, "IDS_MENU_FILE")), QStringLiteral("\"Fichier (moi)\""));
    QCOMPARE(after.value(id(store, "IDS_MENU_VIEW")), QStringLiteral("\"Vue (autre)\""));
    QVERIFY(readBytes(m_french).contains(utf16le(QStringLiteral("IDS_EXTERNAL=\"ajout\""), false)));
    shown.remove(id(store, "IDS_MENU_FILE"));
    shown.remove(id(store, "IDS_MENU_VIEW"));
    for (auto it = shown.cbegin(); it != shown.cend(); ++it)
        QCOMPARE(after.value(it.key()), it.value());
}

void TestFaults::anotherProgramDeletedTheFileMeanwhile()
{
    LanguageStore store;
    QVERIFY(open(store));
    load(store);
    QVERIFY(QFile::remove(m_french));
    QVERIFY(store.SaveLanguageFile(QStringLiteral("French (France)"), {{id(store, "IDS_MENU_FILE"), QStringLiteral("Fichier")}}));
    // The file is made again, whole, with what was saved, in the master's encoding.
    QCOMPARE(readBytes(m_french), utf16le(QStringLiteral("[text]\r\nIDS_MENU_FILE=\"Fichier\"\r\n")));
}

void TestFaults::twoGlossaDesksSaveTheSameLanguage()
{
    LanguageStore first;
    LanguageStore second;
    QVERIFY(open(first));
    QVERIFY(open(second));
    load(first);
    load(second);
    QVERIFY(first.SaveLanguageFile(QStringLiteral("French (France)"), {{id(first, "IDS_MENU_FILE"), QStringLiteral("Un")}}));
    QVERIFY(second.SaveLanguageFile(QStringLiteral("French (France)"),
                                    {{id(second, "IDS_MENU_VIEW"), QStringLiteral("Deux")}, {id(second, "IDS_MENU_FILE"), QStringLiteral("Deux")}}));
    // Each save read the file afresh: the first one's other lines survive, and
    // a key both wrote holds the later value, never a mix of lines.
    const LanguageValues after = load(first);
    QCOMPARE(after.value(id(first, "IDS_MENU_FILE")), QStringLiteral("\"Deux\""));
    QCOMPARE(after.value(id(first, "IDS_MENU_VIEW")), QStringLiteral("\"Deux\""));
    ProfileFile file(m_french);
    QVERIFY(file.load());
    QCOMPARE(file.sectionEntries(TextSectionName).size(), 148);
}

void TestFaults::theFileBecameADirectory()
{
    LanguageStore store;
    QVERIFY(open(store));
    load(store);
    QVERIFY(QFile::remove(m_french));
    QVERIFY(QDir().mkpath(m_french));
    QVERIFY(!store.SaveLanguageFile(QStringLiteral("French (France)"), {{1, QStringLiteral("x")}}));
    QVERIFY(store.lastError().contains(QStringLiteral("French (France).ini")));
    QVERIFY(QFileInfo(m_french).isDir());
    QVERIFY(!store.RemoveKeys(QStringLiteral("French (France)"), {QStringLiteral("x")}));
}

void TestFaults::theDiskFillsUpHalfWay()
{
    LanguageStore store;
    QVERIFY(open(store));
    const QByteArray before = readBytes(m_french);
    // Limits below, at and above the file's size: the save either fits or
    // fails, and the file is either the old one or the new one.
    for (const qint64 limit : {qint64(512), qint64(before.size()), qint64(before.size() + 4096)}) {
        const int status = runInChild([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit r{rlim_t(limit), rlim_t(limit)};
            setrlimit(RLIMIT_FSIZE, &r);
            LanguageValues all;
            for (AttributeId a : store.attributes().keys())
                all.insert(a, QStringLiteral("Valeur enti\u00e8rement nouvelle %1").arg(a));
            return store.SaveLanguageFile(QStringLiteral("French (France)"), all) ? 0 : 1;
        });
        QVERIFY(status == 0 || status == 1);
        const QByteArray after = readBytes(m_french);
        if (status == 1) {
            QCOMPARE(after, before);
        } else {
            ProfileFile file(m_french);
            QVERIFY(file.load());
            QCOMPARE(load(store).size(), store.attributes().size());
        }
        QCOMPARE(QDir(m_root + QStringLiteral("/language")).entryList(QDir::Files | QDir::Hidden).size(), 5);
    }
}

void TestFaults::readOnlyLanguageDirectory()
{
    // Permissions stop nothing for root, so the save runs in a child that
    // has dropped to an unprivileged user first.
    LanguageStore store;
    QVERIFY(open(store));
    const QString dir = m_root + QStringLiteral("/language");
    const QByteArray before = readBytes(m_french);
    const auto readable = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const auto enterable = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    for (QString path = m_root; path.startsWith(m_tmp.path()); path = QFileInfo(path).path())
        QFile::setPermissions(path, QFile::permissions(path) | readable | enterable);
    QVERIFY(QFile::setPermissions(dir, readable | enterable));
    const int status = runInChild([&] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            return 2;
        if (store.SaveLanguageFile(QStringLiteral("French (France)"), {{1, QStringLiteral("x")}}))
            return 1;
        return store.lastError().contains(QStringLiteral("French (France).ini")) ? 0 : 3;
    });
    QFile::setPermissions(dir, readable | enterable | QFileDevice::WriteOwner);
    QCOMPARE(status, 0);
    QCOMPARE(readBytes(m_french), before);
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 5);
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
