#include "EditorFixture.h"

#include "checks/CheckEngine.h"
#include "editor/EntryFilterModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "editor/VuduzListCtrl.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "platform/DialogUnits.h"
#include "shared/StatusField.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

using namespace Glossa;
using namespace TestSupport;
using namespace Qt::StringLiterals;

namespace {

using C = CVuduzLanguageMapDlg;

// The number before "check error(s)" in a status text; -1 when there is none.
int checkErrorsIn(const QString &text)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("(\\d+) check errors?\\b")).match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString shownText(const QLineEdit *field)
{
    const auto *status = qobject_cast<const StatusField *>(field);
    return status ? status->shownText() : QStringLiteral("(not a status field)");
}

} // namespace

// What the editor and the main window make room for: the "Show" label, status
// texts that stay whole, one count of errors, and a panel below the fields.
class TestEditorRoom : public QObject
{
    Q_OBJECT

private:
    EditorFixture m_fixture;

    // The demo product's German in the main window, with replacements made to its file first.
    std::unique_ptr<CGlossa_DeskDlg> demoGerman(const QList<std::pair<QByteArray, QByteArray>> &replacements)
    {
        const QString root = m_fixture.tmp.filePath(QStringLiteral("demo%1").arg(++m_serial));
        if (!copyTree(demoProductDir(), root))
            return nullptr;
        const QString german = root + QStringLiteral("/language/German (Germany).ini");
        QByteArray bytes = readBytes(german);
        for (const auto &[from, to] : replacements) {
            if (!bytes.contains(from))
                return nullptr;
            bytes.replace(from, to);
        }
        if (!writeBytes(german, bytes))
            return nullptr;
        QDir::setCurrent(root);
        resetAttributeIdCounter();
        auto window = std::make_unique<CGlossa_DeskDlg>();
        if (!window->OnInitDialog())
            return nullptr;
        window->show();
        const int row = window->languageCombo()->findText(QStringLiteral("German (Germany)"));
        window->languageCombo()->setCurrentIndex(row);
        window->onLanguageSelected(row);
        return window;
    }

    static std::unique_ptr<C> editorOf(CGlossa_DeskDlg *window)
    {
        auto editor = std::make_unique<C>(window);
        editor->sourceList = window->entryRows();
        editor->languageIndex = catalogueRow(QStringLiteral("German (Germany)"));
        editor->OnInitDialog();
        return editor;
    }

    int m_serial = 0;

private Q_SLOTS:
    void initTestCase() { QAccessible::setActive(true); }
    void init() { m_fixture.start(); }
    void cleanup()
    {
        const QStringList unanswered = m_fixture.finish();
        QVERIFY2(unanswered.isEmpty(), qPrintable(unanswered.join(QLatin1Char('|'))));
    }

    void showLabelNamesTheShowCombo()
    {
        QVERIFY(m_fixture.makeProduct(EditorFixture::mixedEntries()));
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        QLabel *label = editor->filterBar().showLabel();
        QComboBox *show = editor->showCombo();
        QCOMPARE(label->text(), QStringLiteral("Show"));
        QCOMPARE(label->buddy(), static_cast<QWidget *>(show));
        QVERIFY(label->isVisible());
        // The combo keeps its own name; the label stands left of it, on its line.
        QCOMPARE(show->accessibleName(), QStringLiteral("Show"));
        QVERIFY(label->geometry().right() < show->x());
        QCOMPARE(label->y(), show->y());
        QVERIFY(label->width() >= label->sizeHint().width());
        // A screen reader learns what the list is from its label.
        QAccessibleInterface *combo = QAccessible::queryAccessibleInterface(show);
        QVERIFY(combo);
        bool labelled = false;
        for (const auto &[other, relation] : combo->relations(QAccessible::Label))
            labelled = labelled || other->object() == label;
        QVERIFY(labelled);
    }

    void progressTextsAreWholeAtTheFirstSize()
    {
        auto window = demoGerman({});
        QVERIFY(window);
        const QLineEdit *status = window->statusLine();
        QVERIFY2(status->text().startsWith(QStringLiteral("92 of 154 translated")), qPrintable(status->text()));
        QCOMPARE(shownText(status), status->text());
        QVERIFY(status->toolTip().startsWith(status->text()));

        auto editor = editorOf(window.get());
        const QLineEdit *progress = editor->progressField();
        QCOMPARE(shownText(progress), progress->text());
        QVERIFY(progress->toolTip().startsWith(progress->text()));
        // The progress counts the rows "Errors" shows, and says what they are, in the
        // words the main window's status line uses.
        editor->showCombo()->setCurrentIndex(int(EntryFilterMode::Errors));
        editor->filterBar().applyFilter();
        const int shown = editor->entryList()->filterModel()->rowCount();
        QVERIFY(shown > 0);
        const QString marked = markedErrorText(shown, 0);
        QVERIFY2(progress->text().contains(u"\u00b7 %1 marked ERROR \u00b7"_s.arg(shown)), qPrintable(progress->text()));
        QVERIFY2(progress->toolTip().contains(marked), qPrintable(progress->toolTip()));
        QVERIFY2(status->toolTip().contains(marked), qPrintable(status->toolTip()));
        editor->hide();
    }

    void bothWindowsCountTheSameErrors_data()
    {
        QTest::addColumn<QList<std::pair<QByteArray, QByteArray>>>("replacements");
        QTest::addColumn<int>("errors");
        // As shipped, untranslated entries whose English has placeholders are
        // marked ERROR in the editor, and are no check errors.
        QTest::newRow("as shipped") << QList<std::pair<QByteArray, QByteArray>>{} << 0;
        QTest::newRow("a placeholder lost, an odd quote")
            << QList<std::pair<QByteArray, QByteArray>>{{"IDS_CHANNEL_COUNT=\"Kan\xc3\xa4le: %d\"", "IDS_CHANNEL_COUNT=\"Kan\xc3\xa4le\""},
                                                        {"IDS_MENU_HELP=\"Hilfe\"", "IDS_MENU_HELP=\"Hil\"fe\""}}
            << 2;
    }
    void bothWindowsCountTheSameErrors()
    {
        using Replacements = QList<std::pair<QByteArray, QByteArray>>;
        QFETCH(Replacements, replacements);
        QFETCH(int, errors);
        auto window = demoGerman(replacements);
        QVERIFY(window);
        QCOMPARE(checkErrorsIn(window->statusLine()->text()), errors);
        auto editor = editorOf(window.get());
        QCOMPARE(checkErrorsIn(editor->progressField()->toolTip()), errors);
        // A value applied with a placeholder lost counts at once; its undo takes it back.
        const int row = editor->entries()->findRowById(editor->entries()->itemData(0));
        editor->ShowEntry(row);
        editor->valueEdit()->setText(QStringLiteral("%s %s %s"));
        editor->ApplyValue();
        QCOMPARE(checkErrorsIn(editor->progressField()->toolTip()), errors + 1);
        editor->review().undo();
        QCOMPARE(checkErrorsIn(editor->progressField()->toolTip()), errors);
        editor->hide();
    }
};

QTEST_MAIN(TestEditorRoom)
#include "tst_editorroom.moc"
