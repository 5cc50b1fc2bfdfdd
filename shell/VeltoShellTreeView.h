// The shell tree view unit: the change notifier that turns the shell's change notifications into
// events with file-system paths, and the tree view of the shell namespace that owns one.
#pragma once

#include "../framework/ComPtr.h"
#include "../framework/ComboBox.h"
#include "../framework/InterfacedObject.h"
#include "../framework/Component.h"
#include "../framework/ListView.h"
#include "../framework/TreeView.h"
#include "../framework/Scope.h"
#include "../framework/UtilityWindow.h"
#include "VeltoShellFunctions.h"
#include "VeltoShellIcons.h"
#include "VeltoShellPidl.h"
#include "VeltoShellTypes.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// ---------------------------------------------------------------------------------------------------
// Change notifier
// ---------------------------------------------------------------------------------------------------

// A drive was added: ItemName is its root path.
using TCustomVeltoShellTreeViewChangeNotifierDriveAddEvent =
    std::function<void(TObject* Sender, const std::string& ItemName)>;
// A drive was added through the shell's user interface.
using TCustomVeltoShellTreeViewChangeNotifierDriveAddGUIEvent =
    std::function<void(TObject* Sender, const std::string& ItemName)>;
// A drive was removed.
using TCustomVeltoShellTreeViewChangeNotifierDriveRemovedEvent =
    std::function<void(TObject* Sender, const std::string& ItemName)>;
// Media were inserted into a drive.
using TCustomVeltoShellTreeViewChangeNotifierMediaInsertedEvent =
    std::function<void(TObject* Sender, const std::string& ItemName)>;
// Media were removed from a drive.
using TCustomVeltoShellTreeViewChangeNotifierMediaRemovedEvent =
    std::function<void(TObject* Sender, const std::string& ItemName)>;
// A folder was made.
using TCustomVeltoShellTreeViewChangeNotifierMkDirEvent =
    std::function<void(TObject* Sender, const std::string& ItemName)>;
// A folder was given a new name.
using TCustomVeltoShellTreeViewChangeNotifierRenameFolderEvent =
    std::function<void(TObject* Sender, const std::string& OldItemName, const std::string& NewItemName)>;
// A folder was removed.
using TCustomVeltoShellTreeViewChangeNotifierRmDirEvent =
    std::function<void(TObject* Sender, const std::string& ItemName)>;
// A folder's contents changed.
using TCustomVeltoShellTreeViewChangeNotifierUpdateDirEvent =
    std::function<void(TObject* Sender, const std::string& ItemName)>;

// Subscribes to the shell's change notifications for the whole namespace, only for the kinds whose
// event has a handler, and raises one event per notification; a notification that repeats the
// previous one exactly (kind and both paths) raises nothing. Events run on the thread that made the
// notifier, inside the window procedure of its hidden window; an exception a handler raises goes to
// the utility window error handler.
//
// Design state: the notifier then has no window, Active is only stored and nothing is registered.
// The design state can change after construction (SetDesigning is no hook), so the notifier looks
// at it whenever Active changes and when loading ends with Active true: in design state it then
// drops any registration and its window; outside it, it makes the window if there is none. A
// notifier made by a designing owner therefore never makes a window while it stays designing.
class TCustomVeltoShellTreeViewChangeNotifier : public TComponent {
public:
    DECLARE_CLASS_INFO

    // Makes the hidden window (outside design state); registers nothing yet.
    explicit TCustomVeltoShellTreeViewChangeNotifier(TComponent* owner);
    // Deregisters, then destroys the hidden window.
    ~TCustomVeltoShellTreeViewChangeNotifier() override;

    // Attributes
    // Whether the notifier listens; setting it registers or deregisters at once.
    bool Active() const { return FActive; }
    void SetActive(bool value);
    // The shell's registration number; 0 while not registered.
    ULONG NotifyHandle() const { return FNotifyHandle.get(); }
    // The hidden window that receives the notifications; nullptr in design state.
    HWND Handle() const { return FHandle.get(); }
    // The kind (SHCNE_ bit, interrupt bit cleared) of the last notification received; 0 before any.
    LONG LastEvent() const { return FLastEvent; }

    // Events. The kinds registered for are those with a handler when the notifier registers:
    // handlers assigned or removed later take effect when Active goes false and true again.
    TCustomVeltoShellTreeViewChangeNotifierDriveAddEvent OnDriveAdd;
    TCustomVeltoShellTreeViewChangeNotifierDriveAddGUIEvent OnDriveAddGUI;
    TCustomVeltoShellTreeViewChangeNotifierDriveRemovedEvent OnDriveRemoved;
    TCustomVeltoShellTreeViewChangeNotifierMediaInsertedEvent OnMediaInserted;
    TCustomVeltoShellTreeViewChangeNotifierMediaRemovedEvent OnMediaRemoved;
    TCustomVeltoShellTreeViewChangeNotifierMkDirEvent OnMkDir;
    TCustomVeltoShellTreeViewChangeNotifierRenameFolderEvent OnRenameFolder;
    TCustomVeltoShellTreeViewChangeNotifierRmDirEvent OnRmDir;
    TCustomVeltoShellTreeViewChangeNotifierUpdateDirEvent OnUpdateDir;

protected:
    // Registers when Active was set during loading. Overrides must call the base first.
    void Loaded() override;

private:
    // The shell's registration id: zero is none; closed through the looked-up deregistration.
    struct TChangeNotifyTraits {
        using TType = ULONG;
        static constexpr ULONG Invalid() { return 0; }
        static void Close(ULONG notifyHandle);
    };

    // Makes the window outside design state, drops registration and window in it; whether a
    // window is there afterwards.
    bool WindowForDesignState();
    void RegisterChangeNotify();
    void DeregisterChangeNotify();
    LRESULT NotifyWndProc(UINT message, WPARAM wParam, LPARAM lParam);
    void CallHandler(LONG eventCode, const std::string& path1, const std::string& path2);

    bool FActive = false;
    UINT FMessageID = 0;
    TUtilityWindowHandle FHandle;
    // Declared after FHandle: were the destructor body to leave it, it still goes first.
    TUniqueHandle<TChangeNotifyTraits> FNotifyHandle;
    LONG FLastEvent = 0;
    std::string FLastPath1;
    std::string FLastPath2;
};

// ---------------------------------------------------------------------------------------------------
// Shell tree view
// ---------------------------------------------------------------------------------------------------

class TShellListingJob;

// Orders two children of a shell tree node the way the desktop folder does: node1 and node2 are
// TTreeNode pointers whose Data is an absolute PIDL, which is only read. Returns the low 16 bits of
// the desktop's CompareIDs (column 0), sign-extended: negative when node1 comes first, 0 for the
// same item. appValue is not used. Shaped as the tree control's sort callback.
int CALLBACK CompareNodes(LPARAM node1, LPARAM node2, LPARAM appValue);

// A tree of the shell namespace with one top-level node, the folder Root names. A folder's children
// are listed from the shell when its node first expands, shown with the shell's names and the small
// system icons, and sorted as the shell sorts them. Every new window is filled afresh from Root:
// root node expanded and, outside design mode, selected.
//
// Ownership: each node's Data is the absolute PIDL of its item; the node owns it and frees it when
// it is deleted, by any path. An OnDeletion handler therefore finds Data nil; the node's
// ImageIndex and SelectedIndex are still the shell's icons of its item.
//
// A Root that resolves to no PIDL (a path the shell cannot parse) leaves the tree empty. A folder
// that cannot be listed (no folder object, or EnumObjects does not answer S_OK) refuses the
// expansion and keeps its expand button, so that a later expansion tries again.
//
// Design mode: the root is not selected, only the root's children are listed, and the notifier is
// never active.
//
// BackgroundListing: a folder the user opens (mouse, keyboard) is listed by a thread of its own,
// with its own apartment and desktop folder, while the window goes on serving messages. The node
// opens at once on a placeholder child, a marker of its folder only: a selection on it is reported
// as the folder, and moves to the first item when items come. The items come in batches, through
// the same filter, node information and order as a listing on the window's thread; OnExpanded is
// raised once the node holds them all, and the keyboard's expand-all then opens its sub-folders.
// A listing that fails leaves the node closed with its button, as a failed listing does. A
// collapse (code, mouse, keyboard, handler, recursive) or any deletion of the node (refresh,
// rebuild, a new Root or ObjectTypes, a new window, the tree's end) cancels the listing: the thread
// finishes alone, what it found is dropped, and a collapsed node keeps its button. Expansions
// asked for by code (Expand, FindNode, SelectPath, the refresh's re-expansion) list on the
// window's thread, and wait for a listing already running for their node. A change notification
// that comes while a listing runs refreshes the tree once no listing is left.
//
// Re-entry: handlers, shell notifications and pumped messages run inside the tree's operations.
// Every operation that keeps a node across such a call checks the tree's TNodesWatch afterwards and
// ends quietly when nodes were deleted or the tree is gone. While the tree is busy (expanding a
// node, walking to one, adding found items, refreshing, rebuilding, dragging, or inside any
// notification of the native control), the work asked for meanwhile (a RefreshTree, a RebuildTree,
// a shell change, found items) waits in one pending set; the end of the last busy operation posts
// it to the tree's own window and it runs from the message loop. A refresh or rebuild that runs
// serves every one waiting, so that no request is lost and none runs twice.
class TCustomVeltoShellTreeView : public TCustomTreeView {
public:
    DECLARE_CLASS_INFO

    // Change delay 50 ms, read-only texts, right-click select; no node and no window yet. The tree
    // joins the registry of live trees (IsLiveShellTreeView).
    explicit TCustomVeltoShellTreeView(TComponent* owner);
    // Leaves the registry and ends the watches on it first; frees the notifier, which unregisters
    // it; then the nodes go, each freeing its PIDL.
    ~TCustomVeltoShellTreeView() override;

    // Attributes
    // Right-click shows the shell's context menu of the node.
    bool AutoContextMenu() const { return FAutoContextMenu; }
    void SetAutoContextMenu(bool value) { FAutoContextMenu = value; }
    // Stored for the form text; nothing depends on it.
    bool AutoPropertiesDialog() const { return FAutoPropertiesDialog; }
    void SetAutoPropertiesDialog(bool value) { FAutoPropertiesDialog = value; }
    // Whether the change notifier listens (never in design mode).
    bool AutoRefresh() const { return FAutoRefresh; }
    void SetAutoRefresh(bool value);
    // The companion views told about the selection. Referenced, not owned: a link is cleared when
    // its companion is destroyed. Linking tells the new view the selected folder, then the tree;
    // unlinking tells the former view the tree 0; replacing tells the former view nothing.
    TCustomListView* ListView() const { return FListView; }
    void SetListView(TCustomListView* value);
    TCustomComboBox* ComboBox() const { return FComboBox; }
    void SetComboBox(TCustomComboBox* value);
    // Which items a listing yields; a change rebuilds the tree.
    TVeltoShellObjectTypes ObjectTypes() const { return FObjectTypes; }
    void SetObjectTypes(TVeltoShellObjectTypes value);
    // The root folder: a special-folder name or a path. A text that differs in any character, case
    // included, rebuilds the tree.
    const TVeltoRootFolder& Root() const { return FRoot; }
    void SetRoot(const TVeltoRootFolder& value);
    // The owned change notifier.
    TCustomVeltoShellTreeViewChangeNotifier* Notifier() const { return FNotifier.get(); }
    // A folder the user opens is listed by a thread of its own (see the class comment).
    bool BackgroundListing() const { return FBackgroundListing; }
    void SetBackgroundListing(bool value) { FBackgroundListing = value; }
    // Whether a listing of the node's folder runs in the background now.
    bool IsListing(const TTreeNode* node) const;
    // The small system image list every window gets. It belongs to the system. Taken when first
    // asked for: the shell builds it at some cost, and a tree nobody sees yet does not need it.
    HIMAGELIST Images();

    // Operations
    // Root resolved to a new absolute PIDL that the caller owns; nil when it names nothing. When
    // resolving raises, Root becomes empty and the error is passed on.
    LPITEMIDLIST GetRootIDList();
    // Replaces every node by a new root node from Root, expands it and, outside design mode,
    // selects it (the change is reported after the change delay). Without a window, adding the
    // root node makes one; that window's own request for a fill is this one.
    void FillRoot();
    // FillRoot inside BeginUpdate / EndUpdate. Does nothing while loading (the end of loading
    // rebuilds); waits while the tree is busy (see the class comment).
    void RebuildTree();
    // Sets the node's text, share overlay, cut state and has-children flag from its PIDL; its icons
    // are left to be asked for when it is first drawn or read (GetImageIndex, GetSelectedIndex).
    void FillNodeInfo(TTreeNode* node);
    // Lists the node's folder and adds a child node for each item that is file system, a file-system
    // ancestor or a folder, in the order CompareNodes gives; false, adding nothing, when the folder
    // cannot be listed, or when nodes were deleted while it listed. Each child node owns the new
    // absolute PIDL made for it.
    bool FillChildren(TTreeNode* node);

    // Navigation and refresh
    // The PIDLs of the item's ancestors below the desktop and of the item itself, shortest first:
    // element k holds the first k + 1 items of idList. The caller owns the list and every PIDL in
    // it; idList is only read. The desktop and nil give an empty list.
    static std::vector<TPidl> SplitIDList(LPCITEMIDLIST idList);
    // The first child of node whose PIDL names the same item as idList; nullptr when none does.
    // Both stay the caller's.
    TTreeNode* FindChildNode(LPCITEMIDLIST idList, TTreeNode* node) const;
    // Walks from the root node down towards the item, expanding each node on the way: the item's
    // node, else its deepest ancestor in the tree (the root for an item outside it); nullptr for a
    // nil PIDL or a tree without nodes. idList stays the caller's.
    TTreeNode* FindNode(LPCITEMIDLIST idList);
    // Selects the node FindNode gives and scrolls it into view; the change is reported after the
    // change delay unless that node was selected already. idList stays the caller's.
    void SelectIDList(LPCITEMIDLIST idList);
    // Selects the node of a path (ANSI; any text the desktop parses, such as "C:\Windows" or "c:").
    // Text the shell cannot parse changes nothing.
    void SelectPath(const std::string& path);
    // Rebuilds the tree from Root and restores, by PIDL, the expanded folders and the selected
    // item. A call while the tree is busy waits and runs once afterwards (see the class comment);
    // a tree without nodes but with a window gets the fill a new window gets.
    void RefreshTree();

protected:
    // Raises OnChange, then tells the companion views.
    void Change(TTreeNode* node) override;
    // Lists a node's children on its first expansion and corrects its has-children flag. Takes the
    // place of the base check: OnExpanding is raised here. In design mode, nodes below the root
    // expand without a check. The tree is busy meanwhile.
    bool CanExpand(TTreeNode* node) override;
    // Raises OnExpanded while the tree is busy; for a node listed in the background, once it holds
    // its children.
    void Expand(TTreeNode* node) override;
    // Cancels a background listing of the node, whose nodes go at the next drain; then OnCollapsed.
    void Collapse(TTreeNode* node) override;
    // Frees the node's PIDL and clears Data, then raises OnDeletion.
    void Delete(TTreeNode* node) override;
    // The shell's small icon of the node's item, and its open icon.
    int GetImageIndex(TTreeNode* node) override;
    int GetSelectedIndex(TTreeNode* node) override;
    // Hands the window the system image list, then rebuilds the tree from Root.
    void CreateWnd() override;
    // Rebuilds the tree, unless the base made the window, which filled it; then switches the
    // notifier on unless AutoRefresh is off or in design mode.
    void Loaded() override;
    // Clears the link to a companion that is destroyed.
    void Notification(TComponent* component, TOperation operation) override;
    // Lets the shell fill and draw its context menu while one is tracked; runs the pending work;
    // is busy inside the native control's notifications.
    void WndProc(TMessage& message) override;
    // --- Context menu
    // With AutoContextMenu, shows the shell's menu of the selected node: OnContextPopup is not
    // raised and handled stays false. Otherwise the standard step (OnContextPopup).
    void DoContextPopup(POINT mousePos, bool& handled) override;
    // --- End of context menu

    // One more operation under way for the length of a scope: the tree is busy while any is. The
    // end of the last one posts the work put off meanwhile. Touches nothing of a tree that went.
    class TBusyScope {
    public:
        explicit TBusyScope(TCustomVeltoShellTreeView& tree);
        ~TBusyScope();
        TBusyScope(const TBusyScope&) = delete;
        TBusyScope& operator=(const TBusyScope&) = delete;

    private:
        TCustomVeltoShellTreeView& FTree;
        TComponentWatch FWatch;
    };

private:
    // The work the tree puts off while it is busy. A shell refresh also waits for the listings.
    enum TWork : unsigned { wkDrain = 1, wkRefresh = 2, wkShellRefresh = 4, wkRebuild = 8 };
    // A background listing: its folder's node, the placeholder shown until items come, the job,
    // the index at which each child's item was found (by the node's PIDL, for the final order), and
    // whether the keyboard's expand-all asked for it. Node and Placeholder are cleared as they go;
    // a cancelled job is a listing a collapse ended, whose nodes go at the next drain.
    struct TListing {
        TTreeNode* Node = nullptr;
        TTreeNode* Placeholder = nullptr;
        std::shared_ptr<TShellListingJob> Job;
        std::unordered_map<const void*, int> Found;
        int Taken = 0;
        bool ExpandAll = false;
    };
    using TListingPtr = std::shared_ptr<TListing>;
    using TDeadline = std::chrono::steady_clock::time_point;

    bool Busy() const { return FBusy > 0; }
    // Adds the work to the pending set and posts it once the tree is idle.
    void Request(unsigned work);
    void PostWork();
    // Runs the pending work, unless busy.
    void RunWork();
    // A refresh or rebuild replaces the nodes now: every refresh and rebuild waiting is this one.
    void ServeWaiting() { FPending &= wkDrain; }
    // Sets what FillNodeInfo sets but the text, from the item's attributes (NodeInfoMask at least).
    void ShowNodeInfo(TTreeNode* node, SFGAOF attributes);
    void TellCompanions(TTreeNode* node);
    // Adds the child node of one listed item when the filter shows it, as the node's last child;
    // the new node owns a new absolute PIDL; child stays the caller's.
    TTreeNode* AddListedChild(TTreeNode* node, LPCITEMIDLIST child, const TShellChildInfo& info);

    // Background listing (VeltoShellTreeViewListing.cpp)
    // The listing of the node's folder, running or cancelled; nullptr for none.
    TListingPtr ListingOf(const TTreeNode* node) const;
    // Opens the node on a placeholder and starts its listing; false when it cannot start.
    bool StartListing(TTreeNode* node, bool expandAll);
    // Adds what the listings found until one deadline for all of them.
    void DrainListings();
    // Adds what the listing found until the deadline, finishes it once it ended and all is taken,
    // and discards it when a collapse cancelled it. False when items are left for later.
    bool DrainListing(const TListingPtr& listing, TDeadline deadline);
    // Code needs the node's children now: waits for its listing and takes everything. False when
    // the listing failed or the nodes changed under it.
    bool CompleteListing(const TListingPtr& listing);
    // Deletes the placeholder; when it was selected, selects landing (the first item found) or,
    // without one, its folder. False when the nodes changed under it.
    bool DropPlaceholder(const TListingPtr& listing, TTreeNode* landing);
    void FinishListing(const TListingPtr& listing, bool failed);
    // Deletes what the listing added and leaves its node closed with its button.
    void DiscardListing(const TListingPtr& listing);
    // Puts a node back to never listed, closed, with its button.
    void ForgetExpansion(TTreeNode* node);
    // Takes the listing out of the running ones; the last one out lets a waiting shell refresh go.
    void ForgetListing(const TListingPtr& listing);
    void RefreshForShell();
    bool HandleLinkMessage(TMessage& message);

    // Navigation and refresh
    // Every event of the notifier runs RefreshTree.
    void ConnectNotifier();
    // Hands the image list to a window that shows (or is about to), once per window.
    void AttachImages();
    // False when the re-expansion ended because nodes were deleted.
    bool ReexpandNode(TTreeNode* node, const std::vector<TPidl>& expanded, const TNodesWatch& watch);

    bool FAutoContextMenu = true;
    bool FAutoPropertiesDialog = true;
    bool FAutoRefresh = true;
    TCustomListView* FListView = nullptr;
    TCustomComboBox* FComboBox = nullptr;
    TVeltoShellObjectTypes FObjectTypes{TVeltoShellObjectType::otFolders};
    TVeltoRootFolder FRoot;
    HIMAGELIST FImages = nullptr;
    // Whether the window holds the image list: it gets it once it is visible.
    bool FImagesAttached = false;
    std::unique_ptr<TCustomVeltoShellTreeViewChangeNotifier> FNotifier;
    // Where the nodes' icons come from: their folders, asked by the icons' locations.
    TShellIcons FIcons;
    bool FBackgroundListing = false;
    // Re-entry: the operations under way, the work put off (TWork), and whether the work message
    // is on its way.
    int FBusy = 0;
    unsigned FPending = 0;
    bool FWorkPosted = false;
    // The listings, the native control's expansion notification and its expand-all key being
    // handled: the expansions they ask for are the user's.
    std::vector<TListingPtr> FListings;
    bool FUserExpanding = false;
    bool FExpandingAll = false;
};

// Whether the address is a TCustomVeltoShellTreeView of this process that is constructed and not
// yet destroyed. A companion checks the tree a MsgIdSetTreeView names before it uses it: a tree can
// be destroyed after posting the message and before the companion handles it.
bool IsLiveShellTreeView(const void* address);

class TVeltoShellTreeView;

// The drop target OLE holds for a TVeltoShellTreeView's window. Reference counted on its own: OLE
// keeps the target under the pointer referenced for the length of a drag, past RevokeDragDrop, so
// it can outlive the tree. While linked it hands the four calls to the tree; once the tree has cut
// the link (the first thing its destruction does) it answers DROPEFFECT_NONE and asks no folder.
class TShellTreeDropTarget : public TInterfacedObject<IDropTarget> {
public:
    explicit TShellTreeDropTarget(TVeltoShellTreeView* tree) : FTree(tree) {}

    // The tree the calls go to; nullptr once the link is cut.
    TVeltoShellTreeView* Tree() const { return FTree; }
    void Unlink() { FTree = nullptr; }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* dataObject, DWORD keyState, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* dataObject, DWORD keyState, POINTL point, DWORD* effect) override;

private:
    TVeltoShellTreeView* FTree;
};

// The shell tree view as a form text places it: publishes the properties and adds drag and drop.
class TVeltoShellTreeView : public TCustomVeltoShellTreeView {
public:
    DECLARE_CLASS_INFO

    explicit TVeltoShellTreeView(TComponent* owner);
    // Cuts its drop target's link first, then destroys the window, so that the registration is
    // revoked while this class's DestroyWnd still runs.
    ~TVeltoShellTreeView() override;

    // Attributes
    // Nodes may be dragged to OLE drop targets.
    bool DragEnabled() const { return FDragEnabled; }
    void SetDragEnabled(bool value) { FDragEnabled = value; }
    // OLE drags may be dropped onto the nodes.
    bool DropEnabled() const { return FDropEnabled; }
    // Registers or revokes at once. Turning it on makes the window if there is none; that window's
    // creation registers it, and the setter then does not register a second time.
    void SetDropEnabled(bool value);

    // ---------------------------------------------------------------------------------------------
    // Drag and drop (VeltoShellTreeViewDragDrop.cpp)
    // ---------------------------------------------------------------------------------------------

    // Whether the current window is registered as an OLE drop target.
    bool DropRegistered() const { return FDropRegistered; }
    // The object RegisterDragDrop gets for every window of the tree; it lives as long as it is
    // referenced, and forwards to the tree only while the tree lives.
    TShellTreeDropTarget* DropTargetObject() const { return FDropTarget.get(); }

    // The drop-target calls, as the tree's drop target object forwards them. Each of the four asks
    // the shell's drop target of the item under the point (screen coordinates) afresh and answers
    // with its effect; DROPEFFECT_NONE when there is none or a call fails. They always return S_OK.
    // DragEnter holds the data object and notes the mouse buttons until DragLeave or Drop.
    HRESULT DragEnter(IDataObject* dataObject, DWORD keyState, POINTL point, DWORD* effect);
    HRESULT DragOver(DWORD keyState, POINTL point, DWORD* effect);
    // Lets the data object go and clears the drop highlight.
    HRESULT DragLeave();
    // The button that dragged is up by now: it is put back into the key state the folder gets.
    HRESULT Drop(IDataObject* dataObject, DWORD keyState, POINTL point, DWORD* effect);

    // Runs one modal OLE drag of the node's item, with the data and the allowed effects its parent
    // folder gives; the node's PIDL is only read. Nothing happens when the folder gives no data.
    void StartShellDrag(TTreeNode* node, bool rightButton);
    // The node under the screen point (nullptr over empty space); moves the drop highlight to it
    // and expands it when the pointer has rested on it, collapsed, for more than 1000 ms.
    TTreeNode* FindDropNode(POINT screenPoint);
    // The shell's drop target for the item of the node under the screen point, a reference the
    // caller owns; empty when there is none. The desktop root stands for the desktop directory.
    TComPtr<IDropTarget> GetFolderDropTarget(POINT screenPoint);
    // Scrolls one line towards an edge the point is near (26 px left and right, 20 px top and
    // bottom), on both axes, at most once every 100 ms.
    void DragScroll(POINT screenPoint);
    // One line step (SB_LINEUP/SB_LINELEFT 0, SB_LINEDOWN/SB_LINERIGHT 1) on SB_HORZ or SB_VERT,
    // sent through the window procedure, when that bar has anything to scroll.
    void ScrollLine(int bar, int direction);

protected:
    // The control reports the start of a drag with either button.
    void CreateParams(TCreateParams& params) override;
    // Registers the new window as a drop target when DropEnabled. Overrides must call the base first.
    void CreateWnd() override;
    // Revokes the registration, then destroys the window. Overrides must call the base.
    void DestroyWnd() override;
    // Starts an OLE drag at the control's begin-drag notifications while DragEnabled.
    void WndProc(TMessage& message) override;

private:
    void RegisterDrop();
    void RevokeDrop();

    bool FDragEnabled = true;
    bool FDropEnabled = true;
    bool FDropRegistered = false;
    bool FShellDragRan = false;  // StartShellDrag ran inside the button message being handled
    TComPtr<TShellTreeDropTarget> FDropTarget;
    // The drag over the control: its data, its buttons, and the ticks of scrolling and hovering.
    TComPtr<IDataObject> FDragDataObject;
    bool FDragLeftButton = false;
    bool FDragRightButton = false;
    DWORD FLastScrollTick = 0;
    DWORD FHoverStartTick = 0;  // 0: no expansion pending
    // --- end of drag and drop
};

// Makes TVeltoShellTreeView, the notifier and the companion base classes known to the form reader.
// Harmless to call again.
void RegisterVeltoShellClasses();

// ---------------------------------------------------------------------------------------------------
// Links and registered messages
// ---------------------------------------------------------------------------------------------------

// The registered messages between a shell tree and its companion views; 0 until
// InitializeVeltoShellTreeView. wParam is always 0.
//   MsgIdSetTreeView  tree -> companion: lParam the TCustomVeltoShellTreeView*, or 0 on unlinking.
//   MsgIdSetListView  any window -> tree: lParam a TCustomListView* of this process to link (0
//                     unlinks); anything else is ignored. Answered 0, nothing sent back.
//   MsgIdSetComboBox  registered only.
//   MsgIdSetPath      tree -> combo box, and any window -> tree (see below).
//   MsgIdSetRoot      tree -> list view.
// Ownership of the PIDL in MsgIdSetRoot and MsgIdSetPath sent by the tree: lParam is a new copy of
// the selected node's absolute PIDL (0 for no node) and belongs to the receiving companion, which
// frees it with FreeIDList, whether it came posted or, in design mode, synchronously. A companion
// whose window goes while such messages wait calls FreeQueuedTreeMessages first.
// MsgIdSetPath to the tree: lParam an absolute PIDL that stays the sender's; the tree selects its
// node. lParam 0 is ignored. Answered 0.
extern UINT MsgIdSetTreeView;
extern UINT MsgIdSetListView;
extern UINT MsgIdSetComboBox;
extern UINT MsgIdSetPath;
extern UINT MsgIdSetRoot;

// Registers the five messages in the order above, initialises OLE for this thread and registers the
// "Shell IDList Array" clipboard format. The program calls it once, after
// InitializeVeltoShellFunctions and before any form is made.
void InitializeVeltoShellTreeView();
// Uninitialises OLE. The program calls it once, after the last form is destroyed and before
// FinalizeVeltoShellFunctions.
void FinalizeVeltoShellTreeView();
// Removes the MsgIdSetRoot and MsgIdSetPath messages still queued for the window and frees the
// PIDLs they carry: for a companion whose window is about to go.
void FreeQueuedTreeMessages(HWND window);
// --- End of links and registered messages
