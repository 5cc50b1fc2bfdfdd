// The wizard in process with a real window: the page flow, the state table and the install step.
#include "../../tools/PayloadWriter.h"
#include "../payload/HandBuiltPayload.h"
#include "WizardHarness.h"

#include <doctest.h>

#include <fstream>
#include <optional>

namespace {

const std::string FailurePrefix =
    "There was a problem installing the files.\r\nThe Application will be terminated..\r\n\r\n";
const std::string FolderMessage =
    "The selected folder does not exist, and could not be created.\r\nClick OK and select another folder.";

std::string ScratchPath(const TScratchFolder& scratch, const std::string& sub = "")
{
    return (scratch.Path() / sub).string();
}

}  // namespace

TEST_SUITE("Tfrm_Main") {

TEST_CASE("the first showing fills in the product and opens on the welcome page")
{
    TWizard wizard;
    Tfrm_Main& form = *wizard.Form;
    CHECK(form.Caption() == "Setup - Velto Shell Components for Delphi 4");
    CHECK(form.lbl_Welcome1->Caption() == "Welcome to the Velto Shell Components v1.0 Setup Wizard");
    CHECK(form.lbl_Welcome2->Caption() == "This wizard will install the Velto Shell Components v1.0 on your computer.");
    CHECK(form.lbl_Folder1->Caption() ==
          "Select the folder where you would like Velto Shell Components v1.0 to be installed, then click Next.");
    CHECK(form.lbl_Finish1->Caption() == "Click Finish to install the Velto Shell Components v1.0 to the selected folder.");
    CHECK(form.lbl_Finish2->Caption() == "Velto Shell Components v1.0 have been successfully installed.");
    CHECK_FALSE(form.lbl_Finish2->Visible());
    CHECK(wizard.Page() == form.ts_Welcome);
    CHECK(wizard.Buttons() == "- | Next > | Cancel");
    CHECK(form.Label3->Caption() == MakerWebAddress);
    // The licence shown is the one the package installs.
    std::vector<std::string> licence;
    std::ifstream file(UNPACK_LICENSE_FILE);
    for (std::string line; std::getline(file, line);)
        licence.push_back(line);
    CHECK(form.Memo1->Lines()->Lines() == licence);
    CHECK(form.Image1->EventHandlerName("OnClick") == "Label3Click");

    RECT client{};
    GetClientRect(form.Handle(), &client);
    CHECK(client.right == 600);
    CHECK(client.bottom == 400);
}

TEST_CASE("the pages follow the state table row by row")
{
    TWizard wizard;
    Tfrm_Main& form = *wizard.Form;

    wizard.Next();
    CHECK(wizard.Page() == form.ts_License);
    CHECK(wizard.Buttons() == "< Back | Next > x | Cancel");
    wizard.Next();  // a disabled button does nothing
    CHECK(wizard.Page() == form.ts_License);

    form.cbx_Accept->SetChecked(true);
    CHECK(wizard.Buttons() == "< Back | Next > | Cancel");
    form.cbx_Accept->SetChecked(false);
    CHECK(wizard.Buttons() == "< Back | Next > x | Cancel");
    form.cbx_Accept->SetChecked(true);

    wizard.Next();
    CHECK(wizard.Page() == form.ts_Folder);
    CHECK(wizard.Buttons() == "< Back | Next > | Cancel");
    form.edt_Folder->SetText("C:\\typed");

    wizard.Next();
    CHECK(wizard.Page() == form.ts_Finish);
    CHECK(wizard.Buttons() == "< Back | Finish | Cancel");
    CHECK(form.lbl_Folder->Caption() == "C:\\typed");

    SUBCASE("back from the finish page keeps the folder, back to the licence keeps the tick")
    {
        wizard.Back();
        CHECK(wizard.Page() == form.ts_Folder);
        CHECK(wizard.Buttons() == "< Back | Next > | Cancel");
        CHECK(form.edt_Folder->Text() == "C:\\typed");
        wizard.Back();
        CHECK(wizard.Page() == form.ts_License);
        CHECK(form.cbx_Accept->Checked());
        CHECK(wizard.Buttons() == "< Back | Next > | Cancel");
        wizard.Back();
        CHECK(wizard.Page() == form.ts_Welcome);
        CHECK(wizard.Buttons() == "- | Next > | Cancel");
    }
    SUBCASE("welcome, licence, welcome, licence leaves the box unticked")
    {
        wizard.Back();
        wizard.Back();
        wizard.Back();
        wizard.Next();
        CHECK_FALSE(form.cbx_Accept->Checked());
        CHECK(wizard.Buttons() == "< Back | Next > x | Cancel");
    }
    CHECK(wizard.Messages.empty());
}

TEST_CASE("Cancel closes the wizard at once, on any page, without a question")
{
    for (int page = 0; page < 4; ++page) {
        CAPTURE(page);
        TScratchFolder scratch;
        TWizard wizard;
        if (page > 0)
            wizard.GoToFinish(ScratchPath(scratch));
        for (int back = 3; back > page; --back)
            wizard.Back();
        bool closed = false;
        wizard.Form->OnClose = [&](TObject*, TCloseAction&) { closed = true; };
        wizard.Press(wizard.Form->btn_Cancel);
        CHECK(closed);
        CHECK_FALSE(wizard.Form->Visible());
        CHECK(wizard.Messages.empty());
    }
}

TEST_CASE("a successful install restores every file and leaves only Exit")
{
    TScratchFolder scratch;
    TWizard wizard;
    const std::vector<TPayloadSourceFile> files = {
        {"a.txt", Bytes("alpha")}, {"b.bin", std::vector<std::uint8_t>(100000, 7)}, {"empty.dat", {}}};
    TPayloadModule module(WritePayload(files));
    WriteBytes(scratch / "a.txt", Bytes("an older alpha, to be replaced"));
    wizard.GoToFinish(ScratchPath(scratch, "new\\deeper"));
    std::filesystem::path target = scratch.Path() / "new" / "deeper";
    wizard.Install(module);

    for (const TPayloadSourceFile& file : files)
        CHECK(ReadBytes(target / file.Name) == file.Contents);
    CHECK(wizard.Messages.empty());
    CHECK(wizard.Terminations == 0);
    CHECK(wizard.Form->ProgressBar1->Max() == 3);
    CHECK(wizard.Form->ProgressBar1->Position() == 3);
    CHECK(wizard.Form->lbl_Finish2->Visible());
    CHECK(wizard.Buttons() == "< Back x | Finish x | Exit");
    CHECK(Screen->Cursor() == crDefault);

    SUBCASE("an existing file of the same name is replaced")
    {
        wizard.Form->edt_Folder->SetText(ScratchPath(scratch));
        TWizard again;
        again.GoToFinish(ScratchPath(scratch));
        again.Install(module);
        CHECK(ReadBytes(scratch / "a.txt") == Bytes("alpha"));
    }
}

TEST_CASE("an empty payload shows success with an empty progress bar")
{
    TScratchFolder scratch;
    TWizard wizard;
    TPayloadModule module(WritePayload({}));
    wizard.GoToFinish(ScratchPath(scratch));
    wizard.Install(module);
    CHECK(wizard.Form->ProgressBar1->Max() == 0);
    CHECK(wizard.Form->lbl_Finish2->Visible());
    CHECK(wizard.Messages.empty());
}

TEST_CASE("an empty folder text installs into the root of the current drive")
{
    REQUIRE(GetDriveTypeA("T:\\") == DRIVE_FIXED);  // the test session's scratch drive
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA("T:\\");
    {
        TWizard wizard;
        TPayloadModule module(WritePayload({{"at-root.txt", Bytes("root")}}));
        wizard.GoToFinish("");
        CHECK(wizard.Form->lbl_Folder->Caption() == "");
        wizard.Install(module);
        CHECK(wizard.Messages.empty());
        CHECK(ReadBytes("T:\\at-root.txt") == Bytes("root"));
    }
    DeleteFileA("T:\\at-root.txt");
    SetCurrentDirectoryA(previous);
}

TEST_CASE("a folder that cannot be made sends the user back to the folder page")
{
    TScratchFolder scratch;
    WriteBytes(scratch / "blocker", Bytes("a file where a folder should go"));
    TWizard wizard;
    TPayloadModule module(WritePayload({{"a.txt", Bytes("x")}}));
    wizard.GoToFinish(ScratchPath(scratch, "blocker\\sub"));
    wizard.Install(module);
    CHECK(wizard.Messages == std::vector<std::string>{FolderMessage});
    CHECK(wizard.Page() == wizard.Form->ts_Folder);
    CHECK(wizard.Buttons() == "< Back | Next > | Cancel");
    CHECK(wizard.Terminations == 0);
    CHECK_FALSE(wizard.Form->lbl_Finish2->Visible());
}

TEST_CASE("every other failure shows one message with its cause and ends the program")
{
    TScratchFolder scratch;
    std::optional<std::vector<std::uint8_t>> payload;
    std::string cause;
    bool firstFileKept = false;

    SUBCASE("no \"DATA\" resource")
    {
        cause = "Setup Data not found.";
    }
    SUBCASE("a corrupt stream after a good one")
    {
        THandEntry bad = HandEntry("b.txt", Bytes("bbbbbbbbbbbbbbbbbbbb"));
        bad.Stored[bad.Stored.size() - 1] ^= 0x55;
        payload = HandBuiltPayload({HandEntry("a.txt", Bytes("kept")), bad});
        cause = "error";
        firstFileKept = true;
    }
    SUBCASE("a name in a sub-folder that does not exist")
    {
        payload = HandBuiltPayload({HandEntry("a.txt", Bytes("kept")), HandEntry("missing\\b.txt", Bytes("b"))});
        cause = "Invalid filename";
        firstFileKept = true;
    }
    SUBCASE("a name that would leave the folder")
    {
        payload = HandBuiltPayload({HandEntry("a.txt", Bytes("never")), HandEntry("..\\b.txt", Bytes("b"))});
        cause = "Invalid filename";
    }
    SUBCASE("a directory that runs past the end")
    {
        payload = HandBuiltPayload({HandEntry("a.txt", Bytes("never"))});
        PutLE32(*payload, 0, 99);
        cause = "Setup Data is damaged.";
    }

    TWizard wizard;
    TPayloadModule module(payload);
    wizard.GoToFinish(ScratchPath(scratch));
    wizard.Install(module);
    CHECK(wizard.Messages == std::vector<std::string>{FailurePrefix + cause});
    CHECK(wizard.Terminations == 1);
    CHECK(wizard.Buttons() == "< Back x | Finish x | Exit");
    CHECK(Screen->Cursor() == crDefault);
    CHECK(std::filesystem::exists(scratch / "a.txt") == firstFileKept);
}

TEST_CASE("closing the window during the install lets it finish, then closes")
{
    TScratchFolder scratch;
    TWizard wizard;
    std::vector<TPayloadSourceFile> files;
    for (int i = 0; i < 5; ++i)
        files.push_back({std::string(1, static_cast<char>('a' + i)) + ".txt", Bytes(std::string(1000, static_cast<char>('a' + i)))});
    TPayloadModule module(WritePayload(files));
    wizard.GoToFinish(ScratchPath(scratch));
    std::size_t filesAtClose = 0;
    wizard.Form->OnClose = [&](TObject*, TCloseAction&) {
        filesAtClose = static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(scratch.Path()), {}));
    };
    PostMessageA(wizard.Form->Handle(), WM_CLOSE, 0, 0);  // arrives at the first pumping of messages
    wizard.Install(module);
    CHECK(filesAtClose == files.size());
    CHECK_FALSE(wizard.Form->Visible());
    for (const TPayloadSourceFile& file : files)
        CHECK(ReadBytes(scratch / file.Name) == file.Contents);
}

}  // TEST_SUITE
