// TCustomVeltoShellTreeView and TVeltoShellTreeView: filling the tree from the shell, lazily and in
// the shell's order, and the nodes' ownership of their PIDLs.
#include "VeltoShellTreeView.h"

#include "../framework/ComPtr.h"
#include "../framework/FormReader.h"
#include "../framework/Forms.h"
#include "VeltoShellConstants.h"
#include "VeltoShellPidl.h"
#include "VeltoShellTreeViewScopes.h"

#include <cstdint>
#include <utility>

namespace {

using namespace velto_tree_detail;

using TShellTree = TCustomVeltoShellTreeView;

// SFGAO_FILESYSTEM, SFGAO_FILESYSANCESTOR and SFGAO_FOLDER: the items a listing shows.
constexpr SFGAOF ShownItemMask = 0x70000000;
// SFGAO_HASSUBFOLDER, the dimmed bit and SFGAO_SHARE: what a node shows of its item.
constexpr SFGAOF NodeInfoMask = SFGAO_HASSUBFOLDER | SfgaoGhosted | SFGAO_SHARE;
static_assert(NodeInfoMask == 0x800A0000);

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
      FImages(GetSystemImageList(false)),
      FNotifier(std::make_unique<TCustomVeltoShellTreeViewChangeNotifier>(nullptr))
{
    SetChangeDelay(50);
    SetReadOnly(true);
    SetRightClickSelect(true);
    // Connected only: the notifier stays inactive until loading ends or AutoRefresh changes.
    ConnectNotifier();
}

TCustomVeltoShellTreeView::~TCustomVeltoShellTreeView()
{
    FNotifier.reset();
    // The base destructor would delete the nodes through its own deletion hook, which frees no PIDL:
    // they go here, while this class's hook still runs.
    DestroyHandle();
    Items()->Clear();
}

void TCustomVeltoShellTreeView::SetAutoRefresh(bool value)
{
    if (value == FAutoRefresh)
        return;
    FAutoRefresh = value;
    FNotifier->SetActive(value && !IsDesigning());
}

void TCustomVeltoShellTreeView::SetObjectTypes(TVeltoShellObjectTypes value)
{
    if (value == FObjectTypes)
        return;
    FObjectTypes = value;
    RebuildTree();
}

void TCustomVeltoShellTreeView::SetRoot(const TVeltoRootFolder& value)
{
    if (value == FRoot)
        return;
    FRoot = value;
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
    TPidl root(GetRootIDList());
    if (Items()->Count() > 0)
        Items()->Clear();
    if (!root)
        return;
    // The desktop is drawn without line and button at the top, any other root with them.
    SetShowRoot(!IsDesktopIDList(root.get()));
    TTreeNode* node = Items()->AddChild(nullptr, std::string(), root.get());
    static_cast<void>(root.release());  // the node owns it now
    FillNodeInfo(node);
    node->Expand(false);
    if (!IsDesigning())
        SetSelected(node);
}

void TCustomVeltoShellTreeView::RebuildTree()
{
    if (FRebuilding || IsLoading())
        return;
    TFlagScope rebuilding(FRebuilding);
    TNodesUpdateScope update(*Items());
    FillRoot();
}

void TCustomVeltoShellTreeView::FillNodeInfo(TTreeNode* node)
{
    LPCITEMIDLIST pidl = NodePidl(node);
    const SFGAOF attributes = GetIDListAttributes(pidl, NodeInfoMask);
    node->SetImageIndex(GetIconIndex(pidl, false, false));
    node->SetSelectedIndex(GetIconIndex(pidl, false, true));
    node->SetText(GetDisplayName(pidl));
    node->SetHasChildren(HasFlags(SFGAO_HASSUBFOLDER, attributes));
    if (HasFlags(SFGAO_SHARE, attributes))
        node->SetOverlayIndex(0);
    node->SetCut(HasFlags(SfgaoGhosted, attributes));
}

bool TCustomVeltoShellTreeView::FillChildren(TTreeNode* node)
{
    TNodesUpdateScope update(*Items());
    TScreenCursorScope hourglass(crHourGlass);
    LPCITEMIDLIST parent = NodePidl(node);
    TComPtr<IShellFolder> folder;
    GetShellFolder(parent, folder.put());
    if (!folder)
        return false;
    TComPtr<IEnumIDList> enumerator;
    HRESULT listed;
    {
        // No system message box for a drive without medium: the listing fails instead.
        TErrorModeScope quiet(SEM_FAILCRITICALERRORS);
        listed = folder->EnumObjects(nullptr, ObjectTypesToEnumFlags(FObjectTypes), enumerator.put());
    }
    if (listed != S_OK || !enumerator)
        return false;
    for (;;) {
        TPidl child;  // relative to the folder; ours until it goes out of scope
        ULONG fetched = 0;
        if (enumerator->Next(1, child.put(), &fetched) != S_OK || !child)
            break;
        TPidl absolute(ConcatIDLists(parent, child.get()));
        if (!absolute || !(GetIDListAttributes(absolute.get(), ShownItemMask) & ShownItemMask))
            continue;
        TTreeNode* added = Items()->AddChild(node, std::string(), absolute.get());
        static_cast<void>(absolute.release());  // the node owns it now
        FillNodeInfo(added);
    }
    node->CustomSort(CompareSiblingNodes, reinterpret_cast<LPARAM>(folder.get()));
    return true;
}

void TCustomVeltoShellTreeView::Change(TTreeNode* node)
{
    TCustomTreeView::Change(node);
    TellCompanions(node);
}

bool TCustomVeltoShellTreeView::CanExpand(TTreeNode* node)
{
    if (IsDesigning() && node->Level() >= 1)
        return true;
    const bool allow = TCustomTreeView::CanExpand(node);
    if (allow && node->HasChildren() && !node->getFirstChild() && !FillChildren(node)) {
        // The button stays, so that a later expansion tries the listing again.
        node->SetHasChildren(true);
        return false;
    }
    // Also after a refusal: a node never listed then loses its button.
    node->SetHasChildren(node->getFirstChild() != nullptr);
    return allow;
}

void TCustomVeltoShellTreeView::Delete(TTreeNode* node)
{
    FreeIDList(NodePidl(node));
    node->SetData(nullptr);
    TCustomTreeView::Delete(node);
}

void TCustomVeltoShellTreeView::CreateWnd()
{
    TCustomTreeView::CreateWnd();
    if (HandleAllocated()) {
        SendMessageA(FHandle, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(FImages));
        // A new image list puts the native indentation back to its minimum (the icons' width).
        SendMessageA(FHandle, TVM_SETINDENT, static_cast<WPARAM>(Indent()), 0);
    }
    RebuildTree();
}

void TCustomVeltoShellTreeView::Loaded()
{
    TCustomTreeView::Loaded();
    RebuildTree();
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
    if (HandleLinkMessage(message))
        return;
    switch (message.Msg) {
    case WM_INITMENUPOPUP:
    case WM_DRAWITEM:
    case WM_MENUCHAR:
    case WM_MEASUREITEM:
        if (ActiveContextMenu) {
            ActiveContextMenu->HandleMenuMsg(message.Msg, message.WParam, message.LParam);
            message.Result = 0;
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
                list.push_back(BoolProperty<C>("AutoContextMenu", &C::AutoContextMenu, &C::SetAutoContextMenu, true));
                list.push_back(BoolProperty<C>("AutoPropertiesDialog", &C::AutoPropertiesDialog,
                                               &C::SetAutoPropertiesDialog, true));
                list.push_back(BoolProperty<C>("AutoRefresh", &C::AutoRefresh, &C::SetAutoRefresh, true));
                list.push_back(ComponentProperty<C, TCustomListView>("ListView", &C::ListView, &C::SetListView));
                list.push_back(ComponentProperty<C, TCustomComboBox>("ComboBox", &C::ComboBox, &C::SetComboBox));
                list.push_back(SetProperty<C>(
                    "ObjectTypes", ShellObjectTypeInfo(), [](const C& tree) { return tree.ObjectTypes().Bits(); },
                    [](C& tree, std::uint32_t mask) { tree.SetObjectTypes(ObjectTypesOfMask(mask)); },
                    TVeltoShellObjectTypes{TVeltoShellObjectType::otFolders}.Bits()));
                list.push_back(StringProperty<C>(
                    "Root", [](const C& tree) { return tree.Root().Text(); },
                    [](C& tree, const std::string& text) { tree.SetRoot(TVeltoRootFolder(text)); },
                    DefaultRootFolder().Text()));
                list.push_back(BoolProperty<T>("DragEnabled", &T::DragEnabled, &T::SetDragEnabled, true));
                list.push_back(BoolProperty<T>("DropEnabled", &T::DropEnabled, &T::SetDropEnabled, true));
                return list;
            }(),
        .Create = [](TComponent* owner) -> TComponent* { return new TVeltoShellTreeView(owner); }};
    return info;
}

TVeltoShellTreeView::TVeltoShellTreeView(TComponent* owner) : TCustomVeltoShellTreeView(owner) {}

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
