// The demo's companion views of a shell tree: a list of a folder's items and a box with the path.
#pragma once

#include "ComboBox.h"
#include "ListView.h"
#include "VeltoShellPidl.h"

#include <windows.h>

#include <string>
#include <vector>

class TCustomVeltoShellTreeView;

// The identifiers of the shell views' registered messages, registered by name on first use: the
// companions agree with the tree on them without linking to its unit.
struct TShellViewMessages {
    UINT SetTreeView;
    UINT SetListView;
    UINT SetComboBox;
    UINT SetPath;
    UINT SetRoot;
};
const TShellViewMessages& ShellViewMessages();

// A report list of one folder's items (folders first, then in the shell's order) with the small
// system icons. It shows the folder the tree posts in MsgIdSetRoot, and activating a folder item
// (double click, Enter) sends MsgIdSetPath to the tree, which then selects that folder.
//
// Ownership: the PIDL of a posted MsgIdSetRoot is a copy made for this view, which frees it; the
// PIDL it sends to the tree is its own and is freed after SendMessage returns.
class TDemoShellListView : public TCustomListView {
public:
    DECLARE_CLASS_INFO

    explicit TDemoShellListView(TComponent* owner);
    // Ends the window here, so that the messages still queued for it are freed.
    ~TDemoShellListView() override;

    // Attributes
    // The folder shown (an absolute PIDL this view owns); nil when the tree has no selection.
    LPCITEMIDLIST Folder() const { return FFolder.get(); }
    // The number of items shown.
    int ItemCount() const { return static_cast<int>(FItems.size()); }
    // The display name of an item shown.
    const std::string& ItemName(int index) const { return FItems.at(static_cast<std::size_t>(index)).Name; }
    // The tree this view is linked to, as MsgIdSetTreeView told it; nullptr when unlinked.
    TCustomVeltoShellTreeView* TreeView() const { return FTreeView; }

    // Operations
    // Lists the folder (an absolute PIDL, nil for none); this view takes ownership of it.
    void ShowFolder(TPidl folder);
    // Asks the linked tree to select the item's folder; nothing for a file or without a tree.
    void OpenItem(int index);

    // Events
    TNotifyEvent OnFolderChanged;  // after a new folder has been listed

protected:
    // Sets the icons and the column, then lists the items kept in the fields.
    void CreateWnd() override;
    // Frees the PIDLs of tree messages that will never arrive.
    void DestroyWnd() override;
    // The registered messages, and item activation from the native control.
    void WndProc(TMessage& message) override;
    // Forgets the tree when it is destroyed.
    void Notification(TComponent* component, TOperation operation) override;

private:
    struct TItem {
        TPidl IDList;  // absolute
        std::string Name;
        int Icon = 0;
        bool Folder = false;
    };

    void FillWindow();
    void SetTreeView(TCustomVeltoShellTreeView* tree);

    TPidl FFolder;
    std::vector<TItem> FItems;
    TCustomVeltoShellTreeView* FTreeView = nullptr;
};

// A drop-down box showing the tree's selected folder: its text is the folder's path (its display
// name when it has no path) and its list holds the folder's ancestors from the desktop down. Picking
// an ancestor sends MsgIdSetPath to the tree.
//
// Ownership: as for TDemoShellListView, the PIDL of a posted MsgIdSetPath is this box's to free.
class TDemoShellComboBox : public TCustomComboBox {
public:
    DECLARE_CLASS_INFO

    explicit TDemoShellComboBox(TComponent* owner);
    ~TDemoShellComboBox() override;

    // Attributes
    // The folder shown (owned); nil when the tree has no selection.
    LPCITEMIDLIST Folder() const { return FFolder.get(); }

    // Operations
    // Shows the folder (an absolute PIDL, nil for none); this box takes ownership of it.
    void ShowFolder(TPidl folder);

protected:
    // Puts the ancestors into the new window's list.
    void CreateWnd() override;
    void DestroyWnd() override;
    // The registered messages, and a pick from the drop-down list.
    void WndProc(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void FillWindow();
    void SetTreeView(TCustomVeltoShellTreeView* tree);

    TPidl FFolder;
    std::vector<TPidl> FAncestors;  // desktop first, the folder itself last
    TCustomVeltoShellTreeView* FTreeView = nullptr;
};

// Makes the two companion classes known to the form reader. Harmless to call again.
void RegisterDemoCompanionClasses();
