// Takes the README's screenshots: the windows on a scratch copy of the demo
// product, each grabbed as the user sees it. Run under Xvfb:
//   xvfb-run -a build/bin/glossa-screenshots docs/
// With --titles it instead opens the main window, the editor, the overview,
// the Add New Language box and a warning, and asks the X server (xprop) for the
// title each one carries there; scripts/check-titles.sh runs it.
#include "app/Glossa_DeskApp.h"
#include "editor/EditorGlossary.h"
#include "editor/EditorSuggestions.h"
#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "editor/VuduzListCtrl.h"
#include "mainwindow/AddNewLanDlg.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "mainwindow/LanguagesOverviewDlg.h"
#include "model/LocaleCatalogue.h"
#include "platform/MessageBox.h"
#include "model/Types.h"
#include "waiting/WaitingDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

using namespace Glossa;

namespace {

void settle()
{
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

void save(QWidget *window, const QString &path)
{
    settle();
    if (!window->grab().save(path))
        qFatal("cannot write %s", qPrintable(path));
    std::printf("%s\n", qPrintable(path));
}

// The window's title as the X server holds it in one property, from
// `xprop -id ID -notype PROPERTY`, which prints PROPERTY = "title".
QString xTitle(QWidget *window, const QString &property)
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()), QStringLiteral("-notype"), property});
    if (!xprop.waitForFinished(10000))
        return QStringLiteral("(xprop did not answer)");
    const QString line = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    const QString head = property + QStringLiteral(" = \"");
    if (!line.startsWith(head) || !line.endsWith(u'"'))
        return QStringLiteral("(%1)").arg(line);
    return line.mid(head.size(), line.size() - head.size() - 1);
}

int failures = 0;

void checkTitle(const char *what, QWidget *window, const QString &expected)
{
    settle();
    for (const QString &property : {QStringLiteral("_NET_WM_NAME"), QStringLiteral("WM_NAME")}) {
        const QString got = xTitle(window, property);
        const bool pass = got == expected;
        failures += !pass;
        std::printf("%s %s %s: \"%s\"%s\n", pass ? "PASS" : "FAIL", what, qPrintable(property), qPrintable(got),
                    pass ? "" : qPrintable(QStringLiteral(" (expected \"%1\")").arg(expected)));
    }
}

// The windows' titles as the window manager gets them: exactly as the program sets them.
int checkTitles(const QString &product)
{
    CGlossa_DeskDlg main;
    if (!main.OnInitDialog())
        return 1;
    main.show();
    checkTitle("main window", &main, QStringLiteral("Glossa Desk"));

    const int french = main.languageCombo()->findData(50);
    main.languageCombo()->setCurrentIndex(french);
    main.onLanguageSelected(french);
    CVuduzLanguageMapDlg editor(&main);
    editor.sourceList = main.entryRows();
    editor.languageIndex = 50;
    editor.OnInitDialog();
    editor.show();
    checkTitle("editor", &editor, QStringLiteral("Dedevuded      French (France)"));

    // A warning through the program's own message box, looked at while its modal loop runs.
    QTimer::singleShot(0, [&] {
        const QDeadlineTimer deadline(5000);
        QWidget *box = nullptr;
        while (!box && !deadline.hasExpired()) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            box = QApplication::activeModalWidget();
        }
        if (!box) {
            ++failures;
            std::printf("FAIL message box: none came up\n");
            return;
        }
        checkTitle("message box", box, QStringLiteral("Warning"));
        box->close();
    });
    MessageBox::show(&editor, QMessageBox::Warning, QStringLiteral("Warning"), QStringLiteral("A warning to look at."));
    editor.hide();

    LanguagesOverviewDlg overview(product, {}, &main);
    overview.start();
    overview.show();
    checkTitle("languages overview", &overview, QStringLiteral("Languages"));
    overview.reject();

    presentLanguages().erase(67);
    CAddNewLanDlg add(&main);
    add.show();
    checkTitle("add language", &add, QStringLiteral("Add New Language"));
    add.hide();
    std::printf("%s\n", failures ? "FAIL: some titles differ" : "PASS: every title as set");
    return failures ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--titles") {
        // The program's own application object, which decides what Qt adds to titles.
        CGlossa_DeskApp app(argc, argv);
        const QString demo = QDir(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("examples/demo-product")).absolutePath();
        QTemporaryDir scratch;
        QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), demo + QStringLiteral("/."), scratch.path()});
        QDir::setCurrent(scratch.path());
        return checkTitles(scratch.path());
    }
    QApplication app(argc, argv);
    // The user's remembered choices are neither read nor changed.
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    const QString out = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs")).absolutePath();
    const QString demo = QDir(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("examples/demo-product")).absolutePath();
    QTemporaryDir scratch;
    QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), demo + QStringLiteral("/."), scratch.path()});
    QDir::setCurrent(scratch.path());
    CWaitingDlg::registerMessages();

    CGlossa_DeskDlg main;
    if (!main.OnInitDialog())
        return 1;
    main.show();
    const int french = main.languageCombo()->findData(50);
    main.languageCombo()->setCurrentIndex(french);
    main.onLanguageSelected(french);
    save(&main, out + QStringLiteral("/main-window.png"));

    CVuduzLanguageMapDlg editor(&main);
    editor.sourceList = main.entryRows();
    editor.languageIndex = 50;
    editor.OnInitDialog(); // at its default size: the fixed controls, the side panel beside them
    // One applied value that keeps its placeholders, one that loses them.
    const int open = editor.entries()->findRowById(*main.languageStore().findAttribute(QStringLiteral("IDS_FILE_OPEN")));
    editor.ShowEntry(open);
    editor.valueEdit()->setText(QStringLiteral("\"Ouvrir\u2026\""));
    editor.ApplyValue();
    const int count = editor.entries()->findRowById(*main.languageStore().findAttribute(QStringLiteral("IDS_DEVICE_COUNT")));
    editor.ShowEntry(count);
    editor.valueEdit()->setText(QStringLiteral("\"%d appareils\""));
    editor.ApplyValue();
    editor.entryList()->scrollToTop();
    editor.ShowEntry(0);
    save(&editor, out + QStringLiteral("/editor.png"));

    // The same editor narrowed to the marked rows, the faulty one shown so that the Why line speaks.
    editor.showCombo()->setCurrentIndex(3); // "Marked"
    editor.filterBar().applyFilter();
    editor.ShowEntry(count);
    save(&editor, out + QStringLiteral("/editor-filtered.png"));
    editor.hide();

    // German with its suggestions: a fuzzy match of another key, and the concordance of "device".
    const int german = main.languageCombo()->findText(QStringLiteral("German (Germany)"));
    main.languageCombo()->setCurrentIndex(german);
    main.onLanguageSelected(german);
    CVuduzLanguageMapDlg translating(&main);
    translating.sourceList = main.entryRows();
    translating.languageIndex = main.languageCombo()->itemData(german).toInt();
    translating.OnInitDialog();
    translating.suggestions().setShown(true);
    const auto answered = [&] {
        const QDeadlineTimer late(30000);
        while (translating.suggestions().isWorking() && !late.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    };
    answered();
    translating.ShowEntry(translating.entries()->findRowById(*main.languageStore().findAttribute(QStringLiteral("MSG_USER_DELETE_CONFIRM"))));
    answered();
    translating.suggestions().concordanceField()->setText(QStringLiteral("device"));
    QThread::msleep(200);
    settle();
    save(&translating, out + QStringLiteral("/editor-suggestions.png"));

    // Larger, on "Reboot Device": the Glossary section below the suggestions, the why
    // line naming the term the value lacks.
    const QDeadlineTimer read(30000);
    while (!translating.glossary().isLoaded() && !read.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    translating.resize(1500, 900);
    translating.ShowEntry(translating.entries()->findRowById(*main.languageStore().findAttribute(QStringLiteral("IDS_SYSTEM_REBOOT"))));
    answered();
    save(&translating, out + QStringLiteral("/editor-glossary.png"));
    translating.hide();

    // The overview once every language is checked, French selected so that its findings show.
    LanguagesOverviewDlg overview(scratch.path(), {}, &main);
    overview.start();
    overview.show();
    const QDeadlineTimer checked(30000);
    while (overview.isRunning() && !checked.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    QTableWidget *languages = overview.languageTable();
    for (int row = 0; row < languages->rowCount(); ++row)
        if (languages->item(row, LanguagesOverviewDlg::NameColumn)->text() == LocaleCatalogue::DisplayNameAt(50))
            languages->selectRow(row);
    overview.findingTable()->scrollToTop();
    save(&overview, out + QStringLiteral("/overview.png"));
    overview.reject();

    presentLanguages().erase(67);
    CAddNewLanDlg add(&main);
    add.show();
    save(&add, out + QStringLiteral("/add-language.png"));
    return 0;
}
