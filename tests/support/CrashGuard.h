// Makes a crashing test program fail loudly: under Wine a crash of a 32-bit program can exit 0.
#pragma once

// Prints "CRASH GUARD" with the exception code and ends the process with a non-zero code.
void InstallCrashGuard();
