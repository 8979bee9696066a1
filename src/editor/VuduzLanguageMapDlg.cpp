#include "editor/VuduzLanguageMapDlg.h"

#include "editor/EditorOwner.h"
#include "model/Constants.h"

namespace Glossa {

CVuduzLanguageMapDlg::CVuduzLanguageMapDlg(EditorOwner *owner)
    : m_owner(owner)
{
}

CVuduzLanguageMapDlg::~CVuduzLanguageMapDlg() = default;

int CVuduzLanguageMapDlg::exec()
{
    return ResultCancelled;
}

} // namespace Glossa
