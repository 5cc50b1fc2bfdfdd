// The set-up the shell tree's re-entry tests share: a scratch folder tree, a shell tree over it on a
// form of its own whose handlers run an armed action once, and the message loop for a while.
#pragma once

#include "../../shell/VeltoShellTreeView.h"
#include "../framework/ControlTestHelpers.h"
#include "../support/ScratchFolder.h"

#include <doctest.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Handles the messages waiting, for at least ms milliseconds.
inline void PumpFor(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        Application->ProcessMessages();
        Sleep(1);
    } while (std::chrono::steady_clock::now() < end);
}

// Alpha (with Inner), beta, Gamma (with G1) and file.txt.
struct TReentryScratch {
    TScratchFolder Folder;
    std::filesystem::path Root = Folder.Path();

    TReentryScratch()
    {
        std::filesystem::create_directories(Root / "Alpha" / "Inner");
        std::filesystem::create_directory(Root / "beta");
        std::filesystem::create_directories(Root / "Gamma" / "G1");
        WriteBytes(Root / "file.txt", Bytes("x"));
    }
    std::string operator/(const std::string& relative) const { return (Root / relative).make_preferred().string(); }
};

inline TTreeNode* Child(const TTreeNode* node, const std::string& text)
{
    for (TTreeNode* child = node ? node->getFirstChild() : nullptr; child; child = child->getNextSibling())
        if (child->Text() == text)
            return child;
    return nullptr;
}

// The events an action can be armed for; an icon is asked for while the control paints.
enum class THandlerEvent { Expanding, Changing, Icon };

// A shell tree whose icon hook runs code after the shell answered, as code the shell ran there would.
class THarnessTree : public TVeltoShellTreeView {
public:
    using TVeltoShellTreeView::TVeltoShellTreeView;
    std::function<void(TTreeNode*)> WhileIcon;

protected:
    int GetImageIndex(TTreeNode* node) override
    {
        const int index = TVeltoShellTreeView::GetImageIndex(node);
        if (WhileIcon)
            WhileIcon(node);
        return index;
    }
};

// A shell tree over root on a form of its own, loaded as a form text loads it (with autoRefresh the
// notifier listens afterwards). Once armed, the first event of the armed kind about the named node
// (any node for an empty name) runs the action. Clears counts the times the whole tree was replaced
// (its root node deleted); Reports holds, for every OnChange, whether the tree held its node.
struct TShellTreeHost {
    int Clears = 0;
    std::vector<bool> Reports;
    THandlerEvent ArmedEvent = THandlerEvent::Expanding;
    std::string ArmedFor;
    std::function<void()> Action;
    bool FormGone = false;
    THostForm* Form = new THostForm;
    THarnessTree* Tree = new THarnessTree(Form);

    explicit TShellTreeHost(const std::string& root, bool autoRefresh = false, bool shown = false)
    {
        if (shown)
            Form->Show();
        Tree->BeginLoading();
        Tree->SetParent(Form);
        Tree->SetAlign(alClient);
        Tree->SetAutoRefresh(autoRefresh);
        Tree->OnDeletion = [this](TObject*, TTreeNode* node) { Clears += node->Level() == 0; };
        Tree->OnExpanding = [this](TObject*, TTreeNode* node, bool&) { Fire(THandlerEvent::Expanding, node); };
        Tree->OnChanging = [this](TObject*, TTreeNode* node, bool&) { Fire(THandlerEvent::Changing, node); };
        Tree->OnChange = [this](TObject*, TTreeNode* node) { Reports.push_back(!node || Holds(node)); };
        Tree->WhileIcon = [this](TTreeNode* node) { Fire(THandlerEvent::Icon, node); };
        Tree->SetRoot(TVeltoRootFolder(root));
        Tree->EndLoading();
    }
    ~TShellTreeHost()
    {
        if (!FormGone)
            delete Form;
    }
    TShellTreeHost(const TShellTreeHost&) = delete;
    TShellTreeHost& operator=(const TShellTreeHost&) = delete;

    void Arm(THandlerEvent event, const std::string& node, std::function<void()> action)
    {
        ArmedEvent = event;
        ArmedFor = node;
        Action = std::move(action);
    }
    void Fire(THandlerEvent event, const TTreeNode* node)
    {
        if (Action && event == ArmedEvent && (ArmedFor.empty() || node->Text() == ArmedFor))
            std::exchange(Action, nullptr)();
    }
    bool Holds(const TTreeNode* node) const
    {
        bool held = false;
        for (int i = 0; i < Tree->Items()->Count(); ++i)
            held = held || Tree->Items()->Item(i) == node;
        return held;
    }
    TTreeNode* RootNode() const { return Tree->Items()->GetFirstNode(); }
    int TopLevelNodes() const
    {
        int count = 0;
        for (TTreeNode* node = RootNode(); node; node = node->getNextSibling())
            ++count;
        return count;
    }
    std::string SelectedText() const { return Tree->Selected() ? Tree->Selected()->Text() : "(none)"; }
};

// Makes a folder and tells the shell, which tells this process's registered windows at once.
inline void MakeFolderAndAnnounce(const std::filesystem::path& folder)
{
    std::filesystem::create_directory(folder);
    SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA, folder.string().c_str(), nullptr);
}

// What ends the tree's work early, one row each; the node ones act on the named child of the root.
enum class THarm { Collapse, CollapseKey, CollapseAll, Refresh, Rebuild, Root, ObjectTypes, Recreate, DeleteNode,
                   DestroyTree, DestroyForm };

inline void Harm(TShellTreeHost& host, const TReentryScratch& scratch, THarm harm, const std::string& node = "")
{
    switch (harm) {
    case THarm::Collapse: Child(host.RootNode(), node)->Collapse(false); break;
    case THarm::CollapseKey:
        host.Tree->SetSelected(Child(host.RootNode(), node));
        SendMessageA(host.Tree->Handle(), WM_KEYDOWN, VK_LEFT, 0);
        break;
    case THarm::CollapseAll: host.RootNode()->Collapse(true); break;
    case THarm::Refresh: host.Tree->RefreshTree(); break;
    case THarm::Rebuild: host.Tree->RebuildTree(); break;
    case THarm::Root: host.Tree->SetRoot(TVeltoRootFolder(scratch / "Gamma")); break;
    case THarm::ObjectTypes:
        host.Tree->SetObjectTypes({TVeltoShellObjectType::otFolders, TVeltoShellObjectType::otNonFolders});
        break;
    case THarm::Recreate: host.Tree->RecreateWnd(); break;
    case THarm::DeleteNode: Child(host.RootNode(), node)->Delete(); break;
    case THarm::DestroyTree: delete host.Tree; break;
    case THarm::DestroyForm: host.FormGone = true, delete host.Form; break;
    }
}
