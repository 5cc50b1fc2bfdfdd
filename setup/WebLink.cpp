// The web link: the desktop's shell for an elevated process, ShellExecute otherwise.
#include "WebLink.h"

#include "../framework/AnsiText.h"
#include "../framework/ComPtr.h"
#include "../framework/Scope.h"

#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>

#include <string>

namespace {

class TVariant {
public:
    TVariant() { VariantInit(&FValue); }
    explicit TVariant(LONG value) : TVariant()
    {
        FValue.vt = VT_I4;
        FValue.lVal = value;
    }
    ~TVariant() { VariantClear(&FValue); }
    TVariant(const TVariant&) = delete;
    TVariant& operator=(const TVariant&) = delete;
    VARIANT* get() { return &FValue; }

private:
    VARIANT FValue;
};

using TBstr = TUniqueHandle<TZeroHandleTraits<BSTR, &SysFreeString>>;

TBstr Bstr(const std::wstring& text)
{
    return TBstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// The automation object of the shell that shows the desktop: the desktop window's shell view,
// its background object, and that object's application. Empty when any step fails.
TComPtr<IShellDispatch2> DesktopShellDispatch()
{
    TComPtr<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                                IID_IShellWindows, windows.put_void())) ||
        !windows)
        return {};
    TVariant desktop(CSIDL_DESKTOP);
    TVariant noRoot;
    long window = 0;
    TComPtr<IDispatch> found;
    if (windows->FindWindowSW(desktop.get(), noRoot.get(), SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, found.put()) != S_OK ||
        !found)
        return {};
    const auto provider = found.Query<IServiceProvider>(IID_IServiceProvider);
    TComPtr<IShellBrowser> browser;
    if (!provider || FAILED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void())) || !browser)
        return {};
    TComPtr<IShellView> view;
    if (FAILED(browser->QueryActiveShellView(view.put())) || !view)
        return {};
    TComPtr<IDispatch> background;
    if (FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void())) || !background)
        return {};
    const auto folderView = background.Query<IShellFolderViewDual>(IID_IShellFolderViewDual);
    TComPtr<IDispatch> application;
    if (!folderView || FAILED(folderView->get_Application(application.put())) || !application)
        return {};
    return application.Query<IShellDispatch2>(IID_IShellDispatch2);
}

}  // namespace

bool IsProcessElevated()
{
    TKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

TWebLinkRoute OpenWebAddress(HWND owner, const char* address, bool elevated)
{
    if (elevated) {
        if (const TComPtr<IShellDispatch2> shell = DesktopShellDispatch()) {
            const TBstr file = Bstr(WideFromAnsi(address));
            TVariant none;
            TVariant show(SW_SHOWNORMAL);
            // The variants go by value; the callee copies nothing it keeps.
            if (SUCCEEDED(shell->ShellExecute(file.get(), *none.get(), *none.get(), *none.get(), *show.get())))
                return wrDesktopShell;
        }
    }
    ShellExecuteA(owner, nullptr, address, nullptr, nullptr, SW_SHOWNORMAL);
    return wrShellExecute;
}
