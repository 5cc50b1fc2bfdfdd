// The link to the maker's web page, seen through the real shell: a recording program registered as
// the handler of http addresses shows what reaches it when the label or the logo is clicked.
#include "WizardHarness.h"

#include <doctest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

// Registers command as what opens http addresses, for the life of the object, in both registry
// views of the test's own prefix, and puts back what was there. The user's classes come first
// where the platform merges them into the classes root; otherwise the machine's are used.
class TUrlHandler {
public:
    explicit TUrlHandler(const std::string& command)
    {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
            FChanges.push_back(Register(HKEY_CURRENT_USER, view, command));
        if (ClassesRootCommand() != command) {
            Restore();
            for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
                FChanges.push_back(Register(HKEY_LOCAL_MACHINE, view, command));
        }
        REQUIRE(ClassesRootCommand() == command);
    }
    ~TUrlHandler() { Restore(); }
    TUrlHandler(const TUrlHandler&) = delete;
    TUrlHandler& operator=(const TUrlHandler&) = delete;

private:
    static constexpr const char* Classes = "Software\\Classes";
    static constexpr const char* Http = "Software\\Classes\\http";
    static constexpr const char* Command = "Software\\Classes\\http\\shell\\open\\command";

    struct TChange {
        HKEY Root;
        REGSAM View;
        bool CreatedHttp;                   // the whole http key is ours
        std::optional<std::string> Before;  // the command that was there
    };

    static TChange Register(HKEY root, REGSAM view, const std::string& command)
    {
        TChange change{root, view, false, std::nullopt};
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, Http, 0, KEY_READ | view, &key) == ERROR_SUCCESS)
            RegCloseKey(key);
        else
            change.CreatedHttp = true;
        REQUIRE(RegCreateKeyExA(root, Command, 0, nullptr, 0, KEY_READ | KEY_WRITE | view, nullptr, &key, nullptr) ==
                ERROR_SUCCESS);
        char before[1024];
        DWORD size = sizeof before;
        DWORD type = 0;
        if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(before), &size) == ERROR_SUCCESS &&
            type == REG_SZ)
            change.Before = std::string(before, size ? size - 1 : 0);
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>(command.size() + 1));
        RegCloseKey(key);
        return change;
    }

    // In reverse order, so that two views that are one key end with what was first there.
    void Restore()
    {
        for (auto change = FChanges.rbegin(); change != FChanges.rend(); ++change) {
            HKEY classes = nullptr;
            if (RegOpenKeyExA(change->Root, Classes, 0, KEY_ALL_ACCESS | change->View, &classes) != ERROR_SUCCESS)
                continue;
            if (change->CreatedHttp) {
                RegDeleteTreeA(classes, "http");
            } else {
                HKEY key = nullptr;
                if (RegOpenKeyExA(classes, "http\\shell\\open\\command", 0, KEY_WRITE | change->View, &key) ==
                    ERROR_SUCCESS) {
                    if (change->Before)
                        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(change->Before->c_str()),
                                       static_cast<DWORD>(change->Before->size() + 1));
                    else
                        RegDeleteValueA(key, nullptr);
                    RegCloseKey(key);
                }
            }
            RegCloseKey(classes);
        }
        FChanges.clear();
    }

    static std::string ClassesRootCommand()
    {
        char command[1024] = "";
        LONG size = sizeof command;
        if (RegQueryValueA(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", command, &size) != ERROR_SUCCESS)
            return "";
        return command;
    }

    std::vector<TChange> FChanges;
};

std::vector<std::string> Lines(const std::filesystem::path& path)
{
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The lines of the record once it has count of them, or what it has when the time is up; messages
// keep running meanwhile, for a route that goes through the desktop's shell.
std::vector<std::string> WaitForLines(const std::filesystem::path& path, std::size_t count, int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (Lines(path).size() < count && std::chrono::steady_clock::now() < end)
        Pump(50);
    return Lines(path);
}

// A click of the left mouse button in the middle of the window, as the window gets it.
void Click(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    const LPARAM middle = MAKELPARAM(client.right / 2, client.bottom / 2);
    PostMessageA(window, WM_MOUSEMOVE, 0, middle);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    PostMessageA(window, WM_LBUTTONUP, 0, middle);
    Application->ProcessMessages();
}

}  // namespace

TEST_SUITE("Tfrm_Main web link") {

TEST_CASE("the address label and the logo each open the maker's address once, through the shell")
{
    TScratchFolder scratch;
    const std::filesystem::path record = scratch / "opened.txt";
    std::string command = "\"";
    command.append(ProgramFolder()).append("url_recorder.exe\" \"").append(record.string()).append("\" \"%1\"");
    TUrlHandler handler(command);
    TWizard wizard;

    const std::pair<const char*, TWinControl*> clicks[] = {{"Label3", wizard.Form->Label3}, {"Image1", wizard.Form->Image1}};
    std::vector<std::string> expected;
    for (const auto& [name, control] : clicks) {
        CAPTURE(name);
        Click(control->Handle());
        expected.push_back(MakerWebAddress);
        CHECK(WaitForLines(record, expected.size(), 20000) == expected);
        // Once: no second start follows.
        Pump(500);
        CHECK(Lines(record) == expected);
    }
    // The wizard stays where it was.
    CHECK(wizard.State() == "ts_Welcome | - | Next > | Cancel | default | 0 of 100 | -");
}

}  // TEST_SUITE
