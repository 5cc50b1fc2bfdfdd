// ShowShellContextMenu: the shell's own context menu for items of one folder, tracked and carried out.
#include "VeltoShellFunctions.h"

#include "../framework/ComPtr.h"
#include "../framework/Scope.h"

#include <utility>

namespace {

// ActiveContextMenu lets its IContextMenu2 go and is nil again.
void ClearActiveContextMenu()
{
    if (IContextMenu2* old = std::exchange(ActiveContextMenu, nullptr))
        old->Release();
}

}  // namespace

void ShowShellContextMenu(HWND window, IShellFolder* folder, const TIDArray& ids, int x, int y)
{
    if (!folder)
        return;
    folder->AddRef();
    TComPtr<IShellFolder> heldFolder;
    heldFolder.Attach(folder);

    TComPtr<IContextMenu> contextMenu;
    // The header's parameter lacks a const the method never needs: the entries are only read.
    heldFolder->GetUIObjectOf(window, static_cast<UINT>(ids.size()), const_cast<LPCITEMIDLIST*>(ids.data()),
                              IID_IContextMenu, nullptr, contextMenu.put_void());
    if (!contextMenu)
        return;

    const TMenuHandle menu(CreatePopupMenu());
    UINT flags = CMF_EXPLORE;
    if (GetAsyncKeyState(VK_SHIFT) < 0)
        flags |= CMF_EXTENDEDVERBS;
    POINT point{x, y};
    ClientToScreen(window, &point);
    contextMenu->QueryContextMenu(menu.get(), 0, 1, 0x7FFF, flags);

    UINT id;
    {
        // ActiveContextMenu holds the menu object's IContextMenu2 (or nil, when it has none) while
        // the menu is tracked, and is cleared afterwards, also when an exception leaves.
        ClearActiveContextMenu();
        contextMenu->QueryInterface(IID_IContextMenu2, reinterpret_cast<void**>(&ActiveContextMenu));
        const auto tracked = ScopeExit(ClearActiveContextMenu);
        id = static_cast<UINT>(
            TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0, window, nullptr));
    }
    if (id == 0)
        return;  // dismissed

    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = 0;
    info.hwnd = window;
    info.lpVerb = MAKEINTRESOURCEA(id - 1);  // the offset from idCmdFirst
    info.nShow = SW_SHOWNORMAL;
    contextMenu->InvokeCommand(&info);
}
