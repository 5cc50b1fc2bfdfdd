// TButton, TCheckBox, TLabel, TEdit and TMemo over their native windows.
#include "ControlTestHelpers.h"

namespace {

void ClickAt(HWND window, int downX, int downY, int upX, int upY)
{
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(downX, downY));
    SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(upX, upY));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(upX, upY));
}

}  // namespace

TEST_SUITE("TButton") {

TEST_CASE("a button never takes the keyboard focus, and a click raises OnClick")
{
    THostForm form;
    TEdit edit(&form);
    edit.SetParent(&form);
    TButton button(&form);
    button.SetParent(&form);
    button.SetLeft(150);
    int clicks = 0;
    button.OnClick = [&](TObject*) { ++clicks; };
    form.Show();
    edit.SetFocus();
    REQUIRE(GetFocus() == edit.Handle());
    CHECK((StyleOf(button.Handle()) & WS_TABSTOP) == 0);

    SUBCASE("pressed and released with the mouse")
    {
        SendMessageA(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        CHECK((SendMessageA(button.Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0);
        CHECK(clicks == 0);
        SendMessageA(button.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        CHECK((SendMessageA(button.Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED) == 0);
        CHECK(clicks == 1);
    }
    SUBCASE("released outside the button: no click")
    {
        ClickAt(button.Handle(), 5, 5, -20, -20);
        CHECK(clicks == 0);
        CHECK((SendMessageA(button.Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED) == 0);
    }
    SUBCASE("BM_CLICK")
    {
        SendMessageA(button.Handle(), BM_CLICK, 0, 0);
        CHECK(clicks == 1);
    }
    SUBCASE("a disabled button does not click")
    {
        button.SetEnabled(false);
        SendMessageA(button.Handle(), BM_CLICK, 0, 0);
        CHECK(clicks == 0);
    }
    SUBCASE("the focus given by code goes back")
    {
        ::SetFocus(button.Handle());
    }
    CHECK(GetFocus() == edit.Handle());
}

}  // TEST_SUITE

TEST_SUITE("TCheckBox") {

TEST_CASE("OnClick follows every change of the state, by a click or by the program")
{
    THostForm form;
    TCheckBox box(&form);
    box.SetParent(&form);
    TButton next(&form);
    next.SetParent(&form);
    next.SetTop(40);
    std::vector<TCheckBoxState> seen;
    box.OnClick = [&](TObject*) {
        seen.push_back(box.State());
        next.SetEnabled(box.Checked());
    };

    box.SetChecked(true);  // no window yet
    box.SetChecked(true);
    CHECK(seen == std::vector<TCheckBoxState>{cbChecked});
    form.Show();
    CHECK(SendMessageA(box.Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED);

    SendMessageA(box.Handle(), BM_CLICK, 0, 0);
    CHECK_FALSE(box.Checked());
    CHECK(SendMessageA(box.Handle(), BM_GETCHECK, 0, 0) == BST_UNCHECKED);
    CHECK_FALSE(IsWindowEnabled(next.Handle()));
    box.SetChecked(true);
    CHECK(SendMessageA(box.Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED);
    CHECK(IsWindowEnabled(next.Handle()));
    CHECK(seen == std::vector<TCheckBoxState>{cbChecked, cbUnchecked, cbChecked});

    SUBCASE("with AllowGrayed a click passes the grayed state")
    {
        box.SetAllowGrayed(true);
        box.SetChecked(false);
        SendMessageA(box.Handle(), BM_CLICK, 0, 0);
        CHECK(box.State() == cbGrayed);
        CHECK(SendMessageA(box.Handle(), BM_GETCHECK, 0, 0) == BST_INDETERMINATE);
        SendMessageA(box.Handle(), BM_CLICK, 0, 0);
        CHECK(box.State() == cbChecked);
    }
}

}  // TEST_SUITE

TEST_SUITE("TLabel") {

TEST_CASE("an auto-sized label takes the size of its text; with word wrap, the height at its width")
{
    THostForm form;
    TLabel label(&form);
    label.SetParent(&form);
    label.SetCaption("x");
    const int line = label.Height();
    const int narrow = label.Width();
    REQUIRE(line > 0);
    label.SetCaption("a much longer caption");
    CHECK(label.Width() > narrow);
    CHECK(label.Height() == line);

    SUBCASE("word wrap")
    {
        label.SetWordWrap(true);
        label.SetWidth(60);
        label.SetCaption("one two three four five six seven eight");
        CHECK(label.Width() == 60);
        CHECK(label.Height() >= 3 * line);
        CHECK(label.Height() % line == 0);
        form.Show();
        CHECK(WindowBox(label.Handle()) == FieldBox(label));
    }
    SUBCASE("an empty caption keeps one line")
    {
        label.SetCaption("");
        CHECK(label.Height() == line);
    }
    SUBCASE("a bigger font")
    {
        label.Font()->SetHeight(-30);
        CHECK(label.Height() > line);
    }
    SUBCASE("without AutoSize the size stays")
    {
        label.SetAutoSize(false);
        label.SetBounds(0, 0, 10, 50);
        label.SetCaption("x");
        CHECK(FieldBox(label) == TBox{0, 0, 10, 50});
    }
}

TEST_CASE("labels aligned to the top stack under one another as their texts grow")
{
    THostForm form(426, 300);
    TLabel first(&form), second(&form);
    for (TLabel* label : {&first, &second}) {
        label->SetParent(&form);
        label->SetWordWrap(true);
        label->SetAlign(alTop);
    }
    first.SetCaption("Welcome");
    second.SetCaption("Second");
    const int line = first.Height();
    CHECK(FieldBox(first) == TBox{0, 0, 426, line});
    CHECK(FieldBox(second) == TBox{0, line, 426, line});
    form.Show();
    std::string caption;
    for (int i = 0; i < 40; ++i)
        caption += "word ";
    first.SetCaption(caption);
    CHECK(first.Height() > line);
    CHECK(WindowBox(second.Handle()) == TBox{0, first.Height(), 426, line});
}

}  // TEST_SUITE

TEST_SUITE("TEdit") {

TEST_CASE("the text follows the user's typing, and OnChange tells of every change")
{
    THostForm form;
    TEdit edit(&form);
    edit.SetParent(&form);
    int changes = 0;
    edit.OnChange = [&](TObject*) { ++changes; };
    edit.SetText("c:");
    CHECK(changes == 1);
    form.Show();
    CHECK(WindowText(edit.Handle()) == "c:");
    edit.SetText("c:");
    CHECK(changes == 1);
    edit.SetText("d:\\");
    CHECK(changes == 2);
    CHECK(WindowText(edit.Handle()) == "d:\\");

    edit.SetSelStart(3);
    SendMessageA(edit.Handle(), WM_CHAR, 'x', 0);
    CHECK(edit.Text() == "d:\\x");
    CHECK(changes == 3);
    edit.SelectAll();
    CHECK(edit.SelStart() == 0);
    CHECK(edit.SelLength() == 4);
    // OnKeyPress gets the code page's bytes: of this Unicode box's characters the ASCII ones, which
    // it may change or swallow. U+0179 ends in the byte of 'y'.
    std::string pressed;
    edit.OnKeyPress = [&](TObject*, char& key) { pressed += key, key = key == 'y' ? 'z' : key == 'q' ? 0 : key; };
    for (const wchar_t typed : {L'y', L'q', L'\u0416', L'\u0179'})
        SendMessageW(edit.Handle(), WM_CHAR, typed, 0);
    CHECK(pressed == "yq");
    wchar_t shown[8]{};
    GetWindowTextW(edit.Handle(), shown, 8);
    CHECK(std::wstring(shown) == L"z\u0416\u0179");
}

}  // TEST_SUITE

TEST_SUITE("TMemo") {

TEST_CASE("Lines and the window's text are one")
{
    THostForm form;
    TMemo memo(&form);
    memo.SetParent(&form);
    memo.SetScrollBars(ssVertical);
    memo.SetReadOnly(true);
    memo.Lines()->Assign({"a", "", "c"});
    CHECK(memo.Text() == "a\r\n\r\nc");
    form.Show();
    HWND window = memo.Handle();
    CHECK(WindowText(window) == "a\r\n\r\nc");
    CHECK((StyleOf(window) & (WS_VSCROLL | ES_MULTILINE | ES_READONLY)) == (WS_VSCROLL | ES_MULTILINE | ES_READONLY));

    SendMessageA(window, EM_SETSEL, 6, 6);
    SendMessageA(window, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("\r\nd"));
    CHECK(memo.Lines()->Lines() == std::vector<std::string>{"a", "", "c", "d"});
    memo.SetText("x\r\ny");
    CHECK(memo.Lines()->Lines() == std::vector<std::string>{"x", "y"});
    CHECK(WindowText(window) == "x\r\ny");

    // Tab moves on to the next control instead of into the text.
    MSG tab{window, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    CHECK((SendMessageA(window, WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&tab)) & DLGC_WANTALLKEYS) == 0);
}

}  // TEST_SUITE
