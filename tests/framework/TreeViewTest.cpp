// TCustomTreeView: nodes over native items in pre-order, expansion through the checks, the change
// delay and its cancellation, deletion by every path, and right-click select.
#include "ControlTestHelpers.h"

#include "../../framework/TreeView.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <tuple>
#include <type_traits>

namespace {

// The base control with a window of its own on a host form; records the deletion hook's nodes.
class TTestTree : public TCustomTreeView {
public:
    explicit TTestTree(THostForm& form) : TCustomTreeView(&form)
    {
        SetParent(&form);
        SetBounds(0, 0, 300, 250);
        OnDeletion = [this](TObject*, TTreeNode* node) { Deleted.push_back(node->Text()); };
    }
    // The nodes go while Deleted still exists.
    ~TTestTree() override { DestroyHandle(); }

    std::vector<std::string> Deleted;
};

// Image indices the image hooks give: 2n for "node n", 2n + 1 for its selected image.
int HookImage(const std::string& text, bool selected)
{
    return std::stoi(text.substr(5)) * 2 + (selected ? 1 : 0);
}

// A test tree that draws images and leaves them to its hooks: they answer HookImage, record who
// asked ("node n", or "node n+" for the selected image) and run WhileAsked before they answer.
// With Quiet they answer "not known" without recording: a read then shows what the item holds.
class TImageTree : public TTestTree {
public:
    explicit TImageTree(THostForm& form) : TTestTree(form)
    {
        SendMessageA(Handle(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(FImages.get()));
    }
    ~TImageTree() override { DestroyHandle(); }

    // Adds count nodes "node 0", ... whose images are left to the hooks.
    void AddNodes(int count)
    {
        for (int i = 0; i < count; ++i) {
            TTreeNode* node = Items()->Add("node " + std::to_string(i), nullptr);
            node->SetImageIndex(I_IMAGECALLBACK);
            node->SetSelectedIndex(I_IMAGECALLBACK);
        }
    }
    // The item's image indices as the control holds them.
    std::pair<int, int> Held(const TTreeNode* node) { return HeldImages(node, Quiet); }

    std::vector<std::string> Asked;
    std::function<void(TTreeNode*)> WhileAsked;
    bool Quiet = false;

protected:
    int GetImageIndex(TTreeNode* node) override { return Answer(node, false); }
    int GetSelectedIndex(TTreeNode* node) override { return Answer(node, true); }

private:
    int Answer(TTreeNode* node, bool selected)
    {
        if (Quiet)
            return I_IMAGECALLBACK;
        const std::string text = node->Text();
        Asked.push_back(selected ? text + "+" : text);
        if (WhileAsked)
            WhileAsked(node);
        return HookImage(text, selected);
    }

    struct TImageListDeleter {
        void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
    };
    std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, TImageListDeleter> FImages{
        ImageList_Create(16, 16, ILC_COLOR32, 4, 4)};
};

// How often text is among the askers.
long AskedFor(const TImageTree& tree, const std::string& text)
{
    return std::count(tree.Asked.begin(), tree.Asked.end(), text);
}

// Whether any part of the node's row is in the client area.
bool InView(const TTreeNode* node)
{
    RECT client{};
    GetClientRect(node->TreeView()->Handle(), &client);
    const RECT row = node->DisplayRect(false);
    return row.bottom > client.top && row.top < client.bottom;
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

std::vector<std::string> PreOrderTexts(const TTreeNodes& nodes)
{
    std::vector<std::string> texts;
    for (int i = 0; i < nodes.Count(); ++i)
        texts.push_back(nodes.Item(i)->Text());
    return texts;
}

// Sorts children by descending text.
int CALLBACK ByTextDescending(LPARAM a, LPARAM b, LPARAM appValue)
{
    CHECK(appValue == 42);
    return -reinterpret_cast<TTreeNode*>(a)->Text().compare(reinterpret_cast<TTreeNode*>(b)->Text());
}

}  // namespace

TEST_SUITE("TCustomTreeView") {

TEST_CASE("nodes are numbered in pre-order, also after a sort, and keep what they are given")
{
    THostForm form;
    TTestTree tree(form);
    int data = 0;
    TTreeNode* a = tree.Items()->Add("a", &data);
    TTreeNode* a1 = tree.Items()->AddChild(a, "a1", nullptr);
    TTreeNode* a2 = tree.Items()->AddChild(a, "a2", nullptr);
    tree.Items()->AddChild(a1, "a1x", nullptr);
    tree.Items()->Add("b", nullptr);
    REQUIRE(tree.HandleAllocated());
    CHECK(tree.Items()->Count() == 5);
    CHECK(PreOrderTexts(*tree.Items()) == std::vector<std::string>{"a", "a1", "a1x", "a2", "b"});
    CHECK(tree.Items()->GetFirstNode() == a);
    CHECK(a->Data() == &data);
    CHECK((a->Count() == 2 && a->Item(1) == a2 && a->Item(2) == nullptr));
    CHECK((a1->Level() == 1 && a1->Parent() == a && a->Parent() == nullptr));
    CHECK((a->getFirstChild() == a1 && a1->getNextSibling() == a2 && a2->getNextSibling() == nullptr));
    // Adding a child gives its parent the button.
    CHECK(a->HasChildren());
    CHECK_THROWS_AS(tree.Items()->Item(5), Exception);

    CHECK(a->CustomSort(ByTextDescending, 42));
    CHECK(PreOrderTexts(*tree.Items()) == std::vector<std::string>{"a", "a2", "a1", "a1x", "b"});

    a2->SetText(std::string(600, 'x'));
    a2->SetCut(true);
    a2->SetOverlayIndex(2);
    a2->SetImageIndex(3);
    a2->SetSelectedIndex(4);
    a2->SetHasChildren(false);
    CHECK(a2->Text() == std::string(600, 'x'));
    CHECK((a2->Cut() && a2->OverlayIndex() == 2 && a2->ImageIndex() == 3 && a2->SelectedIndex() == 4));
    CHECK_FALSE(a2->HasChildren());
    a2->SetOverlayIndex(-1);
    CHECK(a2->OverlayIndex() == -1);
}

TEST_CASE("program expansion runs the checks, and nothing happens for a node without the flag")
{
    THostForm form;
    TTestTree tree(form);
    std::vector<std::string> log;
    bool allow = true;
    tree.OnExpanding = [&](TObject*, TTreeNode* node, bool& allowExpansion) {
        log.push_back("expanding " + node->Text());
        allowExpansion = allow;
    };
    tree.OnExpanded = [&](TObject*, TTreeNode* node) { log.push_back("expanded " + node->Text()); };
    tree.OnCollapsing = [&](TObject*, TTreeNode* node, bool&) { log.push_back("collapsing " + node->Text()); };
    tree.OnCollapsed = [&](TObject*, TTreeNode* node) { log.push_back("collapsed " + node->Text()); };
    TTreeNode* a = tree.Items()->Add("a", nullptr);
    TTreeNode* a1 = tree.Items()->AddChild(a, "a1", nullptr);
    tree.Items()->AddChild(a1, "a1x", nullptr);
    TTreeNode* leaf = tree.Items()->Add("leaf", nullptr);

    leaf->Expand(false);
    CHECK(log.empty());

    allow = false;
    a->Expand(false);
    CHECK_FALSE(a->Expanded());
    allow = true;
    a->Expand(true);
    CHECK((a->Expanded() && a1->Expanded()));
    CHECK(log == std::vector<std::string>{"expanding a", "expanding a", "expanded a", "expanding a1", "expanded a1"});

    log.clear();
    a->Collapse(true);
    CHECK_FALSE((a->Expanded() || a1->Expanded()));
    CHECK(log == std::vector<std::string>{"collapsing a1", "collapsed a1", "collapsing a", "collapsed a"});

    SUBCASE("an expansion the control starts itself goes through the same check")
    {
        TTreeNode* c = tree.Items()->Add("c", nullptr);
        tree.Items()->AddChild(c, "c1", nullptr);
        log.clear();
        allow = false;
        SendMessageA(tree.Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(c->ItemId()));
        CHECK_FALSE(c->Expanded());
        allow = true;
        SendMessageA(tree.Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(c->ItemId()));
        CHECK(c->Expanded());
        CHECK(log == std::vector<std::string>{"expanding c", "expanding c", "expanded c"});
    }
}

TEST_CASE("a selection is reported once it has been stable for the change delay")
{
    THostForm form;
    TTestTree tree(form);
    std::vector<TTreeNode*> reported;
    tree.OnChange = [&](TObject*, TTreeNode* node) { reported.push_back(node); };
    TTreeNode* a = tree.Items()->Add("a", nullptr);
    TTreeNode* b = tree.Items()->Add("b", nullptr);

    SUBCASE("with a delay, only the last of quick changes, after the delay")
    {
        tree.SetChangeDelay(50);
        tree.SetSelected(a);
        tree.SetSelected(b);
        CHECK(tree.Selected() == b);
        PumpFor(20);
        CHECK(reported.empty());
        PumpFor(150);
        CHECK(reported == std::vector<TTreeNode*>{b});
        tree.SetSelected(b);
        PumpFor(100);
        CHECK(reported.size() == 1);
    }
    SUBCASE("adding or deleting a node while the timer runs cancels the report")
    {
        tree.SetChangeDelay(50);
        tree.SetSelected(a);
        tree.Items()->AddChild(a, "a1", nullptr);
        PumpFor(150);
        tree.SetSelected(b);
        tree.Items()->AddChild(a, "a2", nullptr)->Delete();
        PumpFor(150);
        CHECK(reported.empty());
    }
    SUBCASE("without a delay at once, clearing the selection too")
    {
        tree.SetSelected(a);
        CHECK(reported == std::vector<TTreeNode*>{a});
        tree.SetSelected(nullptr);
        CHECK(tree.Selected() == nullptr);
        CHECK(reported == std::vector<TTreeNode*>{a, nullptr});
    }
}

TEST_CASE("the deletion hook runs for every node, by every path")
{
    THostForm form;
    auto* tree = new TTestTree(form);
    const auto fill = [tree] {
        TTreeNode* a = tree->Items()->Add("a", nullptr);
        tree->Items()->AddChild(tree->Items()->AddChild(a, "a1", nullptr), "a1x", nullptr);
        tree->Items()->Add("b", nullptr);
        return a;
    };
    TTreeNode* a = fill();
    a->Delete();
    CHECK(tree->Deleted == std::vector<std::string>{"a1x", "a1", "a"});
    CHECK(PreOrderTexts(*tree->Items()) == std::vector<std::string>{"b"});

    tree->Deleted.clear();
    tree->Items()->Clear();
    CHECK((tree->Deleted.size() == 1 && tree->Items()->Count() == 0));

    const auto deletedBy = [&](auto&& action) {
        fill();
        tree->Deleted.clear();
        action();
        return tree->Deleted.size();
    };
    CHECK(deletedBy([&] { tree->RecreateWnd(); }) == 4);
    CHECK(tree->Items()->Count() == 0);
    CHECK(deletedBy([&] { tree->SetBorderStyle(bsNone); }) == 4);
    CHECK(deletedBy([&] { form.DestroyHandle(); }) == 4);
    // A window destroyed behind the control's back takes its nodes along.
    CHECK(deletedBy([&] { DestroyWindow(tree->Handle()); }) == 4);
    CHECK_FALSE(tree->HandleAllocated());
    // An item the control deletes by itself takes the nodes of its branch along.
    CHECK(deletedBy([&] {
        const auto first = reinterpret_cast<LPARAM>(tree->Items()->GetFirstNode()->ItemId());
        SendMessageA(tree->Handle(), TVM_DELETEITEM, 0, first);
    }) == 3);
    CHECK(PreOrderTexts(*tree->Items()) == std::vector<std::string>{"b"});
    tree->Items()->Clear();
    std::size_t deletedByDestructor = 0;
    fill();
    tree->OnDeletion = [&](TObject*, TTreeNode*) { ++deletedByDestructor; };
    delete tree;
    CHECK(deletedByDestructor == 4);
}

TEST_CASE("an image left to the hooks is asked for once, when the node is first drawn or read, and kept")
{
    THostForm form;
    form.Show();
    TImageTree tree(form);
    tree.AddNodes(40);
    TTreeNodes& nodes = *tree.Items();
    CHECK(tree.Asked.empty());
    CHECK(tree.Held(nodes.Item(0)) == std::pair{I_IMAGECALLBACK, I_IMAGECALLBACK});
    // Drawn while the hooks know nothing yet: nothing is kept, the next drawing asks.
    tree.Quiet = true;
    UpdateWindow(tree.Handle());
    tree.Quiet = false;
    InvalidateRect(tree.Handle(), nullptr, TRUE);

    UpdateWindow(tree.Handle());
    int drawn = 0;
    for (int i = 0; i < nodes.Count(); ++i) {
        const TTreeNode* node = nodes.Item(i);
        CAPTURE(node->Text());
        const bool inView = InView(node);
        drawn += inView;
        CHECK(AskedFor(tree, node->Text()) == (inView ? 1 : 0));
        CHECK(tree.Held(node).first == (inView ? HookImage(node->Text(), false) : I_IMAGECALLBACK));
    }
    REQUIRE((drawn > 2 && drawn < 30));

    // Read from code: asked for once, whether drawn or not, then kept.
    for (const int i : {0, 35}) {
        TTreeNode* node = nodes.Item(i);
        const std::string text = node->Text();
        for (int read = 0; read < 2; ++read) {
            CHECK(node->ImageIndex() == HookImage(text, false));
            CHECK(node->SelectedIndex() == HookImage(text, true));
        }
        CHECK((AskedFor(tree, text) == 1 && AskedFor(tree, text + "+") == 1));
        CHECK(tree.Held(node) == std::pair{HookImage(text, false), HookImage(text, true)});
    }
    const std::size_t asked = tree.Asked.size();
    InvalidateRect(tree.Handle(), nullptr, TRUE);
    UpdateWindow(tree.Handle());
    CHECK(tree.Asked.size() == asked);

    // An index set by code is the node's own: the hooks are not asked.
    TTreeNode* set = nodes.Item(30);
    set->SetImageIndex(7);
    set->SetSelectedIndex(8);
    CHECK((set->ImageIndex() == 7 && set->SelectedIndex() == 8));
    CHECK(AskedFor(tree, set->Text()) + AskedFor(tree, set->Text() + "+") == 0);

    // An answer the hook does not know yet is not kept: the next read asks again.
    TTreeNode* unknown = nodes.Item(31);
    tree.Quiet = true;
    CHECK(unknown->ImageIndex() == I_IMAGECALLBACK);
    tree.Quiet = false;
    CHECK(unknown->ImageIndex() == HookImage(unknown->Text(), false));
}

TEST_CASE("the image hooks are not asked about a node being deleted or an item without a node, nor stored into a node they delete")
{
    THostForm form;
    form.Show();
    TImageTree tree(form);
    tree.AddNodes(6);
    TTreeNodes& nodes = *tree.Items();

    SUBCASE("a hook that deletes the node it is asked about")
    {
        tree.WhileAsked = [](TTreeNode* node) { node->Delete(); };
        CHECK(nodes.Item(5)->ImageIndex() == HookImage("node 5", false));
        CHECK(nodes.Item(4)->SelectedIndex() == HookImage("node 4", true));
        CHECK(tree.Deleted == std::vector<std::string>{"node 5", "node 4"});
    }
    SUBCASE("a hook that clears the tree")
    {
        tree.WhileAsked = [&](TTreeNode*) { nodes.Clear(); };
        CHECK(nodes.Item(2)->ImageIndex() == HookImage("node 2", false));
        CHECK(nodes.Count() == 0);
    }
    SUBCASE("a hook that deletes another node while the tree is drawn")
    {
        tree.WhileAsked = [&](TTreeNode* node) {
            if (node->Text() == "node 0")
                nodes.Item(nodes.Count() - 1)->Delete();
        };
        UpdateWindow(tree.Handle());
        tree.WhileAsked = nullptr;
        CHECK(nodes.Count() == 5);
        for (int i = 0; i < nodes.Count(); ++i)
            CHECK(nodes.Item(i)->ImageIndex() == HookImage(nodes.Item(i)->Text(), false));
    }
    SUBCASE("a node being deleted")
    {
        std::vector<int> readWhileDeleted;
        tree.OnDeletion = [&](TObject*, TTreeNode* node) {
            readWhileDeleted.push_back(node->ImageIndex());
            readWhileDeleted.push_back(node->SelectedIndex());
        };
        nodes.Item(3)->Delete();
        tree.OnDeletion = nullptr;
        CHECK(readWhileDeleted == std::vector<int>{I_IMAGECALLBACK, I_IMAGECALLBACK});
        CHECK(tree.Asked.empty());
    }
    SUBCASE("an item put in behind the tree's back, drawn")
    {
        TVINSERTSTRUCTA insert{};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.pszText = const_cast<char*>("stranger");
        insert.item.iImage = insert.item.iSelectedImage = I_IMAGECALLBACK;
        REQUIRE(SendMessageA(tree.Handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
        UpdateWindow(tree.Handle());
        CHECK(tree.Asked.size() >= 6);
        CHECK(AskedFor(tree, "stranger") == 0);
    }
}

TEST_CASE("while the right button acts on a node, that node is the selected one")
{
    THostForm form;
    form.Show();
    TTestTree tree(form);
    tree.SetRightClickSelect(true);
    TTreeNode* a = tree.Items()->Add("a", nullptr);
    TTreeNode* b = tree.Items()->Add("b", nullptr);
    tree.SetSelected(a);
    const RECT rect = b->DisplayRect(true);
    REQUIRE(rect.right > rect.left);
    std::vector<TTreeNode*> selectedDuringMenu;
    tree.OnContextPopup = [&](TObject*, POINT, bool& handled) {
        selectedDuringMenu.push_back(tree.Selected());
        handled = true;
    };
    const LPARAM point = MAKELPARAM(rect.left + 2, (rect.top + rect.bottom) / 2);
    // The control tracks the button until it is released: the release waits in the queue.
    PostMessageA(tree.Handle(), WM_RBUTTONUP, 0, point);
    SendMessageA(tree.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, point);
    CHECK(selectedDuringMenu == std::vector<TTreeNode*>{b});
    CHECK(tree.Selected() == a);
}

TEST_CASE("a keyboard context request points at the selected label, and none outside the client area reaches the step")
{
    THostForm form;
    form.Show();
    TTestTree tree(form);
    tree.SetBounds(0, 0, 150, 80);
    for (int i = 0; i < 30; ++i)
        tree.Items()->Add("node " + std::to_string(i), nullptr);
    TTreeNode* first = tree.Items()->GetFirstNode();
    tree.SetSelected(first);
    std::vector<POINT> requests;
    tree.OnContextPopup = [&](TObject*, POINT point, bool& handled) {
        requests.push_back(point);
        handled = true;
    };
    const auto keyboardRequest = [&] {
        SendMessageA(tree.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree.Handle()), MAKELPARAM(-1, -1));
    };

    keyboardRequest();
    const RECT label = first->DisplayRect(true);
    REQUIRE(requests.size() == 1);
    CHECK(requests[0].x == label.left);
    CHECK(requests[0].y == label.bottom);

    SendMessageA(tree.Handle(), WM_VSCROLL, SB_BOTTOM, 0);  // the selected label leaves the window
    keyboardRequest();
    POINT outside{-5, -5};
    ClientToScreen(tree.Handle(), &outside);
    SendMessageA(tree.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree.Handle()), MAKELPARAM(outside.x, outside.y));
    CHECK(requests.size() == 1);
}

TEST_CASE("each look property gives its window style bit, to a new window and to the one there")
{
    using T = TCustomTreeView;
    // The setter, the bit, and the property's value that sets the bit.
    const std::tuple<void (T::*)(bool), DWORD, bool> looks[] = {
        {&T::SetShowButtons, TVS_HASBUTTONS, true},     {&T::SetShowLines, TVS_HASLINES, true},
        {&T::SetShowRoot, TVS_LINESATROOT, true},       {&T::SetReadOnly, TVS_EDITLABELS, false},
        {&T::SetHideSelection, TVS_SHOWSELALWAYS, false}, {&T::SetHotTrack, TVS_TRACKSELECT, true},
        {&T::SetRowSelect, TVS_FULLROWSELECT, true},    {&T::SetToolTips, TVS_NOTOOLTIPS, false},
    };
    THostForm form;
    const auto hasBit = [](TTestTree& tree, DWORD bit) {
        return (GetWindowLongPtrA(tree.Handle(), GWL_STYLE) & static_cast<LONG_PTR>(bit)) != 0;
    };
    for (const auto& [set, bit, setBy] : looks) {
        CAPTURE(bit);
        for (const bool value : {false, true}) {
            TTestTree tree(form);
            (tree.*set)(value);
            CHECK(hasBit(tree, bit) == (value == setBy));
            (tree.*set)(!value);
            CHECK(hasBit(tree, bit) == (value != setBy));
        }
    }
}

}  // TEST_SUITE
