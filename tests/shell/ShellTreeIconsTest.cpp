// The shell tree's icons, asked for when a node is first drawn or read: the shell's own icons of
// each node's item, asked for once per node, never for a node that is not drawn, and stored into
// no node that went while the shell answered.
#include "../../framework/Scope.h"
#include "../../shell/VeltoShellTreeView.h"
#include "../framework/ControlTestHelpers.h"
#include "../support/FaultyShellFolder.h"
#include "../support/ScratchFolder.h"
#include "ShellTestHelpers.h"

#include <doctest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using enum TVeltoShellObjectType;
using TIndices = std::pair<int, int>;  // image, selected image

// A shell tree that counts the icon questions per node. With Quiet it answers "not known" without
// asking the shell, so that TVM_GETITEM shows what an item holds; AfterAsked runs once, after the
// shell answered, as code the shell ran there would.
class TIconTree : public TVeltoShellTreeView {
public:
    using TVeltoShellTreeView::TVeltoShellTreeView;

    TIndices Held(const TTreeNode* node) { return HeldImages(node, Quiet); }

    std::map<const TTreeNode*, int> Asked, AskedOpen;
    std::function<void()> AfterAsked;
    bool Quiet = false;

protected:
    int GetImageIndex(TTreeNode* node) override
    {
        return Quiet ? I_IMAGECALLBACK : Answered(node, Asked, TVeltoShellTreeView::GetImageIndex(node));
    }
    int GetSelectedIndex(TTreeNode* node) override
    {
        return Quiet ? I_IMAGECALLBACK : Answered(node, AskedOpen, TVeltoShellTreeView::GetSelectedIndex(node));
    }

private:
    int Answered(TTreeNode* node, std::map<const TTreeNode*, int>& counts, int index)
    {
        ++counts[node];
        if (AfterAsked)
            std::exchange(AfterAsked, nullptr)();
        return index;
    }
};

// An icon tree filling a host form of the given client height, not shown yet, with the notifier
// listening when autoRefresh is set.
struct TIconHost {
    THostForm Form;
    TIconTree* Tree = new TIconTree(&Form);

    explicit TIconHost(const std::string& root, int height = 300, bool autoRefresh = false,
                       TVeltoShellObjectTypes types = {otFolders})
        : Form(300, height)
    {
        Tree->SetParent(&Form);
        Tree->SetAlign(alClient);
        Tree->SetAutoRefresh(autoRefresh);
        Tree->BeginLoading();
        Tree->SetObjectTypes(types);
        Tree->SetRoot(TVeltoRootFolder(root));
        Tree->EndLoading();
    }
    TTreeNode* RootNode() const { return Tree->Items()->GetFirstNode(); }
    // Shows the form and paints the tree as it first appears.
    void Paint()
    {
        Form.Show();
        InvalidateRect(Tree->Handle(), nullptr, TRUE);
        UpdateWindow(Tree->Handle());
    }
};

// The icon the shell gives the node's item, asked directly.
int IconOf(const TTreeNode* node, bool open)
{
    return GetIconIndex(static_cast<LPCITEMIDLIST>(node->Data()), false, open);
}

// Whether any part of the node's row is in the client area.
bool InView(const TTreeNode* node)
{
    RECT client{};
    GetClientRect(node->TreeView()->Handle(), &client);
    const RECT row = node->DisplayRect(false);
    return row.bottom > client.top && row.top < client.bottom;
}

TTreeNode* Child(const TTreeNode* node, const std::string& text)
{
    for (TTreeNode* child = node ? node->getFirstChild() : nullptr; child; child = child->getNextSibling())
        if (child->Text() == text)
            return child;
    return nullptr;
}

}  // namespace

TEST_SUITE("TVeltoShellTreeView icons") {

TEST_CASE("every node's icons, drawn or read, are the shell's closed and open icons of its item")
{
    TScratchFolder scratch;
    fs::create_directories(scratch / "Parent" / "Sub");
    fs::create_directory(scratch / "Leaf");
    fs::create_directory(scratch / "Hidden");
    SetFileAttributesW((scratch / "Hidden").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    // A read-only folder with a desktop.ini, as Windows wants it for a folder's icon of its own.
    fs::create_directory(scratch / "Marked");
    WriteBytes(scratch / "Marked/desktop.ini", Bytes("[.ShellClassInfo]\r\nIconFile=shell32.dll\r\nIconIndex=3\r\n"));
    SetFileAttributesW((scratch / "Marked").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
    const TScopeExit writable([&] { SetFileAttributesW((scratch / "Marked").c_str(), FILE_ATTRIBUTE_DIRECTORY); });
    for (const char* name : {"note.txt", "other.txt", "page.html", "picture.bmp", "tool.exe", "data.bin", "run.bat"})
        WriteBytes(scratch / name, Bytes("note"));
    int openDiffers = 0;
    char profile[MAX_PATH] = "";
    GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
    for (const std::string& root : {scratch.Path().string(), std::string("sfDesktop"), std::string("sfDrives"), std::string(profile)}) {
        CAPTURE(root);
        TIconHost host(root, 300, false, {otFolders, otNonFolders, otIncludeHidden});
        REQUIRE(host.RootNode());
        if (TTreeNode* parent = Child(host.RootNode(), "Parent"))
            parent->Expand(false);
        host.Paint();
        TTreeNodes& nodes = *host.Tree->Items();
        REQUIRE(nodes.Count() > 1);
        for (int i = 0; i < nodes.Count(); ++i) {
            const TTreeNode* node = nodes.Item(i);
            CAPTURE(node->Text());
            const TIndices held = host.Tree->Held(node);
            if (held.first != I_IMAGECALLBACK)
                CHECK(held.first == IconOf(node, false));
            if (held.second != I_IMAGECALLBACK)
                CHECK(held.second == IconOf(node, true));
            CHECK(node->ImageIndex() == IconOf(node, false));
            CHECK(node->SelectedIndex() == IconOf(node, true));
            CHECK(host.Tree->Asked[node] == 1);
            CHECK(host.Tree->AskedOpen[node] == 1);
            openDiffers += IconOf(node, true) != IconOf(node, false);
        }
    }
    // The open icons above are told from the closed ones only where the shell draws them apart.
    CHECK(openDiffers > 0);
}

TEST_CASE("a page of plain folders asks their folder for the icon's location once per state, bound once for the page")
{
    TScratchFolder scratch;
    for (int i = 0; i < 20; ++i)
        fs::create_directory(scratch / ("folder " + std::to_string(100 + i)));
    TFaultyDesktopScope desktop;
    TIconHost host(scratch.Path().string(), 600);
    const int binds = desktop.Faults().FolderBinds();
    host.Paint();
    CHECK(desktop.Faults().FolderBinds() - binds == 2);  // the root's parent, then the rows' folder
    CHECK(desktop.Faults().UIObjectRequests(IID_IExtractIconW) == 2);  // closed and open
}

TEST_CASE("a node's icons are asked for once, when it is first drawn or read, and never while it is out of view")
{
    TScratchFolder scratch;
    for (int i = 0; i < 60; ++i)
        fs::create_directory(scratch / ("folder " + std::to_string(100 + i)));
    TIconHost host(scratch.Path().string(), 200);
    TIconTree& tree = *host.Tree;
    TTreeNode* root = host.RootNode();
    REQUIRE((root && root->Count() == 60));

    // Filled, not drawn: every item holds the callback, and the shell was asked nothing.
    for (TTreeNode* node = root; node; node = node->GetNext())
        CHECK(tree.Held(node) == TIndices{I_IMAGECALLBACK, I_IMAGECALLBACK});
    CHECK((tree.Asked.empty() && tree.AskedOpen.empty()));

    std::map<const TTreeNode*, bool> everInView;
    const auto checkDrawn = [&] {
        int drawn = 0;
        for (TTreeNode* node = root; node; node = node->GetNext()) {
            CAPTURE(node->Text());
            everInView[node] = everInView[node] || InView(node);
            drawn += InView(node);
            CHECK(tree.Asked[node] == (everInView[node] ? 1 : 0));
            CHECK(tree.AskedOpen[node] <= (everInView[node] ? 1 : 0));
            CHECK(tree.Held(node).first == (everInView[node] ? IconOf(node, false) : I_IMAGECALLBACK));
        }
        return drawn;
    };
    host.Paint();
    const int firstPage = checkDrawn();
    CHECK((firstPage > 3 && firstPage < 30));
    CHECK(tree.Held(root).second == IconOf(root, true));  // the selected node

    InvalidateRect(tree.Handle(), nullptr, TRUE);
    UpdateWindow(tree.Handle());
    SendMessageA(tree.Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    UpdateWindow(tree.Handle());
    REQUIRE(InView(root->Item(59)));
    checkDrawn();
    TTreeNode* middle = root->Item(30);
    REQUIRE_FALSE(everInView[middle]);

    // Read from code: asked for once, then kept in the item.
    for (int read = 0; read < 2; ++read) {
        CHECK(middle->ImageIndex() == IconOf(middle, false));
        CHECK(middle->SelectedIndex() == IconOf(middle, true));
    }
    CHECK((tree.Asked[middle] == 1 && tree.AskedOpen[middle] == 1));
    CHECK(tree.Held(middle) == TIndices{IconOf(middle, false), IconOf(middle, true)});
}

TEST_CASE("a change report that refreshes the tree while the shell gives an icon leaves the gone node alone")
{
    TScratchFolder scratch;
    fs::create_directories(scratch / "Alpha" / "Inner");
    fs::create_directory(scratch / "beta");
    TIconHost host(scratch.Path().string(), 300, true);
    REQUIRE(host.Tree->Notifier()->Active());
    int clears = 0;
    host.Tree->OnDeletion = [&](TObject*, TTreeNode* node) { clears += node->Level() == 0; };
    TTreeNode* alpha = Child(host.RootNode(), "Alpha");
    REQUIRE(alpha);
    const int icon = IconOf(alpha, false), openIcon = IconOf(alpha, true);

    host.Tree->AfterAsked = [&] {
        fs::create_directory(scratch / "New");
        SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA, (scratch / "New").string().c_str(), nullptr);
    };
    CHECK(alpha->ImageIndex() == icon);
    CHECK(clears == 1);
    alpha = Child(host.RootNode(), "Alpha");
    REQUIRE((alpha && Child(host.RootNode(), "New")));
    CHECK(alpha->ImageIndex() == icon);

    host.Tree->AfterAsked = [&] { host.Tree->RefreshTree(); };
    CHECK(alpha->SelectedIndex() == openIcon);
    CHECK(clears == 2);
    alpha = Child(host.RootNode(), "Alpha");
    REQUIRE(alpha);
    CHECK((alpha->ImageIndex() == icon && alpha->SelectedIndex() == openIcon));
}

}  // TEST_SUITE
