// The forwarding folder behind TFaultyDesktopScope: every call goes to the real folder, except the
// ones a test has set a fault for; folders bound through it are wrapped the same way.
#include "FaultyShellFolder.h"

#include "ForwardingShellFolder.h"

#include <algorithm>
#include <utility>

class TForwardingShellFolder final : public TShellFolderForwarder {
public:
    // Holds a reference to inner; absolute is the folder's own PIDL, which the wrapper takes.
    TForwardingShellFolder(IShellFolder* inner, TPidl absolute, std::shared_ptr<TShellFaults> faults)
        : TShellFolderForwarder(inner), FAbsolute(std::move(absolute)), FFaults(std::move(faults))
    {
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND hwnd, SHCONTF flags, IEnumIDList** enumerator) override
    {
        if (const auto* rule = FFaults->Find(FAbsolute.get(), TShellFaults::TCall::EnumObjects)) {
            // Copied first: the code it runs may clear the faults.
            const bool forward = rule->Forward;
            const HRESULT result = rule->Result;
            if (const std::function<void()> called = rule->Called)
                called();
            // A refusal comes with the real folder's enumerator all the same: the caller must go
            // by the result alone.
            const HRESULT listed = FInner->EnumObjects(hwnd, flags, enumerator);
            return forward ? listed : result;
        }
        return FInner->EnumObjects(hwnd, flags, enumerator);
    }
    HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE idList, IBindCtx* bindContext, REFIID iid,
                                           void** object) override
    {
        const HRESULT result = FInner->BindToObject(idList, bindContext, iid, object);
        if (result != S_OK || iid != IID_IShellFolder || !object || !*object)
            return result;
        ++FFaults->FFolderBinds;
        // The bound folder is wrapped too, so that the faults reach every folder below this one.
        auto* bound = static_cast<IShellFolder*>(*object);
        auto* wrapper = new TForwardingShellFolder(bound, TPidl(ConcatIDLists(FAbsolute.get(), idList)), FFaults);
        wrapper->AddRef();
        bound->Release();
        *object = static_cast<IShellFolder*>(wrapper);
        return result;
    }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY items, SFGAOF* attributes) override
    {
        ++FFaults->FAttributeRequests;
        const SFGAOF asked = attributes ? *attributes : 0;
        const HRESULT result = FInner->GetAttributesOf(count, items, attributes);
        if (count == 1 && items && items[0] && attributes) {
            const TPidl item(ConcatIDLists(FAbsolute.get(), items[0]));
            if (const auto* rule = FFaults->Find(item.get(), TShellFaults::TCall::Attributes))
                *attributes |= rule->Added & asked;
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND owner, UINT count, PCUITEMID_CHILD_ARRAY items, REFIID iid,
                                            UINT* reserved, void** object) override
    {
        FFaults->FRequests.push_back(iid);
        if (count == 1 && items && items[0]) {
            const TPidl item(ConcatIDLists(FAbsolute.get(), items[0]));
            if (const auto* rule = FFaults->Find(item.get(), TShellFaults::TCall::UIObject, iid)) {
                if (object)
                    *object = nullptr;
                if (rule->Object)
                    rule->Object->QueryInterface(iid, object);
                return rule->Result;
            }
        }
        return FInner->GetUIObjectOf(owner, count, items, iid, reserved, object);
    }

private:
    TPidl FAbsolute;
    std::shared_ptr<TShellFaults> FFaults;
};

// --- TShellFaults

void TShellFaults::FailEnumObjects(LPCITEMIDLIST folder, HRESULT result)
{
    TRule rule;
    rule.Item.reset(CopyIDList(folder));
    rule.Call = TCall::EnumObjects;
    rule.Result = result;
    FRules.push_back(std::move(rule));
}

void TShellFaults::WhileListing(LPCITEMIDLIST folder, std::function<void()> called)
{
    TRule rule;
    rule.Item.reset(CopyIDList(folder));
    rule.Call = TCall::EnumObjects;
    rule.Forward = true;
    rule.Called = std::move(called);
    FRules.push_back(std::move(rule));
}

void TShellFaults::FailUIObject(LPCITEMIDLIST item, REFIID iid, HRESULT result)
{
    TRule rule;
    rule.Item.reset(CopyIDList(item));
    rule.Interface = iid;
    rule.Result = result;
    FRules.push_back(std::move(rule));
}

void TShellFaults::ReplaceUIObject(LPCITEMIDLIST item, REFIID iid, IUnknown* object, HRESULT result)
{
    TRule rule;
    rule.Item.reset(CopyIDList(item));
    rule.Interface = iid;
    rule.Object = object;
    rule.Result = result;
    FRules.push_back(std::move(rule));
}

void TShellFaults::AddAttributes(LPCITEMIDLIST item, SFGAOF added)
{
    TRule rule;
    rule.Item.reset(CopyIDList(item));
    rule.Call = TCall::Attributes;
    rule.Added = added;
    FRules.push_back(std::move(rule));
}

int TShellFaults::UIObjectRequests(REFIID iid) const
{
    return static_cast<int>(std::count(FRequests.begin(), FRequests.end(), iid));
}

const TShellFaults::TRule* TShellFaults::Find(LPCITEMIDLIST item, TCall call, REFIID iid) const
{
    for (const TRule& rule : FRules)
        if (rule.Call == call && (call != TCall::UIObject || rule.Interface == iid) &&
            SameIDLists(rule.Item.get(), item))
            return &rule;
    return nullptr;
}

// --- TFaultyDesktopScope

TFaultyDesktopScope::TFaultyDesktopScope() : FReal(DesktopFolder)
{
    // The wrapper holds its own reference to the real desktop; the global's stays with FReal.
    auto* wrapper = new TForwardingShellFolder(FReal, TPidl(CopyIDList(GetDesktopIDList())), FFaults);
    wrapper->AddRef();
    DesktopFolder = wrapper;
}

TFaultyDesktopScope::~TFaultyDesktopScope()
{
    IShellFolder* wrapper = std::exchange(DesktopFolder, FReal);
    wrapper->Release();
}
