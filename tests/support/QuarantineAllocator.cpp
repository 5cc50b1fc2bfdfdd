// The global operator new and delete of every Windows test program: a freed block is filled with a
// pattern and kept out of reuse until some megabytes of later frees have passed, so that a test
// that touches freed memory reads the pattern, and crashes on the first pointer in it, instead of
// passing on memory that happens to hold the old values or a new object. A write into a freed
// block shows as a changed pattern: each block is checked when it leaves the quarantine, and all
// of them at the end of every test case. The process heap, where the system's controls keep their
// items, is checked then too (Wine sees a freed block written only while its heap checks are on).
#include <windows.h>

#include <doctest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

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

// Whether the block still holds nothing but the pattern.
bool Untouched(const THeader* header)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(header) + HeaderSize;
    for (std::size_t i = 0; i < header->Size; ++i)
        if (bytes[i] != FreedByte)
            return false;
    return true;
}

void ReportWritten(const THeader* header, const char* when)
{
    // The crash guard's words, so that the test runner fails the program on them.
    std::fprintf(stderr, "CRASH GUARD: a block of %u bytes at %p was written after it was freed (found %s)\n",
                 static_cast<unsigned>(header->Size), reinterpret_cast<const unsigned char*>(header) + HeaderSize, when);
    std::fflush(stderr);
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
        if (!Untouched(leaving))
            ReportWritten(leaving, "when it left the quarantine");
        std::free(leaving);
        leaving = next;
    }
}

// Checks every block in the quarantine; the number found written.
int CheckQuarantine(const char* when)
{
    int written = 0;
    const TLockScope locked;
    for (const THeader* header = Oldest; header; header = header->Next)
        if (!Untouched(header)) {
            if (++written <= 5)
                ReportWritten(header, when);
        }
    return written;
}

// Checks the quarantine at the end of each test case, so that a write after free is reported
// with the case that made it.
class TQuarantineCheck : public doctest::IReporter {
public:
    explicit TQuarantineCheck(const doctest::ContextOptions&) {}

    void test_case_start(const doctest::TestCaseData& data) override { FName = data.m_name; }
    void test_case_end(const doctest::CurrentTestCaseStats&) override
    {
        const std::string when = "at the end of \"" + FName + "\"";
        CheckQuarantine(when.c_str());
        if (!HeapValidate(GetProcessHeap(), 0, nullptr)) {
            std::fprintf(stderr, "CRASH GUARD: the process heap is damaged %s\n", when.c_str());
            std::fflush(stderr);
        }
    }

    void report_query(const doctest::QueryData&) override {}
    void test_run_start() override {}
    void test_run_end(const doctest::TestRunStats&) override {}
    void test_case_reenter(const doctest::TestCaseData&) override {}
    void test_case_exception(const doctest::TestCaseException&) override {}
    void subcase_start(const doctest::SubcaseSignature&) override {}
    void subcase_end() override {}
    void log_assert(const doctest::AssertData&) override {}
    void log_message(const doctest::MessageData&) override {}
    void test_case_skipped(const doctest::TestCaseData&) override {}

private:
    std::string FName;
};

REGISTER_LISTENER("quarantine check", 2, TQuarantineCheck);

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
