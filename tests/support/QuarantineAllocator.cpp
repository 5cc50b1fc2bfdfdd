// The global operator new and delete of every Windows test program: a freed block is filled with a
// pattern and kept out of reuse until some megabytes of later frees have passed, so that a test
// that touches freed memory reads the pattern, and crashes on the first pointer in it, instead of
// passing on memory that happens to hold the old values or a new object.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Read as a pointer, a run of these bytes names memory that is never mapped: above the 2 GB of a
// 32-bit process, and not canonical in a 64-bit one.
constexpr unsigned char FreedByte = 0xDD;
// The bytes of freed blocks kept out of reuse; the oldest go back to the heap beyond it.
constexpr std::size_t QuarantineBudget = std::size_t{6} << 20;
// Larger blocks go back at once: filling them costs more than they are likely to catch.
constexpr std::size_t LargestQuarantined = QuarantineBudget / 16;

constexpr std::uint32_t LiveMark = 0x4556494C;
constexpr std::uint32_t FreedMark = 0x45455246;

struct THeader {
    THeader* Next;  // the next younger block while in quarantine
    std::size_t Size;
    std::uint32_t Mark;
};
// Keeps the block's start as aligned as the heap gives it on both targets.
constexpr std::size_t HeaderSize = 32;
static_assert(sizeof(THeader) <= HeaderSize);

// Constant-initialised: operator new runs before any dynamic initialisation, and on helper threads.
volatile LONG Lock = 0;
THeader* Oldest = nullptr;
THeader* Youngest = nullptr;
std::size_t QuarantinedBytes = 0;

class TLockScope {
public:
    TLockScope()
    {
        while (InterlockedExchange(&Lock, 1) != 0)
            Sleep(0);
    }
    ~TLockScope() { InterlockedExchange(&Lock, 0); }
    TLockScope(const TLockScope&) = delete;
    TLockScope& operator=(const TLockScope&) = delete;
};

THeader* HeaderOf(void* block)
{
    return reinterpret_cast<THeader*>(static_cast<unsigned char*>(block) - HeaderSize);
}

[[noreturn]] void ReportBadDelete(const void* block, const char* what)
{
    // The crash guard's words, so that the test runner fails the program on them.
    std::fprintf(stderr, "CRASH GUARD: operator delete of %p, %s\n", block, what);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    std::abort();
}

void* Allocate(std::size_t size) noexcept
{
    for (;;) {
        if (auto* header = static_cast<THeader*>(std::malloc(HeaderSize + (size ? size : 1)))) {
            header->Next = nullptr;
            header->Size = size;
            header->Mark = LiveMark;
            return reinterpret_cast<unsigned char*>(header) + HeaderSize;
        }
        const std::new_handler handler = std::get_new_handler();
        if (!handler)
            return nullptr;
        handler();
    }
}

void Release(void* block) noexcept
{
    if (!block)
        return;
    THeader* header = HeaderOf(block);
    if (header->Mark == FreedMark)
        ReportBadDelete(block, "a block deleted before");
    if (header->Mark != LiveMark)
        ReportBadDelete(block, "not a block of operator new");
    header->Mark = FreedMark;
    std::memset(block, FreedByte, header->Size);
    if (header->Size > LargestQuarantined) {
        std::free(header);
        return;
    }
    THeader* leaving = nullptr;
    {
        const TLockScope locked;
        if (Youngest)
            Youngest->Next = header;
        else
            Oldest = header;
        Youngest = header;
        QuarantinedBytes += header->Size;
        // The blocks that leave are unlinked here and freed outside the lock.
        while (QuarantinedBytes > QuarantineBudget && Oldest != header) {
            THeader* oldest = Oldest;
            Oldest = oldest->Next;
            QuarantinedBytes -= oldest->Size;
            oldest->Next = leaving;
            leaving = oldest;
        }
    }
    while (leaving) {
        THeader* next = leaving->Next;
        std::free(leaving);
        leaving = next;
    }
}

void* AllocateOrThrow(std::size_t size)
{
    if (void* block = Allocate(size))
        return block;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size)
{
    return AllocateOrThrow(size);
}

void* operator new[](std::size_t size)
{
    return AllocateOrThrow(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void operator delete(void* block) noexcept
{
    Release(block);
}

void operator delete[](void* block) noexcept
{
    Release(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    Release(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    Release(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept
{
    Release(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    Release(block);
}
