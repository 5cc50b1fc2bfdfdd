// TForm read from its form description, TApplication's loop and error display, TScreen's cursor.
#include "ControlTestHelpers.h"

#include "../../framework/FormReader.h"

namespace {

// A small wizard read from the RCDATA resource TTESTWIZARD of the test program.
class TTestWizard : public TForm {
public:
    DECLARE_CLASS_INFO

    explicit TTestWizard(TComponent* owner, bool load = true) : TForm(owner)
    {
        if (load)
            LoadFromResource("TTESTWIZARD");
    }

    TPanel* Panel1 = nullptr;
    TPanel* Panel2 = nullptr;
    TImage* Image1 = nullptr;
    TPanel* Panel3 = nullptr;
    TLabel* Label3 = nullptr;
    TButton* btn_Next = nullptr;
    TPageControl* PageControl1 = nullptr;
    TTabSheet* ts_Welcome = nullptr;
    TLabel* lbl_Welcome1 = nullptr;
    TLabel* lbl_Welcome2 = nullptr;
    TTabSheet* ts_License = nullptr;
    TCheckBox* cbx_Accept = nullptr;
    TMemo* Memo1 = nullptr;

    void FormCreate(TObject*) { Log.push_back("FormCreate"); }
    void FormShow(TObject*) { Log.push_back("FormShow"); }
    void btn_NextClick(TObject*) { Log.push_back("btn_NextClick"); }
    void cbx_AcceptClick(TObject*) { Log.push_back("cbx_AcceptClick"); }
    void LinkClick(TObject* sender) { Log.push_back("LinkClick " + static_cast<TComponent*>(sender)->Name()); }

    std::vector<std::string> Log;
};

const TClassInfo& TTestWizard::StaticClassInfo()
{
    using F = TTestWizard;
    static const TClassInfo info{
        .Name = "TTestWizard",
        .Parent = &TForm::StaticClassInfo(),
        .Methods = {Method<F>("FormCreate", &F::FormCreate), Method<F>("FormShow", &F::FormShow),
                    Method<F>("btn_NextClick", &F::btn_NextClick), Method<F>("cbx_AcceptClick", &F::cbx_AcceptClick),
                    Method<F>("LinkClick", &F::LinkClick)},
        .Fields = {Field<F>("Panel1", &F::Panel1), Field<F>("Panel2", &F::Panel2), Field<F>("Image1", &F::Image1),
                   Field<F>("Panel3", &F::Panel3), Field<F>("Label3", &F::Label3), Field<F>("btn_Next", &F::btn_Next),
                   Field<F>("PageControl1", &F::PageControl1), Field<F>("ts_Welcome", &F::ts_Welcome),
                   Field<F>("lbl_Welcome1", &F::lbl_Welcome1), Field<F>("lbl_Welcome2", &F::lbl_Welcome2),
                   Field<F>("ts_License", &F::ts_License), Field<F>("cbx_Accept", &F::cbx_Accept),
                   Field<F>("Memo1", &F::Memo1)}};
    return info;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Ends a message loop that runs longer than a test allows.
struct TLoopGuard {
    TLoopGuard() { FTimer = SetTimer(nullptr, 0, 5000, OnTimeout); }
    ~TLoopGuard() { KillTimer(nullptr, FTimer); }
    static void CALLBACK OnTimeout(HWND, UINT, UINT_PTR, DWORD)
    {
        TimedOut = true;
        Application->Terminate();
    }
    UINT_PTR FTimer;
    static inline bool TimedOut = false;
};

}  // namespace

TEST_SUITE("TForm") {

TEST_CASE("a form description makes the controls, nests them and wires their events to the form")
{
    TTestWizard form(nullptr);
    CHECK(form.Log == std::vector<std::string>{"FormCreate"});
    REQUIRE(form.btn_Next);
    CHECK(form.btn_Next->Parent() == form.Panel3);
    CHECK(form.Image1->Parent() == form.Panel2);
    CHECK(form.Panel2->Parent() == form.Panel1);
    CHECK(form.lbl_Welcome1->Parent() == form.ts_Welcome);
    CHECK(form.ts_License->PageControl() == form.PageControl1);
    CHECK(form.PageControl1->ActivePage() == form.ts_License);
    // The tab order comes from TabOrder, not from the order in the text.
    CHECK(form.Memo1->TabOrder() == 0);
    CHECK(form.cbx_Accept->TabOrder() == 1);
    CHECK(form.Memo1->Lines()->Lines() == std::vector<std::string>{"First line", "", "Third line"});
    // Fonts pass down unless a control has its own.
    CHECK(form.lbl_Welcome2->ParentFont());
    CHECK(form.lbl_Welcome2->Font()->Height() == -13);
    CHECK(form.Label3->Font()->Name() == "Microsoft Sans Serif");
    CHECK(form.Label3->Font()->Color() == clBlue);
    CHECK(form.Label3->Font()->Style() == SetOf({fsUnderline}));
    CHECK_FALSE(form.Label3->ParentFont());
    CHECK(FieldBox(*form.Image1) == TBox{8, 8, 16, 8});  // sized to its picture
    CHECK(FieldBox(*form.Panel3) == TBox{0, 359, 600, 41});
    CHECK_FALSE(form.HandleAllocated());

    form.Show();
    CHECK(form.Log == std::vector<std::string>{"FormCreate", "FormShow"});
    HWND window = form.Handle();
    CHECK(ClientBox(window) == TBox{0, 0, 600, 400});
    RECT rect;
    GetWindowRect(window, &rect);
    CHECK(rect.left == (Screen->Width() - (rect.right - rect.left)) / 2);
    CHECK(rect.top == (Screen->Height() - (rect.bottom - rect.top)) / 2);
    CHECK((StyleOf(window) & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) ==
          (WS_SYSMENU | WS_MINIMIZEBOX));
    CHECK(WindowText(window) == "Test wizard");
    CHECK(IsWindowVisible(form.ts_License->Handle()));
    CHECK_FALSE(form.ts_Welcome->HandleAllocated());

    SendMessageA(form.btn_Next->Handle(), BM_CLICK, 0, 0);
    SendMessageA(form.cbx_Accept->Handle(), BM_CLICK, 0, 0);
    SendMessageA(form.Image1->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(form.Image1->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    CHECK(form.Log == std::vector<std::string>{"FormCreate", "FormShow", "btn_NextClick", "cbx_AcceptClick",
                                               "LinkClick Image1"});
    CHECK(form.cbx_Accept->Checked());
}

TEST_CASE("the form text written back holds what differs from the defaults, and reads back the same")
{
    TTestWizard form(nullptr);
    const std::string text = WriteForm(form);

    CHECK(WriteComponent(*form.btn_Next) ==
          "object btn_Next: TButton\n"
          "  Left = 400\n"
          "  Top = 8\n"
          "  Width = 89\n"
          "  Height = 25\n"
          "  Caption = 'Next >'\n"
          "  OnClick = btn_NextClick\n"
          "end\n");
    const std::string panel = WriteComponent(*form.Panel2);
    CHECK(Contains(panel, "  Color = clWhite\n"));
    CHECK(Contains(panel, "  BorderStyle = bsSingle\n"));
    CHECK_FALSE(Contains(panel, "Font."));
    CHECK_FALSE(Contains(panel, "Visible"));
    const std::string link = WriteComponent(*form.Label3);
    CHECK(Contains(link, "  Cursor = crHandPoint\n"));
    CHECK(Contains(link, "  Font.Color = clBlue\n"));
    CHECK(Contains(link, "  Font.Style = [fsUnderline]\n"));
    CHECK(Contains(link, "  ParentFont = False\n"));
    CHECK_FALSE(Contains(link, "AutoSize"));
    const std::string plain = WriteComponent(*form.lbl_Welcome2);
    CHECK_FALSE(Contains(plain, "Font"));
    CHECK_FALSE(Contains(plain, "Color"));
    CHECK(Contains(WriteComponent(*form.cbx_Accept), "  TabOrder = 1\n"));
    CHECK(Contains(text, "  Font.Height = -13\n  Font.Name = 'Microsoft Sans Serif'\n"));
    CHECK(Contains(text, "      ActivePage = ts_License\n"));

    TTestWizard copy(nullptr, false);
    ReadForm(copy, text);
    CHECK(WriteForm(copy) == text);
}

TEST_CASE("a missing form resource is an error that names it")
{
    TForm form(nullptr);
    CHECK_THROWS_WITH_AS(form.LoadFromResource("NOSUCHFORM"), "The form resource NOSUCHFORM is missing", Exception);
}

TEST_CASE("closing the main form ends the message loop; another form hides or goes")
{
    SUBCASE("the main form")
    {
        TForm* form = nullptr;
        Application->CreateForm(form);
        REQUIRE(Application->MainForm() == form);
        int shows = 0, queries = 0;
        form->OnShow = [&](TObject*) { ++shows; };
        form->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries > 1; };
        PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
        PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
        {
            TLoopGuard guard;
            Application->Run();
        }
        CHECK_FALSE(TLoopGuard::TimedOut);
        CHECK(shows == 1);
        CHECK(queries == 2);
        CHECK(Application->Terminated());
        delete form;
        CHECK(Application->MainForm() == nullptr);
    }
    SUBCASE("another form")
    {
        TComponent owner(nullptr);
        auto* form = new TForm(&owner);
        auto* tree = new TCustomTreeView(form);  // Alt+F4 closes it from a tree view too
        tree->SetParent(form);
        form->Show();
        PostMessageA(tree->Handle(), WM_SYSKEYDOWN, VK_F4, 1 | (1 << 29));
        Application->ProcessMessages();
        CHECK_FALSE(form->Visible());
        form->Show();
        form->Close();
        CHECK_FALSE(form->Visible());
        CHECK_FALSE(IsWindowVisible(form->Handle()));
        form->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
        form->Close();
        CHECK(owner.ComponentCount() == 1);  // not from within its own handler
        Application->ProcessMessages();
        CHECK(owner.ComponentCount() == 0);
    }
}

}  // TEST_SUITE

TEST_SUITE("TScreen") {

TEST_CASE("the screen cursor overrides each window's own while it is set")
{
    THostForm form;
    TLabel link(&form);
    link.SetParent(&form);
    link.SetCaption("link");
    link.SetCursor(crHandPoint);
    form.Show();
    const auto pointAt = [&] {
        SendMessageA(link.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link.Handle()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    const HCURSOR hand = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
    const HCURSOR wait = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT));
    CHECK(pointAt() == hand);
    Screen->SetCursor(crHourGlass);
    CHECK(GetCursor() == wait);
    CHECK(pointAt() == wait);
    Screen->SetCursor(crDefault);
    CHECK(pointAt() == hand);
}

}  // TEST_SUITE
