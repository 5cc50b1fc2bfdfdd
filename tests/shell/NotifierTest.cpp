// TCustomVeltoShellTreeViewChangeNotifier: shell notifications raised in this process reach the
// right events, repeats are suppressed, and registration follows Active, handlers and design state.
#include "../../shell/VeltoShellTreeView.h"
#include "../../framework/FormReader.h"
#include "../support/ScratchFolder.h"
#include "ShellTestHelpers.h"

#include <doctest.h>

#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using TNotifier = TCustomVeltoShellTreeViewChangeNotifier;
using TLog = std::vector<std::string>;

// Hooks all nine events to lines of the log: "MkDir C:\x", "RenameFolder C:\a > C:\b".
void HookAll(TNotifier& notifier, TLog& log)
{
    auto item = [&](const char* kind) {
        return [&log, &notifier, kind](TObject* sender, const std::string& itemName) {
            log.push_back(std::string(sender == &notifier ? "" : "(other sender) ") + kind + " " + itemName);
        };
    };
    notifier.OnDriveAdd = item("DriveAdd");
    notifier.OnDriveAddGUI = item("DriveAddGUI");
    notifier.OnDriveRemoved = item("DriveRemoved");
    notifier.OnMediaInserted = item("MediaInserted");
    notifier.OnMediaRemoved = item("MediaRemoved");
    notifier.OnMkDir = item("MkDir");
    notifier.OnRenameFolder = [&log](TObject*, const std::string& oldName, const std::string& newName) {
        log.push_back("RenameFolder " + oldName + " > " + newName);
    };
    notifier.OnRmDir = item("RmDir");
    notifier.OnUpdateDir = item("UpdateDir");
}

// Raises a notification with paths the way any program does; Wine delivers it inside the call,
// Windows by the time the messages waiting are handled.
void Raise(LONG event, const fs::path& item1, const fs::path& item2 = {})
{
    const std::string first = item1.string(), second = item2.string();
    SHChangeNotify(event, SHCNF_PATHA | SHCNF_FLUSH, first.c_str(), item2.empty() ? nullptr : second.c_str());
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

// Sends the notification message straight to the hidden window, with a real two-item array.
void SendNotification(const TNotifier& notifier, DWORD lParam, const fs::path& item1)
{
    const TPidl pidl = PidlOf(item1);
    REQUIRE(pidl);
    LPCITEMIDLIST items[2] = {pidl.get(), nullptr};
    const UINT message = RegisterWindowMessageA("MsgId_VeltoShellTreeChangeNotifier");
    CHECK(SendMessageW(notifier.Handle(), message, reinterpret_cast<WPARAM>(items),
                       static_cast<LPARAM>(static_cast<LONG>(lParam))) == 0);
}

// Whether the shell still held the registration; takes it away if it did.
bool StillRegistered(ULONG notifyHandle) { return SHChangeNotifyDeregister(notifyHandle) != FALSE; }

// A form whose text places a notifier and wires two of its events to published handlers.
class TNotifierTestForm : public TComponent {
public:
    DECLARE_CLASS_INFO
    TNotifierTestForm() : TComponent(nullptr) {}

    TNotifier* Notifier = nullptr;
    TLog Log;
    void NotifierMkDir(TObject*, const std::string& itemName) { Log.push_back("MkDir " + itemName); }
    void NotifierRmDir(TObject*, const std::string& itemName) { Log.push_back("RmDir " + itemName); }
};

}  // namespace

const TClassInfo& TNotifierTestForm::StaticClassInfo()
{
    using F = TNotifierTestForm;
    static const TClassInfo info{
        .Name = "TNotifierTestForm",
        .Parent = &TComponent::StaticClassInfo(),
        .Methods = {Method<F>("NotifierMkDir", &F::NotifierMkDir), Method<F>("NotifierRmDir", &F::NotifierRmDir)},
        .Fields = {Field<F>("Notifier", &F::Notifier)}};
    return info;
}

TEST_SUITE("TCustomVeltoShellTreeViewChangeNotifier") {

TEST_CASE("each notification kind reaches its own event with the paths of its items")
{
    TScratchFolder scratch;
    const fs::path made = scratch / "made", renamed = scratch / "renamed", file = scratch / "file.txt";
    TNotifier notifier(nullptr);
    TLog log;
    HookAll(notifier, log);
    CHECK_FALSE(notifier.Active());
    CHECK(notifier.Handle() != nullptr);
    notifier.SetActive(true);
    CHECK(notifier.NotifyHandle() != 0);

    fs::create_directory(made);
    Raise(SHCNE_MKDIR, made);
    Raise(SHCNE_UPDATEDIR, scratch.Path());
    fs::rename(made, renamed);
    Raise(SHCNE_RENAMEFOLDER, made, renamed);
    WriteBytes(file, Bytes("x"));
    Raise(SHCNE_CREATE, file);  // a kind the notifier does not handle
    fs::remove(renamed);
    Raise(SHCNE_RMDIR, renamed);
    Raise(SHCNE_DRIVEADD, "C:\\");
    Raise(SHCNE_DRIVEADDGUI, "C:\\");
    Raise(SHCNE_DRIVEREMOVED, "C:\\");
    Raise(SHCNE_MEDIAINSERTED, "C:\\");
    Raise(SHCNE_MEDIAREMOVED, "C:\\");
    CHECK(log == TLog{"MkDir " + made.string(), "UpdateDir " + scratch.Path().string(),
                      "RenameFolder " + made.string() + " > " + renamed.string(), "RmDir " + renamed.string(),
                      "DriveAdd C:\\", "DriveAddGUI C:\\", "DriveRemoved C:\\", "MediaInserted C:\\",
                      "MediaRemoved C:\\"});
}

TEST_CASE("a handler alone registers its own kind of notification and no other")
{
    TScratchFolder scratch;
    const fs::path a = scratch / "a", b = scratch / "b";
    // The nine kinds: the bit, the line its handler logs, and how the handler is taken away.
    struct TKind {
        LONG Event;
        const char* Line;
        void (*Clear)(TNotifier&);
    };
    const TKind kinds[] = {
        {SHCNE_DRIVEADD, "DriveAdd", [](TNotifier& n) { n.OnDriveAdd = nullptr; }},
        {SHCNE_DRIVEADDGUI, "DriveAddGUI", [](TNotifier& n) { n.OnDriveAddGUI = nullptr; }},
        {SHCNE_DRIVEREMOVED, "DriveRemoved", [](TNotifier& n) { n.OnDriveRemoved = nullptr; }},
        {SHCNE_MEDIAINSERTED, "MediaInserted", [](TNotifier& n) { n.OnMediaInserted = nullptr; }},
        {SHCNE_MEDIAREMOVED, "MediaRemoved", [](TNotifier& n) { n.OnMediaRemoved = nullptr; }},
        {SHCNE_MKDIR, "MkDir", [](TNotifier& n) { n.OnMkDir = nullptr; }},
        {SHCNE_RENAMEFOLDER, "RenameFolder", [](TNotifier& n) { n.OnRenameFolder = nullptr; }},
        {SHCNE_RMDIR, "RmDir", [](TNotifier& n) { n.OnRmDir = nullptr; }},
        {SHCNE_UPDATEDIR, "UpdateDir", [](TNotifier& n) { n.OnUpdateDir = nullptr; }},
    };
    for (const TKind& kept : kinds) {
        CAPTURE(kept.Line);
        TNotifier notifier(nullptr);
        TLog log;
        HookAll(notifier, log);
        for (const TKind& other : kinds)
            if (other.Event != kept.Event)
                other.Clear(notifier);
        notifier.SetActive(true);
        REQUIRE(notifier.NotifyHandle() != 0);
        for (const TKind& raised : kinds)
            Raise(raised.Event, a, raised.Event == SHCNE_RENAMEFOLDER ? b : fs::path());
        // The others never reached the window: the last notification it saw is the kept kind's.
        REQUIRE(log.size() == 1);
        CHECK(log[0].rfind(std::string(kept.Line) + " ", 0) == 0);
        CHECK(notifier.LastEvent() == kept.Event);
    }
}

TEST_CASE("a notification that repeats the previous one exactly calls no handler")
{
    TScratchFolder scratch;
    const fs::path a = scratch / "a", b = scratch / "b", c = scratch / "c";
    fs::create_directory(a);
    TNotifier notifier(nullptr);
    TLog log;
    HookAll(notifier, log);
    notifier.SetActive(true);

    SUBCASE("twice and thrice")
    {
        Raise(SHCNE_MKDIR, a);
        Raise(SHCNE_MKDIR, a);
        Raise(SHCNE_MKDIR, a);
        CHECK(log == TLog{"MkDir " + a.string()});
    }
    SUBCASE("only the one right before counts, whatever its kind")
    {
        Raise(SHCNE_MKDIR, a);
        Raise(SHCNE_RMDIR, a);
        Raise(SHCNE_MKDIR, a);
        SendNotification(notifier, SHCNE_CREATE, a);  // handled by no row, yet the last one
        Raise(SHCNE_MKDIR, a);
        CHECK(log == TLog{"MkDir " + a.string(), "RmDir " + a.string(), "MkDir " + a.string(), "MkDir " + a.string()});
    }
    SUBCASE("the same kind with other paths")
    {
        Raise(SHCNE_MKDIR, a);
        Raise(SHCNE_MKDIR, b);
        Raise(SHCNE_RENAMEFOLDER, a, b);
        Raise(SHCNE_RENAMEFOLDER, a, c);  // the old path repeats, the new one does not
        Raise(SHCNE_RENAMEFOLDER, a, c);
        CHECK(log == TLog{"MkDir " + a.string(), "MkDir " + b.string(), "RenameFolder " + a.string() + " > " + b.string(),
                          "RenameFolder " + a.string() + " > " + c.string()});
    }
}

TEST_CASE("the interrupt bit is ignored, and two kinds at once match no event")
{
    TScratchFolder scratch;
    const fs::path a = scratch / "a";
    fs::create_directory(a);
    TNotifier notifier(nullptr);
    TLog log;
    HookAll(notifier, log);
    notifier.SetActive(true);

    // Wine never sets SHCNE_INTERRUPT, so the message is sent as the shell would send it.
    SendNotification(notifier, SHCNE_MKDIR | SHCNE_INTERRUPT, a);
    CHECK(notifier.LastEvent() == SHCNE_MKDIR);
    Raise(SHCNE_MKDIR, a);
    SendNotification(notifier, SHCNE_MKDIR | SHCNE_INTERRUPT, a);
    SendNotification(notifier, SHCNE_MKDIR | SHCNE_RMDIR, a);
    CHECK(notifier.LastEvent() == (SHCNE_MKDIR | SHCNE_RMDIR));
    Raise(SHCNE_MKDIR, a);
    CHECK(log == TLog{"MkDir " + a.string(), "MkDir " + a.string()});

    SUBCASE("other messages get the default handling")
    {
        CHECK(SendMessageW(notifier.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"caption")) == TRUE);
        wchar_t text[16] = {};
        CHECK(GetWindowTextW(notifier.Handle(), text, 16) == 7);
        CHECK(std::wstring(text) == L"caption");
    }
}

TEST_CASE("a handler that raises neither escapes nor keeps the notification from being the last")
{
    TScratchFolder scratch;
    TNotifier notifier(nullptr);
    int calls = 0;
    notifier.OnMkDir = [&calls](TObject*, const std::string&) {
        ++calls;
        throw Exception("no room");
    };
    TLog errors;
    SetUtilityWindowErrorHandler([&errors](const std::exception& error) { errors.push_back(error.what()); });
    notifier.SetActive(true);
    Raise(SHCNE_MKDIR, scratch / "a");
    Raise(SHCNE_MKDIR, scratch / "a");
    SetUtilityWindowErrorHandler(nullptr);
    CHECK(calls == 1);
    CHECK(errors == TLog{"no room"});
}

TEST_CASE("registration covers the kinds that had a handler when Active went true")
{
    TScratchFolder scratch;
    const fs::path a = scratch / "a";
    TNotifier notifier(nullptr);
    TLog log;
    notifier.SetActive(true);
    CHECK(notifier.Active());
    CHECK(notifier.NotifyHandle() == 0);

    HookAll(notifier, log);
    Raise(SHCNE_MKDIR, a);
    CHECK(notifier.NotifyHandle() == 0);
    notifier.SetActive(true);  // unchanged: tries nothing
    CHECK(notifier.NotifyHandle() == 0);

    notifier.OnRmDir = nullptr;
    notifier.SetActive(false);
    notifier.SetActive(true);
    const ULONG registered = notifier.NotifyHandle();
    CHECK(registered != 0);
    Raise(SHCNE_MKDIR, a);
    Raise(SHCNE_RMDIR, a);  // not asked for: never reaches the window
    CHECK(notifier.LastEvent() == SHCNE_MKDIR);
    CHECK(log == TLog{"MkDir " + a.string()});

    notifier.SetActive(false);
    CHECK(notifier.NotifyHandle() == 0);
    CHECK_FALSE(StillRegistered(registered));
}

TEST_CASE("destroying an active notifier deregisters it before its window goes")
{
    TScratchFolder scratch;
    TLog log;
    auto notifier = std::make_unique<TNotifier>(nullptr);
    HookAll(*notifier, log);
    notifier->SetActive(true);
    const ULONG registered = notifier->NotifyHandle();
    const HWND window = notifier->Handle();
    REQUIRE(registered != 0);
    notifier.reset();
    CHECK_FALSE(StillRegistered(registered));
    CHECK_FALSE(IsWindow(window));
    Raise(SHCNE_MKDIR, scratch / "a");
    CHECK(log.empty());
}

TEST_CASE("in design state there is no window, Active is only stored, and nothing registers")
{
    TScratchFolder scratch;
    TLog log;
    TComponent designer(nullptr);

    SUBCASE("made by a designing owner")
    {
        designer.SetDesigning(true);
        auto* notifier = new TNotifier(&designer);
        HookAll(*notifier, log);
        CHECK(notifier->Handle() == nullptr);
        notifier->SetActive(true);
        notifier->EndLoading();
        CHECK(notifier->Active());
        CHECK(notifier->NotifyHandle() == 0);
        CHECK(notifier->Handle() == nullptr);
        Raise(SHCNE_MKDIR, scratch / "a");
        CHECK(log.empty());
    }
    SUBCASE("switched to design state after it registered, and back")
    {
        auto* notifier = new TNotifier(&designer);
        HookAll(*notifier, log);
        notifier->SetActive(true);
        const ULONG registered = notifier->NotifyHandle();
        const HWND window = notifier->Handle();
        designer.SetDesigning(true);
        notifier->SetActive(false);
        CHECK_FALSE(StillRegistered(registered));
        CHECK_FALSE(IsWindow(window));
        CHECK(notifier->Handle() == nullptr);
        notifier->SetActive(true);
        CHECK(notifier->NotifyHandle() == 0);

        designer.SetDesigning(false);
        notifier->SetActive(false);
        notifier->SetActive(true);
        CHECK(notifier->Handle() != nullptr);
        CHECK(notifier->NotifyHandle() != 0);
        Raise(SHCNE_MKDIR, scratch / "a");
        CHECK(log == TLog{"MkDir " + (scratch / "a").string()});
    }
}

TEST_CASE("loaded from a form text it registers at the end of loading and writes Active always")
{
    RegisterClasses({&TNotifier::StaticClassInfo()});
    TScratchFolder scratch;
    const fs::path a = scratch / "a";
    TNotifierTestForm form;
    ReadForm(form, "object NotifierTestForm: TNotifierTestForm\n"
                   "  object Notifier: TCustomVeltoShellTreeViewChangeNotifier\n"
                   "    Active = True\n"
                   "    OnMkDir = NotifierMkDir\n"
                   "    OnRmDir = NotifierRmDir\n"
                   "  end\n"
                   "end\n");
    REQUIRE(form.Notifier != nullptr);
    CHECK(form.Notifier->NotifyHandle() != 0);
    Raise(SHCNE_MKDIR, a);
    Raise(SHCNE_RMDIR, a);
    Raise(SHCNE_UPDATEDIR, scratch.Path());  // no handler: not registered for
    CHECK(form.Notifier->LastEvent() == SHCNE_RMDIR);
    CHECK(form.Log == TLog{"MkDir " + a.string(), "RmDir " + a.string()});

    CHECK(WriteComponent(*form.Notifier) ==
          "object Notifier: TCustomVeltoShellTreeViewChangeNotifier\n  Active = True\n"
          "  OnMkDir = NotifierMkDir\n  OnRmDir = NotifierRmDir\nend\n");
    form.Notifier->SetActive(false);
    CHECK(WriteComponent(*form.Notifier) ==
          "object Notifier: TCustomVeltoShellTreeViewChangeNotifier\n  Active = False\n"
          "  OnMkDir = NotifierMkDir\n  OnRmDir = NotifierRmDir\nend\n");
}

}  // TEST_SUITE
