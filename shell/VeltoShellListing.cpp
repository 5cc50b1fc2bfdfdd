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

std::atomic<int> RunningListings{0};

// The job's lock for the length of a scope.
[[nodiscard]] auto Locked(SRWLOCK& lock)
{
    AcquireSRWLockExclusive(&lock);
    return ScopeExit([&lock] { ReleaseSRWLockExclusive(&lock); });
}

// A copy from the task allocator, which is the shell's: made without ShellMalloc, which belongs
// to the window's thread.
TPidl TaskCopyIDList(LPCITEMIDLIST idList)
{
    const UINT size = GetIDListSize(idList);
    TPidl copy(static_cast<LPITEMIDLIST>(size ? CoTaskMemAlloc(size) : nullptr));
    if (copy)
        std::memcpy(copy.get(), idList, size);
    return copy;
}

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

void CALLBACK FlushJob(void* job, BOOLEAN)
{
    static_cast<TShellListingJob*>(job)->Flush();
}

// The position of each item in the folder's own order: a stable sort by the folder's CompareIDs,
// whose low 16 bits, sign-extended, say which comes first, as the tree's own sort reads them.
std::vector<int> FolderOrder(IShellFolder* folder, const std::vector<TPidl>& items)
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

void ListFolder(TShellListingJob& job, LPCITEMIDLIST idList, SHCONTF flags, SFGAOF mask, const TListingTuning& tuning)
{
    // The thread's own single-threaded apartment, for the length of the listing.
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const auto leave = ScopeExit([apartment] {
        if (SUCCEEDED(apartment))
            CoUninitialize();
    });
    // No system message box for a drive without medium: the listing fails instead.
    SetThreadErrorMode(SEM_FAILCRITICALERRORS, nullptr);
    // The items as the enumerator gave them, for the sort at the end; the job gets copies.
    std::vector<TPidl> found;
    const TComPtr<IShellFolder> folder = BindListedFolder(idList);
    TComPtr<IEnumIDList> enumerator;
    if (!folder || folder->EnumObjects(nullptr, flags, enumerator.put()) != S_OK || !enumerator) {
        job.End(TShellListingJob::TState::Failed);
        return;
    }
    // Found items go over every BatchWait, also while the folder is slow to give its next one. The
    // timer goes (its last call run) before the job may.
    HANDLE timer = nullptr;
    const auto period = static_cast<DWORD>(std::max<long long>(1, tuning.BatchWait.count()));
    CreateTimerQueueTimer(&timer, nullptr, &FlushJob, &job, period, period, WT_EXECUTEDEFAULT);
    const auto stop = ScopeExit([timer] { DeleteTimerQueueTimer(nullptr, timer, INVALID_HANDLE_VALUE); });
    for (;;) {
        TPidl child;
        ULONG fetched = 0;
        if (job.Cancelled())
            return;
        if (enumerator->Next(1, child.put(), &fetched) != S_OK || !child)
            break;
        TShellChildInfo info = GetChildInfo(folder.get(), child.get(), mask);
        if (!job.Add({TaskCopyIDList(child.get()), std::move(info.Name), info.Attributes}, tuning.BatchItems))
            return;
        found.push_back(std::move(child));
    }
    job.End(TShellListingJob::TState::Done, FolderOrder(folder.get(), found));
}

// What a listing thread is given; it frees it.
struct TListingStart {
    std::shared_ptr<TShellListingJob> Job;
    TPidl Folder;
    SHCONTF Flags;
    SFGAOF Mask;
    TListingTuning Tuning;
};

unsigned __stdcall ListingThread(void* parameter)
{
    std::unique_ptr<TListingStart> start(static_cast<TListingStart*>(parameter));
    try {
        ListFolder(*start->Job, start->Folder.get(), start->Flags, start->Mask, start->Tuning);
    } catch (...) {
        // Nothing leaves the thread: what was found is dropped, the listing failed.
        start->Job->End(TShellListingJob::TState::Failed);
    }
    start.reset();
    --RunningListings;
    return 0;
}

}  // namespace

void TShellListingJob::Cancel()
{
    const auto lock = Locked(FLock);
    FCancelled = true;
    WakeAllConditionVariable(&FEnded);
}

bool TShellListingJob::Cancelled() const
{
    const auto lock = Locked(FLock);
    return FCancelled;
}

std::vector<TListedItem> TShellListingJob::Take(std::size_t max, TState& state)
{
    const auto lock = Locked(FLock);
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
    const auto lock = Locked(FLock);
    return FOrder;
}

void TShellListingJob::WaitEnded() const
{
    const auto lock = Locked(FLock);
    while (!FCancelled && FState == TState::Listing)
        SleepConditionVariableSRW(&FEnded, &FLock, INFINITE, 0);
}

bool TShellListingJob::Add(TListedItem item, std::size_t batchItems)
{
    const auto lock = Locked(FLock);
    if (FCancelled)
        return false;
    FItems.push_back(std::move(item));
    if (FItems.size() >= batchItems)
        Wake();
    return true;
}

void TShellListingJob::Flush()
{
    const auto lock = Locked(FLock);
    if (!FItems.empty() && !FCancelled)
        Wake();
}

void TShellListingJob::End(TState state, std::vector<int> order)
{
    const auto lock = Locked(FLock);
    FState = state;
    FOrder = std::move(order);
    WakeAllConditionVariable(&FEnded);
    if (!FCancelled)
        Wake();  // the end, with items or without
}

void TShellListingJob::Wake()
{
    // A window that is gone refuses the post: the job then waits for nobody, harmlessly.
    if (!FPosted && FWindow)
        FPosted = PostMessageW(FWindow, FMessage, 0, 0) != FALSE;
}

void StartShellListing(std::shared_ptr<TShellListingJob> job, LPCITEMIDLIST folder, SHCONTF flags, SFGAOF mask)
{
    TPidl copy = TaskCopyIDList(folder);
    if (!copy) {
        job->End(TShellListingJob::TState::Failed);
        return;
    }
    auto start = std::make_unique<TListingStart>(TListingStart{std::move(job), std::move(copy), flags, mask, ListingTuning});
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
