// TVeltoShellTreeView's drag and drop: the drop source's rules, real drags out of the tree driven
// with SendInput, the tree's drop target driven with a real shell data object over real nodes,
// the calls it makes on a folder's drop target (recorded through a forwarding desktop folder),
// hover expansion, edge scrolling, the drop-target registration, and a tree that goes mid-drag.
#include "../../shell/DropSource.h"
#include "../../shell/VeltoShellTreeView.h"
#include "../framework/ControlTestHelpers.h"
#include "../support/FaultyShellFolder.h"
#include "../support/MallocSpy.h"
#include "../support/ScratchFolder.h"
#include "ShellTestHelpers.h"

#include <doctest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using enum TVeltoShellObjectType;
using TEvents = std::vector<std::string>;

void PumpFor(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        Application->ProcessMessages();
        Sleep(1);
    } while (std::chrono::steady_clock::now() < end);
}

// A scratch folder with folder Alpha (holding Inner), folder beta and file.txt, and a file dropped
// from elsewhere (a folder's drop target refuses items that are in it already).
struct TDropScratch {
    TScratchFolder Folder;
    TScratchFolder Elsewhere;
    fs::path Root = Folder.Path();
    fs::path File = Root / "file.txt";
    fs::path Incoming = Elsewhere / "incoming.txt";

    TDropScratch()
    {
        fs::create_directories(Root / "Alpha" / "Inner");
        fs::create_directory(Root / "beta");
        WriteBytes(File, Bytes("dragged"));
        WriteBytes(Incoming, Bytes("dropped"));
    }
};

// A shell tree filling a host form placed on the screen.
struct TDropHost {
    THostForm Form;
    TVeltoShellTreeView* Tree = new TVeltoShellTreeView(&Form);

    explicit TDropHost(const std::string& root = "sfDesktop", int width = 300, int height = 240)
        : Form(width, height)
    {
        Form.SetLeft(40);
        Form.SetTop(40);
        Tree->SetParent(&Form);
        Tree->SetAlign(alClient);
        Tree->SetAutoRefresh(false);
        Tree->SetObjectTypes({otFolders, otNonFolders});
        Tree->SetRoot(TVeltoRootFolder(root));
        Tree->HandleNeeded();
    }
    TTreeNode* RootNode() const { return Tree->Items()->GetFirstNode(); }
    // The screen point in the middle of a node's text.
    POINT At(const TTreeNode* node) const
    {
        const RECT rect = node->DisplayRect(true);
        POINT point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(Tree->Handle(), &point);
        return point;
    }
    // The screen point at client coordinates of the tree.
    POINT AtClient(int x, int y) const
    {
        POINT point{x, y};
        ClientToScreen(Tree->Handle(), &point);
        return point;
    }
};

TTreeNode* Child(const TTreeNode* node, const std::string& prefix)
{
    for (TTreeNode* child = node->getFirstChild(); child; child = child->getNextSibling())
        if (child->Text().rfind(prefix, 0) == 0)
            return child;
    return nullptr;
}

POINTL ToPointL(POINT point)
{
    return {point.x, point.y};
}

// The shell's data object for one file-system item, as a drag source would offer it.
TComPtr<IDataObject> DataObjectOf(const fs::path& path)
{
    const TPidl pidl = PidlOf(path);
    REQUIRE(pidl);
    TComPtr<IShellFolder> folder;
    GetParentFolder(pidl.get(), folder.put());
    REQUIRE(folder);
    LPCITEMIDLIST relative = GetLastItemID(pidl.get());
    TComPtr<IDataObject> data;
    REQUIRE(folder->GetUIObjectOf(nullptr, 1, &relative, IID_IDataObject, nullptr, data.put_void()) == S_OK);
    return data;
}

// The shell's own drop target for an absolute PIDL; empty when it gives none.
TComPtr<IDropTarget> ShellDropTargetOf(LPCITEMIDLIST pidl)
{
    TComPtr<IShellFolder> folder;
    GetParentFolder(pidl, folder.put());
    TComPtr<IDropTarget> target;
    LPCITEMIDLIST relative = GetLastItemID(pidl);
    if (folder)
        folder->GetUIObjectOf(nullptr, 1, &relative, IID_IDropTarget, nullptr, target.put_void());
    return target;
}

// The effect the shell's own target answers to DragEnter with these arguments.
DWORD ShellEnterEffect(LPCITEMIDLIST pidl, IDataObject* data, DWORD keyState, POINT point, DWORD allowed)
{
    TComPtr<IDropTarget> target = ShellDropTargetOf(pidl);
    if (!target)
        return DROPEFFECT_NONE;
    DWORD effect = allowed;
    if (target->DragEnter(data, keyState, ToPointL(point), &effect) != S_OK)
        effect = DROPEFFECT_NONE;
    target->DragLeave();
    return effect;
}

// Whether the window is registered as a drop target; the registration is left as it was.
bool IsDropRegistered(TVeltoShellTreeView& tree)
{
    const HRESULT revoked = RevokeDragDrop(tree.Handle());
    if (revoked == S_OK)
        RegisterDragDrop(tree.Handle(), tree.DropTargetObject());
    else
        CHECK(revoked == DRAGDROP_E_NOTREGISTERED);
    return revoked == S_OK;
}

// The number of references OLE (or anyone but the tree) holds to the tree's drop target.
ULONG References(TVeltoShellTreeView& tree)
{
    const ULONG count = tree.DropTargetObject()->AddRef() - 2;
    tree.DropTargetObject()->Release();
    return count;
}

std::string Joined(const TEvents& events)
{
    std::string text;
    for (const std::string& event : events)
        text += event + " ";
    return text;
}

// --- Recording the scroll messages the tree is sent

std::vector<std::pair<UINT, WPARAM>>* ScrollRecord = nullptr;
std::vector<DWORD>* ScrollTicks = nullptr;
HWND ScrollRecordWindow = nullptr;

LRESULT CALLBACK RecordScroll(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && ScrollRecord && sent->hwnd == ScrollRecordWindow &&
        (sent->message == WM_HSCROLL || sent->message == WM_VSCROLL)) {
        ScrollRecord->emplace_back(sent->message, sent->wParam);
        ScrollTicks->push_back(GetTickCount());
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Records the WM_HSCROLL and WM_VSCROLL messages sent to one window while it lives, and the tick
// count at each.
struct TScrollRecorder {
    std::vector<std::pair<UINT, WPARAM>> Messages;
    std::vector<DWORD> Ticks;
    HHOOK Hook;
    explicit TScrollRecorder(HWND window)
        : Hook(SetWindowsHookExA(WH_CALLWNDPROC, RecordScroll, nullptr, GetCurrentThreadId()))
    {
        ScrollRecord = &Messages;
        ScrollTicks = &Ticks;
        ScrollRecordWindow = window;
    }
    ~TScrollRecorder()
    {
        UnhookWindowsHookEx(Hook);
        ScrollRecord = nullptr;
    }
    TScrollRecorder(const TScrollRecorder&) = delete;
    TScrollRecorder& operator=(const TScrollRecorder&) = delete;
};

// --- A drop target that records what a drag brings it

class TRecordingDropTarget final : public IDropTarget {
public:
    TEvents Events;
    DWORD EnterEffect = 0;
    DWORD EnterKeys = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IDropTarget) {
            *object = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD keyState, POINTL, DWORD* effect) override
    {
        Events.push_back("enter");
        EnterEffect = *effect;
        EnterKeys = keyState;
        *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override
    {
        *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override
    {
        Events.push_back("leave");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override
    {
        Events.push_back("drop");
        *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
};

// A visible top-level window beside the tree that records the drags dropped on it.
struct TDropWindow {
    TRecordingDropTarget Recorder;
    THostForm Form{160, 160};
    TDropWindow(int left, int top)
    {
        Form.SetLeft(left);
        Form.SetTop(top);
        Form.Show();
        SetWindowPos(Form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        REQUIRE(RegisterDragDrop(Form.Handle(), &Recorder) == S_OK);
    }
    ~TDropWindow() { RevokeDragDrop(Form.Handle()); }
    POINT Centre()
    {
        RECT rect;
        GetWindowRect(Form.Handle(), &rect);
        return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
};

// --- Input sent from a helper thread while the test's thread runs the message loops

// Set when the pointer is found elsewhere than sent: other programs share the display.
std::atomic<bool> PointerDisturbed{false};

void SendMouse(DWORD flags, POINT point = {})
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    if (flags & MOUSEEVENTF_MOVE) {
        // Rounded up so that the system's scaling back lands on the same pixel.
        const LONG width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
        input.mi.dx = static_cast<LONG>((point.x * 65536LL + width - 1) / width);
        input.mi.dy = static_cast<LONG>((point.y * 65536LL + height - 1) / height);
        flags |= MOUSEEVENTF_ABSOLUTE;
    }
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
    Sleep(40);
    POINT at{};
    if ((flags & MOUSEEVENTF_MOVE) && GetCursorPos(&at) && (at.x != point.x || at.y != point.y))
        PointerDisturbed = true;
}

// Presses the button on from, moves in steps to to, and runs during (more input) before letting
// the button go; the test's thread handles messages meanwhile, the modal drag loop included.
// Tries again, up to three times, when another program moved the pointer meanwhile; clear is
// called before each try.
void DriveDrag(bool right, POINT from, POINT to, const std::function<void()>& during = {},
               const std::function<void()>& clear = {})
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (clear)
            clear();
        PointerDisturbed = false;
        std::atomic<bool> done{false};
        std::thread input([&] {
            SendMouse(MOUSEEVENTF_MOVE, from);
            // The press must find the pointer resting on the node.
            Sleep(100);
            SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
            Sleep(100);
            for (int step = 1; step <= 8; ++step)
                SendMouse(MOUSEEVENTF_MOVE, {from.x + (to.x - from.x) * step / 8, from.y + (to.y - from.y) * step / 8});
            Sleep(150);
            SendMouse(MOUSEEVENTF_MOVE, {to.x + 2, to.y + 2});
            if (during)
                during();
            SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
            done = true;
        });
        while (!done) {
            Application->ProcessMessages();
            Sleep(1);
        }
        input.join();
        PumpFor(100);
        if (!PointerDisturbed)
            return;
        MESSAGE("another program moved the pointer: the drag is tried again");
    }
}

// --- A folder's drop target, as the forwarding desktop hands it to the tree, that records each call
// with its key state and the effect word it came with; DragEnter and DragOver narrow the effect to
// Answer.

class TFolderTargetRecorder final : public IDropTarget {
public:
    TEvents Calls;
    DWORD Answer = DROPEFFECT_COPY;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IDropTarget) {
            *object = static_cast<IDropTarget*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD keyState, POINTL, DWORD* effect) override
    {
        Record("enter", keyState, effect);
        *effect &= Answer;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL, DWORD* effect) override
    {
        Record("over", keyState, effect);
        *effect &= Answer;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override
    {
        Calls.push_back("leave");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD keyState, POINTL, DWORD* effect) override
    {
        Record("drop", keyState, effect);
        *effect &= Answer;
        return S_OK;
    }

private:
    // The mouse buttons and the effect word: "enter L 7" for MK_LBUTTON and copy, move and link.
    void Record(const char* call, DWORD keyState, const DWORD* effect)
    {
        std::string buttons;
        buttons += keyState & MK_LBUTTON ? "L" : "";
        buttons += keyState & MK_RBUTTON ? "R" : "";
        buttons += keyState & MK_MBUTTON ? "M" : "";
        Calls.push_back(std::string(call) + " " + (buttons.empty() ? "-" : buttons) + " " +
                        std::to_string(effect ? *effect : 99));
    }
};

// A tree over the drop scratch folder whose folder drop targets come through a forwarding desktop;
// beta's is the recorder.
struct TRecordedDropHost {
    TDropScratch Scratch;
    TDropHost Host{Scratch.Root.string()};
    TFaultyDesktopScope Desktop;
    TFolderTargetRecorder Beta;
    TComPtr<IDataObject> Data = DataObjectOf(Scratch.Incoming);

    TRecordedDropHost()
    {
        Desktop.Faults().ReplaceUIObject(PidlOf(Scratch.Root / "beta").get(), IID_IDropTarget, &Beta);
    }
    POINTL AtBeta() const { return ToPointL(Host.At(Child(Host.RootNode(), "beta"))); }
};

// --- A timer that runs an action once, from whatever message loop runs then

std::function<void()> TimerAction;

void CALLBACK RunTimerAction(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    if (TimerAction)
        std::exchange(TimerAction, nullptr)();
}

void RunAfter(UINT ms, std::function<void()> action)
{
    TimerAction = std::move(action);
    SetTimer(nullptr, 0, ms, RunTimerAction);
}

// A drop source that says when it is freed.
class TWatchedDropSource : public TDropSource {
public:
    TWatchedDropSource(bool right, bool& freed) : TDropSource(right), FFreed(freed) {}
    ~TWatchedDropSource() override { FFreed = true; }

private:
    bool& FFreed;
};

}  // namespace

TEST_SUITE("TDropSource") {

TEST_CASE("Esc or another button cancels, the drag button held goes on, its release drops")
{
    const auto query = [](bool right, BOOL escape, DWORD keys) {
        TComPtr<TDropSource> source = MakeInterfaced<TDropSource>(right);
        return source->QueryContinueDrag(escape, keys);
    };
    // Left-button drag.
    CHECK(query(false, TRUE, MK_LBUTTON) == DRAGDROP_S_CANCEL);
    CHECK(query(false, FALSE, MK_LBUTTON | MK_RBUTTON) == DRAGDROP_S_CANCEL);
    CHECK(query(false, FALSE, MK_LBUTTON | MK_MBUTTON) == DRAGDROP_S_CANCEL);
    CHECK(query(false, FALSE, MK_LBUTTON | MK_SHIFT | MK_CONTROL) == S_OK);
    CHECK(query(false, FALSE, MK_SHIFT) == DRAGDROP_S_DROP);
    // Right-button drag.
    CHECK(query(true, TRUE, MK_RBUTTON) == DRAGDROP_S_CANCEL);
    CHECK(query(true, FALSE, MK_RBUTTON | MK_LBUTTON) == DRAGDROP_S_CANCEL);
    CHECK(query(true, FALSE, MK_RBUTTON | MK_MBUTTON) == DRAGDROP_S_CANCEL);
    CHECK(query(true, FALSE, MK_RBUTTON) == S_OK);
    CHECK(query(true, FALSE, 0) == DRAGDROP_S_DROP);
    // The other button alone, after the drag button went up, still cancels.
    CHECK(query(true, FALSE, MK_LBUTTON) == DRAGDROP_S_CANCEL);
}

TEST_CASE("the system's cursors show the effect, and the last Release frees the source")
{
    bool freed = false;
    auto source = MakeInterfaced<TWatchedDropSource>(false, freed);
    CHECK(source->GiveFeedback(DROPEFFECT_COPY) == DRAGDROP_S_USEDEFAULTCURSORS);
    TComPtr<IDropSource> asInterface = source.Query<IDropSource>(IID_IDropSource);
    REQUIRE(asInterface);
    source.reset();
    CHECK_FALSE(freed);
    asInterface.reset();
    CHECK(freed);
}

}  // TEST_SUITE

TEST_SUITE("TVeltoShellTreeView drag and drop") {

TEST_CASE("a node dragged out offers its item's effects, is highlighted, and drops where the button goes up")
{
    TDropScratch scratch;
    TDropHost host(scratch.Root.string());
    host.Form.Show();
    SetWindowPos(host.Form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    RECT treeForm;
    GetWindowRect(host.Form.Handle(), &treeForm);
    TDropWindow target(treeForm.right + 20, treeForm.top);
    TTreeNode* file = Child(host.RootNode(), "file");
    REQUIRE(file);
    const POINT from = host.At(file), to = target.Centre();
    HWND treeWindow = host.Tree->Handle();
    bool highlighted = false;
    const auto clear = [&] { target.Recorder.Events.clear(); };
    const auto seeHighlight = [&] {
        highlighted = SendMessageA(treeWindow, TVM_GETNEXTITEM, TVGN_DROPHILITE, 0) ==
                      reinterpret_cast<LRESULT>(file->ItemId());
    };

    SUBCASE("left button")
    {
        DriveDrag(false, from, to, seeHighlight, clear);
        CHECK(target.Recorder.Events == TEvents{"enter", "drop"});
        CHECK(target.Recorder.EnterEffect == (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK));
        CHECK((target.Recorder.EnterKeys & (MK_LBUTTON | MK_RBUTTON)) == MK_LBUTTON);
        CHECK(host.Tree->DropTarget() == nullptr);
    }
    SUBCASE("the dragged node is highlighted while the drag runs, and only then")
    {
        // Not a drop target itself: passing over the tree would move the highlight.
        host.Tree->SetDropEnabled(false);
        DriveDrag(false, from, to, seeHighlight, clear);
        CHECK(highlighted);
        CHECK(host.Tree->DropTarget() == nullptr);
    }
    SUBCASE("right button")
    {
        DriveDrag(true, from, to, {}, clear);
        CHECK(target.Recorder.Events == TEvents{"enter", "drop"});
        CHECK((target.Recorder.EnterKeys & (MK_LBUTTON | MK_RBUTTON)) == MK_RBUTTON);
        CHECK(host.Tree->DropTarget() == nullptr);
    }
    SUBCASE("the other button cancels")
    {
        DriveDrag(false, from, to, [] {
            SendMouse(MOUSEEVENTF_RIGHTDOWN);
            Sleep(250);  // long enough for the drag loop to see both buttons down
            SendMouse(MOUSEEVENTF_RIGHTUP);
        }, clear);
        CHECK_MESSAGE((target.Recorder.Events == TEvents{"enter", "leave"}), Joined(target.Recorder.Events));
    }
    SUBCASE("with DragEnabled off the tree starts no OLE drag")
    {
        host.Tree->SetDragEnabled(false);
        DriveDrag(false, from, to, {}, clear);
        CHECK(target.Recorder.Events.empty());
    }
}

TEST_CASE("an item that grants none of copy, move and link still starts a drag, with what it grants")
{
    TDropHost host;
    host.Form.Show();
    SetWindowPos(host.Form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    RECT treeForm;
    GetWindowRect(host.Form.Handle(), &treeForm);
    TDropWindow target(treeForm.right + 20, treeForm.top);
    // Wine grants none of the three for the desktop's virtual items; Windows grants My Computer a link.
    TTreeNode* computer = Child(host.RootNode(), "My Computer");
    REQUIRE(computer);
    SFGAOF attributes = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
    LPCITEMIDLIST relative = GetLastItemID(static_cast<LPCITEMIDLIST>(computer->Data()));
    DesktopFolder->GetAttributesOf(1, &relative, &attributes);
    DriveDrag(false, host.At(computer), target.Centre(), {}, [&] { target.Recorder.Events.clear(); });
    REQUIRE_FALSE(target.Recorder.Events.empty());
    CHECK(target.Recorder.Events.front() == "enter");
    CHECK(target.Recorder.EnterEffect == (attributes & (SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK)));
}

TEST_CASE("a drag over a node goes to its item's drop target, whose effect is the answer")
{
    TDropScratch scratch;
    TDropHost host(scratch.Root.string());
    TComPtr<IDataObject> data = DataObjectOf(scratch.Incoming);
    TTreeNode* beta = Child(host.RootNode(), "beta");
    REQUIRE(beta);
    const POINT over = host.At(beta);
    constexpr DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    const DWORD folderEffect =
        ShellEnterEffect(static_cast<LPCITEMIDLIST>(beta->Data()), data.get(), MK_LBUTTON, over, allowed);
    REQUIRE(folderEffect != DROPEFFECT_NONE);

    DWORD effect = allowed;
    CHECK(host.Tree->DragEnter(data.get(), MK_LBUTTON, ToPointL(over), &effect) == S_OK);
    CHECK(effect == folderEffect);
    CHECK(host.Tree->DropTarget() == beta);
    effect = allowed;
    CHECK(host.Tree->DragOver(MK_LBUTTON, ToPointL(over), &effect) == S_OK);
    CHECK(effect == folderEffect);

    SUBCASE("empty space below the last row: no effect and no highlight")
    {
        const POINT below = host.AtClient(40, host.Tree->ClientHeight() - 30);
        effect = allowed;
        CHECK(host.Tree->DragOver(MK_LBUTTON, ToPointL(below), &effect) == S_OK);
        CHECK(effect == DROPEFFECT_NONE);
        CHECK(host.Tree->DropTarget() == nullptr);
        effect = allowed;
        CHECK(host.Tree->Drop(data.get(), 0, ToPointL(below), &effect) == S_OK);
        CHECK(effect == DROPEFFECT_NONE);
    }
    SUBCASE("leaving clears the highlight and lets the data go")
    {
        CHECK(host.Tree->DragLeave() == S_OK);
        CHECK(host.Tree->DropTarget() == nullptr);
        effect = allowed;
        host.Tree->DragOver(MK_LBUTTON, ToPointL(over), &effect);
        CHECK(effect == DROPEFFECT_NONE);
    }
    SUBCASE("a drop is delivered, then the data and the highlight go")
    {
        effect = allowed;
        CHECK(host.Tree->Drop(data.get(), 0, ToPointL(over), &effect) == S_OK);
        CHECK(host.Tree->DropTarget() == nullptr);
        effect = allowed;
        host.Tree->DragOver(MK_LBUTTON, ToPointL(over), &effect);
        CHECK(effect == DROPEFFECT_NONE);
    }
}

TEST_CASE("each call asks the folder's target afresh: DragEnter first, DragLeave after, none after a Drop")
{
    TRecordedDropHost drop;
    TVeltoShellTreeView& tree = *drop.Host.Tree;
    drop.Beta.Answer = DROPEFFECT_LINK;
    constexpr DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    DWORD effect = all;
    tree.DragEnter(drop.Data.get(), MK_LBUTTON, drop.AtBeta(), &effect);
    CHECK(drop.Beta.Calls == TEvents{"enter L 7", "leave"});
    CHECK(effect == DROPEFFECT_LINK);

    // The effect DragEnter leaves is the one DragOver gets; the keys pass through as they come.
    drop.Beta.Calls.clear();
    effect = all;
    tree.DragOver(MK_LBUTTON | MK_CONTROL, drop.AtBeta(), &effect);
    CHECK(drop.Beta.Calls == TEvents{"enter L 7", "over L 4", "leave"});
    CHECK(effect == DROPEFFECT_LINK);

    // Drop's DragEnter gets a copy: Drop itself gets the effects the source allows.
    drop.Beta.Calls.clear();
    effect = all;
    tree.Drop(drop.Data.get(), 0, drop.AtBeta(), &effect);
    CHECK(drop.Beta.Calls == TEvents{"enter L 7", "drop L 7"});
    CHECK(effect == DROPEFFECT_LINK);
    CHECK(tree.DropTarget() == nullptr);
}

TEST_CASE("Drop hands the folder the button that dragged, which is up by then")
{
    struct TButtonCase {
        DWORD EnterKeys;
        const char* Drop;
    };
    constexpr TButtonCase cases[] = {
        {MK_LBUTTON, "drop L 1"},
        {MK_RBUTTON, "drop R 1"},
        {MK_LBUTTON | MK_SHIFT, "drop L 1"},
        {MK_MBUTTON, "drop - 1"},
    };
    TRecordedDropHost drop;
    for (const TButtonCase& row : cases) {
        CAPTURE(row.EnterKeys);
        DWORD effect = DROPEFFECT_COPY;
        drop.Host.Tree->DragEnter(drop.Data.get(), row.EnterKeys, drop.AtBeta(), &effect);
        drop.Beta.Calls.clear();
        effect = DROPEFFECT_COPY;
        drop.Host.Tree->Drop(drop.Data.get(), 0, drop.AtBeta(), &effect);
        REQUIRE(drop.Beta.Calls.size() == 2);
        CHECK(drop.Beta.Calls.back() == row.Drop);
    }
}

TEST_CASE("a real drag from the tree onto its own node drops there with the button that dragged")
{
    TRecordedDropHost drop;
    drop.Host.Form.Show();
    SetWindowPos(drop.Host.Form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    const POINT from = drop.Host.At(Child(drop.Host.RootNode(), "file"));
    const POINT to = drop.Host.At(Child(drop.Host.RootNode(), "beta"));
    const auto clear = [&] { drop.Beta.Calls.clear(); };
    for (const bool right : {false, true}) {
        CAPTURE(right);
        DriveDrag(right, from, to, {}, clear);
        REQUIRE(drop.Beta.Calls.size() >= 2);
        const std::string& last = drop.Beta.Calls.back();
        CHECK(last.rfind(right ? "drop R" : "drop L", 0) == 0);
        CHECK(drop.Beta.Calls[drop.Beta.Calls.size() - 2].rfind("enter", 0) == 0);
        CHECK(drop.Host.Tree->DropTarget() == nullptr);
    }
    // The drags asked the dragged item's folder for the effects it allows.
    CHECK(drop.Desktop.Faults().AttributeRequests() >= 2);
}

TEST_CASE("a folder that gives no drop target answers no effect, and a failed call hands out nothing")
{
    TRecordedDropHost drop;
    TVeltoShellTreeView& tree = *drop.Host.Tree;
    const TPidl beta = PidlOf(drop.Scratch.Root / "beta");
    const auto effects = [&] {
        std::vector<DWORD> answers;
        DWORD effect = DROPEFFECT_COPY;
        tree.DragEnter(drop.Data.get(), MK_LBUTTON, drop.AtBeta(), &effect);
        answers.push_back(effect);
        effect = DROPEFFECT_COPY;
        tree.DragOver(MK_LBUTTON, drop.AtBeta(), &effect);
        answers.push_back(effect);
        effect = DROPEFFECT_COPY;
        tree.Drop(drop.Data.get(), 0, drop.AtBeta(), &effect);
        answers.push_back(effect);
        return answers;
    };
    REQUIRE(effects() == std::vector<DWORD>{DROPEFFECT_COPY, DROPEFFECT_COPY, DROPEFFECT_COPY});
    drop.Desktop.Faults().Clear();
    SUBCASE("GetUIObjectOf fails")
    {
        drop.Desktop.Faults().FailUIObject(beta.get(), IID_IDropTarget, E_FAIL);
    }
    SUBCASE("GetUIObjectOf answers S_FALSE with an object")
    {
        drop.Desktop.Faults().ReplaceUIObject(beta.get(), IID_IDropTarget, &drop.Beta, S_FALSE);
    }
    drop.Beta.Calls.clear();
    CHECK(effects() == std::vector<DWORD>{DROPEFFECT_NONE, DROPEFFECT_NONE, DROPEFFECT_NONE});
    CHECK(drop.Beta.Calls.empty());
    CHECK(tree.DropTarget() == nullptr);
}

TEST_CASE("the desktop root's drops go to the desktop directory's drop target")
{
    TDropScratch scratch;
    TDropHost host;
    TFaultyDesktopScope desktop;
    TFolderTargetRecorder directory;
    desktop.Faults().ReplaceUIObject(TPidl(GetSpecialFolderIDList(TVeltoSpecialFolder::sfDesktopDirectory)).get(),
                                     IID_IDropTarget, &directory);
    TComPtr<IDataObject> data = DataObjectOf(scratch.Incoming);
    // Wine's tree control cannot drop-highlight the selected item.
    host.Tree->SetSelected(host.RootNode()->getFirstChild());
    const POINTL over = ToPointL(host.At(host.RootNode()));
    DWORD effect = DROPEFFECT_COPY;
    host.Tree->DragEnter(data.get(), MK_LBUTTON, over, &effect);
    effect = DROPEFFECT_COPY;
    host.Tree->Drop(data.get(), 0, over, &effect);
    CHECK(directory.Calls == TEvents{"enter L 1", "leave", "enter L 1", "drop L 1"});
    CHECK(effect == DROPEFFECT_COPY);
}

TEST_CASE("a node whose folder gives no data starts no drag")
{
    TDropScratch scratch;
    TDropHost host(scratch.Root.string());
    host.Form.Show();
    SetWindowPos(host.Form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    RECT treeForm;
    GetWindowRect(host.Form.Handle(), &treeForm);
    TDropWindow target(treeForm.right + 20, treeForm.top);
    TTreeNode* file = Child(host.RootNode(), "file");
    REQUIRE(file);
    TFaultyDesktopScope desktop;
    const auto item = static_cast<LPCITEMIDLIST>(file->Data());
    TComPtr<IDataObject> data = DataObjectOf(scratch.File);
    SUBCASE("GetUIObjectOf fails")
    {
        desktop.Faults().FailUIObject(item, IID_IDataObject, E_FAIL);
    }
    SUBCASE("GetUIObjectOf fails and hands out an object all the same")
    {
        desktop.Faults().ReplaceUIObject(item, IID_IDataObject, data.get(), E_FAIL);
    }
    bool highlighted = false;
    DriveDrag(false, host.At(file), target.Centre(), [&] {
        highlighted = SendMessageA(host.Tree->Handle(), TVM_GETNEXTITEM, TVGN_DROPHILITE, 0) != 0;
    }, [&] { target.Recorder.Events.clear(); });
    CHECK(desktop.Faults().UIObjectRequests(IID_IDataObject) >= 1);
    // Nothing else is asked of the folder.
    CHECK(desktop.Faults().AttributeRequests() == 0);
    CHECK(target.Recorder.Events.empty());
    CHECK_FALSE(highlighted);
}

// Wine's shell folder drop target answers DragEnter and DragOver, but its Drop copies nothing:
// the platform is asked first, with a drop of its own.
TEST_CASE("a file dropped with the left button on a folder node lands in that folder")
{
    TDropScratch scratch;
    {
        TScratchFolder probe;
        const TPidl probeFolder = PidlOf(probe.Path());
        TComPtr<IDropTarget> shellTarget = ShellDropTargetOf(probeFolder.get());
        TComPtr<IDataObject> probeData = DataObjectOf(scratch.Incoming);
        DWORD effect = DROPEFFECT_COPY;
        if (shellTarget && shellTarget->DragEnter(probeData.get(), MK_LBUTTON, {0, 0}, &effect) == S_OK) {
            effect = DROPEFFECT_COPY;
            shellTarget->Drop(probeData.get(), MK_LBUTTON, {0, 0}, &effect);
        }
        PumpFor(300);
        if (!fs::exists(probe / "incoming.txt")) {
            MESSAGE("skipped: the shell's folder drop target copies nothing on this platform");
            return;
        }
    }
    TDropHost host(scratch.Root.string());
    TComPtr<IDataObject> data = DataObjectOf(scratch.Incoming);
    const POINT over = host.At(Child(host.RootNode(), "beta"));
    DWORD effect = DROPEFFECT_COPY;
    host.Tree->DragEnter(data.get(), MK_LBUTTON, ToPointL(over), &effect);
    effect = DROPEFFECT_COPY;
    host.Tree->Drop(data.get(), 0, ToPointL(over), &effect);
    PumpFor(300);
    CHECK(fs::exists(scratch.Root / "beta" / "incoming.txt"));
}

TEST_CASE("a drag over the desktop root goes to the desktop directory")
{
    TDropScratch scratch;
    TDropHost host;
    TComPtr<IDataObject> data = DataObjectOf(scratch.Incoming);
    REQUIRE(IsDesktopIDList(static_cast<LPCITEMIDLIST>(host.RootNode()->Data())));
    // Wine's tree control cannot drop-highlight the selected item.
    host.Tree->SetSelected(host.RootNode()->getFirstChild());
    const POINT over = host.At(host.RootNode());
    const TPidl directory(GetSpecialFolderIDList(TVeltoSpecialFolder::sfDesktopDirectory));
    constexpr DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    const DWORD directoryEffect = ShellEnterEffect(directory.get(), data.get(), MK_LBUTTON, over, allowed);
    REQUIRE(directoryEffect != DROPEFFECT_NONE);
    DWORD effect = allowed;
    host.Tree->DragEnter(data.get(), MK_LBUTTON, ToPointL(over), &effect);
    CHECK(effect == directoryEffect);
    CHECK(host.Tree->DropTarget() == host.RootNode());
    host.Tree->DragLeave();
}

TEST_CASE("a collapsed folder opens one level once the pointer has rested on it for more than a second")
{
    TDropScratch scratch;
    TDropHost host(scratch.Root.string());
    TComPtr<IDataObject> data = DataObjectOf(scratch.Incoming);
    TTreeNode* alpha = Child(host.RootNode(), "Alpha");
    TTreeNode* beta = Child(host.RootNode(), "beta");
    REQUIRE((alpha && beta));
    const auto dragOver = [&](TTreeNode* node) {
        DWORD effect = DROPEFFECT_COPY;
        host.Tree->DragOver(MK_LBUTTON, ToPointL(host.At(node)), &effect);
    };
    DWORD effect = DROPEFFECT_COPY;
    host.Tree->DragEnter(data.get(), MK_LBUTTON, ToPointL(host.At(alpha)), &effect);
    dragOver(alpha);
    CHECK_FALSE(alpha->Expanded());

    SUBCASE("resting")
    {
        Sleep(1100);
        dragOver(alpha);
        CHECK(alpha->Expanded());
        REQUIRE(Child(alpha, "Inner"));
        CHECK_FALSE(Child(alpha, "Inner")->Expanded());
    }
    SUBCASE("moving to another node restarts the wait")
    {
        Sleep(600);
        dragOver(beta);
        Sleep(600);
        dragOver(alpha);
        CHECK_FALSE(alpha->Expanded());
        Sleep(1100);
        dragOver(alpha);
        CHECK(alpha->Expanded());
    }
    host.Tree->DragLeave();
}

TEST_CASE("a folder under the pointer opens after 1000 ms of rest, not before and not much later")
{
    TDropScratch scratch;
    TDropHost host(scratch.Root.string());
    TComPtr<IDataObject> data = DataObjectOf(scratch.Incoming);
    TTreeNode* alpha = Child(host.RootNode(), "Alpha");
    REQUIRE(alpha);
    const POINTL over = ToPointL(host.At(alpha));
    DWORD effect = DROPEFFECT_COPY;
    const DWORD arrived = GetTickCount();
    host.Tree->DragEnter(data.get(), MK_LBUTTON, over, &effect);
    DWORD opened = 0;
    while (!opened && GetTickCount() - arrived < 3000) {
        Sleep(5);
        effect = DROPEFFECT_COPY;
        host.Tree->DragOver(MK_LBUTTON, over, &effect);
        if (alpha->Expanded())
            opened = GetTickCount();
    }
    REQUIRE(opened != 0);
    CHECK(opened - arrived > 1000);
    CHECK(opened - arrived < 1100);
    host.Tree->DragLeave();
}

TEST_CASE("steps of scrolling near an edge come 100 ms apart, not sooner and not much later")
{
    TScratchFolder many;
    for (int i = 10; i < 70; ++i)
        fs::create_directory(many / ("folder " + std::to_string(i)));
    TDropHost host(many.Path().string(), 160, 120);
    TComPtr<IDataObject> data = DataObjectOf(many / "folder 10");
    const POINTL nearBottom = ToPointL(host.AtClient(host.Tree->ClientWidth() / 2, host.Tree->ClientHeight() - 5));
    TScrollRecorder recorder(host.Tree->Handle());
    DWORD effect = DROPEFFECT_COPY;
    const DWORD entered = GetTickCount();
    host.Tree->DragEnter(data.get(), MK_LBUTTON, nearBottom, &effect);
    while (GetTickCount() - entered < 650) {
        Sleep(5);
        effect = DROPEFFECT_COPY;
        host.Tree->DragOver(MK_LBUTTON, nearBottom, &effect);
    }
    host.Tree->DragLeave();
    REQUIRE(recorder.Ticks.size() >= 4);
    CHECK(recorder.Ticks.size() <= 6);
    DWORD previous = entered;
    for (const DWORD tick : recorder.Ticks) {
        CHECK(tick - previous > 100);
        CHECK(tick - previous < 150);
        previous = tick;
    }
}

TEST_CASE("the scrolling zones are 26 pixels wide at the sides and 20 at the top and bottom")
{
    TScratchFolder many;
    for (int i = 10; i < 70; ++i)
        fs::create_directory(many / ("a folder with a rather long name " + std::to_string(i)));
    TDropHost host(many.Path().string(), 160, 120);
    TComPtr<IDataObject> data = DataObjectOf(many / "a folder with a rather long name 10");
    const int width = host.Tree->ClientWidth(), height = host.Tree->ClientHeight();
    using TSent = std::vector<std::pair<UINT, WPARAM>>;
    struct TZoneCase {
        int X, Y;  // from the left or top; negative: from the right or bottom
        TSent Sent;
    };
    const TZoneCase cases[] = {
        {26, 60, {}},
        {25, 60, {{WM_HSCROLL, SB_LINELEFT}}},
        {-26, 60, {}},
        {-25, 60, {{WM_HSCROLL, SB_LINERIGHT}}},
        {80, 20, {}},
        {80, 19, {{WM_VSCROLL, SB_LINEUP}}},
        {80, -20, {}},
        {80, -19, {{WM_VSCROLL, SB_LINEDOWN}}},
        {-10, -10, {{WM_HSCROLL, SB_LINERIGHT}, {WM_VSCROLL, SB_LINEDOWN}}},
    };
    DWORD effect = DROPEFFECT_COPY;
    host.Tree->DragEnter(data.get(), MK_LBUTTON, ToPointL(host.AtClient(width / 2, height / 2)), &effect);
    for (const TZoneCase& row : cases) {
        CAPTURE(row.X);
        CAPTURE(row.Y);
        Sleep(110);
        TScrollRecorder recorder(host.Tree->Handle());
        effect = DROPEFFECT_COPY;
        host.Tree->DragOver(MK_LBUTTON,
                            ToPointL(host.AtClient(row.X < 0 ? width + row.X : row.X, row.Y < 0 ? height + row.Y : row.Y)),
                            &effect);
        CHECK(recorder.Messages == row.Sent);
    }
    host.Tree->DragLeave();
}

TEST_CASE("near an edge the tree scrolls one line at most every 100 ms, and only what can scroll")
{
    TScratchFolder many;
    for (int i = 10; i < 70; ++i)
        fs::create_directory(many / ("a folder with a rather long name " + std::to_string(i)));
    TDropHost host(many.Path().string(), 160, 120);
    TComPtr<IDataObject> data = DataObjectOf(many / "a folder with a rather long name 10");
    HWND window = host.Tree->Handle();
    const int width = host.Tree->ClientWidth(), height = host.Tree->ClientHeight();
    DWORD effect = DROPEFFECT_COPY;
    host.Tree->DragEnter(data.get(), MK_LBUTTON, ToPointL(host.AtClient(width / 2, height / 2)), &effect);
    TScrollRecorder recorder(window);
    const auto dragOver = [&](int x, int y) {
        DWORD overEffect = DROPEFFECT_COPY;
        host.Tree->DragOver(MK_LBUTTON, ToPointL(host.AtClient(x, y)), &overEffect);
    };
    using TSent = std::vector<std::pair<UINT, WPARAM>>;

    dragOver(width / 2, height - 10);  // within 100 ms of DragEnter
    CHECK(recorder.Messages.empty());
    Sleep(110);
    dragOver(width / 2, height - 10);
    dragOver(width / 2, height - 10);  // too soon after the step
    CHECK(recorder.Messages == TSent{{WM_VSCROLL, SB_LINEDOWN}});
    CHECK(GetScrollPos(window, SB_VERT) == 1);
    recorder.Messages.clear();
    Sleep(110);
    dragOver(26, 20);  // exactly on the margins
    Sleep(110);
    dragOver(width - 26, height - 20);
    CHECK(recorder.Messages.empty());
    Sleep(110);
    dragOver(10, 10);  // a corner steps on both axes
    CHECK(recorder.Messages == TSent{{WM_HSCROLL, SB_LINELEFT}, {WM_VSCROLL, SB_LINEUP}});
    CHECK(GetScrollPos(window, SB_VERT) == 0);
    host.Tree->DragLeave();

    SUBCASE("a tree whose content fits its window is never scrolled")
    {
        TDropScratch scratch;
        TDropHost small(scratch.Root.string());
        TScrollRecorder quiet(small.Tree->Handle());
        small.Tree->DragEnter(data.get(), MK_LBUTTON, ToPointL(small.AtClient(5, 5)), &effect);
        Sleep(110);
        DWORD overEffect = DROPEFFECT_COPY;
        small.Tree->DragOver(MK_LBUTTON, ToPointL(small.AtClient(5, 5)), &overEffect);
        Sleep(110);
        small.Tree->DragOver(MK_LBUTTON,
                             ToPointL(small.AtClient(small.Tree->ClientWidth() - 5, small.Tree->ClientHeight() - 5)),
                             &overEffect);
        CHECK(quiet.Messages.empty());
        small.Tree->DragLeave();
    }
}

TEST_CASE("the window is a drop target while DropEnabled, and every new window is registered again")
{
    TDropHost host;
    CHECK(host.Tree->DropRegistered());
    CHECK(IsDropRegistered(*host.Tree));
    const ULONG registeredReferences = References(*host.Tree);

    host.Tree->SetDropEnabled(false);
    CHECK_FALSE(host.Tree->DropRegistered());
    CHECK_FALSE(IsDropRegistered(*host.Tree));
    CHECK(References(*host.Tree) == 0);

    host.Tree->SetDropEnabled(true);
    CHECK((host.Tree->DropRegistered() && IsDropRegistered(*host.Tree)));

    host.Tree->RecreateWnd();
    CHECK((host.Tree->DropRegistered() && IsDropRegistered(*host.Tree)));
    // The old window's registration was revoked before it went.
    CHECK(References(*host.Tree) == registeredReferences);

    SUBCASE("turned on before there is a window")
    {
        THostForm form;
        auto* tree = new TVeltoShellTreeView(&form);
        tree->SetParent(&form);
        tree->SetDropEnabled(false);
        CHECK_FALSE(tree->HandleAllocated());
        tree->SetDropEnabled(true);
        CHECK((tree->HandleAllocated() && tree->DropRegistered() && IsDropRegistered(*tree)));
        tree->SetDropEnabled(false);
        CHECK_FALSE(IsDropRegistered(*tree));
    }
}

TEST_CASE("a tree destroyed by a timer while a drag is over it lets the drag go on to its end")
{
    TDropScratch scratch;
    const auto round = [&](bool fromItself) {
        auto host = std::make_unique<TDropHost>(scratch.Root.string());
        host->Form.Show();
        SetWindowPos(host->Form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        RECT treeForm;
        GetWindowRect(host->Form.Handle(), &treeForm);
        TDropWindow target(treeForm.right + 20, treeForm.top);
        // The drag comes from a second tree below, or from the tree that goes.
        std::unique_ptr<TDropHost> source;
        if (!fromItself) {
            source = std::make_unique<TDropHost>(scratch.Root.string());
            source->Form.SetTop(treeForm.bottom + 20);
            source->Form.Show();
            SetWindowPos(source->Form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        }
        TDropHost& from = fromItself ? *host : *source;
        TVeltoShellTreeView* doomed = host->Tree;
        const POINT start = from.At(Child(from.RootNode(), "file"));
        const POINT over = host->At(Child(host->RootNode(), "beta"));
        bool destroyed = false;
        DriveDrag(false, start, over, [&] {
            // The pointer rests on the tree while the timer destroys it, then moves to the window.
            Sleep(500);
            SendMouse(MOUSEEVENTF_MOVE, {over.x, over.y + 4});
            SendMouse(MOUSEEVENTF_MOVE, target.Centre());
            Sleep(150);
            SendMouse(MOUSEEVENTF_MOVE, {target.Centre().x + 2, target.Centre().y});
        }, [&] {
            target.Recorder.Events.clear();
            RunAfter(650, [&] {
                delete doomed;
                destroyed = true;
            });
        });
        CHECK(destroyed);
        CHECK_FALSE(IsLiveShellTreeView(doomed));
        // DoDragDrop went on past the tree and dropped where the button went up.
        REQUIRE_FALSE(target.Recorder.Events.empty());
        CHECK(target.Recorder.Events.back() == "drop");
        if (source)
            CHECK(source->Tree->DropTarget() == nullptr);
    };
    for (const bool fromItself : {false, true}) {
        CAPTURE(fromItself);
        CHECK(LeakedTaskBlocks([&] { round(fromItself); }, 1) == 0);
    }
}

TEST_CASE("the drop target OLE holds answers no effect once its tree is gone")
{
    TRecordedDropHost drop;
    TComPtr<IDropTarget> held;
    held.Attach(drop.Host.Tree->DropTargetObject());
    held->AddRef();
    const POINTL at = drop.AtBeta();
    DWORD effect = DROPEFFECT_COPY;
    CHECK(held->DragEnter(drop.Data.get(), MK_LBUTTON, at, &effect) == S_OK);
    CHECK(effect == DROPEFFECT_COPY);
    delete drop.Host.Tree;
    drop.Beta.Calls.clear();
    effect = DROPEFFECT_COPY;
    CHECK(held->DragOver(MK_LBUTTON, at, &effect) == S_OK);
    CHECK(effect == DROPEFFECT_NONE);
    effect = DROPEFFECT_COPY;
    CHECK(held->Drop(drop.Data.get(), 0, at, &effect) == S_OK);
    CHECK(effect == DROPEFFECT_NONE);
    CHECK(held->DragLeave() == S_OK);
    CHECK(drop.Beta.Calls.empty());
}

}  // TEST_SUITE
