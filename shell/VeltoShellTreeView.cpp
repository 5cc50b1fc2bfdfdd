// TCustomVeltoShellTreeView and TVeltoShellTreeView: filling the tree from the shell, lazily and in
// the shell's order, and the nodes' ownership of their PIDLs.
#include "VeltoShellTreeView.h"

#include "../framework/ComPtr.h"
#include "../framework/FormReader.h"
#include "../framework/Forms.h"
#include "VeltoShellConstants.h"
#include "VeltoShellListing.h"
#include "VeltoShellPidl.h"
#include "VeltoShellTreeViewScopes.h"

#include <cstdint>
#include <unordered_set>
#include <utility>

namespace {

using namespace velto_tree_detail;

// Every TCustomVeltoShellTreeView between its constructor and its destructor; one thread, no lock.
std::unordered_set<const void*>& LiveShellTreeViews()
{
    static std::unordered_set<const void*> trees;
    return trees;
}

const TEnumInfo& ShellObjectTypeInfo()
{
    static const TEnumInfo info{{"otFolders", "otNonFolders", "otIncludeHidden"}};
    return info;
}

TVeltoShellObjectTypes ObjectTypesOfMask(std::uint32_t mask)
{
    TVeltoShellObjectTypes types;
    for (unsigned ordinal = 0; ordinal < 3; ++ordinal)
        if (mask & (1u << ordinal))
            types.Include(static_cast<TVeltoShellObjectType>(ordinal));
    return types;
}

// Orders two children of one folder node as the folder itself does (appValue is the folder): the
// order CompareNodes gives, since the desktop hands the comparison of two items with a common parent
// to that parent's folder, but without binding the folders on the way for every pair.
int CALLBACK CompareSiblingNodes(LPARAM node1, LPARAM node2, LPARAM folder)
{
    const auto* first = reinterpret_cast<const TTreeNode*>(node1);
    const auto* second = reinterpret_cast<const TTreeNode*>(node2);
    const HRESULT result = reinterpret_cast<IShellFolder*>(folder)->CompareIDs(0, GetLastItemID(NodePidl(first)),
                                                                             GetLastItemID(NodePidl(second)));
    return static_cast<std::int16_t>(static_cast<std::uint32_t>(result) & 0xFFFF);
}

}  // namespace

bool IsLiveShellTreeView(const void* address)
{
    return address && LiveShellTreeViews().contains(address);
}

int CALLBACK CompareNodes(LPARAM node1, LPARAM node2, LPARAM)
{
    const auto* first = reinterpret_cast<const TTreeNode*>(node1);
    const auto* second = reinterpret_cast<const TTreeNode*>(node2);
    if (!DesktopFolder || !first || !second)
        return 0;
    const HRESULT result = DesktopFolder->CompareIDs(0, NodePidl(first), NodePidl(second));
    return static_cast<std::int16_t>(static_cast<std::uint32_t>(result) & 0xFFFF);
}

// --- TCustomVeltoShellTreeView

const TClassInfo& TCustomVeltoShellTreeView::StaticClassInfo()
{
    static const TClassInfo info{.Name = "TCustomVeltoShellTreeView", .Parent = &TCustomTreeView::StaticClassInfo()};
    return info;
}

TCustomVeltoShellTreeView::TCustomVeltoShellTreeView(TComponent* owner)
    : TCustomTreeView(owner),
      FRoot(DefaultRootFolder()),
      FNotifier(std::make_unique<TCustomVeltoShellTreeViewChangeNotifier>(nullptr))
{
    SetChangeDelay(50);
    SetReadOnly(true);
    SetRightClickSelect(true);
    // Connected only: the notifier stays inactive until loading ends or AutoRefresh changes.
    ConnectNotifier();
    LiveShellTreeViews().insert(static_cast<const TCustomVeltoShellTreeView*>(this));
}

TCustomVeltoShellTreeView::~TCustomVeltoShellTreeView()
{
    LiveShellTreeViews().erase(static_cast<const TCustomVeltoShellTreeView*>(this));
    EndWatches();
    for (const TListingPtr& listing : FListings)
        listing->Job->Cancel();
    FListings.clear();
    FNotifier.reset();
    // The base destructor would delete the nodes through its own deletion hook, which frees no PIDL:
    // they go here, while this class's hook still runs.
    DestroyHandle();
    Items()->Clear();
}

void TCustomVeltoShellTreeView::SetAutoRefresh(bool value)
{
    if (ChangeField(FAutoRefresh, value))
        FNotifier->SetActive(value && !IsDesigning());
}

void TCustomVeltoShellTreeView::SetObjectTypes(TVeltoShellObjectTypes value)
{
    if (ChangeField(FObjectTypes, value))
        RebuildTree();
}

void TCustomVeltoShellTreeView::SetRoot(const TVeltoRootFolder& value)
{
    if (ChangeField(FRoot, value))
        RebuildTree();
}

LPITEMIDLIST TCustomVeltoShellTreeView::GetRootIDList()
{
    try {
        if (const auto literal = SpecialFolderByName(FRoot.Text()))
            return GetSpecialFolderIDList(*literal);
        return PathToIDList(AnsiToWide(FRoot.Text()));
    } catch (...) {
        FRoot = TVeltoRootFolder();
        throw;
    }
}

void TCustomVeltoShellTreeView::FillRoot()
{
    // Busy: adding the first node makes the window if there is none, and the new window asks for a
    // fill, which waits for this one and is served by it.
    const TBusyScope filling(*this);
    TPidl root(GetRootIDList());
    // OnDeletion runs for every node cleared.
    const TNodesWatch alive = WatchNodes();
    if (Items()->Count() > 0)
        Items()->Clear();
    if (!root || !alive.Alive())
        return;
    // The desktop is drawn without line and button at the top, any other root with them.
    SetShowRoot(!IsDesktopIDList(root.get()));
    TTreeNode* node = Items()->AddChild(nullptr, std::string(), root.get());
    static_cast<void>(root.release());  // the node owns it now
    ServeWaiting();
    const TNodesWatch watch = WatchNodes();
    FillNodeInfo(node);
    node->Expand(false);
    if (watch.Current() && !IsDesigning())
        SetSelected(node);
}

void TCustomVeltoShellTreeView::RebuildTree()
{
    if (IsLoading())
        return;
    if (Busy()) {
        Request(wkRebuild);
        return;
    }
    // A rebuild lists every folder afresh: it serves every refresh waiting too.
    ServeWaiting();
    const TBusyScope rebuilding(*this);
    const TNodesUpdateScope update(*this);
    FillRoot();
}

void TCustomVeltoShellTreeView::FillNodeInfo(TTreeNode* node)
{
    LPCITEMIDLIST pidl = NodePidl(node);
    const SFGAOF attributes = GetIDListAttributes(pidl, NodeInfoMask);
    node->SetText(GetDisplayName(pidl));
    ShowNodeInfo(node, attributes);
}

void TCustomVeltoShellTreeView::ShowNodeInfo(TTreeNode* node, SFGAOF attributes)
{
    // The icons are most of a node's cost and a user sees few of the nodes: each is asked for once,
    // when the node is first drawn or its index read.
    node->SetImageIndex(I_IMAGECALLBACK);
    node->SetSelectedIndex(I_IMAGECALLBACK);
    node->SetHasChildren(HasFlags(SFGAO_HASSUBFOLDER, attributes));
    if (HasFlags(SFGAO_SHARE, attributes))
        node->SetOverlayIndex(0);
    node->SetCut(HasFlags(SfgaoGhosted, attributes));
}

TTreeNode* TCustomVeltoShellTreeView::AddListedChild(TTreeNode* node, LPCITEMIDLIST child, const TShellChildInfo& info)
{
    if (!(info.Attributes & ShownItemMask))
        return nullptr;
    TPidl absolute(ConcatIDLists(NodePidl(node), child));
    if (!absolute)
        return nullptr;
    // Quietly: a selection the user makes while a folder's items arrive is still reported.
    TTreeNode* added = AddChildQuietly(node, info.Name, absolute.get());
    static_cast<void>(absolute.release());  // the node owns it now
    ShowNodeInfo(added, info.Attributes);
    return added;
}

bool TCustomVeltoShellTreeView::FillChildren(TTreeNode* node)
{
    const TBusyScope listing(*this);
    const TNodesUpdateScope update(*this);
    const TScreenCursorScope hourglass(crHourGlass);
    // The shell's folder runs code of its own while it lists (a notification raised there reaches
    // the tree at once): the node is used only while no node was deleted.
    const TNodesWatch watch = WatchNodes();
    TComPtr<IShellFolder> folder;
    GetShellFolder(NodePidl(node), folder.put());
    if (!folder)
        return false;
    TComPtr<IEnumIDList> enumerator;
    HRESULT listed;
    {
        // No system message box for a drive without medium: the listing fails instead.
        TErrorModeScope quiet(SEM_FAILCRITICALERRORS);
        listed = folder->EnumObjects(nullptr, ObjectTypesToEnumFlags(FObjectTypes), enumerator.put());
    }
    if (listed != S_OK || !enumerator || !watch.Current())
        return false;
    for (;;) {
        TPidl child;  // relative to the folder; ours until it goes out of scope
        ULONG fetched = 0;
        if (enumerator->Next(1, child.put(), &fetched) != S_OK || !child)
            break;
        if (!watch.Current())  // the folder's code deleted nodes while it listed
            return false;
        // One request per item, to the folder already held: what the filter and the node need.
        AddListedChild(node, child.get(), GetChildInfo(folder.get(), child.get(), ListingMask));
    }
    node->CustomSort(CompareSiblingNodes, reinterpret_cast<LPARAM>(folder.get()));
    return true;
}

void TCustomVeltoShellTreeView::Change(TTreeNode* node)
{
    // The placeholder, the one node without an item, stands for its folder.
    if (node && !node->Data() && ListingOf(node->Parent()))
        node = node->Parent();
    const TNodesWatch watch = WatchNodes();
    TCustomTreeView::Change(node);
    if (watch.Current())  // else OnChange refreshed the tree: its new selection is reported in turn
        TellCompanions(node);
}

bool TCustomVeltoShellTreeView::CanExpand(TTreeNode* node)
{
    if (IsDesigning() && node->Level() >= 1)
        return true;
    // Only the native control's own request is the user's: an expansion a handler asks for in
    // turn comes from code.
    const bool userAsked = std::exchange(FUserExpanding, false);
    const TBusyScope expanding(*this);
    // OnExpanding and the listing run user code: once they deleted nodes, this one may be gone.
    TNodesWatch watch = WatchNodes();
    const bool allow = TCustomTreeView::CanExpand(node);
    if (!watch.Current())  // the handler deleted nodes, this one perhaps
        return false;
    const TListingPtr listing = allow ? ListingOf(node) : nullptr;
    if (listing && listing->Job->Cancelled()) {
        // Closed while it listed, and opened again before the drain took its nodes: listed afresh.
        DiscardListing(listing);
        watch = WatchNodes();
    } else if (listing) {
        // Code needs the children: all of them, or none when the listing failed.
        return CompleteListing(listing) && watch.Current();
    }
    if (allow && node->HasChildren() && !node->getFirstChild()) {
        if (userAsked && FBackgroundListing && !IsDesigning() && StartListing(node, FExpandingAll))
            return true;
        const bool listed = FillChildren(node);
        if (!watch.Current())  // the listing ran code that deleted nodes
            return false;
        if (!listed) {
            // The button stays, so that a later expansion tries the listing again.
            node->SetHasChildren(true);
            return false;
        }
    }
    // Also after a refusal: a node never listed then loses its button.
    node->SetHasChildren(node->getFirstChild() != nullptr);
    return allow;
}

void TCustomVeltoShellTreeView::Expand(TTreeNode* node)
{
    if (ListingOf(node))  // raised once the listing has added the children
        return;
    const TBusyScope expanded(*this);
    TCustomTreeView::Expand(node);
}

void TCustomVeltoShellTreeView::Delete(TTreeNode* node)
{
    // The icons are asked for on demand: a handler reads them as the shell's only when they are
    // asked for now, while the PIDL is there.
    if (OnDeletion) {
        const int image = node->ImageIndex(), selected = node->SelectedIndex();
        if (image == I_IMAGECALLBACK)
            node->SetImageIndex(GetImageIndex(node));
        if (selected == I_IMAGECALLBACK)
            node->SetSelectedIndex(GetSelectedIndex(node));
    }
    FreeIDList(NodePidl(node));
    node->SetData(nullptr);
    // Nothing of a listing may arrive into a node that went.
    for (const TListingPtr& listing : std::vector<TListingPtr>(FListings)) {
        if (listing->Placeholder == node)
            listing->Placeholder = nullptr;
        if (listing->Node == node) {
            listing->Node = nullptr;
            ForgetListing(listing);
        }
    }
    TCustomTreeView::Delete(node);
}

int TCustomVeltoShellTreeView::GetImageIndex(TTreeNode* node)
{
    return FIcons.IconIndex(NodePidl(node), false);
}

int TCustomVeltoShellTreeView::GetSelectedIndex(TTreeNode* node)
{
    return FIcons.IconIndex(NodePidl(node), true);
}

void TCustomVeltoShellTreeView::CreateWnd()
{
    TCustomTreeView::CreateWnd();
    // Nothing is posted to a new window yet: the work that waited goes out again or is served here.
    FWorkPosted = false;
    FImagesAttached = false;
    AttachImages();
    RebuildTree();
}

HIMAGELIST TCustomVeltoShellTreeView::Images()
{
    if (!FImages)
        FImages = GetSystemImageList(false);
    return FImages;
}

void TCustomVeltoShellTreeView::AttachImages()
{
    // The items' height and so the scroll range follow the list: it comes before the window paints,
    // scrolls or measures for anyone to see, and until then a hidden tree (a later wizard page)
    // does without.
    if (FImagesAttached || !HandleAllocated() || !IsWindowVisible(Handle()))
        return;
    FImagesAttached = true;
    Native().SetImageList(TVSIL_NORMAL, Images());
    // A new image list puts the native indentation back to its minimum (the icons' width).
    Native().SetIndent(Indent());
}

void TCustomVeltoShellTreeView::Loaded()
{
    // The base makes the window when the parent has one, and a new window fills the tree: the end
    // of loading then fills it no second time. Either fill runs handlers, which may end the tree.
    const TComponentWatch watch = Watch();
    const bool hadWindow = HandleAllocated();
    TCustomTreeView::Loaded();
    if (watch.Alive() && (hadWindow || !HandleAllocated()))
        RebuildTree();
    if (watch.Alive())
        FNotifier->SetActive(FAutoRefresh && !IsDesigning());
}

void TCustomVeltoShellTreeView::Notification(TComponent* component, TOperation operation)
{
    if (operation == TOperation::opRemove) {
        if (component == FListView)
            FListView = nullptr;
        if (component == FComboBox)
            FComboBox = nullptr;
    }
    TCustomTreeView::Notification(component, operation);
}

void TCustomVeltoShellTreeView::WndProc(TMessage& message)
{
    AttachImages();  // a window that has come to show gets the list before it handles anything
    if (message.Msg == WorkMessage() || (message.Msg == WM_TIMER && message.WParam == WorkTimerId)) {
        // From the tree itself, a listing thread, or the timer that resumes a drain.
        if (message.Msg == WM_TIMER)
            KillTimer(FHandle, WorkTimerId);
        else
            FWorkPosted = false;
        if (!FListings.empty())
            FPending |= wkDrain;
        RunWork();
        message.Result = 0;
        return;
    }
    if (HandleLinkMessage(message))
        return;
    switch (message.Msg) {
    case WM_KEYDOWN: {
        // The keyboard's expand-all: a folder it opens that is listed in the background opens its
        // sub-folders once they are found.
        const TFlagScope all(*this, FExpandingAll, FExpandingAll || message.WParam == VK_MULTIPLY);
        TCustomTreeView::WndProc(message);
        return;
    }
    case CN_NOTIFY: {
        // The native control goes on with its items once the notification returns: the work asked
        // for inside waits till then. An expansion it asks for is the user's.
        const TBusyScope notifying(*this);
        const auto* notify = reinterpret_cast<const NMTREEVIEWA*>(message.LParam);
        const UINT code = notify->hdr.code;
        const bool expanding = (code == TVN_ITEMEXPANDINGA || code == TVN_ITEMEXPANDINGW) && (notify->action & TVE_EXPAND);
        const TFlagScope user(*this, FUserExpanding, expanding);
        TCustomTreeView::WndProc(message);
        return;
    }
    case WM_INITMENUPOPUP:
    case WM_DRAWITEM:
    case WM_MENUCHAR:
    case WM_MEASUREITEM:
        if (ActiveContextMenu) {
            // The shell's code may end the tree.
            const TComponentWatch watch = Watch();
            ActiveContextMenu->HandleMenuMsg(message.Msg, message.WParam, message.LParam);
            message.Result = 0;
            if (!watch.Alive())
                return;
        }
        break;
    }
    TCustomTreeView::WndProc(message);
}

// --- TVeltoShellTreeView

const TClassInfo& TVeltoShellTreeView::StaticClassInfo()
{
    using C = TCustomVeltoShellTreeView;
    using T = TVeltoShellTreeView;
    static const TClassInfo info{
        .Name = "TVeltoShellTreeView",
        .Parent = &TCustomVeltoShellTreeView::StaticClassInfo(),
        .Properties =
            [] {
                std::vector<TPropertyInfo> list = TreeViewProperties::Published();
                list.push_back(BoolProperty<C>("AutoContextMenu", &C::AutoContextMenu, &C::SetAutoContextMenu));
                list.push_back(
                    BoolProperty<C>("AutoPropertiesDialog", &C::AutoPropertiesDialog, &C::SetAutoPropertiesDialog));
                list.push_back(BoolProperty<C>("AutoRefresh", &C::AutoRefresh, &C::SetAutoRefresh));
                list.push_back(ComponentProperty<C, TCustomListView>("ListView", &C::ListView, &C::SetListView));
                list.push_back(ComponentProperty<C, TCustomComboBox>("ComboBox", &C::ComboBox, &C::SetComboBox));
                list.push_back(SetProperty<C>(
                    "ObjectTypes", ShellObjectTypeInfo(), [](const C& tree) { return tree.ObjectTypes().Bits(); },
                    [](C& tree, std::uint32_t mask) { tree.SetObjectTypes(ObjectTypesOfMask(mask)); }));
                list.push_back(StringProperty<C>(
                    "Root", [](const C& tree) { return tree.Root().Text(); },
                    [](C& tree, const std::string& text) { tree.SetRoot(TVeltoRootFolder(text)); }));
                list.push_back(BoolProperty<T>("DragEnabled", &T::DragEnabled, &T::SetDragEnabled));
                list.push_back(BoolProperty<T>("DropEnabled", &T::DropEnabled, &T::SetDropEnabled));
                list.push_back(
                    BoolProperty<C>("BackgroundListing", &C::BackgroundListing, &C::SetBackgroundListing));
                return list;
            }(),
        .Create = [](TComponent* owner) -> TComponent* { return new TVeltoShellTreeView(owner); }};
    return info;
}

TVeltoShellTreeView::TVeltoShellTreeView(TComponent* owner)
    : TCustomVeltoShellTreeView(owner), FDropTarget(MakeInterfaced<TShellTreeDropTarget>(this))
{
}

void TVeltoShellTreeView::CreateParams(TCreateParams& params)
{
    TCustomVeltoShellTreeView::CreateParams(params);
    params.Style &= ~static_cast<DWORD>(TVS_DISABLEDRAGDROP);
}

void RegisterVeltoShellClasses()
{
    RegisterClasses({&TVeltoShellTreeView::StaticClassInfo(),
                     &TCustomVeltoShellTreeViewChangeNotifier::StaticClassInfo(), &TCustomListView::StaticClassInfo(),
                     &TCustomComboBox::StaticClassInfo()});
}
