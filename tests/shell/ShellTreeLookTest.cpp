// What the shell tree shows, checked against the shell asked directly: the control's image list,
// each node's text, icons, share overlay, dimmed state and expand button, the items a listing keeps
// out, and when the selection is reported.
#include "../../shell/VeltoShellTreeView.h"
#include "../framework/ControlTestHelpers.h"
#include "../support/FaultyShellFolder.h"
#include "../support/ScratchFolder.h"
#include "ShellTestHelpers.h"

#include <doctest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using enum TVeltoShellObjectType;
using TTexts = std::vector<std::string>;

constexpr DWORD HiddenBit = 0x80000;  // the bit the tree dims an item by
constexpr DWORD ShownMask = SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_FOLDER;

// What a node is to show of its item, as the shell reports it.
struct TExpectedLook {
    std::string Text;
    int Image;
    int SelectedImage;
    int Overlay;
    bool Cut;
    bool HasSubFolders;
};

TExpectedLook ExpectedLook(LPCITEMIDLIST idList)
{
    const DWORD attributes = AskShell(idList, SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED,
                                      SFGAO_HASSUBFOLDER | HiddenBit | SFGAO_SHARE).Info.dwAttributes;
    return {AskShell(idList, SHGFI_DISPLAYNAME).Info.szDisplayName,
            AskShell(idList, SHGFI_SYSICONINDEX | SHGFI_SMALLICON).Info.iIcon,
            AskShell(idList, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON).Info.iIcon,
            (attributes & SFGAO_SHARE) ? 0 : -1,
            (attributes & HiddenBit) != 0,
            (attributes & SFGAO_HASSUBFOLDER) != 0};
}

// The node shows what the shell reports for its PIDL; its expand button too while it is unlisted
// (the first expansion corrects it).
void CheckLooksLikeItsItem(const TTreeNode* node)
{
    const TExpectedLook expected = ExpectedLook(static_cast<LPCITEMIDLIST>(node->Data()));
    CAPTURE(expected.Text);
    CHECK(node->Text() == expected.Text);
    CHECK(node->ImageIndex() == expected.Image);
    CHECK(node->SelectedIndex() == expected.SelectedImage);
    CHECK(node->OverlayIndex() == expected.Overlay);
    CHECK(node->Cut() == expected.Cut);
    if (!node->Expanded() && !node->getFirstChild())
        CHECK(node->HasChildren() == expected.HasSubFolders);
}

// A scratch folder: Parent (with Sub), Leaf, a hidden folder and a file.
struct TLookTree {
    TScratchFolder Folder;
    fs::path Root = Folder.Path();
    std::string FileName;  // as the shell shows note.txt

    TLookTree()
    {
        fs::create_directories(Root / "Parent" / "Sub");
        fs::create_directory(Root / "Leaf");
        fs::create_directory(Root / "Hidden");
        SetFileAttributesW((Root / "Hidden").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
        WriteBytes(Root / "note.txt", Bytes("note"));
        FileName = AskShell(PidlOf(Root / "note.txt").get(), SHGFI_DISPLAYNAME).Info.szDisplayName;
    }
};

// A shell tree on a host form, with the notifier off.
struct TLookHost {
    std::vector<DWORD> ChangeTicks;
    THostForm Form;
    TVeltoShellTreeView* Tree = new TVeltoShellTreeView(&Form);

    TLookHost()
    {
        Tree->SetParent(&Form);
        Tree->SetAlign(alClient);
        Tree->SetAutoRefresh(false);
        Tree->OnChange = [this](TObject*, TTreeNode*) { ChangeTicks.push_back(GetTickCount()); };
    }
    TTreeNode* RootNode() const { return Tree->Items()->GetFirstNode(); }
};

TTexts SortedChildTexts(const TTreeNode* node)
{
    TTexts texts;
    for (TTreeNode* child = node ? node->getFirstChild() : nullptr; child; child = child->getNextSibling())
        texts.push_back(child->Text());
    std::sort(texts.begin(), texts.end());
    return texts;
}

TTreeNode* Child(const TTreeNode* node, const std::string& text)
{
    for (TTreeNode* child = node->getFirstChild(); child; child = child->getNextSibling())
        if (child->Text() == text)
            return child;
    return nullptr;
}

// What a direct listing of a special folder gives: the names of the items a tree is to show, and
// how many it is to keep out and how many carry the share bit.
struct TDirectListing {
    TTexts Shown;
    int KeptOut = 0;
    int Shared = 0;
};

TDirectListing ListDirectly(LPCITEMIDLIST folderIDList)
{
    TDirectListing listing;
    TComPtr<IShellFolder> folder;
    if (IsDesktopIDList(folderIDList)) {
        DesktopFolder->AddRef();
        folder.Attach(DesktopFolder);
    } else {
        DesktopFolder->BindToObject(folderIDList, nullptr, IID_IShellFolder, folder.put_void());
    }
    TComPtr<IEnumIDList> items;
    if (!folder || folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
                                       items.put()) != S_OK || !items)
        return listing;
    for (TPidl child; items->Next(1, child.put(), nullptr) == S_OK && child;) {
        const TPidl absolute(ConcatIDLists(folderIDList, child.get()));
        const DWORD attributes = AskShell(absolute.get(), SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED,
                                          ShownMask | SFGAO_SHARE).Info.dwAttributes;
        if (attributes & ShownMask)
            listing.Shown.push_back(AskShell(absolute.get(), SHGFI_DISPLAYNAME).Info.szDisplayName);
        else
            ++listing.KeptOut;
        listing.Shared += (attributes & SFGAO_SHARE) != 0;
    }
    std::sort(listing.Shown.begin(), listing.Shown.end());
    return listing;
}

// Handles messages as they come, for ms milliseconds or until done says so.
template <typename TDone>
void PumpUntil(DWORD ms, TDone done)
{
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        Application->ProcessMessages();
    }
}

// The step by which GetTickCount advances: the smallest of a few, since a busy machine can
// stretch any one of them.
DWORD TickStep()
{
    DWORD step = 0xFFFFFFFF;
    for (int i = 0; i < 4; ++i) {
        const DWORD first = GetTickCount();
        DWORD second;
        while ((second = GetTickCount()) == first) {
        }
        DWORD third;
        while ((third = GetTickCount()) == second) {
        }
        step = std::min(step, third - second);
    }
    return step;
}

}  // namespace

TEST_SUITE("TVeltoShellTreeView look") {

TEST_CASE("the control draws with the system's small image list once it shows, also in a new window")
{
    TLookHost host;
    host.Tree->SetRoot(TVeltoRootFolder("sfDrives"));
    const auto shellSmall =
        reinterpret_cast<HIMAGELIST>(AskShell(GetDesktopIDList(), SHGFI_SYSICONINDEX | SHGFI_SMALLICON).Result);
    REQUIRE(shellSmall);
    const auto normalList = [&] {
        return reinterpret_cast<HIMAGELIST>(SendMessageA(host.Tree->Handle(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    };
    // A tree nobody sees yet (a later page of a wizard) lets the program start without the list.
    CHECK(normalList() == nullptr);
    host.Form.Show();
    CHECK(host.Tree->Images() == shellSmall);
    CHECK(normalList() == shellSmall);
    // The new list put the native indentation back to the icons' width: the tree's own comes again.
    CHECK(SendMessageA(host.Tree->Handle(), TVM_GETINDENT, 0, 0) == host.Tree->Indent());
    CHECK(SendMessageA(host.Tree->Handle(), TVM_GETIMAGELIST, TVSIL_STATE, 0) == 0);
    host.Tree->RecreateWnd();
    CHECK(normalList() == shellSmall);
}

TEST_CASE("every node shows the name, icons, dimming and expand button the shell reports for its item")
{
    TLookTree scratch;
    TLookHost host;
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    host.Tree->SetObjectTypes({otFolders, otNonFolders, otIncludeHidden});
    TTreeNode* root = host.RootNode();
    REQUIRE(root);
    REQUIRE(SortedChildTexts(root) == TTexts{"Hidden", "Leaf", "Parent", scratch.FileName});
    CheckLooksLikeItsItem(root);
    for (TTreeNode* child = root->getFirstChild(); child; child = child->getNextSibling())
        CheckLooksLikeItsItem(child);
    TTreeNode* parent = Child(root, "Parent");
    parent->Expand(false);
    REQUIRE(parent->Count() == 1);
    CheckLooksLikeItsItem(parent->getFirstChild());

    // The rows above tell the combinations apart only where the items differ in them.
    CHECK(parent->ImageIndex() != parent->SelectedIndex());
    CHECK(Child(root, "Hidden")->Cut());
    CHECK_FALSE(Child(root, "Leaf")->Cut());
    CHECK_FALSE(Child(root, scratch.FileName)->HasChildren());
    CHECK(Child(root, scratch.FileName)->ImageIndex() != Child(root, "Leaf")->ImageIndex());
}

TEST_CASE("the object types decide which of a folder's items get a node")
{
    TLookTree scratch;
    TLookHost host;
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    const auto listed = [&](TVeltoShellObjectTypes types) {
        host.Tree->SetObjectTypes(types);
        return SortedChildTexts(host.RootNode());
    };
    const std::string file = scratch.FileName;
    CHECK(listed({otFolders}) == TTexts{"Leaf", "Parent"});
    CHECK(listed({otFolders, otIncludeHidden}) == TTexts{"Hidden", "Leaf", "Parent"});
    CHECK(listed({otFolders, otNonFolders}) == TTexts{"Leaf", "Parent", file});
    CHECK(listed({otNonFolders}) == TTexts{file});
    CHECK(listed({otNonFolders, otIncludeHidden}) == TTexts{file});
    CHECK(listed({otFolders, otNonFolders, otIncludeHidden}) == TTexts{"Hidden", "Leaf", "Parent", file});
}

TEST_CASE("a listing keeps out items that are neither file system, file-system ancestor nor folder")
{
    int keptOut = 0, shared = 0;
    for (const TVeltoSpecialFolder literal : {TVeltoSpecialFolder::sfDesktop, TVeltoSpecialFolder::sfDrives,
                                              TVeltoSpecialFolder::sfControls, TVeltoSpecialFolder::sfPrinters}) {
        const std::string name(SpecialFolderName(literal));
        CAPTURE(name);
        const TPidl folder(GetSpecialFolderIDList(literal));
        if (!folder)
            continue;
        const TDirectListing direct = ListDirectly(folder.get());
        keptOut += direct.KeptOut;
        shared += direct.Shared;
        TLookHost host;
        host.Tree->SetObjectTypes({otFolders, otNonFolders, otIncludeHidden});
        host.Tree->SetRoot(TVeltoRootFolder(name));
        TTreeNode* root = host.RootNode();
        REQUIRE(root);
        CHECK(SortedChildTexts(root) == direct.Shown);
        for (TTreeNode* child = root->getFirstChild(); child; child = child->getNextSibling())
            CheckLooksLikeItsItem(child);
    }
    // The comparison above shows the filter only where the shell lists an item it is to keep out.
    if (keptOut == 0)
        MESSAGE("skipped: no special folder here lists an item that is neither file system nor folder");
    if (shared == 0)
        MESSAGE("skipped: the shell reports no item here as shared, so the share overlay cannot be shown");
}

// Wine reports no item as shared: a folder that forwards to the real one adds the bit for one item.
TEST_CASE("the item its folder reports as shared shows the share overlay, and only that one")
{
    TLookTree scratch;
    TFaultyDesktopScope desktop;
    desktop.Faults().AddAttributes(PidlOf(scratch.Root / "Parent").get(), SFGAO_SHARE);
    TLookHost host;
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    const TTreeNode* shared = host.RootNode() ? Child(host.RootNode(), "Parent") : nullptr;
    const TTreeNode* plain = shared ? Child(host.RootNode(), "Leaf") : nullptr;
    REQUIRE(plain);
    CHECK(shared->OverlayIndex() == 0);
    CHECK(plain->OverlayIndex() == -1);
}

TEST_CASE("the selection is reported no sooner than 50 ms after it moves, and soon after that")
{
    TLookTree scratch;
    TLookHost host;
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    PumpUntil(300, [&] { return !host.ChangeTicks.empty(); });
    REQUIRE(host.ChangeTicks.size() == 1);

    const DWORD step = TickStep();
    CAPTURE(step);
    // The tick count can shave a step off at each end; timer and loop add a few milliseconds.
    const DWORD earliest = 50 - step, latest = 50 + step + 10;
    DWORD quickest = 0xFFFFFFFF;
    const TTreeNode* nodes[] = {Child(host.RootNode(), "Leaf"), Child(host.RootNode(), "Parent")};
    for (int trial = 0; trial < 5; ++trial) {
        host.ChangeTicks.clear();
        const DWORD start = GetTickCount();
        host.Tree->SetSelected(const_cast<TTreeNode*>(nodes[trial % 2]));
        PumpUntil(500, [&] { return !host.ChangeTicks.empty(); });
        REQUIRE(host.ChangeTicks.size() == 1);
        const DWORD elapsed = host.ChangeTicks[0] - start;
        CAPTURE(elapsed);
        CHECK(elapsed >= earliest);
        quickest = std::min(quickest, elapsed);
    }
    // A busy machine can delay a report; the quickest of five shows the delay the tree asked for.
    CHECK(quickest <= latest);
}

}  // TEST_SUITE
