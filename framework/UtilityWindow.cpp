// The window class, procedure and error routing behind AllocateHWnd and DeallocateHWnd.
#include "UtilityWindow.h"

#include "Exceptions.h"

#include <memory>
#include <utility>

namespace {

const wchar_t UtilityWindowClassName[] = L"VeltoUtilityWindow";

// Hung on the window's GWLP_USERDATA; deleted when the window receives WM_NCDESTROY.
struct TWindowRecord {
    std::shared_ptr<TWindowMethod> Method;
};

TUtilityWindowErrorHandler& ErrorHandler()
{
    static TUtilityWindowErrorHandler handler;
    return handler;
}

void ReportError(const std::exception& error) noexcept
{
    try {
        // A copy: the handler may replace itself while it runs.
        const TUtilityWindowErrorHandler handler = ErrorHandler();
        if (handler)
            handler(error);
    } catch (...) {
        // The error display failed too: nothing may leave the window procedure.
    }
}

LRESULT CALLBACK UtilityWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* record = reinterpret_cast<TWindowRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY && record) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete record;
        record = nullptr;
    }
    if (!record)
        return DefWindowProcW(window, message, wParam, lParam);
    // A copy, so that a method that destroys its own window runs to its end.
    const std::shared_ptr<TWindowMethod> method = record->Method;
    try {
        return (*method)(message, wParam, lParam);
    } catch (const std::exception& error) {
        ReportError(error);
    } catch (...) {
        ReportError(Exception("An unexpected error occurred"));
    }
    return 0;
}

HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&UtilityWindowProc), &module);
    return module;
}

// Registered once for the process; registration lasts until the module is unloaded.
bool UtilityWindowClassRegistered()
{
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = UtilityWindowProc;
        windowClass.hInstance = ThisModule();
        windowClass.lpszClassName = UtilityWindowClassName;
        return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

}  // namespace

HWND AllocateHWnd(TWindowMethod method)
{
    if (!method || !UtilityWindowClassRegistered())
        return nullptr;
    auto record = std::make_unique<TWindowRecord>(std::make_shared<TWindowMethod>(std::move(method)));
    // Message-only: it needs no display, and broadcasts and window enumerations pass it by.
    HWND window = CreateWindowExW(0, UtilityWindowClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  ThisModule(), nullptr);
    if (window)
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record.release()));
    return window;
}

void DeallocateHWnd(HWND window)
{
    if (window)
        DestroyWindow(window);
}

void SetUtilityWindowErrorHandler(TUtilityWindowErrorHandler handler)
{
    ErrorHandler() = std::move(handler);
}
