// TCustomVeltoShellTreeView: folders the user opens, listed by a thread of their own while the
// window goes on, and the found items added on the window's thread in short steps.
#include "VeltoShellTreeView.h"
#include "VeltoShellListing.h"
#include "VeltoShellTreeViewScopes.h"

#include <algorithm>
#include <chrono>
#include <climits>

namespace {

using namespace velto_tree_detail;

using TClock = std::chrono::steady_clock;

// The window's thread adds found items for at most this long at a time, then serves its messages.
constexpr auto DrainSlice = std::chrono::milliseconds(25);
// Items taken from the job at a time, between two looks at the clock.
constexpr std::size_t DrainStep = 16;

const char PlaceholderText[] = "Loading...";

// Orders children by their rank; appValue is the map of each child node to its rank.
int CALLBACK CompareByRank(LPARAM node1, LPARAM node2, LPARAM ranks)
{
    const auto& rank = *reinterpret_cast<const std::unordered_map<LPARAM, int>*>(ranks);
    const auto first = rank.find(node1), second = rank.find(node2);
    const int a = first == rank.end() ? INT_MAX : first->second;
    const int b = second == rank.end() ? INT_MAX : second->second;
    return a < b ? -1 : a > b ? 1 : 0;
}

}  // namespace

bool TCustomVeltoShellTreeView::IsListing(const TTreeNode* node) const
{
    return node && ListingOf(node) != nullptr;
}

TCustomVeltoShellTreeView::TListingPtr TCustomVeltoShellTreeView::ListingOf(const TTreeNode* node) const
{
    for (const TListingPtr& listing : FListings)
        if (listing->Node == node)
            return listing;
    return nullptr;
}

bool TCustomVeltoShellTreeView::StartListing(TTreeNode* node)
{
    if (!HandleAllocated())
        return false;
    auto listing = std::make_shared<TListing>();
    listing->Node = node;
    listing->Job = std::make_shared<TShellListingJob>(FHandle, ListingReadyMessage());
    // Without an image: the placeholder names no item.
    listing->Placeholder = Items()->AddChild(node, PlaceholderText, nullptr);
    listing->Placeholder->SetImageIndex(-1);
    listing->Placeholder->SetSelectedIndex(-1);
    FListings.push_back(listing);
    StartShellListing(listing->Job, NodePidl(node), ObjectTypesToEnumFlags(FObjectTypes), ListingMask);
    return true;
}

void TCustomVeltoShellTreeView::DrainListings()
{
    // Inside an operation of the tree (a handler that pumps messages, a drag) the nodes it stands
    // on must not change: the end of the busy state asks for the drain again.
    if (Busy()) {
        FDrainWaiting = true;
        return;
    }
    const TBusyScope draining(*this);
    const TComponentWatch life = Watch();
    const auto deadline = TClock::now() + DrainSlice;
    for (const TListingPtr& listing : std::vector<TListingPtr>(FListings)) {
        if (!life.Alive())
            return;
        if (!ListingOf(listing->Node))
            continue;
        // What is left after the slice waits for the window's other messages, its paint included.
        if (TClock::now() >= deadline || DrainListing(listing, false))
            FDrainWaiting = true;
    }
}

bool TCustomVeltoShellTreeView::DrainListing(const TListingPtr& listing, bool untilEnded)
{
    const auto deadline = TClock::now() + DrainSlice;
    const TComponentWatch life = Watch();
    if (untilEnded)
        listing->Job->WaitEnded();
    TShellListingJob::TState state = TShellListingJob::TState::Listing;
    bool left = false;
    {
        const TNodesUpdateScope update(*this);
        for (;;) {
            const std::vector<TListedItem> items = listing->Job->Take(DrainStep, state);
            for (const TListedItem& item : items) {
                const int index = listing->Taken++;
                TTreeNode* placeholder = std::exchange(listing->Placeholder, nullptr);
                TTreeNode* added =
                    AddListedChild(listing->Node, item.Child.get(), {item.Name, item.Attributes}, placeholder);
                if (added)
                    listing->Found[added->Data()] = index;
                else
                    listing->Placeholder = placeholder;
            }
            if (items.empty() || state != TShellListingJob::TState::Listing)
                break;
            if (!untilEnded && TClock::now() >= deadline) {
                left = true;
                break;
            }
        }
    }
    if (state == TShellListingJob::TState::Listing || !life.Alive() || !listing->Node)
        return left;
    FinishListing(listing, state == TShellListingJob::TState::Failed);
    return false;
}

void TCustomVeltoShellTreeView::FinishListing(const TListingPtr& listing, bool failed)
{
    const TComponentWatch life = Watch();
    if (failed) {
        // As a failed listing leaves it: no child, closed, the button kept for a later try.
        DiscardListing(listing);
        TTreeNode* node = listing->Node;
        if (!life.Alive() || !node)
            return;
        ForgetExpansion(node);
        return;
    }
    // Deleted while the listing still runs, so that the deletion hook tells whether its handler
    // took the node too.
    if (TTreeNode* placeholder = listing->Placeholder) {
        placeholder->Delete();  // nothing to show: the folder turned out empty
        if (!life.Alive() || !listing->Node)
            return;
    }
    ForgetListing(listing);
    TTreeNode* node = listing->Node;
    const std::vector<int> order = listing->Job->Order();
    std::unordered_map<LPARAM, int> ranks;
    for (TTreeNode* child = node->getFirstChild(); child; child = child->getNextSibling()) {
        const auto found = listing->Found.find(child->Data());
        if (found != listing->Found.end() && static_cast<std::size_t>(found->second) < order.size())
            ranks[reinterpret_cast<LPARAM>(child)] = order[static_cast<std::size_t>(found->second)];
    }
    node->CustomSort(CompareByRank, reinterpret_cast<LPARAM>(&ranks));
    node->SetHasChildren(node->getFirstChild() != nullptr);
    Expand(node);
}

void TCustomVeltoShellTreeView::CompleteListing(const TListingPtr& listing)
{
    DrainListing(listing, true);
}

void TCustomVeltoShellTreeView::DiscardListing(const TListingPtr& listing)
{
    listing->Job->Cancel();
    const TComponentWatch life = Watch();
    // Children first, the node's own last: the deletion hook keeps Node current meanwhile.
    while (life.Alive() && listing->Node) {
        TTreeNode* child = listing->Node->getFirstChild();
        if (!child)
            break;
        child->Delete();
    }
    if (life.Alive())
        ForgetListing(listing);
}

void TCustomVeltoShellTreeView::ForgetExpansion(TTreeNode* node)
{
    // Closed and never opened, to the control too: it asks again at the next expansion, from code
    // as well, and the button stays for it.
    TVITEMA item{};
    item.mask = TVIF_STATE;
    item.hItem = node->ItemId();
    item.stateMask = TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    Native().SetItem(item);
    node->SetHasChildren(true);
}

void TCustomVeltoShellTreeView::CancelListings()
{
    for (const TListingPtr& listing : FListings)
        listing->Job->Cancel();
    FListings.clear();
    FShellRefreshWaiting = false;
}

void TCustomVeltoShellTreeView::ForgetListing(const TListingPtr& listing)
{
    listing->Job->Cancel();
    const auto found = std::find(FListings.begin(), FListings.end(), listing);
    if (found == FListings.end())
        return;
    FListings.erase(found);
    if (FListings.empty() && std::exchange(FShellRefreshWaiting, false)) {
        FRefreshWaiting = true;
        PostWaitingRequest();
    }
}

void TCustomVeltoShellTreeView::RefreshForShell()
{
    // The folder being listed may be the one that changed: the change is served once the listing
    // has shown what it found.
    if (!FListings.empty()) {
        FShellRefreshWaiting = true;
        return;
    }
    RefreshTree();
}

void TCustomVeltoShellTreeView::ScheduleDrain()
{
    // A timer, not a posted message: input and paint come before it, so a long drain never holds
    // them up for more than one slice.
    if (std::exchange(FDrainWaiting, false) && HandleAllocated())
        SetTimer(FHandle, ListingTimerId, USER_TIMER_MINIMUM, nullptr);
}

void TCustomVeltoShellTreeView::Collapse(TTreeNode* node)
{
    if (const TListingPtr listing = ListingOf(node)) {
        const TComponentWatch life = Watch();
        DiscardListing(listing);
        if (!life.Alive() || !listing->Node)
            return;
        ForgetExpansion(node);
    }
    TCustomTreeView::Collapse(node);
}
