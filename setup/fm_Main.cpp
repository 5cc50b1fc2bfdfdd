// The wizard form: captions, the page flow and the link to the maker's web page.
#include "fm_Main.h"

#include "WebLink.h"

const char* const ProductName = "Velto Shell Components";
const char* const ProductVersion = "v1.0";
const char* const MakerWebAddress = "http://www.example.com/velto/";
const char* const DefaultSubFolder = "Velto Shell Components D4";

Tfrm_Main* frm_Main = nullptr;

namespace {

// The captions carry two "%s": the product name, then the version.
std::string WithProduct(const std::string& caption)
{
    std::string text = caption;
    for (const char* value : {ProductName, ProductVersion}) {
        const std::size_t at = text.find("%s");
        if (at == std::string::npos)
            break;
        text.replace(at, 2, value);
    }
    return text;
}

void DefaultInformationBox(const std::string& text)
{
    HWND owner = Application->MainForm() && Application->MainForm()->HandleAllocated()
                     ? Application->MainForm()->Handle()
                     : nullptr;
    MessageBoxA(owner, text.c_str(), "Information", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

std::function<void(const std::string&)> Tfrm_Main::InformationBox = DefaultInformationBox;
std::function<void()> Tfrm_Main::TerminateProgram = [] { ExitProcess(0); };

const TClassInfo& Tfrm_Main::StaticClassInfo()
{
    using F = Tfrm_Main;
    static const TClassInfo info{
        .Name = "Tfrm_Main",
        .Parent = &TForm::StaticClassInfo(),
        .Methods = {Method<F>("FormShow", &F::FormShow), Method<F>("btn_NextClick", &F::btn_NextClick),
                    Method<F>("btn_PrevClick", &F::btn_PrevClick), Method<F>("btn_CancelClick", &F::btn_CancelClick),
                    Method<F>("cbx_AcceptClick", &F::cbx_AcceptClick), Method<F>("Label3Click", &F::Label3Click),
                    Method<F>("VeltoShellTreeView1Change", &F::VeltoShellTreeView1Change),
                    Method<F>("FormKeyDown", &F::FormKeyDown)},
        .Fields = {Field<F>("Panel1", &F::Panel1), Field<F>("Panel2", &F::Panel2), Field<F>("Image1", &F::Image1),
                   Field<F>("Panel3", &F::Panel3), Field<F>("Label4", &F::Label4), Field<F>("Label3", &F::Label3),
                   Field<F>("btn_Prev", &F::btn_Prev), Field<F>("btn_Next", &F::btn_Next),
                   Field<F>("btn_Cancel", &F::btn_Cancel), Field<F>("Panel4", &F::Panel4),
                   Field<F>("PageControl1", &F::PageControl1), Field<F>("ts_Welcome", &F::ts_Welcome),
                   Field<F>("lbl_Welcome1", &F::lbl_Welcome1), Field<F>("Label1", &F::Label1),
                   Field<F>("lbl_Welcome2", &F::lbl_Welcome2), Field<F>("ts_License", &F::ts_License),
                   Field<F>("Label5", &F::Label5), Field<F>("Memo1", &F::Memo1), Field<F>("cbx_Accept", &F::cbx_Accept),
                   Field<F>("ts_Folder", &F::ts_Folder), Field<F>("lbl_Folder1", &F::lbl_Folder1),
                   Field<F>("edt_Folder", &F::edt_Folder), Field<F>("VeltoShellTreeView1", &F::VeltoShellTreeView1),
                   Field<F>("ts_Finish", &F::ts_Finish),
                   Field<F>("lbl_Finish1", &F::lbl_Finish1), Field<F>("Label2", &F::Label2),
                   Field<F>("Label12", &F::Label12), Field<F>("lbl_Folder", &F::lbl_Folder),
                   Field<F>("ProgressBar1", &F::ProgressBar1), Field<F>("lbl_Finish2", &F::lbl_Finish2)}};
    return info;
}

Tfrm_Main::Tfrm_Main(TComponent* owner) : TForm(owner), PayloadModule(GetModuleHandleA(nullptr))
{
    RegisterVeltoShellClasses();
    LoadFromResource("TFRM_MAIN");
}

void Tfrm_Main::FormShow(TObject*)
{
    SetCaption("Setup - Velto Shell Components for Delphi 4");
    for (TLabel* label : {lbl_Welcome1, lbl_Welcome2, lbl_Folder1, lbl_Finish1, lbl_Finish2})
        label->SetCaption(WithProduct(label->Caption()));
    SetCtl3D(false);
    PageControl1->SetActivePage(ts_Welcome);
    btn_Prev->SetVisible(false);
}

void Tfrm_Main::btn_NextClick(TObject*)
{
    TTabSheet* page = PageControl1->ActivePage();
    if (page == ts_Welcome) {
        PageControl1->SetActivePage(ts_License);
        cbx_Accept->SetChecked(false);
        btn_Next->SetEnabled(false);
    } else if (page == ts_License) {
        PageControl1->SetActivePage(ts_Folder);
    } else if (page == ts_Folder) {
        // A selection still waiting for its report would rewrite the folder after the finish page
        // shows it: it lands now, before the page reads the folder.
        VeltoShellTreeView1->ReportPendingChange();
        PageControl1->SetActivePage(ts_Finish);
    } else if (page == ts_Finish) {
        InstallFiles();
    }
    try {
        UpdateButtonsAfterNext();
    } catch (...) {
        // The entry steps failed (the error display shows why): the page entered still gets the
        // keyboard, or it stays on a control of the page left, unseen.
        FocusActivePage();
        throw;
    }
    FocusActivePage();
}

void Tfrm_Main::UpdateButtonsAfterNext()
{
    TTabSheet* page = PageControl1->ActivePage();
    btn_Prev->SetVisible(page != ts_Welcome);
    if (page == ts_Folder)
        EnterFolderPage();
    if (page == ts_Finish) {
        btn_Next->SetCaption("Finish");
        lbl_Folder->SetCaption(edt_Folder->Text());
    } else {
        btn_Next->SetCaption("Next >");
    }
}

void Tfrm_Main::btn_PrevClick(TObject*)
{
    TTabSheet* page = PageControl1->ActivePage();
    if (page == ts_Finish)
        PageControl1->SetActivePage(ts_Folder);
    else if (page == ts_Folder)
        PageControl1->SetActivePage(ts_License);
    else if (page == ts_License)
        PageControl1->SetActivePage(ts_Welcome);
    btn_Next->SetCaption("Next >");
    btn_Next->SetEnabled(true);
    btn_Prev->SetVisible(PageControl1->ActivePage() != ts_Welcome);
    FocusActivePage();
}

void Tfrm_Main::btn_CancelClick(TObject*)
{
    Close();
}

void Tfrm_Main::cbx_AcceptClick(TObject*)
{
    btn_Next->SetEnabled(cbx_Accept->Checked());
}

void Tfrm_Main::Label3Click(TObject*)
{
    // An elevated program must not start the browser with its rights.
    OpenWebAddress(Handle(), MakerWebAddress, IsProcessElevated());
}

void Tfrm_Main::FocusActivePage()
{
    // A control of the page left behind would keep the keyboard, unseen (Space would tick a hidden box).
    TTabSheet* page = PageControl1->ActivePage();
    TWinControl* target = page == ts_License ? static_cast<TWinControl*>(cbx_Accept)
                          : page == ts_Folder ? static_cast<TWinControl*>(edt_Folder)
                                              : this;
    if (HandleAllocated() && target->Visible() && target->Enabled())
        target->SetFocus();
}

void Tfrm_Main::FormKeyDown(TObject*, WORD& key, TShiftState shift)
{
    const bool alt = InSet(shift, ssAlt);
    const bool ctrl = InSet(shift, ssCtrl);
    TButton* button = nullptr;
    if (key == VK_RETURN && !alt && !ctrl)
        button = btn_Next;
    else if (key == VK_ESCAPE && !alt && !ctrl)
        button = btn_Cancel;
    else if (key == 'N' && alt && !ctrl)
        button = btn_Next;
    else if (key == 'B' && alt && !ctrl)
        button = btn_Prev;
    if (!button)
        return;
    // The wizard's keys go no further, pressed or not: the memo takes no line break from Enter.
    key = 0;
    // A key held down presses its button once: its repeats would walk on through the pages.
    if (KeyRepeated())
        return;
    if (button->Visible() && button->Enabled())
        button->Click();
}

void Tfrm_Main::ShowInformation(const std::string& text)
{
    InformationBox(text);
}

void Tfrm_Main::CloseQuery(bool& canClose)
{
    TForm::CloseQuery(canClose);
    // The install goes on to its end; the window closes once the last file is written.
    if (canClose && FInstalling) {
        FCloseRequested = true;
        canClose = false;
    }
}
