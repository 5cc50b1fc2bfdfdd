// TLabel, TCustomEdit, TEdit, TMemo, TCheckBox and TButton.
#include "StdCtrls.h"

#include <windowsx.h>


// --- TLabel

const TClassInfo& TLabel::StaticClassInfo()
{
    using L = TLabel;
    namespace P = ControlProperties;
    static const TClassInfo info{
        .Name = "TLabel",
        .Parent = &TWinControl::StaticClassInfo(),
        .Properties = {P::Align(), BoolProperty<L>("AutoSize", &L::AutoSize, &L::SetAutoSize), P::Caption(),
                       P::Color(), P::ParentColor(), P::Font(), P::ParentFont(),
                       BoolProperty<L>("ShowAccelChar", &L::ShowAccelChar, &L::SetShowAccelChar),
                       BoolProperty<L>("Transparent", &L::Transparent, &L::SetTransparent), P::Visible(),
                       BoolProperty<L>("WordWrap", &L::WordWrap, &L::SetWordWrap), P::OnClick()},
        .Create = [](TComponent* owner) -> TComponent* { return new TLabel(owner); }};
    return info;
}

TLabel::TLabel(TComponent* owner) : TWinControl(owner)
{
    SetParentColor(true);
    SetBounds(0, 0, 65, 17);
}

void TLabel::SetAutoSize(bool value)
{
    if (ChangeField(FAutoSize, value))
        AdjustBounds();
}

void TLabel::SetWordWrap(bool value)
{
    if (!ChangeField(FWordWrap, value))
        return;
    RecreateWnd();
    AdjustBounds();
}

void TLabel::SetTransparent(bool value)
{
    if (ChangeField(FTransparent, value))
        Invalidate();
}

void TLabel::SetShowAccelChar(bool value)
{
    if (!ChangeField(FShowAccelChar, value))
        return;
    RecreateWnd();
    AdjustBounds();
}

void TLabel::SetBounds(int left, int top, int width, int height)
{
    TWinControl::SetBounds(left, top, width, height);
    AdjustBounds();
}

void TLabel::AdjustBounds()
{
    if (!FAutoSize || IsLoading())
        return;
    TScreenDC dc(GetDC(nullptr));
    const auto font = SelectForScope(dc.get(), Font()->Handle());
    // An empty label keeps the height of one line.
    std::string text = Caption();
    if (text.empty() || (FShowAccelChar && text == "&"))
        text += ' ';
    RECT rect{0, 0, FWordWrap ? FWidth : 0, 0};
    const UINT flags = DT_CALCRECT | DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | (FShowAccelChar ? 0 : DT_NOPREFIX);
    // Measured in UTF-16: GDI's A functions read the system's code page, not the program's.
    const std::wstring wide = WideFromAnsi(text);
    DrawTextW(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &rect, flags);
    // The parent fixes the width of a label aligned to the top, bottom or client, and the height
    // of one aligned to the left, right or client.
    const TAlign align = Align();
    const int width = FWordWrap || align == alTop || align == alBottom || align == alClient ? FWidth : rect.right;
    const int height = align == alLeft || align == alRight || align == alClient ? FHeight : rect.bottom;
    TWinControl::SetBounds(FLeft, FTop, width, height);
}

void TLabel::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.SystemClassName = "STATIC";
    params.NativeClassName = true;  // known by its class name, it names the control after it for a screen reader
    params.Style |= SS_NOTIFY | (FWordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP);
    if (!FShowAccelChar)
        params.Style |= SS_NOPREFIX;
}

void TLabel::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case CN_COMMAND:
        if (HIWORD(message.WParam) == STN_CLICKED)
            Click();
        return;
    case CN_CTLCOLORSTATIC:
        if (FTransparent && Parent()) {
            HDC dc = reinterpret_cast<HDC>(message.WParam);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, ColorToRGB(Font()->Color()));
            message.Result = reinterpret_cast<LRESULT>(Parent()->Brush());
            return;
        }
        break;
    }
    TWinControl::WndProc(message);
}

void TLabel::TextChanged()
{
    TWinControl::TextChanged();
    AdjustBounds();
}

void TLabel::FontChanged()
{
    TWinControl::FontChanged();
    AdjustBounds();
}

void TLabel::Loaded()
{
    TWinControl::Loaded();
    AdjustBounds();
}

// --- TCustomEdit

const TClassInfo& TCustomEdit::StaticClassInfo()
{
    static const TClassInfo info{.Name = "TCustomEdit", .Parent = &TWinControl::StaticClassInfo()};
    return info;
}

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner)
{
    SetColor(clWindow);
    SetTabStop(true);
    SetBorderStyle(bsSingle);
}

void TCustomEdit::SetReadOnly(bool value)
{
    if (!ChangeField(FReadOnly, value))
        return;
    if (FHandle)
        SendMessageA(FHandle, EM_SETREADONLY, value, 0);
}

void TCustomEdit::SetMaxLength(int value)
{
    if (!ChangeField(FMaxLength, value))
        return;
    if (FHandle)
        SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(value), 0);
}

int TCustomEdit::SelStart()
{
    DWORD start = 0;
    SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int value)
{
    SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(value), value);
}

int TCustomEdit::SelLength()
{
    DWORD start = 0, end = 0;
    SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int value)
{
    const int start = SelStart();
    SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(start), start + value);
}

std::wstring TCustomEdit::WideText() const
{
    if (!FHandle)
        return WideFromAnsi(Text());
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(FHandle)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(FHandle, text.data(), static_cast<int>(text.size()))));
    return text;
}

void TCustomEdit::SetWideText(const std::wstring& value)
{
    if (!FHandle)
        return SetText(AnsiFromWide(value));
    {
        const TScopedValue setting(FSettingText, true);
        SetWindowTextW(FHandle, value.c_str());
    }
    ReadTextFromWindow();
    Change();
}

void TCustomEdit::SelectAll()
{
    if (FHandle)
        SendMessageA(FHandle, EM_SETSEL, 0, -1);
}

void TCustomEdit::Change()
{
    if (OnChange && !IsLoading())
        OnChange(this);
}

void TCustomEdit::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.SystemClassName = "EDIT";
    // Known by its class name, an edit box gets the system's own accessibility object: named after
    // the label before it, with its text as its value and its read-only state.
    params.NativeClassName = true;
    // What is typed or pasted stays as typed, even where the code page has no spelling of it, so
    // that the program can tell such a text from one the code page holds.
    params.Unicode = true;
    params.Style |= ES_AUTOHSCROLL;
    if (FReadOnly)
        params.Style |= ES_READONLY;
}

void TCustomEdit::CreateWnd()
{
    {
        const TScopedValue setting(FSettingText, true);
        TWinControl::CreateWnd();
    }
    SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomEdit::WndProc(TMessage& message)
{
    if (message.Msg == CN_COMMAND) {
        if (HIWORD(message.WParam) == EN_CHANGE && !FSettingText && ReadTextFromWindow())
            TextChangedByUser();
        return;
    }
    TWinControl::WndProc(message);
}

void TCustomEdit::TextChanged()
{
    {
        const TScopedValue setting(FSettingText, true);
        TWinControl::TextChanged();
    }
    Change();
}

void TCustomEdit::TextChangedByUser()
{
    Change();
}

// --- TEdit

const TClassInfo& TEdit::StaticClassInfo()
{
    using E = TEdit;
    namespace P = ControlProperties;
    static const TClassInfo info{
        .Name = "TEdit",
        .Parent = &TCustomEdit::StaticClassInfo(),
        .Properties = {P::Align(),
                       EnumProperty<E, TBorderStyle>("BorderStyle", BorderStyleInfo(), &E::BorderStyle, &E::SetBorderStyle),
                       P::Color(), P::Ctl3D(), P::ParentCtl3D(), P::Font(), P::ParentFont(),
                       IntProperty<E>("MaxLength", &E::MaxLength, &E::SetMaxLength),
                       BoolProperty<E>("ReadOnly", &E::ReadOnly, &E::SetReadOnly), P::TabOrder(),
                       P::TabStop(), P::Text(), P::Visible(), EventProperty<TCustomEdit>("OnChange", &TCustomEdit::OnChange),
                       P::OnEnter(), P::OnExit()},
        .Create = [](TComponent* owner) -> TComponent* { return new TEdit(owner); }};
    return info;
}

TEdit::TEdit(TComponent* owner) : TCustomEdit(owner)
{
    SetBounds(0, 0, 121, 21);
}

// --- TMemo

const TEnumInfo& ScrollStyleInfo()
{
    static const TEnumInfo info{{"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}};
    return info;
}

const TClassInfo& TMemo::StaticClassInfo()
{
    using M = TMemo;
    namespace P = ControlProperties;
    static const TClassInfo info{
        .Name = "TMemo",
        .Parent = &TCustomEdit::StaticClassInfo(),
        .Properties = {P::Align(),
                       EnumProperty<M, TBorderStyle>("BorderStyle", BorderStyleInfo(), &M::BorderStyle, &M::SetBorderStyle),
                       P::Color(), P::Ctl3D(), P::ParentCtl3D(), P::Font(), P::ParentFont(),
                       ObjectProperty<M>("Lines", [](M& m) -> TPersistent* { return m.Lines(); }),
                       IntProperty<M>("MaxLength", &M::MaxLength, &M::SetMaxLength),
                       BoolProperty<M>("ReadOnly", &M::ReadOnly, &M::SetReadOnly),
                       EnumProperty<M, TScrollStyle>("ScrollBars", ScrollStyleInfo(), &M::ScrollBars, &M::SetScrollBars),
                       P::TabOrder(), P::TabStop(), P::Visible(),
                       BoolProperty<M>("WordWrap", &M::WordWrap, &M::SetWordWrap),
                       EventProperty<TCustomEdit>("OnChange", &TCustomEdit::OnChange), P::OnEnter(), P::OnExit()},
        .Create = [](TComponent* owner) -> TComponent* { return new TMemo(owner); }};
    return info;
}

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner)
{
    SetBounds(0, 0, 185, 89);
    FLines.OnChange = [this](TObject*) {
        if (FUpdatingLines)
            return;
        SetText(FLines.Text());
    };
}

void TMemo::SetScrollBars(TScrollStyle value)
{
    if (ChangeField(FScrollBars, value))
        RecreateWnd();
}

void TMemo::SetWordWrap(bool value)
{
    if (ChangeField(FWordWrap, value))
        RecreateWnd();
}

void TMemo::CreateParams(TCreateParams& params)
{
    TCustomEdit::CreateParams(params);
    params.Style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
    if (FWordWrap)
        params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        params.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
        params.Style |= WS_HSCROLL;
}

void TMemo::WndProc(TMessage& message)
{
    if (message.Msg == WM_GETDLGCODE) {
        // Tab moves on to the next control rather than into the text.
        TCustomEdit::WndProc(message);
        const auto* key = reinterpret_cast<const MSG*>(message.LParam);
        if (message.WParam == VK_TAB || (key && key->message == WM_KEYDOWN && key->wParam == VK_TAB))
            message.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
        return;
    }
    TCustomEdit::WndProc(message);
}

void TMemo::TextChanged()
{
    if (!FUpdatingLines) {
        const TScopedValue updating(FUpdatingLines, true);
        FLines.SetText(Text());
    }
    TCustomEdit::TextChanged();
}

void TMemo::TextChangedByUser()
{
    {
        const TScopedValue updating(FUpdatingLines, true);
        FLines.SetText(Text());
    }
    TCustomEdit::TextChangedByUser();
}

// --- TCheckBox

const TEnumInfo& CheckBoxStateInfo()
{
    static const TEnumInfo info{{"cbUnchecked", "cbChecked", "cbGrayed"}};
    return info;
}

const TClassInfo& TCheckBox::StaticClassInfo()
{
    using C = TCheckBox;
    namespace P = ControlProperties;
    static const TPropertyInfo state = [] {
        TPropertyInfo info =
            EnumProperty<C, TCheckBoxState>("State", CheckBoxStateInfo(), &C::State, &C::SetState);
        // Checked says it unless the box is grayed.
        info.Stored = [](const TPersistent& o) { return static_cast<const C&>(o).State() == cbGrayed; };
        return info;
    }();
    static const TClassInfo info{
        .Name = "TCheckBox",
        .Parent = &TWinControl::StaticClassInfo(),
        .Properties = {P::Align(), BoolProperty<C>("AllowGrayed", &C::AllowGrayed, &C::SetAllowGrayed),
                       P::Caption(), BoolProperty<C>("Checked", &C::Checked, &C::SetChecked),
                       P::Color(), P::ParentColor(), P::Ctl3D(), P::ParentCtl3D(), P::Font(), P::ParentFont(), state,
                       P::TabOrder(), P::TabStop(), P::Visible(), P::OnClick(), P::OnEnter(), P::OnExit()},
        .Create = [](TComponent* owner) -> TComponent* { return new TCheckBox(owner); }};
    return info;
}

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner)
{
    SetParentColor(true);
    SetTabStop(true);
    SetBounds(0, 0, 97, 17);
}

void TCheckBox::SetState(TCheckBoxState value)
{
    if (!ChangeField(FState, value))
        return;
    if (FHandle)
        SendMessageA(FHandle, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    Click();
}

void TCheckBox::Toggle()
{
    switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
    }
}

void TCheckBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.SystemClassName = "BUTTON";
    // Not an automatic box: Toggle sets the state, so that every change passes SetState.
    params.Style |= BS_3STATE;
}

void TCheckBox::CreateWnd()
{
    TWinControl::CreateWnd();
    SendMessageA(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

void TCheckBox::WndProc(TMessage& message)
{
    if (message.Msg == CN_COMMAND) {
        if (HIWORD(message.WParam) == BN_CLICKED)
            Toggle();
        return;
    }
    TWinControl::WndProc(message);
}

// --- TButton

const TClassInfo& TButton::StaticClassInfo()
{
    namespace P = ControlProperties;
    static const TClassInfo info{
        .Name = "TButton",
        .Parent = &TWinControl::StaticClassInfo(),
        .Properties = {P::Align(), P::Caption(), P::Font(), P::ParentFont(), P::Visible(), P::OnClick()},
        .Create = [](TComponent* owner) -> TComponent* { return new TButton(owner); }};
    return info;
}

TButton::TButton(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 75, 25);
}

void TButton::Click()
{
    TWinControl::Click();
}

void TButton::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.SystemClassName = "BUTTON";
    params.Style |= BS_PUSHBUTTON;
    params.Style &= ~static_cast<DWORD>(WS_TABSTOP);
}

void TButton::Release(bool click)
{
    FTracking = false;
    if (GetCapture() == FHandle)
        ReleaseCapture();
    SendMessageA(FHandle, BM_SETSTATE, FALSE, 0);
    if (click)
        SendMessageA(GetParent(FHandle), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(FHandle), BN_CLICKED),
                     reinterpret_cast<LPARAM>(FHandle));
}

void TButton::WndProc(TMessage& message)
{
    // The native button focuses itself on a click: the mouse is handled here instead.
    switch (message.Msg) {
    case CN_COMMAND:
        if (HIWORD(message.WParam) == BN_CLICKED)
            Click();
        return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (Enabled()) {
            FTracking = true;
            SetCapture(FHandle);
            SendMessageA(FHandle, BM_SETSTATE, TRUE, 0);
        }
        return;
    case WM_MOUSEMOVE:
        if (FTracking) {
            RECT client;
            GetClientRect(FHandle, &client);
            const POINT point{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
            SendMessageA(FHandle, BM_SETSTATE, PtInRect(&client, point), 0);
        }
        return;
    case WM_LBUTTONUP:
        if (FTracking) {
            RECT client;
            GetClientRect(FHandle, &client);
            const POINT point{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
            Release(PtInRect(&client, point) != FALSE);
        }
        return;
    case WM_CAPTURECHANGED:
        if (FTracking && reinterpret_cast<HWND>(message.LParam) != FHandle)
            Release(false);
        break;
    case WM_SETFOCUS: {
        // Given the focus anyway (SetFocus from code): hand it back where it came from.
        // Never to another button, which would hand it straight back.
        HWND previous = reinterpret_cast<HWND>(message.WParam);
        if (!previous || previous == FHandle || !IsWindow(previous) || dynamic_cast<TButton*>(FindControl(previous)))
            previous = GetAncestor(FHandle, GA_ROOT);
        ::SetFocus(previous);
        return;
    }
    }
    TWinControl::WndProc(message);
}
