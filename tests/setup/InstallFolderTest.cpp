// The install step's folder text: one that would put the files anywhere but the folder it names,
// or that the platform cannot take, sends the user back to the folder page before anything is
// made; a folder that can hold every file gets them.
#include "../../tools/PayloadWriter.h"
#include "WizardHarness.h"

namespace {

const std::string FolderMessage =
    "The selected folder does not exist, and could not be created.\r\nClick OK and select another folder.";
// What the window shows while the folder message is up: nothing has started.
const std::string Ready = "ts_Finish | < Back | Finish | Cancel | default | 0 of 100 | -";

// The longest path the A file functions take, in characters, without its NUL.
const std::size_t PathLimit = MAX_PATH - 1;
// The payload's longest stored name: 40 characters.
const std::string LongName = "a-stored-name-of-exactly-forty-chars.txt";

// base, then "name\" until the text is longer than length.
std::string Levels(std::string base, const std::string& name, std::size_t length)
{
    while (base.size() <= length)
        base += "\\" + name;
    return base;
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Types the text into the empty folder box as the keyboard does: character messages that the
// message loop hands to the box.
void Type(TWizard& wizard, const std::wstring& text)
{
    wizard.Form->edt_Folder->SetText("");
    for (wchar_t character : text)
        PostMessageW(wizard.Form->edt_Folder->Handle(), WM_CHAR, character, 1);
    Application->ProcessMessages();
}

// From the folder page: the text typed, Next to the finish page, Finish.
void TypeAndInstall(TWizard& wizard, const TPayloadModule& module, const std::wstring& text)
{
    Type(wizard, text);
    // The box holds what was typed, character for character.
    CHECK(wizard.Form->edt_Folder->WideText() == text);
    wizard.Next();
    wizard.Install(module);
}

// A drive letter that names no drive; empty when every letter is taken.
std::wstring UnusedDrive()
{
    const DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'Z'; letter >= L'D'; --letter)
        if (!(drives & (1u << (letter - L'A'))))
            return std::wstring(1, letter) + L":";
    return L"";
}

std::size_t EntryCount(const std::filesystem::path& folder)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

}  // namespace

TEST_SUITE("Tfrm_Main install folder") {

TEST_CASE("a folder text the platform cannot take gives the folder message and the folder page, never a crash")
{
    TScratchFolder scratch;
    const std::string base = scratch.Path().string();
    std::string text;
    SUBCASE("just past the limit of the A functions") { text = Levels(base, "level", MAX_PATH - 1); }
    SUBCASE("tens of thousands of levels") { text = Levels(base, "d", 60'000); }
    SUBCASE("a quarter of a megabyte in one name") { text = base + "\\" + std::string(1 << 18, 'x'); }

    TWizard wizard;
    TPayloadModule module(WritePayload({{"a.txt", Bytes("alpha")}}));
    wizard.GoToFinish(text);
    REQUIRE(wizard.Form->lbl_Folder->Caption().size() == text.size());
    wizard.Install(module);
    CHECK(wizard.Messages == std::vector<std::string>{FolderMessage});
    CHECK(wizard.Page() == wizard.Form->ts_Folder);
    CHECK(wizard.Buttons() == "< Back | Next > | Cancel");
    CHECK(wizard.Terminations == 0);
    CHECK(Screen->Cursor() == crDefault);
    CHECK(std::filesystem::is_empty(scratch.Path()));
}

TEST_CASE("a typed folder that is not the one it names gives the folder message before anything is made")
{
    TScratchFolder scratch;
    TScratchShare share;
    // Relative texts would land in the current folder: a scratch one, watched like the rest.
    std::filesystem::create_directory(scratch / "current");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    REQUIRE(SetCurrentDirectoryA((scratch / "current").string().c_str()));
    const std::wstring base = scratch.Path().wstring();
    const std::wstring drive = base.substr(0, 2);
    const std::wstring rooted = L"\\" + scratch.Path().filename().wstring() + L"-rooted";
    // The folder, its backslash and the longest name come to one character more than the limit.
    const std::wstring tooLong = base + L"\\" + std::wstring(PathLimit - LongName.size() - base.size() - 1, L'd');

    // Room for every stored name of a payload of short names, but not for the temporary name each
    // file is first written under.
    const std::wstring noRoomForTemporary = base + L"\\" + std::wstring(PathLimit - 12 - base.size() - 1, L't');

    struct TRow {
        const char* What;
        std::wstring Text;
        bool ShortNames = false;  // installs the payload of short names
    };
    std::vector<TRow> rows = {
        {"too long for the temporary name", noRoomForTemporary, true},
        {"relative", L"Velto"},
        {"relative to the current folder of a drive", drive + L"Velto"},
        {"rooted on the current drive", rooted},
        {"a trailing space", base + L"\\Velto "},
        {"a trailing dot", base + L"\\Velto."},
        {"a dot at the end of a folder on the way", base + L"\\Deep.\\Velto"},
        {"too long with the payload's longest name", tooLong},
        {"a drive with nothing in it", UnusedDrive() + L"\\Velto"},
    };
    if (share.Available())
        rows.push_back({"a share that is not there", L"\\\\" + Wide(share.Server()) + L"\\other\\Velto"});
    else
        MESSAGE("skipped a row: this platform serves no scratch share for UNC paths");
    // Names Windows forbids, whatever the file system takes: a folder's stream, the characters (one
    // with a letter beyond the code page), and devices with or without an extension, on the way too.
    for (const wchar_t* name : {L"Velto:Stream", L"Vel<to", L"Vel>to", L"Vel\"to", L"Vel|t\u0151", L"Vel?to", L"Vel*to", L"CON",
                                L"aux.txt\\Velto", L"Com1", L"lpt9.log", L"NUL\\Velto", L"PRN"})
        rows.push_back({"a name Windows forbids", base + L"\\" + name});

    {
        TWizard wizard;
        TPayloadModule module(WritePayload({{"a.txt", Bytes("alpha")}, {LongName, Bytes("long")}}));
        TPayloadModule shortNames(WritePayload({{"a.txt", Bytes("alpha")}}));
        wizard.EnterFolderPage();
        for (const TRow& row : rows) {
            CAPTURE(row.What);
            TypeAndInstall(wizard, row.ShortNames ? shortNames : module, row.Text);
            REQUIRE(wizard.Messages.size() == wizard.AtMessages.size());
            CHECK(wizard.Messages.back() == FolderMessage);
            CHECK(wizard.AtMessages.back() == Ready);
            CHECK(wizard.State() == "ts_Folder | < Back | Next > | Cancel | default | 0 of 100 | -");
            CHECK(std::filesystem::is_empty(scratch / "current"));
            CHECK(EntryCount(scratch.Path()) == 1);
        }
        CHECK(wizard.Messages.size() == rows.size());
        CHECK(wizard.Terminations == 0);
    }
    SetCurrentDirectoryA(previous);
    CHECK_FALSE(std::filesystem::exists(drive + rooted));
    std::filesystem::remove_all(drive + rooted);
    if (share.Available())
        CHECK(EntryCount(share.ServerFolder()) == 1);
}

TEST_CASE("a folder that holds every file installs into exactly the folder shown")
{
    TWizard wizard;
    TPayloadModule module(WritePayload({{"a.txt", Bytes("alpha")}, {LongName, Bytes("long")}}));
    const auto installsInto = [&](const std::string& text, const std::filesystem::path& folder) {
        wizard.GoToFinish(text);
        wizard.Install(module);
        CHECK(wizard.Messages.empty());
        CHECK(wizard.State() == "ts_Finish | < Back x | Finish x | Exit | default | 2 of 2 | done");
        CHECK(ReadBytes(folder / "a.txt") == Bytes("alpha"));
        CHECK(ReadBytes(folder / LongName) == Bytes("long"));
    };
    SUBCASE("the folder and the longest name fill the limit")
    {
        TScratchFolder scratch;
        const std::string base = scratch.Path().string();
        const std::string folder = base + "\\" + std::string(PathLimit - LongName.size() - base.size() - 2, 'd');
        REQUIRE(folder.size() + 1 + LongName.size() == PathLimit);
        installsInto(folder, folder);
    }
    SUBCASE("a folder whose names the code page may not spell, under those names")
    {
        TScratchFolder scratch;
        const std::filesystem::path folder = scratch.Path() / L"\u0416\u0100 \U0001F992" / L"\u957F";
        wizard.EnterFolderPage();
        TypeAndInstall(wizard, module, folder.wstring());
        CHECK(wizard.Messages.empty());
        CHECK(ReadBytes(folder / "a.txt") == Bytes("alpha"));
        CHECK(ReadBytes(folder / LongName) == Bytes("long"));
    }
    SUBCASE("a folder of a share")
    {
        TScratchShare share;
        if (!share.Available()) {
            MESSAGE("skipped: this platform serves no scratch share for UNC paths");
            return;
        }
        installsInto(share.Share() + "\\Velto", share.ServerFolder() / "share" / "Velto");
        CHECK(EntryCount(share.ServerFolder()) == 1);
    }
}

}  // TEST_SUITE
