// The shell context menu: ShowShellContextMenu over a recording menu object, and the shell tree's
// context-popup step over the real shell. Menus are ended by a timer inside the menu's own loop.
#include "../../framework/ComPtr.h"
#include "../../shell/VeltoShellTreeView.h"
#include "../framework/ControlTestHelpers.h"
#include "../support/ScratchFolder.h"
#include "ShellTestHelpers.h"

#include <doctest.h>

#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A menu object that fills three commands ("One", "Two", "Three") and records what it is asked.
// It lives on the stack of a test; References counts what others hold.
class TRecordingContextMenu final : public IContextMenu2 {
public:
    bool OffersMenu2 = true;
    bool ThrowOnQuery = false;
    ULONG References = 0;
    HMENU QueriedMenu = nullptr;
    std::vector<UINT> Query;  // indexMenu, idCmdFirst, idCmdLast, flags
    std::vector<CMINVOKECOMMANDINFO> Invoked;
    std::vector<UINT> MenuMessages;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IContextMenu || (OffersMenu2 && iid == IID_IContextMenu2)) {
            *object = static_cast<IContextMenu2*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++References; }
    ULONG STDMETHODCALLTYPE Release() override { return --References; }
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last, UINT flags) override
    {
        QueriedMenu = menu;
        if (ThrowOnQuery)
            throw std::runtime_error("query");
        Query = {index, first, last, flags};
        const char* texts[] = {"One", "Two", "Three"};
        for (UINT i = 0; i < 3; ++i)
            InsertMenuA(menu, index + i, MF_BYPOSITION | MF_STRING, first + i, texts[i]);
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 3);
    }
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override
    {
        Invoked.push_back(*info);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, CHAR*, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HandleMenuMsg(UINT message, WPARAM, LPARAM) override
    {
        MenuMessages.push_back(message);
        return E_NOTIMPL;
    }
};

// A folder whose only working method hands out the recording menu (or none) and records the call.
class TRecordingFolder final : public IShellFolder {
public:
    TRecordingContextMenu* Menu = nullptr;
    ULONG References = 0;
    HWND Owner = nullptr;
    std::vector<LPCITEMIDLIST> Items;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IShellFolder) {
            *object = static_cast<IShellFolder*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++References; }
    ULONG STDMETHODCALLTYPE Release() override { return --References; }
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND owner, UINT count, PCUITEMID_CHILD_ARRAY items, REFIID iid, UINT*,
                                            void** object) override
    {
        Owner = owner;
        Items.assign(items, items + count);
        *object = nullptr;
        if (iid != IID_IContextMenu || !Menu)
            return E_NOINTERFACE;
        return Menu->QueryInterface(iid, object);
    }
    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, PIDLIST_RELATIVE*, ULONG*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, PCUITEMID_CHILD_ARRAY, SFGAOF*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD, SHGDNF, STRRET*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override
    {
        return E_NOTIMPL;
    }
};

// The text of a menu item without '&', in lower case.
std::string PlainMenuText(HMENU menu, int position)
{
    char text[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof(text), MF_BYPOSITION);
    std::string plain;
    for (const char* c = text; *c; ++c)
        if (*c != '&')
            plain += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    return plain;
}

// A thin forwarding wrapper around the real shell's IContextMenu of an item, which records what the
// routine asks of it; it exists only to watch the real menu, and changes no answer.
class TWatchedShellMenu final : public IContextMenu2 {
public:
    TComPtr<IContextMenu> Real;
    ULONG References = 0;
    std::vector<UINT> Query;  // indexMenu, idCmdFirst, idCmdLast, flags
    UINT CopyId = 0;          // the identifier the real menu gave its Copy command
    std::vector<CMINVOKECOMMANDINFO> Invoked;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IContextMenu || iid == IID_IContextMenu2) {
            *object = static_cast<IContextMenu2*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++References; }
    ULONG STDMETHODCALLTYPE Release() override { return --References; }
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last, UINT flags) override
    {
        Query = {index, first, last, flags};
        const HRESULT result = Real->QueryContextMenu(menu, index, first, last, flags);
        for (int i = 0; i < GetMenuItemCount(menu); ++i)
            if (PlainMenuText(menu, i) == "copy")
                CopyId = GetMenuItemID(menu, i);
        return result;
    }
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override
    {
        Invoked.push_back(*info);
        return Real->InvokeCommand(info);
    }
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR id, UINT type, UINT* reserved, CHAR* name, UINT size) override
    {
        return Real->GetCommandString(id, type, reserved, name, size);
    }
    HRESULT STDMETHODCALLTYPE HandleMenuMsg(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        const TComPtr<IContextMenu2> real = Real.Query<IContextMenu2>(IID_IContextMenu2);
        return real ? real->HandleMenuMsg(message, wParam, lParam) : E_NOTIMPL;
    }
};

// A thin forwarding wrapper around a real shell folder whose context menus it hands out watched.
class TWatchingFolder final : public IShellFolder {
public:
    TWatchingFolder(IShellFolder* real, TWatchedShellMenu& menu) : FReal(real), FMenu(menu) {}
    ULONG References = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IShellFolder) {
            *object = static_cast<IShellFolder*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++References; }
    ULONG STDMETHODCALLTYPE Release() override { return --References; }
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND owner, UINT count, PCUITEMID_CHILD_ARRAY items, REFIID iid,
                                            UINT* reserved, void** object) override
    {
        if (iid != IID_IContextMenu)
            return FReal->GetUIObjectOf(owner, count, items, iid, reserved, object);
        *object = nullptr;
        const HRESULT result =
            FReal->GetUIObjectOf(owner, count, items, IID_IContextMenu, reserved, FMenu.Real.put_void());
        return FMenu.Real ? FMenu.QueryInterface(iid, object) : result;
    }
    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND owner, IBindCtx* context, LPWSTR name, ULONG* eaten,
                                               PIDLIST_RELATIVE* idList, ULONG* attributes) override
    {
        return FReal->ParseDisplayName(owner, context, name, eaten, idList, attributes);
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND owner, SHCONTF flags, IEnumIDList** items) override
    {
        return FReal->EnumObjects(owner, flags, items);
    }
    HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE idList, IBindCtx* context, REFIID iid,
                                           void** object) override
    {
        return FReal->BindToObject(idList, context, iid, object);
    }
    HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE idList, IBindCtx* context, REFIID iid,
                                            void** object) override
    {
        return FReal->BindToStorage(idList, context, iid, object);
    }
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM column, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b) override
    {
        return FReal->CompareIDs(column, a, b);
    }
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND owner, REFIID iid, void** object) override
    {
        return FReal->CreateViewObject(owner, iid, object);
    }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY items, SFGAOF* attributes) override
    {
        return FReal->GetAttributesOf(count, items, attributes);
    }
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD item, SHGDNF flags, STRRET* name) override
    {
        return FReal->GetDisplayNameOf(item, flags, name);
    }
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND owner, PCUITEMID_CHILD item, LPCWSTR name, SHGDNF flags,
                                        PITEMID_CHILD* result) override
    {
        return FReal->SetNameOf(owner, item, name, flags, result);
    }

private:
    IShellFolder* FReal;
    TWatchedShellMenu& FMenu;
};

// What the menu looked like while it was open.
struct TMenuSeen {
    bool Shown = false;
    bool ActiveContextMenuSet = false;
    std::vector<std::string> Texts;  // the items' texts without '&'; empty for a separator
    POINT TopLeft{};
};

// Arms a thread timer that fires inside the next menu loop: it records the open menu and ends it,
// by EndMenu or by posting keys to the owner window. A timer still armed when the driver goes
// means no menu was open.
class TMenuDriver {
public:
    // keys empty: dismiss. Otherwise posted as key presses; pick computes them from the menu.
    explicit TMenuDriver(HWND owner, std::vector<WPARAM> keys = {}) : FOwner(owner), FKeys(std::move(keys))
    {
        Current = this;
        FTimer = SetTimer(nullptr, 0, 50, &TMenuDriver::Fire);
    }
    ~TMenuDriver()
    {
        if (FTimer)
            KillTimer(nullptr, FTimer);
        if (FEndTimer)
            KillTimer(nullptr, FEndTimer);
        Current = nullptr;
    }
    TMenuDriver(const TMenuDriver&) = delete;
    TMenuDriver& operator=(const TMenuDriver&) = delete;

    // Picks the item of that text (case ignored) instead of the fixed keys.
    std::string PickText;
    // Clicks the item at that position instead, with the right button or the left.
    int ClickIndex = -1;
    bool ClickRight = false;
    TMenuSeen Seen;

private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        if (Current && Current->FTimer == id) {
            Current->FTimer = 0;
            Current->Act();
        }
    }
    // The visible popup-menu window of this thread: other programs of the session have their own.
    static HWND OpenMenuWindow()
    {
        HWND found = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &TMenuDriver::TakeMenuWindow, reinterpret_cast<LPARAM>(&found));
        return found;
    }
    static BOOL CALLBACK TakeMenuWindow(HWND window, LPARAM found)
    {
        char name[16] = {};
        GetClassNameA(window, name, sizeof(name));
        if (std::string(name) != "#32768" || !IsWindowVisible(window))
            return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    void Act()
    {
        HWND menuWindow = OpenMenuWindow();
        Seen.Shown = menuWindow != nullptr;
        Seen.ActiveContextMenuSet = ActiveContextMenu != nullptr;
        HMENU menu = menuWindow ? reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0)) : nullptr;
        int pickIndex = -1;
        for (int i = 0, selectable = 0; menu && i < GetMenuItemCount(menu); ++i) {
            const std::string plain = PlainMenuText(menu, i);
            Seen.Texts.push_back(plain);
            if (plain.empty())
                continue;
            if (plain == PickText)
                pickIndex = selectable;
            ++selectable;
        }
        if (menuWindow) {
            RECT bounds{};
            GetWindowRect(menuWindow, &bounds);
            Seen.TopLeft = {bounds.left, bounds.top};
        }
        if (menu && ClickIndex >= 0) {
            Click(menuWindow, menu);
            return;
        }
        std::vector<WPARAM> keys = FKeys;
        if (pickIndex >= 0)
            keys.assign(static_cast<std::size_t>(pickIndex) + 1, VK_DOWN);
        if (keys.empty() || (!PickText.empty() && pickIndex < 0)) {
            EndMenu();
            return;
        }
        keys.push_back(VK_RETURN);
        for (const WPARAM key : keys)
            PostMessageA(FOwner, WM_KEYDOWN, key, 0);
    }

    // Posts the button's messages at the item's middle, in screen coordinates as the menu loop reads
    // them; a click the menu does not take leaves it open, and a later timer ends it.
    void Click(HWND menuWindow, HMENU menu)
    {
        RECT item{};
        GetMenuItemRect(nullptr, menu, static_cast<UINT>(ClickIndex), &item);
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        const UINT down = ClickRight ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
        PostMessageA(menuWindow, down, ClickRight ? MK_RBUTTON : MK_LBUTTON, at);
        PostMessageA(menuWindow, down + 1, 0, at);
        FEndTimer = SetTimer(nullptr, 0, 300, &TMenuDriver::EndOpenMenu);
    }
    static void CALLBACK EndOpenMenu(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        if (Current && Current->FEndTimer == id)
            Current->FEndTimer = 0;
        EndMenu();
    }

    static inline TMenuDriver* Current = nullptr;
    UINT_PTR FEndTimer = 0;
    HWND FOwner;
    std::vector<WPARAM> FKeys;
    UINT_PTR FTimer = 0;
};

// Holds Shift down through the input system (SendInput), so that GetAsyncKeyState sees it, and lets
// it go. Wine caches the asynchronous key state for up to 50 ms: each change waits until it shows.
class TShiftDown {
public:
    TShiftDown() { Send(0, true); }
    ~TShiftDown() { Send(KEYEVENTF_KEYUP, false); }
    TShiftDown(const TShiftDown&) = delete;
    TShiftDown& operator=(const TShiftDown&) = delete;

private:
    static void Send(DWORD flags, bool down)
    {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = VK_SHIFT;
        input.ki.dwFlags = flags;
        SendInput(1, &input, sizeof(input));
        for (int waited = 0; (GetAsyncKeyState(VK_SHIFT) < 0) != down && waited < 1000; waited += 10)
            Sleep(10);
    }
};

// A form that records the context-menu requests that reach it from its children.
class TRequestForm : public THostForm {
public:
    int ContextMenuRequests = 0;

protected:
    void WndProc(TMessage& message) override
    {
        if (message.Msg == WM_CONTEXTMENU)
            ++ContextMenuRequests;
        THostForm::WndProc(message);
    }
};

TTreeNode* Child(const TTreeNode* node, const std::string& text)
{
    for (TTreeNode* child = node ? node->getFirstChild() : nullptr; child; child = child->getNextSibling())
        if (child->Text() == text)
            return child;
    return nullptr;
}

// The drop effect the clipboard's data prefers ("Preferred DropEffect": copy or move); 0 for none.
DWORD ClipboardDropEffect()
{
    TComPtr<IDataObject> data;
    if (OleGetClipboard(data.put()) != S_OK || !data)
        return 0;
    FORMATETC format{static_cast<CLIPFORMAT>(RegisterClipboardFormatA(CFSTR_PREFERREDDROPEFFECT)), nullptr,
                     DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (data->GetData(&format, &medium) != S_OK)
        return 0;
    DWORD effect = 0;
    if (const auto* value = static_cast<const DWORD*>(GlobalLock(medium.hGlobal))) {
        effect = *value;
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return effect;
}

// The files CF_HDROP on the clipboard names; empty when there is none.
std::vector<std::string> ClipboardFiles()
{
    std::vector<std::string> files;
    TComPtr<IDataObject> data;
    if (OleGetClipboard(data.put()) != S_OK || !data)
        return files;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (data->GetData(&format, &medium) != S_OK)
        return files;
    auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    if (drop) {
        const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            char path[MAX_PATH] = {};
            DragQueryFileA(drop, i, path, MAX_PATH);
            files.emplace_back(path);
        }
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return files;
}

// What the clipboard holds: every format offered in global memory, with its bytes.
using TClipboardContents = std::vector<std::pair<CLIPFORMAT, std::vector<BYTE>>>;

TClipboardContents ClipboardContents()
{
    TClipboardContents contents;
    TComPtr<IDataObject> data;
    TComPtr<IEnumFORMATETC> formats;
    if (OleGetClipboard(data.put()) != S_OK || !data || data->EnumFormatEtc(DATADIR_GET, formats.put()) != S_OK ||
        !formats)
        return contents;
    for (FORMATETC format; formats->Next(1, &format, nullptr) == S_OK;) {
        format.tymed = TYMED_HGLOBAL;
        STGMEDIUM medium{};
        if (data->GetData(&format, &medium) != S_OK)
            continue;
        if (const auto* bytes = static_cast<const BYTE*>(GlobalLock(medium.hGlobal))) {
            contents.emplace_back(format.cfFormat, std::vector<BYTE>(bytes, bytes + GlobalSize(medium.hGlobal)));
            GlobalUnlock(medium.hGlobal);
        }
        ReleaseStgMedium(&medium);
    }
    return contents;
}

}  // namespace

TEST_SUITE("ShowShellContextMenu") {

TEST_CASE("the menu is queried with CMF_EXPLORE alone, or with CMF_EXTENDEDVERBS while Shift is down")
{
    THostForm form;
    TRecordingContextMenu menu;
    TRecordingFolder folder;
    folder.Menu = &menu;
    BYTE itemBytes[4] = {};
    const TIDArray ids{reinterpret_cast<LPCITEMIDLIST>(itemBytes)};
    UINT flags = 0;
    SUBCASE("without Shift")
    {
        flags = CMF_EXPLORE;
        TMenuDriver driver(form.Handle());
        ShowShellContextMenu(form.Handle(), &folder, ids, 5, 5);
    }
    SUBCASE("with Shift")
    {
        flags = CMF_EXPLORE | CMF_EXTENDEDVERBS;
        TShiftDown shift;
        TMenuDriver driver(form.Handle());
        ShowShellContextMenu(form.Handle(), &folder, ids, 5, 5);
    }
    CHECK(menu.Query == std::vector<UINT>{0, 1, 0x7FFF, flags});
    CHECK(folder.Owner == form.Handle());
    CHECK(folder.Items == std::vector<LPCITEMIDLIST>{ids[0]});  // the caller's entry itself
    CHECK(menu.Invoked.empty());
}

TEST_CASE("ActiveContextMenu is the menu's only while it is tracked, and every reference goes back")
{
    THostForm form;
    TVeltoShellTreeView owner(nullptr);
    owner.SetParent(&form);
    owner.SetRoot(TVeltoRootFolder("sfDrives"));
    TRecordingContextMenu menu;
    TRecordingFolder folder;
    folder.Menu = &menu;
    const TIDArray ids;
    TMenuSeen seen;
    {
        TMenuDriver driver(owner.Handle());
        ShowShellContextMenu(owner.Handle(), &folder, ids, 10, 20);
        seen = driver.Seen;
    }
    CHECK(seen.Shown);
    CHECK(seen.ActiveContextMenuSet);
    CHECK(seen.Texts == std::vector<std::string>{"one", "two", "three"});
    POINT screen{10, 20};
    ClientToScreen(owner.Handle(), &screen);
    CHECK((seen.TopLeft.x == screen.x && seen.TopLeft.y == screen.y));
    CHECK(ActiveContextMenu == nullptr);
    CHECK(menu.Invoked.empty());  // dismissed
    CHECK((menu.References == 0 && folder.References == 0));
    CHECK_FALSE(IsMenu(menu.QueriedMenu));
    // The owner's menu messages reached the menu object while it was open, and no longer do.
    CHECK(std::count(menu.MenuMessages.begin(), menu.MenuMessages.end(), WM_INITMENUPOPUP) == 1);
    SendMessageA(owner.Handle(), WM_INITMENUPOPUP, 0, 0);
    CHECK(std::count(menu.MenuMessages.begin(), menu.MenuMessages.end(), WM_INITMENUPOPUP) == 1);

    SUBCASE("a menu object without IContextMenu2 is tracked all the same")
    {
        menu.OffersMenu2 = false;
        TMenuDriver driver(owner.Handle());
        ShowShellContextMenu(owner.Handle(), &folder, ids, 10, 20);
        CHECK(driver.Seen.Shown);
        CHECK_FALSE(driver.Seen.ActiveContextMenuSet);
        CHECK((menu.References == 0 && folder.References == 0));
    }
    SUBCASE("no menu object: nothing is shown")
    {
        folder.Menu = nullptr;
        TMenuDriver driver(owner.Handle());
        ShowShellContextMenu(owner.Handle(), &folder, ids, 10, 20);
        CHECK_FALSE(driver.Seen.Shown);
        CHECK(folder.References == 0);
    }
    SUBCASE("an exception from the menu object still destroys the menu and releases everything")
    {
        menu.ThrowOnQuery = true;
        CHECK_THROWS(ShowShellContextMenu(owner.Handle(), &folder, ids, 10, 20));
        CHECK_FALSE(IsMenu(menu.QueriedMenu));
        CHECK((menu.References == 0 && folder.References == 0));
        CHECK(ActiveContextMenu == nullptr);
    }
}

TEST_CASE("a picked command is invoked with its offset from the first identifier")
{
    THostForm form;
    TRecordingContextMenu menu;
    TRecordingFolder folder;
    folder.Menu = &menu;
    const TIDArray ids;
    const auto pick = [&](int downs) {
        TMenuDriver driver(form.Handle(), std::vector<WPARAM>(static_cast<std::size_t>(downs), VK_DOWN));
        ShowShellContextMenu(form.Handle(), &folder, ids, 0, 0);
    };
    pick(1);
    pick(3);
    REQUIRE(menu.Invoked.size() == 2);
    CHECK(menu.Invoked[0].lpVerb == MAKEINTRESOURCEA(0));
    CHECK(menu.Invoked[1].lpVerb == MAKEINTRESOURCEA(2));
    const CMINVOKECOMMANDINFO& info = menu.Invoked[1];
    CHECK(info.cbSize == sizeof(CMINVOKECOMMANDINFO));
    CHECK(info.fMask == 0);
    CHECK(info.hwnd == form.Handle());
    CHECK((info.lpParameters == nullptr && info.lpDirectory == nullptr));
    CHECK(info.nShow == SW_SHOWNORMAL);
    CHECK((info.dwHotKey == 0 && info.hIcon == nullptr));
    CHECK((menu.References == 0 && folder.References == 0));
}

TEST_CASE("the menu takes a pick with the right button as well as the left")
{
    THostForm form;
    TRecordingContextMenu menu;
    TRecordingFolder folder;
    folder.Menu = &menu;
    const TIDArray ids;
    const auto click = [&](int index, bool right) {
        TMenuDriver driver(form.Handle());
        driver.ClickIndex = index;
        driver.ClickRight = right;
        ShowShellContextMenu(form.Handle(), &folder, ids, 0, 0);
        return driver.Seen.Shown;
    };
    REQUIRE(click(2, false));
    if (menu.Invoked.size() != 1) {
        MESSAGE("skipped: clicks posted to the open menu do not reach its loop here");
        return;
    }
    CHECK(click(1, true));
    REQUIRE(menu.Invoked.size() == 2);
    CHECK(menu.Invoked[0].lpVerb == MAKEINTRESOURCEA(2));
    CHECK(menu.Invoked[1].lpVerb == MAKEINTRESOURCEA(1));
    CHECK((menu.References == 0 && folder.References == 0));
}

TEST_CASE("the real shell's menu, watched through a wrapper, gets the flags and range and runs the picked Copy")
{
    TScratchFolder scratch;
    fs::create_directory(scratch / "Alpha");
    THostForm form;
    const TPidl alpha = PidlOf(scratch / "Alpha");
    TComPtr<IShellFolder> parent;
    LPCITEMIDLIST last = nullptr;
    REQUIRE(SHBindToParent(alpha.get(), IID_IShellFolder, parent.put_void(), &last) == S_OK);
    TWatchedShellMenu menu;
    TWatchingFolder folder(parent.get(), menu);
    OleSetClipboard(nullptr);
    {
        TMenuDriver driver(form.Handle());
        driver.PickText = "copy";
        ShowShellContextMenu(form.Handle(), &folder, TIDArray{last}, 5, 5);
        REQUIRE(driver.Seen.Shown);
    }
    CHECK(menu.Query == std::vector<UINT>{0, 1, 0x7FFF, CMF_EXPLORE});
    REQUIRE(menu.CopyId != 0);
    REQUIRE(menu.Invoked.size() == 1);
    CHECK(menu.Invoked[0].lpVerb == MAKEINTRESOURCEA(menu.CopyId - 1));
    CHECK(menu.Invoked[0].hwnd == form.Handle());
    const std::vector<std::string> files = ClipboardFiles();
    OleSetClipboard(nullptr);
    REQUIRE(files.size() == 1);
    CHECK(fs::equivalent(fs::path(files[0]), scratch / "Alpha"));
    menu.Real.reset();
    CHECK((menu.References == 0 && folder.References == 0));
}

}  // TEST_SUITE

TEST_SUITE("TCustomVeltoShellTreeView context menu") {

TEST_CASE("a context request shows the shell's menu of the selected node, or with AutoContextMenu off raises OnContextPopup")
{
    TScratchFolder scratch;
    fs::create_directory(scratch / "Alpha");
    TRequestForm form;
    auto* tree = new TVeltoShellTreeView(&form);
    tree->SetParent(&form);
    tree->SetAlign(alClient);
    tree->SetAutoRefresh(false);
    tree->SetRoot(TVeltoRootFolder(scratch.Path().string()));
    tree->SetSelected(Child(tree->Items()->GetFirstNode(), "Alpha"));
    std::vector<POINT> popups;
    tree->OnContextPopup = [&](TObject*, POINT point, bool&) { popups.push_back(point); };
    POINT screen{12, 8};
    ClientToScreen(tree->Handle(), &screen);
    const auto request = [&] {
        TMenuDriver driver(tree->Handle());
        SendMessageA(tree->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree->Handle()),
                     MAKELPARAM(screen.x, screen.y));
        return driver.Seen;
    };

    SUBCASE("AutoContextMenu on")
    {
        const TMenuSeen seen = request();
        CHECK(seen.Shown);
        CHECK(seen.ActiveContextMenuSet);
        CHECK(std::count(seen.Texts.begin(), seen.Texts.end(), "copy") == 1);
        CHECK((seen.TopLeft.x == screen.x && seen.TopLeft.y == screen.y));
        CHECK(ActiveContextMenu == nullptr);
        CHECK(popups.empty());
        // handled stayed false: the request went on to the parent.
        CHECK(form.ContextMenuRequests == 1);
    }
    SUBCASE("AutoContextMenu on, no node selected: nothing")
    {
        tree->SetSelected(nullptr);
        CHECK_FALSE(request().Shown);
        CHECK(popups.empty());
    }
    SUBCASE("AutoContextMenu off")
    {
        tree->SetAutoContextMenu(false);
        CHECK_FALSE(request().Shown);
        REQUIRE(popups.size() == 1);
        CHECK((popups[0].x == 12 && popups[0].y == 8));
        CHECK(form.ContextMenuRequests == 1);
    }
}

// What the clipboard holds after Copy was picked in the shell's menu of the scratch folder Alpha.
struct TCopied {
    std::vector<std::string> Files;
    DWORD Effect = 0;
    TClipboardContents Contents;
};

TCopied CopyThroughTheMenu(const fs::path& root)
{
    THostForm form;
    auto* tree = new TVeltoShellTreeView(&form);
    tree->SetParent(&form);
    tree->SetAlign(alClient);
    tree->SetAutoRefresh(false);
    tree->SetRoot(TVeltoRootFolder(root.string()));
    tree->SetSelected(Child(tree->Items()->GetFirstNode(), "Alpha"));
    OleSetClipboard(nullptr);
    POINT screen{12, 8};
    ClientToScreen(tree->Handle(), &screen);
    {
        TMenuDriver driver(tree->Handle());
        driver.PickText = "copy";
        SendMessageA(tree->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree->Handle()),
                     MAKELPARAM(screen.x, screen.y));
        REQUIRE(driver.Seen.Shown);
    }
    TCopied copied{ClipboardFiles(), ClipboardDropEffect(), ClipboardContents()};
    OleSetClipboard(nullptr);
    return copied;
}

TEST_CASE("choosing Copy in the shell's menu puts the selected folder on the clipboard")
{
    TScratchFolder scratch;
    fs::create_directory(scratch / "Alpha");
    const TCopied copied = CopyThroughTheMenu(scratch.Path());
    REQUIRE(copied.Files.size() == 1);
    CHECK(fs::equivalent(fs::path(copied.Files[0]), scratch / "Alpha"));
}

// Runs the command of that text (case and '&' ignored) from the shell's own menu of the item,
// asked for directly, and gives what it put on the clipboard.
TClipboardContents RunShellCommandDirectly(const fs::path& item, const std::string& text)
{
    const TPidl pidl = PidlOf(item);
    TComPtr<IShellFolder> parent;
    LPCITEMIDLIST last = nullptr;
    REQUIRE(SHBindToParent(pidl.get(), IID_IShellFolder, parent.put_void(), &last) == S_OK);
    TComPtr<IContextMenu> menuObject;
    parent->GetUIObjectOf(nullptr, 1, &last, IID_IContextMenu, nullptr, menuObject.put_void());
    REQUIRE(menuObject);
    HMENU menu = CreatePopupMenu();
    menuObject->QueryContextMenu(menu, 0, 1, 0x7FFF, CMF_EXPLORE);
    UINT id = 0;
    for (int i = 0; i < GetMenuItemCount(menu) && !id; ++i)
        if (PlainMenuText(menu, i) == text)
            id = GetMenuItemID(menu, i);
    DestroyMenu(menu);
    REQUIRE(id != 0);
    OleSetClipboard(nullptr);
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(id - 1);
    info.nShow = SW_SHOWNORMAL;
    menuObject->InvokeCommand(&info);
    TClipboardContents contents = ClipboardContents();
    OleSetClipboard(nullptr);
    return contents;
}

TEST_CASE("choosing Copy in the shell's menu leaves what the shell's own Copy leaves, not what Cut does")
{
    TScratchFolder scratch;
    fs::create_directory(scratch / "Alpha");
    const TClipboardContents directCopy = RunShellCommandDirectly(scratch / "Alpha", "copy");
    const TClipboardContents directCut = RunShellCommandDirectly(scratch / "Alpha", "cut");
    REQUIRE_FALSE(directCopy.empty());
    const TCopied copied = CopyThroughTheMenu(scratch.Path());
    REQUIRE(copied.Files.size() == 1);
    CHECK(copied.Contents == directCopy);
    if (directCopy == directCut) {
        MESSAGE("skipped: the shell's Copy and Cut leave the same clipboard here, so picking Cut instead of "
                "Copy cannot be told");
        return;
    }
    CHECK(copied.Contents != directCut);
}

}  // TEST_SUITE
