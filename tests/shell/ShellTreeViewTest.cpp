// TVeltoShellTreeView over real shell folders: the root, lazy listing in the shell's order, the
// object types, the expansion check's corrections, rebuilds, design mode, the change report, the
// form text, and the PIDLs every node owns.
#include "../../shell/VeltoShellTreeView.h"
#include "../../framework/FormReader.h"
#include "../framework/ControlTestHelpers.h"
#include "../support/FaultyShellFolder.h"
#include "../support/MallocSpy.h"
#include "../support/ScratchFolder.h"
#include "ShellTestHelpers.h"

#include <doctest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using enum TVeltoShellObjectType;
using TTexts = std::vector<std::string>;

// A scratch folder: folders Alpha (with Inner), beta and Gamma (leaves), a hidden folder, a file.
struct TScratchTree {
    TScratchFolder Folder;
    fs::path Root = Folder.Path();
    fs::path Alpha = Root / "Alpha";
    fs::path Hidden = Root / "Hidden";

    TScratchTree()
    {
        fs::create_directories(Alpha / "Inner");
        fs::create_directory(Root / "beta");
        fs::create_directory(Root / "Gamma");
        fs::create_directory(Hidden);
        SetFileAttributesW(Hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
        WriteBytes(Root / "file.txt", Bytes("x"));
    }
};

// A shell tree on a host form; Events records OnExpanding and OnDeletion.
struct TTreeHost {
    // Declared before the form: the nodes deleted while the form goes are still recorded.
    TTexts Events;
    std::function<bool(TTreeNode*)> AllowExpansion = [](TTreeNode*) { return true; };
    THostForm Form;
    TVeltoShellTreeView* Tree = new TVeltoShellTreeView(&Form);

    TTreeHost()
    {
        Tree->SetParent(&Form);
        Tree->SetAlign(alClient);
        Tree->OnExpanding = [this](TObject*, TTreeNode* node, bool& allow) {
            Events.push_back("expanding " + node->Text());
            allow = AllowExpansion(node);
        };
        Tree->OnDeletion = [this](TObject*, TTreeNode* node) {
            Events.push_back(node->Data() ? "deleted with its PIDL" : "deleted");
        };
    }
    TTreeNode* RootNode() const { return Tree->Items()->GetFirstNode(); }
    int Count(const std::string& event) const
    {
        return static_cast<int>(std::count(Events.begin(), Events.end(), event));
    }
};

TTexts ChildTexts(const TTreeNode* node)
{
    TTexts texts;
    for (TTreeNode* child = node->getFirstChild(); child; child = child->getNextSibling())
        texts.push_back(child->Text());
    return texts;
}

TTreeNode* Child(const TTreeNode* node, const std::string& text)
{
    for (TTreeNode* child = node->getFirstChild(); child; child = child->getNextSibling())
        if (child->Text() == text)
            return child;
    return nullptr;
}

// Whether every child comes before the next one in the desktop's order.
bool InShellOrder(const TTreeNode* node)
{
    for (TTreeNode* child = node->getFirstChild(); child && child->getNextSibling(); child = child->getNextSibling())
        if (CompareNodes(reinterpret_cast<LPARAM>(child), reinterpret_cast<LPARAM>(child->getNextSibling()), 0) >= 0)
            return false;
    return true;
}

bool HasStyle(HWND window, DWORD style)
{
    return (GetWindowLongPtrA(window, GWL_STYLE) & static_cast<LONG_PTR>(style)) != 0;
}

// Handles the messages waiting, for at least ms milliseconds.
void PumpFor(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        Application->ProcessMessages();
        Sleep(1);
    } while (std::chrono::steady_clock::now() < end);
}

// A context menu that records the menu messages it is handed; it lives on the stack of a test.
class TRecordingContextMenu final : public IContextMenu2 {
public:
    std::vector<UINT> Messages;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU, UINT, UINT, UINT, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, CHAR*, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HandleMenuMsg(UINT message, WPARAM, LPARAM) override
    {
        Messages.push_back(message);
        return S_OK;
    }
};

// A form read from a form text, as the program reads its own.
class TTreeTestForm : public TForm {
public:
    DECLARE_CLASS_INFO
    TTreeTestForm() : TForm(nullptr) {}

    TVeltoShellTreeView* Tree = nullptr;
    std::vector<TTreeNode*> Changes;
    void TreeChange(TObject*, TTreeNode* node) { Changes.push_back(node); }
};

const TClassInfo& TTreeTestForm::StaticClassInfo()
{
    using F = TTreeTestForm;
    static const TClassInfo info{.Name = "TTreeTestForm",
                                 .Parent = &TForm::StaticClassInfo(),
                                 .Methods = {Method<F>("TreeChange", &F::TreeChange)},
                                 .Fields = {Field<F>("Tree", &F::Tree)}};
    return info;
}

std::string QuotedForFormText(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST_SUITE("TVeltoShellTreeView") {

TEST_CASE("a path root is expanded and selected, its folders listed in the shell's order")
{
    TScratchTree scratch;
    TTreeHost host;
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    TTreeNode* root = host.RootNode();
    REQUIRE(root);
    CHECK(root->getNextSibling() == nullptr);
    CHECK(root->Text() == scratch.Root.filename().string());
    CHECK(SameIDLists(static_cast<LPCITEMIDLIST>(root->Data()), PidlOf(scratch.Root).get()));
    CHECK((root->Expanded() && host.Tree->Selected() == root));
    CHECK((host.Tree->ShowRoot() && HasStyle(host.Tree->Handle(), TVS_LINESATROOT)));
    CHECK(ChildTexts(root) == TTexts{"Alpha", "beta", "Gamma"});
    CHECK(InShellOrder(root));
    CHECK(root->ImageIndex() == GetIconIndex(static_cast<LPCITEMIDLIST>(root->Data()), false, false));

    SUBCASE("files with otNonFolders, in the shell's order too")
    {
        host.Tree->SetObjectTypes({otFolders, otNonFolders});
        root = host.RootNode();
        CHECK(root->Count() == 4);
        CHECK(Contains(ChildTexts(root).back(), "file"));
        CHECK(InShellOrder(root));
    }
    SUBCASE("a hidden folder with otIncludeHidden only, drawn cut")
    {
        host.Tree->SetObjectTypes({otFolders, otIncludeHidden});
        TTreeNode* hidden = Child(host.RootNode(), "Hidden");
        REQUIRE(hidden);
        CHECK(hidden->Cut());
        CHECK_FALSE(Child(host.RootNode(), "Alpha")->Cut());
        CHECK(InShellOrder(host.RootNode()));
    }
}

TEST_CASE("a folder is listed on its first expansion only, and its expand button is corrected")
{
    TScratchTree scratch;
    TTreeHost host;
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    TTreeNode* alpha = Child(host.RootNode(), "Alpha");
    REQUIRE(alpha);
    CHECK((alpha->HasChildren() && alpha->Count() == 0));

    SUBCASE("collapsing keeps the children; expanding again does not list again")
    {
        alpha->Expand(false);
        TTreeNode* inner = Child(alpha, "Inner");
        REQUIRE(inner);
        alpha->Collapse(false);
        alpha->Expand(false);
        CHECK((alpha->Expanded() && alpha->Count() == 1 && alpha->getFirstChild() == inner));
        CHECK(host.Count("expanding Alpha") == 2);
        CHECK(host.Count("deleted") == 0);
    }
    SUBCASE("a folder without sub-folders loses its button, whatever the shell claimed")
    {
        TTreeNode* beta = Child(host.RootNode(), "beta");
        beta->Expand(false);
        CHECK_FALSE(beta->HasChildren());
        CHECK(beta->Count() == 0);
    }
    SUBCASE("a refused expansion of a node never listed removes its button")
    {
        host.AllowExpansion = [](TTreeNode* node) { return node->Text() != "Alpha"; };
        alpha->Expand(false);
        CHECK_FALSE((alpha->Expanded() || alpha->HasChildren()));
        CHECK(alpha->Count() == 0);
    }
    SUBCASE("a file given a button cannot be listed, and keeps the button")
    {
        host.Tree->SetObjectTypes({otFolders, otNonFolders});
        TTreeNode* file = Child(host.RootNode(), "file.txt");
        if (!file)
            file = Child(host.RootNode(), "file");
        REQUIRE(file);
        file->SetHasChildren(true);
        file->Expand(false);
        CHECK_FALSE(file->Expanded());
        CHECK(file->HasChildren());
    }
}

// Wine's EnumObjects answers S_OK even for a folder that is gone: the refusals are injected.
TEST_CASE("a folder that cannot be listed keeps its button, and a later expansion tries again")
{
    TScratchTree scratch;
    TTreeHost host;
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    TTreeNode* alpha = Child(host.RootNode(), "Alpha");
    REQUIRE(alpha);
    const TPidl alphaPidl = PidlOf(scratch.Alpha);
    TFaultyDesktopScope desktop;
    for (const HRESULT refusal : {S_FALSE, E_FAIL, HRESULT_FROM_WIN32(ERROR_NOT_READY), E_ACCESSDENIED}) {
        CAPTURE(refusal);
        desktop.Faults().FailEnumObjects(alphaPidl.get(), refusal);
        alpha->Expand(false);
        CHECK_FALSE(alpha->Expanded());
        CHECK(alpha->HasChildren());
        CHECK(alpha->Count() == 0);
        desktop.Faults().Clear();
    }
    alpha->Expand(false);
    CHECK((alpha->Expanded() && alpha->Count() == 1));
}

TEST_CASE("the drives and the desktop as roots, and the root lines that go with them")
{
    TTreeHost host;
    SUBCASE("sfDesktop")
    {
        host.Tree->HandleNeeded();
        const TPidl desktop(GetSpecialFolderIDList(TVeltoSpecialFolder::sfDesktop));
        CHECK(SameIDLists(static_cast<LPCITEMIDLIST>(host.RootNode()->Data()), desktop.get()));
        CHECK_FALSE(HasStyle(host.Tree->Handle(), TVS_LINESATROOT));
    }
    SUBCASE("SFDRIVES")
    {
        host.Tree->SetRoot(TVeltoRootFolder("SFDRIVES"));
        const TPidl drives(GetSpecialFolderIDList(TVeltoSpecialFolder::sfDrives));
        CHECK(SameIDLists(static_cast<LPCITEMIDLIST>(host.RootNode()->Data()), drives.get()));
        CHECK(HasStyle(host.Tree->Handle(), TVS_LINESATROOT));
    }
    TTreeNode* root = host.RootNode();
    REQUIRE(root);
    CHECK((root->Expanded() && root->Count() > 0 && host.Tree->Selected() == root));
    CHECK(InShellOrder(root));
}

TEST_CASE("a root text rebuilds the tree when it differs in any character")
{
    TScratchTree scratch;
    TTreeHost host;
    host.Tree->SetRoot(TVeltoRootFolder("sfDrives"));
    const int nodes = host.Tree->Items()->Count();
    host.Events.clear();
    host.Tree->SetRoot(TVeltoRootFolder("sfDrives"));
    CHECK(host.Events.empty());
    host.Tree->SetRoot(TVeltoRootFolder("SFDRIVES"));
    CHECK(host.Count("deleted") == nodes);
    CHECK(host.Tree->Items()->Count() == nodes);

    SUBCASE("a root that names nothing leaves the tree empty")
    {
        host.Tree->SetRoot(TVeltoRootFolder((scratch.Root / "missing").string()));
        CHECK(host.Tree->Items()->Count() == 0);
        host.Tree->SetRoot(TVeltoRootFolder("/tmp"));
        CHECK(host.Tree->Items()->Count() == 0);
        host.Tree->RecreateWnd();
        CHECK(host.Tree->Items()->Count() == 0);
    }
}

TEST_CASE("a new window rebuilds the tree to its expanded, selected root")
{
    TScratchTree scratch;
    TTreeHost host;
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    TTreeNode* alpha = Child(host.RootNode(), "Alpha");
    alpha->Expand(false);
    host.Tree->SetSelected(Child(alpha, "Inner"));
    SUBCASE("RecreateWnd")
    {
        host.Tree->RecreateWnd();
    }
    SUBCASE("a new border style")
    {
        host.Tree->SetBorderStyle(bsNone);
    }
    REQUIRE(host.Tree->HandleAllocated());
    CHECK(host.Count("deleted") == 5);
    TTreeNode* root = host.RootNode();
    CHECK((root->Expanded() && host.Tree->Selected() == root));
    CHECK(ChildTexts(root) == TTexts{"Alpha", "beta", "Gamma"});
    CHECK(Child(root, "Alpha")->Count() == 0);
}

TEST_CASE("in design mode the root is not selected and only its children are listed")
{
    TScratchTree scratch;
    TTreeHost host;
    host.Form.SetDesigning(true);
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    TTreeNode* root = host.RootNode();
    CHECK(root->Expanded());
    CHECK(host.Tree->Selected() == nullptr);
    TTreeNode* alpha = Child(root, "Alpha");
    alpha->Expand(false);
    CHECK(alpha->Count() == 0);
    CHECK(host.Events == TTexts{"expanding " + root->Text()});
}

TEST_CASE("the selection is reported once, 50 ms after it settles")
{
    TScratchTree scratch;
    TTreeHost host;
    std::vector<TTreeNode*> changes;
    std::vector<double> delays;
    auto start = std::chrono::steady_clock::now();
    host.Tree->OnChange = [&](TObject*, TTreeNode* node) {
        changes.push_back(node);
        delays.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    };
    host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
    start = std::chrono::steady_clock::now();
    CHECK(changes.empty());
    PumpFor(200);
    REQUIRE(changes == std::vector<TTreeNode*>{host.RootNode()});
    CHECK(delays[0] >= 40);

    TTreeNode* gamma = Child(host.RootNode(), "Gamma");
    host.Tree->SetSelected(Child(host.RootNode(), "Alpha"));
    host.Tree->SetSelected(gamma);
    PumpFor(200);
    CHECK(changes == std::vector<TTreeNode*>{host.RootNode(), gamma});
}

TEST_CASE("a tree read from a form text fills itself once loaded, and writes back only what differs")
{
    RegisterFrameworkClasses();
    RegisterVeltoShellClasses();
    TScratchTree scratch;
    TTreeTestForm form;
    ReadForm(form, "object TreeTestForm: TTreeTestForm\n"
                   "  ClientHeight = 300\n"
                   "  ClientWidth = 400\n"
                   "  object Tree: TVeltoShellTreeView\n"
                   "    Align = alClient\n"
                   "    AutoRefresh = False\n"
                   "    ObjectTypes = [otFolders, otNonFolders]\n"
                   "    Root = " + QuotedForFormText(scratch.Root.string()) + "\n"
                   "    OnChange = TreeChange\n"
                   "  end\n"
                   "end\n");
    REQUIRE(form.Tree);
    TTreeNode* root = form.Tree->Items()->GetFirstNode();
    REQUIRE(root);
    CHECK(root->Count() == 4);
    CHECK(form.Tree->Selected() == root);
    CHECK_FALSE(form.Tree->Notifier()->Active());
    PumpFor(150);
    CHECK(form.Changes == std::vector<TTreeNode*>{root});

    const std::string written = WriteComponent(*form.Tree);
    CHECK(Contains(written, "AutoRefresh = False"));
    CHECK(Contains(written, "ObjectTypes = [otFolders, otNonFolders]"));
    CHECK(Contains(written, "Root = " + QuotedForFormText(scratch.Root.string())));
    CHECK(Contains(written, "OnChange = TreeChange"));
    for (const char* unwritten : {"AutoContextMenu", "AutoPropertiesDialog", "DragEnabled", "DropEnabled", "ReadOnly",
                                  "ShowButtons", "ChangeDelay", "Indent", "Color", "BorderStyle"})
        CHECK_MESSAGE(!Contains(written, unwritten), unwritten);

    SUBCASE("the written text reads back to the same tree")
    {
        TTreeTestForm again;
        ReadForm(again, WriteForm(form));
        REQUIRE(again.Tree);
        CHECK(again.Tree->Root() == form.Tree->Root());
        CHECK(again.Tree->ObjectTypes() == form.Tree->ObjectTypes());
        CHECK(again.Tree->Items()->Count() == form.Tree->Items()->Count());
    }
    SUBCASE("a tree with its defaults writes none of them and listens to the shell")
    {
        TTreeTestForm plain;
        ReadForm(plain, "object TreeTestForm: TTreeTestForm\n  object Tree: TVeltoShellTreeView\n  end\nend\n");
        CHECK(plain.Tree->Notifier()->Active());
        const std::string plainText = WriteComponent(*plain.Tree);
        for (const char* unwritten : {"AutoRefresh", "ObjectTypes", "Root", "DragEnabled"})
            CHECK_MESSAGE(!Contains(plainText, unwritten), unwritten);
    }
}

TEST_CASE("the shell's context menu gets the menu messages while it is tracked")
{
    TTreeHost host;
    host.Tree->SetRoot(TVeltoRootFolder("sfDrives"));
    TRecordingContextMenu menu;
    SendMessageA(host.Tree->Handle(), WM_INITMENUPOPUP, 0, 0);
    ActiveContextMenu = &menu;
    SendMessageA(host.Tree->Handle(), WM_INITMENUPOPUP, 0, 0);
    SendMessageA(host.Tree->Handle(), WM_MENUCHAR, 0, 0);
    ActiveContextMenu = nullptr;
    CHECK(menu.Messages == std::vector<UINT>{WM_INITMENUPOPUP, WM_MENUCHAR});
}

TEST_CASE("every node frees its PIDL, whatever ends it")
{
    TScratchTree scratch;
    REQUIRE(StartMallocSpy());
    const auto lifetime = [&] {
        TTreeHost host;
        host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
        host.Tree->SetObjectTypes({otFolders, otNonFolders, otIncludeHidden});
        for (int i = 0; i < host.Tree->Items()->Count(); ++i)
            host.Tree->Items()->Item(i)->Expand(false);
        host.Tree->SetSelected(host.Tree->Items()->Item(host.Tree->Items()->Count() - 1));
        host.Tree->RecreateWnd();
        Child(host.RootNode(), "Alpha")->Expand(false);
        host.Tree->SetRoot(TVeltoRootFolder("sfDrives"));
        host.Tree->SetRoot(TVeltoRootFolder(scratch.Root.string()));
        Child(host.RootNode(), "Alpha")->Expand(false);
        PumpFor(60);
    };
    CHECK(LeakedTaskBlocks(lifetime) == 0);
}

}  // TEST_SUITE
