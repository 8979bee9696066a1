#include "editor/ChangeListDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace Glossa {

ChangeListDlg::ChangeListDlg(QWidget *parent, const QString &title, const QString &text, const QStringList &headers,
                             const QList<QStringList> &rows, const QList<Button> &buttons)
    : QDialog(parent)
{
    setWindowTitle(title);
    setAccessibleName(title);
    auto *layout = new QVBoxLayout(this);
    m_text = new QLabel(text, this);
    m_text->setWordWrap(true);
    m_text->setAccessibleName(text);
    layout->addWidget(m_text);

    m_table = new QTableWidget(int(rows.size()), int(headers.size()), this);
    m_table->setAccessibleName(title);
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < int(rows.size()); ++r)
        for (int c = 0; c < int(headers.size()) && c < int(rows[r].size()); ++c)
            m_table->setItem(r, c, new QTableWidgetItem(rows[r][c]));
    m_table->resizeColumnsToContents();
    layout->addWidget(m_table);

    auto *box = new QDialogButtonBox(this);
    for (const Button &choice : buttons) {
        auto *button = box->addButton(choice.text, QDialogButtonBox::ActionRole);
        button->setAccessibleName(choice.text);
        const int result = choice.result;
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        m_buttons.append(button);
    }
    layout->addWidget(box);
    resize(760, 420);
}

QPushButton *ChangeListDlg::button(const QString &text) const
{
    for (QPushButton *button : m_buttons)
        if (button->text() == text)
            return button;
    return nullptr;
}

} // namespace Glossa
