// The placement and look properties every control has: Anchors, Constraints, ParentShowHint and
// BiDiMode with ParentBiDiMode.
#include "ControlTestHelpers.h"

TEST_SUITE("TControl") {

TEST_CASE("a fresh control has the default placement and look properties")
{
    TPanel panel(nullptr);
    CHECK(panel.Anchors() == SetOf({akLeft, akTop}));
    CHECK(panel.BiDiMode() == bdLeftToRight);
    CHECK(panel.ParentBiDiMode());
    CHECK(panel.ParentShowHint());
    CHECK_FALSE(panel.ShowHint());
    CHECK(panel.PopupMenu() == nullptr);
    const TSizeConstraints& c = *panel.Constraints();
    CHECK((c.MinWidth() == 0 && c.MinHeight() == 0 && c.MaxWidth() == 0 && c.MaxHeight() == 0));
}

TEST_CASE("anchored edges keep their distance when the parent's client area changes")
{
    THostForm form(400, 300);
    form.Show();
    auto* fixed = new TPanel(&form);
    auto* right = new TPanel(&form);
    auto* stretched = new TPanel(&form);
    for (TPanel* panel : {fixed, right, stretched}) {
        panel->SetParent(&form);
        panel->SetBounds(300, 200, 50, 40);
    }
    right->SetAnchors(SetOf({akRight, akBottom}));
    stretched->SetAnchors(SetOf({akLeft, akTop, akRight, akBottom}));

    form.SetClientWidth(450);
    form.SetClientHeight(320);
    CHECK(FieldBox(*fixed) == TBox{300, 200, 50, 40});
    CHECK(FieldBox(*right) == TBox{350, 220, 50, 40});
    CHECK(FieldBox(*stretched) == TBox{300, 200, 100, 60});
    CHECK(WindowBox(right->Handle()) == TBox{350, 220, 50, 40});

    form.SetClientWidth(380);
    CHECK(FieldBox(*right) == TBox{280, 220, 50, 40});
    CHECK(FieldBox(*stretched) == TBox{300, 200, 30, 60});
}

TEST_CASE("Constraints clamp every way of setting the size")
{
    THostForm form;
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(10, 10, 100, 100);
    panel->Constraints()->SetMinWidth(50);
    panel->Constraints()->SetMaxWidth(120);
    panel->Constraints()->SetMaxHeight(80);
    // The new limits apply to the current size at once.
    CHECK(FieldBox(*panel) == TBox{10, 10, 100, 80});
    panel->SetBounds(5, 6, 20, 200);
    CHECK(FieldBox(*panel) == TBox{5, 6, 50, 80});
    panel->SetWidth(500);
    CHECK(panel->Width() == 120);
    panel->SetHeight(30);
    CHECK(panel->Height() == 30);
    CHECK(WindowBox(panel->Handle()) == TBox{5, 6, 120, 30});
}

TEST_CASE("ShowHint follows the parent until it is set")
{
    THostForm form;
    auto* outer = new TPanel(&form);
    outer->SetParent(&form);
    auto* inner = new TButton(&form);
    inner->SetParent(outer);
    form.SetShowHint(true);
    CHECK(outer->ShowHint());
    CHECK(inner->ShowHint());

    inner->SetShowHint(false);
    CHECK_FALSE(inner->ParentShowHint());
    form.SetShowHint(false);
    form.SetShowHint(true);
    CHECK_FALSE(inner->ShowHint());

    inner->SetParentShowHint(true);
    CHECK(inner->ShowHint());

    auto* late = new TButton(&form);
    late->SetParent(&form);
    CHECK(late->ShowHint());
}

TEST_CASE("a right-to-left BiDiMode gives the window the right-to-left styles, and children follow")
{
    THostForm form;
    form.Show();
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* edit = new TEdit(&form);
    edit->SetParent(panel);
    const auto exStyle = [](TWinControl* control) { return GetWindowLongPtrA(control->Handle(), GWL_EXSTYLE); };
    constexpr LONG_PTR rtl = WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR | WS_EX_RIGHT;
    REQUIRE((exStyle(edit) & rtl) == 0);

    panel->SetBiDiMode(bdRightToLeft);
    CHECK_FALSE(panel->ParentBiDiMode());
    CHECK((exStyle(panel) & rtl) == rtl);
    CHECK(edit->BiDiMode() == bdRightToLeft);
    CHECK((exStyle(edit) & rtl) == rtl);

    edit->SetBiDiMode(bdRightToLeftReadingOnly);
    CHECK((exStyle(edit) & rtl) == WS_EX_RTLREADING);
    edit->SetParentBiDiMode(true);
    CHECK(edit->BiDiMode() == bdRightToLeft);

    panel->SetBiDiMode(bdLeftToRight);
    CHECK((exStyle(panel) & rtl) == 0);
    CHECK((exStyle(edit) & rtl) == 0);
}

}  // TEST_SUITE
