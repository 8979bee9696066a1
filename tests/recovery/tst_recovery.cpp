#include "recovery/LanguageFileWatcher.h"
#include "recovery/Recovery.h"

#include "TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Glossa;
using namespace Qt::StringLiterals;

class TestRecovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void plan_data();
    void plan();
    void watcherSeesEveryKindOfWrite_data();
    void watcherSeesEveryKindOfWrite();
    void watcherIgnoresTouchesAndOwnSaves();

private:
    QTemporaryDir m_dir;
    QString m_file;
};

void TestRecovery::init()
{
    QVERIFY(m_dir.isValid());
    m_file = m_dir.filePath(u"German (Germany).ini"_s);
    QVERIFY(TestSupport::writeBytes(m_file, "[text]\nA=\"a\"\nB=\"b\"\nC=\"c\"\n"));
}

void TestRecovery::plan_data()
{
    // The journal: A applied "A1", B applied "B1", C applied then undone.
    // The disk: the file as it is at restore time.
    QTest::addColumn<bool>("fileChanged");
    QTest::addColumn<QString>("diskA");
    QTest::addColumn<QString>("diskB");
    QTest::addColumn<QStringList>("restored");  // keys restored without asking
    QTest::addColumn<QStringList>("conflicts");
    QTest::newRow("file as journaled") << false << u"\"a\""_s << u"\"b\""_s << QStringList{u"A"_s, u"B"_s} << QStringList{};
    QTest::newRow("other key changed on disk") << true << u"\"a\""_s << u"\"b\""_s << QStringList{u"A"_s, u"B"_s}
                                               << QStringList{};
    QTest::newRow("A changed on disk") << true << u"\"a2\""_s << u"\"b\""_s << QStringList{u"B"_s} << QStringList{u"A"_s};
    QTest::newRow("A already saved") << true << u"\"A1\""_s << u"\"b\""_s << QStringList{u"B"_s} << QStringList{};
    QTest::newRow("both changed on disk") << true << u"\"x\""_s << u"\"y\""_s << QStringList{}
                                          << QStringList{u"A"_s, u"B"_s};
}

void TestRecovery::plan()
{
    QFETCH(bool, fileChanged);
    QFETCH(QString, diskA);
    QFETCH(QString, diskB);
    QFETCH(QStringList, restored);
    QFETCH(QStringList, conflicts);

    JournalContents journal;
    journal.header.loaded = FileFingerprint::of(m_file);
    journal.steps.push_back({1, JournalStepKind::Apply, {{u"A"_s, u"\"a\""_s, u"A1"_s, true}}});
    journal.steps.push_back({2, JournalStepKind::Import,
                             {{u"B"_s, u"\"b\""_s, u"B1"_s, true}, {u"C"_s, u"\"c\""_s, u"C1"_s, true}}});
    journal.steps.push_back({3, JournalStepKind::Undo, {{u"C"_s, u"\"c\""_s, u"\"c\""_s, false}}});
    journal.pending = JournalPending{4, u"C"_s, u"getippt"_s};
    if (fileChanged)
        QVERIFY(TestSupport::writeBytes(m_file, u"[text]\nA=%1\nB=%2\nC=\"c2\"\n"_s.arg(diskA, diskB).toUtf8()));
    const QHash<QString, QString> disk{{u"A"_s, diskA}, {u"B"_s, diskB}, {u"C"_s, fileChanged ? u"\"c2\""_s : u"\"c\""_s}};

    const RecoveryPlan plan = planRecovery(journal, FileFingerprint::of(m_file), disk);
    QCOMPARE(plan.fileChanged, fileChanged);
    QStringList keys;
    for (const JournalEntry &entry : plan.restore)
        keys << entry.key;
    QCOMPARE(keys, restored);
    QStringList conflicting;
    for (const MergeConflict &conflict : plan.conflicts) {
        conflicting << conflict.key;
        QCOMPARE(conflict.mine, conflict.key + u'1'); // the row's text, unquoted
    }
    QCOMPARE(conflicting, conflicts);
    // The undone key is neither restored nor listed; the typing always comes back,
    // and is listed last, as typed.
    QCOMPARE(plan.changes.size(), size_t(3));
    QCOMPARE(plan.changes[0].fileValue, diskA);
    QCOMPARE(plan.changes[1].journalValue, u"B1"_s);
    QVERIFY(!plan.changes[1].typed);
    QCOMPARE(plan.changes[2].key, u"C"_s);
    QCOMPARE(plan.changes[2].journalValue, u"getippt"_s);
    QVERIFY(plan.changes[2].typed);
    QCOMPARE(plan.pending->text, u"getippt"_s);
    QCOMPARE(restoredEntries(plan, true).size(), size_t(restored.size() + conflicts.size()));
    QCOMPARE(restoredEntries(plan, false).size(), size_t(restored.size()));
}

void TestRecovery::watcherSeesEveryKindOfWrite_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("in place") << 0;
    QTest::newRow("atomic rename") << 1;
    QTest::newRow("deleted") << 2;
}

void TestRecovery::watcherSeesEveryKindOfWrite()
{
    QFETCH(int, how);
    LanguageFileWatcher watcher;
    QSignalSpy spy(&watcher, &LanguageFileWatcher::changed);
    watcher.watch(m_file, FileFingerprint::of(m_file));
    const QByteArray changed = "[text]\nA=\"anders\"\nB=\"b\"\nC=\"c\"\n";
    auto write = [&] {
        if (how == 0) {
            QFile file(m_file);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.write(changed) == changed.size());
        } else if (how == 1) {
            QSaveFile file(m_file);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(changed + "D=\"d\"\n");
            QVERIFY(file.commit());
        } else {
            QVERIFY(QFile::remove(m_file));
        }
    };
    write();
    // The watcher or, at the latest, the next poll (every PollMs) sees it.
    QTRY_VERIFY(spy.count() >= 1);
    QVERIFY(watcher.changedOnDisk());
    if (how == 2)
        return;
    // The watch is set again after an atomic save, so the next change is seen too.
    watcher.check();
    const qsizetype seen = spy.count();
    QVERIFY(TestSupport::writeBytes(m_file, "[text]\nA=\"dritte\"\n"));
    QTRY_VERIFY(spy.count() > seen);
}

void TestRecovery::watcherIgnoresTouchesAndOwnSaves()
{
    LanguageFileWatcher watcher;
    QSignalSpy spy(&watcher, &LanguageFileWatcher::changed);
    const FileFingerprint loaded = FileFingerprint::of(m_file);
    watcher.watch(m_file, loaded);
    QFile file(m_file);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::fromMSecsSinceEpoch(loaded.modifiedMs + 9000), QFileDevice::FileModificationTime));
    file.close();
    watcher.check(); // what the poll does
    QCOMPARE(spy.count(), 0);
    QVERIFY(!watcher.changedOnDisk());

    // A save of our own is what the file is taken to be from then on.
    QVERIFY(TestSupport::writeBytes(m_file, "[text]\nA=\"unser\"\n"));
    watcher.setLoaded(FileFingerprint::of(m_file));
    watcher.check();
    QCOMPARE(spy.count(), 0);
    QVERIFY(LanguageFileWatcher::PollMs <= 1000); // the notice comes within two seconds even without the watcher
}

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
