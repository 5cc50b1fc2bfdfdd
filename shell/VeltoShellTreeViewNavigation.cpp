// TCustomVeltoShellTreeView: driving the tree to an item given as a path or a PIDL, and rebuilding it
// after a shell change while keeping the expanded folders and the selection.
#include "VeltoShellTreeView.h"
#include "VeltoShellTreeViewScopes.h"

#include "../framework/Forms.h"

#include <algorithm>

namespace {

using namespace velto_tree_detail;

bool Listed(const std::vector<TPidl>& idLists, LPCITEMIDLIST idList)
{
    return std::any_of(idLists.begin(), idLists.end(),
                       [idList](const TPidl& entry) { return SameIDLists(entry.get(), idList); });
}

}  // namespace

std::vector<TPidl> TCustomVeltoShellTreeView::SplitIDList(LPCITEMIDLIST idList)
{
    std::vector<TPidl> steps;
    TPidl copy(CopyIDList(idList));
    if (!copy)
        return steps;
    // Longest first while the copy is cut down item by item, then turned round.
    while (copy.get()->mkid.cb != 0) {
        steps.emplace_back(CopyIDList(copy.get()));
        StripLastItemID(copy.get());
    }
    std::reverse(steps.begin(), steps.end());
    return steps;
}

TTreeNode* TCustomVeltoShellTreeView::FindChildNode(LPCITEMIDLIST idList, TTreeNode* node) const
{
    for (TTreeNode* child = node->getFirstChild(); child; child = child->getNextSibling())
        if (SameIDLists(idList, NodePidl(child)))
            return child;
    return nullptr;
}

TTreeNode* TCustomVeltoShellTreeView::FindNode(LPCITEMIDLIST idList)
{
    TTreeNode* node = Items()->GetFirstNode();
    // Nil names no item: there is no way to walk, and no node stands for it.
    if (!node || !idList)
        return nullptr;
    if (SameIDLists(idList, NodePidl(node)))
        return node;
    const std::vector<TPidl> steps = SplitIDList(idList);
    const TBusyScope walking(*this);
    const TNodesWatch watch = WatchNodes();
    // The walk starts at the root's depth: an item outside the root ends it there.
    for (std::size_t i = GetIDListItemCount(NodePidl(node)); i < steps.size(); ++i) {
        node->Expand(false);
        if (!watch.Current())  // a handler deleted the nodes on the way: the walk finds nothing
            return nullptr;
        TTreeNode* child = FindChildNode(steps[i].get(), node);
        if (!child)
            break;
        node = child;
    }
    return node;
}

void TCustomVeltoShellTreeView::SelectIDList(LPCITEMIDLIST idList)
{
    // No system message box for a drive without medium on the way: its listing fails instead.
    TErrorModeScope quiet(SEM_FAILCRITICALERRORS);
    // A nil PIDL (text the shell could not parse) or a tree without nodes leaves the selection as it
    // is: clearing it would report a change to nothing for a request that named nothing.
    TTreeNode* node = FindNode(idList);
    if (!node)
        return;
    // OnChanging runs inside the selection.
    const TNodesWatch watch = WatchNodes();
    SetSelected(node);
    if (watch.Current())
        node->MakeVisible();
}

void TCustomVeltoShellTreeView::SelectPath(const std::string& path)
{
    const TPidl idList(PathToIDList(AnsiToWide(path)));
    SelectIDList(idList.get());
}

void TCustomVeltoShellTreeView::RefreshTree()
{
    // A refresh asked for while the tree expands, refreshes or rebuilds would delete the nodes
    // that operation stands on; dropping it would lose the change it reports. It waits, once.
    if (Busy()) {
        Request(wkRefresh);
        return;
    }
    // Every refresh waiting, a shell change's included, is this one.
    ServeWaiting();
    // Released in reverse: the lists, the update, the busy state, the cursor.
    const TScreenCursorScope hourglass(crHourGlass);
    const TBusyScope refreshing(*this);
    const TNodesUpdateScope update(*this);

    if (Items()->Count() == 0) {
        // An empty tree has nothing to keep: Root named nothing when it was filled (a folder that
        // did not exist yet, which a change may just have made). It gets the fill a new window
        // gets, root expanded and selected, as its user would see on opening it now. Without a
        // window there is nothing to do: making the window fills the tree.
        if (HandleAllocated())
            FillRoot();
        return;
    }

    // Every expanded node, those under collapsed parents included: matched by PIDL afterwards. A
    // node still listed in the background is left closed: opening it again here would wait for
    // its folder on the window's thread.
    std::vector<TPidl> expanded;
    for (int index = 0; index < Items()->Count(); ++index) {
        const TTreeNode* node = Items()->Item(index);
        if (node->Expanded() && !IsListing(node))
            expanded.emplace_back(CopyIDList(NodePidl(node)));
    }
    const TTreeNode* selected = Selected();
    const TPidl keep(CopyIDList(NodePidl(selected ? selected : Items()->Item(0))));

    // OnDeletion runs for every node cleared.
    const TNodesWatch alive = WatchNodes();
    Items()->Clear();
    if (!alive.Alive())
        return;
    TPidl root(GetRootIDList());
    // Root names nothing any more (its folder is gone): the tree stays empty, as a fill leaves it.
    if (!root)
        return;
    TTreeNode* node = Items()->AddChild(nullptr, std::string(), root.get());
    static_cast<void>(root.release());  // the node owns it now
    const TNodesWatch watch = WatchNodes();
    FillNodeInfo(node);
    if (ReexpandNode(node, expanded, watch))
        SelectIDList(keep.get());
}

bool TCustomVeltoShellTreeView::ReexpandNode(TTreeNode* node, const std::vector<TPidl>& expanded,
                                             const TNodesWatch& watch)
{
    if (!Listed(expanded, NodePidl(node)))
        return true;
    node->Expand(false);
    if (!watch.Current())  // a handler deleted the new nodes: the refresh ends here
        return false;
    for (TTreeNode* child = node->getFirstChild(); child; child = child->getNextSibling())
        if (!ReexpandNode(child, expanded, watch))
            return false;
    return true;
}

void TCustomVeltoShellTreeView::ConnectNotifier()
{
    // Any reported change rebuilds the whole tree: the item names are not looked at.
    FNotifier->OnDriveAdd = FNotifier->OnDriveAddGUI = FNotifier->OnDriveRemoved = FNotifier->OnMediaInserted =
        FNotifier->OnMediaRemoved = FNotifier->OnMkDir = FNotifier->OnRmDir = FNotifier->OnUpdateDir =
            [this](TObject*, const std::string&) { RefreshForShell(); };
    FNotifier->OnRenameFolder = [this](TObject*, const std::string&, const std::string&) { RefreshForShell(); };
}
