// TCustomTreeView under handlers that change it from inside the native control's own messages (a
// click, a key, a right click, a label edit) or inside a deletion: nothing the control or the tree
// still works on is freed under it, and the tree shows only nodes it holds.
#include "ControlTestHelpers.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

enum class THarm { DeleteNode, DeleteFirst, Clear, Recreate, DestroyTree, DestroyForm };
enum class TWay { Click, DownKey, Select, LeftKey, RightKey, RightClick, EditLabel };

// A plain tree on a shown form of its own: a; b with b1 below it; c. Once armed, the first event
// runs the harm on the node it names (the one under the right button for a context request).
// Reports holds, for every OnChange, whether the tree held the node.
struct THarmHost {
    THostForm* Form = new THostForm;
    TCustomTreeView* Tree = new TCustomTreeView(Form);
    HWND Window = nullptr;
    TTreeNode *A, *B, *C;
    std::function<void(TTreeNode*)> Armed;
    std::vector<bool> Reports;
    bool TreeGone = false, FormGone = false, KeptInside = false;

    THarmHost()
    {
        Form->Show();
        Tree->SetParent(Form);
        Tree->SetAlign(alClient);
        Tree->SetReadOnly(false);
        Tree->SetRightClickSelect(true);
        A = Tree->Items()->Add("a", nullptr);
        B = Tree->Items()->Add("b", nullptr);
        Tree->Items()->AddChild(B, "b1", nullptr);
        C = Tree->Items()->Add("c", nullptr);
        Tree->SetSelected(A);
        Window = Tree->Handle();
        Tree->OnChange = [this](TObject*, TTreeNode* node) {
            bool held = !node;
            for (int i = 0; i < Tree->Items()->Count(); ++i)
                held = held || Tree->Items()->Item(i) == node;
            Reports.push_back(held);
        };
        const auto run = [this](TTreeNode* node) {
            if (Armed)
                std::exchange(Armed, nullptr)(node);
        };
        Tree->OnChanging = [run](TObject*, TTreeNode* node, bool&) { run(node); };
        Tree->OnCollapsing = [run](TObject*, TTreeNode* node, bool&) { run(node); };
        Tree->OnExpanded = [run](TObject*, TTreeNode* node) { run(node); };
        Tree->OnEditing = [run](TObject*, TTreeNode* node, bool&) { run(node); };
        Tree->OnContextPopup = [this, run](TObject*, POINT, bool& handled) { handled = true, run(Tree->Selected()); };
    }
    ~THarmHost()
    {
        if (!FormGone)
            delete Form;
    }
    // The texts of the nodes a walk through the indexes finds, each followed by a space.
    std::string Texts() const
    {
        std::string texts;
        for (int i = 0; i < Tree->Items()->Count(); ++i)
            texts += Tree->Items()->Item(i)->Text() + " ";
        return texts;
    }
    // walked: the nodes a walk finds right after DeleteNode, inside the handler.
    void Arm(THarm harm, std::string& walked)
    {
        Armed = [this, harm, &walked](TTreeNode* node) {
            switch (harm) {
            case THarm::DeleteNode: node->Delete(), walked = Texts(); break;
            case THarm::DeleteFirst: A->Delete(), walked = Texts(); break;
            case THarm::Clear: Tree->Items()->Clear(); break;
            case THarm::Recreate: Tree->RecreateWnd(); break;
            case THarm::DestroyTree: TreeGone = true, delete Tree; break;
            case THarm::DestroyForm: TreeGone = FormGone = true, delete Form; break;
            }
            KeptInside = IsWindow(Window);
        };
    }
    void Go(TWay way)
    {
        const WPARAM keys[] = {0, VK_DOWN, 0, VK_LEFT, VK_RIGHT};
        switch (way) {
        case TWay::Click: PressOn(C, WM_LBUTTONDOWN); break;
        case TWay::Select: Tree->SetSelected(C); break;
        case TWay::RightClick: PressOn(C, WM_RBUTTONDOWN); break;
        case TWay::EditLabel: SendMessageA(Window, TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(C->ItemId())); break;
        default: SendMessageA(Window, WM_KEYDOWN, keys[static_cast<int>(way)], 0);
        }
    }
};

void HandleWaitingMessages()
{
    for (int i = 0; i < 5; ++i, Sleep(2))
        Application->ProcessMessages();
}

// b is selected (and, for the Left key, expanded) before the keys act on it. A selection change or
// an edit whose handler changed the nodes is refused; a selected node that goes leaves the
// selection to its next sibling. Left: the selected node's text, then the texts of all.
constexpr struct {
    TWay Way;
    THarm Harm;
    const char* Left;
} HarmCases[] = {
    {TWay::Click, THarm::DeleteNode, "a a b b1 "},      {TWay::DownKey, THarm::DeleteNode, "a a c "},
    {TWay::Select, THarm::DeleteNode, "a a b b1 "},     {TWay::Click, THarm::Clear, ""},
    {TWay::DownKey, THarm::Recreate, ""},               {TWay::Select, THarm::Recreate, ""},
    {TWay::Click, THarm::DestroyTree, ""},              {TWay::DownKey, THarm::DestroyForm, ""},
    {TWay::LeftKey, THarm::DeleteNode, "c a c "},       {TWay::LeftKey, THarm::Clear, ""},
    {TWay::LeftKey, THarm::DestroyTree, ""},            {TWay::RightKey, THarm::DeleteNode, "c a c "},
    {TWay::RightKey, THarm::Recreate, ""},              {TWay::RightKey, THarm::DestroyForm, ""},
    {TWay::RightClick, THarm::DeleteNode, "a a b b1 "}, {TWay::RightClick, THarm::Clear, ""},
    {TWay::RightClick, THarm::DestroyTree, ""},         {TWay::EditLabel, THarm::DeleteNode, "a a b b1 "},
    {TWay::EditLabel, THarm::DestroyTree, ""},          {TWay::Click, THarm::DeleteFirst, "b b b1 c "},
};

}  // namespace

TEST_SUITE("TCustomTreeView handlers") {

TEST_CASE("a handler inside the control's own message may delete, clear, remake or destroy")
{
    for (const auto& row : HarmCases) {
        CAPTURE(static_cast<int>(row.Way));
        CAPTURE(static_cast<int>(row.Harm));
        THarmHost host;
        if (row.Way == TWay::LeftKey || row.Way == TWay::RightKey)
            host.Tree->SetSelected(host.B);
        if (row.Way == TWay::LeftKey)
            host.B->Expand(false);
        std::string walked;
        host.Arm(row.Harm, walked);
        host.Go(row.Way);
        CHECK_FALSE(host.Armed);
        CHECK(ProcessHeapSound());
        // The window the control worked in lives on till its message returns, out of sight and
        // without the focus, and goes with the next messages.
        CHECK(host.KeptInside);
        const bool windowGone = host.TreeGone || row.Harm == THarm::Recreate;
        CHECK(IsWindowVisible(host.Window) != windowGone);
        CHECK_FALSE((windowGone && GetFocus() == host.Window));
        HandleWaitingMessages();
        CHECK(IsWindow(host.Window) != windowGone);
        CHECK(ProcessHeapSound());
        for (const bool held : host.Reports)
            CHECK(held);
        if (host.TreeGone)
            continue;
        const std::string left = host.Texts();
        CHECK((host.Tree->Selected() ? host.Tree->Selected()->Text() + " " : "") + left == row.Left);
        CHECK(SendMessageA(host.Tree->Handle(), TVM_GETCOUNT, 0, 0) == host.Tree->Items()->Count());
        CHECK(SendMessageA(host.Tree->Handle(), TVM_GETEDITCONTROL, 0, 0) == 0);
        CHECK(((row.Harm != THarm::DeleteNode && row.Harm != THarm::DeleteFirst) || walked == left));
    }
}

TEST_CASE("an open label edit ends before its node goes, and the control keeps no text for it")
{
    const std::pair<std::function<void(THarmHost&)>, const char*> ends[] = {
        {[](THarmHost& host) { host.B->getFirstChild()->Delete(); }, "a b c "},
        {[](THarmHost& host) { host.B->Delete(); }, "a c "},
        {[](THarmHost& host) { host.Tree->Items()->Clear(); }, ""},
        {[](THarmHost& host) { host.Tree->RecreateWnd(); }, ""}};
    for (const auto& [end, left] : ends) {
        CAPTURE(left);
        THarmHost host;
        host.B->Expand(false);
        HWND edit = reinterpret_cast<HWND>(
            SendMessageA(host.Window, TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(host.B->getFirstChild()->ItemId())));
        REQUIRE(edit);
        SetWindowTextA(edit, "a new text much longer than the old one");
        end(host);
        CHECK_FALSE(IsWindow(edit));
        // What would end an edit still open: the control takes no text for a gone item.
        SendMessageA(host.Tree->Handle(), TVM_ENDEDITLABELNOW, FALSE, 0);
        HandleWaitingMessages();
        CHECK(ProcessHeapSound());
        CHECK(host.Texts() == left);
    }
}

TEST_CASE("an OnDeletion that destroys the tree ends the deletion, and every node still goes once")
{
    const std::function<void(THarmHost&)> paths[] = {[](THarmHost& host) { host.Tree->Items()->Clear(); },
                                                     [](THarmHost& host) { host.B->Delete(); },
                                                     [](THarmHost& host) { host.Tree->RecreateWnd(); }};
    for (const auto& path : paths) {
        THarmHost host;
        int deleted = 0;
        host.Tree->OnDeletion = [&](TObject*, TTreeNode*) {
            if (++deleted == 1)
                delete std::exchange(host.Tree, nullptr);
        };
        path(host);
        CHECK(deleted == 4);
        CHECK(ProcessHeapSound());
    }
}

TEST_CASE("a sibling that a deletion handler destroys while the parent's window goes is destroyed once")
{
    THarmHost host;
    auto* sibling = new TCustomTreeView(host.Form);
    sibling->SetParent(host.Form);
    host.Tree->OnDeletion = [&](TObject*, TTreeNode*) { delete std::exchange(sibling, nullptr); };
    host.Form->RecreateWnd();
    CHECK(ProcessHeapSound());
    CHECK(IsWindow(host.Tree->Handle()));
}

}  // TEST_SUITE
