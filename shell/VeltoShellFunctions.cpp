// The shell namespace functions and the process-wide shell objects they share.
#include "VeltoShellFunctions.h"

#include "../framework/AnsiText.h"
#include "../framework/Scope.h"

#include <cstring>
#include <iterator>
#include <utility>

IMalloc* ShellMalloc = nullptr;
IShellFolder* DesktopFolder = nullptr;
IContextMenu2* ActiveContextMenu = nullptr;

namespace {

LPITEMIDLIST DesktopIDListCache = nullptr;

// Flag choices, indexed by the Boolean argument they depend on.
constexpr UINT IconSizeFlags[2] = {SHGFI_SMALLICON, SHGFI_LARGEICON};
constexpr UINT OpenStateFlags[2] = {0, SHGFI_OPENICON};
constexpr UINT AttributeMaskFlags[2] = {0, SHGFI_ATTR_SPECIFIED};

// SHCONTF flag of each TVeltoShellObjectType, by ordinal.
constexpr SHCONTF EnumFlags[3] = {SHCONTF_FOLDERS, SHCONTF_NONFOLDERS, SHCONTF_INCLUDEHIDDEN};

// The item's cb. Items lie at any byte offset, so it is read byte-wise rather than through a member.
UINT ItemSize(LPCITEMIDLIST item)
{
    USHORT cb;
    std::memcpy(&cb, item, sizeof(cb));
    return cb;
}

template <typename T>
void ReleaseAndClear(T*& pointer)
{
    if (T* old = std::exchange(pointer, nullptr))
        old->Release();
}

// SHGetFileInfo on a PIDL: the record is filled by the caller, the return value is the call's.
DWORD_PTR FileInfo(LPCITEMIDLIST idList, SHFILEINFOA& info, UINT flags)
{
    return SHGetFileInfoA(reinterpret_cast<LPCSTR>(idList), 0, &info, sizeof(info), SHGFI_PIDL | flags);
}

// The text of a name the shell returned for item, in the system code page; a text the shell
// allocated is freed here.
std::string StrRetText(STRRET& name, LPCITEMIDLIST item)
{
    switch (name.uType) {
    case STRRET_WSTR: {
        const TUniqueHandle<TZeroHandleTraits<void*, &CoTaskMemFree>> owned(name.pOleStr);
        return name.pOleStr ? AnsiFromWide(name.pOleStr) : std::string();
    }
    case STRRET_OFFSET: {
        // The text lies inside the item: it ends with the item at the latest.
        const UINT size = ItemSize(item);
        if (name.uOffset >= size)
            return {};
        const char* text = reinterpret_cast<const char*>(item) + name.uOffset;
        return std::string(text, strnlen(text, size - name.uOffset));
    }
    case STRRET_CSTR:
        return std::string(name.cStr, strnlen(name.cStr, sizeof(name.cStr)));
    }
    return {};
}

}  // namespace

void InitializeVeltoShellFunctions()
{
    if (!ShellMalloc)
        SHGetMalloc(&ShellMalloc);
    if (!DesktopFolder)
        SHGetDesktopFolder(&DesktopFolder);
}

void FinalizeVeltoShellFunctions()
{
    // The cached PIDL goes back to the allocator before the allocator itself is let go.
    FreeIDList(std::exchange(DesktopIDListCache, nullptr));
    ReleaseAndClear(DesktopFolder);
    ReleaseAndClear(ShellMalloc);
    ReleaseAndClear(ActiveContextMenu);
}

LPITEMIDLIST AllocIDList(UINT size)
{
    if (!ShellMalloc)
        return nullptr;
    void* block = ShellMalloc->Alloc(size);
    if (block)
        std::memset(block, 0, size);
    return static_cast<LPITEMIDLIST>(block);
}

void FreeIDList(LPITEMIDLIST idList)
{
    // ShellMalloc is the COM task allocator: a PIDL let go of after the unit ended, or by a
    // listing thread, goes back to it all the same.
    if (idList && ShellMalloc)
        ShellMalloc->Free(idList);
    else
        CoTaskMemFree(idList);
}

UINT GetIDListSize(LPCITEMIDLIST idList)
{
    if (!idList)
        return 0;
    UINT size = sizeof(USHORT);
    for (UINT cb; (cb = ItemSize(idList)) != 0; idList = GetNextItemID(idList))
        size += cb;
    return size;
}

UINT GetIDListItemCount(LPCITEMIDLIST idList)
{
    UINT count = 0;
    if (idList)
        for (; ItemSize(idList) != 0; idList = GetNextItemID(idList))
            ++count;
    return count;
}

LPITEMIDLIST GetNextItemID(LPCITEMIDLIST item)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(item);
    return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(bytes + ItemSize(item)));
}

LPITEMIDLIST GetLastItemID(LPCITEMIDLIST idList)
{
    LPCITEMIDLIST current = idList;
    for (LPCITEMIDLIST next = GetNextItemID(current); ItemSize(next) != 0; next = GetNextItemID(current))
        current = next;
    return const_cast<LPITEMIDLIST>(current);
}

LPITEMIDLIST CopyIDList(LPCITEMIDLIST idList)
{
    if (!idList)
        return nullptr;
    const UINT size = GetIDListSize(idList);
    LPITEMIDLIST copy = AllocIDList(size);
    if (copy)
        std::memcpy(copy, idList, size);
    return copy;
}

LPITEMIDLIST ConcatIDLists(LPCITEMIDLIST first, LPCITEMIDLIST second)
{
    const UINT headSize = first ? GetIDListSize(first) - sizeof(USHORT) : 0;
    // A nil second list contributes only the terminator, which the zero-filled block already holds.
    const UINT tailSize = second ? GetIDListSize(second) : sizeof(USHORT);
    LPITEMIDLIST result = AllocIDList(headSize + tailSize);
    if (!result)
        return nullptr;
    BYTE* bytes = reinterpret_cast<BYTE*>(result);
    if (first)
        std::memcpy(bytes, first, headSize);
    if (second)
        std::memcpy(bytes + headSize, second, tailSize);
    return result;
}

void StripLastItemID(LPITEMIDLIST idList)
{
    if (idList)
        std::memset(GetLastItemID(idList), 0, sizeof(USHORT));
}

LPITEMIDLIST GetSpecialFolderIDList(TVeltoSpecialFolder folder)
{
    LPITEMIDLIST idList = nullptr;
    SHGetSpecialFolderLocation(nullptr, SpecialFolderCSIDL(folder), &idList);
    return idList;
}

LPCITEMIDLIST GetDesktopIDList()
{
    if (!DesktopIDListCache)
        DesktopIDListCache = GetSpecialFolderIDList(TVeltoSpecialFolder::sfDesktop);
    return DesktopIDListCache;
}

LPITEMIDLIST PathToIDList(const std::wstring& path)
{
    // Wine's shell crashes on text that begins with '/'; no Windows parsing name does.
    if (!DesktopFolder || (!path.empty() && path.front() == L'/'))
        return nullptr;
    std::wstring text = path;  // ParseDisplayName takes a writable string
    ULONG eaten = 0;
    ULONG attributes = 0;
    LPITEMIDLIST idList = nullptr;
    DesktopFolder->ParseDisplayName(nullptr, nullptr, text.data(), &eaten, &idList, &attributes);
    return idList;
}

void GetShellFolder(LPCITEMIDLIST idList, IShellFolder** folder)
{
    *folder = nullptr;
    if (!DesktopFolder)
        return;
    if (IsDesktopIDList(idList)) {
        DesktopFolder->AddRef();
        *folder = DesktopFolder;
    } else if (idList) {
        DesktopFolder->BindToObject(idList, nullptr, IID_IShellFolder, reinterpret_cast<void**>(folder));
    }
}

void GetParentFolder(LPCITEMIDLIST idList, IShellFolder** folder)
{
    const TUniqueHandle<TZeroHandleTraits<LPITEMIDLIST, &FreeIDList>> parent(CopyIDList(idList));
    StripLastItemID(parent.get());
    GetShellFolder(parent.get(), folder);
}

bool SameIDLists(LPCITEMIDLIST a, LPCITEMIDLIST b)
{
    if (a && b)
        return DesktopFolder && DesktopFolder->CompareIDs(0, a, b) == S_OK;
    return !a && !b;
}

bool IsDesktopIDList(LPCITEMIDLIST idList)
{
    if (!idList)
        return false;
    // Every empty list is the desktop, also while the shell cannot supply the desktop's own PIDL.
    return ItemSize(idList) == 0 || SameIDLists(GetDesktopIDList(), idList);
}

TVeltoRootFolder DefaultRootFolder()
{
    return TVeltoRootFolder(std::string(SpecialFolderName(TVeltoSpecialFolder::sfDesktop)));
}

SFGAOF GetIDListAttributes(LPCITEMIDLIST idList, SFGAOF mask)
{
    if (!idList)
        return 0;
    SHFILEINFOA info{};
    info.dwAttributes = mask;
    FileInfo(idList, info, SHGFI_ATTRIBUTES | AttributeMaskFlags[mask != 0]);
    return info.dwAttributes;
}

std::string GetDisplayName(LPCITEMIDLIST idList)
{
    if (!idList)
        return {};
    // Asked in UTF-16: the A record holds 260 bytes, and in UTF-8 a name of 260 characters can
    // take three times that; the A form would cut it.
    SHFILEINFOW info{};
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(idList), 0, &info, sizeof(info), SHGFI_PIDL | SHGFI_DISPLAYNAME);
    const std::size_t length = wcsnlen(info.szDisplayName, std::size(info.szDisplayName));
    return AnsiFromWide(std::wstring_view(info.szDisplayName, length));
}

std::string IDListToPath(LPCITEMIDLIST idList)
{
    // In UTF-16 for the same reason: a path of MAX_PATH characters outgrows MAX_PATH bytes.
    wchar_t path[MAX_PATH] = L"";
    if (!idList || !SHGetPathFromIDListW(idList, path))
        return {};
    return AnsiFromWide(std::wstring_view(path, wcsnlen(path, std::size(path))));
}

int GetIconIndex(LPCITEMIDLIST idList, bool large, bool open)
{
    if (!idList)
        return 0;
    SHFILEINFOA info{};
    FileInfo(idList, info, SHGFI_SYSICONINDEX | IconSizeFlags[large] | OpenStateFlags[open]);
    return info.iIcon;
}

TShellChildInfo GetChildInfo(IShellFolder* folder, LPCITEMIDLIST child, SFGAOF mask)
{
    TShellChildInfo info;
    if (!folder || !child)
        return info;
    // As through SHGetFileInfo: an item the folder fills in nothing for keeps the mask.
    info.Attributes = mask;
    folder->GetAttributesOf(1, &child, &info.Attributes);
    STRRET name{};
    if (SUCCEEDED(folder->GetDisplayNameOf(child, SHGDN_INFOLDER, &name)))
        info.Name = StrRetText(name, child);
    return info;
}

HIMAGELIST GetSystemImageList(bool large)
{
    LPCITEMIDLIST desktop = GetDesktopIDList();
    if (!desktop)
        return nullptr;
    SHFILEINFOA info{};
    return reinterpret_cast<HIMAGELIST>(FileInfo(desktop, info, SHGFI_SYSICONINDEX | IconSizeFlags[large]));
}

SHCONTF ObjectTypesToEnumFlags(TVeltoShellObjectTypes objectTypes)
{
    SHCONTF flags = 0;
    for (unsigned type = 0; type < std::size(EnumFlags); ++type)
        if (objectTypes.Contains(static_cast<TVeltoShellObjectType>(type)))
            flags |= EnumFlags[type];
    return flags;
}

bool HasFlags(DWORD mask, DWORD value) { return mask != 0 && (mask | value) == value; }

bool DirectoryExists(const std::string& name)
{
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
