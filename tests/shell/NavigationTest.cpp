// TVeltoShellTreeView driven to an item by path or PIDL, and rebuilt after the shell reports a
// change, over real shell folders and a scratch folder tree.
#include "../../shell/VeltoShellTreeView.h"
#include "../framework/ControlTestHelpers.h"
#include "../support/MallocSpy.h"
#include "../support/ScratchFolder.h"
#include "ShellTestHelpers.h"

#include <doctest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using TTexts = std::vector<std::string>;
using TNodeList = std::vector<TTreeNode*>;

// A scratch folder: Alpha (with Inner/Deep and a hidden folder), beta, Gamma (with G1).
struct TNavigationTree {
    TScratchFolder Folder;
    fs::path Root = Folder.Path();

    TNavigationTree()
    {
        fs::create_directories(Root / "Alpha" / "Inner" / "Deep");
        fs::create_directory(Root / "beta");
        fs::create_directories(Root / "Gamma" / "G1");
        const fs::path hidden = Root / "Alpha" / "Hidden";
        fs::create_directory(hidden);
        SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    }
    // The path of an item given with forward slashes, as the shell parses it: with backslashes.
    std::string operator/(const std::string& relative) const { return (Root / relative).make_preferred().string(); }
};

// A shell tree on a host form that records its selection reports and deletions; WhileExpanding
// runs inside every OnExpanding.
struct TNavigationHost {
    // Declared before the form: the nodes deleted while the form goes are still counted.
    TNodeList Changes;
    int Deletions = 0;
    std::function<void(TTreeNode*)> WhileExpanding = [](TTreeNode*) {};
    THostForm Form;
    TVeltoShellTreeView* Tree = new TVeltoShellTreeView(&Form);

    TNavigationHost()
    {
        Tree->SetParent(&Form);
        Tree->SetAlign(alClient);
        Tree->OnChange = [this](TObject*, TTreeNode* node) { Changes.push_back(node); };
        Tree->OnDeletion = [this](TObject*, TTreeNode*) { ++Deletions; };
        Tree->OnExpanding = [this](TObject*, TTreeNode* node, bool&) { WhileExpanding(node); };
    }
    // Filled as a form text fills it: the end of loading switches the notifier on.
    void Load(const std::string& root)
    {
        Tree->BeginLoading();
        Tree->SetRoot(TVeltoRootFolder(root));
        Tree->EndLoading();
    }
    TTreeNode* RootNode() const { return Tree->Items()->GetFirstNode(); }
    std::string SelectedText() const { return Tree->Selected() ? Tree->Selected()->Text() : "(none)"; }
};

LPCITEMIDLIST PidlOfNode(const TTreeNode* node) { return static_cast<LPCITEMIDLIST>(node->Data()); }

TTreeNode* Child(const TTreeNode* node, const std::string& text)
{
    for (TTreeNode* child = node->getFirstChild(); child; child = child->getNextSibling())
        if (child->Text() == text)
            return child;
    return nullptr;
}

TTexts ChildTexts(const TTreeNode* node)
{
    TTexts texts;
    for (TTreeNode* child = node->getFirstChild(); child; child = child->getNextSibling())
        texts.push_back(child->Text());
    return texts;
}

// The texts of the expanded nodes, in index order.
TTexts ExpandedTexts(TCustomVeltoShellTreeView& tree)
{
    TTexts texts;
    for (int index = 0; index < tree.Items()->Count(); ++index)
        if (tree.Items()->Item(index)->Expanded())
            texts.push_back(tree.Items()->Item(index)->Text());
    return texts;
}

// Handles the messages waiting, for at least ms milliseconds.
void PumpFor(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        Application->ProcessMessages();
        Sleep(1);
    } while (std::chrono::steady_clock::now() < end);
}

// Handles messages until the tree has reported a change (a loaded machine may take seconds),
// then a while longer, so that a second report would be seen too.
void PumpUntilChanged(const TNodeList& changes)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (changes.empty() && std::chrono::steady_clock::now() < end) {
        Application->ProcessMessages();
        Sleep(1);
    }
    PumpFor(200);
}

// Makes a folder and tells the shell, which tells this process's registered windows at once.
void MakeFolderAndAnnounce(const fs::path& folder)
{
    fs::create_directory(folder);
    SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA, folder.string().c_str(), nullptr);
}

// The thread's error mode a scope left behind.
UINT CurrentErrorMode() { return GetThreadErrorMode(); }

}  // namespace

TEST_SUITE("TVeltoShellTreeView navigation") {

TEST_CASE("SplitIDList gives every ancestor below the desktop and the item, shortest first")
{
    TNavigationTree scratch;
    const TPidl deep = PidlOf(scratch / "Alpha/Inner/Deep");
    REQUIRE(deep);
    const std::vector<TPidl> steps = TCustomVeltoShellTreeView::SplitIDList(deep.get());
    REQUIRE(steps.size() == GetIDListItemCount(deep.get()));
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const std::size_t itemBytes = GetIDListSize(steps[k].get()) - 2;
        CHECK(GetIDListItemCount(steps[k].get()) == k + 1);
        CHECK(BytesAt(steps[k].get(), itemBytes) == BytesAt(deep.get(), itemBytes));
    }
    CHECK(SameIDLists(steps.back().get(), deep.get()));
    CHECK(TCustomVeltoShellTreeView::SplitIDList(GetDesktopIDList()).empty());
    CHECK(TCustomVeltoShellTreeView::SplitIDList(nullptr).empty());
}

TEST_CASE("SelectPath expands only the folders on the way and reports the selection once")
{
    TNavigationTree scratch;
    TNavigationHost host;
    host.Tree->SetRoot(TVeltoRootFolder("sfDrives"));
    PumpFor(200);
    host.Changes.clear();

    const TPidl target = PidlOf(scratch / "Alpha/Inner");
    const std::vector<TPidl> way = TCustomVeltoShellTreeView::SplitIDList(target.get());
    host.Tree->SelectPath(scratch / "Alpha/Inner");
    TTreeNode* selected = host.Tree->Selected();
    REQUIRE(selected);
    CHECK(SameIDLists(PidlOfNode(selected), target.get()));
    // Exactly the folders strictly above the item are listed and open; no sibling was looked into.
    for (int index = 0; index < host.Tree->Items()->Count(); ++index) {
        TTreeNode* node = host.Tree->Items()->Item(index);
        const bool onTheWay = node != selected && std::any_of(way.begin(), way.end(), [&](const TPidl& step) {
                                  return SameIDLists(step.get(), PidlOfNode(node));
                              });
        CHECK_MESSAGE(node->Expanded() == onTheWay, node->Text());
        CHECK_MESSAGE((node->Count() > 0) == onTheWay, node->Text());
    }
    const RECT shown = selected->DisplayRect(true);
    CHECK((shown.bottom > shown.top && shown.top >= 0 && shown.bottom <= host.Tree->ClientHeight()));
    CHECK(host.Changes.empty());
    PumpUntilChanged(host.Changes);
    CHECK(host.Changes == TNodeList{selected});

    SUBCASE("selecting the selected item again reports nothing")
    {
        host.Tree->SelectPath(scratch / "Alpha/Inner");
        host.Tree->SelectIDList(target.get());
    }
    SUBCASE("text the shell cannot parse leaves the selection as it is")
    {
        for (const std::string& text : {scratch / "missing", std::string("Q:\\Missing"), std::string("/tmp"),
                                        std::string("no such thing")})
            host.Tree->SelectPath(text);
        host.Tree->SelectIDList(nullptr);
    }
    PumpFor(200);
    CHECK(host.Tree->Selected() == selected);
    CHECK(host.Changes == TNodeList{selected});
}

TEST_CASE("SelectPath scrolls the folder it selects into view, also one selected already")
{
    TNavigationTree scratch;
    // More folders ahead of the target than the tree can show at once.
    for (int i = 10; i < 70; ++i)
        fs::create_directory(scratch.Root / ("Many" + std::to_string(i)));
    fs::create_directories(scratch.Root / "Zeta" / "Deep" / "Deeper");
    TNavigationHost host;
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    const auto selectedShown = [&] {
        const RECT shown = host.Tree->Selected()->DisplayRect(true);
        return shown.bottom > shown.top && shown.top >= 0 && shown.bottom <= host.Tree->ClientHeight();
    };
    // Selected and shown; scrolled away to the top; selected again, shown again. The second folder's
    // parent is open already: nothing opens on the way that could scroll it into view instead.
    const std::pair<const char*, const char*> folders[] = {{"Zeta/Deep/Deeper", "Deeper"}, {"Zeta", "Zeta"}};
    for (const auto& [folder, text] : folders) {
        CAPTURE(folder);
        for (int time = 0; time < 2; ++time) {
            host.Tree->SelectPath(scratch / folder);
            REQUIRE(host.SelectedText() == text);
            CHECK(selectedShown());
            SendMessageA(host.Tree->Handle(), WM_VSCROLL, SB_TOP, 0);
            REQUIRE_FALSE(selectedShown());
        }
    }
}

TEST_CASE("SelectPath of an item the tree does not show selects its deepest shown ancestor")
{
    TNavigationTree scratch;
    TNavigationHost host;
    const auto selectedAfter = [&](const std::string& path) {
        host.Tree->SelectPath(scratch / "Alpha/Inner");
        host.Tree->SelectPath(path);
        return host.SelectedText();
    };
    host.Tree->SetRoot(TVeltoRootFolder(scratch / "Alpha"));
    host.Tree->SelectPath(scratch / "Alpha/Inner");
    REQUIRE(host.SelectedText() == "Inner");

    SUBCASE("the root's own path selects the root and opens nothing more")
    {
        CHECK(selectedAfter(scratch / "Alpha") == "Alpha");
        CHECK(ExpandedTexts(*host.Tree) == TTexts{"Alpha"});
        CHECK(Child(host.RootNode(), "Inner")->Count() == 0);
    }
    SUBCASE("a hidden folder without otIncludeHidden selects its parent")
    {
        CHECK(selectedAfter(scratch / "Alpha/Hidden") == "Alpha");
        host.Tree->SetObjectTypes({TVeltoShellObjectType::otFolders, TVeltoShellObjectType::otIncludeHidden});
        CHECK(selectedAfter(scratch / "Alpha/Hidden") == "Hidden");
    }
    SUBCASE("a folder made after its parent was listed selects the parent")
    {
        host.Tree->SelectPath(scratch / "Alpha/Inner/Deep");
        host.Tree->Selected()->Expand(false);
        fs::create_directory(scratch.Root / "Alpha/Inner/Deep/Later");
        CHECK(selectedAfter(scratch / "Alpha/Inner/Deep/Later") == "Deep");
    }
    SUBCASE("a folder outside the root selects the root, deeper or not")
    {
        CHECK(selectedAfter(scratch / "Gamma/G1") == "Alpha");
        CHECK(selectedAfter(scratch / "beta") == "Alpha");
        CHECK(selectedAfter(scratch.Root.string()) == "Alpha");
    }
}

TEST_CASE("a shell change rebuilds the tree with the same folders open and the same item selected")
{
    TNavigationTree scratch;
    TNavigationHost host;
    host.Load(scratch.Root.string());
    REQUIRE(host.Tree->Notifier()->Active());
    host.Tree->SelectPath(scratch / "Alpha/Inner");
    // Listed, then closed: a closed folder does not come back open.
    Child(host.RootNode(), "Gamma")->Expand(false);
    Child(host.RootNode(), "Gamma")->Collapse(false);
    PumpFor(200);
    host.Changes.clear();
    const int nodesBefore = host.Tree->Items()->Count();
    int expansions = 0;

    SUBCASE("a folder made and announced")
    {
        host.WhileExpanding = [&](TTreeNode*) { ++expansions; };
        MakeFolderAndAnnounce(scratch.Root / "Alpha" / "New");
    }
    SUBCASE("a refresh asked for during the refresh does not run inside it")
    {
        host.WhileExpanding = [&](TTreeNode*) {
            ++expansions;
            CHECK(Screen->Cursor() == crHourGlass);
            host.Tree->RefreshTree();
        };
        MakeFolderAndAnnounce(scratch.Root / "Alpha" / "New");
    }
    host.WhileExpanding = [](TTreeNode*) {};
    CHECK(host.Deletions == nodesBefore);
    // The root and Alpha re-expanded, then walked through on the way to the selection.
    CHECK(expansions == 4);
    CHECK(ExpandedTexts(*host.Tree) == TTexts{scratch.Root.filename().string(), "Alpha"});
    CHECK(ChildTexts(Child(host.RootNode(), "Alpha")) == TTexts{"Inner", "New"});
    CHECK(host.SelectedText() == "Inner");
    CHECK(Screen->Cursor() == crDefault);
    CHECK(host.Tree->Items()->UpdateCount() == 0);
    CHECK(host.Changes.empty());
    PumpUntilChanged(host.Changes);
    CHECK(host.Changes == TNodeList{host.Tree->Selected()});
}

TEST_CASE("an error during a refresh reaches the caller after everything is put back")
{
    TNavigationTree scratch;
    TNavigationHost host;
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    host.Tree->SelectPath(scratch / "Alpha/Inner");
    SetThreadErrorMode(0, nullptr);
    host.WhileExpanding = [](TTreeNode* node) {
        if (node->Text() == "Alpha")
            throw Exception("refused");
    };
    SUBCASE("RefreshTree")
    {
        CHECK_THROWS_AS(host.Tree->RefreshTree(), Exception);
    }
    SUBCASE("SelectPath")
    {
        CHECK_THROWS_AS(host.Tree->SelectPath(scratch / "Alpha/Inner"), Exception);
    }
    CHECK(Screen->Cursor() == crDefault);
    CHECK(host.Tree->Items()->UpdateCount() == 0);
    CHECK(CurrentErrorMode() == 0);
    host.WhileExpanding = [](TTreeNode*) {};
    const int deletions = host.Deletions;
    host.Tree->RefreshTree();
    CHECK(host.Deletions > deletions);
    host.Tree->SelectPath(scratch / "Alpha/Inner");
    CHECK(host.SelectedText() == "Inner");
}

TEST_CASE("the walk to an item runs with critical-error boxes off and gives the caller's error mode back")
{
    TNavigationTree scratch;
    TNavigationHost host;
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    std::vector<UINT> modes;
    host.WhileExpanding = [&modes](TTreeNode*) { modes.push_back(CurrentErrorMode()); };
    const auto modeAfter = [](const std::function<void()>& step) {
        SetThreadErrorMode(SEM_NOOPENFILEERRORBOX, nullptr);
        step();
        const UINT mode = CurrentErrorMode();
        SetThreadErrorMode(0, nullptr);
        return mode;
    };
    CHECK(modeAfter([&] { host.Tree->SelectPath(scratch / "Alpha/Inner/Deep"); }) == SEM_NOOPENFILEERRORBOX);
    // The root (expanded again on the way), Alpha, Inner.
    CHECK(modes == std::vector<UINT>(3, SEM_FAILCRITICALERRORS));
    CHECK(host.SelectedText() == "Deep");
    const TPidl g1 = PidlOf(scratch / "Gamma/G1");
    CHECK(modeAfter([&] { host.Tree->SelectIDList(g1.get()); }) == SEM_NOOPENFILEERRORBOX);
    CHECK(modes == std::vector<UINT>(5, SEM_FAILCRITICALERRORS));  // the root, Gamma
    CHECK(host.SelectedText() == "G1");
}

TEST_CASE("a refresh shows the hourglass while it runs and gives the caller's cursor back")
{
    TNavigationTree scratch;
    TNavigationHost host;
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    host.Tree->SelectPath(scratch / "Alpha/Inner");
    std::vector<TCursor> cursors;
    host.WhileExpanding = [&cursors](TTreeNode*) { cursors.push_back(Screen->Cursor()); };
    Screen->SetCursor(crCross);
    host.Tree->RefreshTree();
    const TCursor after = Screen->Cursor();
    Screen->SetCursor(crDefault);
    // The root and Alpha reopened, then both again on the walk to the selection.
    CHECK(cursors == std::vector<TCursor>(4, crHourGlass));
    CHECK(after == crCross);
    CHECK(host.SelectedText() == "Inner");
}

TEST_CASE("a refresh reopens only folders whose parents are open: a subtree closed above stays closed")
{
    TNavigationTree scratch;
    TNavigationHost host;
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    // Gamma and G1 open, then Gamma closed over its open G1; Alpha and Inner open and visible.
    TTreeNode* gamma = Child(host.RootNode(), "Gamma");
    fs::create_directory(scratch.Root / "Gamma" / "G1" / "G2");
    gamma->Expand(false);
    Child(gamma, "G1")->Expand(false);
    gamma->Collapse(false);
    host.Tree->SelectPath(scratch / "Alpha/Inner/Deep");
    REQUIRE(ExpandedTexts(*host.Tree) == TTexts{scratch.Root.filename().string(), "Alpha", "Inner", "G1"});

    host.Tree->RefreshTree();
    CHECK(ExpandedTexts(*host.Tree) == TTexts{scratch.Root.filename().string(), "Alpha", "Inner"});
    CHECK(Child(host.RootNode(), "Gamma")->Count() == 0);  // not even listed again
    CHECK(host.SelectedText() == "Deep");
}

TEST_CASE("AutoRefresh switches the notifier, which a tree only listens with once loaded")
{
    TNavigationTree scratch;
    TNavigationHost host;
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    CHECK_FALSE(host.Tree->Notifier()->Active());
    TTreeNode* root = host.RootNode();
    MakeFolderAndAnnounce(scratch.Root / "Unseen");
    CHECK((host.RootNode() == root && host.Deletions == 0));

    SUBCASE("off after loading: nothing listens, nothing changes")
    {
        host.Load(scratch.Root.string());
        root = host.RootNode();
        REQUIRE(host.Tree->Notifier()->Active());
        host.Tree->SetAutoRefresh(false);
        CHECK_FALSE(host.Tree->Notifier()->Active());
        CHECK(host.Tree->Notifier()->NotifyHandle() == 0);
        const int deletions = host.Deletions;
        MakeFolderAndAnnounce(scratch.Root / "Quiet");
        CHECK((host.RootNode() == root && host.Deletions == deletions));
        CHECK(ChildTexts(root) == TTexts{"Alpha", "beta", "Gamma", "Unseen"});
        host.Tree->SetAutoRefresh(true);
        MakeFolderAndAnnounce(scratch.Root / "Heard");
        CHECK(ChildTexts(host.RootNode()) == TTexts{"Alpha", "beta", "Gamma", "Heard", "Quiet", "Unseen"});
    }
    SUBCASE("never in design mode")
    {
        host.Form.SetDesigning(true);
        host.Load(scratch.Root.string());
        CHECK_FALSE(host.Tree->Notifier()->Active());
        host.Tree->SetAutoRefresh(false);
        host.Tree->SetAutoRefresh(true);
        CHECK_FALSE(host.Tree->Notifier()->Active());
    }
}

TEST_CASE("a tree left empty by a root that named nothing is filled once the root is made")
{
    TNavigationTree scratch;
    TNavigationHost host;
    host.Load(scratch / "Later");
    host.Tree->HandleNeeded();
    REQUIRE(host.Tree->Items()->Count() == 0);
    fs::create_directories(scratch.Root / "Later" / "Sub");
    MakeFolderAndAnnounce(scratch.Root / "Later");
    TTreeNode* root = host.RootNode();
    REQUIRE(root);
    CHECK(root->Text() == "Later");
    CHECK((root->Expanded() && host.Tree->Selected() == root));
}

TEST_CASE("navigation and refresh free every PIDL they take")
{
    TNavigationTree scratch;
    REQUIRE(StartMallocSpy());
    int round = 0;
    const auto lifetime = [&] {
        TNavigationHost host;
        host.Load(scratch.Root.string());
        host.Tree->SelectPath(scratch / "Alpha/Inner/Deep");
        host.Tree->SelectPath(scratch / "Alpha/Hidden");
        host.Tree->SelectPath(scratch / "missing");
        MakeFolderAndAnnounce(scratch.Root / "Alpha" / ("New" + std::to_string(round++)));
        host.WhileExpanding = [](TTreeNode* node) {
            if (node->Text() == "Inner")
                throw Exception("refused");
        };
        CHECK_THROWS(host.Tree->RefreshTree());
        host.WhileExpanding = [](TTreeNode*) {};
        host.Tree->RefreshTree();
        PumpFor(60);
    };
    CHECK(LeakedTaskBlocks(lifetime) == 0);
}

}  // TEST_SUITE
