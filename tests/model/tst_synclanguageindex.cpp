#include "TestSupport.h"

#include "model/LanguageStore.h"
#include "model/SyncLanguageIndex.h"
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
using namespace Qt::StringLiterals;

namespace {

const QString Caption = u"Glossa Desk"_s;
const QString IndexFile = u"language/LanguageIndex.ini"_s;
const QByteArray Master = utf16le(u"[text]\r\nIDS_OPEN=\"Open\"\r\nIDS_SAVE=\"Save\"\r\nMSG_DELETED=\"Deleted %d\"\r\n"_s);
// What the sync writes into a file it creates: every attribute, one space as value.
const QByteArray BlankFile = utf16le(u"[text]\r\nIDS_OPEN= \r\nIDS_SAVE= \r\nMSG_DELETED= \r\n"_s);
const QByteArray OtherFile = utf16le(u"[text]\r\nIDS_OPEN=\"Ouvrir\"\r\n"_s);

// A product below root: the master file, the index (when given) and the
// entries of tree, relative to root; a name ending in "/" is a directory.
void makeProduct(const QString &root, const QString &index, const QStringList &tree)
{
    QDir().mkpath(root + u"/language"_s);
    writeBytes(root + u"/language/English (United States).ini"_s, Master);
    if (!index.isNull())
        writeBytes(root + u'/' + IndexFile, utf16le(index));
    for (const QString &entry : tree) {
        if (entry.endsWith(u'/')) {
            QDir().mkpath(root + u'/' + entry);
        } else {
            QDir().mkpath(QFileInfo(root + u'/' + entry).absolutePath());
            writeBytes(root + u'/' + entry, OtherFile);
        }
    }
}

// Opens the store the way the main window does and synchronises.
bool runSync(const QString &root, PresentLanguageSet &present, RecordingNotifier &notifier,
             const QString &languageDirName = u"/language"_s)
{
    resetAttributeIdCounter();
    LanguageStore store;
    if (!QDir::setCurrent(root) || !store.Open(u"./language"_s))
        return false;
    SyncLanguageIndex(root, store, languageDirName, u"/Web/LanguageInfo"_s, present, notifier);
    return true;
}

QStringList entries(const QString &path, const QString &section)
{
    QStringList lines;
    for (const ProfileEntry &entry : GetPrivateProfileSection(section, path))
        lines << entry.key + u'=' + entry.value;
    return lines;
}

QList<int> rows(const PresentLanguageSet &present)
{
    return QList<int>(present.begin(), present.end());
}

} // namespace

class TestSyncLanguageIndex : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bringsIntoLine_data();
    void bringsIntoLine();
    void newIndexTakesTheMasterFormat_data();
    void newIndexTakesTheMasterFormat();
    void indexKeepsItsCommentsAndEncoding();
    void unusableIndexChangesNothing_data();
    void unusableIndexChangesNothing();
    void fileThatCannotBeCreatedIsReportedOnce();
    void indexThatCannotBeWrittenIsReportedOnce();
    void demoProduct();
};

void TestSyncLanguageIndex::bringsIntoLine_data()
{
    QTest::addColumn<QString>("index"); // null: no index file
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<QStringList>("webLanguages");
    QTest::addColumn<QList<int>>("present");
    QTest::addColumn<QStringList>("created");

    const QString english = u"0x0409=English (United States)"_s;
    const QString enUs = u"0x0409=en-us"_s;

    QTest::newRow("missing index, English file and web directory")
        << QString() << QStringList{u"Web/LanguageInfo/en-us/"_s} << QStringList{english} << QStringList{enUs}
        << QList<int>{1} << QStringList();
    QTest::newRow("languages only, no web language directory")
        << u"[languages]\r\n0x0409=English (United States)\r\n"_s << QStringList() << QStringList{english}
        << QStringList{enUs} << QList<int>{1} << QStringList();
    QTest::newRow("xmllanguages only")
        << u"[xmllanguages]\r\n0x040c=French_France\r\n"_s << QStringList{u"language/French (France).ini"_s}
        << QStringList{u"0x040c=French (France)"_s, english} << QStringList{u"0x040c=French_France"_s, enUs}
        << QList<int>{1, 50} << QStringList();
    QTest::newRow("indexed language without a file")
        << u"[languages]\r\n0x0411=Japanese (Japan)\r\n[xmllanguages]\r\n0x0411=Japanese_Japan\r\n"_s << QStringList()
        << QStringList{u"0x0411=Japanese (Japan)"_s, english} << QStringList{u"0x0411=Japanese_Japan"_s, enUs}
        << QList<int>{1, 67} << QStringList{u"Japanese (Japan).ini"_s};
    QTest::newRow("web directory alone")
        << QString() << QStringList{u"Web/LanguageInfo/German_Germany/"_s}
        << QStringList{english, u"0x0407=German (Germany)"_s} << QStringList{enUs, u"0x0407=German_Germany"_s}
        << QList<int>{1, 55} << QStringList{u"German (Germany).ini"_s};
    QTest::newRow("what is no language is passed over")
        << QString()
        << QStringList{u"Web/LanguageInfo/French_France.old/"_s, u"Web/LanguageInfo/Klingon_Empire/"_s,
                       u"Web/LanguageInfo/zh-cn"_s, u"language/Notes.ini"_s, u"language/french (france).ini"_s,
                       u"language/German (Germany).INI"_s, u"language/Italian (Italy).ini/"_s,
                       u"language/Polish (Poland).ini.bak"_s}
        << QStringList{english} << QStringList{enUs} << QList<int>{1} << QStringList();
    QTest::newRow("file name differing in case is not the language's file")
        << u"[languages]\r\n0x040c=French (France)\r\n"_s << QStringList{u"language/french (france).ini"_s}
        << QStringList{u"0x040c=French (France)"_s, english} << QStringList{u"0x040c=French_France"_s, enUs}
        << QList<int>{1, 50} << QStringList{u"French (France).ini"_s};
    QTest::newRow("unknown codes stay in the index")
        << u"[languages]\r\n0x9999=Nowhere\r\n0x042a=Vietnamese (Vietnam)\r\n[xmllanguages]\r\n0x7777=xx\r\n"_s
        << QStringList() << QStringList{u"0x9999=Nowhere"_s, u"0x042a=Vietnamese (Vietnam)"_s, english}
        << QStringList{u"0x7777=xx"_s, enUs} << QList<int>{1} << QStringList();
    QTest::newRow("Vietnamese under its upper-case code")
        << u"[languages]\r\n0x042A=Vietnamese (Vietnam)\r\n"_s << QStringList()
        << QStringList{u"0x042A=Vietnamese (Vietnam)"_s, english} << QStringList{u"0x042A=Vietnamese_Vietnam"_s, enUs}
        << QList<int>{1, 111} << QStringList{u"Vietnamese (Vietnam).ini"_s};
}

void TestSyncLanguageIndex::bringsIntoLine()
{
    QFETCH(QString, index);
    QFETCH(QStringList, tree);
    QFETCH(QStringList, languages);
    QFETCH(QStringList, webLanguages);
    QFETCH(QList<int>, present);
    QFETCH(QStringList, created);

    CurrentDirGuard guard;
    QTemporaryDir dir;
    const QString root = dir.path();
    makeProduct(root, index, tree);
    QMap<QString, QByteArray> before = snapshotTree(root);

    PresentLanguageSet found{3};
    RecordingNotifier notifier;
    QVERIFY(runSync(root, found, notifier));

    const QString indexPath = root + u'/' + IndexFile;
    QCOMPARE(entries(indexPath, u"languages"_s), languages);
    QCOMPARE(entries(indexPath, u"xmllanguages"_s), webLanguages);
    QCOMPARE(rows(found), present);
    QCOMPARE(notifier.notices.size(), 0);

    // Besides the index, only the created files are new; everything else is as it was.
    QMap<QString, QByteArray> after = snapshotTree(root);
    for (const QString &name : created)
        QCOMPARE(after.take(u"language/"_s + name), BlankFile);
    after.remove(IndexFile);
    before.remove(IndexFile);
    QCOMPARE(after, before);
}

void TestSyncLanguageIndex::newIndexTakesTheMasterFormat_data()
{
    QTest::addColumn<QByteArray>("master");
    QTest::addColumn<QByteArray>("index");

    const QString crlf = u"[languages]\r\n0x0409=English (United States)\r\n[xmllanguages]\r\n0x0409=en-us\r\n"_s;
    const QString lf = QString(crlf).remove(u'\r');
    QTest::newRow("UTF-16LE, CRLF") << utf16le(u"[text]\r\nIDS_OPEN=Open\r\n"_s) << utf16le(crlf);
    QTest::newRow("UTF-8, LF") << "[text]\nIDS_OPEN=Open\n"_ba << lf.toUtf8();
    QTest::newRow("UTF-8 with BOM gets none") << "\xEF\xBB\xBF[text]\nIDS_OPEN=Open\n"_ba << lf.toUtf8();
}

void TestSyncLanguageIndex::newIndexTakesTheMasterFormat()
{
    QFETCH(QByteArray, master);
    QFETCH(QByteArray, index);

    CurrentDirGuard guard;
    QTemporaryDir dir;
    makeProduct(dir.path(), QString(), {u"Web/LanguageInfo/en-us/"_s});
    writeBytes(dir.filePath(u"language/English (United States).ini"_s), master);

    PresentLanguageSet present;
    RecordingNotifier notifier;
    QVERIFY(runSync(dir.path(), present, notifier));
    QCOMPARE(readBytes(dir.filePath(IndexFile)), index);
}

void TestSyncLanguageIndex::indexKeepsItsCommentsAndEncoding()
{
    CurrentDirGuard guard;
    QTemporaryDir dir;
    const QString root = dir.path();
    makeProduct(root, QString(),
                {u"language/Chinese (PRC).ini"_s, u"language/German (Germany).ini"_s, u"Web/LanguageInfo/zh-cn/"_s,
                 u"Web/LanguageInfo/Japanese_Japan/"_s, u"Web/LanguageInfo/French_France/"_s});
    // UTF-8 without BOM and LF, unlike the master: the index keeps its own.
    writeBytes(root + u'/' + IndexFile,
               u"; Sprachen des Produkts \u2014 gepflegt von Hand\n"
               "[languages]\n"
               "0x0804 = Chinese (PRC)\n"
               "; 0x0412=Korean (Korea)\n"
               "\n"
               "[xmllanguages]\n"
               "0x0411=Japanese_Japan\n"_s.toUtf8());

    PresentLanguageSet present;
    RecordingNotifier notifier;
    QVERIFY(runSync(root, present, notifier));

    // Every step's additions are in the one rewrite: web entry of a listed
    // language, display name of a web-only one, files found, web directories found.
    QCOMPARE(QString::fromUtf8(readBytes(root + u'/' + IndexFile)),
             u"; Sprachen des Produkts \u2014 gepflegt von Hand\n"
             "[languages]\n"
             "0x0804 = Chinese (PRC)\n"
             "0x0411=Japanese (Japan)\n"
             "0x0409=English (United States)\n"
             "0x0407=German (Germany)\n"
             "0x040c=French (France)\n"
             "; 0x0412=Korean (Korea)\n"
             "\n"
             "[xmllanguages]\n"
             "0x0411=Japanese_Japan\n"
             "0x0804=zh-cn\n"
             "0x0409=en-us\n"
             "0x0407=German_Germany\n"
             "0x040c=French_France\n"_s);
    QCOMPARE(rows(present), (QList<int>{0, 1, 50, 55, 67}));
    QCOMPARE(readBytes(root + u"/language/French (France).ini"_s), BlankFile);
    QCOMPARE(readBytes(root + u"/language/Japanese (Japan).ini"_s), BlankFile);
    QCOMPARE(notifier.notices.size(), 0);
}

void TestSyncLanguageIndex::unusableIndexChangesNothing_data()
{
    QTest::addColumn<QString>("languageDirName");
    QTest::addColumn<QString>("index");
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<bool>("readOnly");

    const QString index = u"[languages]\r\n0x0409=English (United States)\r\n"_s;
    QTest::newRow("directory in its place")
        << u"/language"_s << QString() << QStringList{u"language/LanguageIndex.ini/"_s} << false;
    // Holds even for root, which may write read-only files.
    QTest::newRow("path below a regular file")
        << u"/language/English (United States).ini"_s << QString() << QStringList() << false;
    QTest::newRow("read-only index") << u"/language"_s << index << QStringList() << true;
}

void TestSyncLanguageIndex::unusableIndexChangesNothing()
{
    QFETCH(QString, languageDirName);
    QFETCH(QString, index);
    QFETCH(QStringList, tree);
    QFETCH(bool, readOnly);
    if (readOnly && ::geteuid() == 0)
        QSKIP("root may write a read-only file");

    CurrentDirGuard guard;
    QTemporaryDir dir;
    const QString root = dir.path();
    makeProduct(root, index, tree + QStringList{u"Web/LanguageInfo/German_Germany/"_s});
    if (readOnly)
        QVERIFY(QFile::setPermissions(root + u'/' + IndexFile, QFileDevice::ReadOwner));
    const QMap<QString, QByteArray> before = snapshotTree(root);

    PresentLanguageSet present{1, 55};
    RecordingNotifier notifier;
    QVERIFY(runSync(root, present, notifier, languageDirName));

    QCOMPARE(notifier.notices.size(), 1);
    QCOMPARE(notifier.notices[0].severity, Severity::Error);
    QCOMPARE(notifier.notices[0].caption, Caption);
    QCOMPARE(notifier.notices[0].text, u"LanguageIndex.ini\n Download data fails, make sure the file can read and write."_s);
    QVERIFY(present.empty());
    QCOMPARE(snapshotTree(root), before);
}

void TestSyncLanguageIndex::fileThatCannotBeCreatedIsReportedOnce()
{
    CurrentDirGuard guard;
    QTemporaryDir dir;
    const QString root = dir.path();
    makeProduct(root, QString(),
                {u"language/Japanese (Japan).ini/"_s, u"Web/LanguageInfo/Japanese_Japan/"_s,
                 u"Web/LanguageInfo/German_Germany/"_s, u"Web/LanguageInfo/zh-cn/"_s});

    PresentLanguageSet present;
    RecordingNotifier notifier;
    QVERIFY(runSync(root, present, notifier));

    QCOMPARE(notifier.notices.size(), 1);
    const RecordingNotifier::Notice &notice = notifier.notices[0];
    QCOMPARE(notice.severity, Severity::Warning);
    QCOMPARE(notice.caption, Caption);
    const QStringList lines = notice.text.split(u'\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[2].startsWith(u"Japanese (Japan): "_s), qPrintable(notice.text));
    QVERIFY2(lines[2].contains(u"directory"_s), qPrintable(notice.text));

    // The rest is in line all the same.
    QCOMPARE(readBytes(root + u"/language/German (Germany).ini"_s), BlankFile);
    QCOMPARE(readBytes(root + u"/language/Chinese (PRC).ini"_s), BlankFile);
    QCOMPARE(entries(root + u'/' + IndexFile, u"xmllanguages"_s),
             (QStringList{u"0x0409=en-us"_s, u"0x0407=German_Germany"_s, u"0x0411=Japanese_Japan"_s, u"0x0804=zh-cn"_s}));
    QCOMPARE(rows(present), (QList<int>{0, 1, 55, 67}));
}

void TestSyncLanguageIndex::indexThatCannotBeWrittenIsReportedOnce()
{
    CurrentDirGuard guard;
    QTemporaryDir dir;
    const QString root = dir.path();
    makeProduct(root, u"[languages]\r\n0x0409=English (United States)\r\n"_s, {u"Web/LanguageInfo/German_Germany/"_s});
    const QMap<QString, QByteArray> before = snapshotTree(root);

    // A file-size limit makes every rewrite fail, for root too: the index
    // (English's web entry, German) and German's new file.
    const int status = runInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 10;
        PresentLanguageSet present;
        RecordingNotifier notifier;
        if (!runSync(root, present, notifier))
            return 11;
        if (notifier.notices.size() != 1 || notifier.notices[0].severity != Severity::Warning)
            return 12;
        const QString &text = notifier.notices[0].text;
        if (text.count(u"English (United States): "_s) != 1 || text.count(u"German (Germany): "_s) != 1)
            return 13;
        // German's line gives both reasons: its index entries and its file.
        if (!text.contains(u"LanguageIndex.ini"_s) || !text.contains(u"German (Germany).ini"_s))
            return 14;
        if (present != PresentLanguageSet{1, 55})
            return 15;
        return 0;
    });
    QCOMPARE(status, 0);
    QCOMPARE(snapshotTree(root), before);
}

void TestSyncLanguageIndex::demoProduct()
{
    CurrentDirGuard guard;
    QTemporaryDir dir;
    const QString root = dir.path();
    QVERIFY(copyTree(demoProductDir(), root));
    QMap<QString, QByteArray> before = snapshotTree(root);

    PresentLanguageSet present;
    RecordingNotifier notifier;
    QVERIFY(runSync(root, present, notifier));
    QCOMPARE(notifier.notices.size(), 0);
    QCOMPARE(rows(present), (QList<int>{0, 1, 50, 55, 67}));

    // French gains its web entry, German comes from its file, Japanese from its
    // web directory; the index stays UTF-16LE with CRLF.
    QCOMPARE(readBytes(root + u'/' + IndexFile),
             utf16le(u"[languages]\r\n0x0804=Chinese (PRC)\r\n0x0409=English (United States)\r\n"
                     "0x040c=French (France)\r\n0x0407=German (Germany)\r\n0x0411=Japanese (Japan)\r\n\r\n"
                     "[xmllanguages]\r\n0x0804=zh-cn\r\n0x0409=en-us\r\n0x040c=French_France\r\n"
                     "0x0407=German_Germany\r\n0x0411=Japanese_Japan\r\n"_s));

    // Japanese gets every master attribute, each blank, in the master's encoding.
    resetAttributeIdCounter();
    LanguageStore store;
    QVERIFY(QDir::setCurrent(root));
    QVERIFY(store.Open(u"./language"_s));
    QCOMPARE(store.attributes().size(), 154);
    QString japanese = u"[text]\r\n"_s;
    for (const QString &key : store.attributes())
        japanese += key + u"= \r\n"_s;
    QCOMPARE(readBytes(root + u"/language/Japanese (Japan).ini"_s), utf16le(japanese));

    // Nothing else changed, and a second run finds everything in line.
    QMap<QString, QByteArray> after = snapshotTree(root);
    after.remove(u"language/Japanese (Japan).ini"_s);
    after.remove(IndexFile);
    before.remove(IndexFile);
    QCOMPARE(after, before);

    const QMap<QString, QByteArray> synced = snapshotTree(root);
    QVERIFY(runSync(root, present, notifier));
    QCOMPARE(snapshotTree(root), synced);
    QCOMPARE(rows(present), (QList<int>{0, 1, 50, 55, 67}));
    QCOMPARE(notifier.notices.size(), 0);
}

QTEST_GUILESS_MAIN(TestSyncLanguageIndex)
#include "tst_synclanguageindex.moc"
