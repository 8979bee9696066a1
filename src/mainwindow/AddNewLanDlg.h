#pragma once

#include <QDialog>

class QComboBox;

namespace Glossa {

// Picks one catalogue language that is not present yet. "Add" ends with 5 and
// counts the language as present at once; "Cancel", Escape and the close box
// end with 6.
class CAddNewLanDlg : public QDialog
{
    Q_OBJECT

public:
    enum ControlId { IDC_ADD = 1, IDC_CANCEL = 2, IDC_LANGUAGE_LIST = 1030, IDC_NAME_LABEL = 1032 };

    explicit CAddNewLanDlg(QWidget *parent = nullptr);

    // Catalogue row of the chosen language; -1 when none was chosen.
    int chosenRow() const { return m_chosenRow; }
    QComboBox *languageList() const { return m_languageList; }

    void onAdd();
    void reject() override; // Cancel, Escape and the close box

private:
    int m_chosenRow = -1;
    QComboBox *m_languageList = nullptr;
};

} // namespace Glossa
