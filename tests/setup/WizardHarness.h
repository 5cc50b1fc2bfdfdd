// The wizard on the screen for in-process tests: its form with the information box, the program's
// end and the general error display recorded, what the window shows sampled in one line, payload
// modules to install from, and the registry value the folder page proposes from.
#pragma once

#include "../../setup/fm_Main.h"
#include "../support/ScratchFolder.h"
#include "LibraryStart.h"

#include <doctest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Lets pending messages run for a while: the tree's delayed change report, a repaint.
inline void Pump(int milliseconds)
{
    for (int waited = 0; waited < milliseconds; waited += 10) {
        Application->ProcessMessages();
        Sleep(10);
    }
}

// The file-system path of the node's item; empty when it has none.
inline std::string PathOf(const TTreeNode* node)
{
    char path[MAX_PATH] = "";
    if (!node || !SHGetPathFromIDListA(static_cast<LPCITEMIDLIST>(node->Data()), path))
        return "";
    return path;
}

// The node of the tree whose item has this file-system path, searched among the nodes listed so far.
inline TTreeNode* NodeForPath(const TCustomTreeView& tree, const std::string& path)
{
    for (TTreeNode* node = tree.Items()->GetFirstNode(); node; node = node->GetNext())
        if (PathOf(node) == path)
            return node;
    return nullptr;
}

// The folder of the running test program, with its backslash.
inline std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// A copy of the resource-only template module with the given bytes as its "DATA" resource (none
// when empty), loaded as data the way the program finds its own.
class TPayloadModule {
public:
    explicit TPayloadModule(std::optional<std::vector<std::uint8_t>> payload)
    {
        const std::string path = (FFolder.Path() / "payload.dll").string();
        REQUIRE(CopyFileA((ProgramFolder() + "payload_template.dll").c_str(), path.c_str(), FALSE));
        if (payload) {
            HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
            REQUIRE(update);
            REQUIRE(UpdateResourceA(update, MAKEINTRESOURCEA(10), "DATA", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                    payload->data(), static_cast<DWORD>(payload->size())));
            REQUIRE(EndUpdateResourceA(update, FALSE));
        }
        FModule = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        REQUIRE(FModule);
    }
    ~TPayloadModule() { FreeLibrary(FModule); }
    TPayloadModule(const TPayloadModule&) = delete;
    TPayloadModule& operator=(const TPayloadModule&) = delete;
    HMODULE Get() const { return FModule; }

private:
    TScratchFolder FFolder;
    HMODULE FModule = nullptr;
};

// What a stand-in received, in order. Looking at the record (empty, size, an entry, a comparison)
// marks what is there as seen; an entry that no test looked at fails the test when the record goes,
// so nothing reaches the error display or the information box unnoticed.
class TRecord {
public:
    explicit TRecord(const char* what) : FWhat(what) {}
    ~TRecord()
    {
        if (FSeen < FItems.size())
            FAIL_CHECK("not expected by the test: " << std::string(FWhat) << " showed \"" << FItems[FSeen] << "\"");
    }
    TRecord(const TRecord&) = delete;
    TRecord& operator=(const TRecord&) = delete;

    void Add(std::string text) { FItems.push_back(std::move(text)); }

    bool empty() const { return Seen().empty(); }
    std::size_t size() const { return Seen().size(); }
    const std::string& operator[](std::size_t index) const { return Seen().at(index); }
    const std::string& front() const { return Seen().front(); }
    const std::string& back() const { return Seen().back(); }
    auto begin() const { return Seen().begin(); }
    auto end() const { return FItems.end(); }
    bool operator==(const std::vector<std::string>& other) const { return Seen() == other; }
    friend std::ostream& operator<<(std::ostream& out, const TRecord& record)
    {
        out << "{";
        for (const std::string& item : record.FItems)
            out << " \"" << item << "\"";
        return out << " }";
    }

private:
    const std::vector<std::string>& Seen() const
    {
        FSeen = FItems.size();
        return FItems;
    }

    const char* FWhat;
    std::vector<std::string> FItems;
    mutable std::size_t FSeen = 0;
};

// The lines one under the other, for comparisons whose failure shows every line.
inline std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += "\n    " + line;
    return text;
}

// --- What the window shows

// The name of a framework cursor, for the one-line states.
inline std::string CursorName(TCursor cursor)
{
    switch (cursor) {
    case crDefault: return "default";
    case crHourGlass: return "hourglass";
    case crHandPoint: return "hand";
    case crArrow: return "arrow";
    default: return "cursor " + std::to_string(cursor);
    }
}

// The system cursor the thread shows now, by name.
inline std::string ShownCursorName()
{
    const HCURSOR shown = GetCursor();
    for (auto [id, name] : {std::pair{IDC_WAIT, "hourglass"}, std::pair{IDC_ARROW, "arrow"}, std::pair{IDC_HAND, "hand"}})
        if (shown == LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(id)))
            return name;
    return shown ? "another cursor" : "none";
}

// Whether GetCursor reports what SetCursor set; some platforms keep the cursor elsewhere.
inline bool PlatformReportsCursor()
{
    const HCURSOR before = GetCursor();
    const HCURSOR cross = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_CROSS));
    SetCursor(cross);
    const bool answers = GetCursor() == cross;
    SetCursor(before);
    return answers;
}

// The cursor the window shows when the mouse moves over its client area, as the system asks it.
inline std::string CursorShownBy(HWND window)
{
    SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return ShownCursorName();
}

inline bool HasStyle(HWND window, DWORD style)
{
    return (static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)) & style) == style;
}

inline std::string WindowText(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A button as the state table writes it: "-" hidden, its caption, " x" when disabled; read from the
// control and from its window, which must agree.
inline std::string ButtonState(TButton* button)
{
    auto write = [](bool visible, bool enabled, const std::string& caption) {
        return !visible ? std::string("-") : enabled ? caption : caption + " x";
    };
    const std::string control = write(button->Visible(), button->Enabled(), button->Caption());
    if (!button->HandleAllocated())
        return control;
    HWND window = button->Handle();
    const std::string shown = write(HasStyle(window, WS_VISIBLE), !HasStyle(window, WS_DISABLED), WindowText(window));
    return shown == control ? control : control + " (window: " + shown + ")";
}

// Calls a function when the message loop next dispatches: the call is a message posted to a
// message-only window, so it runs exactly where the code under test lets pending messages run.
class TPostedCalls {
public:
    TPostedCalls()
    {
        static const ATOM windowClass = [] {
            WNDCLASSA info{};
            info.lpfnWndProc = WindowProc;
            info.hInstance = GetModuleHandleA(nullptr);
            info.lpszClassName = "UnpackTestPostedCalls";
            return RegisterClassA(&info);
        }();
        FWindow = CreateWindowA(MAKEINTATOM(windowClass), "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        REQUIRE(FWindow);
        SetWindowLongPtrA(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TPostedCalls() { DestroyWindow(FWindow); }
    TPostedCalls(const TPostedCalls&) = delete;
    TPostedCalls& operator=(const TPostedCalls&) = delete;

    void Post(std::function<void()> call)
    {
        FCalls.push_back(std::move(call));
        PostMessageA(FWindow, WM_APP, 0, 0);
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<TPostedCalls*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message != WM_APP || !self || self->FCalls.empty())
            return DefWindowProcA(window, message, wParam, lParam);
        std::function<void()> call = std::move(self->FCalls.front());
        self->FCalls.pop_front();
        call();
        return 0;
    }

    HWND FWindow = nullptr;
    std::deque<std::function<void()>> FCalls;
};

// Sees each message a window gets, after the window has handled it (a subclass of the window).
class TMessageWatch {
public:
    using TSeen = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;

    TMessageWatch(HWND window, TSeen seen) : FWindow(window), FSeen(std::move(seen))
    {
        REQUIRE(SetWindowSubclass(FWindow, Proc, 1, reinterpret_cast<DWORD_PTR>(this)));
    }
    ~TMessageWatch() { RemoveWindowSubclass(FWindow, Proc, 1); }
    TMessageWatch(const TMessageWatch&) = delete;
    TMessageWatch& operator=(const TMessageWatch&) = delete;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
    {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        reinterpret_cast<TMessageWatch*>(data)->FSeen(message, wParam, lParam);
        return result;
    }

    HWND FWindow;
    TSeen FSeen;
};

// Calls a function every few milliseconds from the thread's timer messages, which modal loops (a
// message box's) dispatch too. One at a time.
class TRepeatedCall {
public:
    TRepeatedCall(unsigned milliseconds, std::function<void()> call) : FCall(std::move(call))
    {
        Current() = this;
        FTimer = SetTimer(nullptr, 0, milliseconds, Proc);
        REQUIRE(FTimer);
    }
    ~TRepeatedCall()
    {
        KillTimer(nullptr, FTimer);
        Current() = nullptr;
    }
    TRepeatedCall(const TRepeatedCall&) = delete;
    TRepeatedCall& operator=(const TRepeatedCall&) = delete;

private:
    static TRepeatedCall*& Current()
    {
        static TRepeatedCall* current = nullptr;
        return current;
    }
    static void CALLBACK Proc(HWND, UINT, UINT_PTR, DWORD)
    {
        if (Current())
            Current()->FCall();
    }

    std::function<void()> FCall;
    UINT_PTR FTimer = 0;
};

// The thread's visible windows of a class ("#32770": dialog and message boxes), or its children's.
inline std::vector<HWND> WindowsOfClass(const char* className, HWND parent = nullptr)
{
    struct TSearch {
        const char* ClassName;
        std::vector<HWND> Found;
        static BOOL CALLBACK Collect(HWND window, LPARAM data)
        {
            auto& search = *reinterpret_cast<TSearch*>(data);
            char name[64] = "";
            GetClassNameA(window, name, sizeof name);
            if (lstrcmpiA(name, search.ClassName) == 0 && IsWindowVisible(window))
                search.Found.push_back(window);
            return TRUE;
        }
    } search{className, {}};
    if (parent)
        EnumChildWindows(parent, TSearch::Collect, reinterpret_cast<LPARAM>(&search));
    else
        EnumThreadWindows(GetCurrentThreadId(), TSearch::Collect, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// The wizard on the screen, with the information box, the program's end and the general error
// display recorded; the stand-ins it replaced are put back when it goes.
class TWizard {
public:
    // As the program's main form, the wizard owns the program's message boxes; its Close then
    // ends the application's message loop instead of hiding it.
    enum TRole { OwnedForm, MainForm };

    explicit TWizard(TRole role = OwnedForm)
        : FOldInformationBox(Tfrm_Main::InformationBox),
          FOldTerminateProgram(Tfrm_Main::TerminateProgram),
          FOldShowException(Application->OnShowException)
    {
        StartShellLibrary();
        Application->Initialize();
        Tfrm_Main::InformationBox = [this](const std::string& text) {
            AtMessages.push_back(State() + (Terminations ? " | ended before" : ""));
            Messages.Add(text);
        };
        Tfrm_Main::TerminateProgram = [this] { ++Terminations; };
        Application->OnShowException = [this](const std::string& text) { Errors.Add(text); };
        if (role == MainForm) {
            REQUIRE_FALSE(Application->MainForm());
            Application->CreateForm(Form);
        } else {
            Form = new Tfrm_Main(Application);
        }
        Form->Show();
        // The tree reports its first selection after its change delay; a person never outruns it.
        Pump(200);
    }
    ~TWizard()
    {
        delete Form;
        Tfrm_Main::InformationBox = FOldInformationBox;
        Tfrm_Main::TerminateProgram = FOldTerminateProgram;
        Application->OnShowException = FOldShowException;
    }
    TWizard(const TWizard&) = delete;
    TWizard& operator=(const TWizard&) = delete;

    void Press(TButton* button)
    {
        Click(button);
        Application->ProcessMessages();
    }
    // The click alone: nothing waiting (a delayed tree report, say) runs before the caller goes on.
    void Click(TButton* button) { SendMessageA(button->Handle(), BM_CLICK, 0, 0); }
    void Next() { Press(Form->btn_Next); }
    void Back() { Press(Form->btn_Prev); }
    TTabSheet* Page() const { return Form->PageControl1->ActivePage(); }
    std::string Folder() const { return Form->edt_Folder->Text(); }

    // The buttons as the state table lists them: "-" hidden, "x" disabled.
    std::string Buttons() const
    {
        return ButtonState(Form->btn_Prev) + " | " + ButtonState(Form->btn_Next) + " | " +
               ButtonState(Form->btn_Cancel);
    }

    // What the window shows, in one line: the page, the three buttons, the cursor, the progress bar
    // and the success line ("done" when shown). Each part is read from the window as well as from
    // its control, and a part where the two differ says so.
    std::string State() const
    {
        return PageState() + " | " + Buttons() + " | " + CursorState() + " | " + ProgressState() + " | " +
               (HasStyle(Form->lbl_Finish2->Handle(), WS_VISIBLE) && Form->lbl_Finish2->Visible() ? "done" : "-");
    }

    // From now on the program's own information box shows each message (still recorded).
    void UseProgramInformationBox()
    {
        Tfrm_Main::InformationBox = [this, box = FOldInformationBox](const std::string& text) {
            AtMessages.push_back(State() + (Terminations ? " | ended before" : ""));
            Messages.Add(text);
            box(text);
        };
    }

    // From the welcome page to the folder page, the licence accepted.
    void EnterFolderPage()
    {
        Next();
        Form->cbx_Accept->SetChecked(true);
        Next();
    }
    void GoToFinish(const std::string& folder)
    {
        EnterFolderPage();
        Form->edt_Folder->SetText(folder);
        Next();
    }
    void Install(const TPayloadModule& module)
    {
        Form->PayloadModule = module.Get();
        Next();
    }

    Tfrm_Main* Form = nullptr;
    TRecord Messages{"the information box"};
    TRecord Errors{"the general error display"};
    // State() at the moment each message of the information box was shown.
    std::vector<std::string> AtMessages;
    int Terminations = 0;

private:
    std::string PageState() const
    {
        TTabSheet* active = Page();
        std::string state = active ? active->Name() : "no page";
        for (int i = 0; i < Form->PageControl1->PageCount(); ++i) {
            TTabSheet* page = Form->PageControl1->Pages(i);
            if (page->HandleAllocated() && HasStyle(page->Handle(), WS_VISIBLE) != (page == active))
                state += " (" + page->Name() + (page == active ? " hidden)" : " shown)");
        }
        return state;
    }
    std::string CursorState() const
    {
        const TCursor cursor = Screen->Cursor();
        std::string state = CursorName(cursor);
        if (PlatformReportsCursor()) {
            // Over the buttons' panel, which stays enabled: the screen's cursor, or the panel's arrow.
            const std::string shown = CursorShownBy(Form->Panel3->Handle());
            if (shown != (cursor == crDefault ? "arrow" : state))
                state += " (shows " + shown + ")";
        }
        return state;
    }
    std::string ProgressState() const
    {
        HWND bar = Form->ProgressBar1->Handle();
        const auto position = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
        const auto max = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
        std::string state = std::to_string(position) + " of " + std::to_string(max);
        if (position != Form->ProgressBar1->Position() || max != Form->ProgressBar1->Max())
            state += " (control: " + std::to_string(Form->ProgressBar1->Position()) + " of " +
                     std::to_string(Form->ProgressBar1->Max()) + ")";
        return state;
    }

    std::function<void(const std::string&)> FOldInformationBox;
    std::function<void()> FOldTerminateProgram;
    std::function<void(const std::string&)> FOldShowException;
};

// Sets "ProgramFilesDir" for one test and puts the original back afterwards.
class TProgramFilesValue {
public:
    TProgramFilesValue()
    {
        REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyName, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &FKey,
                                nullptr) == ERROR_SUCCESS);
        DWORD size = sizeof FSaved;
        if (RegQueryValueExA(FKey, "ProgramFilesDir", nullptr, &FSavedType, FSaved, &size) == ERROR_SUCCESS)
            FSavedSize = size;
    }
    ~TProgramFilesValue()
    {
        if (FSavedSize)
            RegSetValueExA(FKey, "ProgramFilesDir", 0, FSavedType, FSaved, *FSavedSize);
        else
            RegDeleteValueA(FKey, "ProgramFilesDir");
        RegCloseKey(FKey);
    }
    TProgramFilesValue(const TProgramFilesValue&) = delete;
    TProgramFilesValue& operator=(const TProgramFilesValue&) = delete;

    void SetText(const std::string& text, DWORD type = REG_SZ)
    {
        RegSetValueExA(FKey, "ProgramFilesDir", 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    }
    void SetNumber(DWORD number)
    {
        RegSetValueExA(FKey, "ProgramFilesDir", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    void Delete() { RegDeleteValueA(FKey, "ProgramFilesDir"); }

private:
    static constexpr const char* KeyName = "Software\\Microsoft\\Windows\\CurrentVersion";
    HKEY FKey = nullptr;
    BYTE FSaved[1024];
    DWORD FSavedType = 0;
    std::optional<DWORD> FSavedSize;
};
