// The counting IMallocSpy behind StartMallocSpy: it tracks every live block it saw, and keeps the
// blocks freed through it in a quarantine, filled with a pattern, so that a freed PIDL is neither
// read back intact nor handed out again while later frees pass; a block written after its free is
// reported when it leaves the quarantine or at the end of the test case.
#include "MallocSpy.h"

#include <windows.h>
#include <objbase.h>

#include <doctest.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

// What a freed block reads as: item sizes of 0xDDDD, pointers into unmapped memory.
constexpr unsigned char FreedByte = 0xDD;
// Freed blocks kept back, counted in bytes and in blocks; the oldest go back to the allocator.
constexpr std::size_t QuarantineBudget = std::size_t{1} << 20;
constexpr std::size_t QuarantineBlocks = 8192;

class TCountingSpy final : public IMallocSpy {
public:
    // One static instance that lives as long as the program: reference counting is not needed.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IMallocSpy) {
            *object = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T cbRequest) override
    {
        AllocSize = cbRequest;
        return cbRequest;
    }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override
    {
        if (actual) {
            std::lock_guard lock(FMutex);
            FLive[actual] = AllocSize;
        }
        return actual;
    }

    // The allocator frees what this returns: nothing while the block waits in the quarantine, the
    // oldest waiting block once the quarantine is full. A block the spy never saw (allocated
    // before it was registered) goes back at once.
    void* STDMETHODCALLTYPE PreFree(void* request, WINBOOL) override
    {
        if (!request)
            return request;
        std::lock_guard lock(FMutex);
        const auto live = FLive.find(request);
        if (live == FLive.end()) {
            if (!FQuarantined.contains(request))
                return request;
            ++FFreedTwice;
            std::fprintf(stderr, "CRASH GUARD: task-allocator block %p freed twice\n", request);
            std::fflush(stderr);
            return nullptr;
        }
        const SIZE_T size = live->second;
        FLive.erase(live);
        std::memset(request, FreedByte, size);
        FQueue.emplace_back(request, size);
        FQuarantined.insert(request);
        FQueuedBytes += size;
        if (FQueuedBytes <= QuarantineBudget && FQueue.size() <= QuarantineBlocks)
            return nullptr;
        const auto [oldest, oldestSize] = FQueue.front();
        FQueue.pop_front();
        FQuarantined.erase(oldest);
        FQueuedBytes -= oldestSize;
        if (!Untouched(oldest, oldestSize))
            ReportWritten(oldest, "when it left the quarantine");
        return oldest;
    }
    void STDMETHODCALLTYPE PostFree(WINBOOL) override {}

    // A reallocation may move the block, free it (size 0) or fail and leave it where it was.
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T cbRequest, void** newRequest, WINBOOL) override
    {
        ReallocRequest = request;
        ReallocSize = cbRequest;
        *newRequest = request;
        return cbRequest;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, WINBOOL) override
    {
        std::lock_guard lock(FMutex);
        if (actual || ReallocSize == 0)
            FLive.erase(ReallocRequest);
        if (actual)
            FLive[actual] = ReallocSize;
        return actual;
    }

    void* STDMETHODCALLTYPE PreGetSize(void* request, WINBOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T cbActual, WINBOOL) override { return cbActual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, WINBOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, WINBOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

    std::size_t Live()
    {
        std::lock_guard lock(FMutex);
        return FLive.size();
    }
    std::size_t FreedTwice()
    {
        std::lock_guard lock(FMutex);
        return FFreedTwice;
    }
    void CheckQuarantine(const char* when)
    {
        std::lock_guard lock(FMutex);
        for (const auto& [block, size] : FQueue)
            if (!Untouched(block, size))
                ReportWritten(block, when);
    }

private:
    static bool Untouched(const void* block, SIZE_T size)
    {
        const auto* bytes = static_cast<const unsigned char*>(block);
        for (SIZE_T i = 0; i < size; ++i)
            if (bytes[i] != FreedByte)
                return false;
        return true;
    }
    static void ReportWritten(const void* block, const char* when)
    {
        std::fprintf(stderr, "CRASH GUARD: task-allocator block %p was written after it was freed (found %s)\n",
                     block, when);
        std::fflush(stderr);
    }

    std::mutex FMutex;
    std::unordered_map<void*, SIZE_T> FLive;
    std::deque<std::pair<void*, SIZE_T>> FQueue;  // oldest first
    std::unordered_set<void*> FQuarantined;
    std::size_t FQueuedBytes = 0;
    std::size_t FFreedTwice = 0;
    // Pre- and PostAlloc, and Pre- and PostRealloc, come in pairs on the allocating thread.
    static thread_local SIZE_T AllocSize;
    static thread_local void* ReallocRequest;
    static thread_local SIZE_T ReallocSize;
};

thread_local SIZE_T TCountingSpy::AllocSize = 0;
thread_local void* TCountingSpy::ReallocRequest = nullptr;
thread_local SIZE_T TCountingSpy::ReallocSize = 0;

// Never destroyed: the allocator may call it until the very end of the process.
TCountingSpy& Spy()
{
    static TCountingSpy* spy = new TCountingSpy;
    return *spy;
}
bool Registered = false;

// From the start of the program, so that every freed PIDL goes through the quarantine.
[[maybe_unused]] const bool RegisteredAtStart = StartMallocSpy();

// Checks the quarantine at the end of each test case.
class TTaskQuarantineCheck : public doctest::IReporter {
public:
    explicit TTaskQuarantineCheck(const doctest::ContextOptions&) {}

    void test_case_start(const doctest::TestCaseData& data) override { FName = data.m_name; }
    void test_case_end(const doctest::CurrentTestCaseStats&) override
    {
        Spy().CheckQuarantine(("at the end of \"" + FName + "\"").c_str());
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

REGISTER_LISTENER("task quarantine check", 3, TTaskQuarantineCheck);

}  // namespace

bool StartMallocSpy()
{
    if (!Registered)
        Registered = SUCCEEDED(CoRegisterMallocSpy(&Spy()));
    return Registered;
}

std::size_t LiveTaskBlocks() { return Spy().Live(); }

std::size_t TaskBlocksFreedTwice() { return Spy().FreedTwice(); }
