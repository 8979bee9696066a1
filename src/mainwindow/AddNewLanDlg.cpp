#include "mainwindow/AddNewLanDlg.h"

#include "model/Constants.h"
#include "model/LocaleCatalogue.h"
#include "model/Types.h"
#include "platform/DialogUnits.h"

#include <QComboBox>
#include <QPushButton>

namespace Glossa {

CAddNewLanDlg::CAddNewLanDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Add New Language"));
    QFont font;
    font.setFamilies({QStringLiteral("Microsoft Sans Serif"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSize(10);
    setFont(font);
    const DialogBaseUnits units = dialogBaseUnits(this->font());
    const QList<ControlSpec> table = {
        {IDC_ADD, ControlSpec::DefaultPushButton, QStringLiteral("Add"), 80, 76, 50, 14},
        {IDC_CANCEL, ControlSpec::PushButton, QStringLiteral("Cancel"), 150, 76, 50, 14},
        {IDC_LANGUAGE_LIST, ControlSpec::ComboBox, QString(), 96, 38, 140, 13, Qt::AlignLeft | Qt::AlignTop,
         IDC_NAME_LABEL},
        {IDC_NAME_LABEL, ControlSpec::Label, QStringLiteral("New Language Name"), 18, 39, 73, 12},
    };
    createControls(this, table, units);
    setFixedSize(dialogUnitsToPixels(QSize(276, 104), units));
    m_languageList = findControl<QComboBox>(this, IDC_LANGUAGE_LIST);
    auto *add = findControl<QPushButton>(this, IDC_ADD);
    connect(add, &QPushButton::clicked, this, &CAddNewLanDlg::onAdd);
    connect(findControl<QPushButton>(this, IDC_CANCEL), &QPushButton::clicked, this, &CAddNewLanDlg::reject);

    // The absent languages, in catalogue order, each with its row as item data.
    const PresentLanguageSet &present = presentLanguages();
    for (int i = 0; i < LocaleCatalogue::RowCount(); ++i)
        if (!present.count(i))
            m_languageList->addItem(LocaleCatalogue::DisplayNameAt(i), i);
    m_languageList->setCurrentIndex(m_languageList->count() > 0 ? 0 : -1);
    add->setFocus();
}

void CAddNewLanDlg::onAdd()
{
    const int index = m_languageList->currentIndex();
    if (index < 0) {
        m_chosenRow = -1;
    } else {
        m_chosenRow = m_languageList->itemData(index).toInt();
        // From now on the language counts as present, whatever happens to its file.
        presentLanguages().insert(m_chosenRow);
    }
    done(ResultSaved);
}

void CAddNewLanDlg::reject()
{
    done(ResultCancelled);
}

} // namespace Glossa
