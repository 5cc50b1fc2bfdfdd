// The shell tree and its companion views: the registered messages it posts (or, designed, delivers)
// to a real list view and combo box, the ones it answers, and the PIDLs they carry.
#include "../../shell/VeltoShellTreeView.h"
#include "../framework/ControlTestHelpers.h"
#include "../support/MallocSpy.h"
#include "../support/ScratchFolder.h"
#include "ShellTestHelpers.h"

#include <doctest.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using TTexts = std::vector<std::string>;
using TClock = std::chrono::steady_clock;

void PumpFor(int ms)
{
    const auto end = TClock::now() + std::chrono::milliseconds(ms);
    do {
        Application->ProcessMessages();
        Sleep(1);
    } while (TClock::now() < end);
}

// What the companions and OnChange saw, in order, with the folders named by the test's own PIDLs.
struct TLinkLog {
    const void* Tree = nullptr;
    std::vector<std::pair<std::string, TPidl>> Folders;
    TTexts Entries;
    std::vector<double> Milliseconds;
    TClock::time_point Start = TClock::now();

    std::string NameOf(LPCITEMIDLIST idList) const
    {
        if (!idList)
            return "0";
        for (const auto& [name, folder] : Folders)
            if (SameIDLists(idList, folder.get()))
                return name;
        return "unknown";
    }
    void Add(std::string entry)
    {
        Entries.push_back(std::move(entry));
        Milliseconds.push_back(std::chrono::duration<double, std::milli>(TClock::now() - Start).count());
    }
    void Clear()
    {
        Entries.clear();
        Milliseconds.clear();
        Start = TClock::now();
    }
};

// A companion that records the registered messages it gets and frees the PIDLs they carry, as a
// companion must. WM_APP runs OnApp: a way to act between a post and its receipt.
template <typename TBase>
class TRecordingCompanion : public TBase {
public:
    TRecordingCompanion(TComponent* owner, std::string who, TLinkLog& log)
        : TBase(owner), FWho(std::move(who)), FLog(log)
    {
    }
    ~TRecordingCompanion() override
    {
        if (this->HandleAllocated())
            FreeQueuedTreeMessages(this->Handle());
    }
    std::function<void()> OnApp;

protected:
    void WndProc(TMessage& message) override
    {
        if (message.Msg == WM_APP && OnApp) {
            OnApp();
            return;
        }
        std::string text;
        if (message.Msg == MsgIdSetRoot || message.Msg == MsgIdSetPath) {
            const TPidl folder(reinterpret_cast<LPITEMIDLIST>(message.LParam));  // ours now
            text = (message.Msg == MsgIdSetRoot ? " SetRoot " : " SetPath ") + FLog.NameOf(folder.get());
        } else if (message.Msg == MsgIdSetTreeView) {
            const auto* tree = reinterpret_cast<const void*>(message.LParam);
            text = std::string(" SetTreeView ") + (!tree ? "0" : tree == FLog.Tree ? "tree" : "other");
        } else {
            TBase::WndProc(message);
            return;
        }
        if (message.WParam)
            text += " wParam " + std::to_string(message.WParam);
        FLog.Add(FWho + text);
    }

private:
    std::string FWho;
    TLinkLog& FLog;
};

using TRecordingListView = TRecordingCompanion<TCustomListView>;
using TRecordingComboBox = TRecordingCompanion<TCustomComboBox>;

TTreeNode* Child(const TTreeNode* node, const std::string& text)
{
    for (TTreeNode* child = node ? node->getFirstChild() : nullptr; child; child = child->getNextSibling())
        if (child->Text() == text)
            return child;
    return nullptr;
}

// A shell tree on a scratch folder (Alpha with Inner, Beta), its root selected and reported, with
// two list views and a combo box on the same form, none linked yet.
struct TLinkHost {
    TScratchFolder Scratch;
    fs::path Root = Scratch.Path();
    TLinkLog Log;  // before the form: the companions record into it until they go
    THostForm Form;
    TVeltoShellTreeView* Tree = new TVeltoShellTreeView(&Form);
    TRecordingListView* List = new TRecordingListView(&Form, "list", Log);
    TRecordingListView* List2 = new TRecordingListView(&Form, "list2", Log);
    TRecordingComboBox* Combo = new TRecordingComboBox(&Form, "combo", Log);

    TLinkHost()
    {
        fs::create_directories(Root / "Alpha" / "Inner");
        fs::create_directory(Root / "Beta");
        for (const char* name : {"Alpha", "Beta"})
            Log.Folders.emplace_back(name, PidlOf(Root / name));
        Log.Folders.emplace_back("Inner", PidlOf(Root / "Alpha" / "Inner"));
        Log.Folders.emplace_back("Root", PidlOf(Root));
        Log.Tree = static_cast<TCustomVeltoShellTreeView*>(Tree);
        for (TWinControl* control : {static_cast<TWinControl*>(Tree), static_cast<TWinControl*>(List),
                                     static_cast<TWinControl*>(List2), static_cast<TWinControl*>(Combo)})
            control->SetParent(&Form);
        Tree->SetAutoRefresh(false);
        Tree->OnChange = [this](TObject*, TTreeNode* node) {
            Log.Add("OnChange " + Log.NameOf(node ? static_cast<LPCITEMIDLIST>(node->Data()) : nullptr));
        };
        Tree->SetRoot(TVeltoRootFolder(Root.string()));
        PumpFor(100);
        Log.Clear();
    }
    TTreeNode* Node(const std::string& name) const { return Child(Tree->Items()->GetFirstNode(), name); }
    LRESULT Send(UINT message, LPARAM value) { return SendMessageA(Tree->Handle(), message, 0, value); }
    void LinkBoth()
    {
        Tree->SetListView(List);
        Tree->SetComboBox(Combo);
        PumpFor(20);
        Log.Clear();
    }
};

}  // namespace

TEST_SUITE("TCustomVeltoShellTreeView links") {

TEST_CASE("the five messages are registered under their names")
{
    const std::pair<UINT, const char*> messages[] = {
        {MsgIdSetTreeView, "MsgId_VeltoShellSetTreeView"}, {MsgIdSetListView, "MsgId_VeltoShellSetListView"},
        {MsgIdSetComboBox, "MsgId_VeltoShellSetComboBox"}, {MsgIdSetPath, "MsgId_VeltoShellSetPath"},
        {MsgIdSetRoot, "MsgId_VeltoShellSetRoot"}};
    for (const auto& [id, name] : messages) {
        CHECK_MESSAGE(id >= 0xC000, name);
        CHECK_MESSAGE(id == RegisterWindowMessageA(name), name);
    }
}

TEST_CASE("linking posts the folder, then the tree; the same view again posts nothing")
{
    TLinkHost host;
    host.Tree->SetListView(host.List);
    host.Tree->SetComboBox(host.Combo);
    CHECK(host.Log.Entries.empty());  // posted, not sent
    PumpFor(20);
    CHECK(host.Log.Entries ==
          TTexts{"list SetRoot Root", "list SetTreeView tree", "combo SetPath Root", "combo SetTreeView tree"});

    host.Log.Clear();
    host.Tree->SetListView(host.List);
    host.Tree->SetComboBox(host.Combo);
    PumpFor(20);
    CHECK(host.Log.Entries.empty());

    SUBCASE("replacing tells the former view nothing")
    {
        host.Tree->SetListView(host.List2);
        PumpFor(20);
        CHECK(host.Log.Entries == TTexts{"list2 SetRoot Root", "list2 SetTreeView tree"});
        CHECK(host.Tree->ListView() == host.List2);
    }
    SUBCASE("unlinking tells the former view the tree 0")
    {
        host.Tree->SetListView(nullptr);
        host.Tree->SetComboBox(nullptr);
        PumpFor(20);
        CHECK(host.Log.Entries == TTexts{"list SetTreeView 0", "combo SetTreeView 0"});
    }
    SUBCASE("with no node selected the folder is 0")
    {
        host.Tree->SetSelected(nullptr);
        PumpFor(100);
        host.Log.Clear();
        host.Tree->SetListView(host.List2);
        PumpFor(20);
        CHECK(host.Log.Entries == TTexts{"list2 SetRoot 0", "list2 SetTreeView tree"});
    }
}

TEST_CASE("a selection change reaches each companion once, after OnChange and the change delay")
{
    TLinkHost host;
    host.LinkBoth();
    SUBCASE("a folder")
    {
        host.Tree->SetSelected(host.Node("Alpha"));
        host.Tree->SetSelected(host.Node("Beta"));
        PumpFor(200);
        CHECK(host.Log.Entries == TTexts{"OnChange Beta", "list SetRoot Beta", "combo SetPath Beta"});
        REQUIRE(host.Log.Milliseconds.size() == 3);
        CHECK(host.Log.Milliseconds[1] >= 40);
    }
    SUBCASE("no node")
    {
        host.Tree->SetSelected(nullptr);
        PumpFor(200);
        CHECK(host.Log.Entries == TTexts{"OnChange 0", "list SetRoot 0", "combo SetPath 0"});
    }
}

TEST_CASE("designed, the tree delivers the same messages synchronously, and needs no companion window")
{
    TLinkHost host;
    host.Form.SetDesigning(true);
    TLinkLog& log = host.Log;
    TRecordingListView list(nullptr, "list", log);
    TRecordingComboBox combo(nullptr, "combo", log);
    host.Tree->SetSelected(host.Node("Alpha"));
    PumpFor(100);
    log.Clear();

    host.Tree->SetListView(&list);
    host.Tree->SetComboBox(&combo);
    CHECK(log.Entries ==
          TTexts{"list SetRoot Alpha", "list SetTreeView tree", "combo SetPath Alpha", "combo SetTreeView tree"});
    log.Clear();
    host.Tree->SetSelected(host.Node("Beta"));
    PumpFor(100);
    CHECK(log.Entries == TTexts{"OnChange Beta", "list SetRoot Beta", "combo SetPath Beta"});
    log.Clear();
    host.Tree->SetListView(nullptr);
    CHECK(log.Entries == TTexts{"list SetTreeView 0"});
    // A post would have needed a window, which a parentless child control cannot have.
    CHECK_FALSE((list.HandleAllocated() || combo.HandleAllocated()));
}

TEST_CASE("MsgIdSetPath selects the folder and echoes it; lParam 0 and the selected folder change nothing")
{
    TLinkHost host;
    host.LinkBoth();
    const TPidl inner = PidlOf(host.Root / "Alpha" / "Inner");  // stays ours
    CHECK(host.Send(MsgIdSetPath, reinterpret_cast<LPARAM>(inner.get())) == 0);
    REQUIRE(host.Tree->Selected());
    CHECK(SameIDLists(static_cast<LPCITEMIDLIST>(host.Tree->Selected()->Data()), inner.get()));
    PumpFor(150);
    CHECK(host.Log.Entries == TTexts{"OnChange Inner", "list SetRoot Inner", "combo SetPath Inner"});

    host.Log.Clear();
    CHECK(host.Send(MsgIdSetPath, reinterpret_cast<LPARAM>(inner.get())) == 0);
    CHECK(host.Send(MsgIdSetPath, 0) == 0);
    PumpFor(150);
    CHECK(host.Log.Entries.empty());
    CHECK(SameIDLists(static_cast<LPCITEMIDLIST>(host.Tree->Selected()->Data()), inner.get()));
}

TEST_CASE("MsgIdSetListView links a live list view silently and ignores anything else")
{
    TLinkHost host;
    CHECK(host.Send(MsgIdSetListView, reinterpret_cast<LPARAM>(static_cast<TCustomListView*>(host.List))) == 0);
    CHECK(host.Tree->ListView() == host.List);
    PumpFor(20);
    CHECK(host.Log.Entries.empty());

    SUBCASE("the list view hears of the next change")
    {
        host.Tree->SetSelected(host.Node("Alpha"));
        PumpFor(150);
        CHECK(host.Log.Entries == TTexts{"OnChange Alpha", "list SetRoot Alpha"});
    }
    SUBCASE("a number that is no live list view is ignored")
    {
        int notAView = 0;
        host.Send(MsgIdSetListView, reinterpret_cast<LPARAM>(&notAView));
        host.Send(MsgIdSetListView, reinterpret_cast<LPARAM>(static_cast<TWinControl*>(host.Combo)));
        CHECK(host.Tree->ListView() == host.List);
    }
    SUBCASE("0 unlinks, silently")
    {
        host.Send(MsgIdSetListView, 0);
        CHECK(host.Tree->ListView() == nullptr);
        PumpFor(20);
        CHECK(host.Log.Entries.empty());
    }
    SUBCASE("a list view owned elsewhere and destroyed leaves no link behind")
    {
        auto* loose = new TRecordingListView(nullptr, "loose", host.Log);
        loose->SetParent(&host.Form);
        host.Send(MsgIdSetListView, reinterpret_cast<LPARAM>(static_cast<TCustomListView*>(loose)));
        REQUIRE(host.Tree->ListView() == loose);
        delete loose;
        CHECK(host.Tree->ListView() == nullptr);
        // Its address is no list view any more.
        host.Send(MsgIdSetListView, reinterpret_cast<LPARAM>(static_cast<TCustomListView*>(loose)));
        CHECK(host.Tree->ListView() == nullptr);
        host.Tree->SetSelected(host.Node("Beta"));
        PumpFor(150);
        CHECK(host.Log.Entries == TTexts{"OnChange Beta"});
    }
}

TEST_CASE("a destroyed companion is unlinked and hears of no later change")
{
    TLinkHost host;
    host.LinkBoth();
    delete host.Combo;
    CHECK(host.Tree->ComboBox() == nullptr);
    host.Tree->SetSelected(host.Node("Alpha"));
    PumpFor(150);
    CHECK(host.Log.Entries == TTexts{"OnChange Alpha", "list SetRoot Alpha"});
    delete host.List;
    CHECK(host.Tree->ListView() == nullptr);
}

TEST_CASE("the folder a companion reads still names the item when the tree was rebuilt in between")
{
    TLinkHost host;
    host.Tree->SetSelected(host.Node("Alpha"));
    PumpFor(100);
    host.Log.Clear();
    SUBCASE("linking, then a new window")
    {
        host.Tree->SetListView(host.List);
        host.Tree->RecreateWnd();
        PumpFor(20);
        CHECK(host.Log.Entries.at(0) == "list SetRoot Alpha");
    }
    SUBCASE("a change, then a new root before the companion reads it")
    {
        host.Tree->SetListView(host.List);
        PumpFor(20);
        host.Log.Clear();
        // Posted from OnChange, WM_APP is queued before the tree's message and rebuilds the tree.
        const auto onChange = host.Tree->OnChange;
        host.Tree->OnChange = [&](TObject* sender, TTreeNode* node) {
            onChange(sender, node);
            PostMessageA(host.List->Handle(), WM_APP, 0, 0);
        };
        host.List->OnApp = [&] { host.Tree->SetRoot(TVeltoRootFolder((host.Root / "Beta").string())); };
        host.Tree->SetSelected(host.Node("Beta"));
        PumpFor(150);
        REQUIRE(host.Log.Entries.size() >= 2);
        CHECK(TTexts(host.Log.Entries.begin(), host.Log.Entries.begin() + 2) ==
              TTexts{"OnChange Beta", "list SetRoot Beta"});
    }
}

TEST_CASE("no PIDL is lost or leaked over links, changes, incoming paths and rebuilds")
{
    REQUIRE(StartMallocSpy());
    const auto lifetime = [] {
        TLinkHost host;
        host.LinkBoth();
        const TPidl inner = PidlOf(host.Root / "Alpha" / "Inner");
        host.Send(MsgIdSetPath, reinterpret_cast<LPARAM>(inner.get()));
        PumpFor(80);
        host.Tree->SetSelected(host.Node("Beta"));
        PumpFor(80);
        host.Tree->SetListView(host.List2);
        host.Tree->RecreateWnd();
        host.Tree->SetComboBox(nullptr);
        PumpFor(20);
        // Destroyed with its folder message still queued: the companion frees it on the way out.
        host.Tree->SetComboBox(host.Combo);
        delete host.Combo;
    };
    CHECK(LeakedTaskBlocks(lifetime) == 0);
}

}  // TEST_SUITE
