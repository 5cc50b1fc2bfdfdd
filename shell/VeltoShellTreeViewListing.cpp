// TCustomVeltoShellTreeView: the work it puts off while busy, and the folders the user opens,
// listed by a thread of their own while the window goes on and added on the window's thread in
// short steps.
#include "VeltoShellTreeView.h"
#include "VeltoShellListing.h"
#include "VeltoShellTreeViewScopes.h"

#include <algorithm>
#include <climits>

namespace {

using namespace velto_tree_detail;

using TClock = std::chrono::steady_clock;

const char PlaceholderText[] = "Loading...";

// Orders children by their rank; appValue is the map of each child's PIDL to its rank.
int CALLBACK CompareByRank(LPARAM node1, LPARAM node2, LPARAM ranks)
{
    const auto rank = [&map = *reinterpret_cast<const std::unordered_map<const void*, int>*>(ranks)](LPARAM node) {
        const auto found = map.find(reinterpret_cast<const TTreeNode*>(node)->Data());
        return found == map.end() ? INT_MAX : found->second;
    };
    return rank(node1) < rank(node2) ? -1 : rank(node1) > rank(node2) ? 1 : 0;
}

// The node's children, by native item: a deletion hook may delete any node, so each is looked up
// again before it is used.
std::vector<HTREEITEM> ChildItems(const TTreeNode* node)
{
    std::vector<HTREEITEM> items;
    for (TTreeNode* child = node->getFirstChild(); child; child = child->getNextSibling())
        items.push_back(child->ItemId());
    return items;
}

}  // namespace

// --- The work put off

TCustomVeltoShellTreeView::TBusyScope::TBusyScope(TCustomVeltoShellTreeView& tree) : FTree(tree), FWatch(tree.Watch())
{
    ++tree.FBusy;
}

TCustomVeltoShellTreeView::TBusyScope::~TBusyScope()
{
    if (FWatch.Alive() && --FTree.FBusy == 0)
        FTree.PostWork();
}

void TCustomVeltoShellTreeView::Request(unsigned work)
{
    FPending |= work;
    PostWork();
}

void TCustomVeltoShellTreeView::PostWork()
{
    // Posted, not run: the operation that ends here may be deep inside one that goes on.
    const unsigned ready = FListings.empty() ? FPending : FPending & ~wkShellRefresh;
    if (Busy() || FWorkPosted || !ready || !HandleAllocated())
        return;
    FWorkPosted = PostMessageA(FHandle, WorkMessage(), 0, 0) != FALSE;
}

void TCustomVeltoShellTreeView::RunWork()
{
    // Inside an operation of the tree (a handler that pumps messages, a drag) the nodes it stands
    // on must not change: the end of the busy state posts the work again.
    if (Busy())
        return;
    const TComponentWatch life = Watch();
    if (std::exchange(FPending, FPending & ~wkDrain) & wkDrain)
        DrainListings();
    if (!life.Alive())
        return;
    // The folder being listed may be the one that changed: a shell change waits till the listings
    // have shown what they found.
    if (FPending & wkRebuild)
        RebuildTree();
    else if ((FPending & wkRefresh) || ((FPending & wkShellRefresh) && FListings.empty()))
        RefreshTree();
}

void TCustomVeltoShellTreeView::RefreshForShell()
{
    if (Busy() || !FListings.empty())
        Request(wkShellRefresh);
    else
        RefreshTree();
}

// --- Background listing

bool TCustomVeltoShellTreeView::IsListing(const TTreeNode* node) const
{
    const TListingPtr listing = node ? ListingOf(node) : nullptr;
    return listing && !listing->Job->Cancelled();
}

TCustomVeltoShellTreeView::TListingPtr TCustomVeltoShellTreeView::ListingOf(const TTreeNode* node) const
{
    for (const TListingPtr& listing : FListings)
        if (listing->Node == node)
            return listing;
    return nullptr;
}

bool TCustomVeltoShellTreeView::StartListing(TTreeNode* node, bool expandAll)
{
    if (!HandleAllocated())
        return false;
    auto listing = std::make_shared<TListing>();
    listing->Node = node;
    listing->ExpandAll = expandAll;
    listing->Job = std::make_shared<TShellListingJob>(FHandle, WorkMessage());
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
    const TBusyScope draining(*this);
    const TComponentWatch life = Watch();
    const TDeadline deadline = TClock::now() + ListingTuning.DrainSlice;
    bool left = false;
    for (const TListingPtr& listing : std::vector<TListingPtr>(FListings)) {
        if (!life.Alive())
            return;
        if (std::find(FListings.begin(), FListings.end(), listing) != FListings.end())
            left = !DrainListing(listing, deadline) || left;
    }
    // What is left waits for the window's other messages, its paint included.
    if (left && HandleAllocated())
        SetTimer(FHandle, WorkTimerId, USER_TIMER_MINIMUM, nullptr);
}

bool TCustomVeltoShellTreeView::DrainListing(const TListingPtr& listing, TDeadline deadline)
{
    if (listing->Job->Cancelled()) {
        DiscardListing(listing);
        return true;
    }
    TShellListingJob::TState state = TShellListingJob::TState::Listing;
    TTreeNode* first = nullptr;
    bool left = false;
    {
        const TNodesUpdateScope update(*this);
        for (;;) {
            const std::vector<TListedItem> items = listing->Job->Take(ListingTuning.DrainStep, state);
            for (const TListedItem& item : items) {
                const int index = listing->Taken++;
                if (TTreeNode* added = AddListedChild(listing->Node, item.Child.get(), {item.Name, item.Attributes})) {
                    listing->Found[added->Data()] = index;
                    first = first ? first : added;
                }
            }
            if (items.empty() || state != TShellListingJob::TState::Listing || (left = TClock::now() >= deadline))
                break;
        }
    }
    // The placeholder has done its work once items came or the listing ended.
    const bool ended = state != TShellListingJob::TState::Listing;
    if ((first || ended) && !DropPlaceholder(listing, first))  // a handler changed the nodes
        return std::find(FListings.begin(), FListings.end(), listing) == FListings.end();
    if (listing->Job->Cancelled()) {  // a handler closed the folder meanwhile
        DiscardListing(listing);
        return true;
    }
    if (ended)
        FinishListing(listing, state == TShellListingJob::TState::Failed);
    return !left;
}

bool TCustomVeltoShellTreeView::CompleteListing(const TListingPtr& listing)
{
    listing->Job->WaitEnded();
    const TNodesWatch watch = WatchNodes();
    DrainListing(listing, TDeadline::max());
    // A failed listing leaves the node with its button and no child.
    const TTreeNode* node = listing->Node;
    return watch.Current() && node && (node->getFirstChild() || !node->HasChildren());
}

bool TCustomVeltoShellTreeView::DropPlaceholder(const TListingPtr& listing, TTreeNode* landing)
{
    TTreeNode* placeholder = std::exchange(listing->Placeholder, nullptr);
    if (!placeholder)
        return true;
    const TNodesWatch watch = WatchNodes();
    if (placeholder->Selected()) {
        SetSelected(landing ? landing : listing->Node);
        if (!watch.Current() || !listing->Node)
            return false;
    }
    DeleteQuietly(placeholder);
    return watch.Current() && listing->Node;
}

void TCustomVeltoShellTreeView::FinishListing(const TListingPtr& listing, bool failed)
{
    ForgetListing(listing);
    TTreeNode* node = listing->Node;
    if (failed) {
        // As a failed listing leaves it: no child, closed, the button kept for a later try.
        ForgetExpansion(node);
        return;
    }
    // Each item's index of finding becomes its place in the folder's own order.
    const std::vector<int> order = listing->Job->Order();
    for (auto& [item, index] : listing->Found)
        index = static_cast<std::size_t>(index) < order.size() ? order[static_cast<std::size_t>(index)] : INT_MAX;
    node->CustomSort(CompareByRank, reinterpret_cast<LPARAM>(&listing->Found));
    node->SetHasChildren(node->getFirstChild() != nullptr);
    const TNodesWatch watch = WatchNodes();
    Expand(node);
    if (!listing->ExpandAll || !watch.Current())
        return;
    // The keyboard's expand-all goes on into the sub-folders found, as the user's own expansions.
    for (const HTREEITEM item : ChildItems(node)) {
        TTreeNode* child = Items()->NodeFromItem(item);
        if (!watch.Alive())
            return;
        if (child && child->HasChildren() && !child->Expanded()) {
            const TFlagScope all(*this, FExpandingAll);
            Native().Expand(item, TVE_EXPAND);
        }
    }
}

void TCustomVeltoShellTreeView::DiscardListing(const TListingPtr& listing)
{
    ForgetListing(listing);
    TTreeNode* node = listing->Node;
    if (!node)
        return;
    const TComponentWatch life = Watch();
    for (const HTREEITEM item : ChildItems(node)) {
        if (!life.Alive() || !listing->Node)
            return;
        if (TTreeNode* child = Items()->NodeFromItem(item); child && child->Parent() == node)
            child->Delete();
    }
    if (life.Alive() && listing->Node)
        ForgetExpansion(node);
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

void TCustomVeltoShellTreeView::ForgetListing(const TListingPtr& listing)
{
    listing->Job->Cancel();
    const auto found = std::find(FListings.begin(), FListings.end(), listing);
    if (found == FListings.end())
        return;
    FListings.erase(found);
    PostWork();  // a shell refresh may wait for the last one
}

void TCustomVeltoShellTreeView::Collapse(TTreeNode* node)
{
    // Cancelled now; its nodes go at the drain, posted: a recursive collapse and the native control
    // go on with the nodes they stand on, and the button is set once the items are gone.
    if (IsListing(node)) {
        ListingOf(node)->Job->Cancel();
        Request(wkDrain);
    }
    TCustomTreeView::Collapse(node);
}
