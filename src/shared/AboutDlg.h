#pragma once

#include <QDialog>

namespace Glossa {

// The About box: the icon, the program's name and version, and OK.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget *parent = nullptr);
};

} // namespace Glossa
