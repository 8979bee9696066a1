#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

#include <utility>

class QLabel;
class QPushButton;
class QTableWidget;

namespace Glossa {

// A list of changes, one attribute a row, with a line of text above it and a
// row of buttons below, each ending the dialog with its own result. Used for
// "Changed on Disk" and for the changes a recovery journal holds.
class ChangeListDlg : public QDialog
{
    Q_OBJECT

public:
    struct Button
    {
        QString text;
        int result = 0;
    };

    ChangeListDlg(QWidget *parent, const QString &title, const QString &text, const QStringList &headers,
                  const QList<QStringList> &rows, const QList<Button> &buttons);

    QTableWidget *table() const { return m_table; }
    QLabel *textLabel() const { return m_text; }
    // The button with this text, or null.
    QPushButton *button(const QString &text) const;

private:
    QLabel *m_text = nullptr;
    QTableWidget *m_table = nullptr;
    QList<QPushButton *> m_buttons;
};

} // namespace Glossa
