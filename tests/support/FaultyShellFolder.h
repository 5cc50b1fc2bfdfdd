// A thin forwarding wrapper around the real desktop folder, put in the library's DesktopFolder for
// the length of a test, that fails or replaces one call for one item: the failures Wine never
// produces (EnumObjects refusing, GetUIObjectOf failing), attributes it never reports, and a drop
// target a test can record.
#pragma once

#include "../../shell/VeltoShellPidl.h"

#include <shlobj.h>

#include <functional>
#include <memory>
#include <vector>

// What the wrapped folders do differently, for items named by absolute PIDL. Every folder bound
// through the wrapper (and the wrapper itself, the desktop) consults the same faults.
class TShellFaults {
public:
    // EnumObjects of the folder answers result, with the real folder's enumerator all the same.
    void FailEnumObjects(LPCITEMIDLIST folder, HRESULT result);
    // EnumObjects of the folder runs called inside the call, as the shell may run code of its own
    // there, then lists as the real folder does.
    void WhileListing(LPCITEMIDLIST folder, std::function<void()> called);
    // GetUIObjectOf for the item and interface answers result and hands out nothing.
    void FailUIObject(LPCITEMIDLIST item, REFIID iid, HRESULT result);
    // GetUIObjectOf for the item and interface hands out object (a new reference) and answers
    // result: S_OK, or a failure that comes with an object all the same.
    void ReplaceUIObject(LPCITEMIDLIST item, REFIID iid, IUnknown* object, HRESULT result = S_OK);
    // GetAttributesOf for the item alone adds the bits of added that were asked for to the real
    // folder's answer: the attributes Wine never reports, such as SFGAO_SHARE.
    void AddAttributes(LPCITEMIDLIST item, SFGAOF added);
    // Every call is forwarded again.
    void Clear() { FRules.clear(); }
    // How many GetUIObjectOf calls asked for iid, and how many GetAttributesOf calls came, for any
    // item.
    int UIObjectRequests(REFIID iid) const;
    int AttributeRequests() const { return FAttributeRequests; }
    // How many folders were bound through the wrappers.
    int FolderBinds() const { return FFolderBinds; }

private:
    friend class TForwardingShellFolder;
    enum class TCall { EnumObjects, UIObject, Attributes };
    struct TRule {
        TPidl Item;
        TCall Call = TCall::UIObject;
        bool Forward = false;  // EnumObjects goes on to the real folder after Called
        IID Interface{};
        HRESULT Result = S_OK;
        IUnknown* Object = nullptr;
        std::function<void()> Called;
        SFGAOF Added = 0;
    };
    const TRule* Find(LPCITEMIDLIST item, TCall call, REFIID iid = IID_NULL) const;

    std::vector<TRule> FRules;
    std::vector<IID> FRequests;
    int FAttributeRequests = 0;
    int FFolderBinds = 0;
};

// Puts a wrapper of the real desktop folder into DesktopFolder while it lives, and the real one
// back afterwards. The wrapper's faults start empty: everything is forwarded.
class TFaultyDesktopScope {
public:
    TFaultyDesktopScope();
    ~TFaultyDesktopScope();
    TFaultyDesktopScope(const TFaultyDesktopScope&) = delete;
    TFaultyDesktopScope& operator=(const TFaultyDesktopScope&) = delete;

    TShellFaults& Faults() { return *FFaults; }

private:
    std::shared_ptr<TShellFaults> FFaults = std::make_shared<TShellFaults>();
    IShellFolder* FReal = nullptr;
};
