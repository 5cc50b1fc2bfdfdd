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

#include <chrono>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

// Alpha holds folders in no particular order, one with a folder of its own; Empty holds none.
struct TListingScratch : TReentryScratch {
    TListingScratch()
    {
        for (const char* name : {"zeta", "Mid", "alpha two", "Beta", "Inner/deeper"})
            std::filesystem::create_directories(Root / "Alpha" / name);
        std::filesystem::create_directory(Root / "Empty");
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
// number of children the node held then.
struct TListingHost : TShellTreeHost {
    std::vector<std::string> Expanded;

    explicit TListingHost(const TListingScratch& scratch, bool autoRefresh = false)
        : TShellTreeHost(scratch.Root.string(), autoRefresh, true)
    {
        Tree->SetBackgroundListing(true);
        Tree->OnExpanded = [this](TObject*, TTreeNode* node) {
            Expanded.push_back(node->Text() + ":" + std::to_string(node->Count()));
        };
    }
    TTreeNode* Node(const std::string& name) const { return Child(RootNode(), name); }
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
    TListingScratch scratch;
    TListingHost host(scratch);
    const TSlowListingScope slow(scratch.Root / "Alpha", 100, 120);
    TTreeNode* alpha = host.Node("Alpha");
    REQUIRE(alpha);
    PumpFor(100);  // the first paint, with its icons

    const auto start = TClock::now();
    UserExpand(alpha);
    CHECK(TClock::now() - start < std::chrono::milliseconds(50));
    // Open at once, on its placeholder, and OnExpanded not yet raised.
    CHECK(alpha->Expanded());
    CHECK(host.Tree->IsListing(alpha));
    CHECK(alpha->Count() == 1);
    CHECK(alpha->getFirstChild()->Data() == nullptr);
    CHECK(host.Expanded.empty());

    CHECK(LongestAnswerMs(300) <= 50);
    // Another folder, listed at full speed, is done while the slow one still lists.
    UserExpand(host.Node("Gamma"));
    CHECK(PumpUntil([&] { return !host.Tree->IsListing(host.Node("Gamma")); }));
    CHECK(Shown(host.Node("Gamma")).size() == 1);
    CHECK(host.Tree->IsListing(alpha));
    CHECK(LongestAnswerMs(200) <= 50);

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

TEST_CASE("whatever ends a listing early leaves no node behind, no PIDL and no thread")
{
    enum class TEnd { Collapse, Refresh, Rebuild, Root, Recreate, DestroyTree, DestroyForm };
    TListingScratch scratch;
    const TSlowListingScope slow(scratch.Root / "Alpha", 0, 60);
    for (const TEnd end : {TEnd::Collapse, TEnd::Refresh, TEnd::Rebuild, TEnd::Root, TEnd::Recreate,
                           TEnd::DestroyTree, TEnd::DestroyForm}) {
        CAPTURE(static_cast<int>(end));
        const long leaked = LeakedTaskBlocks(
            [&] {
                TListingHost host(scratch);
                UserExpand(host.Node("Alpha"));
                // Some items are in, the listing goes on.
                REQUIRE(PumpUntil([&] { return host.Node("Alpha")->getFirstChild()->Data() != nullptr; }));
                REQUIRE(host.Tree->IsListing(host.Node("Alpha")));
                const int before = host.Tree->Items()->Count();
                switch (end) {
                case TEnd::Collapse: host.Node("Alpha")->Collapse(false); break;
                case TEnd::Refresh: host.Tree->RefreshTree(); break;
                case TEnd::Rebuild: host.Tree->RebuildTree(); break;
                case TEnd::Root: host.Tree->SetRoot(TVeltoRootFolder((scratch.Root / "Gamma").string())); break;
                case TEnd::Recreate: host.Tree->RecreateWnd(); break;
                case TEnd::DestroyTree: delete host.Tree; break;
                case TEnd::DestroyForm: host.FormGone = true, delete host.Form; break;
                }
                if (end == TEnd::DestroyTree || end == TEnd::DestroyForm) {
                    CHECK(ListingsEnd());
                    return;
                }
                const int after = host.Tree->Items()->Count();
                CHECK(after < before);
                CHECK(ListingsEnd());
                PumpFor(30);
                CHECK(host.Tree->Items()->Count() == after);
                if (TTreeNode* alpha = host.Node("Alpha")) {
                    CHECK(alpha->Count() == 0);
                    CHECK(alpha->HasChildren());
                    CHECK_FALSE(alpha->Expanded());
                }
                for (const std::string& expanded : host.Expanded)
                    CHECK(expanded.rfind("Alpha", 0) != 0);
            },
            1);
        CHECK(leaked == 0);
    }
}

TEST_CASE("code that needs the children waits for the listing: SelectPath through a folder being listed")
{
    TListingScratch scratch;
    TListingHost host(scratch);
    const TSlowListingScope slow(scratch.Root / "Alpha", 0, 80);
    TTreeNode* alpha = host.Node("Alpha");
    UserExpand(alpha);
    host.Tree->SelectPath(scratch / "Alpha/Inner/deeper");
    CHECK(host.SelectedText() == "deeper");
    CHECK_FALSE(host.Tree->IsListing(alpha));
    CHECK(alpha->Count() == 5);
    CHECK(host.Expanded == std::vector<std::string>{"Alpha:5", "Inner:1"});
    PumpFor(30);
    CHECK(alpha->Count() == 5);
    CHECK(ListingsEnd());
}

TEST_CASE("a change the shell reports while a folder is listed refreshes the tree once the listing ended")
{
    TListingScratch scratch;
    TListingHost host(scratch, true);
    const TSlowListingScope slow(scratch.Root / "Alpha", 0, 80);
    UserExpand(host.Node("Alpha"));
    MakeFolderAndAnnounce(scratch.Root / "Alpha" / "new");
    CHECK(host.Clears == 0);
    CHECK(PumpUntil([&] { return host.Clears == 1; }));
    CHECK(Shown(host.Node("Alpha")).size() == 6);
    CHECK(ListingsEnd());
}

}  // TEST_SUITE
