// The forwarding folders behind TSlowListingScope: each lives on the listing thread that made it.
#include "SlowShellFolder.h"

#include "ForwardingShellFolder.h"

#include "../../framework/ComPtr.h"
#include "../../framework/InterfacedObject.h"
#include "../../shell/VeltoShellListing.h"
#include "../../shell/VeltoShellPidl.h"

#include <shlobj.h>

#include <mutex>
#include <string>

namespace {

struct TSlowness {
    std::wstring Path;  // lower case
    int EnumDelay = 0;
    int NextDelay = 0;
    bool Refuse = false;
};

std::mutex SettingsLock;
TSlowness Settings;

std::wstring Lower(std::wstring text)
{
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// Waits before each Next of the real enumerator.
class TSlowEnumerator final : public TInterfacedObject<IEnumIDList> {
public:
    TSlowEnumerator(IEnumIDList* inner, int delay) : FDelay(delay)
    {
        inner->AddRef();
        FInner.Attach(inner);
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, PITEMID_CHILD* items, ULONG* fetched) override
    {
        Sleep(static_cast<DWORD>(FDelay));
        return FInner->Next(count, items, fetched);
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override { return FInner->Skip(count); }
    HRESULT STDMETHODCALLTYPE Reset() override { return FInner->Reset(); }
    HRESULT STDMETHODCALLTYPE Clone(IEnumIDList** copy) override { return FInner->Clone(copy); }

private:
    TComPtr<IEnumIDList> FInner;
    int FDelay;
};

// The desktop (slow is null) or the slow folder: every call forwarded, but the desktop's binding of
// the slow folder and the slow folder's listing.
class TSlowFolder final : public TShellFolderForwarder {
public:
    TSlowFolder(IShellFolder* inner, const TSlowness* slow, TSlowness settings)
        : TShellFolderForwarder(inner), FSlow(slow != nullptr), FSettings(std::move(settings))
    {
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND hwnd, SHCONTF flags, IEnumIDList** enumerator) override
    {
        if (!FSlow)
            return FInner->EnumObjects(hwnd, flags, enumerator);
        Sleep(static_cast<DWORD>(FSettings.EnumDelay));
        *enumerator = nullptr;
        if (FSettings.Refuse)
            return E_FAIL;
        TComPtr<IEnumIDList> real;
        const HRESULT result = FInner->EnumObjects(hwnd, flags, real.put());
        if (result == S_OK && real) {
            *enumerator = new TSlowEnumerator(real.get(), FSettings.NextDelay);
            (*enumerator)->AddRef();
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE idList, IBindCtx* context, REFIID iid,
                                           void** object) override
    {
        const HRESULT result = FInner->BindToObject(idList, context, iid, object);
        wchar_t path[MAX_PATH] = L"";
        // Only the desktop binds absolute lists: the one it binds for the slow path is wrapped.
        if (FSlow || result != S_OK || iid != IID_IShellFolder || !*object || !SHGetPathFromIDListW(idList, path) ||
            Lower(path) != FSettings.Path)
            return result;
        auto* bound = static_cast<IShellFolder*>(*object);
        auto* wrapper = new TSlowFolder(bound, &FSettings, FSettings);
        wrapper->AddRef();
        bound->Release();
        *object = static_cast<IShellFolder*>(wrapper);
        return result;
    }

private:
    bool FSlow;
    TSlowness FSettings;  // copied when made: a test that ends changes nothing for a running thread
};

HRESULT SlowDesktop(IShellFolder** desktop)
{
    *desktop = nullptr;
    TComPtr<IShellFolder> real;
    const HRESULT result = SHGetDesktopFolder(real.put());
    if (!real)
        return result;
    TSlowness settings;
    {
        const std::lock_guard lock(SettingsLock);
        settings = Settings;
    }
    *desktop = new TSlowFolder(real.get(), nullptr, std::move(settings));
    (*desktop)->AddRef();
    return S_OK;
}

}  // namespace

TSlowListingScope::TSlowListingScope(const std::filesystem::path& folder, int enumDelayMs, int nextDelayMs,
                                     bool refuse)
{
    // The shell's own spelling of the path, as the binding will give it.
    wchar_t path[MAX_PATH] = L"";
    const TPidl idList(PathToIDList(folder.wstring()));
    if (!idList || !SHGetPathFromIDListW(idList.get(), path))
        lstrcpynW(path, folder.wstring().c_str(), MAX_PATH);
    {
        const std::lock_guard lock(SettingsLock);
        Settings = TSlowness{Lower(path), enumDelayMs, nextDelayMs, refuse};
    }
    ListingDesktopFactory = &SlowDesktop;
}

HRESULT TSlowListingScope::MakeDesktop(IShellFolder** desktop)
{
    return SlowDesktop(desktop);
}

TSlowListingScope::~TSlowListingScope()
{
    ListingDesktopFactory = nullptr;
}
