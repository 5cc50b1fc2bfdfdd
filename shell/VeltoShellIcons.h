// TShellIcons: the system image list's indexes of items, asked of the folder that holds them.
#pragma once

#include "../framework/ComPtr.h"
#include "VeltoShellPidl.h"

#include <shlobj.h>

#include <map>
#include <string>
#include <tuple>

// Asks an item's own folder where its icon lies (IShellIcon where the folder offers it, else
// IExtractIconW) and keeps the image index of every location seen, as the shell's own views do: the
// items that share an icon, every plain folder and every file of a type, cost one look-up, and no
// item's folder is bound again for it. The folder of the last parent asked is kept, since the rows
// on screen mostly share one. Where the folder has no IShellIcon, the kinds of item whose icon the
// shell takes from their class alone (a plain folder, a file of a type) ask for the location once.
// An item whose folder gives no shared location gets GetIconIndex's.
class TShellIcons {
public:
    int IconIndex(LPCITEMIDLIST absolute, bool open);
    // Lets go of the folder held, so that nothing of the shell outlives the tree's own items.
    void Release();

private:
    IShellFolder* ParentFolder(LPCITEMIDLIST absolute, UINT parentSize);
    int LocationIndex(IShellFolder* folder, LPCITEMIDLIST child, UINT flags, const std::wstring& own);

    TPidl FParent;
    TComPtr<IShellFolder> FFolder;
    TComPtr<IShellIcon> FShellIcon;
    std::wstring FPath;  // of a file-system folder held, with a backslash; else empty
    std::string FKindOf;  // the bytes of the item of the last kind found, its kind and its name
    std::wstring FKind, FName;
    // By location, index, and whether the shell draws a document over it.
    std::map<std::tuple<std::wstring, int, bool>, int> FIndexes;
    // By kind of item (see IconIndex) and whether open.
    std::map<std::pair<std::wstring, bool>, int> FKindIndexes;
};
