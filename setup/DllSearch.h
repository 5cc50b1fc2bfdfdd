// Keeping the program from loading a DLL planted beside it or in the current folder, on every
// Windows it starts on.
#pragma once

#include <windows.h>

#include <functional>

// A function of kernel32 by its name; nullptr where this Windows lacks it.
using TKernelLookup = std::function<FARPROC(const char* name)>;

// The function of the running system's kernel32.
FARPROC KernelFunction(const char* name);

// Restricts the DLL search to the system folder (SetDefaultDllDirectories). Where the system lacks
// that, or refuses it, takes the current folder out of the DLL search (SetDllDirectoryA("")) and
// makes the file search put it last for good (SetSearchPathMode), each where the system has it.
// Every function is looked up through lookup, none is imported.
void HardenDllSearch(const TKernelLookup& lookup = KernelFunction);
