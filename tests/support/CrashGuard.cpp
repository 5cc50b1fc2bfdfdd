// The unhandled-exception filter and the early-end watch behind InstallCrashGuard.
#include "CrashGuard.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

namespace {

std::atomic<bool> Installed{false};
std::atomic<bool> Finished{false};

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info)
{
    std::fprintf(stderr, "CRASH GUARD: unhandled exception 0x%08lx at %p\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                 info->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// The process is ending: before the tests have finished, that is a failure. The C runtime may be
// gone already, so the text goes to the handle directly.
void ReportEarlyEnd()
{
    if (!Installed || Finished)
        return;
    static const char text[] = "CRASH GUARD: the program ended before its tests had finished\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, sizeof text - 1, &written, nullptr);
    TerminateProcess(GetCurrentProcess(), 3);
}

// Two ways to see the end, whichever the platform takes (ExitProcess, exit, a return from main):
// the program's thread-local-storage callback, and the main thread's fiber-local-storage callback.
void NTAPI OnProcessEvent(PVOID, DWORD reason, PVOID)
{
    if (reason == DLL_PROCESS_DETACH)
        ReportEarlyEnd();
}

void WINAPI OnMainThreadEnd(PVOID)
{
    ReportEarlyEnd();
}

}  // namespace

// The loader calls every pointer in the .CRT$XL* sections; "used" keeps the linker from dropping it.
extern "C" __attribute__((section(".CRT$XLY"), used)) const PIMAGE_TLS_CALLBACK UnpackCrashGuardCallback =
    OnProcessEvent;

void InstallCrashGuard()
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(OnUnhandledException);
    const DWORD slot = FlsAlloc(OnMainThreadEnd);
    if (slot != FLS_OUT_OF_INDEXES)
        FlsSetValue(slot, reinterpret_cast<PVOID>(1));
    Installed = true;
}

void TestsFinished()
{
    Finished = true;
}
