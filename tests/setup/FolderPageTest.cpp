// The folder page: the proposed folder from the registry and folders taken from the shell tree.
#include "../../setup/fm_Main.h"
#include "../support/ScratchFolder.h"
#include "LibraryStart.h"

#include <doctest.h>

#include <shlobj.h>

#include <optional>

namespace {

const char* const KeyName = "Software\\Microsoft\\Windows\\CurrentVersion";

// Sets "ProgramFilesDir" for one test and puts the original back afterwards.
class TProgramFilesValue {
public:
    TProgramFilesValue()
    {
        REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyName, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &FKey,
                                nullptr) == ERROR_SUCCESS);
        DWORD size = sizeof FSaved;
        if (RegQueryValueExA(FKey, "ProgramFilesDir", nullptr, &FSavedType, FSaved, &size) == ERROR_SUCCESS)
            FSavedSize = size;
    }
    ~TProgramFilesValue()
    {
        if (FSavedSize)
            RegSetValueExA(FKey, "ProgramFilesDir", 0, FSavedType, FSaved, *FSavedSize);
        else
            RegDeleteValueA(FKey, "ProgramFilesDir");
        RegCloseKey(FKey);
    }
    TProgramFilesValue(const TProgramFilesValue&) = delete;
    TProgramFilesValue& operator=(const TProgramFilesValue&) = delete;

    void SetText(const std::string& text, DWORD type = REG_SZ)
    {
        RegSetValueExA(FKey, "ProgramFilesDir", 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    }
    void SetNumber(DWORD number)
    {
        RegSetValueExA(FKey, "ProgramFilesDir", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    void Delete() { RegDeleteValueA(FKey, "ProgramFilesDir"); }

private:
    HKEY FKey = nullptr;
    BYTE FSaved[1024];
    DWORD FSavedType = 0;
    std::optional<DWORD> FSavedSize;
};

// Lets the tree's delayed change report arrive.
void Pump(int milliseconds)
{
    for (int waited = 0; waited < milliseconds; waited += 10) {
        Application->ProcessMessages();
        Sleep(10);
    }
}

std::string PathOf(TTreeNode* node)
{
    char path[MAX_PATH] = "";
    if (!node || !SHGetPathFromIDListA(static_cast<LPCITEMIDLIST>(node->Data()), path))
        return "";
    return path;
}

// The wizard on its folder page, with the general error display recorded.
class TFolderWizard {
public:
    TFolderWizard()
    {
        StartShellLibrary();
        Application->Initialize();
        Application->OnShowException = [this](const std::string& text) { Errors.push_back(text); };
        Form = new Tfrm_Main(Application);
        Form->Show();
        Pump(200);  // the tree's report of its first selection, as a person never outruns it
    }
    ~TFolderWizard()
    {
        delete Form;
        Application->OnShowException = nullptr;
    }
    TFolderWizard(const TFolderWizard&) = delete;
    TFolderWizard& operator=(const TFolderWizard&) = delete;

    void Press(TButton* button)
    {
        SendMessageA(button->Handle(), BM_CLICK, 0, 0);
        Application->ProcessMessages();
    }
    void EnterFolderPage()
    {
        Press(Form->btn_Next);
        Form->cbx_Accept->SetChecked(true);
        Press(Form->btn_Next);
    }
    std::string Folder() const { return Form->edt_Folder->Text(); }

    Tfrm_Main* Form = nullptr;
    std::vector<std::string> Errors;
};

std::string Proposal(const std::string& folder)
{
    return folder + "\\" + DefaultSubFolder;
}

}  // namespace

TEST_SUITE("Tfrm_Main folder page") {

TEST_CASE("the proposal is the program-files folder with the sub-folder, shown selected in the tree")
{
    TProgramFilesValue value;
    TScratchFolder scratch;
    std::filesystem::create_directories(scratch / "Programs");
    const std::string programs = (scratch / "Programs").string();
    value.SetText(programs);
    TFolderWizard wizard;
    wizard.EnterFolderPage();
    CHECK(wizard.Folder() == Proposal(programs));
    CHECK(PathOf(wizard.Form->VeltoShellTreeView1->Selected()) == programs);
    CHECK(wizard.Errors.empty());

    Pump(200);  // the late report of that selection keeps the proposal as written
    CHECK(wizard.Folder() == Proposal(programs));

    SUBCASE("typing never moves the tree")
    {
        TTreeNode* selected = wizard.Form->VeltoShellTreeView1->Selected();
        wizard.Form->edt_Folder->SetText("C:\\elsewhere");
        Pump(100);
        CHECK(wizard.Form->VeltoShellTreeView1->Selected() == selected);
    }
    SUBCASE("Back and Next again proposes afresh; Back from the finish page keeps a typed folder")
    {
        wizard.Form->edt_Folder->SetText("C:\\typed");
        wizard.Press(wizard.Form->btn_Next);
        wizard.Press(wizard.Form->btn_Prev);
        CHECK(wizard.Folder() == "C:\\typed");
        wizard.Press(wizard.Form->btn_Prev);
        wizard.Press(wizard.Form->btn_Next);
        CHECK(wizard.Folder() == Proposal(programs));
    }
}

TEST_CASE("without a usable value the proposal falls back as the registry leaves it")
{
    TProgramFilesValue value;
    SUBCASE("no value gives an empty text, as an empty value does")
    {
        value.Delete();
        TFolderWizard wizard;
        wizard.EnterFolderPage();
        CHECK(wizard.Folder() == Proposal(""));
    }
    SUBCASE("an empty value gives an empty text")
    {
        value.SetText("");
        TFolderWizard wizard;
        wizard.EnterFolderPage();
        CHECK(wizard.Folder() == Proposal(""));
    }
    SUBCASE("an expandable string is used as stored")
    {
        value.SetText("%ProgramFiles%", REG_EXPAND_SZ);
        TFolderWizard wizard;
        wizard.EnterFolderPage();
        CHECK(wizard.Folder() == Proposal("%ProgramFiles%"));
    }
    SUBCASE("a value that is not text stops the steps with the general error display")
    {
        value.SetNumber(42);
        TFolderWizard wizard;
        wizard.EnterFolderPage();
        CHECK(wizard.Errors == std::vector<std::string>{"Invalid data type for 'ProgramFilesDir'"});
        CHECK(wizard.Folder() == "c:");
        CHECK(wizard.Form->PageControl1->ActivePage() == wizard.Form->ts_Folder);
        CHECK(wizard.Form->btn_Next->Caption() == "Next >");
    }
}

TEST_CASE("a folder picked in the tree goes into the folder box with the sub-folder")
{
    TProgramFilesValue value;
    TScratchFolder scratch;
    value.SetText(scratch.Path().string());
    TFolderWizard wizard;
    wizard.EnterFolderPage();
    Pump(200);
    REQUIRE(PathOf(wizard.Form->VeltoShellTreeView1->Selected()) == scratch.Path().string());
    TCustomVeltoShellTreeView& tree = *wizard.Form->VeltoShellTreeView1;
    TTreeNode* root = tree.Items()->GetFirstNode();
    REQUIRE(root);

    SUBCASE("a drive root keeps its one backslash")
    {
        TTreeNode* drive = nullptr;
        for (TTreeNode* node = root->getFirstChild(); node; node = node->getNextSibling())
            if (PathOf(node) == "Z:\\")
                drive = node;
        REQUIRE(drive);
        tree.SetSelected(drive);
        Pump(200);
        CHECK(wizard.Folder() == Proposal("Z:"));
    }
    SUBCASE("a folder without a file-system path gives the bare sub-folder")
    {
        tree.SetSelected(root);
        Pump(200);
        CHECK(wizard.Folder() == Proposal(""));
    }
    CHECK(wizard.Form->edt_Folder->SelLength() == static_cast<int>(wizard.Folder().size()));
}

}  // TEST_SUITE
