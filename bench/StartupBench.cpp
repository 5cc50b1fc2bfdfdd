// The start-up benchmark: from process start to the first painted window, for the setup program and
// for bare yardsticks that add one part of its start at a time, in interleaved rounds of one run.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int Rounds = 15;
constexpr double TargetRatio = 1.5;

using TClock = std::chrono::steady_clock;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

struct TSearch {
    DWORD ProcessId;
    HWND Window = nullptr;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM lParam)
{
    auto& search = *reinterpret_cast<TSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.ProcessId || !IsWindowVisible(window))
        return TRUE;
    search.Window = window;
    return FALSE;
}

BOOL CALLBACK FindUnpainted(HWND window, LPARAM lParam)
{
    if (IsWindowVisible(window) && GetUpdateRect(window, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(lParam) = true;
        return FALSE;
    }
    return TRUE;
}

// Painted: neither the window nor any visible window inside it waits for a paint.
bool IsPainted(HWND window)
{
    if (GetUpdateRect(window, nullptr, FALSE))
        return false;
    bool unpainted = false;
    EnumChildWindows(window, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
    return !unpainted;
}

struct TStart {
    double Seconds;
    bool SeenUnpainted;  // the window was once seen visible and not yet painted
};

// Starts the command, waits until a window of the process is visible and painted and the process
// waits for input, and ends the process.
TStart TimeToFirstPaint(const std::string& commandLine)
{
    // What the programs print (Wine's notes about drives the tree lists) is not the benchmark's.
    static const HANDLE nothing = [] {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        return CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    }();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nothing;
    PROCESS_INFORMATION process{};
    std::string command = commandLine;
    const TClock::time_point start = TClock::now();
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        throw std::runtime_error("cannot start " + commandLine);
    TStart result{0, false};
    for (;;) {
        WaitForInputIdle(process.hProcess, 20);
        TSearch search{process.dwProcessId};
        EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
        if (search.Window) {
            if (IsPainted(search.Window) && WaitForInputIdle(process.hProcess, 0) == 0)
                break;
            result.SeenUnpainted = true;
        }
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
            throw std::runtime_error(commandLine + " ended before its window was painted");
        if (TClock::now() - start > std::chrono::seconds(60))
            throw std::runtime_error(commandLine + " showed no painted window in 60 s");
        Sleep(1);
    }
    result.Seconds = std::chrono::duration<double>(TClock::now() - start).count();
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

struct TProgram {
    const char* Label;
    std::string CommandLine;
    std::vector<double> Seconds;
    int SeenUnpainted;
};

}  // namespace

int main()
try {
    const std::string folder = ProgramFolder();
    std::vector<TProgram> programs = {
        {"bare Win32 window", "\"" + folder + "startup_bare.exe\"", {}, 0},
        {"the same with the package's payload in its image", "\"" + folder + "startup_bare_payload.exe\"", {}, 0},
        {"the same after the shell library's start", "\"" + folder + "startup_library.exe\" --shell", {}, 0},
        {"a framework form after the library's start", "\"" + folder + "startup_library.exe\" --form", {}, 0},
        {"that form with the drives' shell tree on a hidden page", "\"" + folder + "startup_library.exe\" --hidden-tree", {}, 0},
        {"that form after taking the system image list", "\"" + folder + "startup_library.exe\" --imagelist", {}, 0},
        {"that form with the drives' shell tree in sight", "\"" + folder + "startup_library.exe\" --tree", {}, 0},
        {"Unpack.exe, its welcome page", "\"" + folder + "Unpack.exe\"", {}, 0},
    };
    // One untimed start of each brings the files into the cache.
    for (TProgram& program : programs)
        TimeToFirstPaint(program.CommandLine);
    for (int round = 0; round < Rounds; ++round) {
        // Each round in another order, so that no program always follows the same one.
        for (std::size_t k = 0; k < programs.size(); ++k) {
            TProgram& program = programs[(k + static_cast<std::size_t>(round)) % programs.size()];
            const TStart start = TimeToFirstPaint(program.CommandLine);
            program.Seconds.push_back(start.Seconds);
            program.SeenUnpainted += start.SeenUnpainted;
        }
    }
    const double bare = Median(programs.front().Seconds);
    std::printf("from process start to the first painted window (medians of %d interleaved rounds):\n", Rounds);
    for (const TProgram& program : programs) {
        const double seconds = Median(program.Seconds);
        std::printf("  %-52s %.3f s, %.2f x bare, +%.3f s (seen visible before painted in %d of %d)\n", program.Label,
                    seconds, seconds / bare, seconds - bare, program.SeenUnpainted, Rounds);
    }
    const double ratio = Median(programs.back().Seconds) / bare;
    std::printf("start-up: Unpack.exe to its painted welcome page %.2f x a bare Win32 window program (target <= %.2f: %s)\n",
                ratio, TargetRatio, ratio <= TargetRatio ? "met" : "NOT MET");
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "startup_bench: %s\n", e.what());
    return 1;
}
