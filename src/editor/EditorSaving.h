#pragma once

namespace Glossa {

class CVuduzLanguageMapDlg;

// Leaving the editor: "Save" asks about the marked rows that may break the
// product, writes them in one save and hands them back to the owner; "Cancel"
// asks before changes are left unsaved. Both end the editor's run when done.
class EditorSaving
{
public:
    explicit EditorSaving(CVuduzLanguageMapDlg &editor)
        : m_editor(editor)
    {
    }

    void save();
    void cancel();

private:
    CVuduzLanguageMapDlg &m_editor;
};

} // namespace Glossa
