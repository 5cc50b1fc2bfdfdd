// The system image list's indexes of items, asked of the folder that holds them.
#include "VeltoShellIcons.h"

#include <cstring>
#include <cwchar>

// The name without a suffix, which takes wide text on every Windows the library runs on: Wine has
// only that one.
#undef Shell_GetCachedImageIndex

namespace {

// The kind of a file-system item whose icon the shell takes from its class alone, with the item's
// name: "\\" for a folder without a desktop.ini (which may name an icon of its own), the lower-case
// extension for a file. Empty for any other item. path is the folder's, with a backslash.
std::wstring IconKind(IShellFolder* folder, const std::wstring& path, LPCITEMIDLIST child, std::wstring& name)
{
    SFGAOF attributes = SFGAO_FILESYSTEM | SFGAO_STREAM | SFGAO_LINK;
    WIN32_FIND_DATAW data{};
    if (FAILED(folder->GetAttributesOf(1, &child, &attributes)) ||
        (attributes & (SFGAO_FILESYSTEM | SFGAO_STREAM | SFGAO_LINK)) != SFGAO_FILESYSTEM ||
        FAILED(SHGetDataFromIDListW(folder, child, SHGDFIL_FINDDATA, &data, sizeof data)))
        return {};
    name = data.cFileName;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return GetFileAttributesW((path + name + L"\\desktop.ini").c_str()) == INVALID_FILE_ATTRIBUTES ? L"\\" : L"";
    const wchar_t* dot = std::wcsrchr(data.cFileName, L'.');
    std::wstring kind = dot ? dot : L".";
    CharLowerBuffW(kind.data(), static_cast<DWORD>(kind.size()));
    return kind;
}

}  // namespace

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
    if (folder && !(FShellIcon && FShellIcon->GetIconOf(child, flags, &index) == S_OK)) {
        // A row asks for its closed and its open icon in turn: its kind is found once for both.
        const std::string item(reinterpret_cast<const char*>(child), child->mkid.cb);
        if (item != FKindOf) {
            FName.clear();
            FKind = FPath.empty() ? std::wstring() : IconKind(folder, FPath, child, FName);
            FKindOf = item;
        }
        const auto key = std::make_pair(FKind, open);
        const auto known = key.first.empty() ? FKindIndexes.end() : FKindIndexes.find(key);
        if (known != FKindIndexes.end())
            return known->second;
        index = LocationIndex(folder, child, flags, FName);
        if (index >= 0 && !key.first.empty())
            FKindIndexes.emplace(key, index);
    }
    return index >= 0 ? index : GetIconIndex(absolute, false, open);
}

void TShellIcons::Release()
{
    FPath.clear();
    FKindOf.clear();
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
    // The desktop and the virtual folders hold items the shell draws as their own (drives, the
    // user's special folders): only a file-system folder's items go by their kind.
    wchar_t path[MAX_PATH];
    if (parentSize > 0 && SHGetPathFromIDListW(FParent.get(), path))
        FPath = std::wstring(path) + (path[0] && path[lstrlenW(path) - 1] == L'\\' ? L"" : L"\\");
    return FFolder.get();
}

int TShellIcons::LocationIndex(IShellFolder* folder, LPCITEMIDLIST child, UINT flags, const std::wstring& own)
{
    TComPtr<IExtractIconW> extract;
    if (FAILED(folder->GetUIObjectOf(nullptr, 1, &child, IID_IExtractIconW, nullptr, extract.put_void())) || !extract)
        return -1;
    wchar_t location[MAX_PATH]{};
    int at = 0;
    UINT given = 0;
    if (extract->GetIconLocation(flags, location, MAX_PATH, &at, &given) != S_OK)
        return -1;
    // Such a location names no icon other items could share; nor does the item's own file.
    const wchar_t* file = std::wcsrchr(location, L'\\');
    if ((given & (GIL_PERINSTANCE | GIL_NOTFILENAME)) || (!own.empty() && file && lstrcmpiW(file + 1, own.c_str()) == 0))
        return -1;
    auto key = std::make_tuple(std::wstring(location), at, (given & GIL_SIMULATEDOC) != 0);
    if (const auto found = FIndexes.find(key); found != FIndexes.end())
        return found->second;
    const int index = Shell_GetCachedImageIndex(location, at, given & GIL_SIMULATEDOC);
    if (index >= 0)
        FIndexes.emplace(std::move(key), index);
    return index;
}
