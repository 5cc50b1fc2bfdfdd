// TCustomTreeView over the native SysTreeView32 control, with its nodes (TTreeNode) and their
// collection (TTreeNodes).
#pragma once

#include "Controls.h"
#include "TreeControl.h"

#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TCustomTreeView;
class TTreeNode;
class TTreeNodes;

// --- Tree events

// The selection settled on node (nullptr: none).
using TTVChangedEvent = std::function<void(TObject* sender, TTreeNode* node)>;
// The selection is about to move to node; clearing allowChange keeps it where it is.
using TTVChangingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allowChange)>;
// node is about to expand; clearing allowExpansion refuses.
using TTVExpandingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allowExpansion)>;
// node is about to collapse; clearing allowCollapse refuses.
using TTVCollapsingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allowCollapse)>;
// node expanded, collapsed, or is being deleted.
using TTVExpandedEvent = std::function<void(TObject* sender, TTreeNode* node)>;
// The user is about to edit node's text; clearing allowEdit refuses.
using TTVEditingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allowEdit)>;
// The custom-draw events are kept for the form text only: the framework has no canvas to draw with,
// so they are never raised.
using TCustomDrawState = std::uint32_t;  // CDIS_ flags
enum TCustomDrawStage { cdPrePaint, cdPostPaint, cdPreErase, cdPostErase };
using TTVCustomDrawEvent = std::function<void(TObject* sender, const RECT& rect, bool& defaultDraw)>;
using TTVCustomDrawItemEvent =
    std::function<void(TObject* sender, TTreeNode* node, TCustomDrawState state, bool& defaultDraw)>;
using TTVAdvancedCustomDrawEvent =
    std::function<void(TObject* sender, const RECT& rect, TCustomDrawStage stage, bool& defaultDraw)>;
using TTVAdvancedCustomDrawItemEvent = std::function<void(TObject* sender, TTreeNode* node, TCustomDrawState state,
                                                          TCustomDrawStage stage, bool& paintImages,
                                                          bool& defaultDraw)>;

// --- TNodesWatch

// What code that keeps a node, or the tree, across a call that can run user code (an event, a
// pumped message loop, a shell listing) checks when the call returns. Alive while the tree lives
// (the tree's own watch); Current while it lives and has deleted no node since the watch was taken.
class TNodesWatch {
public:
    bool Alive() const { return FLife.Alive(); }
    bool Current() const;

private:
    friend class TCustomTreeView;
    TNodesWatch(const TCustomTreeView* tree, const TComponentWatch& life, unsigned seen)
        : FTree(tree), FLife(life), FSeen(seen)
    {
    }

    const TCustomTreeView* FTree = nullptr;
    TComponentWatch FLife;
    unsigned FSeen = 0;
};

// --- TTreeNode

// One item of a tree view. The node holds the native item's handle and Data; everything else (text,
// images, states, place in the tree) lives in the native item and is read from it. Nodes belong to
// the tree's TTreeNodes and exist only while the tree has a window. The native item's lParam points
// back to its node.
class TTreeNode {
public:
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    // Attributes
    // The collection the node belongs to, and its tree.
    TTreeNodes* Owner() const { return FOwner; }
    TCustomTreeView* TreeView() const;
    // The native item.
    HTREEITEM ItemId() const { return FItem; }
    // The program's pointer-sized value; the tree neither reads nor frees it.
    void* Data() const { return FData; }
    void SetData(void* value) { FData = value; }
    // The text shown.
    std::string Text() const;
    void SetText(const std::string& value);
    // Indices into the tree's normal image list: the image, and the one shown while selected.
    // I_IMAGECALLBACK leaves an index to the tree's image hooks: it is asked for the first time
    // the control draws the node or code reads it, and kept in the node from then on.
    int ImageIndex() const;
    void SetImageIndex(int value);
    int SelectedIndex() const;
    void SetSelectedIndex(int value);
    // The image list's overlay image drawn over the image (0 is the first); -1 for none.
    int OverlayIndex() const;
    void SetOverlayIndex(int value);
    // Drawn dimmed, as cut or hidden items are.
    bool Cut() const;
    void SetCut(bool value);
    // Shows the expand button even while the node has no child nodes.
    bool HasChildren() const;
    void SetHasChildren(bool value);
    // Whether the children are shown.
    bool Expanded() const;
    // Whether the node is the tree's Selected one.
    bool Selected() const;
    // 0 for a top-level node.
    int Level() const;
    // The parent node; nullptr for a top-level node.
    TTreeNode* Parent() const;
    // The number of child nodes, and the child at index (nullptr out of range).
    int Count() const;
    TTreeNode* Item(int index) const;
    // The first child, and the next child of the same parent; nullptr at the end.
    TTreeNode* getFirstChild() const;
    TTreeNode* getNextSibling() const;
    // The next node in pre-order (child, sibling, or the next sibling of an ancestor).
    TTreeNode* GetNext() const;
    // The node's rectangle in the client area: its text only, or the whole row; empty while the node
    // is not shown (under a collapsed parent).
    RECT DisplayRect(bool textOnly) const;

    // Operations
    // Without the has-children flag nothing happens; otherwise the tree's expansion check runs
    // first and the node opens only when it allows. With recursive, the children follow.
    void Expand(bool recursive);
    // Closes the node (with the tree's collapse check); with recursive, every descendant first.
    void Collapse(bool recursive);
    // Scrolls the node into view, expanding its ancestors.
    void MakeVisible();
    // Sorts the children with compare, which receives two child nodes (as LPARAM) and appValue.
    bool CustomSort(PFNTVCOMPARE compare, LPARAM appValue);
    // Deletes the node and its descendants; the tree's deletion hook runs for each. The node is
    // gone afterwards.
    void Delete();

private:
    friend class TTreeNodes;
    friend class TCustomTreeView;

    explicit TTreeNode(TTreeNodes* owner) : FOwner(owner) {}

    TTreeControl Native() const;
    // The node of the item in that relation; for the first child and the next sibling, the first
    // item on from there that has a node.
    TTreeNode* Related(UINT relation) const;
    TVITEMA Read(UINT mask, UINT stateMask = 0) const;
    void Write(TVITEMA& item);
    void SetState(UINT state, UINT stateMask);

    TTreeNodes* FOwner;
    HTREEITEM FItem = nullptr;
    void* FData = nullptr;
    bool FDeleting = false;  // a release has taken it
    bool FHookRan = false;   // its deletion hook has run or is running
};

// --- TTreeNodes

// The nodes of one tree view, which owns them. A node is made by Add or AddChild and destroyed by
// its deletion (TTreeNode::Delete, Clear, or the end of the tree's window).
class TTreeNodes {
public:
    // Made by the tree for itself.
    explicit TTreeNodes(TCustomTreeView& owner) : FOwner(owner) {}
    // Destroys what is left without running the deletion hook: the tree clears itself before.
    ~TTreeNodes();
    TTreeNodes(const TTreeNodes&) = delete;
    TTreeNodes& operator=(const TTreeNodes&) = delete;

    // Attributes
    // The tree the nodes belong to.
    TCustomTreeView* Owner() const { return &FOwner; }
    // The number of all nodes, at every level.
    int Count() const { return static_cast<int>(FNodes.size()); }
    // The node at an absolute index, in pre-order (0: the first top-level node). Raises Exception
    // out of range. Walking the indexes in order costs one step each.
    TTreeNode* Item(int index) const;
    // The first top-level node; nullptr when there is none.
    TTreeNode* GetFirstNode() const;
    // The node whose native item this is; nullptr for none.
    TTreeNode* NodeFromItem(HTREEITEM item) const;
    // The node of the first item from item on, among its next siblings, that has one.
    TTreeNode* FirstNodeFrom(HTREEITEM item) const;

    // Operations
    // A new last top-level node. Makes the tree's window if there is none yet.
    TTreeNode* Add(const std::string& text, void* data);
    // A new last child of parent (nullptr: a top-level node). Makes the tree's window if needed.
    TTreeNode* AddChild(TTreeNode* parent, const std::string& text, void* data);
    // Deletes every node; the tree's deletion hook runs for each.
    void Clear();
    // Nestable: repainting stops at the first BeginUpdate and resumes at the matching EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    // How many BeginUpdate calls wait for their EndUpdate.
    int UpdateCount() const { return FUpdateCount; }

private:
    friend class TTreeNode;
    friend class TCustomTreeView;

    // Deletes top and its descendants, or every node for nullptr.
    void DeleteNodes(TTreeNode* top);
    // The native item was deleted by the control itself: the node goes too.
    void NativeItemDeleted(TTreeNode* node);
    // The one way nodes end: an edit open on one of doomed ends, doomed (children before their
    // parents) are marked, the watches end, the deletion hook runs for each and they are freed.
    // item is the native item to delete after the hooks (TVI_ROOT: all), or nullptr when the control
    // is deleting it already. A hook that destroys the tree ends the release: the tree's own takes
    // the nodes left. While the native control is at work (inside its own message) its items stay
    // till it is done, without nodes (LeaveItems).
    void Release(std::vector<TTreeNode*> doomed, HTREEITEM item);
    // Keeps the items of doomed, whose nodes go, till the native control's message returns: none of
    // them names a node any more, and the topmost are deleted then.
    void LeaveItems(const std::vector<TTreeNode*>& doomed, HTREEITEM item);
    // Deletes the items LeaveItems kept; the control's message has returned.
    void DeleteLeftItems();
    void InvalidateCache() const { FCacheNode = nullptr; }
    // Whether node is one of these nodes, and whether it is one that is not being deleted.
    bool Owns(const TTreeNode* node) const { return FNodes.count(node) != 0; }
    bool Holds(const TTreeNode* node) const;

    TCustomTreeView& FOwner;
    std::unordered_map<const TTreeNode*, std::unique_ptr<TTreeNode>> FNodes;
    int FUpdateCount = 0;
    // The last node Item found, so that walking the indexes in order does not start over each time.
    mutable TTreeNode* FCacheNode = nullptr;
    mutable int FCacheIndex = 0;
    // Items whose nodes went while the native control was at work, to delete once it is done.
    std::vector<HTREEITEM> FLeftItems;
};

// --- TCustomTreeView

// A tree of nodes over the native tree-view control. The nodes live in the window: destroying the
// window deletes them (the deletion hook runs for each), and a new window starts empty.
//
// Selection changes, by the user or by the program, are reported after ChangeDelay milliseconds of
// quiet: each change restarts the timer, and adding or deleting any node while it runs cancels the
// report. With a delay of 0 the report is made at once.
//
// Handlers may change the tree from inside any event: delete nodes, clear it, remake its window or
// destroy it. The tree then finishes only what it still can: a selection change or an edit whose
// handler changed the nodes is refused, a deletion stops when the tree goes, an open edit ends
// before its node goes, and the native control, when the handler ran inside one of its messages,
// keeps the items and the window it works on until that message has returned.
class TCustomTreeView : public TWinControl {
public:
    DECLARE_CLASS_INFO

    explicit TCustomTreeView(TComponent* owner);
    // Destroys the window here, so that the deletion hook of this class runs for every node.
    ~TCustomTreeView() override;

    // Attributes
    // The nodes, which the tree owns.
    TTreeNodes* Items() { return &FItems; }
    const TTreeNodes* Items() const { return &FItems; }
    // The selected node; while the right button acts on a node with RightClickSelect, that node.
    TTreeNode* Selected() const;
    // Selects node (nullptr clears the selection); the change is reported like a user's.
    void SetSelected(TTreeNode* node);
    // The node drawn as the target of a drag (the control's drop highlight); nullptr for none.
    TTreeNode* DropTarget() const;
    // Moves the drop highlight to node (nullptr clears it); the selection does not change.
    void SetDropTarget(TTreeNode* node);
    // Lines and buttons at the top level.
    bool ShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool value) { SetStyleFlag(&TCustomTreeView::FShowRoot, value); }
    // Expand buttons beside nodes with children.
    bool ShowButtons() const { return FShowButtons; }
    void SetShowButtons(bool value) { SetStyleFlag(&TCustomTreeView::FShowButtons, value); }
    // Lines between the nodes.
    bool ShowLines() const { return FShowLines; }
    void SetShowLines(bool value) { SetStyleFlag(&TCustomTreeView::FShowLines, value); }
    // The selection is shown only while the tree has the focus.
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value) { SetStyleFlag(&TCustomTreeView::FHideSelection, value); }
    // Items are underlined under the mouse.
    bool HotTrack() const { return FHotTrack; }
    void SetHotTrack(bool value) { SetStyleFlag(&TCustomTreeView::FHotTrack, value); }
    // The selection spans the whole row.
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool value) { SetStyleFlag(&TCustomTreeView::FRowSelect, value); }
    // Texts cut off by the edge are shown whole in a tip under the mouse.
    bool ToolTips() const { return FToolTips; }
    void SetToolTips(bool value) { SetStyleFlag(&TCustomTreeView::FToolTips, value); }
    // No in-place editing of the node texts.
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { SetStyleFlag(&TCustomTreeView::FReadOnly, value); }
    // The indentation of each level, in pixels.
    int Indent() const { return FIndent; }
    void SetIndent(int value);
    // While the right button acts on a node, that node is reported as Selected.
    bool RightClickSelect() const { return FRightClickSelect; }
    void SetRightClickSelect(bool value) { FRightClickSelect = value; }
    // Milliseconds a selection must stay before it is reported.
    int ChangeDelay() const { return FChangeDelay; }
    void SetChangeDelay(int value) { FChangeDelay = value; }
    // Makes the change report that waits for its delay now, as its timer would; nothing when none
    // waits. For a caller that must see the selection settled before it reads it.
    void ReportPendingChange();
    // The node at a point of the client area (on its text, image or button row); nullptr for none.
    TTreeNode* GetNodeAt(int x, int y);
    // A watch on the tree and its nodes as they are now: every deletion of nodes, by any path,
    // and the tree's destruction end it.
    TNodesWatch WatchNodes() const { return TNodesWatch(this, Watch(), FNodesGeneration); }

    // Events; each is raised by the hook of its name below.
    TTVChangedEvent OnChange;
    TTVChangingEvent OnChanging;
    TTVExpandingEvent OnExpanding;
    TTVExpandedEvent OnExpanded;
    TTVCollapsingEvent OnCollapsing;
    TTVExpandedEvent OnCollapsed;
    // Raised for every node deleted, by any path.
    TTVExpandedEvent OnDeletion;
    TTVEditingEvent OnEditing;
    TNotifyEvent OnDblClick;
    TTVCustomDrawEvent OnCustomDraw;
    TTVCustomDrawItemEvent OnCustomDrawItem;
    TTVAdvancedCustomDrawEvent OnAdvancedCustomDraw;
    TTVAdvancedCustomDrawItemEvent OnAdvancedCustomDrawItem;

protected:
    // Hooks of the tree. Each base raises its event; overrides that keep the event call the base.
    // The selection is about to move to node; false keeps it (OnChanging).
    virtual bool CanChange(TTreeNode* node);
    // The selection settled on node, ChangeDelay after it moved (OnChange).
    virtual void Change(TTreeNode* node);
    // node is about to expand, by the user or by TTreeNode::Expand; false refuses (OnExpanding).
    virtual bool CanExpand(TTreeNode* node);
    // node expanded (OnExpanded).
    virtual void Expand(TTreeNode* node);
    // node is about to collapse; false refuses (OnCollapsing).
    virtual bool CanCollapse(TTreeNode* node);
    // node collapsed (OnCollapsed).
    virtual void Collapse(TTreeNode* node);
    // node is being deleted, by any path; its native item still exists (OnDeletion).
    virtual void Delete(TTreeNode* node);
    // The user is about to edit node's text; false refuses (OnEditing).
    virtual bool CanEdit(TTreeNode* node);
    // A double click (OnDblClick).
    virtual void DblClick();

    // The image, and the selected image, of a node that holds I_IMAGECALLBACK: asked once, when the
    // control first draws the node or code first reads the index; the answer is kept in the node.
    // They may run user code. I_IMAGECALLBACK answers "not known now": the node is asked again
    // next time. The bases know no image.
    virtual int GetImageIndex(TTreeNode* node);
    virtual int GetSelectedIndex(TTreeNode* node);

    // The TWinControl hooks; overrides must call these bases.
    void CreateParams(TCreateParams& params) override;
    // Hands the window the fields, and stops its repainting inside BeginUpdate.
    void CreateWnd() override;
    // Deletes every node first.
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;
    void ColorChanged() override;
    void FontChanged() override;
    // The tree remakes its window (and so loses its nodes) for a new border.
    void BorderStyleChanged() override { RecreateWnd(); }
    // The indentation is a length of the design too; the control keeps it in pixels.
    void ChangeScale(int multiplier, int divisor) override;
    // Deletes the items whose nodes went while the native control was at work.
    void NativeHandlerEnded() override;

    // AddChild for a node added while the user may be moving the selection (a folder's items that
    // arrive later): a pending change report goes on waiting.
    TTreeNode* AddChildQuietly(TTreeNode* parent, const std::string& text, void* data);
    // Deletes a node that no code keeps across a call (a marker the tree shows for itself): no
    // watch ends, and a pending change report for another node goes on waiting. Its deletion hook
    // runs as for any node, and what that hook deletes is not quiet.
    void DeleteQuietly(TTreeNode* node);

    // The native control's messages; a tree without a window answers them with nothing.
    TTreeControl Native() const { return TTreeControl(FHandle); }

private:
    friend class TTreeNode;
    friend class TTreeNodes;
    friend class TNodesWatch;

    // A field that sets a window style bit, and the field's value that sets it.
    struct TStyleBit { bool TCustomTreeView::*Field; DWORD Bit; bool SetBy; };
    static const TStyleBit StyleBits[];
    // Stores the field and brings the window's style bit in line.
    void SetStyleFlag(bool TCustomTreeView::*field, bool value);
    void SetRedraw(bool redraw);
    void SendColors();
    // The node's expansion and collapse by program code, with the checks and the after-hooks.
    void ExpandNode(TTreeNode* node);
    void CollapseNode(TTreeNode* node);
    // The control reported a new selection.
    void SelectionChanged(TTreeNode* node);
    void CancelChange();
    // quiet: the watches go on, and so does a pending change report for another node.
    void NodesDeleting(const std::vector<TTreeNode*>& nodes, bool quiet);
    bool HandleNotify(TMessage& message);
    // The image hook's answer for node (selected: the selected image); I_IMAGECALLBACK, without
    // asking, for a node that is being deleted or is not this tree's.
    int AskImage(TTreeNode* node, bool selected);
    // The node's image index (selected: its selected image) for code that reads it: the one the
    // item holds, else the hook's answer, kept in the node when it is known and no node was
    // deleted meanwhile.
    int ReadImage(TTreeNode* node, bool selected);
    // Fills the control's request for a node's images, and lets it keep the answer.
    void AnswerImages(TVITEMA& item);
    void HandleRightButtonDown(TMessage& message);

    TTreeNodes FItems;
    bool FShowRoot = true;
    bool FShowButtons = true;
    bool FShowLines = true;
    bool FHideSelection = true;
    bool FHotTrack = false;
    bool FRowSelect = false;
    bool FToolTips = true;
    bool FReadOnly = false;
    int FIndent = 19;
    bool FRightClickSelect = false;
    int FChangeDelay = 0;
    // The change report waiting for its timer, and the node it will report.
    bool FChangePending = false;
    TTreeNode* FChangeNode = nullptr;
    // The node under the right button while it acts, with RightClickSelect.
    TTreeNode* FRClickNode = nullptr;
    std::optional<POINT> FRClickPoint;  // client point of the right button while the control tracks it
    // The node TTreeNode::Expand or Collapse is working on: the control's notifications about it
    // are not checked again.
    TTreeNode* FProgramExpandNode = nullptr;
    // Nodes are being deleted: the control's selection notices are not reported.
    int FDeletingNodes = 0;
    // Code reads an image index: the control's request for it is not answered.
    bool FReadingImages = false;
    // The node whose label the user edits; nullptr while no edit is open.
    TTreeNode* FEditNode = nullptr;
    // Counts the deletions of nodes (see TNodesWatch).
    unsigned FNodesGeneration = 0;
    // The nodes added or deleted now are quiet (AddChildQuietly, DeleteQuietly).
    bool FQuietNodes = false;
};

inline bool TNodesWatch::Current() const
{
    return FLife.Alive() && FTree->FNodesGeneration == FSeen;
}

// --- Table entries for a class that publishes a tree view.
namespace TreeViewProperties {
// The tree view's published properties and events, in their published order; the ones TControl
// publishes already (Enabled, ShowHint, ...) are not repeated.
std::vector<TPropertyInfo> Published();
}  // namespace TreeViewProperties
