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

// Z:\... as the A functions take it.
std::string Ansi(const std::filesystem::path& path) { return path.string(); }

std::size_t EntryCount(const std::filesystem::path& folder)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
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
