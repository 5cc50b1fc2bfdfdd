// The windows of controls: class registration, creation, destruction, the one window procedure, and
// the native procedures' calls, which a window outlives.
#include "Controls.h"

#include <commctrl.h>

#include <map>

extern "C" IMAGE_DOS_HEADER __ImageBase;

LRESULT CALLBACK StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

namespace {

const char* const ControlProperty = "VeltoControl";
// A window its control let go of while its native procedure was at work: the procedure to go on with.
const char* const ReleasedProperty = "VeltoReleased";
// Posted to a window let go of, once its native procedure has returned: it is destroyed then.
constexpr UINT CM_DESTROYRELEASED = CM_BASE + 0x22;

TControlErrorHandler ErrorHandler = nullptr;

// The control whose CreateWindowEx is running: its window's first message attaches the two.
TWinControl* CreationControl = nullptr;

HINSTANCE ThisModule()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

// The native procedure behind each window class we registered.
std::map<std::string, WNDPROC>& ClassProcedures()
{
    static std::map<std::string, WNDPROC> procedures;
    return procedures;
}

void InitCommonControlsOnce()
{
    static const bool done = [] {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES};
        return InitCommonControlsEx(&init) != FALSE;
    }();
    (void)done;
}

// Registers params.WinClassName once; returns the procedure that messages default to.
WNDPROC RegisterWindowClass(const TCreateParams& params)
{
    auto& procedures = ClassProcedures();
    if (auto it = procedures.find(params.WinClassName); it != procedures.end())
        return it->second;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    WNDPROC defaultProcedure = DefWindowProcA;
    if (!params.SystemClassName.empty()) {
        InitCommonControlsOnce();
        if (!GetClassInfoExA(nullptr, params.SystemClassName.c_str(), &windowClass))
            throw Exception("The window class " + params.SystemClassName + " does not exist");
        defaultProcedure = windowClass.lpfnWndProc;
        windowClass.style &= ~CS_GLOBALCLASS;
    } else {
        windowClass.style = params.ClassStyle;
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.hIcon = LoadIconA(ThisModule(), "MAINICON");
        if (!windowClass.hIcon)
            windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    }
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = StdWndProc;
    windowClass.hInstance = ThisModule();
    windowClass.lpszClassName = params.WinClassName.c_str();
    windowClass.hIconSm = nullptr;
    if (!RegisterClassExA(&windowClass))
        throw Exception("The window class " + params.WinClassName + " cannot be registered");
    procedures[params.WinClassName] = defaultProcedure;
    return defaultProcedure;
}

// A call of a window's native procedure under way on this thread, innermost first. Released: the
// control let go of the window meanwhile.
struct TNativeCall {
    HWND Window;
    TNativeCall* Outer;
    bool Released;
};
thread_local TNativeCall* NativeCalls = nullptr;

bool InNativeCall(HWND window)
{
    for (const TNativeCall* call = NativeCalls; call; call = call->Outer)
        if (call->Window == window)
            return true;
    return false;
}

void MarkReleased(HWND window)
{
    for (TNativeCall* call = NativeCalls; call; call = call->Outer)
        if (call->Window == window)
            call->Released = true;
}

// One call of a window's native procedure, for the length of a scope. The last call of a window
// let go of posts its destruction.
class TNativeCallScope {
public:
    explicit TNativeCallScope(HWND window) : FCall{window, NativeCalls, false} { NativeCalls = &FCall; }
    ~TNativeCallScope()
    {
        NativeCalls = FCall.Outer;
        if (FCall.Released && !OuterCall())
            PostMessageA(FCall.Window, CM_DESTROYRELEASED, 0, 0);
    }
    TNativeCallScope(const TNativeCallScope&) = delete;
    TNativeCallScope& operator=(const TNativeCallScope&) = delete;

    // Whether no other call of the window's procedure is under way and the control kept the window.
    bool LastAndKept() const { return !FCall.Released && !OuterCall(); }

private:
    bool OuterCall() const
    {
        for (const TNativeCall* call = FCall.Outer; call; call = call->Outer)
            if (call->Window == FCall.Window)
                return true;
        return false;
    }

    TNativeCall FCall;
};

// Lets go of a control's window while its native procedure is at work: the window leaves the sight
// and its parent at once, keeps its native procedure, and is destroyed once the last call returns.
void ReleaseWindow(HWND window, WNDPROC procedure)
{
    RemovePropA(window, ControlProperty);
    SetPropA(window, ReleasedProperty, reinterpret_cast<HANDLE>(procedure));
    MarkReleased(window);
    ShowWindow(window, SW_HIDE);
    SetParent(window, HWND_MESSAGE);
}

// A control identifier for a new child window; never IDOK or IDCANCEL, which the dialog keys send.
HMENU NextControlId()
{
    static UINT_PTR next = 0x100;
    const UINT_PTR id = next;
    next = next >= 0xFFFF ? 0x100 : next + 1;
    return reinterpret_cast<HMENU>(id);
}

}  // namespace

TWinControl* FindControl(HWND window)
{
    if (!window)
        return nullptr;
    // Another instance of the program names its windows' controls the same way: ours only.
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return nullptr;
    return static_cast<TWinControl*>(GetPropA(window, ControlProperty));
}

// The one window procedure of every control window.
LRESULT CALLBACK StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWinControl* control = static_cast<TWinControl*>(GetPropA(window, ControlProperty));
    if (!control) {
        if (const auto procedure = reinterpret_cast<WNDPROC>(GetPropA(window, ReleasedProperty))) {
            if (msg == CM_DESTROYRELEASED) {
                if (!InNativeCall(window))
                    DestroyWindow(window);
                return 0;
            }
            if (msg == WM_NCDESTROY)
                RemovePropA(window, ReleasedProperty);
            return (IsWindowUnicode(window) ? CallWindowProcW : CallWindowProcA)(procedure, window, msg, wParam,
                                                                                 lParam);
        }
        control = std::exchange(CreationControl, nullptr);
        if (!control) {
            // A window of one of our classes that no control made: the native handling only.
            char name[256] = {};
            GetClassNameA(window, name, sizeof(name));
            const auto it = ClassProcedures().find(name);
            return CallWindowProcA(it != ClassProcedures().end() ? it->second : DefWindowProcA, window, msg, wParam,
                                   lParam);
        }
        control->AttachHandle(window);
    }
    TMessage message{msg, wParam, lParam, 0};
    try {
        if (control->FInDestructor)
            control->DefaultHandler(message);
        else
            control->WndProc(message);
    } catch (const std::exception& e) {
        if (ErrorHandler)
            ErrorHandler(e);
    } catch (...) {
        if (ErrorHandler)
            ErrorHandler(Exception("An unexpected error occurred"));
    }
    if (msg == WM_NCDESTROY) {
        // Destroyed behind the control's back: nothing is left to do once its native calls return.
        MarkReleased(window);
        RemovePropA(window, ControlProperty);
        if (control->FHandle == window)
            control->FHandle = nullptr;
    }
    return message.Result;
}

void SetControlErrorHandler(TControlErrorHandler handler)
{
    ErrorHandler = handler;
}

void TWinControl::AttachHandle(HWND window)
{
    FHandle = window;
    SetPropA(window, ControlProperty, this);
}

void TWinControl::CreateWnd()
{
    TCreateParams params;
    CreateParams(params);
    HMENU id = nullptr;
    if (params.Style & WS_CHILD) {
        if (!params.WndParent) {
            if (!Parent())
                throw Exception("Control '" + Name() + "' has no parent window");
            params.WndParent = Parent()->Handle();
        }
        id = NextControlId();
    }
    const bool nativeClass = params.NativeClassName && !params.SystemClassName.empty();
    HWND window = nullptr;
    if (nativeClass) {
        InitCommonControlsOnce();
        FOwnClass = false;
        FUnicodeWindow = params.Unicode;
        if (params.Unicode)
            window = CreateWindowExW(params.ExStyle, WideFromAnsi(params.SystemClassName).c_str(),
                                     WideFromAnsi(params.Caption).c_str(), params.Style, params.X, params.Y,
                                     params.Width, params.Height, params.WndParent, id, ThisModule(), nullptr);
        else
            window = CreateWindowExA(params.ExStyle, params.SystemClassName.c_str(), params.Caption.c_str(),
                                     params.Style, params.X, params.Y, params.Width, params.Height, params.WndParent,
                                     id, ThisModule(), nullptr);
        if (window) {
            // Replaced through the function of the window's own kind, so that no message on the
            // way is converted to the code page and back.
            const auto procedure = reinterpret_cast<LONG_PTR>(StdWndProc);
            FDefWndProc = reinterpret_cast<WNDPROC>(params.Unicode ? SetWindowLongPtrW(window, GWLP_WNDPROC, procedure)
                                                                   : SetWindowLongPtrA(window, GWLP_WNDPROC, procedure));
            AttachHandle(window);
        }
    } else {
        FDefWndProc = RegisterWindowClass(params);
        FOwnClass = params.SystemClassName.empty();
        FUnicodeWindow = false;
        CreationControl = this;
        window = CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style,
                                 params.X, params.Y, params.Width, params.Height, params.WndParent, id, ThisModule(),
                                 nullptr);
        CreationControl = nullptr;
    }
    if (!window)
        throw Exception("The window of '" + Name() + "' cannot be created (error " + std::to_string(GetLastError()) +
                        ")");
    if (!FHandle)
        AttachHandle(window);
    SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), FALSE);
}

void TWinControl::DestroyWnd()
{
    if (!FHandle)
        return;
    if (InNativeCall(FHandle))
        ReleaseWindow(FHandle, FDefWndProc);
    else if (!DestroyWindow(FHandle))
        RemovePropA(FHandle, ControlProperty);
    FHandle = nullptr;
}

void TWinControl::DefaultHandler(TMessage& message)
{
    if (!FHandle || !FDefWndProc)
        return;
    // A handler the native procedure runs may destroy the control or let go of its window: the
    // control is used afterwards only when it kept the window.
    const TNativeCallScope call(FHandle);
    message.Result = (FUnicodeWindow ? CallWindowProcW : CallWindowProcA)(FDefWndProc, FHandle, message.Msg,
                                                                          message.WParam, message.LParam);
    if (call.LastAndKept())
        NativeHandlerEnded();
}

bool TWinControl::InNativeHandler() const
{
    return FHandle && InNativeCall(FHandle);
}
