#include "recovery/LanguageLock.h"

#include "TestSupport.h"
#include "checks/CheckEngine.h"
#include "model/SyncLanguageIndex.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Glossa;
using namespace Qt::StringLiterals;

namespace {

// Beyond any pid_max: no process has it.
constexpr qint64 GonePid = 0x7ffffff0;

QByteArray lockText(qint64 pid, const QString &host)
{
    return u"pid=%1\nhost=%2\nstarted=2026-12-01T09:30:00.000Z\n"_s.arg(pid).arg(host).toUtf8();
}

} // namespace

class TestLanguageLock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void acquire_data();
    void acquire();
    void releaseKeepsALockTakenOver();
    void readOnlyDirectoryHoldsNoLock();
    void holderIsNamed();
    void scansIgnoreLockFiles();

private:
    QTemporaryDir m_dir;
    QString m_file;
};

void TestLanguageLock::init()
{
    QVERIFY(m_dir.isValid());
    m_file = m_dir.filePath(u"German (Germany).ini"_s);
    QFile::remove(LanguageLock::lockPathFor(m_file));
}

void TestLanguageLock::acquire_data()
{
    QTest::addColumn<QByteArray>("existing"); // the lock file already there; null for none
    QTest::addColumn<int>("ageSeconds");      // how old it is
    QTest::addColumn<bool>("held");           // whether this process gets the lock
    QTest::addColumn<qint64>("holderPid");

    const QString here = QSysInfo::machineHostName();
    QTest::newRow("no lock") << QByteArray() << 0 << true << QCoreApplication::applicationPid();
    QTest::newRow("live process here") << lockText(1, here) << 0 << false << qint64(1);
    QTest::newRow("gone process here: stale") << lockText(GonePid, here) << 0 << true
                                              << QCoreApplication::applicationPid();
    QTest::newRow("other host: cannot tell") << lockText(GonePid, u"elsewhere.example"_s) << 0 << false << GonePid;
    QTest::newRow("being written") << QByteArray("") << 0 << false << qint64(0);
    QTest::newRow("unreadable and old") << QByteArray("garbage") << 3600 << true
                                        << QCoreApplication::applicationPid();
}

void TestLanguageLock::acquire()
{
    QFETCH(QByteArray, existing);
    QFETCH(int, ageSeconds);
    QFETCH(bool, held);
    QFETCH(qint64, holderPid);
    const QString path = LanguageLock::lockPathFor(m_file);
    QCOMPARE(QFileInfo(path).fileName(), u".German (Germany).ini.lock"_s);
    if (!existing.isNull()) {
        QVERIFY(TestSupport::writeBytes(path, existing));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime));
    }
    {
        LanguageLock lock;
        QCOMPARE(lock.acquire(m_file), held ? LanguageLock::State::Held : LanguageLock::State::HeldByOther);
        QCOMPARE(lock.holder().pid, holderPid);
        LockHolder onDisk;
        if (held) {
            QVERIFY(LanguageLock::readHolder(path, onDisk));
            QCOMPARE(onDisk.pid, QCoreApplication::applicationPid());
            QCOMPARE(onDisk.host, QSysInfo::machineHostName());
            QVERIFY(qAbs(onDisk.started.secsTo(QDateTime::currentDateTimeUtc())) < 3600);
            // A second lock in the same process is told it is taken.
            LanguageLock second;
            QCOMPARE(second.acquire(m_file), LanguageLock::State::HeldByOther);
        } else {
            QCOMPARE(TestSupport::readBytes(path), existing);
        }
    }
    // Released on destruction, and only when it was ours.
    QCOMPARE(QFile::exists(path), !held);
    // No leftovers beside the language file but the lock.
    const QStringList names = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(names.size(), held ? 0 : 1);
}

void TestLanguageLock::releaseKeepsALockTakenOver()
{
    LanguageLock lock;
    QCOMPARE(lock.acquire(m_file), LanguageLock::State::Held);
    const QByteArray other = lockText(1, QSysInfo::machineHostName());
    QVERIFY(TestSupport::writeBytes(lock.lockPath(), other));
    lock.release();
    QCOMPARE(TestSupport::readBytes(lock.lockPath()), other);
}

void TestLanguageLock::readOnlyDirectoryHoldsNoLock()
{
    const QString dir = m_dir.filePath(u"readonly"_s);
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    if (TestSupport::writeBytes(dir + u"/probe"_s, "x")) {
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QSKIP("this user writes into read-only directories (root)");
    }
    LanguageLock lock;
    QCOMPARE(lock.acquire(dir + u"/German (Germany).ini"_s), LanguageLock::State::Unavailable);
    QVERIFY(lock.error().contains(u"German (Germany).ini"_s));
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestLanguageLock::holderIsNamed()
{
    LockHolder holder;
    holder.pid = 4711;
    holder.host = u"desk7"_s;
    holder.started = QDateTime(QDate(2026, 12, 1), QTime(9, 30));
    QCOMPARE(LanguageLock::describeHolder(u"German (Germany)"_s, holder),
             u"German (Germany) is open in Glossa Desk on desk7 (process 4711) since 2026-12-01 09:30"_s);
}

void TestLanguageLock::scansIgnoreLockFiles()
{
    // The index synchronisation and the checks see the same product with a
    // lock beside every language file as without.
    const QString product = m_dir.filePath(u"product"_s);
    QVERIFY(TestSupport::copyTree(TestSupport::demoProductDir(), product));
    const QString language = product + u"/language"_s;
    const LanguageIndexPlan before = PlanLanguageIndexSync(product, u"/language"_s, u"/Web/LanguageInfo"_s);
    CheckEngine engine;
    QVERIFY(engine.open(product));
    const ProductReport reportBefore = engine.run({});

    for (const QString &name : QDir(language).entryList({u"*.ini"_s}, QDir::Files))
        QVERIFY(TestSupport::writeBytes(LanguageLock::lockPathFor(language + u'/' + name),
                                        lockText(1, QSysInfo::machineHostName())));
    // And one for a language the product does not have yet.
    QVERIFY(TestSupport::writeBytes(language + u"/.Italian (Italy).ini.lock"_s, lockText(1, u"h"_s)));

    const LanguageIndexPlan after = PlanLanguageIndexSync(product, u"/language"_s, u"/Web/LanguageInfo"_s);
    QCOMPARE(after.changes, before.changes);
    QCOMPARE(after.present, before.present);
    CheckEngine again;
    QVERIFY(again.open(product));
    QCOMPARE(again.presentLanguages(), engine.presentLanguages());
    const ProductReport reportAfter = again.run({});
    QCOMPARE(reportAfter.languages.size(), reportBefore.languages.size());
    QCOMPARE(reportAfter.productFindings.size(), reportBefore.productFindings.size());
    for (size_t i = 0; i < reportAfter.languages.size(); ++i)
        QCOMPARE(reportAfter.languages[i].findings.size(), reportBefore.languages[i].findings.size());
}

QTEST_GUILESS_MAIN(TestLanguageLock)
#include "tst_languagelock.moc"
