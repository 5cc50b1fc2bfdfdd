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

    // The welcome page is painted without the system's image list, which costs the start; the
    // tree takes it once its page shows.
    const auto treeImages = [&] { return SendMessageA(form.VeltoShellTreeView1->Handle(), TVM_GETIMAGELIST, 0, 0); };
    CHECK(treeImages() == 0);
    wizard.EnterFolderPage();
    CHECK(treeImages() == reinterpret_cast<LRESULT>(GetSystemImageList(false)));
}

TEST_CASE("the pages follow the state table row by row")
{
    TScratchFolder scratch;
    TWizard wizard;
    Tfrm_Main& form = *wizard.Form;
    auto next = [&] { wizard.Next(); };
    auto back = [&] { wizard.Back(); };
    auto click = [&] { SendMessageA(form.cbx_Accept->Handle(), BM_CLICK, 0, 0); };
    auto tick = [&](bool ticked) { return [&form, ticked] { form.cbx_Accept->SetChecked(ticked); }; };
    auto type = [&](const std::string& folder) { return [&form, folder] { form.edt_Folder->SetText(folder); }; };

    const std::string welcome = "ts_Welcome | - | Next > | Cancel | default | 0 of 100 | -";
    const std::string unticked = "ts_License | < Back | Next > x | Cancel | default | 0 of 100 | -";
    const std::string ticked = "ts_License | < Back | Next > | Cancel | default | 0 of 100 | -";
    const std::string folder = "ts_Folder | < Back | Next > | Cancel | default | 0 of 100 | -";
    const std::string ready = "ts_Finish | < Back | Finish | Cancel | default | 0 of 100 | -";
    const std::string typed = ScratchPath(scratch, "typed");
    struct TStep {
        const char* Action;
        std::function<void()> Do;
        std::string State;
        std::optional<bool> Ticked;
    };
    const TStep steps[] = {
        {"first showing", [] {}, welcome, {}},
        {"Next", next, unticked, false},
        {"Next while disabled does nothing", next, unticked, false},
        {"Back from the unticked licence", back, welcome, {}},
        {"Next", next, unticked, false},
        {"click the box", click, ticked, true},
        {"click the box again", click, unticked, false},
        {"tick by the program", tick(true), ticked, true},
        {"untick by the program", tick(false), unticked, false},
        {"click the box", click, ticked, true},
        {"Next", next, folder, {}},
        {"Back to the ticked licence", back, ticked, true},
        {"Next", next, folder, {}},
        {"type a folder", type(typed), folder, {}},
        {"Next", next, ready, {}},
        {"Back from the finish page", back, folder, {}},
        {"Next", next, ready, {}},
        {"Back", back, folder, {}},
        {"Back", back, ticked, true},
        {"Back", back, welcome, {}},
        {"Next: the box is unticked again", next, unticked, false},
        {"click the box", click, ticked, true},
        {"Next", next, folder, {}},
        {"type a folder", type(typed), folder, {}},
        {"Next", next, ready, {}},
    };
    for (const TStep& step : steps) {
        CAPTURE(step.Action);
        step.Do();
        Application->ProcessMessages();
        CHECK(wizard.State() == step.State);
        if (step.Ticked)
            CHECK(form.cbx_Accept->Checked() == *step.Ticked);
        if (wizard.Page() == form.ts_Finish)
            CHECK(form.lbl_Folder->Caption() == typed);
    }
    // Back from the finish page kept the typed folder; only Next from the licence proposes afresh.
    CHECK(wizard.Folder() == typed);
    CHECK(wizard.Messages.empty());
}

TEST_CASE("while the files are written the wizard shows the Installing row, after each file")
{
    TScratchFolder scratch;
    TWizard wizard;
    Tfrm_Main& form = *wizard.Form;
    const std::vector<TPayloadSourceFile> files = {
        {"one.txt", Bytes("1")}, {"two.bin", std::vector<std::uint8_t>(70000, 2)}, {"three.txt", Bytes("333")}};
    TPayloadModule module(WritePayload(files));
    wizard.GoToFinish(ScratchPath(scratch));

    // Each sample is taken where the install lets pending messages run: once after the buttons are
    // disabled, and once after each step of the progress bar.
    std::vector<std::string> samples;
    TPostedCalls calls;
    auto sample = [&] {
        const auto written = std::distance(std::filesystem::directory_iterator(scratch.Path()), {});
        samples.push_back("files " + std::to_string(written) + " | " + wizard.State());
    };
    TMessageWatch cancel(form.btn_Cancel->Handle(), [&](UINT message, WPARAM enabled, LPARAM) {
        if (message == WM_ENABLE && !enabled)
            calls.Post(sample);
    });
    int shownPosition = 0;
    TMessageWatch bar(form.ProgressBar1->Handle(), [&](UINT message, WPARAM, LPARAM) {
        if (message != PBM_SETPOS && message != PBM_DELTAPOS && message != PBM_STEPIT)
            return;
        const auto position = static_cast<int>(SendMessageA(form.ProgressBar1->Handle(), PBM_GETPOS, 0, 0));
        if (position != std::exchange(shownPosition, position))
            calls.Post(sample);
    });
    wizard.Install(module);

    const std::string installing = "ts_Finish | < Back x | Finish x | Cancel x | hourglass | ";
    CHECK(Joined(samples) == Joined({
                                 "files 0 | " + installing + "0 of 100 | -",
                                 "files 1 | " + installing + "1 of 3 | -",
                                 "files 2 | " + installing + "2 of 3 | -",
                                 "files 3 | " + installing + "3 of 3 | -",
                             }));
    CHECK(wizard.State() == "ts_Finish | < Back x | Finish x | Exit | default | 3 of 3 | done");
    if (PlatformReportsCursor())
        CHECK(CursorShownBy(form.Label3->Handle()) == "hand");
    CHECK(wizard.Messages.empty());

    SUBCASE("after the install only Exit works, and it ends the program")
    {
        wizard.Back();
        wizard.Next();
        CHECK(wizard.State() == "ts_Finish | < Back x | Finish x | Exit | default | 3 of 3 | done");
        bool closed = false;
        form.OnClose = [&](TObject*, TCloseAction&) { closed = true; };
        wizard.Press(form.btn_Cancel);
        CHECK(closed);
        CHECK_FALSE(form.Visible());
    }
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
    TProgramFilesValue value;
    TScratchFolder scratch;
    std::filesystem::create_directories(scratch / "Programs");
    const std::string programs = ScratchPath(scratch, "Programs");
    value.SetText(programs);
    WriteBytes(scratch / "blocker", Bytes("a file where a folder should go"));
    TWizard wizard;
    TPayloadModule module(WritePayload({{"a.txt", Bytes("x")}}));
    wizard.GoToFinish(ScratchPath(scratch, "blocker\\sub"));
    wizard.Install(module);
    CHECK(wizard.Messages == std::vector<std::string>{FolderMessage});
    // The message comes before the install has changed anything.
    CHECK(wizard.AtMessages == std::vector<std::string>{"ts_Finish | < Back | Finish | Cancel | default | 0 of 100 | -"});
    CHECK(wizard.Page() == wizard.Form->ts_Folder);
    CHECK(wizard.Buttons() == "< Back | Next > | Cancel");
    CHECK(wizard.State() == "ts_Folder | < Back | Next > | Cancel | default | 0 of 100 | -");
    CHECK(wizard.Terminations == 0);
    CHECK_FALSE(wizard.Form->lbl_Finish2->Visible());
    // Arriving on the folder page ran its entry steps: the proposal again, shown in the tree.
    CHECK(wizard.Folder() == programs + "\\" + DefaultSubFolder);
    CHECK(PathOf(wizard.Form->VeltoShellTreeView1->Selected()) == programs);

    Pump(200);  // the proposal's late report keeps it
    CHECK(wizard.Folder() == programs + "\\" + DefaultSubFolder);
    wizard.Form->edt_Folder->SetText(ScratchPath(scratch, "good"));
    wizard.Next();
    wizard.Install(module);
    CHECK(ReadBytes(scratch / "good" / "a.txt") == Bytes("x"));
    CHECK(wizard.State() == "ts_Finish | < Back x | Finish x | Exit | default | 1 of 1 | done");
}

TEST_CASE("Next into the folder page collapses the tree down to the proposal")
{
    TProgramFilesValue value;
    TScratchFolder scratch;
    std::filesystem::create_directories(scratch / "Programs");
    const std::string programs = ScratchPath(scratch, "Programs");
    value.SetText(programs);
    TWizard wizard;
    TCustomVeltoShellTreeView& tree = *wizard.Form->VeltoShellTreeView1;
    auto expanded = [&](const std::string& path) {
        TTreeNode* node = NodeForPath(tree, path);
        REQUIRE(node);
        const auto state = SendMessageA(tree.Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node->ItemId()),
                                        TVIS_EXPANDED);
        CHECK(node->Expanded() == ((state & TVIS_EXPANDED) != 0));
        return node->Expanded();
    };
    auto expand = [&](const std::string& path) {
        NodeForPath(tree, path)->Expand(false);
        REQUIRE(expanded(path));
    };
    wizard.EnterFolderPage();
    REQUIRE(PathOf(tree.Selected()) == programs);

    // The drive the proposal is not on, and a folder below it.
    expand("Z:\\");
    expand("Z:\\tmp");
    Pump(100);

    SUBCASE("coming forward from the licence page")
    {
        wizard.Back();
        wizard.Next();
        CHECK_FALSE(expanded("Z:\\"));
        // Each node below went too, not only the root: opening the drive again shows it closed.
        expand("Z:\\");
        CHECK_FALSE(expanded("Z:\\tmp"));
    }
    SUBCASE("coming forward again after the folder message")
    {
        WriteBytes(scratch / "blocker", Bytes("a file where a folder should go"));
        TPayloadModule module(WritePayload({{"a.txt", Bytes("x")}}));
        wizard.Form->edt_Folder->SetText(ScratchPath(scratch, "blocker\\sub"));
        wizard.Next();
        wizard.Install(module);
        CHECK(wizard.Messages == std::vector<std::string>{FolderMessage});
        CHECK_FALSE(expanded("Z:\\"));
    }
    SUBCASE("but not going back from the finish page")
    {
        wizard.Next();
        wizard.Back();
        CHECK(expanded("Z:\\"));
        CHECK(expanded("Z:\\tmp"));
    }
    CHECK(PathOf(tree.Selected()) == programs);
    CHECK(tree.Items()->GetFirstNode()->Expanded());
}

TEST_CASE("every other failure shows one message with its cause and ends the program")
{
    TScratchFolder scratch;
    std::optional<std::vector<std::uint8_t>> payload;
    std::string cause;
    bool firstFileKept = false;
    std::string progress = "0 of 100";  // the bar when the message appears

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
        progress = "1 of 2";
    }
    SUBCASE("a name in a sub-folder that does not exist")
    {
        payload = HandBuiltPayload({HandEntry("a.txt", Bytes("kept")), HandEntry("missing\\b.txt", Bytes("b"))});
        cause = "Invalid filename";
        firstFileKept = true;
        progress = "1 of 2";
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
    // When the message appears the install has already put the cursor back and offers Exit.
    CHECK(wizard.AtMessages == std::vector<std::string>{"ts_Finish | < Back x | Finish x | Exit | default | " + progress + " | -"});
    CHECK(wizard.Terminations == 1);
    CHECK(wizard.Buttons() == "< Back x | Finish x | Exit");
    CHECK(Screen->Cursor() == crDefault);
    CHECK(std::filesystem::exists(scratch / "a.txt") == firstFileKept);
}

TEST_CASE("the fatal message is the program's one modal box, over a wizard that offers only Exit")
{
    TScratchFolder scratch;
    TWizard wizard(TWizard::MainForm);
    TPayloadModule module(std::nullopt);
    wizard.GoToFinish(ScratchPath(scratch));
    wizard.UseProgramInformationBox();
    HWND form = wizard.Form->Handle();

    // Looked at while it is up, then confirmed with its OK button.
    std::vector<std::string> seen;
    TRepeatedCall look(30, [&] {
        const std::vector<HWND> boxes = WindowsOfClass("#32770");
        if (boxes.empty())
            return;
        HWND box = boxes.front();
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        if (!seen.empty())
            return;
        seen.push_back("caption " + WindowText(box));
        seen.push_back(std::string("owner ") + (GetWindow(box, GW_OWNER) == form ? "the wizard" : "another"));
        seen.push_back(std::string("wizard ") + (IsWindowEnabled(form) ? "enabled" : "disabled"));
        for (HWND child : WindowsOfClass("Static", box)) {
            if (HasStyle(child, SS_ICON)) {
                const auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
                const bool information = icon == LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_INFORMATION));
                seen.push_back(std::string("icon ") + (information ? "information" : "another"));
            } else if (!WindowText(child).empty()) {
                seen.push_back("text " + WindowText(child));
            }
        }
        for (HWND button : WindowsOfClass("Button", box))
            seen.push_back("button " + std::to_string(GetDlgCtrlID(button)) + " " + WindowText(button));
        seen.push_back("wizard " + wizard.State() + (wizard.Terminations ? " | ended before" : ""));
    });
    wizard.Install(module);

    CHECK(Joined(seen) == Joined({
                              "caption Information",
                              "owner the wizard",
                              "wizard disabled",
                              "icon information",
                              "text " + FailurePrefix + "Setup Data not found.",
                              "button " + std::to_string(IDOK) + " OK",
                              "wizard ts_Finish | < Back x | Finish x | Exit | default | 0 of 100 | -",
                          }));
    CHECK(wizard.Messages == std::vector<std::string>{FailurePrefix + "Setup Data not found."});
    CHECK(wizard.Terminations == 1);
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
