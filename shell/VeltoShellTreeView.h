// The shell tree view unit: the change notifier that turns the shell's change notifications into
// events with file-system paths.
#pragma once

#include "../framework/Component.h"
#include "../framework/UniqueHandle.h"
#include "../framework/UtilityWindow.h"

#include <windows.h>

#include <functional>
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
