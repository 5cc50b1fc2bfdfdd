// TVeltoShellTreeView under handlers that change it from inside the native control's messages and
// the tree's own operations: a selection change, a paint, a deletion, the making of the window, the
// end of loading and the shell menu's message handling. A refresh or rebuild asked for there runs
// once afterwards; anything else the handler does (a new window, the tree's or the form's end) leaves
// nothing freed under the tree or the control, and no PIDL behind.
#include "../support/MallocSpy.h"
#include "ShellTestHelpers.h"
#include "ShellTreeHarness.h"

#include <doctest.h>

#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

enum class TWay { Click, DownKey, SetSelected, SelectPath };

// The node the selection moves to: the Down key goes from the root to Alpha, SelectPath to Gamma's G1.
const char* Target(TWay way)
{
    return way == TWay::DownKey ? "Alpha" : way == TWay::SelectPath ? "G1" : "Gamma";
}

void Select(TShellTreeHost& host, const TReentryScratch& scratch, TWay way)
{
    switch (way) {
    case TWay::Click: PressOn(Child(host.RootNode(), "Gamma"), WM_LBUTTONDOWN); break;
    case TWay::DownKey: SendMessageA(host.Tree->Handle(), WM_KEYDOWN, VK_DOWN, 0); break;
    case TWay::SetSelected: host.Tree->SetSelected(Child(host.RootNode(), "Gamma")); break;
    case TWay::SelectPath: host.Tree->SelectPath(scratch / "Gamma/G1"); break;
    }
}

struct TSelectionCase {
    TWay Way;
    THarm Harm;
    int ClearsDuring, ClearsAfter;  // right after the way has run, and once a waiting request has run
    const char* Root;               // empty: the scratch folder
    const char* Selected;           // empty: the root; "-": the tree is gone
};

// A refresh or rebuild asked for inside OnChanging waits: the change goes through, the request runs
// once afterwards and a refresh keeps the new selection. Nodes that change inside OnChanging refuse
// the change; a new window fills itself afterwards.
constexpr TSelectionCase SelectionCases[] = {
    {TWay::Click, THarm::Refresh, 0, 1, "", "Gamma"},          {TWay::DownKey, THarm::Refresh, 0, 1, "", "Alpha"},
    {TWay::SelectPath, THarm::Refresh, 0, 1, "", "G1"},        {TWay::SetSelected, THarm::Root, 0, 1, "Gamma", ""},
    {TWay::Click, THarm::ObjectTypes, 0, 1, "", ""},           {TWay::DownKey, THarm::Recreate, 1, 1, "", ""},
    {TWay::SelectPath, THarm::Recreate, 1, 1, "", ""},         {TWay::Click, THarm::DeleteNode, 0, 0, "", ""},    {TWay::SetSelected, THarm::DeleteNode, 0, 0, "", ""},      {TWay::Click, THarm::DestroyTree, 1, 1, "", "-"},
    {TWay::DownKey, THarm::DestroyForm, 1, 1, "", "-"},        {TWay::SelectPath, THarm::DestroyTree, 1, 1, "", "-"},
};

void CheckSelectionCase(const TReentryScratch& scratch, const TSelectionCase& row)
{
    CAPTURE(static_cast<int>(row.Way));
    CAPTURE(static_cast<int>(row.Harm));
    TShellTreeHost host(scratch.Root.string(), false, true);
    const std::string rootText = *row.Root ? row.Root : scratch.Root.filename().string();
    HWND window = host.Tree->Handle();
    host.Arm(THandlerEvent::Changing, Target(row.Way), [&] { Harm(host, scratch, row.Harm, Target(row.Way)); });
    Select(host, scratch, row.Way);
    CHECK_FALSE(host.Action);
    CHECK(host.Clears == row.ClearsDuring);
    CHECK(ProcessHeapSound());
    PumpFor(80);
    CHECK(host.Clears == row.ClearsAfter);
    for (const bool held : host.Reports)
        CHECK(held);
    const bool gone = *row.Selected == '-';
    CHECK(IsWindow(window) == !(gone || row.Harm == THarm::Recreate));
    if (gone)
        return;
    REQUIRE(host.TopLevelNodes() == 1);
    CHECK(host.RootNode()->Text() == rootText);
    CHECK(host.SelectedText() == (*row.Selected ? row.Selected : rootText));
    CHECK((Child(host.RootNode(), "file.txt") || Child(host.RootNode(), "file")) == (row.Harm == THarm::ObjectTypes));
    CHECK(host.Tree->Items()->UpdateCount() == 0);
}

// A shell tree loaded onto a shown form, as a form text loads it, with its OnExpanding from the start.
TVeltoShellTreeView* LoadTree(THostForm& form, const std::string& root, TTVExpandingEvent onExpanding)
{
    form.Show();
    auto* tree = new TVeltoShellTreeView(&form);
    tree->OnExpanding = std::move(onExpanding);
    tree->BeginLoading();
    tree->SetAutoRefresh(false);
    tree->SetParent(&form);
    tree->SetRoot(TVeltoRootFolder(root));
    tree->EndLoading();
    return tree;
}

}  // namespace

TEST_SUITE("TVeltoShellTreeView handlers") {

TEST_CASE("a handler inside a selection change may refresh, rebuild, remake the window or end the tree")
{
    TReentryScratch scratch;
    const auto round = [&] {
        for (const TSelectionCase& row : SelectionCases)
            CheckSelectionCase(scratch, row);
    };
    CHECK(LeakedTaskBlocks(round, 1) == 0);
}

TEST_CASE("a change reported, or a refresh asked for, while the tree paints an icon refreshes it once, after the paint")
{
    TReentryScratch scratch;
    for (const bool announced : {true, false}) {
        CAPTURE(announced);
        TShellTreeHost host(scratch.Root.string(), true, true);
        REQUIRE(host.Tree->Notifier()->Active());
        host.Arm(THandlerEvent::Icon, "Alpha", [&] {
            if (announced)
                MakeFolderAndAnnounce(scratch.Root / "New");
            else
                host.Tree->RefreshTree();
        });
        InvalidateRect(host.Tree->Handle(), nullptr, TRUE);
        UpdateWindow(host.Tree->Handle());
        CHECK_FALSE(host.Action);
        CHECK(host.Clears == 0);
        CHECK(ProcessHeapSound());
        PumpFor(80);
        CHECK(host.Clears == 1);
        CHECK(ProcessHeapSound());
        CHECK((Child(host.RootNode(), "New") != nullptr) == announced);
        fs::remove(scratch.Root / "New");
    }
}

TEST_CASE("an OnDeletion that ends the tree or its form inside a refresh, a rebuild or a new window stops there")
{
    TReentryScratch scratch;
    const auto round = [&] {
        for (const THarm operation : {THarm::Refresh, THarm::Root, THarm::Recreate})
            for (const THarm harm : {THarm::DestroyTree, THarm::DestroyForm}) {
                CAPTURE(static_cast<int>(operation));
                CAPTURE(static_cast<int>(harm));
                TShellTreeHost host(scratch.Root.string());
                int deleted = 0;
                const int nodes = host.Tree->Items()->Count();
                host.Tree->OnDeletion = [&](TObject*, TTreeNode*) {
                    if (++deleted == 1)
                        Harm(host, scratch, harm);
                };
                Harm(host, scratch, operation);
                CHECK(deleted == nodes);
                CHECK(ProcessHeapSound());
            }
    };
    CHECK(LeakedTaskBlocks(round, 1) == 0);
}

TEST_CASE("a handler that ends the tree while its window is made, or while its loading ends, stops the tree there")
{
    TReentryScratch scratch;
    const auto round = [&] {
        for (const bool loading : {true, false}) {
            CAPTURE(loading);
            THostForm form;
            bool armed = loading, gone = false;
            TVeltoShellTreeView* tree = LoadTree(form, scratch.Root.string(), [&](TObject* sender, TTreeNode*, bool&) {
                if (std::exchange(armed, false))
                    gone = true, delete sender;
            });
            if (!loading) {
                form.DestroyHandle();
                armed = true;
                tree->HandleNeeded();
            }
            CHECK(gone);
            CHECK(form.ControlCount() == 0);
            CHECK(ProcessHeapSound());
        }
    };
    CHECK(LeakedTaskBlocks(round, 1) == 0);
}

TEST_CASE("the shell menu's own message handling may end the tree")
{
    TReentryScratch scratch;
    TShellTreeHost host(scratch.Root.string(), false, true);
    HWND window = host.Tree->Handle();
    TCountedContextMenu menu;
    menu.WhileHandling = [&] { delete host.Tree; };
    ActiveContextMenu = &menu;
    SendMessageA(window, WM_INITMENUPOPUP, 0, 0);
    ActiveContextMenu = nullptr;
    CHECK(ProcessHeapSound());
    CHECK_FALSE(IsWindow(window));
}

TEST_CASE("a node's icons read in OnDeletion are the shell's, also for a node never drawn")
{
    TReentryScratch scratch;
    std::vector<int> read;
    TShellTreeHost host(scratch.Root.string());
    TTreeNode* alpha = Child(host.RootNode(), "Alpha");
    REQUIRE(alpha);
    const int icon = GetIconIndex(static_cast<LPCITEMIDLIST>(alpha->Data()), false, false);
    const int openIcon = GetIconIndex(static_cast<LPCITEMIDLIST>(alpha->Data()), false, true);
    REQUIRE(icon != openIcon);
    host.Tree->OnDeletion = [&](TObject*, TTreeNode* node) {
        if (node->Text() == "Alpha")
            read = {node->ImageIndex(), node->SelectedIndex()};
    };
    host.Tree->RefreshTree();
    CHECK(read == std::vector<int>{icon, openIcon});
}

TEST_CASE("a tree that has its window when its loading ends is filled once")
{
    TReentryScratch scratch;
    THostForm form;
    int fills = 0;
    TVeltoShellTreeView* tree = LoadTree(form, scratch.Root.string(), [&](TObject*, TTreeNode* node, bool&) {
        fills += node->Level() == 0;
    });
    CHECK(tree->HandleAllocated());
    CHECK(fills == 1);
    CHECK(tree->Items()->GetFirstNode()->Expanded());
}

}  // TEST_SUITE
