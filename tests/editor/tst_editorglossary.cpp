#include "EditorFixture.h"

#include "editor/EditorCommands.h"
#include "editor/EditorGlossary.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "terms/Glossary.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

using namespace Glossa;
using namespace TestSupport;

// The "Glossary" section of the real editor on the demo's German: the terms of the
// shown English, the insert keys, the why line, the marks in the Reference field
// and Add Term, answered as a user answers it.
class TestEditorGlossary : public QObject
{
    Q_OBJECT

    EditorFixture m_fixture;
    QTemporaryDir m_home;

    static bool show(CVuduzLanguageMapDlg &editor, const QString &key)
    {
        for (int row = 0; row < editor.entries()->rowCount(); ++row)
            if (editor.entries()->text(row, 0) == key) {
                editor.ShowEntry(row);
                return true;
            }
        return false;
    }

    static QStringList column(const QTableWidget *table, int column)
    {
        QStringList texts;
        for (int row = 0; row < table->rowCount(); ++row)
            texts.append(table->item(row, column)->text());
        return texts;
    }

    // Fills the Add Term dialog when it comes up and presses Add.
    static void answerAddTerm(const QString &english, const QString &translation, bool doNotTranslate = false)
    {
        QTimer::singleShot(0, [=] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->objectName(), QStringLiteral("Add Term"));
            if (!english.isNull())
                dialog->findChild<QLineEdit *>(QStringLiteral("English"))->setText(english);
            if (!translation.isNull())
                dialog->findChild<QLineEdit *>(QStringLiteral("Translation"))->setText(translation);
            dialog->findChild<QCheckBox *>(QStringLiteral("Do not translate"))->setChecked(doNotTranslate);
            auto *buttons = dialog->findChild<QDialogButtonBox *>();
            QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("XDG_STATE_HOME", m_home.filePath(QStringLiteral("state")).toLocal8Bit());
    }
    void init() { m_fixture.start(); }
    void cleanup() { QVERIFY2(m_fixture.finish().isEmpty(), "a message box came up unanswered"); }

    void termsOfTheEntryAtHand()
    {
        QVERIFY(m_fixture.copyProduct(demoProductDir(), QStringLiteral("German (Germany)"),
                                      {QStringLiteral("English (United States)")}));
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        EditorGlossary &glossary = editor->glossary();
        QVERIFY(QTest::qWaitFor([&] { return glossary.isLoaded(); }, 10000));
        QVERIFY(glossary.isVisible());
        QCOMPARE(glossary.accessibleName(), QStringLiteral("Glossary"));
        QCOMPARE(glossary.table()->accessibleName(), QStringLiteral("Glossary terms"));

        // A preferred term: listed with its key, named in the why line, marked in the English.
        QVERIFY(show(*editor, QStringLiteral("IDS_SYSTEM_REBOOT")));
        QCOMPARE(column(glossary.table(), 1), QStringList{QStringLiteral("reboot")});
        QCOMPARE(column(glossary.table(), 2), QStringList{QStringLiteral("Neustart")});
        QCOMPARE(column(glossary.table(), 0), QStringList{QStringLiteral("Ctrl+Alt+1")});
        QVERIFY2(editor->whyField()->text().contains(QStringLiteral("the English has \"reboot\"")),
                 qPrintable(editor->whyField()->text()));
        QCOMPARE(editor->referenceEdit()->text(), QStringLiteral("\"Reboot Device\""));
        QCOMPARE(glossary.termSpans(editor->referenceEdit()->text()), (QList<std::pair<int, int>>{{1, 6}}));
        editor->valueEdit()->setCursorPosition(0);
        QTest::keyClick(editor->valueEdit(), Qt::Key_1, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY2(editor->valueEdit()->text().startsWith(QStringLiteral("Neustart")), qPrintable(editor->valueEdit()->text()));
        QTest::keyClick(editor->valueEdit(), Qt::Key_Return);
        QVERIFY(!editor->whyField()->text().contains(QStringLiteral("reboot"))); // applied: the finding is gone
        // The menu names the key, and its action does what the key does.
        QAction *term1 = editor->commands().action(QStringLiteral("Term 1"));
        QVERIFY(term1);
        QCOMPARE(term1->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+1")));
        QVERIFY(editor->commands().action(QStringLiteral("Add Term")));

        // A forbidden term: struck through, without a key; the approved one has it.
        QVERIFY(show(*editor, QStringLiteral("MSG_OPERATION_TIMEOUT")));
        const QStringList translations = column(glossary.table(), 2);
        QVERIFY2(translations.contains(QStringLiteral("Zeitlimit")), qPrintable(translations.join(u',')));
        const int forbidden = int(translations.indexOf(QStringLiteral("Zeitüberschreitung")));
        QVERIFY(forbidden >= 0);
        QVERIFY(glossary.table()->item(forbidden, 2)->font().strikeOut());
        QVERIFY(glossary.table()->item(forbidden, 0)->text().isEmpty());
        QCOMPARE(glossary.insertable(), QStringList{QStringLiteral("Zeitlimit")});
        QVERIFY(editor->whyField()->text().contains(QStringLiteral("forbids")));

        // Hidden, the panel is left as it was, and the why line still names the
        // glossary's findings; shown again, the panel follows the entry.
        QTest::keyClick(editor->valueEdit(), Qt::Key_F9);
        QVERIFY(show(*editor, QStringLiteral("IDS_SYSTEM_REBOOT")));
        QVERIFY(column(glossary.table(), 2).contains(QStringLiteral("Zeitlimit")));
        QVERIFY(show(*editor, QStringLiteral("IDS_LIVE_VIEW")));
        QVERIFY2(editor->whyField()->text().contains(QStringLiteral("\"Live View\" stays as it is")),
                 qPrintable(editor->whyField()->text()));
        QTest::keyClick(editor->valueEdit(), Qt::Key_F9);
        QCOMPARE(column(glossary.table(), 2), QStringList{QStringLiteral("Live View")});
    }

    void addTermTakesTheSelectedWords()
    {
        QVERIFY(m_fixture.copyProduct(demoProductDir(), QStringLiteral("German (Germany)"),
                                      {QStringLiteral("English (United States)")}));
        QFile::remove(productGlossaryPath(m_fixture.root));
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        EditorGlossary &glossary = editor->glossary();
        QVERIFY(QTest::qWaitFor([&] { return glossary.isLoaded(); }, 10000));
        QVERIFY(show(*editor, QStringLiteral("IDS_DEVICE_NAME")));
        QVERIFY2(glossary.noteLabel()->text().contains(QStringLiteral("no glossary yet")), qPrintable(glossary.noteLabel()->text()));

        // The English's selected word and the value's: a new glossary, read again at once.
        editor->referenceEdit()->setSelection(int(editor->referenceEdit()->text().indexOf(QStringLiteral("Device"))), 6);
        editor->valueEdit()->setText(QStringLiteral("Gerätename"));
        editor->valueEdit()->setSelection(0, 5); // "Gerät"
        answerAddTerm(QString(), QString());
        QTest::keyClick(editor->valueEdit(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(QTest::qWaitFor([&] { return glossary.table()->rowCount() == 1; }, 10000));
        QCOMPARE(column(glossary.table(), 1), QStringList{QStringLiteral("Device")});
        QCOMPARE(column(glossary.table(), 2), QStringList{QStringLiteral("Gerät")});
        Glossary written;
        QString error;
        QVERIFY2(loadProductGlossary(m_fixture.root, written, error), qPrintable(error));
        QCOMPARE(int(written.concepts.size()), 1);
        QCOMPARE(written.concepts[0].termsFor(QStringLiteral("de-DE"))->front().text, QStringLiteral("Gerät"));
        QCOMPARE(editor->statusField()->text(), QStringLiteral("\"Device\" is in the glossary (glossa-glossary.tbx)"));

        // A name not to translate, through the button; then the value without it is found.
        answerAddTerm(QStringLiteral("Vistaline"), QString(), true);
        QTest::mouseClick(glossary.addButton(), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return glossary.isLoaded(); }, 10000));
        QVERIFY(loadProductGlossary(m_fixture.root, written, error));
        QCOMPARE(int(written.concepts.size()), 2);
        QVERIFY(written.concepts[1].doNotTranslate);

        // A glossary that cannot be written is left whole, and the user is told.
        const QByteArray before = readBytes(productGlossaryPath(m_fixture.root));
        QFile::setPermissions(m_fixture.root, QFile::ReadOwner | QFile::ExeOwner);
        if (!QFileInfo(m_fixture.root).isWritable()) { // root writes anyway
            MessageBox::setNextAnswer(QMessageBox::Ok);
            QVERIFY(!glossary.addTerm(written.concepts[0]));
            QVERIFY(MessageBox::shownMessages().constLast().contains(QStringLiteral("cannot be written")));
        }
        QFile::setPermissions(m_fixture.root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(readBytes(productGlossaryPath(m_fixture.root)), before);
    }
};

QTEST_MAIN(TestEditorGlossary)
#include "tst_editorglossary.moc"
