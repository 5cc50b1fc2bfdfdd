// The start-up hardening of the DLL search, on a system with every function it looks for and on
// older ones, with the newer functions hidden from it. Its effects last as long as the process:
// one case walks from the oldest system to the newest, in a test program of its own.
#include "../../setup/DllSearch.h"

#include <doctest.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace {

// The system's kernel32 without the named functions.
TKernelLookup Hiding(std::initializer_list<std::string_view> hidden)
{
    return [names = std::vector<std::string_view>(hidden)](const char* name) -> FARPROC {
        for (std::string_view hiddenName : names)
            if (hiddenName == name)
                return nullptr;
        return KernelFunction(name);
    };
}

std::string DllDirectory()
{
    char buffer[MAX_PATH] = "";
    const DWORD length = GetDllDirectoryA(MAX_PATH, buffer);
    return std::string(buffer, length < MAX_PATH ? length : 0);
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

bool Loads(const char* dll)
{
    HMODULE module = LoadLibraryA(dll);
    if (module)
        FreeLibrary(module);
    return module != nullptr;
}

}  // namespace

TEST_SUITE("HardenDllSearch") {

TEST_CASE("the DLL search is hardened with whatever the system has, and nothing is imported for it")
{
    // A DLL planted beside the program, as in a downloads folder.
    const std::string planted = ProgramFolder() + "planted.dll";
    REQUIRE(CopyFileA((ProgramFolder() + "payload_template.dll").c_str(), planted.c_str(), FALSE));
    REQUIRE(Loads("planted.dll"));

    // A system with none of the three: nothing is called, nothing changes.
    REQUIRE(SetDllDirectoryA("C:\\windows"));
    HardenDllSearch(Hiding({"SetDefaultDllDirectories", "SetDllDirectoryA", "SetSearchPathMode"}));
    CHECK(DllDirectory() == "C:\\windows");
    CHECK(SetSearchPathMode(BASE_SEARCH_PATH_DISABLE_SAFE_SEARCHMODE));  // still the process's to change

    // Windows 7 without update KB2533623: the current folder leaves the DLL search, and the file
    // search puts it last for good.
    HardenDllSearch(Hiding({"SetDefaultDllDirectories"}));
    CHECK(DllDirectory() == "");
    SetLastError(0);
    CHECK_FALSE(SetSearchPathMode(BASE_SEARCH_PATH_DISABLE_SAFE_SEARCHMODE));
    CHECK(GetLastError() == ERROR_ACCESS_DENIED);
    CHECK(Loads("planted.dll"));  // the program's own folder stays searched there

    // Every system since: only the system folder is searched.
    HardenDllSearch();
    CHECK_FALSE(Loads("planted.dll"));
    CHECK(Loads("shlwapi.dll"));

    DeleteFileA(planted.c_str());
}

}  // TEST_SUITE
