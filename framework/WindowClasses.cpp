// The windows of controls: class registration, creation, destruction and the one window procedure.
#include "Controls.h"

#include <commctrl.h>

#include <map>

extern "C" IMAGE_DOS_HEADER __ImageBase;

LRESULT CALLBACK StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

namespace {

const char* const ControlProperty = "VeltoControl";

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
    if (FHandle && !DestroyWindow(FHandle)) {
        RemovePropA(FHandle, ControlProperty);
        FHandle = nullptr;
    }
    FHandle = nullptr;
}
