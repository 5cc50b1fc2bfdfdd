// Listing a shell folder on a thread of its own: the job the listing thread and the window's thread
// share, and the thread that fills it.
#pragma once

#include "VeltoShellFunctions.h"
#include "VeltoShellPidl.h"

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// How a background listing paces itself. Found items go to the window when BatchItems wait, and
// every BatchWait while any wait, so that a slow folder shows what it has and a fast one does not
// wake the window per item. The window adds them DrainStep at a time, for at most DrainSlice per
// pass, then serves its other messages. A listing reads them when it starts.
struct TListingTuning {
    std::size_t BatchItems = 64;
    std::chrono::milliseconds BatchWait{20};
    std::chrono::milliseconds DrainSlice{25};
    std::size_t DrainStep = 16;
};
inline TListingTuning ListingTuning;

// Gives the listing thread its desktop folder: a new reference in *desktop, made and used on that
// thread only. The listing's default is SHGetDesktopFolder.
using TListingDesktopFactory = HRESULT (*)(IShellFolder** desktop);
// The factory the next listing threads use; nullptr for SHGetDesktopFolder.
extern std::atomic<TListingDesktopFactory> ListingDesktopFactory;

// One item a listing found: its PIDL relative to the folder (the job owns it; either thread may
// free it), its in-folder display name and the attributes of the listing's mask, as GetChildInfo
// gives them.
struct TListedItem {
    TPidl Child;
    std::string Name;
    SFGAOF Attributes = 0;
};

// What the window's thread and the listing thread share, reference counted: each side holds it as
// long as it needs it, and whichever lets go last frees what is left. Every member is read and
// written under the lock.
class TShellListingJob {
public:
    enum class TState { Listing, Done, Failed };

    // The window that gets Message (wParam 0, lParam 0) whenever items wait or the listing ended.
    TShellListingJob(HWND window, UINT message) : FWindow(window), FMessage(message) {}

    // Window's thread: the listing's results are no longer wanted. The thread stops at its next
    // item and posts nothing more; what it found is dropped with the job.
    void Cancel();
    bool Cancelled() const;
    // Window's thread: takes the items found since the last call, at most max of them, and whether
    // the listing has ended (Done or Failed) with nothing more to take. Clears the posted mark, so
    // that the next batch wakes the window again.
    std::vector<TListedItem> Take(std::size_t max, TState& state);
    // Window's thread: for a Done listing, the position of item k (in the order of finding) in the
    // folder's own order; empty while listing.
    std::vector<int> Order() const;
    // Window's thread: waits until the listing has ended or was cancelled.
    void WaitEnded() const;

    // Listing thread: hands over a found item, and wakes the window (once until it takes them) when
    // batchItems wait; false once the job is cancelled.
    bool Add(TListedItem item, std::size_t batchItems);
    // Any thread: wakes the window when found items wait.
    void Flush();
    // Listing thread: the listing ended: Done with the items' order, or Failed.
    void End(TState state, std::vector<int> order = {});

private:
    void Wake();  // under the lock

    // The system's own slim lock and condition: the standard library's would bring its thread
    // support into every program that links the tree, the setup's included.
    mutable SRWLOCK FLock = SRWLOCK_INIT;
    mutable CONDITION_VARIABLE FEnded = CONDITION_VARIABLE_INIT;
    const HWND FWindow;
    const UINT FMessage;
    std::deque<TListedItem> FItems;  // found and not taken yet
    std::vector<int> FOrder;
    TState FState = TState::Listing;
    bool FCancelled = false;
    bool FPosted = false;
};

// Starts a thread that lists the folder of the absolute PIDL with the enumeration flags and reads
// each item's name and the attributes of mask, into job. The thread has its own single-threaded
// apartment and its own desktop folder; it copies folder before this returns, so folder stays the
// caller's. It ends by itself, also when the job is cancelled, and holds nothing of the caller's
// thread: whoever started it never waits for it.
void StartShellListing(std::shared_ptr<TShellListingJob> job, LPCITEMIDLIST folder, SHCONTF flags, SFGAOF mask);
// How many listing threads of this process have not ended yet.
int RunningShellListings();
