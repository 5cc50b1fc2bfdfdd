// TPageControl with its pages, and TProgressBar.
#include "ControlTestHelpers.h"

#include <commctrl.h>

namespace {

bool Shown(TWinControl& control)
{
    return control.HandleAllocated() && IsWindowVisible(control.Handle());
}

}  // namespace

TEST_SUITE("TPageControl") {

TEST_CASE("only the active page shows, in the native display area also when no tab is shown")
{
    THostForm form(438, 359);
    TPageControl pages(&form);
    pages.SetParent(&form);
    pages.SetBounds(2, 2, 434, 355);
    pages.SetStyle(tsFlatButtons);
    TTabSheet a(&form), b(&form), c(&form);
    for (TTabSheet* page : {&a, &b, &c}) {
        page->SetPageControl(&pages);
        page->SetTabVisible(false);
    }
    a.SetCaption("A");
    b.SetCaption("B");
    c.SetCaption("C");
    CHECK(pages.ActivePage() == &a);
    pages.SetActivePage(&b);
    form.Show();
    CHECK(Shown(b));
    CHECK_FALSE(Shown(a));
    CHECK_FALSE(c.HandleAllocated());
    CHECK(SendMessageA(pages.Handle(), TCM_GETITEMCOUNT, 0, 0) == 0);
    RECT display{0, 0, 434, 355};
    SendMessageA(pages.Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    const TBox noTabs{display.left, display.top, display.right - display.left, display.bottom - display.top};
    CHECK(noTabs.Width == 426);  // the margins of a tab control 434 wide
    CHECK(WindowBox(b.Handle()) == noTabs);

    pages.SetActivePage(&c);
    CHECK(Shown(c));
    CHECK_FALSE(Shown(b));
    CHECK(WindowBox(c.Handle()) == noTabs);
    CHECK(pages.ActivePageIndex() == 2);

    SUBCASE("with tabs the pages sit below them, and picking a tab shows its page")
    {
        for (TTabSheet* page : {&a, &b, &c})
            page->SetTabVisible(true);
        CHECK(SendMessageA(pages.Handle(), TCM_GETITEMCOUNT, 0, 0) == 3);
        CHECK(SendMessageA(pages.Handle(), TCM_GETCURSEL, 0, 0) == 2);
        CHECK(WindowBox(c.Handle()).Top > noTabs.Top);
        int changes = 0;
        pages.OnChange = [&](TObject*) { ++changes; };
        RECT tab{};
        SendMessageA(pages.Handle(), TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
        const LPARAM point = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
        SendMessageA(pages.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, point);
        SendMessageA(pages.Handle(), WM_LBUTTONUP, 0, point);
        CHECK(pages.ActivePage() == &a);
        CHECK(changes == 1);
        CHECK(Shown(a));
        CHECK_FALSE(Shown(c));
    }
    SUBCASE("a page that leaves takes nothing else with it")
    {
        c.SetPageControl(nullptr);
        CHECK(pages.PageCount() == 2);
        CHECK(pages.ActivePage() == nullptr);
        CHECK(b.PageIndex() == 1);
        CHECK_FALSE(c.HandleAllocated());
    }
    SUBCASE("a page of another control cannot be the active page")
    {
        TPageControl other(&form);
        TTabSheet foreign(&form);
        foreign.SetPageControl(&other);
        CHECK_THROWS_AS(pages.SetActivePage(&foreign), Exception);
        CHECK(pages.ActivePage() == &c);
    }
}

}  // TEST_SUITE

TEST_SUITE("TProgressBar") {

TEST_CASE("the bar keeps its position within its range, and the window shows both")
{
    THostForm form;
    TProgressBar bar(&form);
    bar.SetParent(&form);
    bar.SetMax(26);
    bar.SetPosition(30);
    CHECK(bar.Position() == 26);
    bar.SetPosition(0);
    form.Show();
    HWND window = bar.Handle();
    CHECK(SendMessageA(window, PBM_GETRANGE, FALSE, 0) == 26);
    CHECK(SendMessageA(window, PBM_GETRANGE, TRUE, 0) == 0);
    for (int i = 0; i < 26; ++i)
        bar.SetPosition(bar.Position() + 1);
    CHECK(SendMessageA(window, PBM_GETPOS, 0, 0) == 26);
    bar.SetMax(10);
    CHECK(bar.Position() == 10);
    CHECK(SendMessageA(window, PBM_GETPOS, 0, 0) == 10);
    bar.SetStep(4);
    bar.SetPosition(4);
    bar.StepIt();
    CHECK(bar.Position() == 8);
    bar.StepIt();
    CHECK(bar.Position() == 0);
    CHECK(SendMessageA(window, PBM_GETPOS, 0, 0) == 0);
}

}  // TEST_SUITE
