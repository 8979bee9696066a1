#include "TestSupport.h"

#include "GuiTestSupport.h"
#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/Constants.h"
#include "checks/ReleaseComparison.h"
#include "mainwindow/LanguagesOverviewDlg.h"
#include "model/Types.h"
#include "platform/MessageBox.h"
#include "shared/WindowSettings.h"

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Glossa;
using namespace TestSupport;
using namespace Qt::StringLiterals;

namespace {

int rowOf(const QTableWidget *table, const QString &name)
{
    for (int row = 0; row < table->rowCount(); ++row)
        if (table->item(row, LanguagesOverviewDlg::NameColumn)->text() == name)
            return row;
    return -1;
}

QStringList column(const QTableWidget *table, int column)
{
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts << table->item(row, column)->text();
    return texts;
}

} // namespace

class TestOverview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_root = m_dir->path() + u"/product"_s;
        QVERIFY(copyTree(demoProductDir(), m_root));
    }

    void anEarlierReleaseAddsTheStaleColumn()
    {
        const auto before = snapshotTree(m_root);
        LanguagesOverviewDlg dialog(m_root, {});
        QSignalSpy finished(&dialog, &LanguagesOverviewDlg::checkFinished);
        dialog.show();
        dialog.start();
        QTableWidget *table = dialog.languageTable();
        QCOMPARE(table->horizontalHeaderItem(LanguagesOverviewDlg::StaleColumn)->text(), u"Stale"_s);
        QVERIFY(table->isColumnHidden(LanguagesOverviewDlg::StaleColumn));
        QCOMPARE(dialog.compareButton()->accessibleName().isEmpty() ? dialog.compareButton()->text()
                                                                    : dialog.compareButton()->accessibleName(),
                 u"Compare with Earlier Release\u2026"_s);

        // The product itself is no earlier release: a message, and the run goes on as it was.
        MessageBox::resetTestHooks();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(!dialog.compareWithEarlierRelease(m_root));
        QCOMPARE(MessageBox::shownMessages().size(), 1);
        QVERIFY(table->isColumnHidden(LanguagesOverviewDlg::StaleColumn));

        // Asked while the first run may still be going: that run is dropped, the new one counts.
        const QString earlier = sourceDir() + u"/examples/demo-product-previous"_s;
        QVERIFY(dialog.compareWithEarlierRelease(earlier));
        QVERIFY(!table->isColumnHidden(LanguagesOverviewDlg::StaleColumn));
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isRunning(), 10000);
        QHash<QString, QSet<QString>> stale;
        QString error;
        QVERIFY(loadStaleKeys(earlier, m_root, &stale, &error));
        QCOMPARE(table->rowCount(), int(dialog.report().languages.size()));
        const int german = rowOf(table, u"German (Germany)"_s);
        QVERIFY(german >= 0);
        QVERIFY(stale.value(u"German (Germany)"_s).size() > 0);
        QCOMPARE(table->item(german, LanguagesOverviewDlg::StaleColumn)->data(Qt::DisplayRole).toInt(),
                 int(stale.value(u"German (Germany)"_s).size()));
        QCOMPARE(snapshotTree(m_root), before);
        MessageBox::resetTestHooks();
    }

    void fillsInTheBackgroundAndShowsFindings()
    {
        const auto before = snapshotTree(m_root);
        LanguagesOverviewDlg dialog(m_root, {});
        QCOMPARE(dialog.windowTitle(), u"Languages"_s);
        QSignalSpy finished(&dialog, &LanguagesOverviewDlg::checkFinished);
        dialog.show();
        dialog.start();
        QVERIFY(finished.wait(10000));
        QCOMPARE(dialog.languageTable()->rowCount(), int(dialog.report().languages.size()));
        // Languages by name and findings by line, ascending, until the user sorts otherwise.
        const QStringList names = column(dialog.languageTable(), LanguagesOverviewDlg::NameColumn);
        QStringList sortedNames = names;
        std::sort(sortedNames.begin(), sortedNames.end());
        QCOMPARE(names, sortedNames);
        QVERIFY(dialog.saveReportButton()->isEnabled());
        QVERIFY(!dialog.cancelButton()->isEnabled());

        const int french = rowOf(dialog.languageTable(), u"French (France)"_s);
        QVERIFY(french >= 0);
        QVERIFY(dialog.languageTable()->item(french, LanguagesOverviewDlg::ErrorsColumn)->data(Qt::DisplayRole).toInt() > 0);
        dialog.languageTable()->selectRow(french);
        QVERIFY(column(dialog.findingTable(), LanguagesOverviewDlg::CheckColumn).contains(u"placeholders"_s));
        int lastLine = 0;
        for (const QString &line : column(dialog.findingTable(), LanguagesOverviewDlg::LineColumn)) {
            if (line.isEmpty())
                continue; // a finding about the whole file
            QVERIFY(line.toInt() >= lastLine);
            lastLine = line.toInt();
        }

        // Narrowed to warnings, no error is left.
        dialog.severityFilter()->setCurrentIndex(2);
        QVERIFY(!column(dialog.findingTable(), LanguagesOverviewDlg::SeverityColumn).contains(u"error"_s));
        dialog.severityFilter()->setCurrentIndex(1);
        const QStringList severities = column(dialog.findingTable(), LanguagesOverviewDlg::SeverityColumn);
        QVERIFY(!severities.isEmpty());
        QCOMPARE(severities.count(u"error"_s), severities.size());

        // Sorting by errors puts the worst language first.
        dialog.languageTable()->sortByColumn(LanguagesOverviewDlg::ErrorsColumn, Qt::DescendingOrder);
        const QStringList errors = column(dialog.languageTable(), LanguagesOverviewDlg::ErrorsColumn);
        for (int i = 1; i < errors.size(); ++i)
            QVERIFY(errors[i - 1].toInt() >= errors[i].toInt());
        QCOMPARE(snapshotTree(m_root), before);
    }

    void theGlossarysChecksAreKeptApartFromTheEditorsErrors()
    {
        LanguagesOverviewDlg dialog(m_root, {});
        QSignalSpy finished(&dialog, &LanguagesOverviewDlg::checkFinished);
        dialog.show();
        dialog.start();
        QVERIFY(finished.wait(10000));
        const int german = rowOf(dialog.languageTable(), u"German (Germany)"_s);
        QVERIFY(german >= 0);
        dialog.languageTable()->selectRow(german);
        const QStringList checks = column(dialog.findingTable(), LanguagesOverviewDlg::CheckColumn);
        for (const QString &check : {u"term"_s, u"term-forbidden"_s, u"term-untranslated"_s})
            QVERIFY2(checks.contains(check), qPrintable(check));
        // term-forbidden counts among the errors; the tip says the editor marks it no ERROR.
        const QString tip = dialog.languageTable()->item(german, LanguagesOverviewDlg::ErrorsColumn)->toolTip();
        QVERIFY2(tip.contains(u"besides, 1 term-forbidden"_s), qPrintable(tip));

        // A glossary that cannot be read: the other checks run, the status line says why.
        QVERIFY(TestSupport::writeBytes(m_root + u"/glossa-glossary.tbx"_s, "<martif><text>"));
        dialog.start();
        QVERIFY(finished.wait(10000));
        bool said = false;
        for (const QLineEdit *line : dialog.findChildren<QLineEdit *>())
            said = said || line->text().contains(u"the term checks did not run"_s);
        QVERIFY(said);
        dialog.languageTable()->selectRow(rowOf(dialog.languageTable(), u"German (Germany)"_s));
        QVERIFY(!column(dialog.findingTable(), LanguagesOverviewDlg::CheckColumn).contains(u"term-forbidden"_s));
    }

    void doubleClicksChooseALanguageOrAnEntry()
    {
        LanguagesOverviewDlg dialog(m_root, {});
        QSignalSpy finished(&dialog, &LanguagesOverviewDlg::checkFinished);
        dialog.show();
        dialog.start();
        QVERIFY(finished.wait(10000));
        const int german = rowOf(dialog.languageTable(), u"German (Germany)"_s);
        dialog.languageTable()->selectRow(german);
        int keyed = -1;
        for (int row = 0; row < dialog.findingTable()->rowCount() && keyed < 0; ++row)
            if (!dialog.findingTable()->item(row, LanguagesOverviewDlg::KeyColumn)->text().isEmpty())
                keyed = row;
        QVERIFY(keyed >= 0);
        const QString key = dialog.findingTable()->item(keyed, LanguagesOverviewDlg::KeyColumn)->text();
        Q_EMIT dialog.findingTable()->cellDoubleClicked(keyed, 0);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenLanguage(), u"German (Germany)"_s);
        QCOMPARE(dialog.chosenKey(), key);

        LanguagesOverviewDlg again(m_root, {});
        QSignalSpy done(&again, &LanguagesOverviewDlg::checkFinished);
        again.start();
        QVERIFY(done.wait(10000));
        Q_EMIT again.languageTable()->cellDoubleClicked(rowOf(again.languageTable(), u"Chinese (PRC)"_s), 3);
        QCOMPARE(again.chosenLanguage(), u"Chinese (PRC)"_s);
        QVERIFY(again.chosenKey().isEmpty());
    }

    void closingWhileRunningIsSafe()
    {
        auto *dialog = new LanguagesOverviewDlg(m_root, {});
        dialog->start();
        dialog->reject(); // stops the worker before the dialog goes
        delete dialog;
    }

    void aProductThatCannotBeReadSaysWhy()
    {
        LanguagesOverviewDlg dialog(m_dir->path() + u"/nothing"_s, {});
        QSignalSpy finished(&dialog, &LanguagesOverviewDlg::checkFinished);
        dialog.start();
        QVERIFY(finished.wait(10000));
        QCOMPARE(dialog.languageTable()->rowCount(), 0);
        QVERIFY(!dialog.saveReportButton()->isEnabled());
    }

    void mainWindowStatusAndOverview()
    {
        CurrentDirGuard cwd;
        MessageBox::resetTestHooks();
        QDir::setCurrent(m_root);
        resetAttributeIdCounter();
        CGlossa_DeskDlg window;
        QVERIFY(window.OnInitDialog());
        window.show();
        QCOMPARE(window.statusLine()->accessibleName(), u"Language status"_s);
        QVERIFY(window.statusLine()->text().isEmpty());
        // Both new controls sit left of "Modify", on its row, and cover nothing.
        QCOMPARE(window.languagesButton()->y(), window.modifyButton()->y());
        QVERIFY(window.statusLine()->geometry().right() < window.modifyButton()->x());
        QVERIFY(window.languagesButton()->geometry().right() < window.statusLine()->x());

        window.languageCombo()->setCurrentIndex(window.languageCombo()->findText(u"German (Germany)"_s));
        window.onLanguageSelected(window.languageCombo()->currentIndex());
        const QRegularExpression counts(u"^\\d+ of \\d+ translated \\(\\d+%\\) · \\d+ check errors? · [1-9]\\d* extra keys?$"_s);
        QVERIFY2(counts.match(window.statusLine()->text()).hasMatch(), qPrintable(window.statusLine()->text()));

        // A double click on a language in the overview picks it as the drop-down would.
        bool seen = false;
        whenModal<LanguagesOverviewDlg>(this, [&seen](LanguagesOverviewDlg *overview) {
            seen = true;
            QTRY_VERIFY_WITH_TIMEOUT(!overview->isRunning(), 10000);
            Q_EMIT overview->languageTable()->cellDoubleClicked(rowOf(overview->languageTable(), u"French (France)"_s), 0);
        });
        window.onLanguages();
        QVERIFY(seen);
        QCOMPARE(window.languageCombo()->currentText(), u"French (France)"_s);
        QVERIFY(window.modifyButton()->isEnabled());
        QCOMPARE(window.entryList()->model()->rowCount(), 154);
        QVERIFY2(window.statusLine()->text().contains(u" translated ("_s), qPrintable(window.statusLine()->text()));
        QVERIFY(MessageBox::shownMessages().isEmpty());
    }

    // After Save the status line tells the user's changes from rows written as
    // they loaded; the list stretches with the window; the overview's keys are whole.
    void mainWindowSaysWhatWasSavedAndTablesFit()
    {
        CurrentDirGuard cwd;
        MessageBox::resetTestHooks();
        QDir::setCurrent(m_root);
        resetAttributeIdCounter();
        CGlossa_DeskDlg window;
        QVERIFY(window.OnInitDialog());
        window.show();
        window.languageCombo()->setCurrentIndex(window.languageCombo()->findText(u"French (France)"_s));
        window.onLanguageSelected(window.languageCombo()->currentIndex());
        int marked = 0;
        whenModal<CVuduzLanguageMapDlg>(this, [&marked](CVuduzLanguageMapDlg *editor) {
            const EntryListModel *rows = editor->entries();
            for (int row = 0; row < rows->rowCount(); ++row)
                marked += rows->text(row, rows->statusColumn()) == StatusError ? 1 : 0;
            int unmarked = 0;
            while (unmarked < rows->rowCount() && !rows->text(unmarked, rows->statusColumn()).isEmpty())
                ++unmarked;
            editor->ShowEntry(unmarked);
            editor->valueEdit()->setText(u"\"Fichier neuf\""_s);
            editor->ApplyValue();
            MessageBox::setNextAnswer(QMessageBox::Yes); // the format question of the rows marked ERROR
            editor->OnSave();
        });
        window.onModify();
        QVERIFY(marked > 0);
        QVERIFY2(window.statusLine()->text().startsWith(
                     u"Saved %1 values to French (France).ini (1 you changed, %2 marked ERROR when the editor opened)"_s
                         .arg(marked + 1).arg(marked)),
                 qPrintable(window.statusLine()->text()));
        // The band below the area says it whole, however long; the list kept its room.
        const QLabel *band = window.savedBand();
        QVERIFY(band->isVisible());
        QVERIFY(window.statusLine()->text().startsWith(band->text()));
        QTRY_VERIFY(band->height() >= band->heightForWidth(band->width()));
        QCOMPARE(band->accessibleName(), band->text());

        const int before = window.entryList()->columnWidth(1);
        window.resize(window.width() + 200, window.height());
        QTRY_VERIFY(window.entryList()->columnWidth(1) > before);

        LanguagesOverviewDlg overview(m_root, {});
        QSignalSpy finished(&overview, &LanguagesOverviewDlg::checkFinished);
        overview.start();
        QVERIFY(finished.wait(10000));
        overview.languageTable()->selectRow(rowOf(overview.languageTable(), u"German (Germany)"_s));
        QTableWidget *findings = overview.findingTable();
        QVERIFY(findings->rowCount() > 0);
        int widest = 0;
        for (int row = 0; row < findings->rowCount(); ++row)
            widest = std::max(widest, findings->fontMetrics().horizontalAdvance(findings->item(row, 1)->text()));
        QVERIFY2(findings->columnWidth(1) >= widest, qPrintable(QString::number(findings->columnWidth(1))));
    }

    // The main window and the overview come back as they were left; the overview
    // opens wide enough for its columns.
    void windowsComeBackAsTheyWereLeft()
    {
        CurrentDirGuard cwd;
        MessageBox::resetTestHooks();
        WindowSettings().clear();
        QDir::setCurrent(m_root);
        {
            LanguagesOverviewDlg overview(m_root, {});
            QTableWidget *languages = overview.languageTable();
            int columns = 0;
            for (int column = 0; column < languages->columnCount(); ++column)
                if (!languages->isColumnHidden(column))
                    columns += languages->columnWidth(column);
            overview.show();
            QVERIFY(QTest::qWaitForWindowExposed(&overview));
            QVERIFY2(columns <= languages->viewport()->width(),
                     qPrintable(u"%1 > %2"_s.arg(columns).arg(languages->viewport()->width())));
            overview.resize(1300, 700);
            languages->setColumnWidth(0, 333);
            overview.reject();
        }
        {
            LanguagesOverviewDlg overview(m_root, {});
            QCOMPARE(overview.size(), QSize(1300, 700));
            QCOMPARE(overview.languageTable()->columnWidth(0), 333);
        }
        {
            resetAttributeIdCounter();
            CGlossa_DeskDlg window;
            QVERIFY(window.OnInitDialog());
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.resize(900, 650);
            window.move(60, 70);
            QTRY_COMPARE(window.size(), QSize(900, 650));
            window.entryList()->setColumnWidth(0, 210);
            window.close();
        }
        QDir::setCurrent(m_root);
        resetAttributeIdCounter();
        CGlossa_DeskDlg window;
        QVERIFY(window.OnInitDialog());
        QCOMPARE(window.size(), QSize(900, 650));
        QCOMPARE(window.pos(), QPoint(60, 70));
        QCOMPARE(window.entryList()->columnWidth(0), 210);
        WindowSettings().clear();
    }

    void saveReportPicksTheFormatByExtension()
    {
        LanguagesOverviewDlg dialog(m_root, {});
        QStringList formats;
        dialog.setReportWriter([&](const ProductReport &, const QString &format, const QString &, QString *) {
            formats << format;
            return true;
        });
        for (const char *name : {"r.txt", "r.json", "r.xml", "r.sarif", "r.github"})
            QVERIFY(dialog.saveReport(m_dir->filePath(QString::fromLatin1(name))));
        QCOMPARE(formats, QStringList({u"text"_s, u"json"_s, u"junit"_s, u"sarif"_s, u"github"_s}));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
};

QTEST_MAIN(TestOverview)
#include "tst_overview.moc"
