// Drives the real main window and editor on a product folder, offscreen, and
// prints every step as it happens, so that a test can kill it at any moment
// and know what was done before.
//
//   killdriver PRODUCT LANGUAGE drive SEED   apply values, save, apply more, type, then idle
//   killdriver PRODUCT LANGUAGE restore      answer Restore, print the rows, exit
//   killdriver PRODUCT LANGUAGE serve        open the editor, then take commands from stdin:
//                                            "apply KEY<TAB>VALUE", "save", "quit"
//
// Each printed line is flushed at once: "ready PID", "typing I", "applied I KEY VALUE",
// "saving", "saved", "pending KEY TEXT", "idle", "row KEY VALUE STATE", "field TEXT",
// "restored", "status TEXT" (tab-separated).

#include "app/Glossa_DeskApp.h"
#include "editor/EditorRecovery.h"
#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "platform/MessageBox.h"
#include "recovery/Journal.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

using namespace Glossa;

namespace {

void say(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

CVuduzLanguageMapDlg *activeEditor()
{
    return qobject_cast<CVuduzLanguageMapDlg *>(QApplication::activeModalWidget());
}

// Runs act once the editor is the modal window and its run has begun; polls,
// never waits inside the editor's own start-up.
void whenEditor(std::function<void(CVuduzLanguageMapDlg *)> act)
{
    auto *timer = new QTimer(qApp);
    timer->setInterval(10);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        CVuduzLanguageMapDlg *editor = activeEditor();
        if (!editor || !editor->isVisible()) {
            if (++*tries > 1000) {
                say(QStringLiteral("error\tno editor"));
                std::_Exit(3);
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        act(editor);
    });
    timer->start();
}

// A message box nobody queued an answer for is answered with its default (or OK) and named.
void answerStrayBoxes()
{
    auto *timer = new QTimer(qApp);
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, [] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        say(QStringLiteral("box\t") + QString(box->text()).replace(u'\n', u' '));
        if (QAbstractButton *button = box->defaultButton() ? box->defaultButton() : box->buttons().value(0))
            button->click();
    });
    timer->start();
}

bool selectLanguage(CGlossa_DeskDlg &window, const QString &language)
{
    QComboBox *combo = window.languageCombo();
    for (int i = 0; i < combo->count(); ++i) {
        if (LocaleCatalogue::DisplayNameAt(combo->itemData(i).toInt()) == language) {
            combo->setCurrentIndex(i);
            window.onLanguageSelected(i);
            return true;
        }
    }
    return false;
}

// Rows a value can be appended to without a question at Save: checked fine, an even number of quotes.
QList<int> safeRows(CVuduzLanguageMapDlg &editor)
{
    QList<int> rows;
    const EntryListModel *model = editor.entries();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QString value = model->text(row, 1);
        if (!value.isEmpty() && value.count(u'"') % 2 == 0 && editor.CheckEntry(row)
            && model->text(row, model->statusColumn()).isEmpty())
            rows.append(row);
    }
    return rows;
}

QString fileHash(LanguageStore &store, const QString &language)
{
    QFile file(store.filePathFor(language));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
}

// The rows of the editor as it shows them, then the end.
void printRows(CVuduzLanguageMapDlg &shown)
{
    CVuduzLanguageMapDlg *editor = &shown;
    const EntryListModel *model = editor->entries();
    for (int row = 0; row < model->rowCount(); ++row)
        say(QStringLiteral("row\t%1\t%2\t%3")
                .arg(model->text(row, 0), model->text(row, 1), model->text(row, model->statusColumn())));
    say(QStringLiteral("field\t") + editor->valueEdit()->text());
    say(QStringLiteral("restored"));
    std::_Exit(0);
}

class Driver
{
public:
    Driver(CGlossa_DeskDlg &window, QString language)
        : m_window(window)
        , m_language(std::move(language))
    {
    }

    // Applies stepsBeforeSave values, saves, opens the editor again, applies as many
    // more, types into one more entry without applying and waits to be killed.
    void drive(quint32 seed)
    {
        QRandomGenerator random(seed);
        constexpr int StepsPerRun = 6;
        int step = 0;
        QSet<QString> used; // each step on a key of its own
        for (int run = 0; run < 2; ++run) {
            whenEditor([&](CVuduzLanguageMapDlg *editor) {
                if (run == 0)
                    say(QStringLiteral("ready\t%1").arg(QCoreApplication::applicationPid()));
                QList<int> rows;
                for (int row : safeRows(*editor))
                    if (!used.contains(editor->entries()->text(row, 0)))
                        rows.append(row);
                for (int i = 0; i < StepsPerRun + (run == 1 ? 1 : 0) && !rows.isEmpty(); ++i, ++step) {
                    const int row = rows.takeAt(int(random.bounded(quint32(rows.size()))));
                    editor->ShowEntry(row);
                    used.insert(editor->entries()->text(row, 0));
                    // Typed inside the closing quote, so that the value stays one quoted text.
                    const QString shown = editor->valueEdit()->text();
                    editor->valueEdit()->setCursorPosition(int(shown.size()) - (shown.endsWith(u'"') ? 1 : 0));
                    say(QStringLiteral("typing\t%1").arg(step));
                    for (const QChar c : QStringLiteral(" k%1").arg(step)) {
                        QTest::keyClicks(editor->valueEdit(), QString(c));
                        QTest::qWait(20);
                    }
                    if (run == 1 && i == StepsPerRun) {
                        // Typed, never applied: journaled once typing rests.
                        say(QStringLiteral("pending\t%1\t%2").arg(editor->entries()->text(row, 0),
                                                                  editor->valueEdit()->text()));
                        QTest::qWait(EditorRecovery::TypingRestMs + 300);
                        say(QStringLiteral("idle"));
                        for (;;)
                            QTest::qWait(1000);
                    }
                    QTest::keyClick(editor->valueEdit(), Qt::Key_Return);
                    say(QStringLiteral("applied\t%1\t%2\t%3")
                            .arg(step)
                            .arg(editor->entries()->text(row, 0), editor->entries()->text(row, 1)));
                    QTest::qWait(40);
                }
                if (run == 0) {
                    say(QStringLiteral("saving"));
                    // The demo has a row marked ERROR from the start: Save asks once about it.
                    MessageBox::setNextAnswer(QMessageBox::Yes);
                    editor->OnSave();
                    // The file as Save left it; the main window then takes out the keys the master lacks.
                    say(QStringLiteral("saved\t") + fileHash(m_window.languageStore(), m_language));
                }
            });
            m_window.onModify();
        }
    }

    // The start's offer ("Open in Editor") and the journal's question (Restore),
    // queued before the main window starts, as it asks at once.
    static void queueRestoreAnswers()
    {
        if (!existingJournals().isEmpty()) {
            MessageBox::setNextAnswer(QMessageBox::Open);
            MessageBox::setNextAnswer(EditorRecovery::RestoreAnswer);
        }
    }

    // Without a journal nothing is offered: the editor is opened as the user would.
    void restore()
    {
        if (!activeEditor())
            m_window.onModify();
    }

    void serve()
    {
        whenEditor([this](CVuduzLanguageMapDlg *editor) {
            say(QStringLiteral("ready\t%1").arg(QCoreApplication::applicationPid()));
            say(QStringLiteral("status\t") + editor->statusField()->text());
            auto *notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, editor);
            QObject::connect(notifier, &QSocketNotifier::activated, editor, [this, editor, notifier] {
                char buffer[4096];
                const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
                if (n <= 0) {
                    notifier->setEnabled(false);
                    std::_Exit(0);
                }
                m_input += QByteArray(buffer, int(n));
                for (qsizetype end; (end = m_input.indexOf('\n')) >= 0;) {
                    const QString line = QString::fromUtf8(m_input.left(end));
                    m_input.remove(0, end + 1);
                    command(*editor, line);
                }
            });
        });
        m_window.onModify();
    }

private:
    void command(CVuduzLanguageMapDlg &editor, const QString &line)
    {
        const QStringList parts = line.split(u'\t');
        if (parts[0] == u"apply" && parts.size() == 3) {
            EntryListModel *model = editor.entries();
            for (int row = 0; row < model->rowCount(); ++row) {
                if (model->text(row, 0) == parts[1]) {
                    editor.ShowEntry(row);
                    editor.valueEdit()->setText(parts[2]);
                    editor.ApplyValue();
                    say(QStringLiteral("applied\t%1\t%2").arg(parts[1], model->text(row, 1)));
                }
            }
        } else if (parts[0] == u"save") {
            const EntryListModel *model = editor.entries();
            for (int row = 0; row < model->rowCount(); ++row)
                if (model->text(row, model->statusColumn()) == u"ERROR") {
                    MessageBox::setNextAnswer(QMessageBox::Yes); // Save asks once about rows marked ERROR
                    break;
                }
            editor.OnSave();
            say(QStringLiteral("saved"));
        } else if (parts[0] == u"status") {
            say(QStringLiteral("status\t") + editor.statusField()->text());
        } else if (parts[0] == u"quit") {
            std::_Exit(0);
        }
    }

    CGlossa_DeskDlg &m_window;
    QString m_language;
    QByteArray m_input;
};

} // namespace

int main(int argc, char **argv)
{
    CGlossa_DeskApp app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fputs("usage: killdriver PRODUCT LANGUAGE drive SEED | restore | serve\n", stderr);
        return 2;
    }
    if (!QDir::setCurrent(args[1])) {
        std::fputs("killdriver: no such product folder\n", stderr);
        return 2;
    }
    answerStrayBoxes();
    const QString mode = args[3];
    // The offer comes as soon as the main window runs events, even inside its first wait.
    if (mode == u"restore") {
        Driver::queueRestoreAnswers();
        whenEditor([](CVuduzLanguageMapDlg *editor) { printRows(*editor); });
    }
    CGlossa_DeskDlg window;
    if (!window.OnInitDialog())
        return 2;
    if (!selectLanguage(window, args[2])) {
        std::fputs("killdriver: the language is not in the product\n", stderr);
        return 2;
    }
    Driver driver(window, args[2]);
    // The driving starts inside the main window's own loop, as a user's clicks would.
    QTimer::singleShot(0, &window, [&] {
        if (mode == u"drive")
            driver.drive(args.value(4).toUInt());
        else if (mode == u"restore")
            driver.restore();
        else
            driver.serve();
        std::_Exit(0);
    });
    window.exec();
    return 0;
}
