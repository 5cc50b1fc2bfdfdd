// A leak counter over the COM task allocator, which holds every PIDL; the blocks freed through it
// wait in a quarantine, filled with a pattern, before the allocator gets them back.
#pragma once

#include <cstddef>

// Registers the counting spy for the rest of the program (a program that links it registers it at
// start); false when the allocator refuses it.
// The spy is never revoked: the allocator keeps a spy until every block it saw is freed, and the
// shell keeps some blocks for good, so a revocation would only be put off.
bool StartMallocSpy();

// The number of blocks handed out by the task allocator since StartMallocSpy and not freed yet.
// The shell keeps a few cache blocks for good: warm it up before taking a baseline.
std::size_t LiveTaskBlocks();
// The number of frees of a block that was freed already and still waits in the quarantine; each
// is also reported on the error output with the crash guard's words.
std::size_t TaskBlocksFreedTwice();

#include <functional>

// Runs round once so that the shell fills the caches it keeps, then count more times, and returns
// how many task-allocator blocks those rounds left behind (0 when nothing leaks).
inline long LeakedTaskBlocks(const std::function<void()>& round, int count = 3)
{
    round();
    const std::size_t start = LiveTaskBlocks();
    for (int i = 0; i < count; ++i)
        round();
    return static_cast<long>(LiveTaskBlocks()) - static_cast<long>(start);
}
