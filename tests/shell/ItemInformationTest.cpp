// The item-information functions against SHGetFileInfoA called directly with the flags each one is
// to pass, on items whose answers differ between the flag combinations.
#include "ShellTestHelpers.h"

#include "../../framework/ComPtr.h"
#include "../support/ScratchFolder.h"

#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using enum TVeltoSpecialFolder;

// Items that answer differently: a folder with a sub-folder, a leaf folder, a file, a virtual
// folder and the desktop.
struct TItems {
    TScratchFolder Scratch;
    std::vector<std::pair<std::string, TPidl>> List;

    TItems()
    {
        fs::create_directories(Scratch / "Parent" / "Sub");
        fs::create_directory(Scratch / "Leaf");
        WriteBytes(Scratch / "note.txt", Bytes("note"));
        for (const char* name : {"Parent", "Leaf", "note.txt"})
            List.emplace_back(name, PidlOf(Scratch / name));
        List.emplace_back("My Computer", TPidl(GetSpecialFolderIDList(sfDrives)));
        List.emplace_back("Desktop", TPidl(CopyIDList(GetDesktopIDList())));
        for (const auto& [name, pidl] : List)
            REQUIRE_MESSAGE(pidl, name);
    }
};

// One row of the icon table: GetIconIndex's arguments and the flags they stand for.
struct TIconRow {
    bool Large;
    bool Open;
    UINT Flags;
};
constexpr TIconRow IconRows[] = {
    {false, false, SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON},                   // 0x4009
    {false, true, SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON},   // 0x400B
    {true, false, SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_LARGEICON},                    // 0x4008
    {true, true, SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_LARGEICON | SHGFI_OPENICON},    // 0x400A
};
static_assert(IconRows[1].Flags == 0x400B && IconRows[2].Flags == 0x4008);

// The items for which the shell's answers to two icon rows differ.
int ItemsTellingApart(const TItems& items, const TIconRow& a, const TIconRow& b)
{
    int count = 0;
    for (const auto& [name, pidl] : items.List)
        count += AskShell(pidl.get(), a.Flags).Info.iIcon != AskShell(pidl.get(), b.Flags).Info.iIcon;
    return count;
}

constexpr UINT AttributeFlags = SHGFI_PIDL | SHGFI_ATTRIBUTES;                               // 0x808
constexpr UINT SpecifiedAttributeFlags = SHGFI_PIDL | SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED;  // 0x20808
static_assert(AttributeFlags == 0x808 && SpecifiedAttributeFlags == 0x20808);

// The attributes a shell tree's listing reads: the filter's, then the node's.
constexpr SFGAOF ShownItemMask = 0x70000000;
constexpr SFGAOF NodeInfoMask = 0x800A0000;

// The children of the folder, as a listing of everything enumerates them.
std::vector<TPidl> ChildrenOf(IShellFolder* folder)
{
    std::vector<TPidl> children;
    TComPtr<IEnumIDList> enumerator;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
                            enumerator.put()) != S_OK || !enumerator)
        return children;
    for (TPidl child; enumerator->Next(1, child.put(), nullptr) == S_OK && child;)
        children.push_back(std::move(child));
    return children;
}

// GetChildInfo of every child of the folder against the item functions on the absolute PIDL: the
// name, each attribute bit of a mask by the answer to that mask alone, and the filter's decision.
// Returns the number of children compared.
int CompareChildInfo(LPCITEMIDLIST folderPidl)
{
    TComPtr<IShellFolder> folder;
    GetShellFolder(folderPidl, folder.put());
    REQUIRE(folder);
    const std::vector<TPidl> children = ChildrenOf(folder.get());
    for (const TPidl& child : children) {
        const TPidl absolute(ConcatIDLists(folderPidl, child.get()));
        const TShellChildInfo info = GetChildInfo(folder.get(), child.get(), ShownItemMask | NodeInfoMask);
        const std::string name = GetDisplayName(absolute.get());
        CAPTURE(name);
        CHECK(info.Name == name);
        for (const SFGAOF mask : {ShownItemMask, NodeInfoMask})
            for (SFGAOF bit = 1; bit; bit <<= 1)
                if (mask & bit) {
                    CAPTURE(bit);
                    CHECK((info.Attributes & bit) == (GetIDListAttributes(absolute.get(), mask) & bit));
                }
        CHECK(((info.Attributes & ShownItemMask) != 0) ==
              ((GetIDListAttributes(absolute.get(), ShownItemMask) & ShownItemMask) != 0));
    }
    return static_cast<int>(children.size());
}

}  // namespace

TEST_SUITE("VeltoShellFunctions item information") {

TEST_CASE("GetChildInfo answers through the folder what the item functions answer for each child")
{
    TItems items;
    fs::create_directory(items.Scratch / "hidden");
    SetFileAttributesW((items.Scratch / "hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    const TPidl scratch = PidlOf(items.Scratch.Path());
    CHECK(CompareChildInfo(scratch.get()) == 4);
    CHECK(CompareChildInfo(GetDesktopIDList()) > 0);
    CHECK(CompareChildInfo(items.List[3].second.get()) > 0);  // the drives

    TComPtr<IShellFolder> folder;
    GetShellFolder(scratch.get(), folder.put());
    const TShellChildInfo none = GetChildInfo(nullptr, GetLastItemID(items.List[0].second.get()), SFGAO_FOLDER);
    CHECK((none.Name.empty() && none.Attributes == 0));
    CHECK(GetChildInfo(folder.get(), nullptr, SFGAO_FOLDER).Attributes == 0);
}


TEST_CASE("GetIconIndex passes the size and open flags of each of its four combinations")
{
    TItems items;
    for (const TIconRow& row : IconRows)
        for (const auto& [name, pidl] : items.List) {
            CAPTURE(name);
            CAPTURE(row.Flags);
            CHECK(GetIconIndex(pidl.get(), row.Large, row.Open) == AskShell(pidl.get(), row.Flags).Info.iIcon);
        }
    CHECK(GetIconIndex(nullptr, false, true) == 0);

    // A swapped flag passes the rows above only where the shell answers both combinations alike.
    CHECK(ItemsTellingApart(items, IconRows[0], IconRows[1]) > 0);  // a folder's open icon
    CHECK(ItemsTellingApart(items, IconRows[2], IconRows[3]) > 0);
    if (ItemsTellingApart(items, IconRows[0], IconRows[2]) == 0)
        MESSAGE("skipped: the shell gives an icon one index in both lists, so the size flag shows only in "
                "GetSystemImageList");
}

TEST_CASE("GetSystemImageList asks with the desktop's PIDL for the small or the large list")
{
    const UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX;
    const auto small = reinterpret_cast<HIMAGELIST>(AskShell(GetDesktopIDList(), flags | SHGFI_SMALLICON).Result);
    const auto large = reinterpret_cast<HIMAGELIST>(AskShell(GetDesktopIDList(), flags | SHGFI_LARGEICON).Result);
    REQUIRE(small != large);
    CHECK(GetSystemImageList(false) == small);
    CHECK(GetSystemImageList(true) == large);
}

TEST_CASE("GetDisplayName reads the display name the shell gives for SHGFI_DISPLAYNAME")
{
    TItems items;
    for (const auto& [name, pidl] : items.List) {
        CAPTURE(name);
        const std::string expected = AskShell(pidl.get(), SHGFI_PIDL | SHGFI_DISPLAYNAME).Info.szDisplayName;
        CHECK_FALSE(expected.empty());
        CHECK(GetDisplayName(pidl.get()) == expected);
    }
    CHECK(GetDisplayName(items.List[0].second.get()) == "Parent");
}

TEST_CASE("GetIDListAttributes presets the mask, and asks for only those attributes when it is not zero")
{
    TItems items;
    const SFGAOF masks[] = {0, SFGAO_FOLDER | SFGAO_LINK, 0x800A0000, 0x70000000, SFGAO_CANCOPY, 0xFFFFFFFF};
    int toldApart[2] = {};  // items answering otherwise with the other flags, for a zero and a non-zero mask
    for (const SFGAOF mask : masks)
        for (const auto& [name, pidl] : items.List) {
            CAPTURE(name);
            CAPTURE(mask);
            const DWORD expected =
                AskShell(pidl.get(), mask ? SpecifiedAttributeFlags : AttributeFlags, mask).Info.dwAttributes;
            CHECK(GetIDListAttributes(pidl.get(), mask) == expected);
            const UINT otherFlags = mask ? AttributeFlags : SpecifiedAttributeFlags;
            toldApart[mask != 0] += expected != AskShell(pidl.get(), otherFlags, mask).Info.dwAttributes;
        }
    // The virtual folders answer a non-zero mask; without them a dropped SHGFI_ATTR_SPECIFIED would pass.
    CHECK(toldApart[1] > 0);
    if (toldApart[0] == 0)
        MESSAGE("skipped: the shell reads a zero mask as all attributes, so SHGFI_ATTR_SPECIFIED added to it "
                "cannot be told");
    CHECK(GetIDListAttributes(nullptr, SFGAO_FOLDER) == 0);
}

TEST_CASE("a file-system item answers only the attributes it is asked for, where the shell does")
{
    TItems items;
    const LPCITEMIDLIST parent = items.List[0].second.get();
    const DWORD shell = AskShell(parent, SpecifiedAttributeFlags, SFGAO_FOLDER).Info.dwAttributes;
    CHECK(GetIDListAttributes(parent, SFGAO_FOLDER) == shell);
    CHECK(HasFlags(SFGAO_FOLDER, GetIDListAttributes(parent, SFGAO_FOLDER)));
    if (shell != SFGAO_FOLDER) {
        MESSAGE("skipped: the shell answers every attribute of a file-system item whatever the mask asks for");
        return;
    }
    CHECK(GetIDListAttributes(parent, SFGAO_FOLDER) == SFGAO_FOLDER);
}

TEST_CASE("only a folder with sub-folders claims to have some, where the shell tells them apart")
{
    TItems items;
    const LPCITEMIDLIST parent = items.List[0].second.get();
    const LPCITEMIDLIST leaf = items.List[1].second.get();
    const DWORD shellLeaf = AskShell(leaf, SpecifiedAttributeFlags, SFGAO_HASSUBFOLDER).Info.dwAttributes;
    CHECK(HasFlags(SFGAO_HASSUBFOLDER, GetIDListAttributes(parent, SFGAO_HASSUBFOLDER)));
    CHECK(GetIDListAttributes(leaf, SFGAO_HASSUBFOLDER) == shellLeaf);
    if (HasFlags(SFGAO_HASSUBFOLDER, shellLeaf)) {
        MESSAGE("skipped: the shell reports sub-folders for a leaf folder too");
        return;
    }
    CHECK_FALSE(HasFlags(SFGAO_HASSUBFOLDER, GetIDListAttributes(leaf, SFGAO_HASSUBFOLDER)));
}

}  // TEST_SUITE
