// The functions on real namespace items: comparing, binding, parsing, item information, and the
// proof that none of them leaves a PIDL behind.
#include "../../framework/ComPtr.h"
#include "../../framework/Scope.h"

#include "ShellTestHelpers.h"

#include "../support/MallocSpy.h"
#include "../support/ScratchFolder.h"

namespace {

using enum TVeltoSpecialFolder;

// The absolute PIDL of the folder object, as the folder itself reports it.
TPidl CurFolderOf(IShellFolder* folder)
{
    TPidl result;
    TComPtr<IPersistFolder2> persist;
    if (folder && SUCCEEDED(folder->QueryInterface(IID_IPersistFolder2, persist.put_void())))
        persist->GetCurFolder(result.put());
    return result;
}

// Sets the folder's last write time to a day in 2014.
void AgeFolder(const std::filesystem::path& folder)
{
    const TFileHandle handle(CreateFileW(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const FILETIME old{0, 0x01D00000};
    REQUIRE(SetFileTime(handle.get(), nullptr, nullptr, &old));
}

// A scratch tree: Alpha folder\Inner, Beta, note.txt.
struct TScratchTree {
    TScratchFolder Root;
    std::filesystem::path Alpha = Root / "Alpha folder";
    std::filesystem::path Inner = Alpha / "Inner";
    std::filesystem::path Beta = Root / "Beta";
    std::filesystem::path Note = Root / "note.txt";

    TScratchTree()
    {
        std::filesystem::create_directories(Inner);
        std::filesystem::create_directory(Beta);
        WriteBytes(Note, Bytes("note"));
    }
};

}  // namespace

TEST_SUITE("VeltoShellFunctions") {

TEST_CASE("the desktop PIDL is the empty list, made once and kept")
{
    const LPCITEMIDLIST desktop = GetDesktopIDList();
    REQUIRE(desktop);
    CHECK(GetIDListSize(desktop) == 2);
    CHECK(GetDesktopIDList() == desktop);
    CHECK(IsDesktopIDList(MakeIDList(IDListBytes({})).get()));
    CHECK_FALSE(IsDesktopIDList(nullptr));
    CHECK(SameIDLists(nullptr, nullptr));
    CHECK_FALSE(SameIDLists(nullptr, desktop));
}

TEST_CASE("SameIDLists asks the shell, so different bytes can name the same item")
{
    TScratchTree tree;
    // A folder's PIDL keeps the time stamp it was made with.
    const TPidl alpha = PidlOf(tree.Alpha);
    AgeFolder(tree.Alpha);
    const TPidl alphaLater = PidlOf(tree.Alpha);
    REQUIRE(alpha);
    REQUIRE(alphaLater);
    REQUIRE(BytesAt(alpha.get(), GetIDListSize(alpha.get())) != BytesAt(alphaLater.get(), GetIDListSize(alphaLater.get())));
    CHECK(SameIDLists(alpha.get(), alphaLater.get()));
    CHECK(SameIDLists(TPidl(GetSpecialFolderIDList(sfDrives)).get(),
                      TPidl(PathToIDList(L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}")).get()));

    CHECK_FALSE(SameIDLists(alpha.get(), PidlOf(tree.Beta).get()));
    CHECK_FALSE(SameIDLists(alpha.get(), PidlOf(tree.Inner).get()));
    CHECK_FALSE(SameIDLists(alpha.get(), GetDesktopIDList()));
}

TEST_CASE("PathToIDList gives nil for text that names no item")
{
    TScratchTree tree;
    CHECK(PathToIDList((tree.Root / "missing").wstring()) == nullptr);
    CHECK(PathToIDList(L"/tmp") == nullptr);
}

TEST_CASE("GetShellFolder binds the folder, GetParentFolder its parent")
{
    TScratchTree tree;
    const TPidl alpha = PidlOf(tree.Alpha);
    REQUIRE(alpha);
    const std::vector<BYTE> alphaBytes = BytesAt(alpha.get(), GetIDListSize(alpha.get()));
    TComPtr<IShellFolder> folder;

    GetShellFolder(alpha.get(), folder.put());
    CHECK(SameIDLists(CurFolderOf(folder.get()).get(), alpha.get()));
    GetParentFolder(alpha.get(), folder.put());
    CHECK(SameIDLists(CurFolderOf(folder.get()).get(), PidlOf(tree.Root.Path()).get()));
    CHECK(BytesAt(alpha.get(), alphaBytes.size()) == alphaBytes);

    // The desktop and its children get the desktop folder itself; nil binds to nothing.
    GetShellFolder(MakeIDList(IDListBytes({})).get(), folder.put());
    CHECK(folder.get() == DesktopFolder);
    GetParentFolder(TPidl(GetSpecialFolderIDList(sfDrives)).get(), folder.put());
    CHECK(folder.get() == DesktopFolder);
    GetParentFolder(nullptr, folder.put());
    CHECK_FALSE(folder);
}

TEST_CASE("an item's name, attributes and icons come from the shell")
{
    TScratchTree tree;
    const TPidl alpha = PidlOf(tree.Alpha);
    const TPidl note = PidlOf(tree.Note);
    REQUIRE(alpha);
    REQUIRE(note);
    CHECK(GetDisplayName(alpha.get()) == "Alpha folder");
    CHECK(GetDisplayName(nullptr).empty());

    const SFGAOF kind = SFGAO_FOLDER | SFGAO_FILESYSTEM;
    CHECK((GetIDListAttributes(alpha.get(), kind) & kind) == kind);
    CHECK((GetIDListAttributes(note.get(), kind) & kind) == SFGAO_FILESYSTEM);
    CHECK((GetIDListAttributes(alpha.get(), 0) & kind) == kind);
    const TPidl drives(GetSpecialFolderIDList(sfDrives));
    CHECK(GetIDListAttributes(drives.get(), SFGAO_FOLDER | SFGAO_LINK) == SFGAO_FOLDER);

    const int folderIcon = GetIconIndex(alpha.get(), false, false);
    CHECK(folderIcon > 0);
    CHECK(GetIconIndex(note.get(), false, false) != folderIcon);
    CHECK(GetIconIndex(alpha.get(), false, true) != folderIcon);
}

TEST_CASE("a hidden folder carries the attribute that dims it")
{
    TScratchTree tree;
    REQUIRE(SetFileAttributesW(tree.Beta.c_str(), FILE_ATTRIBUTE_HIDDEN));
    const SFGAOF mask = SFGAO_HASSUBFOLDER | SfgaoGhosted | SFGAO_SHARE;
    CHECK(HasFlags(SfgaoGhosted, GetIDListAttributes(PidlOf(tree.Beta).get(), mask)));
    CHECK_FALSE(HasFlags(SfgaoGhosted, GetIDListAttributes(PidlOf(tree.Alpha).get(), mask)));
}

TEST_CASE("GetSystemImageList gives the system's small and large icon lists")
{
    int small = 0, large = 0, height = 0;
    CHECK(ImageList_GetIconSize(GetSystemImageList(false), &small, &height));
    CHECK(ImageList_GetIconSize(GetSystemImageList(true), &large, &height));
    CHECK(small == GetSystemMetrics(SM_CXSMICON));
    CHECK(large == GetSystemMetrics(SM_CXICON));
}

TEST_CASE("DirectoryExists is true for a folder only")
{
    TScratchTree tree;
    CHECK(DirectoryExists(tree.Alpha.string()));
    CHECK_FALSE(DirectoryExists(tree.Note.string()));
    CHECK_FALSE(DirectoryExists((tree.Root / "missing").string()));
    CHECK_FALSE(DirectoryExists(""));
}

TEST_CASE("the functions leave no PIDL behind")
{
    TScratchTree tree;
    REQUIRE(StartMallocSpy());
    int mismatches = 0;
    const auto round = [&] {
        const TPidl inner = PidlOf(tree.Inner);
        TPidl parent(CopyIDList(inner.get()));
        StripLastItemID(parent.get());
        const TPidl last(CopyIDList(GetLastItemID(inner.get())));
        const TPidl joined(ConcatIDLists(parent.get(), last.get()));
        mismatches += !SameIDLists(joined.get(), inner.get()) + IsDesktopIDList(inner.get());
        TComPtr<IShellFolder> folder;
        GetParentFolder(inner.get(), folder.put());
        GetShellFolder(inner.get(), folder.put());
        mismatches += !folder + !TPidl(GetSpecialFolderIDList(sfDrives));
        mismatches += GetDisplayName(inner.get()).empty() + !GetIDListAttributes(inner.get(), SFGAO_FOLDER);
        GetIconIndex(inner.get(), false, true);
    };
    CHECK(LeakedTaskBlocks(round, 500) == 0);
    CHECK(mismatches == 0);
}

TEST_CASE("finalizing frees the cached desktop PIDL and lets go of every shell object")
{
    REQUIRE(StartMallocSpy());
    // Start over so that the cache is made while the spy watches.
    FinalizeVeltoShellFunctions();
    InitializeVeltoShellFunctions();
    const std::size_t start = LiveTaskBlocks();
    GetDesktopIDList();
    GetDesktopIDList();
    CHECK(LiveTaskBlocks() == start + 1);

    TCountedContextMenu menu;
    ActiveContextMenu = (menu.AddRef(), &menu);
    FinalizeVeltoShellFunctions();
    CHECK(LiveTaskBlocks() == start);
    CHECK(menu.References == 0);
    CHECK((!ActiveContextMenu && !DesktopFolder && !ShellMalloc));
    InitializeVeltoShellFunctions();
}

}  // TEST_SUITE
