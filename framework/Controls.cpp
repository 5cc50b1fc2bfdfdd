// TControl and TWinControl: fields, parent links, messages, reflection and the tab order.
#include "Controls.h"

#include "Menus.h"

#include <windowsx.h>

#include <algorithm>

namespace {

// While windows are destroyed on purpose, their focus changes are not reported as events.
int FocusEventsSuppressed = 0;

}  // namespace

TShiftState KeyboardShiftState()
{
    TShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        shift |= SetOf({ssShift});
    if (GetKeyState(VK_MENU) < 0)
        shift |= SetOf({ssAlt});
    if (GetKeyState(VK_CONTROL) < 0)
        shift |= SetOf({ssCtrl});
    return shift;
}

const TClassInfo& TControl::StaticClassInfo()
{
    using C = TControl;
    static const TClassInfo info{
        .Name = "TControl",
        .Parent = &TComponent::StaticClassInfo(),
        .Properties = {
            IntProperty<C>("Left", &C::Left, &C::SetLeft, NoDefault),
            IntProperty<C>("Top", &C::Top, &C::SetTop, NoDefault),
            IntProperty<C>("Width", &C::Width, &C::SetWidth, NoDefault),
            IntProperty<C>("Height", &C::Height, &C::SetHeight, NoDefault),
            ControlProperties::Cursor(),
            ControlProperties::Enabled(),
            ControlProperties::Hint(),
            ControlProperties::ShowHint(),
        }};
    return info;
}

TControl::TControl(TComponent* owner) : TComponent(owner)
{
    FFont.OnChange = [this](TObject*) {
        if (!FTakingParentFont)
            FParentFont = false;
        FontChanged();
    };
    FConstraints.OnChange = [this](TObject*) { SetBounds(FLeft, FTop, FWidth, FHeight); };
}

TControl::~TControl()
{
    SetParent(nullptr);
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == FParent)
        return;
    if (parent == this)
        throw Exception("A control cannot be its own parent");
    if (auto* self = dynamic_cast<TWinControl*>(this); self && self->FHandle) {
        if (parent && parent->FHandle)
            ::SetParent(self->FHandle, parent->FHandle);
        else
            self->DestroyHandle();
    }
    if (FParent)
        FParent->RemoveControl(this);
    FParent = parent;
    if (FParent) {
        FParent->InsertControl(this);
        FollowParent();
    }
}

TComponent* TControl::GetParentComponent() const
{
    return FParent;
}

void TControl::SetParentComponent(TComponent* parent)
{
    if (auto* control = dynamic_cast<TWinControl*>(parent))
        SetParent(control);
}

void TControl::SetVisible(bool value)
{
    if (ChangeField(FVisible, value))
        VisibleChanged();
}

void TControl::VisibleChanged()
{
    if (FParent && FAlign != alNone)
        FParent->Realign();
}

void TControl::SetEnabled(bool value)
{
    if (ChangeField(FEnabled, value))
        EnabledChanged();
}

void TControl::SetText(const std::string& value)
{
    if (ChangeField(FText, value))
        TextChanged();
}

void TControl::SetColor(TColor value)
{
    FParentColor = false;
    if (ChangeField(FColor, value))
        ColorChanged();
}

void TControl::SetParentColor(bool value)
{
    SetParentFlag(FParentColor, value);
}

void TControl::SetParentFont(bool value)
{
    SetParentFlag(FParentFont, value);
}

void TControl::SetCtl3D(bool value)
{
    FParentCtl3D = false;
    if (ChangeField(FCtl3D, value))
        Ctl3DChanged();
}

void TControl::SetParentCtl3D(bool value)
{
    SetParentFlag(FParentCtl3D, value);
}

void TControl::SetShowHint(bool value)
{
    FParentShowHint = false;
    if (ChangeField(FShowHint, value))
        ShowHintChanged();
}

void TControl::SetParentShowHint(bool value)
{
    SetParentFlag(FParentShowHint, value);
}

void TControl::SetBiDiMode(TBiDiMode value)
{
    FParentBiDiMode = false;
    if (ChangeField(FBiDiMode, value))
        BiDiModeChanged();
}

void TControl::SetParentBiDiMode(bool value)
{
    SetParentFlag(FParentBiDiMode, value);
}

void TControl::SetParentFlag(bool& flag, bool value)
{
    if (ChangeField(flag, value))
        FollowParent();
}

void TControl::FollowParent()
{
    if (!FParent)
        return;
    if (FParentFont) {
        const TScopedValue taking(FTakingParentFont, true);
        FFont.Assign(*FParent->Font());
    }
    if (FParentColor && ChangeField(FColor, FParent->Color()))
        ColorChanged();
    if (FParentCtl3D && ChangeField(FCtl3D, FParent->Ctl3D()))
        Ctl3DChanged();
    if (FParentShowHint && ChangeField(FShowHint, FParent->ShowHint()))
        ShowHintChanged();
    if (FParentBiDiMode && ChangeField(FBiDiMode, FParent->BiDiMode()))
        BiDiModeChanged();
}

void TControl::SetPopupMenu(TPopupMenu* value)
{
    if (value == FPopupMenu)
        return;
    // The old menu keeps its notification: it may still name this control as its PopupComponent.
    FPopupMenu = value;
    if (value)
        value->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component && component == FPopupMenu)
        FPopupMenu = nullptr;
}

void TControl::FontChanged() {}

void TControl::ColorChanged() {}

void TControl::Click()
{
    if (OnClick && !IsLoading())
        OnClick(this);
}

const TClassInfo& TWinControl::StaticClassInfo()
{
    static const TClassInfo info{.Name = "TWinControl", .Parent = &TControl::StaticClassInfo()};
    return info;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl()
{
    FInDestructor = true;
    DestroyHandle();
    while (!FControls.empty())
        FControls.back()->SetParent(nullptr);
    SetParent(nullptr);
}

HWND TWinControl::Handle()
{
    HandleNeeded();
    return FHandle;
}

void TWinControl::HandleNeeded()
{
    if (FHandle)
        return;
    // The parent's window brings its visible children's windows, perhaps this one's. A new window
    // may run handlers (a tree fills itself), which may destroy this control.
    const TComponentWatch watch = Watch();
    if (Parent())
        Parent()->HandleNeeded();
    if (watch.Alive() && !FHandle)
        CreateHandle();
}

void TWinControl::CreateHandle()
{
    const TComponentWatch watch = Watch();
    CreateWnd();
    if (!watch.Alive())  // the new window's handlers destroyed the control
        return;
    UpdateZOrder();
    const std::vector<TWinControl*> children = FTabList;
    for (TWinControl* child : children) {
        // A child's handlers may have destroyed this control or a later child.
        if (!watch.Alive())
            return;
        if (std::find(FTabList.begin(), FTabList.end(), child) != FTabList.end() && child->Visible() &&
            !child->FHandle && !child->IsLoading())
            child->CreateHandle();
    }
}

void TWinControl::CreateParams(TCreateParams& params)
{
    params.Caption = Text();
    params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (Visible())
        params.Style |= WS_VISIBLE;
    if (!Enabled())
        params.Style |= WS_DISABLED;
    if (FTabStop)
        params.Style |= WS_TABSTOP;
    params.X = FLeft;
    params.Y = FTop;
    params.Width = FWidth;
    params.Height = FHeight;
    params.WinClassName = ClassInfo().Name;
    switch (BiDiMode()) {
    case bdRightToLeft: params.ExStyle |= WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR | WS_EX_RIGHT; break;
    case bdRightToLeftNoAlign: params.ExStyle |= WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR; break;
    case bdRightToLeftReadingOnly: params.ExStyle |= WS_EX_RTLREADING; break;
    case bdLeftToRight: break;
    }
    if (FBorderStyle == bsSingle) {
        if (Ctl3D())
            params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            params.Style |= WS_BORDER;
    }
}

void TWinControl::DestroyHandle()
{
    if (!FHandle)
        return;
    const TScopedValue quiet(FocusEventsSuppressed, FocusEventsSuppressed + 1);
    // The children's windows take their nodes along, whose handlers may destroy any control.
    const TComponentWatch watch = Watch();
    const std::vector<TWinControl*> children = FTabList;
    for (TWinControl* child : children) {
        if (!watch.Alive())
            return;
        if (std::find(FTabList.begin(), FTabList.end(), child) != FTabList.end())
            child->DestroyHandle();
    }
    if (watch.Alive())
        DestroyWnd();
}

void TWinControl::RecreateWnd()
{
    if (!FHandle)
        return;
    const TComponentWatch watch = Watch();
    DestroyHandle();
    if (watch.Alive())
        CreateHandle();
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam)
{
    TMessage message{msg, wParam, lParam, 0};
    WndProc(message);
    return message.Result;
}

void TWinControl::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        if (ReflectNotification(message))
            return;
        break;
    case CN_CTLCOLORMSGBOX:
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG:
    case CN_CTLCOLORSCROLLBAR:
    case CN_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        SetTextColor(dc, ColorToRGB(Font()->Color()));
        SetBkColor(dc, ColorToRGB(Color()));
        message.Result = reinterpret_cast<LRESULT>(Brush());
        return;
    }
    case WM_ERASEBKGND:
        if (FOwnClass) {
            EraseBackground(reinterpret_cast<HDC>(message.WParam));
            message.Result = 1;
            return;
        }
        break;
    case WM_SETCURSOR:
        if (LOWORD(message.LParam) == HTCLIENT) {
            // The screen's cursor wins everywhere; the control's own only over the control itself.
            TCursor cursor = ScreenCursor;
            if (cursor == crDefault && reinterpret_cast<HWND>(message.WParam) == FHandle)
                cursor = Cursor();
            if (cursor != crDefault) {
                ::SetCursor(CursorHandle(cursor));
                message.Result = TRUE;
                return;
            }
        }
        break;
    case WM_WINDOWPOSCHANGED:
        SyncBounds(*reinterpret_cast<const WINDOWPOS*>(message.LParam));
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MOUSEMOVE:
        if (!HandleMouse(message))
            return;
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
        if (HandleKey(message))
            return;
        break;
    case WM_CONTEXTMENU:
        if (HandleContextMenu(message))
            return;
        break;
    case WM_SETFOCUS:
        DefaultHandler(message);
        DoEnter();
        return;
    case WM_KILLFOCUS:
        DefaultHandler(message);
        DoExit();
        return;
    default:
        // A reflected notification that the control does not handle answers 0.
        if (message.Msg >= CN_BASE && message.Msg < CN_BASE + 0x400)
            return;
    }
    DefaultHandler(message);
}

bool TWinControl::ReflectNotification(TMessage& message)
{
    HWND child = nullptr;
    switch (message.Msg) {
    case WM_NOTIFY:
        child = reinterpret_cast<const NMHDR*>(message.LParam)->hwndFrom;
        break;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
        if (item->CtlType != ODT_MENU)
            child = item->hwndItem;
        break;
    }
    case WM_MEASUREITEM: {
        const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(message.LParam);
        if (item->CtlType != ODT_MENU && FHandle)
            child = GetDlgItem(FHandle, static_cast<int>(item->CtlID));
        break;
    }
    case WM_DELETEITEM:
        child = reinterpret_cast<const DELETEITEMSTRUCT*>(message.LParam)->hwndItem;
        break;
    case WM_COMPAREITEM:
        child = reinterpret_cast<const COMPAREITEMSTRUCT*>(message.LParam)->hwndItem;
        break;
    default:  // WM_COMMAND, the scroll messages and the colour messages carry the window in lParam
        child = reinterpret_cast<HWND>(message.LParam);
    }
    if (!child || child == FHandle || !FindControl(child))
        return false;
    message.Result = SendMessageA(child, CN_BASE + message.Msg, message.WParam, message.LParam);
    return true;
}

void TWinControl::InsertControl(TControl* control)
{
    FControls.push_back(control);
    auto* windowed = dynamic_cast<TWinControl*>(control);
    if (windowed)
        FTabList.push_back(windowed);
    ControlInserted(control);
    if (windowed && FHandle) {
        if (windowed->FHandle)
            windowed->UpdateZOrder();
        else if (windowed->Visible() && !windowed->IsLoading())
            windowed->CreateHandle();
    }
    if (control->Align() != alNone)
        Realign();
}

void TWinControl::RemoveControl(TControl* control)
{
    FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
    std::erase_if(FTabList, [control](TWinControl* item) { return static_cast<TControl*>(item) == control; });
    ControlRemoved(control);
    if (control->Align() != alNone)
        Realign();
}

void TWinControl::ControlInserted(TControl*) {}

void TWinControl::ControlRemoved(TControl*) {}

int TWinControl::TabOrder() const
{
    if (!Parent())
        return -1;
    const auto& list = Parent()->FTabList;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int value)
{
    if (IsLoading()) {
        FRequestedTabOrder = value;
        return;
    }
    if (!Parent() || value < 0)
        return;
    auto& list = Parent()->FTabList;
    const int current = TabOrder();
    value = std::min(value, static_cast<int>(list.size()) - 1);
    if (value == current)
        return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + value, this);
    for (TWinControl* sibling : list)
        sibling->UpdateZOrder();
}

std::vector<TWinControl*> TWinControl::ZOrder() const
{
    std::vector<TWinControl*> ordered;
    for (TWinControl* child : FTabList)
        if (child->HasTabOrder())
            ordered.push_back(child);
    std::vector<TWinControl*> order;
    auto next = ordered.begin();
    for (TControl* control : FControls) {
        auto* child = dynamic_cast<TWinControl*>(control);
        if (!child)
            continue;
        if (!child->HasTabOrder())
            order.push_back(child);
        else if (next != ordered.end())
            order.push_back(*next++);
    }
    return order;
}

void TWinControl::UpdateZOrder()
{
    if (!FHandle || !Parent())
        return;
    HWND after = HWND_TOP;
    for (TWinControl* sibling : Parent()->ZOrder()) {
        if (sibling == this)
            break;
        if (sibling->FHandle)
            after = sibling->FHandle;
    }
    SetWindowPos(FHandle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::SetTabStop(bool value)
{
    if (!ChangeField(FTabStop, value))
        return;
    if (FHandle) {
        const LONG_PTR style = GetWindowLongPtrA(FHandle, GWL_STYLE);
        SetWindowLongPtrA(FHandle, GWL_STYLE, value ? style | WS_TABSTOP : style & ~static_cast<LONG_PTR>(WS_TABSTOP));
    }
}

void TWinControl::SetBorderStyle(TBorderStyle value)
{
    if (ChangeField(FBorderStyle, value))
        BorderStyleChanged();
}

void TWinControl::SetBorderWidth(int value)
{
    if (!ChangeField(FBorderWidth, value))
        return;
    Realign();
    Invalidate();
}

bool TWinControl::Focused() const
{
    return FHandle && GetFocus() == FHandle;
}

void TWinControl::SetFocus()
{
    ::SetFocus(Handle());
}

void TWinControl::Invalidate()
{
    if (FHandle)
        InvalidateRect(FHandle, nullptr, TRUE);
}

HBRUSH TWinControl::Brush()
{
    if (!FBrush)
        FBrush.reset(CreateSolidBrush(ColorToRGB(Color())));
    return FBrush.get();
}

bool TWinControl::ReadTextFromWindow()
{
    if (!FHandle)
        return false;
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(FHandle)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(FHandle, text.data(), static_cast<int>(text.size()))));
    return ChangeField(FText, text);
}

void TWinControl::EraseBackground(HDC dc)
{
    RECT rect;
    GetClientRect(FHandle, &rect);
    FillRect(dc, &rect, Brush());
}

void TWinControl::UpdateFrame()
{
    if (!FHandle)
        return;
    TCreateParams params;
    CreateParams(params);
    constexpr DWORD styleMask = WS_BORDER | WS_DLGFRAME | WS_THICKFRAME;
    // WS_EX_WINDOWEDGE is left alone: the system adds it to captioned windows by itself.
    constexpr DWORD exStyleMask = WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME;
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(FHandle, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(FHandle, GWL_EXSTYLE));
    const DWORD newStyle = (style & ~styleMask) | (params.Style & styleMask);
    const DWORD newExStyle = (exStyle & ~exStyleMask) | (params.ExStyle & exStyleMask);
    if (newStyle == style && newExStyle == exStyle)
        return;
    SetWindowLongPtrA(FHandle, GWL_STYLE, static_cast<LONG_PTR>(newStyle));
    SetWindowLongPtrA(FHandle, GWL_EXSTYLE, static_cast<LONG_PTR>(newExStyle));
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The client area grew or shrank by the border.
    Realign();
    Invalidate();
}

void TWinControl::DoEnter()
{
    if (OnEnter && FocusEventsSuppressed == 0)
        OnEnter(this);
}

void TWinControl::DoExit()
{
    if (OnExit && FocusEventsSuppressed == 0)
        OnExit(this);
}

void TWinControl::KeyDown(WORD& key, TShiftState shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TWinControl::DoContextPopup(POINT mousePos, bool& handled)
{
    if (OnContextPopup)
        OnContextPopup(this, mousePos, handled);
}

bool TWinControl::HandleMouse(const TMessage& message)
{
    const int x = GET_X_LPARAM(message.LParam);
    const int y = GET_Y_LPARAM(message.LParam);
    TShiftState shift = GetKeyState(VK_MENU) < 0 ? SetOf({ssAlt}) : 0;
    const auto keys = message.WParam;
    if (keys & MK_SHIFT)
        shift |= SetOf({ssShift});
    if (keys & MK_CONTROL)
        shift |= SetOf({ssCtrl});
    if (keys & MK_LBUTTON)
        shift |= SetOf({ssLeft});
    if (keys & MK_RBUTTON)
        shift |= SetOf({ssRight});
    if (keys & MK_MBUTTON)
        shift |= SetOf({ssMiddle});
    const HWND window = FHandle;
    TMouseButton button = mbLeft;
    bool down = true;
    switch (message.Msg) {
    case WM_MOUSEMOVE:
        if (!OnMouseMove)
            return true;
        OnMouseMove(this, shift, x, y);
        return StillHas(window, this);
    case WM_LBUTTONDBLCLK: shift |= SetOf({ssDouble}); break;
    case WM_MBUTTONDOWN: button = mbMiddle; break;
    case WM_MBUTTONDBLCLK: button = mbMiddle; shift |= SetOf({ssDouble}); break;
    case WM_RBUTTONDOWN: button = mbRight; break;
    case WM_RBUTTONDBLCLK: button = mbRight; shift |= SetOf({ssDouble}); break;
    case WM_LBUTTONUP: down = false; break;
    case WM_MBUTTONUP: button = mbMiddle; down = false; break;
    case WM_RBUTTONUP: button = mbRight; down = false; break;
    }
    const TMouseEvent& handler = down ? OnMouseDown : OnMouseUp;
    if (!handler)
        return true;
    handler(this, button, shift, x, y);
    return StillHas(window, this);
}

bool TWinControl::StillHas(HWND window, const TWinControl* control)
{
    return !window || FindControl(window) == control;
}

bool TWinControl::HandleKey(TMessage& message)
{
    const HWND window = FHandle;
    if (message.Msg == WM_CHAR) {
        // The event's character is a byte of the code page: of a Unicode window's characters it
        // sees those that read the same either way, the ASCII ones.
        if (!OnKeyPress || (FUnicodeWindow && message.WParam > 0x7F))
            return false;
        char key = static_cast<char>(message.WParam);
        OnKeyPress(this, key);
        message.WParam = static_cast<unsigned char>(key);
        return key == 0 || !StillHas(window, this);
    }
    WORD key = static_cast<WORD>(message.WParam);
    if (message.Msg == WM_KEYDOWN || message.Msg == WM_SYSKEYDOWN)
        KeyDown(key, KeyboardShiftState());
    else if (OnKeyUp)
        OnKeyUp(this, key, KeyboardShiftState());
    message.WParam = key;
    return key == 0 || !StillHas(window, this);
}

bool TWinControl::HandleContextMenu(const TMessage& message)
{
    POINT point{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
    if (point.x == -1 && point.y == -1)
        point = {0, 0};  // a keyboard request: the menu belongs at the control's corner
    else
        ScreenToClient(FHandle, &point);
    RECT client{};
    GetClientRect(FHandle, &client);
    // A request outside the client area (a scroll bar) is not ours.
    if (!PtInRect(&client, point))
        return false;
    bool handled = false;
    // The handler, or a menu it tracks, may destroy the control.
    const HWND window = FHandle;
    DoContextPopup(point, handled);
    if (handled || !StillHas(window, this))
        return true;
    TPopupMenu* menu = PopupMenu();
    if (!menu || !menu->AutoPopup())
        return false;
    ClientToScreen(FHandle, &point);
    menu->SetPopupComponent(this);
    menu->Popup(point.x, point.y, FHandle);
    return true;
}

void TWinControl::Loaded()
{
    TControl::Loaded();
    if (FRequestedTabOrder >= 0)
        SetTabOrder(std::exchange(FRequestedTabOrder, -1));
    Realign();
    if (Parent() && Parent()->FHandle && Visible())
        HandleNeeded();
}

void TWinControl::FontChanged()
{
    TControl::FontChanged();
    if (FHandle)
        SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
    for (TControl* control : FControls)
        control->FollowParent();
}

void TWinControl::ColorChanged()
{
    TControl::ColorChanged();
    FBrush.reset();
    Invalidate();
    for (TControl* control : FControls)
        control->FollowParent();
}

void TWinControl::EnabledChanged()
{
    TControl::EnabledChanged();
    if (FHandle)
        EnableWindow(FHandle, Enabled());
}

void TWinControl::VisibleChanged()
{
    TControl::VisibleChanged();
    if (IsLoading())
        return;
    if (FHandle)
        ShowWindow(FHandle, Visible() ? SW_SHOWNA : SW_HIDE);
    else if (Visible() && Parent() && Parent()->FHandle)
        HandleNeeded();
}

void TWinControl::TextChanged()
{
    TControl::TextChanged();
    if (FHandle)
        SetWindowTextA(FHandle, Text().c_str());
}

void TWinControl::ShowHintChanged()
{
    TControl::ShowHintChanged();
    for (TControl* control : FControls)
        control->FollowParent();
}

void TWinControl::BiDiModeChanged()
{
    TControl::BiDiModeChanged();
    for (TControl* control : FControls)
        control->FollowParent();
    RecreateWnd();
}

void TWinControl::Ctl3DChanged()
{
    TControl::Ctl3DChanged();
    UpdateFrame();
    for (TControl* control : FControls)
        control->FollowParent();
}
