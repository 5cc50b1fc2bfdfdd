// The start-up hardening of the DLL search.
#include "DllSearch.h"

namespace {

// void (*)() converts to and from every function pointer type without a warning.
template <typename TFunction>
TFunction As(FARPROC function)
{
    return reinterpret_cast<TFunction>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

FARPROC KernelFunction(const char* name)
{
    return GetProcAddress(GetModuleHandleA("kernel32.dll"), name);
}

void HardenDllSearch(const TKernelLookup& lookup)
{
    // Windows 7 has it only with update KB2533623: imported, the program would not start without it.
    using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    if (auto setDefault = As<TSetDefaultDllDirectories>(lookup("SetDefaultDllDirectories")))
        if (setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
            return;
    using TSetDllDirectoryA = BOOL(WINAPI*)(LPCSTR);
    if (auto setDllDirectory = As<TSetDllDirectoryA>(lookup("SetDllDirectoryA")))
        setDllDirectory("");
    using TSetSearchPathMode = BOOL(WINAPI*)(DWORD);
    if (auto setSearchPathMode = As<TSetSearchPathMode>(lookup("SetSearchPathMode")))
        setSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
}
