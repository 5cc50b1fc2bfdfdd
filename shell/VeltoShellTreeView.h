// The shell tree view unit: the change notifier that turns the shell's change notifications into
// events with file-system paths, and the tree view of the shell namespace that owns one.
#pragma once

#include "../framework/ComboBox.h"
#include "../framework/Component.h"
#include "../framework/ListView.h"
#include "../framework/TreeView.h"
#include "../framework/UniqueHandle.h"
#include "../framework/UtilityWindow.h"
#include "VeltoShellFunctions.h"
#include "VeltoShellTypes.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

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
    struct TChangeNotifyCloser {
        void operator()(ULONG notifyHandle) const;
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
    TUniqueHandle<ULONG, TChangeNotifyCloser, 0> FNotifyHandle;
    LONG FLastEvent = 0;
    std::string FLastPath1;
    std::string FLastPath2;
};

// ---------------------------------------------------------------------------------------------------
// Shell tree view
// ---------------------------------------------------------------------------------------------------

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
// it is deleted, by any path. An OnDeletion handler therefore finds Data nil.
//
// A Root that resolves to no PIDL (a path the shell cannot parse) leaves the tree empty. A folder
// that cannot be listed (no folder object, or EnumObjects does not answer S_OK) refuses the
// expansion and keeps its expand button, so that a later expansion tries again.
//
// Design mode: the root is not selected, only the root's children are listed, and the notifier is
// never active.
class TCustomVeltoShellTreeView : public TCustomTreeView {
public:
    DECLARE_CLASS_INFO

    // Change delay 50 ms, read-only texts, right-click select; no node and no window yet.
    explicit TCustomVeltoShellTreeView(TComponent* owner);
    // Frees the notifier first, which unregisters it; then the nodes go, each freeing its PIDL.
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
    // its companion is destroyed.
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
    // The small system image list every window gets. It belongs to the system.
    HIMAGELIST Images() const { return FImages; }

    // Operations
    // Root resolved to a new absolute PIDL that the caller owns; nil when it names nothing. When
    // resolving raises, Root becomes empty and the error is passed on.
    LPITEMIDLIST GetRootIDList();
    // Replaces every node by a new root node from Root, expands it and, outside design mode,
    // selects it (the change is reported after the change delay).
    void FillRoot();
    // FillRoot inside BeginUpdate / EndUpdate; does nothing while loading or while a rebuild runs
    // (adding the first node makes the window, whose creation rebuilds).
    void RebuildTree();
    // Sets the node's text, icons, share overlay, cut state and has-children flag from its PIDL.
    void FillNodeInfo(TTreeNode* node);
    // Lists the node's folder and adds a child node for each item that is file system, a file-system
    // ancestor or a folder, in the order CompareNodes gives; false, adding nothing, when the folder
    // cannot be listed. Each child node owns the new absolute PIDL made for it.
    bool FillChildren(TTreeNode* node);

protected:
    // Raises OnChange, then tells the companion views.
    void Change(TTreeNode* node) override;
    // Lists a node's children on its first expansion and corrects its has-children flag. Takes the
    // place of the base check: OnExpanding is raised here. In design mode, nodes below the root
    // expand without a check.
    bool CanExpand(TTreeNode* node) override;
    // Frees the node's PIDL and clears Data, then raises OnDeletion.
    void Delete(TTreeNode* node) override;
    // Hands the window the system image list, then rebuilds the tree from Root.
    void CreateWnd() override;
    // Rebuilds the tree, then switches the notifier on unless AutoRefresh is off or in design mode.
    void Loaded() override;
    // Clears the link to a companion that is destroyed.
    void Notification(TComponent* component, TOperation operation) override;
    // Lets the shell fill and draw its context menu while one is tracked.
    void WndProc(TMessage& message) override;

private:
    void TellCompanions(TTreeNode* node);
    bool HandleLinkMessage(TMessage& message);

    bool FAutoContextMenu = true;
    bool FAutoPropertiesDialog = true;
    bool FAutoRefresh = true;
    TCustomListView* FListView = nullptr;
    TCustomComboBox* FComboBox = nullptr;
    TVeltoShellObjectTypes FObjectTypes{TVeltoShellObjectType::otFolders};
    TVeltoRootFolder FRoot;
    HIMAGELIST FImages = nullptr;
    std::unique_ptr<TCustomVeltoShellTreeViewChangeNotifier> FNotifier;
    bool FRefreshing = false;
    bool FRebuilding = false;
};

// The shell tree view as a form text places it: publishes the properties and adds drag and drop.
class TVeltoShellTreeView : public TCustomVeltoShellTreeView {
public:
    DECLARE_CLASS_INFO

    explicit TVeltoShellTreeView(TComponent* owner);

    // Attributes
    // Nodes may be dragged to OLE drop targets.
    bool DragEnabled() const { return FDragEnabled; }
    void SetDragEnabled(bool value) { FDragEnabled = value; }
    // OLE drags may be dropped onto the nodes.
    bool DropEnabled() const { return FDropEnabled; }
    void SetDropEnabled(bool value) { FDropEnabled = value; }

protected:
    // The control reports the start of a drag with either button.
    void CreateParams(TCreateParams& params) override;

private:
    bool FDragEnabled = true;
    bool FDropEnabled = true;
};

// Makes TVeltoShellTreeView, the notifier and the companion base classes known to the form reader.
// Harmless to call again.
void RegisterVeltoShellClasses();
