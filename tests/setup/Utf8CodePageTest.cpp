// Folders and stored names in any script. The suites whose names hold "UTF-8" run in the twin of
// this program whose manifest makes UTF-8 its code page; the other runs in the program itself, in
// the system's code page, and keeps what it always did.
#include "../../framework/AnsiText.h"
#include "../../payload/StoredNames.h"
#include "../../tools/PayloadWriter.h"
#include "WizardHarness.h"

namespace {

// Scratch folders named in four scripts: Cyrillic, Greek, Chinese, and with an emoji (a character
// beyond UTF-16's first plane, two units there and four bytes in UTF-8).
const std::wstring ScriptNames[] = {
    L"\u0416\u0438\u0440\u0430\u0444",
    L"\u039A\u03B1\u03BC\u03B7\u03BB\u03BF\u03C0\u03AC\u03C1\u03B4\u03B1\u03BB\u03B7",
    L"\u957F\u9888\u9E7F",
    L"\U0001F992 giraffe",
};

// "Café.txt" as a Western system's payload stores it, in code page 1252, and as UTF-8.
const std::string CafeIn1252 = "Caf\xE9.txt";
const std::string CafeInUtf8 = "Caf\xC3\xA9.txt";

std::string Proposal(const std::string& folder) { return folder + "\\" + DefaultSubFolder; }

// The texts of the node's children, in the tree's order.
std::vector<std::string> ChildTexts(TTreeNode* node)
{
    std::vector<std::string> texts;
    for (TTreeNode* child = node->getFirstChild(); child; child = child->getNextSibling())
        texts.push_back(child->Text());
    return texts;
}

// Installs a payload of three names into the folder the finish page shows and gives back what the
// folder then holds, each name as the platform spells it in UTF-16.
std::vector<std::wstring> InstallNames(TWizard& wizard, const std::filesystem::path& folder)
{
    TPayloadModule module(WritePayload({{"plain.txt", Bytes("plain")}, {CafeIn1252, Bytes("from 1252")},
                                        {"Ha" + CafeInUtf8, Bytes("from UTF-8")}}));
    wizard.Next();
    wizard.Install(module);
    CHECK(wizard.Messages.empty());
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST_SUITE("Tfrm_Main in the UTF-8 code page") {

TEST_CASE("the tree shows folders of any script under their names, and a pick is installed into as named")
{
    REQUIRE_MESSAGE(GetACP() == CP_UTF8, "the manifest makes UTF-8 the program's code page");
    TProgramFilesValue value;
    TScratchFolder scratch;
    const std::string base = scratch.Path().string();
    std::vector<std::string> names;
    for (const std::wstring& name : ScriptNames) {
        std::filesystem::create_directory(scratch.Path() / name);
        names.push_back(AnsiFromWide(name));
    }
    // The proposal from the registry, read through the A functions, is the folder as named.
    value.SetText(base + "\\" + names[0]);
    TWizard wizard;
    wizard.EnterFolderPage();
    Pump(200);
    CHECK(wizard.Folder() == Proposal(base + "\\" + names[0]));
    TCustomVeltoShellTreeView& tree = *wizard.Form->VeltoShellTreeView1;
    REQUIRE(tree.Selected());
    CHECK(tree.Selected()->Text() == names[0]);
    for (std::size_t i = 0; i < names.size(); ++i) {
        CAPTURE(names[i]);
        const std::string path = base + "\\" + names[i];
        tree.SelectPath(path);
        TTreeNode* node = tree.Selected();
        REQUIRE(node);
        CHECK(node->Text() == names[i]);
        CHECK(IDListToPath(static_cast<LPCITEMIDLIST>(node->Data())) == path);
        Pump(200);  // the change report writes the real path, not a short or a best-fit one
        CHECK(wizard.Folder() == Proposal(path));
        CHECK(wizard.Form->edt_Folder->WideText() == (scratch.Path() / ScriptNames[i]).wstring() + L"\\" +
                                                         WideFromAnsi(DefaultSubFolder));
    }
    std::vector<std::string> shown = ChildTexts(tree.Selected()->Parent());
    std::sort(shown.begin(), shown.end());
    std::sort(names.begin(), names.end());
    CHECK(shown == names);

    // The last pick, the emoji's folder, through the finish page into the install.
    wizard.Next();
    CHECK(wizard.Form->lbl_Folder->Caption() == Proposal(base + "\\" + AnsiFromWide(ScriptNames[3])));
    wizard.Back();
    const std::filesystem::path installed = scratch.Path() / ScriptNames[3] / DefaultSubFolder;
    const std::vector<std::wstring> expected{L"Caf\u00E9.txt", L"HaCaf\u00E9.txt", L"plain.txt"};
    CHECK(InstallNames(wizard, installed) == expected);
    CHECK(ReadBytes(installed / L"Caf\u00E9.txt") == Bytes("from 1252"));
    CHECK(ReadBytes(installed / L"HaCaf\u00E9.txt") == Bytes("from UTF-8"));
}

TEST_CASE("texts longer than the A buffers hold come back whole, and labels measure their characters")
{
    REQUIRE(GetACP() == CP_UTF8);
    TWizard wizard;
    wizard.EnterFolderPage();
    // 200 characters of three bytes each: a buffer of 260 bytes holds 86 of them and two bytes more.
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "\xE9\x95\xBF";
    TTreeNode* node = wizard.Form->VeltoShellTreeView1->Items()->GetFirstNode();
    REQUIRE(node);
    node->SetText(text);
    CHECK(node->Text() == text);

    TLabel label(nullptr);
    label.SetCaption(AnsiFromWide(ScriptNames[0]));
    TScreenDC dc(GetDC(nullptr));
    const auto font = SelectForScope(dc.get(), label.Font()->Handle());
    RECT rect{};
    DrawTextW(dc.get(), ScriptNames[0].c_str(), -1, &rect, DT_CALCRECT | DT_EXPANDTABS);
    CHECK(label.Width() == rect.right);
}

TEST_CASE("a display name or a path of more bytes than MAX_PATH is given whole")
{
    REQUIRE(GetACP() == CP_UTF8);
    StartShellLibrary();
    TScratchFolder scratch;
    // 200 Cyrillic letters, 400 bytes in UTF-8; file systems that count a name's length in bytes
    // (those of Linux, under Wine) hold no such name.
    const std::wstring longName(200, L'\u0416');
    if (!CreateDirectoryW((scratch.Path() / longName).c_str(), nullptr)) {
        MESSAGE("skipped: the file system holds no name of 200 Cyrillic letters");
    } else {
        const TPidl pidl(PathToIDList((scratch.Path() / longName).wstring()));
        CHECK(GetDisplayName(pidl.get()) == AnsiFromWide(longName));
    }
    // Levels of 80, 80 and 40 letters: a path within MAX_PATH characters and of over 400 bytes.
    std::filesystem::path deep = scratch.Path();
    for (std::size_t letters : {80, 80, 40})
        deep /= std::wstring(letters, L'\u0416');
    REQUIRE(deep.wstring().size() < MAX_PATH);
    std::filesystem::create_directories(deep);
    const TPidl pidl(PathToIDList(deep.wstring()));
    CHECK(IDListToPath(pidl.get()) == AnsiFromWide(deep.wstring()));
    CHECK(GetDisplayName(pidl.get()) == AnsiFromWide(std::wstring(40, L'\u0416')));

    // The notifier hands its handler the whole path too.
    TCustomVeltoShellTreeViewChangeNotifier notifier(nullptr);
    std::vector<std::string> made;
    notifier.OnMkDir = [&made](TObject*, const std::string& path) { made.push_back(path); };
    notifier.SetActive(true);
    SHChangeNotify(SHCNE_MKDIR, SHCNF_IDLIST | SHCNF_FLUSH, pidl.get(), nullptr);
    Pump(50);
    CHECK(made == std::vector<std::string>{AnsiFromWide(deep.wstring())});
}

}  // TEST_SUITE

TEST_SUITE("Tfrm_Main in the system's code page") {

TEST_CASE("stored names are read in the system's code page as they always were")
{
    if (GetACP() == CP_UTF8) {
        MESSAGE("skipped: the system's code page is UTF-8");
        return;
    }
    TScratchFolder scratch;
    TWizard wizard;
    wizard.EnterFolderPage();
    wizard.Form->edt_Folder->SetText(scratch.Path().string());
    // The UTF-8 name's bytes, each a character of the system's code page: what Windows always made
    // of them.
    std::wstring utf8Read = L"Ha";
    for (char c : CafeInUtf8) {
        wchar_t character = 0;
        MultiByteToWideChar(CP_ACP, 0, &c, 1, &character, 1);
        utf8Read += character;
    }
    std::vector<std::wstring> expected{WideFromAnsi(CafeIn1252), utf8Read, L"plain.txt"};
    std::sort(expected.begin(), expected.end());
    CHECK(InstallNames(wizard, scratch.Path()) == expected);
}

}  // TEST_SUITE
