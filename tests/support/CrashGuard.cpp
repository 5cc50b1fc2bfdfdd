// The unhandled-exception filter behind InstallCrashGuard.
#include "CrashGuard.h"

#include <windows.h>

#include <cstdio>

namespace {

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info)
{
    std::fprintf(stderr, "CRASH GUARD: unhandled exception 0x%08lx at %p\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                 info->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void InstallCrashGuard()
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(OnUnhandledException);
}
