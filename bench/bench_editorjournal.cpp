// What the recovery costs the editor on 20,000 rows: opening it (the lock, the
// file's fingerprint, the watch), an import of 20,000 values and 20,000 values
// applied one after another with Modify, each beside the same with the
// recovery switched off; and restoring a journal of 20,000 steps into the rows.
// Run with QT_QPA_PLATFORM=offscreen.
#include "BenchSupport.h"
#include "SyntheticProduct.h"

#include "app/Glossa_DeskApp.h"
#include "editor/EditorRecovery.h"
#include "editor/EditorReview.h"
#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "platform/MessageBox.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

using namespace Glossa;

namespace {

constexpr int Attributes = 20000;
constexpr int EnglishRow = 1;
constexpr int GermanRow = 55;

} // namespace

int main(int argc, char **argv)
{
    CGlossa_DeskApp app(argc, argv);
    Bench::quietWindowMaskWarnings();
    QTemporaryDir dir;
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("state"))));
    const QString root = dir.filePath(QStringLiteral("product"));
    Bench::makeProduct(root, Attributes, {EnglishRow, GermanRow}, {EnglishRow, GermanRow}, {});
    QDir::setCurrent(root);
    resetAttributeIdCounter();
    CGlossa_DeskDlg window;
    if (!window.OnInitDialog())
        qFatal("the main window did not start in %s", qPrintable(root));
    window.onLanguageSelected(window.languageCombo()->findData(GermanRow));

    std::unique_ptr<CVuduzLanguageMapDlg> editor;
    auto open = [&] {
        editor = std::make_unique<CVuduzLanguageMapDlg>(&window);
        editor->sourceList = window.entryRows();
        editor->languageIndex = GermanRow;
        editor->OnInitDialog();
    };
    // Closed as Cancel closes it: the journal goes.
    auto close = [&] {
        if (editor)
            editor->recovery().finish();
        editor.reset();
    };
    auto withRecovery = [&](bool on, const std::function<double()> &measure) {
        EditorRecovery::setEnabled(on);
        const double ms = measure();
        close();
        return ms;
    };

    std::vector<std::pair<int, QString>> values;
    values.reserve(Attributes);
    for (int row = 0; row < Attributes; ++row)
        values.emplace_back(row, QStringLiteral("Wert %1").arg(row));

    auto import = [&](bool on, bool untilWritten) {
        return withRecovery(on, [&] {
            return Bench::bestMs([&] { close(); open(); }, [&] {
                editor->session().applyValues(values, QStringLiteral("the import"));
                if (untilWritten)
                    editor->recovery().finishJournalWrites();
            }, 1);
        });
    };
    // Imports alternate one by one, after one each way that is not counted: how
    // much of a large allocation the allocator serves from memory already mapped
    // depends on what the process freed last, and a fresh process's first ones
    // are the cheapest, which would favour whichever ran first.
    import(false, false);
    import(true, true);
    double importOn = 1e300, importOff = 1e300, importWritten = 1e300;
    for (int round = 0; round < 5; ++round) {
        importOff = std::min(importOff, import(false, false));
        importOn = std::min(importOn, import(true, false));
        // The same until the import's record, written beside the editor, is in the journal file.
        importWritten = std::min(importWritten, import(true, true));
    }

    double openOn = 1e300, openOff = 1e300;
    for (int round = 0; round < 8; ++round)
        for (bool on : {false, true}) {
            double &openMs = on ? openOn : openOff;
            openMs = std::min(openMs, withRecovery(on, [&] { return Bench::bestMs(close, open, 2); }));
        }

    // Each pair measured twice, alternating, so that a busy machine weighs on both alike.
    double modifyOn = 1e300, modifyOff = 1e300;
    for (int round = 0; round < 2; ++round) {
        for (bool on : {false, true}) {
            double &modifyMs = on ? modifyOn : modifyOff;
            modifyMs = std::min(modifyMs, withRecovery(on, [&] {
                return Bench::bestMs([&] { close(); open(); }, [&] {
                    for (int row = 0; row < Attributes; ++row) {
                        editor->ShowEntry(row);
                        editor->valueEdit()->setText(values[size_t(row)].second);
                        editor->ApplyValue();
                    }
                }, 1);
            }));
        }
    }

    // A journal of 20,000 steps, as a crash leaves it, restored at the next opening.
    EditorRecovery::setEnabled(true);
    open();
    const QString journal = editor->recovery().journalPath();
    for (int row = 0; row < Attributes; ++row) {
        editor->ShowEntry(row);
        editor->valueEdit()->setText(values[size_t(row)].second);
        editor->ApplyValue();
    }
    editor.reset();
    const QString kept = dir.filePath(QStringLiteral("kept.journal"));
    QFile::copy(journal, kept);
    const double restoreOpenMs = Bench::bestMs([&] {
        close();
        QFile::remove(journal);
        QFile::copy(kept, journal);
        MessageBox::setNextAnswer(EditorRecovery::RestoreAnswer);
    }, open, 5);
    const int restored = editor->entries()->rowCount();
    close();
    const double plainOpenMs = Bench::bestMs(close, open, 5);
    close();

    Bench::printHeader("Recovery in the editor, 20,000 rows");
    Bench::printRow(QStringLiteral("open the editor (construct + OnInitDialog)"), openOn,
                    QStringLiteral("recovery off"), openOff);
    Bench::printRow(QStringLiteral("import 20,000 values (one applyValues)"), importOn, QStringLiteral("recovery off"),
                    importOff);
    Bench::printRow(QStringLiteral("the same until its record is in the journal"), importWritten,
                    QStringLiteral("recovery off"), importOff);
    Bench::printRow(QStringLiteral("20,000 values with Modify, one after another"), modifyOn,
                    QStringLiteral("recovery off"), modifyOff);
    Bench::printRow(QStringLiteral("open with a journal of 20,000 steps, Restore"), restoreOpenMs,
                    QStringLiteral("open without a journal"), plainOpenMs);
    std::printf("\nratios (recovery on / off): open %.2fx, import %.2fx, Modify %.2fx; restore itself %.1f ms (%d rows)\n",
                openOn / openOff, importOn / importOff, modifyOn / modifyOff, restoreOpenMs - plainOpenMs, restored);
    return 0;
}
