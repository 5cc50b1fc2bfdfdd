// A shell folder that hands every call to the real folder it holds: the base of the test wrappers
// that change one or two calls (a slow listing, a failure Wine never produces).
#pragma once

#include "../../framework/ComPtr.h"
#include "../../framework/InterfacedObject.h"

#include <shlobj.h>

class TShellFolderForwarder : public TInterfacedObject<IShellFolder> {
public:
    // Holds a reference to inner.
    explicit TShellFolderForwarder(IShellFolder* inner)
    {
        inner->AddRef();
        FInner.Attach(inner);
    }

    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND hwnd, IBindCtx* context, LPWSTR name, ULONG* eaten,
                                               PIDLIST_RELATIVE* idList, ULONG* attributes) override
    {
        return FInner->ParseDisplayName(hwnd, context, name, eaten, idList, attributes);
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND hwnd, SHCONTF flags, IEnumIDList** enumerator) override
    {
        return FInner->EnumObjects(hwnd, flags, enumerator);
    }
    HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE idList, IBindCtx* context, REFIID iid,
                                           void** object) override
    {
        return FInner->BindToObject(idList, context, iid, object);
    }
    HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE idList, IBindCtx* context, REFIID iid,
                                            void** object) override
    {
        return FInner->BindToStorage(idList, context, iid, object);
    }
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM column, PCUIDLIST_RELATIVE first, PCUIDLIST_RELATIVE second) override
    {
        return FInner->CompareIDs(column, first, second);
    }
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND owner, REFIID iid, void** object) override
    {
        return FInner->CreateViewObject(owner, iid, object);
    }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY items, SFGAOF* attributes) override
    {
        return FInner->GetAttributesOf(count, items, attributes);
    }
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND owner, UINT count, PCUITEMID_CHILD_ARRAY items, REFIID iid,
                                            UINT* reserved, void** object) override
    {
        return FInner->GetUIObjectOf(owner, count, items, iid, reserved, object);
    }
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD item, SHGDNF flags, STRRET* name) override
    {
        return FInner->GetDisplayNameOf(item, flags, name);
    }
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND hwnd, PCUITEMID_CHILD item, LPCWSTR name, SHGDNF flags,
                                        PITEMID_CHILD* newItem) override
    {
        return FInner->SetNameOf(hwnd, item, name, flags, newItem);
    }

protected:
    TComPtr<IShellFolder> FInner;
};
