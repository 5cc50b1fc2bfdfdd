// Writing restored files through Win32, and finding the embedded payload.
#include "../../payload/PayloadResource.h"
#include "../../payload/Win32FileSink.h"
#include "../../framework/Scope.h"
#include "../support/ScratchFolder.h"

#include <doctest.h>

namespace {

std::string ErrorOf(TWin32FileSink& sink, const std::string& name, const std::string& contents = "x")
{
    try {
        sink.WriteFile(name, reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size());
    } catch (const EInOutError& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST_SUITE("TWin32FileSink") {

TEST_CASE("files are created, replaced, and refused with the system's file-error text")
{
    TScratchFolder folder;
    TWin32FileSink sink(folder.Path().string() + "\\");
    CHECK(ErrorOf(sink, "a.txt", "first") == "");
    CHECK(ErrorOf(sink, "a.txt", "second") == "");
    CHECK(ReadBytes(folder / "a.txt") == Bytes("second"));
    CHECK(ErrorOf(sink, "empty.txt", "") == "");
    CHECK(std::filesystem::file_size(folder / "empty.txt") == 0);

    SUBCASE("a missing sub-folder") { CHECK(ErrorOf(sink, "missing\\a.txt") == "Invalid filename"); }
    SUBCASE("a name that is an existing folder")
    {
        std::filesystem::create_directory(folder / "sub");
        CHECK(ErrorOf(sink, "sub") == "File access denied");
    }
    SUBCASE("a joined path that resolves outside the folder")
    {
        std::filesystem::remove(folder.Path().parent_path() / "escaped.txt");  // left by a faulty build
        CHECK(ErrorOf(sink, "..\\escaped.txt") == "Invalid filename");
        CHECK_FALSE(std::filesystem::exists(folder.Path().parent_path() / "escaped.txt"));
    }
}

TEST_CASE("a read-only file is not replaced")
{
    TScratchFolder folder;
    TWin32FileSink sink(folder.Path().string() + "\\");
    WriteBytes(folder / "a.txt", Bytes("kept"));
    SetFileAttributesA((folder / "a.txt").string().c_str(), FILE_ATTRIBUTE_READONLY);
    // Wine run by root opens a read-only file for writing all the same: ask the platform first.
    if (TFileHandle probe(CreateFileA((folder / "a.txt").string().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        probe) {
        SetFileAttributesA((folder / "a.txt").string().c_str(), FILE_ATTRIBUTE_NORMAL);
        MESSAGE("skipped: this platform opens a read-only file for writing");
        return;
    }
    CHECK(ErrorOf(sink, "a.txt") == "File access denied");
    SetFileAttributesA((folder / "a.txt").string().c_str(), FILE_ATTRIBUTE_NORMAL);
    CHECK(ReadBytes(folder / "a.txt") == Bytes("kept"));
}

TEST_CASE("a module without the \"DATA\" resource gives \"Setup Data not found.\"")
{
    try {
        LoadPayloadResource(GetModuleHandleA(nullptr));
        FAIL("found a resource that is not there");
    } catch (const Exception& e) {
        CHECK(std::string(e.what()) == "Setup Data not found.");
    }
}

}  // TEST_SUITE
