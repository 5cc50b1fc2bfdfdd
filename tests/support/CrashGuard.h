// Makes a crashing test program fail loudly: under Wine a crash of a 32-bit program can exit 0, and
// a program that ends itself in the middle of a test (ExitProcess, exit) would otherwise pass with
// the tests it never ran.
#pragma once

// Prints "CRASH GUARD" with the exception code and ends the process with a non-zero code; from now
// on, an end of the process before TestsFinished is reported the same way.
void InstallCrashGuard();

// The tests have run: the program may end now, with whatever code the runner gives.
void TestsFinished();
