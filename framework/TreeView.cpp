// TTreeNode, TTreeNodes and TCustomTreeView: nodes over native items, images asked for on demand, the
// change timer, the checks around expansion, and the deletion of nodes by every path.
#include "TreeView.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <unordered_set>
#include <utility>

namespace {

// Our timer on the tree's window; the native control keeps its own timers there too.
constexpr UINT_PTR ChangeTimerId = 0x5643;

// Sets a field of the tree for the length of a scope, which may run user code, and puts the old
// value back: not at all when the tree went meanwhile, and an empty one when nodes were deleted
// (the old value may name one of them).
template <typename T>
struct TValueScope {
    TValueScope(const TCustomTreeView& tree, T& slot, T value)
        : Watch(tree.WatchNodes()), Slot(slot), Old(std::exchange(slot, value))
    {
    }
    ~TValueScope()
    {
        if (Watch.Alive())
            Slot = Watch.Current() ? Old : T{};
    }
    TNodesWatch Watch;
    T& Slot;
    T Old;
};

struct TCounterScope {
    explicit TCounterScope(int& counter) : Counter(counter) { ++Counter; }
    ~TCounterScope() { --Counter; }
    int& Counter;
};

TTreeNode* NodeOf(LPARAM lParam)
{
    return reinterpret_cast<TTreeNode*>(lParam);
}

}  // namespace

// --- TTreeNode

TCustomTreeView* TTreeNode::TreeView() const
{
    return FOwner->Owner();
}

TTreeControl TTreeNode::Native() const
{
    return FOwner->FOwner.Native();
}

TTreeNode* TTreeNode::Related(UINT relation) const
{
    const HTREEITEM item = Native().GetNextItem(FItem, relation);
    return relation == TVGN_CHILD || relation == TVGN_NEXT ? FOwner->FirstNodeFrom(item) : FOwner->NodeFromItem(item);
}

TVITEMA TTreeNode::Read(UINT mask, UINT stateMask) const
{
    TVITEMA item{};
    item.mask = mask | TVIF_HANDLE;
    item.hItem = FItem;
    item.stateMask = stateMask;
    Native().GetItem(item);
    return item;
}

void TTreeNode::Write(TVITEMA& item)
{
    item.mask |= TVIF_HANDLE;
    item.hItem = FItem;
    Native().SetItem(item);
}

void TTreeNode::SetState(UINT state, UINT stateMask)
{
    TVITEMA item{};
    item.mask = TVIF_STATE;
    item.state = state;
    item.stateMask = stateMask;
    Write(item);
}

std::string TTreeNode::Text() const
{
    // A text longer than the buffer comes back cut, and without its NUL or short of the end by the
    // bytes of a character that did not fit whole (up to four in UTF-8): the buffer grows until
    // more than that is left over.
    constexpr std::size_t LongestCharacter = 4;
    for (std::size_t size = 260;; size *= 4) {
        std::string text(size, '\0');
        TVITEMA item{};
        item.mask = TVIF_TEXT | TVIF_HANDLE;
        item.hItem = FItem;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(size);
        if (!Native().GetItem(item))
            return {};
        // The control may hand back a pointer to its own copy instead of filling the buffer.
        const char* source = item.pszText ? item.pszText : text.data();
        const std::size_t length = strnlen(source, size);
        if (length + LongestCharacter < size || size >= 0x10000)
            return std::string(source, length);
    }
}

void TTreeNode::SetText(const std::string& value)
{
    std::string text = value;
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.pszText = text.data();
    Write(item);
}

int TTreeNode::ImageIndex() const
{
    return TreeView()->ReadImage(const_cast<TTreeNode*>(this), false);
}

void TTreeNode::SetImageIndex(int value)
{
    TVITEMA item{};
    item.mask = TVIF_IMAGE;
    item.iImage = value;
    Write(item);
}

int TTreeNode::SelectedIndex() const
{
    return TreeView()->ReadImage(const_cast<TTreeNode*>(this), true);
}

void TTreeNode::SetSelectedIndex(int value)
{
    TVITEMA item{};
    item.mask = TVIF_SELECTEDIMAGE;
    item.iSelectedImage = value;
    Write(item);
}

int TTreeNode::OverlayIndex() const
{
    // The state holds the overlay 1-based, 0 meaning none.
    return static_cast<int>((Read(TVIF_STATE, TVIS_OVERLAYMASK).state & TVIS_OVERLAYMASK) >> 8) - 1;
}

void TTreeNode::SetOverlayIndex(int value)
{
    SetState(value >= 0 ? INDEXTOOVERLAYMASK(static_cast<UINT>(value) + 1) : 0, TVIS_OVERLAYMASK);
}

bool TTreeNode::Cut() const
{
    return (Read(TVIF_STATE, TVIS_CUT).state & TVIS_CUT) != 0;
}

void TTreeNode::SetCut(bool value)
{
    SetState(value ? TVIS_CUT : 0, TVIS_CUT);
}

bool TTreeNode::HasChildren() const
{
    return Read(TVIF_CHILDREN).cChildren != 0;
}

void TTreeNode::SetHasChildren(bool value)
{
    TVITEMA item{};
    item.mask = TVIF_CHILDREN;
    item.cChildren = value ? 1 : 0;
    Write(item);
}

bool TTreeNode::Expanded() const
{
    return (Native().GetItemState(FItem, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

bool TTreeNode::Selected() const
{
    return TreeView()->Selected() == this;
}

int TTreeNode::Level() const
{
    int level = 0;
    for (TTreeNode* parent = Parent(); parent; parent = parent->Parent())
        ++level;
    return level;
}

TTreeNode* TTreeNode::Parent() const
{
    return Related(TVGN_PARENT);
}

int TTreeNode::Count() const
{
    int count = 0;
    for (TTreeNode* child = getFirstChild(); child; child = child->getNextSibling())
        ++count;
    return count;
}

TTreeNode* TTreeNode::Item(int index) const
{
    TTreeNode* child = index >= 0 ? getFirstChild() : nullptr;
    for (; child && index > 0; --index)
        child = child->getNextSibling();
    return child;
}

TTreeNode* TTreeNode::getFirstChild() const
{
    return Related(TVGN_CHILD);
}

TTreeNode* TTreeNode::getNextSibling() const
{
    return Related(TVGN_NEXT);
}

TTreeNode* TTreeNode::GetNext() const
{
    if (TTreeNode* child = getFirstChild())
        return child;
    for (const TTreeNode* node = this; node; node = node->Parent())
        if (TTreeNode* sibling = node->getNextSibling())
            return sibling;
    return nullptr;
}

RECT TTreeNode::DisplayRect(bool textOnly) const
{
    RECT rect{};
    return Native().GetItemRect(FItem, rect, textOnly) ? rect : RECT{};
}

void TTreeNode::Expand(bool recursive)
{
    // Each expansion runs the tree's checks and events: the walk ends once they deleted nodes.
    const TNodesWatch watch = TreeView()->WatchNodes();
    TreeView()->ExpandNode(this);
    if (!recursive)
        return;
    for (TTreeNode* child = watch.Current() ? getFirstChild() : nullptr; child;) {
        child->Expand(true);
        child = watch.Current() ? child->getNextSibling() : nullptr;
    }
}

void TTreeNode::Collapse(bool recursive)
{
    const TNodesWatch watch = TreeView()->WatchNodes();
    if (recursive) {
        for (TTreeNode* child = getFirstChild(); child;) {
            child->Collapse(true);
            if (!watch.Current())
                return;
            child = child->getNextSibling();
        }
    }
    TreeView()->CollapseNode(this);
}

void TTreeNode::MakeVisible()
{
    Native().EnsureVisible(FItem);
}

bool TTreeNode::CustomSort(PFNTVCOMPARE compare, LPARAM appValue)
{
    if (!Native() || !compare)
        return false;
    FOwner->InvalidateCache();
    TVSORTCB sort{FItem, compare, appValue};
    return Native().SortChildrenCB(sort);
}

void TTreeNode::Delete()
{
    FOwner->DeleteNodes(this);
}

// --- TTreeNodes

TTreeNodes::~TTreeNodes() = default;

TTreeNode* TTreeNodes::GetFirstNode() const
{
    return FirstNodeFrom(FOwner.Native().GetNextItem(nullptr, TVGN_ROOT));
}

TTreeNode* TTreeNodes::NodeFromItem(HTREEITEM item) const
{
    TVITEMA data{};
    data.mask = TVIF_PARAM | TVIF_HANDLE;
    data.hItem = item;
    return item && FOwner.Native().GetItem(data) ? NodeOf(data.lParam) : nullptr;
}

TTreeNode* TTreeNodes::FirstNodeFrom(HTREEITEM item) const
{
    // Items left without nodes while the control was at work are passed over till it deletes them.
    for (; item; item = FOwner.Native().GetNextItem(item, TVGN_NEXT))
        if (TTreeNode* node = NodeFromItem(item))
            return node;
    return nullptr;
}

bool TTreeNodes::Holds(const TTreeNode* node) const
{
    // Looked up before it is read: a node a hook deleted is freed memory.
    return Owns(node) && !node->FDeleting;
}

TTreeNode* TTreeNodes::Item(int index) const
{
    if (index < 0 || index >= Count())
        throw Exception("Tree node index " + std::to_string(index) + " out of range");
    TTreeNode* node = GetFirstNode();
    int at = 0;
    if (FCacheNode && FCacheIndex <= index) {
        node = FCacheNode;
        at = FCacheIndex;
    }
    for (; node && at < index; ++at)
        node = node->GetNext();
    if (!node)
        throw Exception("Tree node index " + std::to_string(index) + " out of range");
    FCacheNode = node;
    FCacheIndex = index;
    return node;
}

TTreeNode* TTreeNodes::Add(const std::string& text, void* data)
{
    return AddChild(nullptr, text, data);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const std::string& text, void* data)
{
    HWND window = FOwner.Handle();
    // Owned before the native item points at it, so that nothing can leak in between.
    auto owned = std::unique_ptr<TTreeNode>(new TTreeNode(this));
    TTreeNode* node = owned.get();
    node->FData = data;
    FNodes.emplace(node, std::move(owned));
    InvalidateCache();
    if (!FOwner.FQuietNodes)
        FOwner.CancelChange();

    std::string copy = text;
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent ? parent->FItem : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = copy.data();
    insert.item.lParam = reinterpret_cast<LPARAM>(node);
    node->FItem = TTreeControl(window).InsertItem(insert);
    if (!node->FItem) {
        FNodes.erase(node);
        throw Exception("The tree view cannot take another node");
    }
    if (parent && !parent->HasChildren())
        parent->SetHasChildren(true);
    return node;
}

void TTreeNodes::Clear()
{
    DeleteNodes(nullptr);
}

void TTreeNodes::DeleteNodes(TTreeNode* top)
{
    // Children before their parent, as the control itself deletes them.
    std::vector<TTreeNode*> doomed;
    const auto collect = [&doomed](TTreeNode* root) {
        std::vector<std::pair<TTreeNode*, bool>> stack{{root, false}};
        while (!stack.empty()) {
            auto [node, childrenDone] = stack.back();
            stack.pop_back();
            if (childrenDone) {
                doomed.push_back(node);
                continue;
            }
            stack.emplace_back(node, true);
            std::vector<TTreeNode*> children;
            for (TTreeNode* child = node->getFirstChild(); child; child = child->getNextSibling())
                children.push_back(child);
            for (auto it = children.rbegin(); it != children.rend(); ++it)
                stack.emplace_back(*it, false);
        }
    };
    if (top) {
        collect(top);
    } else {
        for (TTreeNode* node = GetFirstNode(); node; node = node->getNextSibling())
            collect(node);
        // Nodes the window no longer shows (it is gone) are deleted all the same.
        if (doomed.size() != FNodes.size()) {
            const std::unordered_set<const TTreeNode*> found(doomed.begin(), doomed.end());
            for (const auto& [node, owned] : FNodes)
                if (!found.count(node))
                    doomed.push_back(owned.get());
        }
    }
    Release(std::move(doomed), top ? top->FItem : TVI_ROOT);
}

void TTreeNodes::NativeItemDeleted(TTreeNode* node)
{
    Release({node}, nullptr);
}

void TTreeNodes::Release(std::vector<TTreeNode*> doomed, HTREEITEM item)
{
    // Only the nodes asked for are quiet: a deletion hook's own deletions are not.
    const bool quiet = std::exchange(FOwner.FQuietNodes, false);
    // The tree's own release, once it is being destroyed, takes the nodes one that a hook ended left.
    const TComponentWatch tree = FOwner.Watch();
    const bool treeGoing = FOwner.IsDestroying();
    std::erase_if(doomed, [this, treeGoing](const TTreeNode* node) {
        return treeGoing ? !Owns(node) || node->FHookRan : !Holds(node);
    });
    if (doomed.empty())
        return;
    // Ending the edit reads and writes the item it is open on: before the item may go.
    if (FOwner.FEditNode && std::find(doomed.begin(), doomed.end(), FOwner.FEditNode) != doomed.end())
        FOwner.Native().EndEditLabelNow(true);
    for (TTreeNode* node : doomed)
        node->FDeleting = true;
    FOwner.NodesDeleting(doomed, quiet);
    // Every node goes, also when a hook raises; the first error is passed on afterwards.
    std::vector<std::unique_ptr<TTreeNode>> owned;
    const auto detach = [this, &doomed, &owned] {
        for (TTreeNode* node : doomed) {
            owned.push_back(std::move(FNodes.at(node)));
            FNodes.erase(node);
        }
        InvalidateCache();
    };
    // The control deletes the item itself: the node is no longer one of these while its hook runs.
    if (!item)
        detach();
    const HWND window = FOwner.FHandle;
    std::exception_ptr error;
    for (TTreeNode* node : doomed) {
        if (std::exchange(node->FHookRan, true))
            continue;
        try {
            FOwner.Delete(node);
        } catch (...) {
            if (!error)
                error = std::current_exception();
        }
        // A hook destroyed the tree, whose own release has taken the nodes left here.
        if (!tree.Alive()) {
            if (error)
                std::rethrow_exception(error);
            return;
        }
    }
    if (item) {
        // A hook that remade the window took the items along.
        if (window && FOwner.FHandle == window) {
            if (FOwner.InNativeHandler()) {
                LeaveItems(doomed, item);
            } else {
                TCounterScope deleting(FOwner.FDeletingNodes);
                FOwner.Native().DeleteItem(item);
            }
        }
        detach();
        if (!quiet)
            FOwner.CancelChange();
    }
    if (error)
        std::rethrow_exception(error);
}

void TTreeNodes::LeaveItems(const std::vector<TTreeNode*>& doomed, HTREEITEM item)
{
    // The control works on one of these items, or in its window, further up the stack: deleted now,
    // the item would be freed under it.
    const TTreeControl control = FOwner.Native();
    for (const TTreeNode* node : doomed) {
        TVITEMA param{};
        param.mask = TVIF_HANDLE | TVIF_PARAM;
        param.hItem = node->FItem;
        control.SetItem(param);
        if (item != TVI_ROOT ? node->FItem == item : !control.GetNextItem(node->FItem, TVGN_PARENT))
            FLeftItems.push_back(node->FItem);
    }
}

void TTreeNodes::DeleteLeftItems()
{
    const std::vector<HTREEITEM> items = std::exchange(FLeftItems, {});
    if (items.empty())
        return;
    TCounterScope deleting(FOwner.FDeletingNodes);
    for (const HTREEITEM item : items)
        FOwner.Native().DeleteItem(item);
}

void TTreeNodes::BeginUpdate()
{
    if (FUpdateCount++ == 0)
        FOwner.SetRedraw(false);
}

void TTreeNodes::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        FOwner.SetRedraw(true);
}

// --- TCustomTreeView

const TClassInfo& TCustomTreeView::StaticClassInfo()
{
    static const TClassInfo info{.Name = "TCustomTreeView", .Parent = &TWinControl::StaticClassInfo()};
    return info;
}

TCustomTreeView::TCustomTreeView(TComponent* owner) : TWinControl(owner), FItems(*this)
{
    SetBounds(0, 0, 121, 97);
    SetColor(clWindow);
    SetTabStop(true);
    SetBorderStyle(bsSingle);
}

TCustomTreeView::~TCustomTreeView()
{
    EndWatches();
    DestroyHandle();
    FItems.Clear();
}

TTreeNode* TCustomTreeView::Selected() const
{
    if (FRClickNode)
        return FRClickNode;
    return FItems.NodeFromItem(Native().GetNextItem(nullptr, TVGN_CARET));
}

void TCustomTreeView::SetSelected(TTreeNode* node)
{
    if (!FHandle && !node)
        return;
    const TTreeControl control(Handle());
    HTREEITEM item = node ? node->FItem : nullptr;
    if (item != control.GetNextItem(nullptr, TVGN_CARET))
        control.SelectItem(item, TVGN_CARET);
}

const TCustomTreeView::TStyleBit TCustomTreeView::StyleBits[] = {
    {&TCustomTreeView::FShowButtons, TVS_HASBUTTONS, true},
    {&TCustomTreeView::FShowLines, TVS_HASLINES, true},
    {&TCustomTreeView::FShowRoot, TVS_LINESATROOT, true},
    {&TCustomTreeView::FReadOnly, TVS_EDITLABELS, false},
    {&TCustomTreeView::FHideSelection, TVS_SHOWSELALWAYS, false},
    {&TCustomTreeView::FHotTrack, TVS_TRACKSELECT, true},
    {&TCustomTreeView::FRowSelect, TVS_FULLROWSELECT, true},
    {&TCustomTreeView::FToolTips, TVS_NOTOOLTIPS, false},
};

void TCustomTreeView::SetStyleFlag(bool TCustomTreeView::*field, bool value)
{
    if (!ChangeField(this->*field, value))
        return;
    const auto row = std::find_if(std::begin(StyleBits), std::end(StyleBits),
                                  [field](const TStyleBit& bit) { return bit.Field == field; });
    if (!FHandle)
        return;
    const LONG_PTR style = GetWindowLongPtrA(FHandle, GWL_STYLE);
    const auto bit = static_cast<LONG_PTR>(row->Bit);
    const LONG_PTR wanted = value == row->SetBy ? style | bit : style & ~bit;
    if (wanted == style)
        return;
    SetWindowLongPtrA(FHandle, GWL_STYLE, wanted);
    Invalidate();
}

void TCustomTreeView::SetIndent(int value)
{
    if (ChangeField(FIndent, value))
        Native().SetIndent(value);
}

void TCustomTreeView::ChangeScale(int multiplier, int divisor)
{
    TWinControl::ChangeScale(multiplier, divisor);
    SetIndent(MulDiv(FIndent, multiplier, divisor));
}

TTreeNode* TCustomTreeView::DropTarget() const
{
    return FItems.NodeFromItem(Native().GetNextItem(nullptr, TVGN_DROPHILITE));
}

void TCustomTreeView::SetDropTarget(TTreeNode* node)
{
    Native().SelectItem(node ? node->ItemId() : nullptr, TVGN_DROPHILITE);
}

TTreeNode* TCustomTreeView::GetNodeAt(int x, int y)
{
    TVHITTESTINFO hit{};
    hit.pt = {x, y};
    Native().HitTest(hit);
    if (!(hit.flags & (TVHT_ONITEM | TVHT_ONITEMBUTTON | TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT)))
        return nullptr;
    return FItems.NodeFromItem(hit.hItem);
}

void TCustomTreeView::SetRedraw(bool redraw)
{
    if (!FHandle)
        return;
    Native().SetRedraw(redraw);
    if (redraw)
        InvalidateRect(FHandle, nullptr, TRUE);
}

void TCustomTreeView::ExpandNode(TTreeNode* node)
{
    if (!FHandle || !node->HasChildren())
        return;
    // The check raises OnExpanding: the node, or the tree, may be gone when it returns.
    const TNodesWatch watch = WatchNodes();
    if (!CanExpand(node) || !watch.Current() || !FHandle)
        return;
    const bool wasExpanded = node->Expanded();
    {
        TValueScope<TTreeNode*> expanding(*this, FProgramExpandNode, node);
        Native().Expand(node->FItem, TVE_EXPAND);
    }
    if (!wasExpanded && node->Expanded())
        Expand(node);
}

void TCustomTreeView::CollapseNode(TTreeNode* node)
{
    if (!FHandle || !node->Expanded())
        return;
    const TNodesWatch watch = WatchNodes();
    if (!CanCollapse(node) || !watch.Current() || !FHandle)
        return;
    {
        TValueScope<TTreeNode*> collapsing(*this, FProgramExpandNode, node);
        Native().Expand(node->FItem, TVE_COLLAPSE);
    }
    if (!node->Expanded())
        Collapse(node);
}

void TCustomTreeView::SelectionChanged(TTreeNode* node)
{
    if (FChangeDelay <= 0 || !FHandle) {
        CancelChange();
        Change(node);
        return;
    }
    FChangeNode = node;
    FChangePending = true;
    SetTimer(FHandle, ChangeTimerId, static_cast<UINT>(FChangeDelay), nullptr);
}

void TCustomTreeView::CancelChange()
{
    if (FChangePending && FHandle)
        KillTimer(FHandle, ChangeTimerId);
    FChangePending = false;
    FChangeNode = nullptr;
}

TTreeNode* TCustomTreeView::AddChildQuietly(TTreeNode* parent, const std::string& text, void* data)
{
    const TValueScope<bool> quiet(*this, FQuietNodes, true);
    return FItems.AddChild(parent, text, data);
}

void TCustomTreeView::DeleteQuietly(TTreeNode* node)
{
    FQuietNodes = true;  // the release takes it back before any hook runs
    node->Delete();
}

void TCustomTreeView::ReportPendingChange()
{
    if (!FChangePending)
        return;
    TTreeNode* node = FChangeNode;
    CancelChange();
    Change(node);
}

void TCustomTreeView::NodesDeleting(const std::vector<TTreeNode*>& nodes, bool quiet)
{
    FNodesGeneration += quiet ? 0 : 1;
    if (!quiet || std::find(nodes.begin(), nodes.end(), FChangeNode) != nodes.end())
        CancelChange();
    for (const TTreeNode* node : nodes) {
        if (node == FRClickNode)
            FRClickNode = nullptr;
        if (node == FEditNode)
            FEditNode = nullptr;
    }
}

bool TCustomTreeView::CanChange(TTreeNode* node)
{
    bool allow = true;
    if (OnChanging)
        OnChanging(this, node, allow);
    return allow;
}

void TCustomTreeView::Change(TTreeNode* node)
{
    if (OnChange)
        OnChange(this, node);
}

bool TCustomTreeView::CanExpand(TTreeNode* node)
{
    bool allow = true;
    if (OnExpanding)
        OnExpanding(this, node, allow);
    return allow;
}

void TCustomTreeView::Expand(TTreeNode* node)
{
    if (OnExpanded)
        OnExpanded(this, node);
}

bool TCustomTreeView::CanCollapse(TTreeNode* node)
{
    bool allow = true;
    if (OnCollapsing)
        OnCollapsing(this, node, allow);
    return allow;
}

void TCustomTreeView::Collapse(TTreeNode* node)
{
    if (OnCollapsed)
        OnCollapsed(this, node);
}

void TCustomTreeView::Delete(TTreeNode* node)
{
    if (OnDeletion)
        OnDeletion(this, node);
}

bool TCustomTreeView::CanEdit(TTreeNode* node)
{
    bool allow = !FReadOnly;
    if (allow && OnEditing)
        OnEditing(this, node, allow);
    return allow;
}

void TCustomTreeView::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

int TCustomTreeView::GetImageIndex(TTreeNode*)
{
    return I_IMAGECALLBACK;
}

int TCustomTreeView::GetSelectedIndex(TTreeNode*)
{
    return I_IMAGECALLBACK;
}

int TCustomTreeView::AskImage(TTreeNode* node, bool selected)
{
    // While items are being deleted the control may still ask about them; their nodes may have
    // let go of what the hook reads.
    if (FDeletingNodes > 0 || !FItems.Holds(node))
        return I_IMAGECALLBACK;
    return selected ? GetSelectedIndex(node) : GetImageIndex(node);
}

int TCustomTreeView::ReadImage(TTreeNode* node, bool selected)
{
    // Some controls ask for a callback index on every read: answered "not known" here, so that the
    // hook runs below, outside the control's own call, which would go on with an item the hook
    // may delete.
    const bool wasReading = std::exchange(FReadingImages, true);
    const TVITEMA item = node->Read(selected ? TVIF_SELECTEDIMAGE : TVIF_IMAGE);
    FReadingImages = wasReading;
    const int held = selected ? item.iSelectedImage : item.iImage;
    if (held != I_IMAGECALLBACK)
        return held;
    // The hook may run code that deletes nodes, this one perhaps.
    const TNodesWatch watch = WatchNodes();
    const int index = AskImage(node, selected);
    if (index != I_IMAGECALLBACK && watch.Current()) {
        if (selected)
            node->SetSelectedIndex(index);
        else
            node->SetImageIndex(index);
    }
    return index;
}

void TCustomTreeView::AnswerImages(TVITEMA& item)
{
    if (FReadingImages) {
        item.iImage = item.iSelectedImage = I_IMAGECALLBACK;
        return;
    }
    // Every field asked for is filled (the control takes them all); only the known ones are
    // kept, and none once the hooks deleted nodes, whose items the answer may name.
    TTreeNode* node = NodeOf(item.lParam);
    const TNodesWatch watch = WatchNodes();
    UINT known = 0;
    if (item.mask & TVIF_IMAGE) {
        item.iImage = AskImage(node, false);
        if (item.iImage != I_IMAGECALLBACK)
            known |= TVIF_IMAGE;
    }
    if (item.mask & TVIF_SELECTEDIMAGE) {
        item.iSelectedImage = watch.Current() ? AskImage(node, true) : I_IMAGECALLBACK;
        if (item.iSelectedImage != I_IMAGECALLBACK)
            known |= TVIF_SELECTEDIMAGE;
    }
    if (known && watch.Current())
        item.mask = known | TVIF_DI_SETITEM;
}

void TCustomTreeView::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.SystemClassName = WC_TREEVIEWA;
    // The base control starts no drags; a subclass that does clears the bit.
    params.Style |= TVS_DISABLEDRAGDROP;
    for (const TStyleBit& row : StyleBits)
        if (this->*row.Field == row.SetBy)
            params.Style |= row.Bit;
}

void TCustomTreeView::CreateWnd()
{
    TWinControl::CreateWnd();
    if (FItems.UpdateCount() > 0)
        Native().SetRedraw(false);
    Native().SetIndent(FIndent);
    SendColors();
}

void TCustomTreeView::DestroyWnd()
{
    CancelChange();
    // The nodes' hooks may destroy the tree, which then destroys the window itself.
    const TComponentWatch watch = Watch();
    if (FItems.Count() > 0)
        FItems.Clear();
    if (!watch.Alive())
        return;
    TWinControl::DestroyWnd();
    // Items kept for a control at work went with its window.
    FItems.FLeftItems.clear();
}

void TCustomTreeView::NativeHandlerEnded()
{
    TWinControl::NativeHandlerEnded();
    FItems.DeleteLeftItems();
}

void TCustomTreeView::ColorChanged()
{
    TWinControl::ColorChanged();
    SendColors();
}

void TCustomTreeView::FontChanged()
{
    TWinControl::FontChanged();
    SendColors();
}

void TCustomTreeView::SendColors()
{
    if (!FHandle)
        return;
    // The system's own colours are left to the control, so that it follows their changes: -1 is
    // the value that hands a colour back (CLR_DEFAULT would be drawn as black).
    const auto colorValue = [](TColor color, TColor systemDefault) {
        return color == systemDefault ? static_cast<LPARAM>(-1) : static_cast<LPARAM>(ColorToRGB(color));
    };
    Native().SetBkColor(colorValue(Color(), clWindow));
    Native().SetTextColor(colorValue(Font()->Color(), clWindowText));
}

void TCustomTreeView::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case CN_NOTIFY:
        if (HandleNotify(message))
            return;
        break;
    case WM_TIMER:
        if (message.WParam == ChangeTimerId) {
            KillTimer(FHandle, ChangeTimerId);
            if (!std::exchange(FChangePending, false))
                return;
            Change(std::exchange(FChangeNode, nullptr));
            return;
        }
        break;
    case WM_DESTROY:
        // The window goes without DestroyWnd (its parent's went first): the nodes go with it.
        CancelChange();
        if (FItems.Count() > 0)
            FItems.Clear();
        FItems.FLeftItems.clear();
        break;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        // Wine's tree view keeps the Alt keys to itself, so Alt+F4 would not close the form nor Alt
        // open its menu; Windows' has no use for them either: after the key events they take the
        // window's default way.
        if (message.Msg == WM_SYSCHAR || !HandleKey(message))
            message.Result = (IsWindowUnicode(FHandle) ? DefWindowProcW : DefWindowProcA)(
                FHandle, message.Msg, message.WParam, message.LParam);
        return;
    case WM_RBUTTONDOWN:
        // The handlers may destroy the tree; the native control then gets nothing more.
        if (HandleMouse(message))
            HandleRightButtonDown(message);
        return;
    case WM_CONTEXTMENU:
        // A keyboard request: the menu belongs at the foot of the selected node's label.
        if (GET_X_LPARAM(message.LParam) == -1 && GET_Y_LPARAM(message.LParam) == -1) {
            if (TTreeNode* node = Selected()) {
                const RECT label = node->DisplayRect(true);
                POINT point{label.left, label.bottom};
                ClientToScreen(FHandle, &point);
                message.LParam = MAKELPARAM(point.x, point.y);
            }
        }
        break;
    }
    TWinControl::WndProc(message);
}

void TCustomTreeView::HandleRightButtonDown(TMessage& message)
{
    // The native control tracks the button, then reports the click and asks for the context menu,
    // all before this message returns: the node under the button is Selected for that long.
    const int x = GET_X_LPARAM(message.LParam), y = GET_Y_LPARAM(message.LParam);
    TTreeNode* node = FRightClickSelect ? GetNodeAt(x, y) : nullptr;
    TValueScope<TTreeNode*> rightClick(*this, FRClickNode, node);
    TValueScope<std::optional<POINT>> rightClickPoint(*this, FRClickPoint, POINT{x, y});
    DefaultHandler(message);
}

bool TCustomTreeView::HandleNotify(TMessage& message)
{
    const auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
    // The control sends the ANSI or the wide form of each notification, as its parent asks; the
    // parts read here are the same in both.
    const auto* tree = reinterpret_cast<const NMTREEVIEWA*>(message.LParam);
    switch (header->code) {
    case TVN_SELCHANGINGA:
    case TVN_SELCHANGINGW: {
        if (FDeletingNodes > 0) {
            message.Result = FALSE;
            return true;
        }
        // A check that changed the nodes may have deleted the item the control is about to select,
        // or the one it leaves, or the tree: the change is refused.
        const TNodesWatch watch = WatchNodes();
        const bool allow = CanChange(NodeOf(tree->itemNew.lParam));
        message.Result = watch.Current() ? !allow : TRUE;
        return true;
    }
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
        // An item without a node of this tree (its node went) is no selection to report.
        TTreeNode* node = NodeOf(tree->itemNew.lParam);
        if (FDeletingNodes == 0 && (node ? FItems.Holds(node) : !tree->itemNew.hItem))
            SelectionChanged(node);
        return true;
    }
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        TTreeNode* node = NodeOf(tree->itemNew.lParam);
        if (!node || node == FProgramExpandNode) {
            message.Result = FALSE;
            return true;
        }
        // A check that deleted nodes may have deleted the item the control is about to open or
        // close: it is refused.
        const TNodesWatch watch = WatchNodes();
        const bool allow = tree->action & TVE_EXPAND ? CanExpand(node) : CanCollapse(node);
        message.Result = !(allow && watch.Current());
        return true;
    }
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW: {
        TTreeNode* node = NodeOf(tree->itemNew.lParam);
        if (node && node != FProgramExpandNode) {
            if (tree->action & TVE_EXPAND)
                Expand(node);
            else
                Collapse(node);
        }
        return true;
    }
    case TVN_GETDISPINFOA:
    case TVN_GETDISPINFOW:
        // The item parts read and written are the same in both forms.
        AnswerImages(reinterpret_cast<NMTVDISPINFOA*>(message.LParam)->item);
        return true;
    case TVN_DELETEITEMA:
    case TVN_DELETEITEMW:
        FItems.NativeItemDeleted(NodeOf(tree->itemOld.lParam));
        return true;
    case TVN_BEGINLABELEDITA:
    case TVN_BEGINLABELEDITW: {
        // No edit starts on a node a check deleted, nor in a tree it destroyed.
        const auto* info = reinterpret_cast<const NMTVDISPINFOA*>(message.LParam);
        TTreeNode* node = NodeOf(info->item.lParam);
        const TNodesWatch watch = WatchNodes();
        const bool allow = CanEdit(node);
        message.Result = !allow || !watch.Current();
        if (!message.Result)
            FEditNode = node;
        return true;
    }
    case TVN_ENDLABELEDITA:
    case TVN_ENDLABELEDITW: {
        // A text means the edit was not cancelled: the control keeps it.
        const auto* info = reinterpret_cast<const NMTVDISPINFOA*>(message.LParam);
        FEditNode = nullptr;
        message.Result = info->item.pszText != nullptr;
        return true;
    }
    case NM_CLICK:
        Click();
        return true;
    case NM_RCLICK: {
        // Asked for here, not left to the control: not every version of it asks for the menu.
        // The point is where the button went down, which the control tracked until now.
        POINT point{};
        if (FRClickPoint) {
            point = *FRClickPoint;
            ClientToScreen(FHandle, &point);
        } else {
            const DWORD position = GetMessagePos();
            point = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
        }
        SendMessageA(FHandle, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(FHandle), MAKELPARAM(point.x, point.y));
        message.Result = 1;
        return true;
    }
    case NM_DBLCLK:
        DblClick();
        return true;
    }
    return false;
}

// --- Table entries

namespace TreeViewProperties {

std::vector<TPropertyInfo> Published()
{
    using C = TCustomTreeView;
    namespace P = ControlProperties;
    return {
        P::Align(),
        P::Anchors(),
        P::BiDiMode(),
        EnumProperty<C, TBorderStyle>("BorderStyle", BorderStyleInfo(), &C::BorderStyle, &C::SetBorderStyle),
        P::BorderWidth(),
        P::Color(),
        P::Ctl3D(),
        P::Constraints(),
        P::Font(),
        BoolProperty<C>("HideSelection", &C::HideSelection, &C::SetHideSelection),
        BoolProperty<C>("HotTrack", &C::HotTrack, &C::SetHotTrack),
        IntProperty<C>("Indent", &C::Indent, &C::SetIndent),
        P::ParentBiDiMode(),
        P::ParentColor(),
        P::ParentCtl3D(),
        P::ParentFont(),
        P::ParentShowHint(),
        P::PopupMenu(),
        BoolProperty<C>("RowSelect", &C::RowSelect, &C::SetRowSelect),
        BoolProperty<C>("ShowButtons", &C::ShowButtons, &C::SetShowButtons),
        BoolProperty<C>("ShowLines", &C::ShowLines, &C::SetShowLines),
        P::TabOrder(),
        P::TabStop(),
        BoolProperty<C>("ToolTips", &C::ToolTips, &C::SetToolTips),
        P::Visible(),
        EventProperty<C>("OnAdvancedCustomDraw", &C::OnAdvancedCustomDraw),
        EventProperty<C>("OnAdvancedCustomDrawItem", &C::OnAdvancedCustomDrawItem),
        EventProperty<C>("OnChange", &C::OnChange),
        EventProperty<C>("OnChanging", &C::OnChanging),
        P::OnClick(),
        EventProperty<C>("OnCollapsed", &C::OnCollapsed),
        EventProperty<C>("OnCollapsing", &C::OnCollapsing),
        EventProperty<TWinControl>("OnContextPopup", &TWinControl::OnContextPopup),
        EventProperty<C>("OnCustomDraw", &C::OnCustomDraw),
        EventProperty<C>("OnCustomDrawItem", &C::OnCustomDrawItem),
        EventProperty<C>("OnDblClick", &C::OnDblClick),
        EventProperty<C>("OnDeletion", &C::OnDeletion),
        EventProperty<C>("OnEditing", &C::OnEditing),
        P::OnEnter(),
        P::OnExit(),
        EventProperty<C>("OnExpanding", &C::OnExpanding),
        EventProperty<C>("OnExpanded", &C::OnExpanded),
        EventProperty<TWinControl>("OnKeyDown", &TWinControl::OnKeyDown),
        EventProperty<TWinControl>("OnKeyPress", &TWinControl::OnKeyPress),
        EventProperty<TWinControl>("OnKeyUp", &TWinControl::OnKeyUp),
        EventProperty<TWinControl>("OnMouseDown", &TWinControl::OnMouseDown),
        EventProperty<TWinControl>("OnMouseMove", &TWinControl::OnMouseMove),
        EventProperty<TWinControl>("OnMouseUp", &TWinControl::OnMouseUp),
    };
}

}  // namespace TreeViewProperties
