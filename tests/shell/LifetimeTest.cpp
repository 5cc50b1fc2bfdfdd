// TVeltoShellTreeView under re-entry: handlers that refresh, rebuild or remake the window while the
// tree is expanding, shell changes announced inside an expansion, a fill without a window, and the
// companions of a tree that is gone or that raise. Every freed node and PIDL is poisoned by the
// test allocator, so a use after free crashes here.
#include "../../package/demo/DemoCompanions.h"
#include "../../shell/VeltoShellTreeView.h"
#include "../framework/ControlTestHelpers.h"
#include "../support/FaultyShellFolder.h"
#include "../support/MallocSpy.h"
#include "../support/ScratchFolder.h"
#include "ShellTestHelpers.h"
#include "ShellTreeHarness.h"

#include <doctest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using enum TVeltoShellObjectType;

// --- What a handler does to the tree inside OnExpanding, and on which way the expansion comes

enum class TReentry { Refresh, Root, ObjectTypes, Recreate };
enum class TWay { User, SelectPath, RefreshTree, Program };

const char* NameOf(TReentry reentry)
{
    constexpr const char* names[] = {"RefreshTree", "Root", "ObjectTypes", "RecreateWnd"};
    return names[static_cast<int>(reentry)];
}

const char* NameOf(TWay way)
{
    constexpr const char* names[] = {"a user expansion", "SelectPath", "a RefreshTree re-expansion", "Expand"};
    return names[static_cast<int>(way)];
}

void Reenter(TShellTreeHost& host, const TReentryScratch& scratch, TReentry reentry)
{
    switch (reentry) {
    case TReentry::Refresh: host.Tree->RefreshTree(); break;
    case TReentry::Root: host.Tree->SetRoot(TVeltoRootFolder(scratch / "Gamma")); break;
    case TReentry::ObjectTypes: host.Tree->SetObjectTypes({otFolders, otNonFolders}); break;
    case TReentry::Recreate: host.Tree->RecreateWnd(); break;
    }
}

// Expands Alpha the given way, with the handler armed for Alpha's first OnExpanding.
void ExpandAlpha(TShellTreeHost& host, const TReentryScratch& scratch, TWay way, std::function<void()> action)
{
    switch (way) {
    case TWay::User: {
        host.Tree->SetSelected(Child(host.RootNode(), "Alpha"));
        host.Arm(THandlerEvent::Expanding, "Alpha", std::move(action));
        // The native control's own expansion, as the Right key makes it.
        SendMessageA(host.Tree->Handle(), WM_KEYDOWN, VK_RIGHT, 0);
        break;
    }
    case TWay::SelectPath:
        host.Arm(THandlerEvent::Expanding, "Alpha", std::move(action));
        host.Tree->SelectPath(scratch / "Alpha/Inner");
        break;
    case TWay::RefreshTree:
        host.Tree->SelectPath(scratch / "Alpha/Inner");
        host.Arm(THandlerEvent::Expanding, "Alpha", std::move(action));
        host.Tree->RefreshTree();
        break;
    case TWay::Program:
        host.Arm(THandlerEvent::Expanding, "Alpha", std::move(action));
        Child(host.RootNode(), "Alpha")->Expand(false);
        break;
    }
}

// What the tree shows once the message loop has run: the request made inside the expansion has
// been carried out once, after the expansion, and the tree stands as that request leaves it.
struct TReentryCase {
    TReentry Reentry;
    TWay Way;
    int ClearsDuring;  // while the way runs
    int ClearsAfter;   // once the waiting request has run
    const char* Root;
    const char* Selected;
    bool AlphaExpanded;
};

constexpr TReentryCase ReentryCases[] = {
    // A refresh keeps what the expansion opened and selected.
    {TReentry::Refresh, TWay::User, 0, 1, "", "Alpha", true},
    {TReentry::Refresh, TWay::SelectPath, 0, 1, "", "Inner", true},
    {TReentry::Refresh, TWay::RefreshTree, 1, 2, "", "Inner", true},
    {TReentry::Refresh, TWay::Program, 0, 1, "", "", true},
    // A new root or new object types rebuild afterwards: the root expanded and selected.
    {TReentry::Root, TWay::User, 0, 1, "Gamma", "Gamma", false},
    {TReentry::Root, TWay::SelectPath, 0, 1, "Gamma", "Gamma", false},
    {TReentry::Root, TWay::RefreshTree, 1, 2, "Gamma", "Gamma", false},
    {TReentry::ObjectTypes, TWay::User, 0, 1, "", "", false},
    {TReentry::ObjectTypes, TWay::SelectPath, 0, 1, "", "", false},
    {TReentry::ObjectTypes, TWay::RefreshTree, 1, 2, "", "", false},
    // A new window loses the nodes at once; the expansion ends there and the fill comes after.
    {TReentry::Recreate, TWay::User, 1, 1, "", "", false},
    {TReentry::Recreate, TWay::SelectPath, 1, 1, "", "", false},
    {TReentry::Recreate, TWay::RefreshTree, 2, 2, "", "", false},
};

void CheckReentry(const TReentryCase& row)
{
    TReentryScratch scratch;
    TShellTreeHost host(scratch.Root.string());
    const std::string rootText = *row.Root ? row.Root : scratch.Root.filename().string();
    const std::string selected = *row.Selected ? row.Selected : rootText;
    ExpandAlpha(host, scratch, row.Way, [&] { Reenter(host, scratch, row.Reentry); });
    CHECK_FALSE(host.Action);
    CHECK(host.Clears == row.ClearsDuring);
    CHECK(host.Tree->Items()->UpdateCount() == 0);
    PumpFor(100);
    CHECK(host.Clears == row.ClearsAfter);
    REQUIRE(host.TopLevelNodes() == 1);
    CHECK(host.RootNode()->Text() == rootText);
    CHECK(host.RootNode()->Expanded());
    CHECK(host.SelectedText() == selected);
    CHECK((Child(host.RootNode(), "Alpha") && Child(host.RootNode(), "Alpha")->Expanded()) == row.AlphaExpanded);
    CHECK((Child(host.RootNode(), "file.txt") || Child(host.RootNode(), "file")) ==
          (row.Reentry == TReentry::ObjectTypes));
}

// --- Companions

// A list view that takes the folder of MsgIdSetRoot as its own, as a companion must, and then
// raises while Raising is set.
class TRaisingListView : public TCustomListView {
public:
    using TCustomListView::TCustomListView;
    bool Raising = true;
    int Received = 0;

protected:
    void WndProc(TMessage& message) override
    {
        if (message.Msg == MsgIdSetRoot) {
            const TPidl folder(reinterpret_cast<LPITEMIDLIST>(message.LParam));
            ++Received;
            if (Raising)
                throw Exception("the companion refuses");
            return;
        }
        TCustomListView::WndProc(message);
    }
};

// A plain tree of the framework: a, with b below it and c below b, and d; all collapsed. Once armed,
// the first OnExpanding or OnCollapsing of the node named ArmedFor runs the action.
struct TPlainTreeHost {
    THostForm Form;
    TCustomTreeView* Tree = new TCustomTreeView(&Form);
    std::string ArmedFor;
    std::function<void()> Action;
    TTreeNode* A = nullptr;
    TTreeNode* B = nullptr;

    TPlainTreeHost()
    {
        Tree->SetParent(&Form);
        Tree->SetAlign(alClient);
        A = Tree->Items()->AddChild(nullptr, "a", nullptr);
        B = Tree->Items()->AddChild(A, "b", nullptr);
        Tree->Items()->AddChild(B, "c", nullptr);
        Tree->Items()->AddChild(nullptr, "d", nullptr);
        const auto run = [this](TTreeNode* node) {
            if (Action && node->Text() == ArmedFor)
                std::exchange(Action, nullptr)();
        };
        Tree->OnExpanding = [run](TObject*, TTreeNode* node, bool&) { run(node); };
        Tree->OnCollapsing = [run](TObject*, TTreeNode* node, bool&) { run(node); };
    }
};

}  // namespace

TEST_SUITE("TVeltoShellTreeView lifetimes") {

TEST_CASE("the tree base goes on with no node that a handler deleted")
{
    enum class TDeletion { Node, All };
    enum class TStep { Expand, ExpandAll, Collapse, CollapseAll, RightKey, LeftKey };
    struct TStepCase {
        TStep Step;
        TDeletion Deletion;
        const char* ArmedFor;  // the node whose check deletes: a, or b on the way through a's subtree
    };
    const TStepCase cases[] = {
        {TStep::Expand, TDeletion::Node, "a"},      {TStep::Expand, TDeletion::All, "a"},
        {TStep::ExpandAll, TDeletion::Node, "a"},   {TStep::ExpandAll, TDeletion::All, "b"},
        {TStep::ExpandAll, TDeletion::Node, "b"},   {TStep::Collapse, TDeletion::Node, "a"},
        {TStep::Collapse, TDeletion::All, "a"},     {TStep::CollapseAll, TDeletion::Node, "a"},
        {TStep::CollapseAll, TDeletion::All, "b"},  {TStep::CollapseAll, TDeletion::Node, "b"},
        {TStep::RightKey, TDeletion::Node, "a"},    {TStep::RightKey, TDeletion::All, "a"},
        {TStep::LeftKey, TDeletion::Node, "a"},     {TStep::LeftKey, TDeletion::All, "a"},
    };
    for (const TStepCase& row : cases) {
        CAPTURE(static_cast<int>(row.Step));
        CAPTURE(static_cast<int>(row.Deletion));
        CAPTURE(row.ArmedFor);
        TPlainTreeHost host;
        const bool collapsing = row.Step == TStep::Collapse || row.Step == TStep::CollapseAll ||
                                row.Step == TStep::LeftKey;
        if (collapsing)
            host.A->Expand(true);
        host.Tree->SetSelected(host.A);
        host.ArmedFor = row.ArmedFor;
        host.Action = [&] {
            if (row.Deletion == TDeletion::Node)
                host.A->Delete();
            else
                host.Tree->Items()->Clear();
        };
        switch (row.Step) {
        case TStep::Expand: host.A->Expand(false); break;
        case TStep::ExpandAll: host.A->Expand(true); break;
        case TStep::Collapse: host.A->Collapse(false); break;
        case TStep::CollapseAll: host.A->Collapse(true); break;
        case TStep::RightKey: SendMessageA(host.Tree->Handle(), WM_KEYDOWN, VK_RIGHT, 0); break;
        case TStep::LeftKey: SendMessageA(host.Tree->Handle(), WM_KEYDOWN, VK_LEFT, 0); break;
        }
        CHECK_FALSE(host.Action);
        CHECK(host.Tree->Items()->Count() == (row.Deletion == TDeletion::Node ? 1 : 0));
    }
}


TEST_CASE("a handler that refreshes, rebuilds or remakes the window inside OnExpanding ends that expansion safely")
{
    for (const TReentryCase& row : ReentryCases) {
        const std::string name = std::string(NameOf(row.Reentry)) + " during " + NameOf(row.Way);
        SUBCASE(name.c_str())
        {
            CheckReentry(row);
        }
    }
}

TEST_CASE("a change announced inside OnExpanding refreshes the tree once, after the expansion")
{
    TReentryScratch scratch;
    TShellTreeHost host(scratch.Root.string(), true);
    REQUIRE(host.Tree->Notifier()->Active());
    host.Arm(THandlerEvent::Expanding, "Alpha", [&] {
        MakeFolderAndAnnounce(scratch.Root / "Alpha" / "New");
        MakeFolderAndAnnounce(scratch.Root / "Later");
    });
    host.Tree->SelectPath(scratch / "Alpha/Inner");
    // The expansion listed the new folder itself; the tree is not refreshed yet.
    CHECK(host.Clears == 0);
    CHECK(host.SelectedText() == "Inner");
    CHECK_FALSE(Child(host.RootNode(), "Later"));
    PumpFor(100);
    CHECK(host.Clears == 1);
    CHECK(Child(host.RootNode(), "Later"));
    REQUIRE(Child(host.RootNode(), "Alpha"));
    CHECK(Child(Child(host.RootNode(), "Alpha"), "New"));
    CHECK(host.SelectedText() == "Inner");
    PumpFor(100);
    CHECK(host.Clears == 1);
}

TEST_CASE("a folder whose listing reports a change or remakes the window adds nothing to a gone node")
{
    TReentryScratch scratch;
    TShellTreeHost host(scratch.Root.string(), true);
    const TPidl alphaPidl = PidlOf(scratch.Root / "Alpha");
    const TPidl betaPidl = PidlOf(scratch.Root / "beta");
    TFaultyDesktopScope desktop;
    TTreeNode* alpha = Child(host.RootNode(), "Alpha");
    TTreeNode* beta = Child(host.RootNode(), "beta");
    REQUIRE((alpha && beta));
    SUBCASE("a change announced while Alpha is listed: the refresh waits for the listing")
    {
        desktop.Faults().WhileListing(alphaPidl.get(), [&] { MakeFolderAndAnnounce(scratch.Root / "Later"); });
        CHECK(host.Tree->FillChildren(alpha));
        CHECK(Child(alpha, "Inner"));
        CHECK(host.Clears == 0);
        PumpFor(100);
        CHECK(host.Clears == 1);
        CHECK(Child(host.RootNode(), "Later"));
    }
    SUBCASE("the window remade while the empty beta is listed: the listing ends, the fill comes after")
    {
        desktop.Faults().WhileListing(betaPidl.get(), [&] {
            desktop.Faults().Clear();
            host.Tree->RecreateWnd();
        });
        CHECK_FALSE(host.Tree->FillChildren(beta));
        CHECK(host.Tree->Items()->Count() == 0);
        PumpFor(100);
        REQUIRE(host.RootNode());
        CHECK(host.RootNode()->Expanded());
        CHECK(Child(host.RootNode(), "Alpha"));
    }
    SUBCASE("the window remade while Alpha is listed for its expansion")
    {
        desktop.Faults().WhileListing(alphaPidl.get(), [&] {
            desktop.Faults().Clear();
            host.Tree->RecreateWnd();
        });
        alpha->Expand(false);
        PumpFor(100);
        REQUIRE(host.RootNode());
        CHECK(host.SelectedText() == host.RootNode()->Text());
    }
}

TEST_CASE("FillRoot on a tree without a window makes the window and one root node")
{
    THostForm form;
    auto* tree = new TVeltoShellTreeView(&form);
    tree->SetParent(&form);
    tree->SetAutoRefresh(false);
    REQUIRE_FALSE(tree->HandleAllocated());
    tree->FillRoot();
    CHECK(tree->HandleAllocated());
    TTreeNode* root = tree->Items()->GetFirstNode();
    REQUIRE(root);
    CHECK(root->getNextSibling() == nullptr);
    CHECK(IsDesktopIDList(static_cast<LPCITEMIDLIST>(root->Data())));
    CHECK(root->Expanded());
    CHECK(tree->Items()->Count() == 1 + root->Count());
}

// The demo's companions on a form with a shell tree over the scratch folder, both linked.
struct TCompanionHost {
    THostForm Form;
    TVeltoShellTreeView* Tree = new TVeltoShellTreeView(&Form);
    TDemoShellListView* List = new TDemoShellListView(&Form);
    TDemoShellComboBox* Combo = new TDemoShellComboBox(&Form);

    explicit TCompanionHost(const fs::path& root)
    {
        for (TWinControl* control : {static_cast<TWinControl*>(Tree), static_cast<TWinControl*>(List),
                                     static_cast<TWinControl*>(Combo)})
            control->SetParent(&Form);
        Tree->SetAutoRefresh(false);
        Tree->SetRoot(TVeltoRootFolder(root.string()));
        Tree->SetListView(List);
        Tree->SetComboBox(Combo);
    }
};

TEST_CASE("a companion told of a tree that was destroyed before the message came ignores it")
{
    TReentryScratch scratch;
    const auto round = [&] {
        TCompanionHost host(scratch.Root);
        CHECK(IsLiveShellTreeView(static_cast<TCustomVeltoShellTreeView*>(host.Tree)));
        delete host.Tree;
        CHECK_FALSE(IsLiveShellTreeView(static_cast<TCustomVeltoShellTreeView*>(host.Tree)));
        PumpFor(100);
        // The folder messages carry copies that outlive the tree; the tree itself is not taken.
        CHECK(SameIDLists(host.List->Folder(), PidlOf(scratch.Root).get()));
        CHECK(SameIDLists(host.Combo->Folder(), PidlOf(scratch.Root).get()));
        CHECK(host.List->TreeView() == nullptr);
    };
    CHECK(LeakedTaskBlocks(round, 1) == 0);
    // A live tree is taken.
    TCompanionHost host(scratch.Root);
    PumpFor(100);
    CHECK(host.List->TreeView() == host.Tree);
}

TEST_CASE("an OnChange that refreshes the tree tells the companions of the new node, not the gone one")
{
    TReentryScratch scratch;
    TCompanionHost host(scratch.Root);
    PumpFor(100);
    int changes = 0;
    host.Tree->OnChange = [&](TObject*, TTreeNode*) {
        if (++changes == 1)
            host.Tree->RefreshTree();
    };
    host.Tree->SetSelected(Child(host.Tree->Items()->GetFirstNode(), "Alpha"));
    PumpFor(200);
    CHECK(changes == 2);
    CHECK(SameIDLists(host.List->Folder(), PidlOf(scratch.Root / "Alpha").get()));
    CHECK(SameIDLists(host.Combo->Folder(), PidlOf(scratch.Root / "Alpha").get()));
}

TEST_CASE("a companion that raises in design mode frees its folder once and stays unlinked")
{
    TReentryScratch scratch;
    const std::size_t freedTwice = TaskBlocksFreedTwice();
    const auto round = [&] {
        TErrorRecorder errors;
        THostForm form;
        auto* tree = new TVeltoShellTreeView(&form);
        auto* list = new TRaisingListView(&form);
        tree->SetParent(&form);
        list->SetParent(&form);
        tree->SetAutoRefresh(false);
        tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
        form.SetDesigning(true);
        tree->SetSelected(tree->Items()->GetFirstNode());
        CHECK_THROWS_AS(tree->SetListView(list), Exception);
        CHECK(list->Received == 1);
        CHECK(tree->ListView() == nullptr);
        // Unlinked: a later selection change tells it nothing.
        tree->SetSelected(Child(tree->Items()->GetFirstNode(), "Alpha"));
        PumpFor(100);
        CHECK(list->Received == 1);
        CHECK(errors.Texts.empty());
        list->Raising = false;
        tree->SetListView(list);
        CHECK(list->Received == 2);
        CHECK(tree->ListView() == list);
    };
    CHECK(LeakedTaskBlocks(round, 1) == 0);
    CHECK(TaskBlocksFreedTwice() == freedTwice);
}

TEST_CASE("re-entry inside expansions leaks no PIDL")
{
    TReentryScratch scratch;
    const auto round = [&] {
        for (const TReentryCase& row : ReentryCases) {
            TShellTreeHost host(scratch.Root.string());
            ExpandAlpha(host, scratch, row.Way, [&] { Reenter(host, scratch, row.Reentry); });
            PumpFor(20);
        }
    };
    CHECK(LeakedTaskBlocks(round, 1) == 0);
}

}  // TEST_SUITE
