// A leak counter over the COM task allocator, which holds every PIDL.
#pragma once

#include <cstddef>

// Registers the counting spy for the rest of the program; false when the allocator refuses it.
// The spy is never revoked: the allocator keeps a spy until every block it saw is freed, and the
// shell keeps some blocks for good, so a revocation would only be put off.
bool StartMallocSpy();

// The number of blocks handed out by the task allocator since StartMallocSpy and not freed yet.
// The shell keeps a few cache blocks for good: warm it up before taking a baseline.
std::size_t LiveTaskBlocks();
