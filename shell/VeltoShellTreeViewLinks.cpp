// TCustomVeltoShellTreeView and its companion views: the registered messages, the ListView and
// ComboBox links, and the start-up and shutdown of the tree-view unit.
#include "VeltoShellTreeView.h"

#include <ole2.h>

#include <utility>

UINT MsgIdSetTreeView = 0;
UINT MsgIdSetListView = 0;
UINT MsgIdSetComboBox = 0;
UINT MsgIdSetPath = 0;
UINT MsgIdSetRoot = 0;

namespace {

LPARAM ParamOf(const void* pointer)
{
    return reinterpret_cast<LPARAM>(pointer);
}

// Delivers the message to the companion: synchronously through its window procedure while the
// tree is designed (no window needed), otherwise posted to its window, made first if need be.
// Whether a post failed.
bool Tell(const TCustomVeltoShellTreeView& tree, TWinControl& companion, UINT message, LPARAM value)
{
    if (tree.IsDesigning()) {
        companion.Perform(message, 0, value);
        return true;
    }
    companion.HandleNeeded();
    return PostMessageA(companion.Handle(), message, 0, value) != FALSE;
}

// Tells the companion a folder: a copy of idList that the companion owns from delivery on. A post
// that fails frees the copy here. idList stays the caller's.
void TellIDList(const TCustomVeltoShellTreeView& tree, TWinControl& companion, UINT message, LPCITEMIDLIST idList)
{
    TPidl copy(CopyIDList(idList));
    if (tree.IsDesigning()) {
        // Handed over before the call, as a post hands it over: a receiver that took the copy
        // and then raised has freed it already.
        companion.Perform(message, 0, ParamOf(copy.release()));
        return;
    }
    if (Tell(tree, companion, message, ParamOf(copy.get())))
        static_cast<void>(copy.release());
}

LPCITEMIDLIST SelectedIDList(const TCustomVeltoShellTreeView& tree)
{
    const TTreeNode* node = tree.Selected();
    return node ? static_cast<LPCITEMIDLIST>(node->Data()) : nullptr;
}

// Moves the link from old to value, then tells value (folder message, then the tree) or, when the
// link ends, tells old the tree 0. The link is stored first, so that a companion that reacts to a
// synchronous message by setting the link again finds it set already; a first message that raises
// puts the old link back, so that a companion that cannot be told is not told every change after.
// A synchronous companion may destroy the tree: nothing of it is touched then.
template <typename TView>
void Relink(TCustomVeltoShellTreeView& tree, TView*& link, TView* value, UINT folderMessage)
{
    if (value == link)
        return;
    TView* old = std::exchange(link, value);
    if (value) {
        value->FreeNotification(&tree);
        const TNodesWatch watch = tree.WatchNodes();
        try {
            TellIDList(tree, *value, folderMessage, SelectedIDList(tree));
        } catch (...) {
            if (watch.Alive() && link == value)
                link = old;
            throw;
        }
        if (watch.Alive() && link == value)
            Tell(tree, *value, MsgIdSetTreeView, ParamOf(&tree));
    } else if (old) {
        Tell(tree, *old, MsgIdSetTreeView, 0);
    }
}

}  // namespace

void InitializeVeltoShellTreeView()
{
    MsgIdSetTreeView = RegisterWindowMessageA("MsgId_VeltoShellSetTreeView");
    MsgIdSetListView = RegisterWindowMessageA("MsgId_VeltoShellSetListView");
    MsgIdSetComboBox = RegisterWindowMessageA("MsgId_VeltoShellSetComboBox");
    MsgIdSetPath = RegisterWindowMessageA("MsgId_VeltoShellSetPath");
    MsgIdSetRoot = RegisterWindowMessageA("MsgId_VeltoShellSetRoot");
    OleInitialize(nullptr);
    RegisterClipboardFormatA("Shell IDList Array");
}

void FinalizeVeltoShellTreeView()
{
    OleUninitialize();
}

void FreeQueuedTreeMessages(HWND window)
{
    if (!window)
        return;
    for (const UINT message : {MsgIdSetRoot, MsgIdSetPath}) {
        MSG queued;
        while (message && PeekMessageA(&queued, window, message, message, PM_REMOVE | PM_NOYIELD))
            FreeIDList(reinterpret_cast<LPITEMIDLIST>(queued.lParam));
    }
}

void TCustomVeltoShellTreeView::SetListView(TCustomListView* value)
{
    Relink(*this, FListView, value, MsgIdSetRoot);
}

void TCustomVeltoShellTreeView::SetComboBox(TCustomComboBox* value)
{
    Relink(*this, FComboBox, value, MsgIdSetPath);
}

void TCustomVeltoShellTreeView::TellCompanions(TTreeNode* node)
{
    if (!FListView && !FComboBox)
        return;
    // Told from a copy: a companion told synchronously may delete the node, or the tree.
    const TPidl folder(node ? CopyIDList(static_cast<LPCITEMIDLIST>(node->Data())) : nullptr);
    const TNodesWatch watch = WatchNodes();
    if (FListView)
        TellIDList(*this, *FListView, MsgIdSetRoot, folder.get());
    if (watch.Alive() && FComboBox)
        TellIDList(*this, *FComboBox, MsgIdSetPath, folder.get());
}

bool TCustomVeltoShellTreeView::HandleLinkMessage(TMessage& message)
{
    // Before the unit starts the identifiers are 0, which must not swallow WM_NULL.
    if (message.Msg == 0)
        return false;
    if (message.Msg == MsgIdSetPath) {
        if (message.LParam)
            SelectIDList(reinterpret_cast<LPCITEMIDLIST>(message.LParam));
        message.Result = 0;
        return true;
    }
    if (message.Msg == MsgIdSetListView) {
        // A number from any window: taken only when it is a list view that is alive, and watched
        // like a link set through the property, so that its destruction clears the link.
        const auto* address = reinterpret_cast<const void*>(message.LParam);
        if (!address || IsLiveListView(address)) {
            auto* view = reinterpret_cast<TCustomListView*>(message.LParam);
            if (view)
                view->FreeNotification(this);
            FListView = view;
        }
        message.Result = 0;
        return true;
    }
    return false;
}
