// Opening the maker's web address so that the browser never runs with the installer's rights.
#pragma once

#include <windows.h>

// How an address was handed to the shell.
enum TWebLinkRoute {
    wrDesktopShell,  // the desktop's own shell opened it, in the signed-in user's name
    wrShellExecute   // this process opened it with ShellExecute
};

// True when the process runs with an elevated (administrator) token; false where the system
// knows no elevation.
bool IsProcessElevated();

// Opens address once with the default verb, shown normally. Elevated, through the desktop's shell
// (its automation object's ShellExecute), so that the browser runs as the signed-in user and not
// as administrator; otherwise, or when that shell cannot be reached from this thread, with
// ShellExecute and owner as the owner window. The shell's result is otherwise ignored.
TWebLinkRoute OpenWebAddress(HWND owner, const char* address, bool elevated);
