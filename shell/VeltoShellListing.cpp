// The listing thread and the job it shares with the window's thread.
#include "VeltoShellListing.h"

#include "../framework/ComPtr.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <utility>

#include <process.h>

std::atomic<TListingDesktopFactory> ListingDesktopFactory{nullptr};

namespace {

// Found items go to the window in batches: when this many wait, or when the oldest has waited this
// long, so that a slow folder shows what it has and a fast one does not wake the window per item.
constexpr std::size_t BatchItems = 64;
constexpr auto BatchWait = std::chrono::milliseconds(20);

std::atomic<int> RunningListings{0};

// The job's lock for the length of a scope.
class TJobLock {
public:
    explicit TJobLock(SRWLOCK& lock) : FLock(lock) { AcquireSRWLockExclusive(&FLock); }
    ~TJobLock() { ReleaseSRWLockExclusive(&FLock); }
    TJobLock(const TJobLock&) = delete;
    TJobLock& operator=(const TJobLock&) = delete;

private:
    SRWLOCK& FLock;
};

// A copy from the task allocator, so that either thread may free it.
LPITEMIDLIST TaskCopyIDList(LPCITEMIDLIST idList)
{
    const UINT size = GetIDListSize(idList);
    auto* copy = static_cast<LPITEMIDLIST>(size ? CoTaskMemAlloc(size) : nullptr);
    if (copy)
        std::memcpy(copy, idList, size);
    return copy;
}

// The thread's own single-threaded apartment, for the length of the listing.
class TApartmentScope {
public:
    TApartmentScope() : FResult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~TApartmentScope()
    {
        if (SUCCEEDED(FResult))
            CoUninitialize();
    }
    TApartmentScope(const TApartmentScope&) = delete;
    TApartmentScope& operator=(const TApartmentScope&) = delete;

private:
    HRESULT FResult;
};

// The folder of the absolute PIDL, bound through the thread's own desktop; empty when it fails.
TComPtr<IShellFolder> BindListedFolder(LPCITEMIDLIST idList)
{
    TComPtr<IShellFolder> desktop;
    const TListingDesktopFactory factory = ListingDesktopFactory.load();
    if (factory)
        factory(desktop.put());
    else
        SHGetDesktopFolder(desktop.put());
    if (!desktop || idList->mkid.cb == 0)
        return desktop;
    TComPtr<IShellFolder> folder;
    desktop->BindToObject(idList, nullptr, IID_IShellFolder, folder.put_void());
    return folder;
}

// The position of each item in the folder's own order: a stable sort by the folder's CompareIDs,
// whose low 16 bits, sign-extended, say which comes first, as the tree's own sort reads them.
std::vector<int> FolderOrder(IShellFolder* folder, const std::vector<TTaskPidl>& items)
{
    std::vector<int> sorted(items.size());
    std::iota(sorted.begin(), sorted.end(), 0);
    std::stable_sort(sorted.begin(), sorted.end(), [&](int a, int b) {
        const HRESULT result = folder->CompareIDs(0, items[static_cast<std::size_t>(a)].get(),
                                                  items[static_cast<std::size_t>(b)].get());
        return static_cast<std::int16_t>(static_cast<std::uint32_t>(result) & 0xFFFF) < 0;
    });
    std::vector<int> order(items.size());
    for (std::size_t position = 0; position < sorted.size(); ++position)
        order[static_cast<std::size_t>(sorted[position])] = static_cast<int>(position);
    return order;
}

void ListFolder(TShellListingJob& job, LPCITEMIDLIST idList, SHCONTF flags, SFGAOF mask)
{
    const TApartmentScope apartment;
    // No system message box for a drive without medium: the listing fails instead.
    SetThreadErrorMode(SEM_FAILCRITICALERRORS, nullptr);
    // The items as the enumerator gave them, for the sort at the end; the job gets copies.
    std::vector<TTaskPidl> found;
    const TComPtr<IShellFolder> folder = BindListedFolder(idList);
    TComPtr<IEnumIDList> enumerator;
    if (!folder || folder->EnumObjects(nullptr, flags, enumerator.put()) != S_OK || !enumerator) {
        job.End(TShellListingJob::TState::Failed);
        return;
    }
    std::vector<TListedItem> batch;
    auto batchStart = std::chrono::steady_clock::now();
    for (;;) {
        if (job.Cancelled())
            return;
        TTaskPidl child;
        ULONG fetched = 0;
        if (enumerator->Next(1, child.put(), &fetched) != S_OK || !child)
            break;
        TShellChildInfo info = GetChildInfo(folder.get(), child.get(), mask);
        batch.push_back(TListedItem{TTaskPidl(TaskCopyIDList(child.get())), std::move(info.Name), info.Attributes});
        found.push_back(std::move(child));
        if (batch.size() == 1)
            batchStart = std::chrono::steady_clock::now();
        if (batch.size() >= BatchItems || std::chrono::steady_clock::now() - batchStart >= BatchWait)
            if (!job.Add(batch))
                return;
    }
    if (!job.Add(batch))
        return;
    job.End(TShellListingJob::TState::Done, FolderOrder(folder.get(), found));
}

// What a listing thread is given; it frees it.
struct TListingStart {
    std::shared_ptr<TShellListingJob> Job;
    TTaskPidl Folder;
    SHCONTF Flags;
    SFGAOF Mask;
};

unsigned __stdcall ListingThread(void* parameter)
{
    std::unique_ptr<TListingStart> start(static_cast<TListingStart*>(parameter));
    try {
        ListFolder(*start->Job, start->Folder.get(), start->Flags, start->Mask);
    } catch (...) {
        // Nothing leaves the thread: what was found is dropped, the listing failed.
        start->Job->End(TShellListingJob::TState::Failed);
    }
    start.reset();
    --RunningListings;
    return 0;
}

}  // namespace

void TaskFreeIDList(LPITEMIDLIST idList)
{
    CoTaskMemFree(idList);
}

void TShellListingJob::Cancel()
{
    const TJobLock lock(FLock);
    FCancelled = true;
    WakeAllConditionVariable(&FEnded);
}

bool TShellListingJob::Cancelled() const
{
    const TJobLock lock(FLock);
    return FCancelled;
}

std::vector<TListedItem> TShellListingJob::Take(std::size_t max, TState& state)
{
    const TJobLock lock(FLock);
    std::vector<TListedItem> items;
    const std::size_t count = std::min(max, FItems.size());
    items.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        items.push_back(std::move(FItems.front()));
        FItems.pop_front();
    }
    FPosted = false;
    state = FItems.empty() ? FState : TState::Listing;
    return items;
}

std::vector<int> TShellListingJob::Order() const
{
    const TJobLock lock(FLock);
    return FOrder;
}

void TShellListingJob::WaitEnded() const
{
    const TJobLock lock(FLock);
    while (!FCancelled && FState == TState::Listing)
        SleepConditionVariableSRW(&FEnded, &FLock, INFINITE, 0);
}

bool TShellListingJob::Add(std::vector<TListedItem>& items)
{
    const TJobLock lock(FLock);
    if (FCancelled)
        return false;
    for (TListedItem& item : items)
        FItems.push_back(std::move(item));
    items.clear();
    Wake();
    return true;
}

void TShellListingJob::End(TState state, std::vector<int> order)
{
    const TJobLock lock(FLock);
    FState = state;
    FOrder = std::move(order);
    WakeAllConditionVariable(&FEnded);
    if (!FCancelled)
        Wake();
}

void TShellListingJob::Wake()
{
    // A window that is gone refuses the post: the job then waits for nobody, harmlessly.
    if (!FPosted && FWindow)
        FPosted = PostMessageW(FWindow, FMessage, 0, 0) != FALSE;
}

void StartShellListing(std::shared_ptr<TShellListingJob> job, LPCITEMIDLIST folder, SHCONTF flags, SFGAOF mask)
{
    TTaskPidl copy(TaskCopyIDList(folder));
    if (!copy) {
        job->End(TShellListingJob::TState::Failed);
        return;
    }
    auto start = std::make_unique<TListingStart>(TListingStart{std::move(job), std::move(copy), flags, mask});
    ++RunningListings;
    const auto thread = _beginthreadex(nullptr, 0, &ListingThread, start.get(), 0, nullptr);
    if (!thread) {
        --RunningListings;
        start->Job->End(TShellListingJob::TState::Failed);
        return;
    }
    static_cast<void>(start.release());  // the thread's now
    CloseHandle(reinterpret_cast<HANDLE>(thread));  // nobody waits for it
}

int RunningShellListings()
{
    return RunningListings.load();
}
