// The web link: the address opened once, through the desktop's shell when the process is elevated
// and with ShellExecute otherwise or when that shell cannot be reached.
//
// Under Wine the desktop's shell is the explorer process and opens the address in its own process;
// that the browser then runs with the signed-in user's token and not the administrator's is not
// something Wine can show (it has no split tokens).
#include "../../setup/WebLink.h"
#include "../../setup/fm_Main.h"
#include "../support/ScratchFolder.h"
#include "LibraryStart.h"

#include <doctest.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <thread>

namespace {

// Points the http class's open command at a line appended to a file, for one test, and puts the
// command before it back afterwards.
class THttpRecorder {
public:
    THttpRecorder() : FLog((FFolder.Path() / "opened.txt").string())
    {
        REQUIRE(RegCreateKeyExA(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                nullptr, &FKey, nullptr) == ERROR_SUCCESS);
        char saved[1024];
        DWORD size = sizeof saved;
        if (RegQueryValueExA(FKey, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(saved), &size) == ERROR_SUCCESS)
            FSaved = std::string(saved, strnlen(saved, size));
        const std::string command = "C:\\windows\\system32\\cmd.exe /c echo %1>>\"" + FLog + "\"";
        REQUIRE(RegSetValueExA(FKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                               static_cast<DWORD>(command.size() + 1)) == ERROR_SUCCESS);
    }
    ~THttpRecorder()
    {
        if (FSaved)
            RegSetValueExA(FKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(FSaved->c_str()),
                           static_cast<DWORD>(FSaved->size() + 1));
        else
            RegDeleteValueA(FKey, nullptr);
        RegCloseKey(FKey);
    }
    THttpRecorder(const THttpRecorder&) = delete;
    THttpRecorder& operator=(const THttpRecorder&) = delete;

    // The addresses opened so far: waits up to 10 s for the first, then a second for any more.
    std::vector<std::string> Opened() const
    {
        for (int waited = 0; waited < 10'000 && !std::filesystem::exists(FLog); waited += 50)
            Sleep(50);
        Sleep(1000);
        std::vector<std::string> lines;
        std::ifstream in(FLog);
        for (std::string line; std::getline(in, line);) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
                line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

private:
    TScratchFolder FFolder;
    std::string FLog;
    HKEY FKey = nullptr;
    std::optional<std::string> FSaved;
};

}  // namespace

TEST_SUITE("OpenWebAddress") {

TEST_CASE("the address is opened once, by the route the process's rights call for")
{
    StartShellLibrary();  // OLE on this thread, as in the program
    const std::vector<std::string> once{MakerWebAddress};

    SUBCASE("not elevated: ShellExecute, and the desktop's shell is not asked")
    {
        THttpRecorder recorder;
        CHECK(OpenWebAddress(nullptr, MakerWebAddress, false) == wrShellExecute);
        CHECK(recorder.Opened() == once);
    }
    SUBCASE("elevated: the desktop's shell opens it")
    {
        THttpRecorder recorder;
        CHECK(OpenWebAddress(nullptr, MakerWebAddress, true) == wrDesktopShell);
        CHECK(recorder.Opened() == once);
    }
    SUBCASE("elevated, where the desktop's shell cannot be reached: ShellExecute all the same")
    {
        // A thread without COM cannot reach the shell's automation objects, as when no shell runs.
        THttpRecorder recorder;
        std::optional<TWebLinkRoute> route;
        std::thread([&] { route = OpenWebAddress(nullptr, MakerWebAddress, true); }).join();
        CHECK(route == wrShellExecute);
        CHECK(recorder.Opened() == once);
    }
}

}  // TEST_SUITE
