// TPopupMenu read from a form text and shown by a tree view on a context request that nothing
// else claimed.
#include "ControlTestHelpers.h"

#include "../../framework/FormReader.h"
#include "../../framework/Menus.h"
#include "../../framework/TreeView.h"

namespace {

// A tree view the form text can name, publishing what a tree view publishes.
class TPopupTree : public TCustomTreeView {
public:
    DECLARE_CLASS_INFO
    explicit TPopupTree(TComponent* owner) : TCustomTreeView(owner) {}
    ~TPopupTree() override { DestroyHandle(); }
};

const TClassInfo& TPopupTree::StaticClassInfo()
{
    static const TClassInfo info{.Name = "TPopupTree",
                                 .Parent = &TCustomTreeView::StaticClassInfo(),
                                 .Properties = TreeViewProperties::Published(),
                                 .Create = [](TComponent* owner) -> TComponent* { return new TPopupTree(owner); }};
    return info;
}

// A form with a tree and its menu; counts what it sees of the request and of the menu.
class TMenuTestForm : public TForm {
public:
    DECLARE_CLASS_INFO
    TMenuTestForm() : TForm(nullptr) {}

    TPopupTree* Tree = nullptr;
    TPopupMenu* Menu1 = nullptr;
    TMenuItem* Open1 = nullptr;
    std::vector<std::string> Log;

    void Menu1Popup(TObject*) { Log.push_back("popup"); }
    void Open1Click(TObject* sender) { Log.push_back("click " + static_cast<TComponent*>(sender)->Name()); }
    void Close1Click(TObject* sender) { Log.push_back("click " + static_cast<TComponent*>(sender)->Name()); }

protected:
    void WndProc(TMessage& message) override
    {
        if (message.Msg == WM_CONTEXTMENU)
            Log.push_back("parent");
        TForm::WndProc(message);
    }
};

const TClassInfo& TMenuTestForm::StaticClassInfo()
{
    using F = TMenuTestForm;
    static const TClassInfo info{
        .Name = "TMenuTestForm",
        .Parent = &TForm::StaticClassInfo(),
        .Methods = {Method<F>("Menu1Popup", &F::Menu1Popup), Method<F>("Open1Click", &F::Open1Click),
                    Method<F>("Close1Click", &F::Close1Click)},
        .Fields = {Field<F>("Tree", &F::Tree), Field<F>("Menu1", &F::Menu1), Field<F>("Open1", &F::Open1)}};
    return info;
}

const char* const MenuForm = "object MenuTestForm: TMenuTestForm\n"
                             "  ClientHeight = 300\n"
                             "  ClientWidth = 400\n"
                             "  object Tree: TPopupTree\n"
                             "    Left = 0\n"
                             "    Top = 0\n"
                             "    Width = 300\n"
                             "    Height = 250\n"
                             "    PopupMenu = Menu1\n"
                             "  end\n"
                             "  object Menu1: TPopupMenu\n"
                             "    OnPopup = Menu1Popup\n"
                             "    object Open1: TMenuItem\n"
                             "      Caption = 'Open'\n"
                             "      OnClick = Open1Click\n"
                             "    end\n"
                             "    object Close1: TMenuItem\n"
                             "      Caption = 'Close'\n"
                             "      OnClick = Close1Click\n"
                             "    end\n"
                             "  end\n"
                             "end\n";

// While it lives, a thread timer picks the first item of a menu being tracked with the keys, and
// closes the menu outright if the keys were not taken.
class TMenuPicker {
public:
    TMenuPicker() : FTimer(SetTimer(nullptr, 0, 100, Tick)) { Ticks = 0; }
    ~TMenuPicker() { KillTimer(nullptr, FTimer); }
    TMenuPicker(const TMenuPicker&) = delete;
    TMenuPicker& operator=(const TMenuPicker&) = delete;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        // The menu loop takes every key message of the thread, whichever window it is posted to.
        HWND target = GetFocus() ? GetFocus() : GetActiveWindow();
        if (++Ticks == 1) {
            PostMessageA(target, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageA(target, WM_KEYDOWN, VK_RETURN, 0);
        } else if (Ticks > 10) {
            EndMenu();
        }
    }

    static inline int Ticks = 0;
    UINT_PTR FTimer;
};

// A right click on the first node, as the tree control sees it.
void RightClickFirstNode(TCustomTreeView& tree)
{
    const RECT rect = tree.Items()->GetFirstNode()->DisplayRect(true);
    const LPARAM point = MAKELPARAM(rect.left + 2, (rect.top + rect.bottom) / 2);
    TMenuPicker picker;
    PostMessageA(tree.Handle(), WM_RBUTTONUP, 0, point);
    SendMessageA(tree.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, point);
}

struct TMenuTestSetup {
    TMenuTestSetup()
    {
        RegisterFrameworkClasses();
        RegisterClasses({&TPopupTree::StaticClassInfo()});
        ReadForm(Form, MenuForm);
        Form.Show();
        Form.Tree->Items()->Add("a", nullptr);
        Form.Tree->SetFocus();
    }
    TMenuTestForm Form;
};

}  // namespace

TEST_SUITE("TPopupMenu") {

TEST_CASE("the form text nests the items in their menu and the tree names the menu")
{
    TMenuTestSetup setup;
    TMenuTestForm& form = setup.Form;
    REQUIRE(form.Menu1);
    CHECK(form.Tree->PopupMenu() == form.Menu1);
    CHECK(form.Menu1->AutoPopup());
    REQUIRE(form.Menu1->Count() == 2);
    CHECK(form.Menu1->Items(0) == form.Open1);
    CHECK(form.Menu1->Items(1)->Caption() == "Close");

    const std::string written = WriteForm(form);
    CHECK(written.find("PopupMenu = Menu1") != std::string::npos);
    TMenuTestForm copy;
    ReadForm(copy, written);
    REQUIRE(copy.Menu1);
    CHECK(copy.Menu1->Count() == 2);
    CHECK(copy.Tree->PopupMenu() == copy.Menu1);
}

TEST_CASE("an unclaimed right click shows the tree's menu instead of asking the parent")
{
    TMenuTestSetup setup;
    TMenuTestForm& form = setup.Form;
    RightClickFirstNode(*form.Tree);
    CHECK(form.Log == std::vector<std::string>{"popup", "click Open1"});
    CHECK(form.Menu1->PopupComponent() == form.Tree);
    // An item made invisible is not shown: the first one shown is the next.
    form.Open1->SetVisible(false);
    form.Log.clear();
    RightClickFirstNode(*form.Tree);
    CHECK(form.Log == std::vector<std::string>{"popup", "click Close1"});
}

TEST_CASE("a claimed request, or a menu without AutoPopup, shows no menu")
{
    TMenuTestSetup setup;
    TMenuTestForm& form = setup.Form;
    SUBCASE("claimed by the context-popup step: nobody else sees it")
    {
        form.Tree->OnContextPopup = [](TObject*, POINT, bool& handled) { handled = true; };
        RightClickFirstNode(*form.Tree);
        CHECK(form.Log.empty());
    }
    SUBCASE("AutoPopup off: the parent gets the request")
    {
        form.Menu1->SetAutoPopup(false);
        RightClickFirstNode(*form.Tree);
        CHECK(form.Log == std::vector<std::string>{"parent"});
    }
    SUBCASE("no menu: the parent gets the request")
    {
        form.Tree->SetPopupMenu(nullptr);
        RightClickFirstNode(*form.Tree);
        CHECK(form.Log == std::vector<std::string>{"parent"});
    }
}

TEST_CASE("a control forgets its menu when the menu is destroyed, and a menu its items")
{
    TMenuTestSetup setup;
    TMenuTestForm& form = setup.Form;
    delete form.Open1;
    CHECK(form.Menu1->Count() == 1);
    TMenuItem* close = form.Menu1->Items(0);
    delete form.Menu1;
    CHECK(form.Tree->PopupMenu() == nullptr);
    CHECK(close->Menu() == nullptr);
}

}  // TEST_SUITE
