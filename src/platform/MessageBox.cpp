#include "platform/MessageBox.h"

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
