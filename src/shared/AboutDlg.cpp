#include "shared/AboutDlg.h"

#include "platform/DialogFont.h"
#include "platform/DialogUnits.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace Glossa {

CAboutDlg::CAboutDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("\u5173\u4e8eNARV\u7ffb\u8bd1\u5de5\u5177"));
    setFont(dialogFont(9));
    const DialogBaseUnits units = dialogBaseUnits(font());
    const QList<ControlSpec> table = {
        {1, ControlSpec::DefaultPushButton, QStringLiteral("OK"), 113, 41, 50, 14},
        {2000, ControlSpec::Label, QString(), 14, 14, 21, 20, Qt::AlignLeft | Qt::AlignTop, ControlSpec::NoLabel,
         QStringLiteral("Glossa Desk icon")},
        {2001, ControlSpec::Label, QStringLiteral("Glossa_Desk, Version 1.0"), 42, 14, 114, 8},
        {2002, ControlSpec::Label, QStringLiteral("Keeps a product's language files complete"), 42, 26, 114, 8},
    };
    createControls(this, table, units);
    setFixedSize(dialogUnitsToPixels(QSize(170, 62), units));
    auto *icon = findControl<QLabel>(this, 2000);
    const int side = dialogUnitsToPixelsY(20, units);
    icon->setPixmap(QIcon(QStringLiteral(":/glossa-desk.png")).pixmap(side, side));
    connect(findControl<QPushButton>(this, 1), &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace Glossa
