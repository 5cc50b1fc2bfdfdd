// The system image list's indexes of items, asked of the folder that holds them.
#include "VeltoShellIcons.h"

#include <cstring>

// The name without a suffix, which takes wide text on every Windows the library runs on: Wine has
// only that one.
#undef Shell_GetCachedImageIndex

int TShellIcons::IconIndex(LPCITEMIDLIST absolute, bool open)
{
    if (!absolute || IsDesktopIDList(absolute))
        return GetIconIndex(absolute, false, open);
    LPCITEMIDLIST child = GetLastItemID(absolute);
    const UINT parentSize = static_cast<UINT>(reinterpret_cast<const BYTE*>(child) -
                                              reinterpret_cast<const BYTE*>(absolute));
    const UINT flags = GIL_FORSHELL | (open ? GIL_OPENICON : 0);
    IShellFolder* folder = ParentFolder(absolute, parentSize);
    int index = -1;
    if (folder && !(FShellIcon && FShellIcon->GetIconOf(child, flags, &index) == S_OK))
        index = LocationIndex(folder, child, flags);
    return index >= 0 ? index : GetIconIndex(absolute, false, open);
}

void TShellIcons::Release()
{
    FShellIcon.reset();
    FFolder.reset();
    FParent.reset();
}

IShellFolder* TShellIcons::ParentFolder(LPCITEMIDLIST absolute, UINT parentSize)
{
    // The same bytes name the same folder; another spelling of it merely binds once more.
    const UINT held = FParent ? GetIDListSize(FParent.get()) - sizeof(USHORT) : 0;
    if (FFolder && held == parentSize && std::memcmp(FParent.get(), absolute, parentSize) == 0)
        return FFolder.get();
    Release();
    TPidl parent(AllocIDList(parentSize + sizeof(USHORT)));
    if (!parent)
        return nullptr;
    std::memcpy(parent.get(), absolute, parentSize);
    std::memset(reinterpret_cast<BYTE*>(parent.get()) + parentSize, 0, sizeof(USHORT));
    GetShellFolder(parent.get(), FFolder.put());
    if (!FFolder)
        return nullptr;
    FParent = std::move(parent);
    FShellIcon = FFolder.Query<IShellIcon>(IID_IShellIcon);
    return FFolder.get();
}

int TShellIcons::LocationIndex(IShellFolder* folder, LPCITEMIDLIST child, UINT flags)
{
    TComPtr<IExtractIconW> extract;
    if (FAILED(folder->GetUIObjectOf(nullptr, 1, &child, IID_IExtractIconW, nullptr, extract.put_void())) || !extract)
        return -1;
    wchar_t location[MAX_PATH]{};
    int at = 0;
    UINT given = 0;
    if (extract->GetIconLocation(flags, location, MAX_PATH, &at, &given) != S_OK)
        return -1;
    // Such a location names no icon other items could share.
    if (given & (GIL_PERINSTANCE | GIL_NOTFILENAME))
        return -1;
    auto key = std::make_tuple(std::wstring(location), at, (given & GIL_SIMULATEDOC) != 0);
    if (const auto found = FIndexes.find(key); found != FIndexes.end())
        return found->second;
    const int index = Shell_GetCachedImageIndex(location, at, given & GIL_SIMULATEDOC);
    if (index >= 0)
        FIndexes.emplace(std::move(key), index);
    return index;
}
