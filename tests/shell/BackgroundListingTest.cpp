// TVeltoShellTreeView with BackgroundListing: a folder the user opens is listed by a thread of its
// own while the window answers; the finished node is the one a listing on the window's thread
// gives; whatever ends the listing early leaves nothing behind; code that needs the children gets
// them. The slow folder is the one stand-in: a forwarding wrapper that waits in the listing.
#include "../../framework/FormReader.h"
#include "../../framework/UtilityWindow.h"
#include "../../shell/VeltoShellListing.h"
#include "../support/MallocSpy.h"
#include "../support/SlowShellFolder.h"
#include "ShellTestHelpers.h"
#include "ShellTreeHarness.h"

#include <doctest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

// Alpha holds folders in no particular order, one with a folder of its own; Empty holds none; Big
// holds more than a drain step.
struct TListingScratch : TReentryScratch {
    TListingScratch()
    {
        for (const char* name : {"zeta", "Mid", "alpha two", "Beta", "Inner/deeper"})
            std::filesystem::create_directories(Root / "Alpha" / name);
        std::filesystem::create_directory(Root / "Empty");
        for (int i = 0; i < 40; ++i)
            std::filesystem::create_directories(Root / "Big" / std::to_string(100 + i));
    }
};

// The listing's tuning for the length of a scope.
struct TTuningScope : TScopedValue<TListingTuning> {
    explicit TTuningScope(TListingTuning tuning) : TScopedValue(ListingTuning, tuning) {}
};

// A linked list view that records, by name, the folder of every MsgIdSetRoot it is told.
struct TNamingListView : TCustomListView {
    using TCustomListView::TCustomListView;
    std::vector<std::string> Told;
    void WndProc(TMessage& message) override
    {
        if (message.Msg != MsgIdSetRoot)
            return TCustomListView::WndProc(message);
        const TPidl folder(reinterpret_cast<LPITEMIDLIST>(message.LParam));  // ours now
        Told.push_back(std::filesystem::path(IDListToPath(folder.get())).filename().string());
    }
};

// Expands the node as the user does: the native control's own expansion, not TTreeNode::Expand.
void UserExpand(TTreeNode* node)
{
    SendMessageA(node->TreeView()->Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node->ItemId()));
}

// Pumps until the condition holds or ms pass; whether it held.
template <typename F>
bool PumpUntil(F condition, int ms = 5000)
{
    const auto end = TClock::now() + std::chrono::milliseconds(ms);
    while (!condition() && TClock::now() < end)
        PumpFor(5);
    return condition();
}

bool ListingsEnd() { return PumpUntil([] { return RunningShellListings() == 0; }); }

// What a user sees of the children: text, expand button and both icons, in order.
std::vector<std::string> Shown(const TTreeNode* node)
{
    std::vector<std::string> shown;
    for (TTreeNode* child = node ? node->getFirstChild() : nullptr; child; child = child->getNextSibling())
        shown.push_back(child->Text() + (child->HasChildren() ? " +" : " -") + " " +
                        std::to_string(child->ImageIndex()) + "/" + std::to_string(child->SelectedIndex()));
    return shown;
}

// A host over the scratch folder whose tree lists in the background, recording OnExpanded with the
// number of children the node held then, and OnChange (which runs WhileChange) by node text.
struct TListingHost : TShellTreeHost {
    std::vector<std::string> Expanded, Changes;
    std::function<void()> WhileChange;

    explicit TListingHost(const TListingScratch& scratch, bool autoRefresh = false)
        : TShellTreeHost(scratch.Root.string(), autoRefresh, true)
    {
        Tree->SetBackgroundListing(true);
        Tree->OnExpanded = [this](TObject*, TTreeNode* node) {
            Expanded.push_back(node->Text() + ":" + std::to_string(node->Count()));
        };
        Tree->OnChange = [this](TObject*, TTreeNode* node) {
            Changes.push_back(node ? node->Text() : "nil");
            if (WhileChange)
                std::exchange(WhileChange, nullptr)();
        };
    }
    TTreeNode* Node(const std::string& name) const { return Child(RootNode(), name); }
    bool Listed(const std::string& name) const
    {
        return PumpUntil([&] { return Node(name) && !Tree->IsListing(Node(name)); });
    }
};

// The longest time a posted message and a timer took to be served while pumping for ms.
int LongestAnswerMs(int ms)
{
    int longest = 0;
    TClock::time_point posted;
    bool waiting = false;
    TUtilityWindowHandle window(AllocateHWnd([&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_APP || message == WM_TIMER) {
            const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - posted);
            longest = std::max(longest, static_cast<int>(waited.count()));
            waiting = false;
            if (message == WM_TIMER)
                KillTimer(window.get(), 1);
            return 0;
        }
        return DefWindowProcW(window.get(), message, wParam, lParam);
    }));
    const auto end = TClock::now() + std::chrono::milliseconds(ms);
    for (int round = 0; TClock::now() < end; ++round) {
        posted = TClock::now();
        waiting = true;
        if (round % 2)
            PostMessageW(window.get(), WM_APP, 0, 0);
        else
            SetTimer(window.get(), 1, USER_TIMER_MINIMUM, nullptr);
        while (waiting && TClock::now() < end + std::chrono::seconds(5)) {
            MSG msg;
            if (GetMessageW(&msg, nullptr, 0, 0) <= 0)
                break;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return longest;
}

}  // namespace

TEST_SUITE("BackgroundListing") {

TEST_CASE("off by default and written only when on; a form text turns it on")
{
    THostForm form;
    auto* tree = new TVeltoShellTreeView(&form);
    CHECK_FALSE(tree->BackgroundListing());
    CHECK(WriteComponent(*tree).find("BackgroundListing") == std::string::npos);
    tree->SetBackgroundListing(true);
    CHECK(WriteComponent(*tree).find("BackgroundListing = True") != std::string::npos);
}

TEST_CASE("the window answers while a slow folder is listed, another folder opens meanwhile, and the "
          "finished node is the one a listing on the window's thread gives")
{
    // The window must never wait for the folder: every answer comes in well under one item's delay,
    // whatever else the machine runs (the time it answers in is the bench's to measure).
    constexpr int enumMs = 100, nextMs = 400;
    TListingScratch scratch;
    TListingHost host(scratch);
    const TSlowListingScope slow(scratch.Root / "Alpha", enumMs, nextMs);
    TTreeNode* alpha = host.Node("Alpha");
    REQUIRE(alpha);
    PumpFor(100);  // the first paint, with its icons

    const auto start = TClock::now();
    UserExpand(alpha);
    CHECK(TClock::now() - start < std::chrono::milliseconds(enumMs));
    // Open at once, on its placeholder, and OnExpanded not yet raised.
    CHECK(alpha->Expanded());
    CHECK(host.Tree->IsListing(alpha));
    CHECK(alpha->Count() == 1);
    CHECK(alpha->getFirstChild()->Data() == nullptr);
    CHECK(host.Expanded.empty());
    // The first item is shown when its batch is due, not when the folder gives the next.
    CHECK(PumpUntil([&] { return alpha->getFirstChild()->Data() != nullptr; }, enumMs + nextMs + nextMs / 2));
    CHECK(LongestAnswerMs(300) < nextMs / 2);
    // Another folder, listed at full speed, is done while the slow one still lists.
    UserExpand(host.Node("Gamma"));
    CHECK(PumpUntil([&] { return !host.Tree->IsListing(host.Node("Gamma")); }));
    CHECK(Shown(host.Node("Gamma")).size() == 1);
    CHECK(host.Tree->IsListing(alpha));
    CHECK(LongestAnswerMs(200) < nextMs / 2);

    CHECK(PumpUntil([&] { return !host.Tree->IsListing(alpha); }));
    CHECK(host.Expanded == std::vector<std::string>{"Gamma:1", "Alpha:5"});
    CHECK(alpha->Expanded());

    TListingHost synchronous(scratch);
    synchronous.Tree->SetBackgroundListing(false);
    synchronous.Node("Alpha")->Expand(false);
    CHECK(Shown(alpha) == Shown(synchronous.Node("Alpha")));
    std::string order;
    for (TTreeNode* child = alpha->getFirstChild(); child; child = child->getNextSibling())
        order += child->Text() + ";";
    CHECK(order == "alpha two;Beta;Inner;Mid;zeta;");
    CHECK(ListingsEnd());
}

TEST_CASE("an empty folder loses its button and a refused listing leaves the node closed with its button")
{
    TListingScratch scratch;
    TListingHost host(scratch);
    SUBCASE("empty")
    {
        TTreeNode* empty = host.Node("Empty");
        empty->SetHasChildren(true);  // as the shell claims for leaf folders
        const TSlowListingScope slow(scratch.Root / "Empty", 50, 0);
        UserExpand(empty);
        CHECK(PumpUntil([&] { return !host.Tree->IsListing(empty); }));
        CHECK(empty->Count() == 0);
        CHECK_FALSE(empty->HasChildren());
        CHECK(host.Expanded == std::vector<std::string>{"Empty:0"});
    }
    SUBCASE("refused")
    {
        TTreeNode* alpha = host.Node("Alpha");
        {
            const TSlowListingScope slow(scratch.Root / "Alpha", 50, 0, true);
            UserExpand(alpha);
            CHECK(PumpUntil([&] { return !host.Tree->IsListing(alpha); }));
        }
        CHECK(alpha->Count() == 0);
        CHECK(alpha->HasChildren());
        CHECK_FALSE(alpha->Expanded());
        CHECK(host.Expanded.empty());
        // A later expansion tries again.
        UserExpand(alpha);
        CHECK(PumpUntil([&] { return !host.Tree->IsListing(alpha); }));
        CHECK(alpha->Count() == 5);
    }
    CHECK(ListingsEnd());
}

TEST_CASE("whatever ends a listing early leaves no node behind, no PIDL and no thread; a closed folder keeps its "
          "button and lists again")
{
    TListingScratch scratch;
    for (const THarm end : {THarm::Collapse, THarm::CollapseKey, THarm::CollapseAll, THarm::Refresh, THarm::Rebuild,
                            THarm::Root, THarm::Recreate, THarm::DestroyTree, THarm::DestroyForm}) {
        CAPTURE(static_cast<int>(end));
        const long leaked = LeakedTaskBlocks(
            [&] {
                TListingHost host(scratch);
                host.Node("Gamma")->Expand(false);
                // Slow enough that the listing outlasts any pause of a busy machine; the later
                // listing runs at full speed.
                std::optional<TSlowListingScope> slow(std::in_place, scratch.Root / "Alpha", 0, 300);
                UserExpand(host.Node("Alpha"));
                // Some items are in, the listing goes on.
                REQUIRE(PumpUntil([&] { return host.Node("Alpha")->getFirstChild()->Data() != nullptr; }));
                REQUIRE(host.Tree->IsListing(host.Node("Alpha")));
                const int before = host.Tree->Items()->Count();
                Harm(host, scratch, end, "Alpha");
                CHECK(ListingsEnd());
                slow.reset();
                if (end == THarm::DestroyTree || end == THarm::DestroyForm)
                    return;
                PumpFor(30);
                CHECK(host.Tree->Items()->Count() < before);
                // A recursive collapse goes on past the folder being listed.
                CHECK(host.RootNode()->Expanded() == (end != THarm::CollapseAll));
                if (TTreeNode* gamma = host.Node("Gamma"))
                    CHECK(gamma->Expanded() == (end < THarm::CollapseAll || end == THarm::Refresh));
                if (TTreeNode* alpha = host.Node("Alpha")) {
                    CHECK(alpha->Count() == 0);
                    CHECK(alpha->HasChildren());
                    CHECK_FALSE(alpha->Expanded());
                    UserExpand(alpha);
                    CHECK(host.Listed("Alpha"));
                    CHECK(alpha->Count() == 5);
                }
                // OnExpanded only for the listing that ran to its end.
                for (const std::string& expanded : host.Expanded)
                    CHECK((expanded.rfind("Alpha", 0) != 0 || expanded == "Alpha:5"));
            },
            1);
        CHECK(leaked == 0);
    }
}

TEST_CASE("a handler that collapses the folder as its placeholder goes leaves it closed with its button")
{
    TListingScratch scratch;
    TListingHost host(scratch);
    const TSlowListingScope slow(scratch.Root / "Alpha", 0, 30);
    TTreeNode* alpha = host.Node("Alpha");
    host.Tree->OnDeletion = [&](TObject*, TTreeNode* node) {
        if (node->Parent() == alpha && !node->Data())
            alpha->Collapse(false);
    };
    UserExpand(alpha);
    CHECK(ListingsEnd());
    PumpFor(30);
    CHECK_FALSE(alpha->Expanded());
    CHECK(alpha->HasChildren());
    CHECK(alpha->Count() == 0);
}

TEST_CASE("code that needs the children gets all of them, a drain put off resumes, and the keyboard's "
          "expand-all opens the sub-folders found later")
{
    enum class TNeed { SelectPath, SelectRefused, CodeExpand, WholeListing, BusyDrain, ExpandAllKey };
    struct TRow { TNeed Need; const char* Folder; int NextMs; const char* Selected; int Children; };
    // Big comes whole before the window takes any, and the window takes one step per pass.
    constexpr TRow rows[] = {{TNeed::SelectPath, "Alpha", 80, "deeper", 5},  {TNeed::SelectRefused, "Alpha", 0, "Alpha", 0},
                             {TNeed::CodeExpand, "Big", 0, "", 40},          {TNeed::WholeListing, "Big", 0, "", 40},
                             {TNeed::BusyDrain, "Alpha", 30, "", 5},         {TNeed::ExpandAllKey, "Alpha", 20, "Alpha", 5}};
    TListingScratch scratch;
    const TTuningScope tuning({1000, std::chrono::milliseconds(500), std::chrono::milliseconds(0), 16});
    for (const TRow& row : rows) {
        CAPTURE(static_cast<int>(row.Need));
        TListingHost host(scratch);
        const TSlowListingScope slow(scratch.Root / row.Folder, 0, row.NextMs, row.Need == TNeed::SelectRefused);
        TTreeNode* folder = host.Node(row.Folder);
        host.Arm(THandlerEvent::Expanding, "Gamma", [] { PumpUntil([] { return RunningShellListings() == 0; }); });
        if (row.Need == TNeed::ExpandAllKey) {
            host.Tree->SetSelected(folder);
            SendMessageA(host.Tree->Handle(), WM_KEYDOWN, VK_MULTIPLY, 0);
        } else {
            UserExpand(folder);
        }
        switch (row.Need) {
        case TNeed::SelectPath:
        case TNeed::SelectRefused: host.Tree->SelectPath(scratch / "Alpha/Inner/deeper"); break;
        case TNeed::CodeExpand: folder->Expand(false); break;
        case TNeed::BusyDrain: host.Node("Gamma")->Expand(false); [[fallthrough]];
        default: CHECK(host.Listed(row.Folder));
        }
        CHECK(host.SelectedText() == (*row.Selected ? row.Selected : scratch.Root.filename().string()));
        CHECK_FALSE(host.Tree->IsListing(folder));
        CHECK(folder->Count() == row.Children);
        if (row.Need == TNeed::ExpandAllKey)
            CHECK(PumpUntil([&] { return Child(Child(folder, "Inner"), "deeper") && Child(folder, "Inner")->Expanded(); }));
        CHECK(ListingsEnd());
        CHECK(folder->Count() == row.Children);
    }
}

TEST_CASE("selection reports survive listings: once, after the change delay, to OnChange and the companions")
{
    enum class TPick { Other, Placeholder, PumpingOnChange };
    struct TRow { TPick Pick; int EnumMs; std::vector<std::string> Reported; };
    // "*": the node the selection landed on once items came.
    const TRow rows[] = {{TPick::Other, 0, {"beta"}},
                         {TPick::Placeholder, 150, {"Alpha", "*"}},
                         {TPick::PumpingOnChange, 150, {"beta"}}};
    TListingScratch scratch;
    for (const TRow& row : rows) {
        CAPTURE(static_cast<int>(row.Pick));
        TListingHost host(scratch);
        auto* companion = new TNamingListView(host.Form);
        companion->SetParent(host.Form);
        host.Tree->SetListView(companion);
        const TSlowListingScope slow(scratch.Root / "Alpha", row.EnumMs, 30);
        PumpFor(80);
        host.Changes.clear();
        companion->Told.clear();
        TTreeNode* alpha = host.Node("Alpha");
        UserExpand(alpha);
        if (row.Pick == TPick::PumpingOnChange)
            host.WhileChange = [&] { CHECK(host.Listed("Alpha")); };
        if (row.Pick == TPick::Other)
            REQUIRE(PumpUntil([&] { return alpha->getFirstChild()->Data() != nullptr; }));
        host.Tree->SetSelected(row.Pick == TPick::Placeholder ? alpha->getFirstChild() : host.Node("beta"));
        CHECK(host.Listed("Alpha"));
        PumpFor(100);
        std::vector<std::string> reported = row.Reported;
        std::replace(reported.begin(), reported.end(), std::string("*"), host.SelectedText());
        CHECK(host.Changes == reported);
        CHECK(companion->Told == reported);
    }
}

TEST_CASE("a change the shell reports while a folder is listed refreshes the tree once, after the listing ended")
{
    enum class TServe { MkDir, Rename, Refresh, DeleteNode };
    TListingScratch scratch;
    for (const TServe serve : {TServe::MkDir, TServe::Rename, TServe::Refresh, TServe::DeleteNode}) {
        CAPTURE(static_cast<int>(serve));
        TListingHost host(scratch, true);
        const TSlowListingScope slow(scratch.Root / "Alpha", 0, 80);
        UserExpand(host.Node("Alpha"));
        if (serve == TServe::Rename) {
            std::filesystem::rename(scratch.Root / "beta", scratch.Root / "beta2");
            SHChangeNotify(SHCNE_RENAMEFOLDER, SHCNF_PATHA, (scratch / "beta").c_str(), (scratch / "beta2").c_str());
            std::filesystem::rename(scratch.Root / "beta2", scratch.Root / "beta");
        } else {
            MakeFolderAndAnnounce(scratch.Root / "Alpha" / "new");
        }
        CHECK(host.Clears == 0);
        if (serve == TServe::Refresh)
            host.Tree->RefreshTree();
        if (serve == TServe::DeleteNode)  // the listing ends with its node, outside any operation
            host.Node("Alpha")->Delete();
        CHECK(PumpUntil([&] { return host.Clears == 1; }));
        if (serve == TServe::MkDir)  // opened again by the refresh, which came after the listing
            CHECK(Shown(host.Node("Alpha")).size() == 6);
        std::filesystem::remove(scratch.Root / "Alpha" / "new");
        CHECK(ListingsEnd());
        PumpFor(50);
        CHECK(host.Clears == 1);
        // A refresh that waits later runs as well.
        host.Arm(THandlerEvent::Expanding, "Gamma", [&] { host.Tree->RefreshTree(); });
        host.Node("Gamma")->Expand(false);
        CHECK(PumpUntil([&] { return host.Clears == 2; }));
    }
}

}  // TEST_SUITE
