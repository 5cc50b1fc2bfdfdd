// TVeltoShellTreeView's OLE drag and drop: dragging a node's item out, and handing drops on a node
// to the shell's drop target for its item, with drop highlight, edge scrolling and hover expansion.
#include "VeltoShellTreeView.h"

#include "../framework/Forms.h"
#include "../framework/Scope.h"
#include "DropSource.h"
#include "VeltoShellPidl.h"

#include <ole2.h>

#include <exception>
#include <utility>

namespace {

// How long the pointer must rest on a collapsed node before it opens, and how often the tree
// scrolls while the pointer is near an edge.
constexpr DWORD HoverExpandDelay = 1000;
constexpr DWORD DragScrollInterval = 100;
// The scrolling zones along the edges of the client area.
constexpr LONG HorizontalScrollMargin = 26;
constexpr LONG VerticalScrollMargin = 20;

// TVN_BEGINDRAGA/W and TVN_BEGINRDRAGA/W: the native control's begin-drag notifications.
static_assert(static_cast<int>(TVN_BEGINDRAGA) == -407 && static_cast<int>(TVN_BEGINRDRAGA) == -408);
static_assert(static_cast<int>(TVN_BEGINDRAGW) == -456 && static_cast<int>(TVN_BEGINRDRAGW) == -457);

LPCITEMIDLIST NodePidl(const TTreeNode* node)
{
    return static_cast<LPCITEMIDLIST>(node->Data());
}

// The owner window for any user interface the shell shows.
HWND ShellOwnerWindow()
{
    return Application ? Application->Handle() : nullptr;
}

// DROPEFFECT_COPY, _MOVE and _LINK for SFGAO_CANCOPY, _CANMOVE and _CANLINK.
DWORD AllowedEffects(SFGAOF attributes)
{
    DWORD effects = DROPEFFECT_NONE;
    if (HasFlags(SFGAO_CANCOPY, attributes))
        effects |= DROPEFFECT_COPY;
    if (HasFlags(SFGAO_CANMOVE, attributes))
        effects |= DROPEFFECT_MOVE;
    if (HasFlags(SFGAO_CANLINK, attributes))
        effects |= DROPEFFECT_LINK;
    return effects;
}

// Whether more than interval milliseconds have passed since start. The difference of two tick
// counts stays right when the 32-bit counter wraps (every 49.7 days); start + interval would not.
bool TicksPassed(DWORD start, DWORD interval)
{
    return GetTickCount() - start > interval;
}

// Runs the steps of one drop-target method: a step that finds no target or fails returns false;
// that, or any exception, answers DROPEFFECT_NONE. Nothing leaves the method but S_OK.
template <typename Steps>
HRESULT GuardedDropStep(DWORD* effect, Steps&& steps) noexcept
{
    bool answered = false;
    try {
        answered = steps();
    } catch (...) {
    }
    if (!answered && effect)
        *effect = DROPEFFECT_NONE;
    return S_OK;
}

}  // namespace

// --- Window life and properties

TVeltoShellTreeView::~TVeltoShellTreeView()
{
    // First of all: OLE may call the drop target it holds while the tree goes, and after.
    FDropTarget->Unlink();
    EndWatches();
    // The base destructors would destroy the window without this class's DestroyWnd, and leave
    // the window registered.
    DestroyHandle();
}

void TVeltoShellTreeView::SetDropEnabled(bool value)
{
    if (!ChangeField(FDropEnabled, value))
        return;
    if (value) {
        if (FDropRegistered)
            return;
        // Obtaining the handle may make the window, whose creation registers it already: a second
        // RegisterDragDrop would fail and leave a registered window marked as unregistered.
        const TNodesWatch watch = WatchNodes();
        HWND window = Handle();
        if (watch.Alive() && !FDropRegistered)
            FDropRegistered = RegisterDragDrop(window, FDropTarget.get()) == S_OK;
    } else {
        RevokeDrop();
    }
}

void TVeltoShellTreeView::CreateWnd()
{
    // The inherited creation fills the tree, which runs its handlers.
    const TNodesWatch watch = WatchNodes();
    TCustomVeltoShellTreeView::CreateWnd();
    if (watch.Alive() && FDropEnabled)
        RegisterDrop();
}

void TVeltoShellTreeView::DestroyWnd()
{
    RevokeDrop();
    TCustomVeltoShellTreeView::DestroyWnd();
}

void TVeltoShellTreeView::RegisterDrop()
{
    if (HandleAllocated() && !FDropRegistered)
        FDropRegistered = RegisterDragDrop(FHandle, FDropTarget.get()) == S_OK;
}

void TVeltoShellTreeView::RevokeDrop()
{
    if (!FDropRegistered)
        return;
    if (HandleAllocated())
        RevokeDragDrop(FHandle);
    FDropRegistered = false;
}

void TVeltoShellTreeView::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case CN_NOTIFY: {
        if (!FDragEnabled)
            break;
        // The A and W records share their layout up to the items' handles.
        const auto* tree = reinterpret_cast<const NMTREEVIEWA*>(message.LParam);
        const UINT code = tree->hdr.code;
        if (code != TVN_BEGINDRAGA && code != TVN_BEGINRDRAGA && code != TVN_BEGINDRAGW && code != TVN_BEGINRDRAGW)
            break;
        if (TTreeNode* node = Items()->NodeFromItem(tree->itemNew.hItem))
            StartShellDrag(node, code == TVN_BEGINRDRAGA || code == TVN_BEGINRDRAGW);
        message.Result = 0;
        return;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
        // The native control tracks the button and sends its begin-drag notification inside this
        // message; some versions highlight the dragged item once the notification returns, which
        // would outlast the drag.
        const bool dragged = std::exchange(FShellDragRan, false);
        // The drag's modal loop runs timers and messages: the tree may be gone afterwards.
        const TNodesWatch watch = WatchNodes();
        TCustomVeltoShellTreeView::WndProc(message);
        if (watch.Alive() && std::exchange(FShellDragRan, dragged))
            SetDropTarget(nullptr);
        return;
    }
    case WM_DESTROY:
        // The window can go without DestroyWnd (its parent's went first): revoke while it exists.
        RevokeDrop();
        break;
    }
    TCustomVeltoShellTreeView::WndProc(message);
}

// --- Dragging out

void TVeltoShellTreeView::StartShellDrag(TTreeNode* node, bool rightButton)
{
    // Also when no drag comes of it: the native control highlights the item it reported once the
    // notification returns, and the button message that carried it takes that highlight away.
    FShellDragRan = true;
    if (!node || !NodePidl(node))
        return;
    // Relative points into the node's own list; it is used only before the modal loop, in which
    // the node may go.
    LPCITEMIDLIST relative = GetLastItemID(NodePidl(node));
    TComPtr<IShellFolder> folder;
    GetParentFolder(NodePidl(node), folder.put());
    if (!folder)
        return;
    TComPtr<IDataObject> dataObject;
    const HRESULT offered =
        folder->GetUIObjectOf(ShellOwnerWindow(), 1, &relative, IID_IDataObject, nullptr, dataObject.put_void());
    if (FAILED(offered) || !dataObject)
        return;
    TComPtr<TDropSource> source = MakeInterfaced<TDropSource>(rightButton);
    SFGAOF attributes = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
    folder->GetAttributesOf(1, &relative, &attributes);
    const DWORD allowed = AllowedEffects(attributes);

    SetDropTarget(node);
    // A refresh or rebuild that the drop's changes ask for would delete the dragged node under the
    // native control's begin-drag notification: it waits for the drag to end.
    const TBusyScope dragging(*this);
    // The modal loop runs timers and messages: a tree destroyed meanwhile is not touched after it.
    const auto highlight = ScopeExit([this, watch = WatchNodes()] {
        if (watch.Alive())
            SetDropTarget(nullptr);
    });
    // Modal until the drop or the cancel. The tree deletes and refreshes nothing afterwards: a
    // moved item reaches the tree only through the change notifier.
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(dataObject.get(), source.get(), allowed, &effect);
}

// --- The drop target OLE holds

HRESULT TShellTreeDropTarget::DragEnter(IDataObject* dataObject, DWORD keyState, POINTL point, DWORD* effect)
{
    if (FTree)
        return FTree->DragEnter(dataObject, keyState, point, effect);
    if (effect)
        *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT TShellTreeDropTarget::DragOver(DWORD keyState, POINTL point, DWORD* effect)
{
    if (FTree)
        return FTree->DragOver(keyState, point, effect);
    if (effect)
        *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT TShellTreeDropTarget::DragLeave()
{
    return FTree ? FTree->DragLeave() : S_OK;
}

HRESULT TShellTreeDropTarget::Drop(IDataObject* dataObject, DWORD keyState, POINTL point, DWORD* effect)
{
    if (FTree)
        return FTree->Drop(dataObject, keyState, point, effect);
    if (effect)
        *effect = DROPEFFECT_NONE;
    return S_OK;
}

// --- Dropping in

TTreeNode* TVeltoShellTreeView::FindDropNode(POINT screenPoint)
{
    if (!HandleAllocated())
        return nullptr;
    POINT client = screenPoint;
    ScreenToClient(FHandle, &client);
    TTreeNode* node = GetNodeAt(client.x, client.y);
    if (node != DropTarget()) {
        SetDropTarget(node);
        const bool expandable = node && !node->Expanded() && node->HasChildren();
        // 0 means "no expansion pending": a start at tick 0 is taken as tick 1.
        const DWORD now = GetTickCount();
        FHoverStartTick = expandable ? (now ? now : 1) : 0;
        return node;
    }
    if (node && FHoverStartTick != 0 && TicksPassed(FHoverStartTick, HoverExpandDelay)) {
        FHoverStartTick = 0;
        const TNodesWatch watch = WatchNodes();
        node->Expand(false);
        // The handlers of the expansion may have destroyed the tree.
        if (!watch.Alive())
            return nullptr;
        // The new rows may have moved the one under the pointer.
        return FindDropNode(screenPoint);
    }
    return node;
}

TComPtr<IDropTarget> TVeltoShellTreeView::GetFolderDropTarget(POINT screenPoint)
{
    TTreeNode* node = FindDropNode(screenPoint);
    if (!node || !NodePidl(node))
        return {};
    // Ours to free on every path. Drops on the desktop root go to the file-system desktop
    // directory: the desktop folder itself takes none.
    const TPidl pidl(IsDesktopIDList(NodePidl(node)) ? GetSpecialFolderIDList(TVeltoSpecialFolder::sfDesktopDirectory)
                                                     : CopyIDList(NodePidl(node)));
    if (!pidl)
        return {};
    LPCITEMIDLIST relative = GetLastItemID(pidl.get());
    TComPtr<IShellFolder> folder;
    GetParentFolder(pidl.get(), folder.put());
    if (!folder)
        return {};
    TComPtr<IDropTarget> target;
    if (folder->GetUIObjectOf(ShellOwnerWindow(), 1, &relative, IID_IDropTarget, nullptr, target.put_void()) != S_OK)
        target.reset();
    return target;
}

HRESULT TVeltoShellTreeView::DragEnter(IDataObject* dataObject, DWORD keyState, POINTL point, DWORD* effect)
{
    return GuardedDropStep(effect, [&] {
        FLastScrollTick = GetTickCount();
        FDragLeftButton = (keyState & MK_LBUTTON) != 0;
        FDragRightButton = (keyState & MK_RBUTTON) != 0;
        if (dataObject)
            dataObject->AddRef();
        FDragDataObject.Attach(dataObject);
        FHoverStartTick = 0;
        TComPtr<IDropTarget> target = GetFolderDropTarget({point.x, point.y});
        if (!target || !effect)
            return false;
        // The caller's effect word goes straight through: the folder's choice is the answer.
        const HRESULT result = target->DragEnter(dataObject, keyState, point, effect);
        target->DragLeave();
        return result == S_OK;
    });
}

HRESULT TVeltoShellTreeView::DragOver(DWORD keyState, POINTL point, DWORD* effect)
{
    return GuardedDropStep(effect, [&] {
        DragScroll({point.x, point.y});
        TComPtr<IDropTarget> target = GetFolderDropTarget({point.x, point.y});
        // Without the data of a DragEnter the folder has nothing to judge.
        if (!target || !effect || !FDragDataObject)
            return false;
        target->DragEnter(FDragDataObject.get(), keyState, point, effect);
        const HRESULT result = target->DragOver(keyState, point, effect);
        target->DragLeave();
        return result == S_OK;
    });
}

HRESULT TVeltoShellTreeView::DragLeave()
{
    FDragDataObject.reset();
    try {
        SetDropTarget(nullptr);
    } catch (...) {
    }
    return S_OK;
}

HRESULT TVeltoShellTreeView::Drop(IDataObject* dataObject, DWORD keyState, POINTL point, DWORD* effect)
{
    // The drop highlight is cleared and the held data object let go on every path; a tree that went
    // meanwhile (the folder's Drop may run a modal loop) let both go itself.
    const auto dragEnd = ScopeExit([this, watch = WatchNodes()] {
        if (!watch.Alive())
            return;
        FDragDataObject.reset();
        try {
            SetDropTarget(nullptr);
        } catch (...) {
        }
    });
    return GuardedDropStep(effect, [&] {
        FHoverStartTick = 0;
        TComPtr<IDropTarget> target = GetFolderDropTarget({point.x, point.y});
        if (!target || !effect)
            return false;
        // The button is up by the time Drop comes; the folder is told which one dragged, so that a
        // right-button drop gets the shell's menu of choices.
        if (FDragLeftButton)
            keyState |= MK_LBUTTON;
        if (FDragRightButton)
            keyState |= MK_RBUTTON;
        DWORD enterEffect = *effect;
        target->DragEnter(dataObject, keyState, point, &enterEffect);
        // The caller's word, still the effects the source allows. No DragLeave after a Drop.
        return target->Drop(dataObject, keyState, point, effect) == S_OK;
    });
}

// --- Scrolling during a drag

void TVeltoShellTreeView::DragScroll(POINT screenPoint)
{
    if (!HandleAllocated() || !TicksPassed(FLastScrollTick, DragScrollInterval))
        return;
    POINT client = screenPoint;
    ScreenToClient(FHandle, &client);
    RECT bounds{};
    GetClientRect(FHandle, &bounds);
    if (client.x < HorizontalScrollMargin)
        ScrollLine(SB_HORZ, SB_LINELEFT);
    else if (client.x > bounds.right - HorizontalScrollMargin)
        ScrollLine(SB_HORZ, SB_LINERIGHT);
    if (client.y < VerticalScrollMargin)
        ScrollLine(SB_VERT, SB_LINEUP);
    else if (client.y > bounds.bottom - VerticalScrollMargin)
        ScrollLine(SB_VERT, SB_LINEDOWN);
    FLastScrollTick = GetTickCount();
}

void TVeltoShellTreeView::ScrollLine(int bar, int direction)
{
    if (!HandleAllocated())
        return;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(FHandle, bar, &info))
        info = SCROLLINFO{};
    if (info.nMax - info.nMin - static_cast<int>(info.nPage) > 0)
        Native().Scroll(bar, direction);
}
