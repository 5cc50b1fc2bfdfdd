// TCustomVeltoShellTreeViewChangeNotifier: registering with the shell and turning its notification
// messages into events.
#include "VeltoShellTreeView.h"

#include <shlobj.h>

namespace {

using TNotifier = TCustomVeltoShellTreeViewChangeNotifier;
using TItemEvent = TCustomVeltoShellTreeViewChangeNotifierMkDirEvent;  // the eight one-path events

const char NotifierMessageName[] = "MsgId_VeltoShellTreeChangeNotifier";

// The shell delivers to the window for notifications raised by the shell and by the system.
constexpr int NotifySources = SHCNRF_InterruptLevel | SHCNRF_ShellLevel;
constexpr DWORD InterruptBit = 0x80000000;  // SHCNE_INTERRUPT

// One row per handled kind, in the order the event mask is built. The rename row has a handler of
// its own type; the others a one-path one.
struct TEventRow {
    LONG Bit;
    TItemEvent TNotifier::*ItemHandler;
    TCustomVeltoShellTreeViewChangeNotifierRenameFolderEvent TNotifier::*RenameHandler;
};

const TEventRow EventRows[] = {
    {SHCNE_DRIVEADD, &TNotifier::OnDriveAdd, nullptr},
    {SHCNE_DRIVEADDGUI, &TNotifier::OnDriveAddGUI, nullptr},
    {SHCNE_DRIVEREMOVED, &TNotifier::OnDriveRemoved, nullptr},
    {SHCNE_MEDIAINSERTED, &TNotifier::OnMediaInserted, nullptr},
    {SHCNE_MEDIAREMOVED, &TNotifier::OnMediaRemoved, nullptr},
    {SHCNE_MKDIR, &TNotifier::OnMkDir, nullptr},
    {SHCNE_RENAMEFOLDER, nullptr, &TNotifier::OnRenameFolder},
    {SHCNE_RMDIR, &TNotifier::OnRmDir, nullptr},
    {SHCNE_UPDATEDIR, &TNotifier::OnUpdateDir, nullptr},
};

bool HandlerAssigned(const TNotifier& notifier, const TEventRow& row)
{
    return row.ItemHandler ? static_cast<bool>(notifier.*row.ItemHandler)
                           : static_cast<bool>(notifier.*row.RenameHandler);
}

// The documented prototypes of the two functions shell32 exports by ordinal only.
using TSHChangeNotifyRegister = ULONG(WINAPI*)(HWND window, int sources, LONG events, UINT message,
                                               int entryCount, const SHChangeNotifyEntry* entries);
using TSHChangeNotifyDeregister = BOOL(WINAPI*)(ULONG notifyHandle);

struct TChangeNotifyFunctions {
    TSHChangeNotifyRegister Register = nullptr;
    TSHChangeNotifyDeregister Deregister = nullptr;
};

// SHChangeNotifyRegister (ordinal 2) and SHChangeNotifyDeregister (ordinal 4), looked up once;
// nil where shell32 lacks them. shell32 is loaded for good: this library imports from it by name.
const TChangeNotifyFunctions& ChangeNotifyFunctions()
{
    static const TChangeNotifyFunctions functions = [] {
        TChangeNotifyFunctions found;
        if (HMODULE shell32 = GetModuleHandleA("shell32.dll")) {
            found.Register = reinterpret_cast<TSHChangeNotifyRegister>(
                reinterpret_cast<void*>(GetProcAddress(shell32, MAKEINTRESOURCEA(2))));
            found.Deregister = reinterpret_cast<TSHChangeNotifyDeregister>(
                reinterpret_cast<void*>(GetProcAddress(shell32, MAKEINTRESOURCEA(4))));
        }
        return found;
    }();
    return functions;
}

}  // namespace

const TClassInfo& TCustomVeltoShellTreeViewChangeNotifier::StaticClassInfo()
{
    using N = TCustomVeltoShellTreeViewChangeNotifier;
    static const TClassInfo info{
        .Name = "TCustomVeltoShellTreeViewChangeNotifier",
        .Parent = &TComponent::StaticClassInfo(),
        .Properties = {
            BoolProperty<N>("Active", &N::Active, &N::SetActive, NoDefault),
            EventProperty<N>("OnDriveAdd", &N::OnDriveAdd),
            EventProperty<N>("OnDriveAddGUI", &N::OnDriveAddGUI),
            EventProperty<N>("OnDriveRemoved", &N::OnDriveRemoved),
            EventProperty<N>("OnMediaInserted", &N::OnMediaInserted),
            EventProperty<N>("OnMediaRemoved", &N::OnMediaRemoved),
            EventProperty<N>("OnMkDir", &N::OnMkDir),
            EventProperty<N>("OnRenameFolder", &N::OnRenameFolder),
            EventProperty<N>("OnRmDir", &N::OnRmDir),
            EventProperty<N>("OnUpdateDir", &N::OnUpdateDir),
        },
        .Create = [](TComponent* owner) -> TComponent* { return new N(owner); }};
    return info;
}

void TCustomVeltoShellTreeViewChangeNotifier::TChangeNotifyTraits::Close(ULONG notifyHandle)
{
    if (const auto deregister = ChangeNotifyFunctions().Deregister)
        deregister(notifyHandle);
}

TCustomVeltoShellTreeViewChangeNotifier::TCustomVeltoShellTreeViewChangeNotifier(TComponent* owner)
    : TComponent(owner)
{
    WindowForDesignState();
}

TCustomVeltoShellTreeViewChangeNotifier::~TCustomVeltoShellTreeViewChangeNotifier()
{
    // Active := false without SetActive's design-state handling, which could make a window only
    // to destroy it here. Deregistered in any state, also a registration made before a switch to
    // design state: the shell must never be left sending to a window that is gone.
    FActive = false;
    DeregisterChangeNotify();
    FHandle.reset();
}

void TCustomVeltoShellTreeViewChangeNotifier::SetActive(bool value)
{
    if (!ChangeField(FActive, value))
        return;
    if (!WindowForDesignState())
        return;
    if (value)
        RegisterChangeNotify();
    else
        DeregisterChangeNotify();
}

void TCustomVeltoShellTreeViewChangeNotifier::Loaded()
{
    TComponent::Loaded();
    if (FActive && WindowForDesignState())
        RegisterChangeNotify();
}

bool TCustomVeltoShellTreeViewChangeNotifier::WindowForDesignState()
{
    if (IsDesigning()) {
        DeregisterChangeNotify();
        FHandle.reset();
        FMessageID = 0;
        return false;
    }
    if (!FHandle) {
        FMessageID = RegisterWindowMessageA(NotifierMessageName);
        FHandle.reset(AllocateHWnd([this](UINT message, WPARAM wParam, LPARAM lParam) {
            return NotifyWndProc(message, wParam, lParam);
        }));
    }
    return static_cast<bool>(FHandle);
}

void TCustomVeltoShellTreeViewChangeNotifier::RegisterChangeNotify()
{
    if (FNotifyHandle)
        return;
    LONG mask = 0;
    for (const TEventRow& row : EventRows)
        if (HandlerAssigned(*this, row))
            mask |= row.Bit;
    const auto registerNotify = ChangeNotifyFunctions().Register;
    if (mask == 0 || !registerNotify || !FHandle)
        return;
    const SHChangeNotifyEntry entry{nullptr, TRUE};  // the whole namespace, with every sub-item
    FNotifyHandle.reset(registerNotify(FHandle.get(), NotifySources, mask, FMessageID, 1, &entry));
}

void TCustomVeltoShellTreeViewChangeNotifier::DeregisterChangeNotify()
{
    FNotifyHandle.reset();
}

LRESULT TCustomVeltoShellTreeViewChangeNotifier::NotifyWndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != FMessageID)
        return DefWindowProcW(FHandle.get(), message, wParam, lParam);

    const auto eventCode = static_cast<LONG>(static_cast<DWORD>(lParam) & ~InterruptBit);
    // Item 1 and item 2, absolute; the shell owns them for the length of the message.
    const auto* items = reinterpret_cast<const LPCITEMIDLIST*>(wParam);
    const std::string path1 = IDListToPath(items ? items[0] : nullptr);
    const std::string path2 = IDListToPath(items ? items[1] : nullptr);
    const bool repeated = eventCode == FLastEvent && path1 == FLastPath1 && path2 == FLastPath2;

    // Recorded before the handler runs: a notification the handler raises in turn (delivered
    // inside the call) compares with this one, a handler that raises leaves it recorded, and a
    // handler that destroys the notifier leaves nothing to be written afterwards.
    FLastEvent = eventCode;
    FLastPath1 = path1;
    FLastPath2 = path2;
    if (!repeated)
        CallHandler(eventCode, path1, path2);
    return 0;
}

void TCustomVeltoShellTreeViewChangeNotifier::CallHandler(LONG eventCode, const std::string& path1,
                                                         const std::string& path2)
{
    for (const TEventRow& row : EventRows) {
        if (row.Bit != eventCode)
            continue;
        // Called through copies: a handler may replace itself or destroy the notifier.
        if (row.ItemHandler) {
            if (const TItemEvent handler = this->*row.ItemHandler)
                handler(this, path1);
        } else if (const auto handler = this->*row.RenameHandler) {
            handler(this, path1, path2);
        }
        return;
    }
}
