#include "EditorFixture.h"

#include "checks/CheckEngine.h"
#include "checks/Spelling.h"
#include "editor/EditorSpelling.h"
#include "model/Constants.h"

#include <QContextMenuEvent>
#include <QMenu>

using namespace Glossa;
using namespace TestSupport;
using namespace Qt::StringLiterals;

namespace {

using C = CVuduzLanguageMapDlg;

// Five German entries: right words, a typo, a typo beside a placeholder error,
// the master's product name and a word of the product's own list.
const QList<EditorFixture::Entry> germanEntries = {
    {u"IDS_0"_s, u"Dateien speichern"_s, u"Save files"_s},
    {u"IDS_1"_s, u"Dateien speichren"_s, u"Save files"_s},
    {u"IDS_2"_s, u"Feler in Datei"_s, u"Error in %s"_s},
    {u"IDS_3"_s, u"Vistaline öffnen"_s, u"Open Vistaline"_s},
    {u"IDS_4"_s, u"Zentrix starten"_s, u"Start the engine"_s},
};

QStringList actionTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << (action->isSeparator() ? u"-"_s : action->text());
    return texts;
}

QAction *actionNamed(const QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

// Asks the Value field for its context menu as a user would, and hands back the menu that pops up.
QMenu *openMenu(C *editor, QContextMenuEvent::Reason reason, int cursor)
{
    QLineEdit *field = editor->valueEdit();
    QPoint at(2, field->height() / 2);
    if (reason == QContextMenuEvent::Mouse)
        at.setX(field->width() - 3); // after the text's end: its last word
    else
        field->setCursorPosition(cursor);
    QContextMenuEvent event(reason, at, field->mapToGlobal(at));
    QApplication::sendEvent(field, &event);
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

} // namespace

class TestEditorSpelling : public QObject
{
    Q_OBJECT

private:
    EditorFixture f;
    QTemporaryDir m_home;
    bool m_german = false;

    // A German product beside its master, with a word list of its own.
    bool makeGermanProduct()
    {
        const QString from = f.tmp.filePath(u"source"_s);
        QString master = u"[text]\r\n"_s;
        QString german = master;
        for (const EditorFixture::Entry &e : germanEntries) {
            master += e.attribute + u'=' + e.reference + u"\r\n"_s;
            german += e.attribute + u'=' + e.value + u"\r\n"_s;
        }
        QDir(from).removeRecursively();
        return QDir().mkpath(from + u"/language"_s)
               && writeBytes(from + u"/language/English (United States).ini"_s, utf16le(master))
               && writeBytes(from + u"/language/German (Germany).ini"_s, utf16le(german))
               && writeBytes(from + u"/glossa-words.txt"_s, "# our names\nZentrix\n")
               && f.copyProduct(from, u"German (Germany)"_s, {u"English (United States)"_s});
    }

    std::unique_ptr<C> openGerman()
    {
        if (!makeGermanProduct())
            return nullptr;
        return f.openEditor();
    }

    QStringList engineSpelling()
    {
        CheckEngine engine;
        if (!engine.open(f.root))
            return {engine.error()};
        CheckOptions options;
        options.only = {u"spelling"_s};
        QStringList out;
        for (const Finding &finding : engine.checkLanguage(u"German (Germany)"_s, options).findings)
            out << finding.key + u": "_s + finding.message;
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The user's dictionary and the editor's state go to a directory of the test's own.
        QVERIFY(m_home.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(u"data"_s)));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_home.filePath(u"state"_s)));
        m_german = !SpellChecker::affixFileFor(u"de-DE"_s).isEmpty();
    }
    void init()
    {
        if (!m_german)
            QSKIP("no German dictionary installed (hunspell-de-de)");
        f.start();
    }
    void cleanup()
    {
        qunsetenv("GLOSSA_HUNSPELL_PATH");
        const QStringList unanswered = f.finish();
        QVERIFY2(unanswered.isEmpty(), qPrintable(unanswered.join(u" | "_s)));
    }

    void whyLineNamesMisspelledWords_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed"); // null: show only
        QTest::addColumn<QString>("why");
        QTest::newRow("right") << 0 << QString() << QString();
        QTest::newRow("a typo") << 1 << QString() << u"spelling: the dictionary does not know speichren"_s;
        QTest::newRow("after the error") << 2 << QString()
                                         << u"%s: the reference has it once, the value never; "
                                            "spelling: the dictionary does not know Feler"_s;
        QTest::newRow("the master's word") << 3 << QString() << QString();
        QTest::newRow("the product's word") << 4 << QString() << QString();
        // The why line speaks of the applied value; the typing is not applied yet.
        QTest::newRow("typed") << 0 << u"Dateien speichren"_s << u"Not applied: Enter applies it"_s;
        QTest::newRow("typed over a typo") << 1 << u"Dateien speichern"_s
                                           << u"Not applied: Enter applies it; "
                                              "spelling: the dictionary does not know speichren"_s;
    }
    void whyLineNamesMisspelledWords()
    {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(QString, why);
        auto editor = openGerman();
        QVERIFY(editor);
        editor->ShowEntry(row);
        if (!typed.isNull())
            editor->valueEdit()->setText(typed);
        QCOMPARE(editor->whyField()->text(), why);
        if (typed.isNull())
            QCOMPARE(editor->entries()->index(row, 1).data(Qt::ToolTipRole).toString(), why);
    }

    void spellingMarksNoRowAndCountsNothing()
    {
        // The same product without any dictionary and with one: only the why line differs.
        auto shown = [this] {
            auto editor = openGerman();
            QStringList out;
            if (!editor)
                return out;
            out << editor->progressField()->text() << editor->shownEntriesField()->text();
            for (int row = 0; row < editor->entries()->rowCount(); ++row)
                out << editor->entries()->text(row, 3);
            editor->ShowEntry(1);
            out << QString::number(editor->filterBar().showNextProblem(true));
            return out;
        };
        const QStringList with = shown();
        QTemporaryDir none;
        qputenv("GLOSSA_HUNSPELL_PATH", QFile::encodeName(none.path()));
        const QStringList without = shown();
        QVERIFY(!with.isEmpty());
        QCOMPARE(with, without);
        QCOMPARE(with.mid(2, 5), QStringList({QString(), QString(), StatusError, QString(), QString()}));

        auto editor = openGerman();
        QVERIFY(editor);
        editor->ShowEntry(1);
        QCOMPARE(editor->whyField()->text(), QString());
        QMenu *menu = openMenu(editor.get(), QContextMenuEvent::Keyboard, 10);
        QVERIFY(menu);
        QVERIFY(!actionNamed(menu, u"Add to Dictionary"_s));
        menu->close();
    }

    void menuOffersSuggestionsAndKeepsTheEditActions()
    {
        auto editor = openGerman();
        QVERIFY(editor);
        editor->ShowEntry(0);
        // A right word: the field's standard menu, nothing more.
        QMenu *plain = openMenu(editor.get(), QContextMenuEvent::Keyboard, 3);
        QVERIFY(plain);
        const QStringList standard = actionTexts(plain);
        QVERIFY2(standard.contains(u"Select All\tCtrl+A"_s) || standard.join(u'|').contains(u"Select All"_s),
                 qPrintable(standard.join(u'|')));
        plain->close();

        editor->ShowEntry(1); // "Dateien speichren"
        QMenu *menu = openMenu(editor.get(), QContextMenuEvent::Mouse, 0);
        QVERIFY(menu);
        const QStringList texts = actionTexts(menu);
        const qsizetype add = texts.indexOf(u"Add to Dictionary"_s);
        QVERIFY2(add >= 2 && add <= 6, qPrintable(texts.join(u'|')));
        QCOMPARE(texts.at(add - 1), u"-"_s);
        QCOMPARE(texts.mid(add, 3), QStringList({u"Add to Dictionary"_s, u"Ignore for This Session"_s, u"-"_s}));
        QCOMPARE(texts.mid(add + 3), standard);
        QVERIFY2(texts.mid(0, add - 1).contains(u"speichern"_s), qPrintable(texts.join(u'|')));

        // A suggestion replaces the word in the field; nothing is applied.
        actionNamed(menu, u"speichern"_s)->trigger();
        menu->close();
        QCOMPARE(editor->valueEdit()->text(), u"Dateien speichern"_s);
        QCOMPARE(editor->entries()->text(1, 1), u"Dateien speichren"_s);
        QCOMPARE(editor->entries()->text(1, 3), QString());
        QVERIFY(editor->whyField()->text().startsWith(u"Not applied: Enter applies it"_s));
        QTest::keyClick(editor->valueEdit(), Qt::Key_Return);
        QCOMPARE(editor->entries()->text(1, 1), u"Dateien speichern"_s);
        QCOMPARE(editor->whyField()->text(), QString());

        // The word at the text cursor when the menu key asks.
        editor->ShowEntry(2); // "Feler in Datei"
        menu = openMenu(editor.get(), QContextMenuEvent::Keyboard, 2);
        QVERIFY(menu);
        QVERIFY(actionNamed(menu, u"Fehler"_s));
        menu->close();
        menu = openMenu(editor.get(), QContextMenuEvent::Keyboard, 12);
        QVERIFY(menu);
        QCOMPARE(actionTexts(menu), standard);
        menu->close();
    }

    void addToDictionaryLastsAndReachesTheCheck()
    {
        auto editor = openGerman();
        QVERIFY(editor);
        // The user's file keeps its own lines.
        const QString dictionary = SpellChecker::userDictionaryPath(u"de-DE"_s);
        QVERIFY(dictionary.startsWith(m_home.path()));
        QVERIFY(QDir().mkpath(QFileInfo(dictionary).absolutePath()));
        QVERIFY(writeBytes(dictionary, "# mine\r\nWortschatz"));
        QVERIFY(engineSpelling().contains(u"IDS_1: the dictionary does not know speichren"_s));

        editor->ShowEntry(1);
        QMenu *menu = openMenu(editor.get(), QContextMenuEvent::Mouse, 0);
        QVERIFY(menu);
        actionNamed(menu, u"Add to Dictionary"_s)->trigger();
        menu->close();
        QCOMPARE(readBytes(dictionary), QByteArray("# mine\r\nWortschatz\r\nspeichren\r\n"));
        QCOMPARE(editor->whyField()->text(), QString());
        QCOMPARE(editor->valueEdit()->text(), u"Dateien speichren"_s);
        QVERIFY(editor->statusField()->text().contains(u"speichren"_s));
        QVERIFY(!engineSpelling().join(u'\n').contains(u"speichren"_s));
        // A new editor reads it too.
        editor.reset();
        editor = f.openEditor();
        QVERIFY(editor);
        editor->ShowEntry(1);
        QCOMPARE(editor->whyField()->text(), QString());
        QVERIFY(QFile::remove(dictionary));
    }

    void ignoreLastsUntilTheProgramEnds()
    {
        auto editor = openGerman();
        QVERIFY(editor);
        editor->ShowEntry(2);
        QMenu *menu = openMenu(editor.get(), QContextMenuEvent::Keyboard, 1);
        QVERIFY(menu);
        actionNamed(menu, u"Ignore for This Session"_s)->trigger();
        menu->close();
        QCOMPARE(editor->whyField()->text(), u"%s: the reference has it once, the value never"_s);
        QCOMPARE(editor->entries()->index(2, 1).data(Qt::ToolTipRole).toString(), editor->whyField()->text());
        // Another editor of the run takes it as right; the dictionary file and the check do not.
        editor.reset();
        editor = f.openEditor();
        QVERIFY(editor);
        editor->ShowEntry(2);
        QCOMPARE(editor->whyField()->text(), u"%s: the reference has it once, the value never"_s);
        QVERIFY(!QFileInfo::exists(SpellChecker::userDictionaryPath(u"de-DE"_s)));
        QVERIFY(engineSpelling().contains(u"IDS_2: the dictionary does not know Feler"_s));
    }

    void wordAtCursor_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("start");
        QTest::newRow("inside") << u"Dateien speichren"_s << 10 << u"speichren"_s << 8;
        QTest::newRow("at the start") << u"Dateien speichren"_s << 0 << u"Dateien"_s << 0;
        QTest::newRow("just after it") << u"Dateien, bitte"_s << 7 << u"Dateien"_s << 0;
        QTest::newRow("at the end") << u"Dateien speichren"_s << 17 << u"speichren"_s << 8;
        QTest::newRow("between blanks") << u"a  b"_s << 2 << QString() << 0;
        QTest::newRow("inner hyphen") << u"die E-Mail-Adresse"_s << 6 << u"E-Mail-Adresse"_s << 4;
        QTest::newRow("apostrophe at the end") << u"gibt's' nicht"_s << 2 << u"gibt's"_s << 0;
        QTest::newRow("empty") << QString() << 0 << QString() << 0;
    }
    void wordAtCursor()
    {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(QString, word);
        QFETCH(int, start);
        qsizetype at = 0;
        QCOMPARE(EditorSpelling::wordAt(text, position, &at), word);
        QCOMPARE(at, qsizetype(start));
    }
};

QTEST_MAIN(TestEditorSpelling)
#include "tst_editorspelling.moc"
