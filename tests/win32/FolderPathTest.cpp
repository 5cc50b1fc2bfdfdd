// Folder texts read character by character in a code page: the trailing backslash, the
// inside-the-folder test and the creation of missing folders, with the double-byte code page 932
// and the single-byte 1252 named explicitly, so that they run the same on any system.
#include "../../payload/FolderPath.h"
#include "../support/ScratchFolder.h"

#include <doctest.h>

namespace {

// "ソ" and "表" in code page 932: their trail byte is 0x5C, the backslash of the single-byte pages.
const std::string So = "\x83\x5C";
const std::string Hyo = "\x95\x5C";
// "Ж" and "З" in UTF-8 share their first byte; "长" takes three bytes, "🦒" four (two UTF-16 units).
const std::string Zhe = "\xD0\x96";
const std::string Ze = "\xD0\x97";
const std::string Chang = "\xE9\x95\xBF";
const std::string Giraffe = "\xF0\x9F\xA6\x92";

// Z:\... as the A functions take it.
std::string Ansi(const std::filesystem::path& path) { return path.string(); }

std::size_t EntryCount(const std::filesystem::path& folder)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

// The error mode now, left as it was.
UINT CurrentErrorMode()
{
    const UINT mode = SetErrorMode(0);
    SetErrorMode(mode);
    return mode;
}

// A drive letter that names no drive, "Q:" say; empty when every letter is taken.
std::string UnusedDrive()
{
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Z'; letter >= 'D'; --letter)
        if (!(drives & (1u << (letter - 'A'))))
            return std::string(1, letter) + ":";
    return "";
}

struct TFolderRow {
    std::wstring Text;
    UINT CodePage;
    TFolderFault Fault;
    std::string Folder;  // the install folder when Fault is ffNone
};

// "C:\" and characters: a folder of length characters once its backslash is added.
std::wstring FolderOfLength(std::size_t length, wchar_t character)
{
    return L"C:\\" + std::wstring(length - 4, character);
}

std::string Repeated(const std::string& text, std::size_t count)
{
    std::string repeated;
    while (count-- > 0)
        repeated += text;
    return repeated;
}

std::wstring Repeated16(const std::wstring& text, std::size_t count)
{
    std::wstring repeated;
    while (count-- > 0)
        repeated += text;
    return repeated;
}

}  // namespace

TEST_SUITE("FolderPath") {

TEST_CASE("the trailing backslash is a character of the code page, not the last byte")
{
    const struct {
        std::string Text;
        UINT CodePage;
        bool EndsWithBackslash;
    } rows[] = {
        {"C:\\Tools\\" + So, 932, false},
        {"C:\\Tools\\" + So, 1252, true},
        {"C:\\Tools\\" + So + "\\", 932, true},
        {"C:\\Tools\\" + Hyo + So, 932, false},
        {"C:\\Tools\\" + Hyo + "\\" + So, 932, false},
        {"\\" + So, 932, false},
        {So, 932, false},
        {"\x83", 932, false},         // a lead byte with nothing after it
        {"ab\x83\\\\", 932, true},    // the lead byte takes the first backslash; the second stands alone
        {"C:\\", 932, true},
        {"C:\\", 1252, true},
        {"C:", 1252, false},
        {"\\", 1252, true},
        {"", 932, false},
        {"", 1252, false},
        {"C:\\Tools", 1252, false},
        {"C:\\Tools/", 1252, false},  // only "\" counts
        {"C:\\Tools\\" + Zhe, CP_UTF8, false},
        {"C:\\Tools\\" + Chang + "\\", CP_UTF8, true},
        {Giraffe + "\\", CP_UTF8, true},
        {"C:\\" + Giraffe, CP_UTF8, false},
        {"C:\\Tools\\" + So, CP_UTF8, true},  // not UTF-8: each byte is a character of its own
    };
    for (const auto& row : rows) {
        CAPTURE(row.Text);
        CAPTURE(row.CodePage);
        CHECK(EndsWithBackslash(row.Text, row.CodePage) == row.EndsWithBackslash);
        CHECK(WithBackslash(row.Text, row.CodePage) == (row.EndsWithBackslash ? row.Text : row.Text + "\\"));
    }
    CHECK(WithBackslash("") == "\\");
    CHECK(WithBackslash("C:\\Tools") == "C:\\Tools\\");
}

TEST_CASE("an install folder names one folder whatever the current one is, spelled exactly, or says why not")
{
    const std::size_t longest = 12;
    const std::size_t room = MaxFolderTextLength - longest;  // the longest folder, backslash included
    // clang-format off
    const TFolderRow rows[] = {
        {L"C:\\Tools",                1252, ffNone, "C:\\Tools\\"},
        {L"C:\\Tools\\",              1252, ffNone, "C:\\Tools\\"},
        {L"c:",                      1252, ffNone, "c:\\"},
        {L"",                        1252, ffNone, "\\"},  // the root of the current drive
        {L"\\",                      1252, ffNone, "\\"},
        {L"C:/Tools/Velto",          1252, ffNone, "C:/Tools/Velto\\"},
        {L"C:\\Tools\\..\\Velto",      1252, ffNone, "C:\\Tools\\..\\Velto\\"},
        {L"C:\\Tools\\.\\Velto",       1252, ffNone, "C:\\Tools\\.\\Velto\\"},
        {L"C:\\Tools\\\\Velto",        1252, ffNone, "C:\\Tools\\\\Velto\\"},
        {L"\\\\server\\share",         1252, ffNone, "\\\\server\\share\\"},
        {L"//server/share/Tools",    1252, ffNone, "//server/share/Tools\\"},
        {L"Velto",                   1252, ffNotAbsolute, ""},
        {L"Tools\\Velto",            1252, ffNotAbsolute, ""},
        {L"D:tools",                 1252, ffNotAbsolute, ""},
        {L"\\Velto",                 1252, ffNotAbsolute, ""},
        {L"1:\\Velto",               1252, ffNotAbsolute, ""},
        {L"\\\\server",              1252, ffNotAbsolute, ""},
        {L"\\\\server\\",            1252, ffNotAbsolute, ""},
        {L"\\\\\\share\\Velto",        1252, ffNotAbsolute, ""},
        {L"\\\\?\\C:\\Velto",          1252, ffNotAbsolute, ""},
        {L"\\\\.\\C:\\Velto",          1252, ffNotAbsolute, ""},
        {L"C:\\Tools\\Velto ",         1252, ffNameEnd, ""},
        {L"C:\\Tools\\Velto.",         1252, ffNameEnd, ""},
        {L"C:\\Tools.\\Velto",         1252, ffNameEnd, ""},
        {L"C:\\Tools \\Velto\\",       1252, ffNameEnd, ""},
        {L"C:\\...\\Velto",            1252, ffNameEnd, ""},
        {L"\\\\server\\share\\Velto.", 1252, ffNameEnd, ""},
        {L"C:\\Tools\\\u0416",         1252, ffCodePage, ""},  // no spelling: "?"
        {L"C:\\Tools\\\u0100",         1252, ffCodePage, ""},  // a best-fit spelling: "A"
        {L"C:\\Tools\\\u0416",         1251, ffNone, "C:\\Tools\\\xC6\\"},
        {L"C:\\Tools\\\u30BD",         932,  ffNone, "C:\\Tools\\" + So + "\\"},
        {L"C:\\Tools\\\u0416",         CP_UTF8, ffNone, "C:\\Tools\\\xD0\x96\\"},
        {L"C:\\Tools\\\xD800",         CP_UTF8, ffCodePage, ""},  // half a surrogate pair
        // The folder and the longest name fill the limit exactly, then pass it by one character.
        {FolderOfLength(room, L'x') + L"\\",     1252, ffNone, "C:\\" + std::string(room - 4, 'x') + "\\"},
        {FolderOfLength(room + 1, L'x') + L"\\", 1252, ffTooLong, ""},
        {FolderOfLength(room + 1, L'x'),        1252, ffTooLong, ""},
        // Characters count, not bytes: each of these takes two, three, or four for two characters.
        {FolderOfLength(room, L'\u30BD') + L"\\", 932,  ffNone, "C:\\" + Repeated(So, room - 4) + "\\"},
        {L"C:\\" + std::wstring(120, L'\u0416'), CP_UTF8, ffNone, "C:\\" + Repeated(Zhe, 120) + "\\"},
        {FolderOfLength(room, L'\u957F') + L"\\", CP_UTF8, ffNone, "C:\\" + Repeated(Chang, room - 4) + "\\"},
        {FolderOfLength(room + 1, L'\u957F'),      CP_UTF8, ffTooLong, ""},
        {L"C:\\" + Repeated16(L"\U0001F992", (room - 4) / 2), CP_UTF8, ffNone,
         "C:\\" + Repeated(Giraffe, (room - 4) / 2) + "\\"},
        {L"C:\\" + Repeated16(L"\U0001F992", (room - 4) / 2 + 1), CP_UTF8, ffTooLong, ""},
    };
    // clang-format on
    for (const TFolderRow& row : rows) {
        const std::string text(row.Text.begin(), row.Text.end());  // shown with its wide characters cut
        CAPTURE(text);
        CAPTURE(row.CodePage);
        const TInstallFolder folder = InstallFolderOf(row.Text, longest, row.CodePage);
        CHECK(folder.Fault == row.Fault);
        CHECK(folder.Text == row.Folder);
    }
}

TEST_CASE("a path for the A functions is the path, or its short form where only that survives the code page")
{
    TScratchFolder scratch;
    const std::filesystem::path giraffe = scratch.Path() / L"\u0416\u0438\u0440\u0430\u0444";
    std::filesystem::create_directory(giraffe);
    CHECK(CodePagePath(giraffe.wstring(), 1251) == Ansi(scratch.Path()) + "\\\xC6\xE8\xF0\xE0\xF4");
    CHECK(CodePagePath(L"C:\\Tools", 1252) == "C:\\Tools");
    CHECK(CodePagePath(L"C:\\Missing\\\u0416", 1252) == std::nullopt);

    const std::optional<std::string> path = CodePagePath(giraffe.wstring(), 1252);
    wchar_t shortPath[MAX_PATH] = L"";
    GetShortPathNameW(giraffe.c_str(), shortPath, MAX_PATH);
    if (giraffe.wstring() == shortPath) {
        CHECK(path == std::nullopt);  // no short name: no path at all rather than another folder's
        return;
    }
    REQUIRE(path);
    // The A functions reach the folder itself through it.
    CHECK(path->find('?') == std::string::npos);
    WriteBytes(*path + "\\through-short.txt", Bytes("short"));
    CHECK(ReadBytes(giraffe / "through-short.txt") == Bytes("short"));
}

TEST_CASE("a path is inside the folder only below it, read in the code page")
{
    const struct {
        std::string Folder;
        std::string Path;
        UINT CodePage;
        bool Inside;
    } rows[] = {
        // Without its backslash, "C:\Tools\ソ" + "ReadMe.txt" is a sibling of the folder.
        {"C:\\Tools\\" + So, "C:\\Tools\\" + So + "ReadMe.txt", 932, false},
        {"C:\\Tools\\" + So, "C:\\Tools\\" + So + "ReadMe.txt", 1252, true},
        {"C:\\Tools\\" + So + "\\", "C:\\Tools\\" + So + "\\ReadMe.txt", 932, true},
        {"C:\\Tools\\", "C:\\Tools\\" + Hyo + ".txt", 932, true},
        {"C:\\Tools\\", "C:\\Tools\\" + So, 932, true},
        {"C:\\Tools", "C:\\ToolsX\\a.txt", 1252, false},
        {"C:\\Tools", "C:\\Tools\\a.txt", 1252, true},
        {"c:\\tools\\", "C:\\TOOLS\\A.TXT", 1252, true},
        {"C:\\Tools\\", "C:\\Tools\\..\\a.txt", 1252, false},
        {"C:\\Tools\\", "C:\\Tools\\sub\\..\\a.txt", 1252, true},
        {"C:\\Tools\\", "C:\\Tools\\", 1252, false},
        {"C:\\Tools\\", "C:\\Tools", 1252, false},
        {"C:\\Tools\\", "D:\\Tools\\a.txt", 1252, false},
        {"", "C:\\a.txt", 1252, false},
        {"C:\\Tools\\" + Zhe, "C:\\Tools\\" + Zhe + "\\a.txt", CP_UTF8, true},
        {"C:\\Tools\\" + Zhe, "C:\\Tools\\" + Ze + "\\a.txt", CP_UTF8, false},
        {"C:\\Tools\\" + Zhe + "\\", "C:\\Tools\\" + Zhe + Chang + ".txt", CP_UTF8, false},
    };
    for (const auto& row : rows) {
        CAPTURE(row.Folder);
        CAPTURE(row.Path);
        CAPTURE(row.CodePage);
        CHECK(IsInsideFolder(row.Folder, row.Path, row.CodePage) == row.Inside);
    }
}

TEST_CASE("a stored name with a double-byte character stays in the folder that the wizard joins it to")
{
    // The install's whole road for one name: the folder text gets its backslash, the name is
    // joined to it, and the sink's check looks at the result, each in the same code page.
    for (UINT codePage : {932u, 1252u}) {
        for (const std::string& folder : {"C:\\Tools\\" + So, "C:\\Tools\\" + Hyo + So, "C:\\Tools\\" + So + "\\"}) {
            for (const std::string& name : {std::string("ReadMe.txt"), So, Hyo + ".txt"}) {
                CAPTURE(codePage);
                CAPTURE(folder);
                CAPTURE(name);
                const std::string joined = WithBackslash(folder, codePage);
                CHECK(IsInsideFolder(joined, joined + name, codePage));
            }
        }
    }
}

TEST_CASE("missing folders are made outermost first, each one character-aware")
{
    TScratchFolder scratch;

    SUBCASE("a deep folder and its parents")
    {
        CHECK(ForceDirectories(Ansi(scratch / "a\\b\\c\\d"), 1252));
        CHECK(std::filesystem::is_directory(scratch / "a" / "b" / "c" / "d"));
        CHECK(ForceDirectories(Ansi(scratch / "a\\b\\c\\d") + "\\\\", 1252));  // it exists: nothing to do
        CHECK(ForceDirectories(Ansi(scratch / "a\\x\\\\y") + "\\", 1252));   // a doubled separator
        CHECK(std::filesystem::is_directory(scratch / "a" / "x" / "y"));
    }
    SUBCASE("a folder named by a double-byte character whose trail byte is 0x5C")
    {
        // In 932 the text names one folder "ソ" and, below it, "表"; read by bytes it would end in
        // a lead byte and make folders of the lead bytes alone.
        CHECK(ForceDirectories(Ansi(scratch.Path()) + "\\" + So + "\\" + Hyo, 932));
        CHECK(std::filesystem::is_directory(scratch.Path() / L"\u30BD" / L"\u8868"));
        CHECK(EntryCount(scratch.Path()) == 1);
        CHECK(ForceDirectories(Ansi(scratch.Path()) + "\\" + Hyo, 932));
        CHECK(std::filesystem::is_directory(scratch.Path() / L"\u8868"));
        CHECK(EntryCount(scratch.Path()) == 2);
    }
    SUBCASE("a file in the way")
    {
        WriteBytes(scratch / "blocker", Bytes("a file"));
        CHECK_FALSE(ForceDirectories(Ansi(scratch / "blocker\\sub"), 1252));
        CHECK_FALSE(ForceDirectories(Ansi(scratch / "blocker"), 1252));
    }
    SUBCASE("a text longer than the platform takes is refused before anything is made")
    {
        // MAX_PATH characters, and the NUL after them: one too many.
        const std::string base = Ansi(scratch.Path()) + "\\";
        std::string text = base;
        while (text.size() < MAX_PATH)
            text += "d\\";
        text.resize(MAX_PATH);
        CHECK_FALSE(ForceDirectories(text, 1252));
        // Tens of thousands of levels: one refusal, no descent through them.
        std::string deep = base;
        while (deep.size() < 64'000)
            deep += "d\\";
        CHECK_FALSE(ForceDirectories(deep, 1252));
        CHECK(EntryCount(scratch.Path()) == 0);
    }
    SUBCASE("the root is never made: a share out of reach or a drive with nothing in it gives false")
    {
        const UINT mode = SetErrorMode(SEM_NOGPFAULTERRORBOX);
        const std::string drive = UnusedDrive();
        REQUIRE(!drive.empty());
        CHECK_FALSE(ForceDirectories(drive + "\\Velto\\Sub", 1252));
        CHECK(CurrentErrorMode() == SEM_NOGPFAULTERRORBOX);
        SetErrorMode(mode);

        TScratchShare share;
        if (!share.Available()) {
            MESSAGE("skipped: this platform serves no scratch share for UNC paths");
            return;
        }
        CHECK(ForceDirectories(share.Share() + "\\a\\b", 1252));
        CHECK(std::filesystem::is_directory(share.ServerFolder() / "share" / "a" / "b"));
        CHECK_FALSE(ForceDirectories("\\\\" + share.Server() + "\\other\\a", 1252));
        CHECK_FALSE(ForceDirectories("\\\\" + share.Server() + "\\other", 1252));
        CHECK(EntryCount(share.ServerFolder()) == 1);
    }
    SUBCASE("names in UTF-8, each character whole: Cyrillic, Greek, Chinese and an emoji")
    {
        const std::string names = Repeated(Zhe, 3) + "\\\xCE\xA6\xCE\xAC\\" + Chang + "\\" + Giraffe;
        CHECK(ForceDirectories(Ansi(scratch.Path()) + "\\" + names + "\\", CP_UTF8));
        CHECK(std::filesystem::is_directory(scratch.Path() / L"\u0416\u0416\u0416" / L"\u03A6\u03AC" / L"\u957F" /
                                            L"\U0001F992"));
        CHECK(EntryCount(scratch.Path()) == 1);
    }
    SUBCASE("in UTF-8 the limit counts characters too: a path of many more bytes than MAX_PATH is made")
    {
        std::string text = Ansi(scratch.Path());
        while (TextLength(text + "\\" + Repeated(Zhe, 20), CP_UTF8) < MaxFolderTextLength)
            text += "\\" + Repeated(Zhe, 20);
        REQUIRE(text.size() > MAX_PATH);
        CHECK(ForceDirectories(text, CP_UTF8));
        CHECK(std::filesystem::is_directory(std::filesystem::path(scratch.Path()) / std::wstring(20, L'\u0416')));
    }
    SUBCASE("the limit counts characters, and a double-byte character is one")
    {
        std::string text = Ansi(scratch.Path());
        while (text.size() < MAX_PATH)
            text += "\\" + So;
        REQUIRE(MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0) < MAX_PATH - 1);
        CHECK(ForceDirectories(text, 932));
        CHECK(std::filesystem::is_directory(std::filesystem::path(scratch.Path()) / L"\u30BD" / L"\u30BD"));
    }
}

}  // TEST_SUITE
