#include "shared/EarlierRelease.h"

#include "model/Constants.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace Glossa {

QString chooseEarlierRelease(QWidget *parent)
{
    QMessageBox ask(QMessageBox::Question, ProgramName,
                    QStringLiteral("Compare with an earlier release's product folder, or with just its master file?"),
                    QMessageBox::Cancel, parent);
    const QPushButton *folder = ask.addButton(QStringLiteral("Product Folder\u2026"), QMessageBox::AcceptRole);
    const QPushButton *master = ask.addButton(QStringLiteral("Master File\u2026"), QMessageBox::AcceptRole);
    ask.exec();
    if (ask.clickedButton() == folder)
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("Earlier Release"));
    if (ask.clickedButton() == master)
        return QFileDialog::getOpenFileName(parent, QStringLiteral("Earlier Release"), QString(),
                                            QStringLiteral("Master file (*.ini);;All files (*)"));
    return {};
}

} // namespace Glossa
