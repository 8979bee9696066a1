#include "recovery/Journal.h"

#include "TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Glossa;
using namespace Qt::StringLiterals;

namespace {

JournalStep step(JournalStepKind kind, std::vector<JournalEntry> entries, qint64 time = 1000)
{
    return {time, kind, std::move(entries)};
}

JournalHeader headerFor(const QString &file)
{
    JournalHeader header;
    header.filePath = file;
    header.language = u"German (Germany)"_s;
    header.loaded = FileFingerprint::of(file);
    header.createdMs = 500;
    return header;
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void stepsReadBackAsWritten();
    void largeStepWrittenBesideKeepsItsPlace();
    void tornLastRecordIsDropped_data();
    void tornLastRecordIsDropped();
    void unreadableJournalIsKeptAside_data();
    void unreadableJournalIsKeptAside();
    void location_data();
    void location();
    void recordsReachTheFileAtOnce();
    void fingerprintTellsContentFromTime();

private:
    QTemporaryDir m_dir;
    QString m_journal;
    QString m_language;
};

void TestJournal::init()
{
    QVERIFY(m_dir.isValid());
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_dir.filePath(u"state"_s)));
    m_language = m_dir.filePath(u"German (Germany).ini"_s);
    QVERIFY(TestSupport::writeBytes(m_language, "[text]\nA=\"a\"\nB=\"b\"\n"));
    m_journal = journalPathFor(m_language, u"German (Germany)"_s);
    QFile::remove(m_journal);
}

void TestJournal::stepsReadBackAsWritten()
{
    JournalWriter writer;
    QVERIFY(writer.create(m_journal, headerFor(m_language)));
    QVERIFY(writer.appendStep(step(JournalStepKind::Apply, {{u"A"_s, u"\"a\""_s, u"Eins"_s, true}}, 1100)));
    QVERIFY(writer.setPending({1150, u"B"_s, u"Zw"_s}));
    QVERIFY(writer.appendStep(step(JournalStepKind::Import,
                                   {{u"B"_s, u"\"b\""_s, u"Zwei"_s, true}, {u"C"_s, std::nullopt, u"Drei \"x"_s, true}},
                                   1200)));
    QVERIFY(writer.appendStep(step(JournalStepKind::Undo, {{u"A"_s, u"\"a\""_s, u"\"a\""_s, false}}, 1300)));
    QVERIFY(writer.setPending({1400, u"A"_s, u"Einß ☃"_s}));
    writer.close();

    JournalContents contents;
    QString error;
    QVERIFY2(readJournal(m_journal, contents, &error), qPrintable(error));
    QVERIFY(!contents.tornTail);
    QCOMPARE(contents.header.filePath, m_language);
    QCOMPARE(contents.header.language, u"German (Germany)"_s);
    QVERIFY(contents.header.loaded.sameContent(FileFingerprint::of(m_language)));
    QCOMPARE(contents.header.loaded.modifiedMs, FileFingerprint::of(m_language).modifiedMs);
    QCOMPARE(contents.steps.size(), size_t(3));
    QCOMPARE(contents.steps[1].kind, JournalStepKind::Import);
    QCOMPARE(contents.steps[1].entries[1].loaded, std::nullopt);

    // Each key's last state, in the order first changed; A is back as loaded.
    const std::vector<JournalEntry> last = contents.finalEntries();
    QCOMPARE(last.size(), size_t(3));
    QCOMPARE(last[0].key, u"A"_s);
    QCOMPARE(last[0].value, u"\"a\""_s);
    QVERIFY(!last[0].marked);
    QCOMPARE(last[2].key, u"C"_s);
    QCOMPARE(last[2].value, u"Drei \"x"_s);
    QVERIFY(contents.pending);
    QCOMPARE(contents.pending->text, u"Einß ☃"_s);
    QCOMPARE(contents.changeCount(), 3); // B, C and the typing
    QCOMPARE(contents.lastChangeMs(), qint64(1400));

    // A pending record with no key clears the typing.
    JournalWriter again;
    QVERIFY(again.create(m_journal, headerFor(m_language)));
    QVERIFY(again.setPending({10, u"A"_s, u"x"_s}));
    QVERIFY(again.setPending({20, QString(), QString()}));
    again.close();
    QVERIFY(readJournal(m_journal, contents));
    QVERIFY(!contents.pending);
    QCOMPARE(contents.changeCount(), 0);

    // Removing it leaves nothing behind.
    again.remove();
    QVERIFY(!QFile::exists(m_journal));
}

// A step of many rows is written on a thread of its own and encoded by hand:
// it must read back as QDataStream reads it, strings of every kind, and the
// records around it keep their order.
void TestJournal::largeStepWrittenBesideKeepsItsPlace()
{
    const std::vector<QString> texts{QString(), u""_s, u"\"quoted\""_s, u"Größe 𝄞 ☃"_s, QString(300, u'x')};
    std::vector<JournalEntry> rows;
    for (size_t i = 0; i < JournalWriter::RowsWrittenBeside + 7; ++i) {
        std::optional<QString> loaded;
        if (i % 3 != 0)
            loaded = texts[(i + 1) % texts.size()];
        rows.push_back({u"IDS_%1"_s.arg(i), loaded, texts[i % texts.size()], i % 2 == 0});
    }
    JournalWriter writer;
    QVERIFY(writer.create(m_journal, headerFor(m_language)));
    QVERIFY(writer.appendStep(step(JournalStepKind::Import, rows, 2000)));
    // Written behind the large one, never before it.
    QVERIFY(writer.appendStep(step(JournalStepKind::Apply, {{u"IDS_1"_s, texts[2], u"danach"_s, true}}, 2100)));
    QVERIFY(writer.appendStep(step(JournalStepKind::Undo, rows, 2200)));
    QVERIFY(writer.setPending({2300, u"IDS_2"_s, u"tippen"_s}));
    QVERIFY(writer.finishWriting());

    JournalContents contents;
    QVERIFY(readJournal(m_journal, contents));
    QVERIFY(!contents.tornTail);
    QCOMPARE(contents.steps.size(), size_t(3));
    QCOMPARE(contents.steps[1].entries[0].value, u"danach"_s);
    for (size_t s : {size_t(0), size_t(2)}) {
        const JournalStep &read = contents.steps[s];
        QCOMPARE(read.timeMs, qint64(2000 + 100 * s));
        QCOMPARE(read.entries.size(), rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            const JournalEntry &entry = read.entries[i];
            QCOMPARE(entry.key, rows[i].key);
            QCOMPARE(entry.loaded, rows[i].loaded);
            QCOMPARE(entry.value, rows[i].value);
            QCOMPARE(entry.value.isNull(), rows[i].value.isNull());
            QCOMPARE(entry.marked, rows[i].marked);
        }
    }
    QCOMPARE(contents.pending->text, u"tippen"_s);
}

void TestJournal::tornLastRecordIsDropped_data()
{
    QTest::addColumn<bool>("flip"); // damage a byte instead of cutting
    QTest::newRow("cut at every byte") << false;
    QTest::newRow("one byte changed") << true;
}

void TestJournal::tornLastRecordIsDropped()
{
    QFETCH(bool, flip);
    JournalWriter writer;
    QVERIFY(writer.create(m_journal, headerFor(m_language)));
    QVERIFY(writer.appendStep(step(JournalStepKind::Apply, {{u"A"_s, u"\"a\""_s, u"1"_s, true}})));
    QVERIFY(writer.appendStep(step(JournalStepKind::SameEnglish,
                                   {{u"A"_s, u"\"a\""_s, u"2"_s, true}, {u"B"_s, u"\"b\""_s, u"2"_s, true}})));
    const qint64 before = QFileInfo(m_journal).size();
    QVERIFY(writer.appendStep(step(JournalStepKind::Redo, {{u"B"_s, u"\"b\""_s, u"letzter"_s, true}})));
    writer.close();
    const QByteArray whole = TestSupport::readBytes(m_journal);
    QVERIFY(whole.size() > before);

    const QString copy = m_dir.filePath(u"torn.journal"_s);
    for (qint64 at = before; at < whole.size(); ++at) {
        QByteArray bytes = whole;
        if (flip)
            bytes[at] = char(bytes[at] ^ 0x20);
        else
            bytes.truncate(at);
        QVERIFY(TestSupport::writeBytes(copy, bytes));
        JournalContents contents;
        QVERIFY2(readJournal(copy, contents), qPrintable(QString::number(at)));
        QCOMPARE(contents.steps.size(), size_t(2));
        QCOMPARE(contents.tornTail, at > before || flip);
        QCOMPARE(contents.validBytes, before);
        const std::vector<JournalEntry> last = contents.finalEntries();
        QCOMPARE(last.size(), size_t(2));
        QCOMPARE(last[1].value, u"2"_s);
    }
}

void TestJournal::unreadableJournalIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not a journal") << QByteArray("[text]\nA=1\n");
    QTest::newRow("magic only") << QByteArray("GLOSSA-DESK RECOVERY JOURNAL 1\n");
    QTest::newRow("torn header") << QByteArray("GLOSSA-DESK RECOVERY JOURNAL 1\n\0\0\0\x40" "abcdefgh", 43);
}

void TestJournal::unreadableJournalIsKeptAside()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(QDir().mkpath(journalDirectory()));
    QVERIFY(TestSupport::writeBytes(m_journal, bytes));
    QVERIFY(existingJournals().contains(m_journal));
    JournalContents contents;
    QString error;
    QVERIFY(!readJournal(m_journal, contents, &error));
    QVERIFY(error.contains(QFileInfo(m_journal).fileName()));

    const QString aside = keepJournalAside(m_journal);
    QVERIFY(!aside.isEmpty());
    QVERIFY(!QFile::exists(m_journal));
    QCOMPARE(TestSupport::readBytes(aside), bytes);
    QVERIFY(!existingJournals().contains(aside));
    // A second one the same second gets a name of its own.
    QVERIFY(TestSupport::writeBytes(m_journal, bytes));
    const QString second = keepJournalAside(m_journal);
    QVERIFY(!second.isEmpty() && second != aside);
    QVERIFY(QFile::exists(aside));
}

void TestJournal::location_data()
{
    QTest::addColumn<QString>("stateHome");
    QTest::addColumn<QString>("expectedBase");
    QTest::newRow("XDG_STATE_HOME") << u"/srv/state"_s << u"/srv/state"_s;
    QTest::newRow("unset") << QString() << QDir::homePath() + u"/.local/state"_s;
    QTest::newRow("relative is ignored") << u"rel/state"_s << QDir::homePath() + u"/.local/state"_s;
}

void TestJournal::location()
{
    QFETCH(QString, stateHome);
    QFETCH(QString, expectedBase);
    if (stateHome.isEmpty())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", QFile::encodeName(stateHome));
    QCOMPARE(journalDirectory(), expectedBase + u"/glossa-desk/recovery"_s);
    const QString path = journalPathFor(m_language, u"German (Germany)"_s);
    QVERIFY(path.startsWith(journalDirectory() + u'/'));
    QVERIFY(path.endsWith(u" German (Germany).journal"_s));
    // One journal per product path and language, however the path is spelt.
    const QString spelt = m_dir.path() + u"/sub/../German (Germany).ini"_s;
    QVERIFY(QDir().mkpath(m_dir.filePath(u"sub"_s)));
    QCOMPARE(journalPathFor(spelt, u"German (Germany)"_s), path);
    QVERIFY(journalPathFor(m_dir.filePath(u"other/German (Germany).ini"_s), u"German (Germany)"_s) != path);
    QVERIFY(journalPathFor(m_dir.filePath(u"French (France).ini"_s), u"French (France)"_s) != path);
}

void TestJournal::recordsReachTheFileAtOnce()
{
    // What a kill -9 leaves: every record written, before any sync.
    JournalWriter writer;
    QVERIFY(writer.create(m_journal, headerFor(m_language)));
    for (int i = 0; i < 50; ++i)
        QVERIFY(writer.appendStep(step(JournalStepKind::Apply, {{u"A"_s, u"\"a\""_s, QString::number(i), true}})));
    QVERIFY(writer.setPending({2000, u"B"_s, u"getippt"_s}));
    JournalContents contents;
    QVERIFY(readJournal(m_journal, contents));
    QCOMPARE(contents.steps.size(), size_t(50));
    QCOMPARE(contents.finalEntries()[0].value, u"49"_s);
    QCOMPARE(contents.pending->text, u"getippt"_s);
    QVERIFY(!contents.tornTail);
    // A new journal for the same language starts afresh.
    QVERIFY(writer.create(m_journal, headerFor(m_language)));
    QVERIFY(readJournal(m_journal, contents));
    QVERIFY(contents.steps.empty());
}

void TestJournal::fingerprintTellsContentFromTime()
{
    const FileFingerprint loaded = FileFingerprint::of(m_language);
    QVERIFY(loaded.exists);
    QCOMPARE(loaded.size, qint64(19));
    QCOMPARE(loaded.sha256.size(), 32);
    QCOMPARE(FileFingerprint::of(m_language, TestSupport::readBytes(m_language)).sha256, loaded.sha256);

    // Same bytes, later time: the content is the same, the stamp is not.
    QFile file(m_language);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::fromMSecsSinceEpoch(loaded.modifiedMs + 5000), QFileDevice::FileModificationTime));
    file.close();
    const FileFingerprint touched = FileFingerprint::of(m_language);
    QVERIFY(touched.sameContent(loaded));
    QVERIFY(!touched.sameStamp(loaded));

    // Same size, one byte changed: a change.
    QVERIFY(TestSupport::writeBytes(m_language, "[text]\nA=\"a\"\nB=\"c\"\n"));
    QVERIFY(!FileFingerprint::of(m_language).sameContent(loaded));
    QVERIFY(!FileFingerprint::of(m_dir.filePath(u"gone.ini"_s)).exists);
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
