// TCustomVeltoShellTreeView's context-popup step: the shell's own menu of the selected node.
#include "VeltoShellTreeView.h"

#include "../framework/ComPtr.h"

void TCustomVeltoShellTreeView::DoContextPopup(POINT mousePos, bool& handled)
{
    if (!FAutoContextMenu) {
        TCustomTreeView::DoContextPopup(mousePos, handled);
        return;
    }
    // handled stays as it came: after the shell's menu the request goes on as an unclaimed one.
    const TTreeNode* node = Selected();
    if (!node || !node->Data())
        return;
    const auto idList = static_cast<LPCITEMIDLIST>(node->Data());
    // The entry points into the node's own PIDL: neither copied nor freed.
    const TIDArray ids{GetLastItemID(idList)};
    TComPtr<IShellFolder> folder;
    GetParentFolder(idList, folder.put());
    if (!folder)
        return;
    ShowShellContextMenu(Handle(), folder.get(), ids, mousePos.x, mousePos.y);
}
