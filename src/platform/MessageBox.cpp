#include "platform/MessageBox.h"

#include <QAbstractButton>
#include <QList>

namespace Glossa {

namespace {

struct TestHooks
{
    QList<QMessageBox::StandardButton> answers;
    QStringList shown;
};

TestHooks &testHooks()
{
    static TestHooks hooks;
    return hooks;
}

} // namespace

QMessageBox::StandardButton MessageBox::show(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                                             const QString &text, QMessageBox::StandardButtons buttons)
{
    TestHooks &hooks = testHooks();
    hooks.shown.append(caption + QLatin1Char('\n') + text);
    if (!hooks.answers.isEmpty())
        return hooks.answers.takeFirst();

    QMessageBox box(icon, caption, text, buttons, parent);
    box.setAccessibleName(caption);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton MessageBox::ask(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                                            const QString &text,
                                            const QList<std::pair<QMessageBox::StandardButton, QString>> &buttons)
{
    TestHooks &hooks = testHooks();
    hooks.shown.append(caption + QLatin1Char('\n') + text);
    if (!hooks.answers.isEmpty())
        return hooks.answers.takeFirst();

    QMessageBox box(icon, caption, text, QMessageBox::NoButton, parent);
    box.setAccessibleName(caption);
    for (const auto &[standard, label] : buttons) {
        box.addButton(standard);
        box.button(standard)->setText(label);
        box.button(standard)->setAccessibleName(label);
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageBox::setNextAnswer(QMessageBox::StandardButton answer)
{
    testHooks().answers.append(answer);
}

QStringList MessageBox::shownMessages()
{
    return testHooks().shown;
}

void MessageBox::resetTestHooks()
{
    testHooks() = TestHooks();
}

} // namespace Glossa
