// The folder page: the proposed folder from the registry and folders taken from the shell tree.
#include "../../framework/AnsiText.h"
#include "../../tools/PayloadWriter.h"
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

namespace {

std::string Lower(std::string text)
{
    CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The node of a drive among the root's children; nullptr when the tree has none for it.
TTreeNode* DriveNode(TCustomVeltoShellTreeView& tree, const std::string& drive)
{
    TTreeNode* root = tree.Items()->GetFirstNode();
    for (TTreeNode* node = root ? root->getFirstChild() : nullptr; node; node = node->getNextSibling())
        if (PathOf(node) == drive)
            return node;
    return nullptr;
}

}  // namespace

TEST_SUITE("Tfrm_Main folder page") {

TEST_CASE("the sub-folder follows the folder's backslash, whatever its characters")
{
    const std::wstring sub = WideFromAnsi(DefaultSubFolder);
    // "ソ" ends with the byte of "\" in code page 932: in UTF-16 it is a character like any other.
    CHECK(WithSubFolder(L"C:\\Tools\\\u30BD") == L"C:\\Tools\\\u30BD\\" + sub);
    CHECK(WithSubFolder(L"C:\\Tools\\\u30BD\\") == L"C:\\Tools\\\u30BD\\" + sub);
    CHECK(WithSubFolder(L"Z:\\") == L"Z:\\" + sub);
    CHECK(WithSubFolder(L"") == L"\\" + sub);
    CHECK(WithSubFolder(L"c:") == L"c:\\" + sub);
}

TEST_CASE("the proposal's own late report keeps it, across a rebuild too; any other selection is taken")
{
    TProgramFilesValue value;
    TScratchFolder scratch;
    std::filesystem::create_directories(scratch / "Programs");
    const std::string programs = (scratch / "Programs").string();
    // In lower case the proposal differs from the shell's spelling of the same folder: a late
    // report that rewrote the box would show.
    const std::string written = Lower(programs);
    REQUIRE(written != programs);
    value.SetText(written);
    TWizard wizard;
    TCustomVeltoShellTreeView& tree = *wizard.Form->VeltoShellTreeView1;

    SUBCASE("a rebuild between the proposal and its report")
    {
        wizard.Next();
        wizard.Form->cbx_Accept->SetChecked(true);
        // On a slow machine the report could arrive at the pumping after the click: the rebuild
        // must come first.
        wizard.Click(wizard.Form->btn_Next);
        TTreeNode* before = tree.Selected();
        tree.RefreshTree();  // every node is new; the same item is selected again and reported late
        REQUIRE(PathOf(tree.Selected()) == programs);
        CHECK(tree.Selected() != before);
        Pump(200);
        CHECK(wizard.Folder() == Proposal(written));
        // That report was the proposal's: the next pick is the user's.
        tree.SetSelected(DriveNode(tree, "Z:\\"));
        Pump(200);
        CHECK(wizard.Folder() == Proposal("Z:"));
    }
    SUBCASE("another pick before the proposal's report")
    {
        wizard.Next();
        wizard.Form->cbx_Accept->SetChecked(true);
        // Pumping after the click would let the page's first paint take long enough for the
        // proposal's own report to come first.
        wizard.Click(wizard.Form->btn_Next);
        tree.SetSelected(DriveNode(tree, "Z:\\"));
        Pump(200);
        CHECK(wizard.Folder() == Proposal("Z:"));
    }
    SUBCASE("picking the proposed folder again after another one")
    {
        wizard.EnterFolderPage();
        Pump(200);
        tree.SetSelected(DriveNode(tree, "Z:\\"));
        Pump(200);
        tree.SelectPath(programs);
        Pump(200);
        CHECK(wizard.Folder() == Proposal(programs));
    }
}

TEST_CASE("a folder picked in the tree whose name the code page lacks is taken and installed into under that name")
{
    TProgramFilesValue value;
    TScratchFolder scratch;
    value.SetText(scratch.Path().string());
    const std::filesystem::path giraffe = scratch.Path() / L"\u0416\u0438\u0440\u0430\u0444";
    std::filesystem::create_directory(giraffe);
    TWizard wizard;
    TPayloadModule module(WritePayload({{"a.txt", Bytes("alpha")}}));
    wizard.EnterFolderPage();
    Pump(200);
    const TPidl picked(PathToIDList(giraffe.wstring()));
    wizard.Form->VeltoShellTreeView1->SelectIDList(picked.get());
    Pump(200);
    REQUIRE(SameIDLists(static_cast<LPCITEMIDLIST>(wizard.Form->VeltoShellTreeView1->Selected()->Data()), picked.get()));
    CHECK(wizard.Form->edt_Folder->WideText() == giraffe.wstring() + L"\\" + WideFromAnsi(DefaultSubFolder));
    wizard.Next();
    wizard.Install(module);
    CHECK(wizard.Messages.empty());
    CHECK(ReadBytes(giraffe / DefaultSubFolder / "a.txt") == Bytes("alpha"));
}

TEST_CASE("Next within the change delay takes the pick along: the finish page shows the folder installed into")
{
    TProgramFilesValue value;
    TScratchFolder scratch;
    std::filesystem::create_directories(scratch / "Programs");
    std::filesystem::create_directories(scratch / "Picked");
    value.SetText((scratch / "Programs").string());
    const std::string picked = (scratch / "Picked").string();
    TWizard wizard;
    TPayloadModule module(WritePayload({{"a.txt", Bytes("alpha")}}));
    wizard.EnterFolderPage();
    Pump(200);

    wizard.Form->VeltoShellTreeView1->SelectPath(picked);  // reported only after the delay
    wizard.Next();
    CHECK(wizard.Form->lbl_Folder->Caption() == Proposal(picked));
    CHECK(wizard.Folder() == Proposal(picked));
    Pump(200);  // nothing is left to arrive late
    CHECK(wizard.Folder() == Proposal(picked));
    CHECK(wizard.Form->lbl_Folder->Caption() == Proposal(picked));

    wizard.Install(module);
    CHECK(ReadBytes(std::filesystem::path(Proposal(picked)) / "a.txt") == Bytes("alpha"));
    CHECK_FALSE(std::filesystem::exists(scratch / "Programs" / DefaultSubFolder));
    CHECK(wizard.Messages.empty());
}

}  // TEST_SUITE
