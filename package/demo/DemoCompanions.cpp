// The demo's companion list view and combo box, and the registered messages they speak.
#include "DemoCompanions.h"

#include "ComPtr.h"
#include "FormReader.h"
#include "VeltoShellTreeView.h"

#include <commctrl.h>

#include <algorithm>

const TShellViewMessages& ShellViewMessages()
{
    // Registered in the tree's own order; any order would give the same identifiers.
    static const TShellViewMessages ids{RegisterWindowMessageA("MsgId_VeltoShellSetTreeView"),
                                        RegisterWindowMessageA("MsgId_VeltoShellSetListView"),
                                        RegisterWindowMessageA("MsgId_VeltoShellSetComboBox"),
                                        RegisterWindowMessageA("MsgId_VeltoShellSetPath"),
                                        RegisterWindowMessageA("MsgId_VeltoShellSetRoot")};
    return ids;
}

namespace {

// Asks the tree to select the folder. The tree only reads the PIDL: the caller keeps it.
void SendPathToTree(TCustomVeltoShellTreeView* tree, LPCITEMIDLIST idList)
{
    if (!tree || !idList)
        return;
    // A copy of our own: a refill of this companion while the tree works cannot free it.
    TPidl copy(CopyIDList(idList));
    SendMessageA(tree->Handle(), ShellViewMessages().SetPath, 0, reinterpret_cast<LPARAM>(copy.get()));
}

// The folder's file-system path, or its display name when it has none.
std::string PathOrName(LPCITEMIDLIST idList)
{
    const std::string path = IDListToPath(idList);
    return path.empty() ? GetDisplayName(idList) : path;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// TDemoShellListView
// ---------------------------------------------------------------------------------------------------

const TClassInfo& TDemoShellListView::StaticClassInfo()
{
    using C = TDemoShellListView;
    static const TClassInfo info{.Name = "TDemoShellListView",
                                 .Parent = &TCustomListView::StaticClassInfo(),
                                 .Properties = {EventProperty<C>("OnFolderChanged", &C::OnFolderChanged)},
                                 .Create = [](TComponent* owner) -> TComponent* { return new C(owner); }};
    return info;
}

TDemoShellListView::TDemoShellListView(TComponent* owner) : TCustomListView(owner) {}

TDemoShellListView::~TDemoShellListView()
{
    DestroyHandle();
}

void TDemoShellListView::ShowFolder(TPidl folder)
{
    std::vector<TItem> items;
    TComPtr<IShellFolder> shellFolder;
    if (folder)
        GetShellFolder(folder.get(), shellFolder.put());
    TComPtr<IEnumIDList> enumerator;
    if (shellFolder &&
        shellFolder->EnumObjects(nullptr, ObjectTypesToEnumFlags({TVeltoShellObjectType::otFolders,
                                                                   TVeltoShellObjectType::otNonFolders}),
                                 enumerator.put()) == S_OK &&
        enumerator) {
        TPidl child;
        while (enumerator->Next(1, child.put(), nullptr) == S_OK) {
            TItem item;
            item.IDList.reset(ConcatIDLists(folder.get(), child.get()));
            item.Name = GetDisplayName(item.IDList.get());
            item.Icon = GetIconIndex(item.IDList.get(), false, false);
            item.Folder = HasFlags(SFGAO_FOLDER, GetIDListAttributes(item.IDList.get(), SFGAO_FOLDER));
            items.push_back(std::move(item));
        }
    }
    std::sort(items.begin(), items.end(), [](const TItem& a, const TItem& b) {
        if (a.Folder != b.Folder)
            return a.Folder;
        return static_cast<short>(HRESULT_CODE(DesktopFolder->CompareIDs(0, a.IDList.get(), b.IDList.get()))) < 0;
    });
    FFolder = std::move(folder);
    FItems = std::move(items);
    if (HandleAllocated())
        FillWindow();
    if (OnFolderChanged)
        OnFolderChanged(this);
}

void TDemoShellListView::OpenItem(int index)
{
    if (index < 0 || index >= ItemCount())
        return;
    const TItem& item = FItems[static_cast<std::size_t>(index)];
    if (item.Folder)
        SendPathToTree(FTreeView, item.IDList.get());
}

void TDemoShellListView::CreateWnd()
{
    TCustomListView::CreateWnd();
    // The list shares the system's image list (LVS_SHAREIMAGELISTS): it never destroys it.
    SendMessageA(FHandle, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(GetSystemImageList(false)));
    SendMessageA(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 300;
    char title[] = "Name";
    column.pszText = title;
    SendMessageA(FHandle, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    FillWindow();
}

void TDemoShellListView::DestroyWnd()
{
    // The tree's copies posted to this window would otherwise be lost with it.
    FreeQueuedTreeMessages(FHandle);
    TCustomListView::DestroyWnd();
}

void TDemoShellListView::FillWindow()
{
    SendMessageA(FHandle, WM_SETREDRAW, FALSE, 0);
    SendMessageA(FHandle, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        LVITEMA row{};
        row.mask = LVIF_TEXT | LVIF_IMAGE;
        row.iItem = static_cast<int>(i);
        row.pszText = FItems[i].Name.data();
        row.iImage = FItems[i].Icon;
        SendMessageA(FHandle, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row));
    }
    SendMessageA(FHandle, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FHandle, nullptr, TRUE);
}

namespace {

// Points a companion's link at the tree that told it of itself. The tree does not tell its
// companions that it goes: the framework's removal notice does. The message was posted, and the
// tree it names may have been destroyed before it came: such a tree is ignored.
void LinkTree(TComponent& companion, TCustomVeltoShellTreeView*& link, TCustomVeltoShellTreeView* tree)
{
    if (tree == link || (tree && !IsLiveShellTreeView(tree)))
        return;
    if (link)
        link->RemoveFreeNotification(&companion);
    link = tree;
    if (tree)
        tree->FreeNotification(&companion);
}

}  // namespace

void TDemoShellListView::SetTreeView(TCustomVeltoShellTreeView* tree)
{
    LinkTree(*this, FTreeView, tree);
}

void TDemoShellListView::WndProc(TMessage& message)
{
    const TShellViewMessages& ids = ShellViewMessages();
    if (message.Msg == ids.SetRoot) {
        // Ownership first: whatever happens next, the posted copy is freed.
        ShowFolder(TPidl(reinterpret_cast<LPITEMIDLIST>(message.LParam)));
        message.Result = 0;
        return;
    }
    if (message.Msg == ids.SetTreeView) {
        SetTreeView(reinterpret_cast<TCustomVeltoShellTreeView*>(message.LParam));
        message.Result = 0;
        return;
    }
    if (message.Msg == CN_NOTIFY && reinterpret_cast<const NMHDR*>(message.LParam)->code == LVN_ITEMACTIVATE) {
        OpenItem(reinterpret_cast<const NMITEMACTIVATE*>(message.LParam)->iItem);
        message.Result = 0;
        return;
    }
    TCustomListView::WndProc(message);
}

void TDemoShellListView::Notification(TComponent* component, TOperation operation)
{
    if (operation == TOperation::opRemove && component == FTreeView)
        FTreeView = nullptr;
    TCustomListView::Notification(component, operation);
}

// ---------------------------------------------------------------------------------------------------
// TDemoShellComboBox
// ---------------------------------------------------------------------------------------------------

const TClassInfo& TDemoShellComboBox::StaticClassInfo()
{
    static const TClassInfo info{
        .Name = "TDemoShellComboBox",
        .Parent = &TCustomComboBox::StaticClassInfo(),
        .Create = [](TComponent* owner) -> TComponent* { return new TDemoShellComboBox(owner); }};
    return info;
}

TDemoShellComboBox::TDemoShellComboBox(TComponent* owner) : TCustomComboBox(owner) {}

TDemoShellComboBox::~TDemoShellComboBox()
{
    DestroyHandle();
}

void TDemoShellComboBox::ShowFolder(TPidl folder)
{
    std::vector<TPidl> ancestors;
    if (folder) {
        // Strip the last item until the desktop (the empty list) is reached, then reverse.
        TPidl step(CopyIDList(folder.get()));
        while (step) {
            const bool desktop = IsDesktopIDList(step.get());
            ancestors.emplace_back(CopyIDList(step.get()));
            if (desktop)
                break;
            StripLastItemID(step.get());
        }
        std::reverse(ancestors.begin(), ancestors.end());
    }
    const std::string text = folder ? PathOrName(folder.get()) : std::string();
    FFolder = std::move(folder);
    FAncestors = std::move(ancestors);
    if (HandleAllocated()) {
        FillWindow();
        // Picking from the list changed the window's text behind the field's back.
        ReadTextFromWindow();
    }
    SetText(text);
}

void TDemoShellComboBox::CreateWnd()
{
    TCustomComboBox::CreateWnd();
    FillWindow();
}

void TDemoShellComboBox::DestroyWnd()
{
    FreeQueuedTreeMessages(FHandle);
    TCustomComboBox::DestroyWnd();
}

void TDemoShellComboBox::FillWindow()
{
    SendMessageA(FHandle, CB_RESETCONTENT, 0, 0);
    for (std::size_t i = 0; i < FAncestors.size(); ++i) {
        // Indented by depth, as a path reads from the desktop down.
        const std::string name = std::string(2 * i, ' ') + GetDisplayName(FAncestors[i].get());
        SendMessageA(FHandle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
}

void TDemoShellComboBox::SetTreeView(TCustomVeltoShellTreeView* tree)
{
    LinkTree(*this, FTreeView, tree);
}

void TDemoShellComboBox::WndProc(TMessage& message)
{
    const TShellViewMessages& ids = ShellViewMessages();
    if (message.Msg == ids.SetPath) {
        ShowFolder(TPidl(reinterpret_cast<LPITEMIDLIST>(message.LParam)));
        message.Result = 0;
        return;
    }
    if (message.Msg == ids.SetTreeView) {
        SetTreeView(reinterpret_cast<TCustomVeltoShellTreeView*>(message.LParam));
        message.Result = 0;
        return;
    }
    if (message.Msg == CN_COMMAND && HIWORD(message.WParam) == CBN_SELCHANGE) {
        const LRESULT index = SendMessageA(FHandle, CB_GETCURSEL, 0, 0);
        if (index >= 0 && static_cast<std::size_t>(index) < FAncestors.size())
            SendPathToTree(FTreeView, FAncestors[static_cast<std::size_t>(index)].get());
        message.Result = 0;
        return;
    }
    TCustomComboBox::WndProc(message);
}

void TDemoShellComboBox::Notification(TComponent* component, TOperation operation)
{
    if (operation == TOperation::opRemove && component == FTreeView)
        FTreeView = nullptr;
    TCustomComboBox::Notification(component, operation);
}

void RegisterDemoCompanionClasses()
{
    RegisterClasses({&TDemoShellListView::StaticClassInfo(), &TDemoShellComboBox::StaticClassInfo()});
}
