// TWinControl: lazy windows, remade windows, setters, alignment, tab order, reflected
// notifications and exceptions at the window procedure.
#include "ControlTestHelpers.h"

#include <algorithm>

namespace {

// A panel that records the messages by which a setter reaches its window.
class TRecordingPanel : public TPanel {
public:
    using TPanel::TPanel;

    int Count(UINT msg) const { return static_cast<int>(std::count(Messages.begin(), Messages.end(), msg)); }

    std::vector<UINT> Messages;
    HFONT LastFont = nullptr;  // the font the window was last handed

protected:
    void WndProc(TMessage& message) override
    {
        switch (message.Msg) {
        case WM_SETTEXT:
        case WM_SETFONT:
        case WM_WINDOWPOSCHANGED:
        case WM_ENABLE:
        case WM_SHOWWINDOW:
        case WM_CREATE:
            Messages.push_back(message.Msg);
        }
        if (message.Msg == WM_SETFONT)
            LastFont = reinterpret_cast<HFONT>(message.WParam);
        TPanel::WndProc(message);
    }
};

TPanel* NewPanel(TWinControl& parent, TAlign align, int size, int borderWidth = 0)
{
    auto* panel = new TPanel(&parent);
    panel->SetParent(&parent);
    panel->SetBevelOuter(bvNone);
    panel->SetBorderWidth(borderWidth);
    panel->SetBounds(0, 0, size, size);
    panel->SetAlign(align);
    return panel;
}

int FontHeightOf(HWND window)
{
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font.lfHeight;
}

}  // namespace

TEST_SUITE("TWinControl") {

TEST_CASE("a window is made only when it is needed, the parent's first")
{
    THostForm form;
    TPanel panel(&form);
    panel.SetParent(&form);
    TButton button(&form);
    button.SetParent(&panel);
    TButton hidden(&form);
    hidden.SetParent(&panel);
    hidden.SetVisible(false);
    CHECK_FALSE(form.HandleAllocated());
    CHECK_FALSE(panel.HandleAllocated());

    HWND window = button.Handle();
    REQUIRE(window);
    CHECK(form.HandleAllocated());
    CHECK(GetParent(window) == panel.Handle());
    CHECK(GetParent(panel.Handle()) == form.Handle());
    CHECK(FindControl(window) == &button);
    // A hidden control waits until it is shown.
    CHECK_FALSE(hidden.HandleAllocated());
    hidden.SetVisible(true);
    REQUIRE(hidden.HandleAllocated());
    CHECK(GetParent(hidden.Handle()) == panel.Handle());

    SUBCASE("a control without a parent has no window to live in")
    {
        TButton orphan(nullptr);
        CHECK_THROWS_AS(orphan.Handle(), Exception);
        CHECK_FALSE(orphan.HandleAllocated());
    }
    SUBCASE("leaving the parent destroys the window; a new parent with a window takes it along")
    {
        TPanel other(&form);
        other.SetParent(&form);
        HWND otherWindow = other.Handle();
        button.SetParent(&other);
        CHECK(button.HandleAllocated());
        CHECK(button.Handle() == window);
        CHECK(GetParent(window) == otherWindow);
        button.SetParent(nullptr);
        CHECK_FALSE(button.HandleAllocated());
        CHECK_FALSE(IsWindow(window));
    }
    SUBCASE("destroying the parent's window destroys the children's, which can be made again")
    {
        form.DestroyHandle();
        CHECK_FALSE(button.HandleAllocated());
        CHECK_FALSE(IsWindow(window));
        CHECK(IsWindow(button.Handle()));
    }
}

TEST_CASE("a remade window gets every field again, and so do the children's windows")
{
    THostForm form;
    TPanel panel(&form);
    panel.SetParent(&form);
    TEdit edit(&form);
    edit.SetParent(&panel);
    edit.SetText("kept");
    edit.SetBounds(5, 6, 70, 22);
    edit.SetEnabled(false);
    edit.SetMaxLength(5);
    edit.SetReadOnly(true);
    edit.Font()->SetHeight(-19);
    HWND old = edit.Handle();
    HWND oldPanel = panel.Handle();

    SUBCASE("the control's own window") { edit.RecreateWnd(); }
    SUBCASE("the parent's window") { panel.RecreateWnd(); }
    SUBCASE("text typed into the old window")
    {
        SetWindowTextA(old, "typed");  // as the user would: the change notice brings it into the field
        CHECK(edit.Text() == "typed");
        edit.RecreateWnd();
    }

    HWND window = edit.Handle();
    CHECK_FALSE(IsWindow(old));
    REQUIRE(IsWindow(window));
    CHECK(GetParent(window) == panel.Handle());
    CHECK(WindowText(window) == edit.Text());
    CHECK_FALSE(IsWindowEnabled(window));
    CHECK(WindowBox(window) == TBox{5, 6, 70, 22});
    CHECK(SendMessageA(window, EM_GETLIMITTEXT, 0, 0) == 5);
    CHECK((StyleOf(window) & ES_READONLY) != 0);
    CHECK(FontHeightOf(window) == -19);
    (void)oldPanel;
}

TEST_CASE("a setter reaches the window only with a changed value")
{
    THostForm form;
    TRecordingPanel panel(&form);
    panel.SetParent(&form);
    panel.SetCaption("a");
    panel.Font()->SetHeight(-20);
    panel.SetBounds(1, 2, 30, 40);
    panel.SetEnabled(false);
    // Without a window the values wait in the fields.
    CHECK_FALSE(panel.HandleAllocated());
    HWND window = panel.Handle();
    CHECK(panel.Count(WM_CREATE) == 1);
    CHECK(WindowText(window) == "a");
    CHECK(WindowBox(window) == TBox{1, 2, 30, 40});
    CHECK(panel.LastFont == panel.Font()->Handle());
    CHECK_FALSE(IsWindowEnabled(window));
    panel.Messages.clear();

    SUBCASE("the same values again: nothing")
    {
        panel.SetCaption("a");
        panel.Font()->SetHeight(-20);
        panel.Font()->SetName(panel.Font()->Name());
        panel.SetBounds(1, 2, 30, 40);
        panel.SetEnabled(false);
        panel.SetVisible(true);
        CHECK(panel.Messages.empty());
    }
    SUBCASE("new values: one message each")
    {
        panel.SetCaption("b");
        panel.Font()->SetHeight(-21);
        panel.SetBounds(3, 4, 50, 60);
        panel.SetEnabled(true);
        panel.SetVisible(false);
        CHECK(panel.Count(WM_SETTEXT) == 1);
        CHECK(panel.Count(WM_SETFONT) == 1);
        CHECK(panel.Count(WM_WINDOWPOSCHANGED) >= 1);
        CHECK(panel.Count(WM_ENABLE) == 1);
        CHECK(panel.Count(WM_SHOWWINDOW) == 1);
        CHECK(WindowText(window) == "b");
        CHECK(WindowBox(window) == TBox{3, 4, 50, 60});
        CHECK(panel.LastFont == panel.Font()->Handle());
        CHECK(IsWindowEnabled(window));
        CHECK_FALSE(IsWindowVisible(window));
        CHECK_FALSE(panel.ParentFont());
    }
}

TEST_CASE("aligned children share the client area inside each parent's border width")
{
    THostForm form(600, 400);
    TPanel* left = NewPanel(form, alLeft, 162, 8);
    TPanel* leftInner = NewPanel(*left, alClient, 10);
    TPanel* bottom = NewPanel(form, alBottom, 41);
    TPanel* rest = NewPanel(form, alClient, 10, 2);
    TPanel* restInner = NewPanel(*rest, alClient, 10);

    // The layout holds before there is any window, and the windows follow it.
    CHECK(FieldBox(*left) == TBox{0, 0, 162, 359});
    CHECK(FieldBox(*leftInner) == TBox{8, 8, 146, 343});
    CHECK(FieldBox(*bottom) == TBox{0, 359, 600, 41});
    CHECK(FieldBox(*rest) == TBox{162, 0, 438, 359});
    CHECK(FieldBox(*restInner) == TBox{2, 2, 434, 355});
    CHECK_FALSE(form.HandleAllocated());
    form.Show();
    CHECK(ClientBox(form.Handle()) == TBox{0, 0, 600, 400});
    CHECK(WindowBox(left->Handle()) == TBox{0, 0, 162, 359});
    CHECK(WindowBox(leftInner->Handle()) == TBox{8, 8, 146, 343});
    CHECK(WindowBox(bottom->Handle()) == TBox{0, 359, 600, 41});
    CHECK(WindowBox(restInner->Handle()) == TBox{2, 2, 434, 355});

    SUBCASE("a new size of the parent")
    {
        form.SetClientWidth(700);
        CHECK(WindowBox(bottom->Handle()) == TBox{0, 359, 700, 41});
        CHECK(WindowBox(rest->Handle()) == TBox{162, 0, 538, 359});
    }
    SUBCASE("a hidden control takes no room")
    {
        left->SetVisible(false);
        CHECK(WindowBox(rest->Handle()) == TBox{0, 0, 600, 359});
    }
    SUBCASE("bevels take room inside the border width")
    {
        left->SetBevelOuter(bvRaised);
        left->SetBevelInner(bvLowered);
        CHECK(WindowBox(leftInner->Handle()) == TBox{10, 10, 142, 339});
    }
    SUBCASE("a window border is outside the client area, and the 3-D look changes it in place")
    {
        HWND window = leftInner->Handle();
        TPanel* content = NewPanel(*leftInner, alClient, 10);
        leftInner->SetBorderStyle(bsSingle);
        CHECK(ClientBox(window) == TBox{0, 0, 142, 339});
        CHECK(FieldBox(*content) == TBox{0, 0, 142, 339});
        form.SetCtl3D(false);
        CHECK(leftInner->Handle() == window);
        CHECK((StyleOf(window) & WS_BORDER) != 0);
        CHECK(ClientBox(window) == TBox{0, 0, 144, 341});
        CHECK(WindowBox(content->Handle()) == TBox{0, 0, 144, 341});
    }
}

TEST_CASE("controls of one alignment stack in the order of their places")
{
    THostForm form;
    TPanel host(&form);
    host.SetParent(&form);
    host.SetBevelOuter(bvNone);
    host.SetBounds(0, 0, 200, 100);
    // As the form reader does: every place is read before the first layout.
    host.BeginLoading();
    TPanel* a = NewPanel(host, alTop, 10);
    TPanel* b = NewPanel(host, alTop, 10);
    TPanel* right1 = NewPanel(host, alRight, 30);
    TPanel* right2 = NewPanel(host, alRight, 40);
    a->SetTop(50);
    right2->SetLeft(160);
    host.EndLoading();
    CHECK(FieldBox(*b) == TBox{0, 0, 200, 10});
    CHECK(FieldBox(*a) == TBox{0, 10, 200, 10});
    CHECK(FieldBox(*right2) == TBox{160, 20, 40, 80});
    CHECK(FieldBox(*right1) == TBox{130, 20, 30, 80});
}

TEST_CASE("the tab order is the order of the windows for the Tab key")
{
    THostForm form;
    TEdit a(&form), b(&form), c(&form);
    for (TEdit* edit : {&a, &b, &c})
        edit->SetParent(&form);
    c.SetTabOrder(0);
    CHECK(a.TabOrder() == 1);
    CHECK(b.TabOrder() == 2);
    CHECK(c.TabOrder() == 0);
    form.Show();
    CHECK(GetNextDlgTabItem(form.Handle(), c.Handle(), FALSE) == a.Handle());
    CHECK(GetNextDlgTabItem(form.Handle(), a.Handle(), FALSE) == b.Handle());
    b.SetTabOrder(0);
    CHECK(GetNextDlgTabItem(form.Handle(), b.Handle(), FALSE) == c.Handle());
    CHECK(GetNextDlgTabItem(form.Handle(), c.Handle(), FALSE) == a.Handle());
}

TEST_CASE("notifications sent to a parent reach the control that sent them")
{
    THostForm form;
    TPanel panel(&form);
    panel.SetParent(&form);
    panel.SetColor(clWhite);
    TButton button(&form);
    button.SetParent(&panel);
    TLabel label(&form);
    label.SetParent(&panel);
    label.SetTop(40);
    label.Font()->SetColor(clBlue);
    form.Show();

    int clicks = 0;
    TObject* sender = nullptr;
    button.OnClick = [&](TObject* s) {
        ++clicks;
        sender = s;
    };
    SendMessageA(button.Handle(), BM_CLICK, 0, 0);
    CHECK(clicks == 1);
    CHECK(sender == &button);

    // The label paints with its parent's colour and its own font colour.
    HDC dc = GetDC(label.Handle());
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(panel.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label.Handle())));
    LOGBRUSH info{};
    GetObjectA(brush, sizeof(info), &info);
    CHECK(info.lbColor == RGB(255, 255, 255));
    CHECK(GetBkColor(dc) == RGB(255, 255, 255));
    CHECK(GetTextColor(dc) == RGB(0, 0, 255));
    ReleaseDC(label.Handle(), dc);
}

TEST_CASE("an exception in an event handler goes to the error display, and the program goes on")
{
    TErrorRecorder errors;
    THostForm form;
    TButton button(&form);
    button.SetParent(&form);
    form.Show();
    int clicks = 0;

    SUBCASE("an Exception shows its text")
    {
        button.OnClick = [&](TObject*) {
            ++clicks;
            throw Exception("Invalid data type for 'ProgramFilesDir'");
        };
        SendMessageA(button.Handle(), BM_CLICK, 0, 0);
        SendMessageA(button.Handle(), BM_CLICK, 0, 0);
        CHECK(errors.Texts ==
              std::vector<std::string>{"Invalid data type for 'ProgramFilesDir'", "Invalid data type for 'ProgramFilesDir'"});
    }
    SUBCASE("anything else is shown as an unexpected error")
    {
        button.OnClick = [&](TObject*) {
            ++clicks;
            throw 42;
        };
        SendMessageA(button.Handle(), BM_CLICK, 0, 0);
        SendMessageA(button.Handle(), BM_CLICK, 0, 0);
        CHECK(errors.Texts == std::vector<std::string>{"An unexpected error occurred", "An unexpected error occurred"});
    }
    CHECK(clicks == 2);
    CHECK(IsWindow(button.Handle()));
}

}  // TEST_SUITE
