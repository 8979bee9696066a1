#pragma once

#include "model/Types.h"

class QWidget;

namespace Glossa {

class EntryListModel;
class LanguageStore;

// What the translation editor needs of the window that opens it: the store
// through which it reads and writes language files, the window's entry rows
// to copy, and a way to hand saved values back. The main window implements it,
// so the editor never depends on the main window itself.
class EditorOwner
{
public:
    virtual ~EditorOwner() = default;

    virtual LanguageStore &languageStore() = 0;
    // The owner's entry rows (Attribute, Value and each row's AttributeId), or null.
    virtual const EntryListModel *entryRows() const = 0;
    // The values of the language's file that the entry rows were read from, as
    // the file holds them, an attribute without a line absent; null when not kept
    // (the editor then reads the file as it opens).
    virtual const LanguageValues *fileValues() const { return nullptr; }
    // Puts each saved value into the Value cell of the row with the same id.
    virtual void ApplySavedValues(const LanguageValues &values) = 0;
    // The window that message boxes and the waiting window are shown over.
    virtual QWidget *ownerWindow() = 0;
};

} // namespace Glossa
