// Folder texts in UTF-16: the trailing backslash, the check of an install folder, the
// inside-the-folder test and the creation of missing folders, the same whatever the code page.
#include "../../payload/FolderPath.h"
#include "../support/ScratchFolder.h"

#include <doctest.h>

namespace {

std::size_t EntryCount(const std::filesystem::path& folder)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

// A drive letter that names no drive, "Q:" say; empty when every letter is taken.
std::wstring UnusedDrive()
{
    const DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'Z'; letter >= L'D'; --letter)
        if (!(drives & (1u << (letter - L'A'))))
            return std::wstring(1, letter) + L":";
    return L"";
}

struct TFolderRow {
    std::wstring Text;
    TFolderFault Fault;
    std::wstring Folder;  // the install folder when Fault is ffNone
};

// "C:\" and characters: a folder of length characters once its backslash is added.
std::wstring FolderOfLength(std::size_t length, wchar_t character)
{
    return L"C:\\" + std::wstring(length - 4, character);
}

std::wstring Repeated(const std::wstring& text, std::size_t count)
{
    std::wstring repeated;
    while (count-- > 0)
        repeated += text;
    return repeated;
}

// The text as doctest shows it: its wide characters cut to their low byte.
std::string Shown(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

TEST_SUITE("FolderPath") {

TEST_CASE("the trailing backslash is added unless the text ends with one")
{
    CHECK(WithBackslash(L"") == L"\\");
    CHECK(WithBackslash(L"C:\\Tools") == L"C:\\Tools\\");
    CHECK(WithBackslash(L"C:\\Tools\\") == L"C:\\Tools\\");
    CHECK(WithBackslash(L"C:\\Tools/") == L"C:\\Tools/\\");  // only "\" counts
    // "ソ" ends in 0x5C in code page 932, a byte that is no backslash in UTF-16.
    CHECK(WithBackslash(L"C:\\Tools\\\u30BD") == L"C:\\Tools\\\u30BD\\");
}

TEST_CASE("an install folder names one folder whatever the current one is, every name one Windows makes, or says why not")
{
    const std::size_t longest = 12;
    const std::size_t room = MaxFolderTextLength - longest;  // the longest folder, backslash included
    // clang-format off
    std::vector<TFolderRow> rows = {
        {L"C:\\Tools",                ffNone, L"C:\\Tools\\"},
        {L"C:\\Tools\\",              ffNone, L"C:\\Tools\\"},
        {L"c:",                      ffNone, L"c:\\"},
        {L"",                        ffNone, L"\\"},  // the root of the current drive
        {L"\\",                      ffNone, L"\\"},
        {L"C:/Tools/Velto",          ffNone, L"C:/Tools/Velto\\"},
        {L"C:\\Tools\\..\\Velto",      ffNone, L"C:\\Tools\\..\\Velto\\"},
        {L"C:\\Tools\\.\\Velto",       ffNone, L"C:\\Tools\\.\\Velto\\"},
        {L"C:\\Tools\\\\Velto",        ffNone, L"C:\\Tools\\\\Velto\\"},
        {L"\\\\server\\share",         ffNone, L"\\\\server\\share\\"},
        {L"//server/share/Tools",    ffNone, L"//server/share/Tools\\"},
        {L"Velto",                   ffNotAbsolute, L""},
        {L"Tools\\Velto",            ffNotAbsolute, L""},
        {L"D:tools",                 ffNotAbsolute, L""},
        {L"\\Velto",                 ffNotAbsolute, L""},
        {L"1:\\Velto",               ffNotAbsolute, L""},
        {L"\\\\server",              ffNotAbsolute, L""},
        {L"\\\\server\\",            ffNotAbsolute, L""},
        {L"\\\\\\share\\Velto",        ffNotAbsolute, L""},
        {L"\\\\?\\C:\\Velto",          ffNotAbsolute, L""},
        {L"\\\\.\\C:\\Velto",          ffNotAbsolute, L""},
        {L"C:\\Tools\\Velto ",         ffName, L""},
        {L"C:\\Tools\\Velto.",         ffName, L""},
        {L"C:\\Tools.\\Velto",         ffName, L""},
        {L"C:\\Tools \\Velto\\",       ffName, L""},
        {L"C:\\...\\Velto",            ffName, L""},
        {L"\\\\server\\share\\Velto.", ffName, L""},
        // A stream of a folder, and control characters.
        {L"C:\\Tools\\Velto:Stream",   ffName, L""},
        {L"C:\\Tools\\Vel\tto",        ffName, L""},
        {L"C:\\Tools\\\x01",           ffName, L""},
        {L"C:\\Tools\\Velto\x1F",      ffName, L""},
        {L"\\\\server\\share\\a|b",    ffName, L""},
        // Names that only look like devices or hold what a device name does not.
        {L"C:\\CONSOLE\\COM\\LPT10\\NULL\\AUX_\\PRN-1", ffNone, L"C:\\CONSOLE\\COM\\LPT10\\NULL\\AUX_\\PRN-1\\"},
        {L"C:\\Tools\\COM\u00B9",       ffName, L""},  // a superscript digit is a digit here
        // Any script, whatever the code page spells.
        {L"C:\\Tools\\\u0416\u0100",    ffNone, L"C:\\Tools\\\u0416\u0100\\"},
        // The folder and the longest name fill the limit exactly, then pass it by one character.
        {FolderOfLength(room, L'x') + L"\\",     ffNone, FolderOfLength(room, L'x') + L"\\"},
        {FolderOfLength(room + 1, L'x') + L"\\", ffTooLong, L""},
        {FolderOfLength(room + 1, L'x'),        ffTooLong, L""},
        {FolderOfLength(room, L'\u957F'),        ffNone, FolderOfLength(room, L'\u957F') + L"\\"},
        // Beyond the first plane a character takes two units.
        {L"C:\\" + Repeated(L"\U0001F992", (room - 4) / 2), ffNone, L"C:\\" + Repeated(L"\U0001F992", (room - 4) / 2) + L"\\"},
        {L"C:\\" + Repeated(L"\U0001F992", (room - 4) / 2 + 1), ffTooLong, L""},
    };
    // clang-format on
    for (wchar_t forbidden : std::wstring(L"<>:\"|?*"))
        rows.push_back({L"C:\\Tools\\Vel" + std::wstring(1, forbidden) + L"to\\Sub", ffName, L""});
    for (const wchar_t* device : {L"CON", L"prn", L"Aux", L"NUL", L"COM1", L"com9", L"LPT1", L"Lpt9"})
        for (const wchar_t* place : {L"C:\\%", L"C:\\%.txt", L"C:\\Tools\\%\\Velto", L"C:\\%.log\\Velto", L"C:\\% .x"}) {
            std::wstring text = place;
            text.replace(text.find(L'%'), 1, device);
            rows.push_back({text, ffName, L""});
        }
    for (const TFolderRow& row : rows) {
        CAPTURE(Shown(row.Text));
        const TInstallFolder folder = InstallFolderOf(row.Text, longest);
        CHECK(folder.Fault == row.Fault);
        CHECK(folder.Text == row.Folder);
    }
}

TEST_CASE("a path is inside the folder only below it")
{
    const struct {
        std::wstring Folder;
        std::wstring Path;
        bool Inside;
    } rows[] = {
        {L"C:\\Tools", L"C:\\ToolsX\\a.txt", false},
        {L"C:\\Tools", L"C:\\Tools\\a.txt", true},
        {L"c:\\tools\\", L"C:\\TOOLS\\A.TXT", true},
        {L"C:\\Tools\\", L"C:\\Tools\\..\\a.txt", false},
        {L"C:\\Tools\\", L"C:\\Tools\\sub\\..\\a.txt", true},
        {L"C:\\Tools\\", L"C:\\Tools\\", false},
        {L"C:\\Tools\\", L"C:\\Tools", false},
        {L"C:\\Tools\\", L"D:\\Tools\\a.txt", false},
        {L"", L"C:\\a.txt", false},
        {L"C:\\Tools\\\u30BD\\", L"C:\\Tools\\\u30BD\\\u8868.txt", true},
        {L"C:\\Tools\\\u0416", L"C:\\Tools\\\u0416\\a.txt", true},
        {L"C:\\Tools\\\u0416", L"C:\\Tools\\\u0417\\a.txt", false},
        {L"C:\\Tools\\\u0416\\", L"C:\\Tools\\\u0416\u957F.txt", false},
    };
    for (const auto& row : rows) {
        CAPTURE(Shown(row.Folder));
        CAPTURE(Shown(row.Path));
        CHECK(IsInsideFolder(row.Folder, row.Path) == row.Inside);
    }
}

TEST_CASE("missing folders are made outermost first, under their own names")
{
    TScratchFolder scratch;
    const std::wstring base = scratch.Path().wstring();

    SUBCASE("a deep folder and its parents")
    {
        CHECK(ForceDirectories(base + L"\\a\\b\\c\\d"));
        CHECK(std::filesystem::is_directory(scratch.Path() / "a" / "b" / "c" / "d"));
        CHECK(ForceDirectories(base + L"\\a\\b\\c\\d\\\\"));  // it exists: nothing to do
        CHECK(ForceDirectories(base + L"\\a\\x\\\\y\\"));     // a doubled separator
        CHECK(std::filesystem::is_directory(scratch.Path() / "a" / "x" / "y"));
    }
    SUBCASE("names in any script: Japanese, Cyrillic, Greek, Chinese and an emoji")
    {
        CHECK(ForceDirectories(base + L"\\\u30BD\\\u8868"));
        CHECK(std::filesystem::is_directory(scratch.Path() / L"\u30BD" / L"\u8868"));
        CHECK(ForceDirectories(base + L"\\\u0416\u0416\u0100\\\u03A6\u03AC\\\u957F\\\U0001F992\\"));
        CHECK(std::filesystem::is_directory(scratch.Path() / L"\u0416\u0416\u0100" / L"\u03A6\u03AC" / L"\u957F" /
                                            L"\U0001F992"));
        CHECK(EntryCount(scratch.Path()) == 2);
    }
    SUBCASE("a file in the way")
    {
        WriteBytes(scratch / "blocker", Bytes("a file"));
        CHECK_FALSE(ForceDirectories(base + L"\\blocker\\sub"));
        CHECK_FALSE(ForceDirectories(base + L"\\blocker"));
    }
    SUBCASE("a text longer than the platform takes is refused before anything is made; the limit counts characters")
    {
        // MAX_PATH characters, and the NUL after them: one too many.
        std::wstring text = base + L"\\";
        while (text.size() < MAX_PATH)
            text += L"d\\";
        text.resize(MAX_PATH);
        CHECK_FALSE(ForceDirectories(text));
        // Tens of thousands of levels: one refusal, no descent through them.
        std::wstring deep = base + L"\\";
        while (deep.size() < 64'000)
            deep += L"d\\";
        CHECK_FALSE(ForceDirectories(deep));
        CHECK(EntryCount(scratch.Path()) == 0);
        // Within the limit in characters, of far more bytes in UTF-8 or a double-byte code page.
        std::wstring long16 = base;
        while (long16.size() + 21 <= MaxFolderTextLength)
            long16 += L"\\" + std::wstring(20, L'\u0416');
        CHECK(ForceDirectories(long16));
        CHECK(std::filesystem::is_directory(long16));
    }
    SUBCASE("the root is never made: a share out of reach or a drive with nothing in it gives false")
    {
        DWORD mode = 0;
        SetThreadErrorMode(SEM_NOGPFAULTERRORBOX, &mode);
        const std::wstring drive = UnusedDrive();
        REQUIRE(!drive.empty());
        CHECK_FALSE(ForceDirectories(drive + L"\\Velto\\Sub"));
        CHECK(GetThreadErrorMode() == SEM_NOGPFAULTERRORBOX);  // the thread's mode is given back
        SetThreadErrorMode(mode, nullptr);

        TScratchShare share;
        if (!share.Available()) {
            MESSAGE("skipped: this platform serves no scratch share for UNC paths");
            return;
        }
        const std::wstring server = L"\\\\" + std::filesystem::path(share.Server()).wstring();
        CHECK(ForceDirectories(std::filesystem::path(share.Share()).wstring() + L"\\a\\b"));
        CHECK(std::filesystem::is_directory(share.ServerFolder() / "share" / "a" / "b"));
        CHECK_FALSE(ForceDirectories(server + L"\\other\\a"));
        CHECK_FALSE(ForceDirectories(server + L"\\other"));
        CHECK(EntryCount(share.ServerFolder()) == 1);
    }
}

}  // TEST_SUITE
