#pragma once

#include "model/Types.h"

#include <QDialog>

namespace Glossa {

class EditorOwner;
class EntryListModel;

// The translation editor: one language's values beside a reference language.
// Ends with 5 after a save and 6 when left without saving.
class CVuduzLanguageMapDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CVuduzLanguageMapDlg(EditorOwner *owner);
    ~CVuduzLanguageMapDlg() override;

    // Set by the caller before the modal run.
    const EntryListModel *sourceList = nullptr;
    const AttributeCatalogue *newLanguageAttributes = nullptr;
    int languageIndex = -1;
    qint64 initialEntryId = -1;

    int exec() override;

private:
    EditorOwner *m_owner;
};

} // namespace Glossa
