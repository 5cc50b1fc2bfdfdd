// The folder page: the proposed folder from the registry and folders taken from the shell tree.
#include "WizardHarness.h"

namespace {

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
    TWizard wizard;
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
        wizard.Next();
        wizard.Back();
        CHECK(wizard.Folder() == "C:\\typed");
        wizard.Back();
        wizard.Next();
        CHECK(wizard.Folder() == Proposal(programs));
    }
}

TEST_CASE("without a usable value the proposal falls back as the registry leaves it")
{
    TProgramFilesValue value;
    SUBCASE("no value gives an empty text, as an empty value does")
    {
        value.Delete();
        TWizard wizard;
        wizard.EnterFolderPage();
        CHECK(wizard.Folder() == Proposal(""));
    }
    SUBCASE("an empty value gives an empty text")
    {
        value.SetText("");
        TWizard wizard;
        wizard.EnterFolderPage();
        CHECK(wizard.Folder() == Proposal(""));
    }
    SUBCASE("an expandable string is used as stored")
    {
        value.SetText("%ProgramFiles%", REG_EXPAND_SZ);
        TWizard wizard;
        wizard.EnterFolderPage();
        CHECK(wizard.Folder() == Proposal("%ProgramFiles%"));
    }
    SUBCASE("a value that is not text stops the steps with the general error display")
    {
        value.SetNumber(42);
        TWizard wizard;
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
    TWizard wizard;
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
