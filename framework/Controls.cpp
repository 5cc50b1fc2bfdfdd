// TControl and TWinControl: fields, layout, window classes, the window procedure and reflection.
#include "Controls.h"

#include "Forms.h"
#include "Menus.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <numeric>

extern "C" IMAGE_DOS_HEADER __ImageBase;

LRESULT CALLBACK StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

namespace {

const char* const ControlProperty = "VeltoControl";

// The control whose CreateWindowEx is running: its window's first message attaches the two.
TWinControl* CreationControl = nullptr;
// While windows are destroyed on purpose, their focus changes are not reported as events.
int FocusEventsSuppressed = 0;

HINSTANCE ThisModule()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

// The native procedure behind each window class we registered.
std::map<std::string, WNDPROC>& ClassProcedures()
{
    static std::map<std::string, WNDPROC> procedures;
    return procedures;
}

void InitCommonControlsOnce()
{
    static const bool done = [] {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES};
        return InitCommonControlsEx(&init) != FALSE;
    }();
    (void)done;
}

// Registers params.WinClassName once; returns the procedure that messages default to.
WNDPROC RegisterWindowClass(const TCreateParams& params)
{
    auto& procedures = ClassProcedures();
    if (auto it = procedures.find(params.WinClassName); it != procedures.end())
        return it->second;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    WNDPROC defaultProcedure = DefWindowProcA;
    if (!params.SystemClassName.empty()) {
        InitCommonControlsOnce();
        if (!GetClassInfoExA(nullptr, params.SystemClassName.c_str(), &windowClass))
            throw Exception("The window class " + params.SystemClassName + " does not exist");
        defaultProcedure = windowClass.lpfnWndProc;
        windowClass.style &= ~CS_GLOBALCLASS;
    } else {
        windowClass.style = params.ClassStyle;
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.hIcon = LoadIconA(ThisModule(), "MAINICON");
        if (!windowClass.hIcon)
            windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    }
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = StdWndProc;
    windowClass.hInstance = ThisModule();
    windowClass.lpszClassName = params.WinClassName.c_str();
    windowClass.hIconSm = nullptr;
    if (!RegisterClassExA(&windowClass))
        throw Exception("The window class " + params.WinClassName + " cannot be registered");
    procedures[params.WinClassName] = defaultProcedure;
    return defaultProcedure;
}

// A control identifier for a new child window; never IDOK or IDCANCEL, which the dialog keys send.
HMENU NextControlId()
{
    static UINT_PTR next = 0x100;
    const UINT_PTR id = next;
    next = next >= 0xFFFF ? 0x100 : next + 1;
    return reinterpret_cast<HMENU>(id);
}

}  // namespace

// --- Names

const TEnumInfo& AlignInfo()
{
    static const TEnumInfo info{{"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}};
    return info;
}

const TEnumInfo& FormBorderStyleInfo()
{
    static const TEnumInfo info{{"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}};
    return info;
}

const TEnumInfo& BorderStyleInfo()
{
    static const TEnumInfo info{{"bsNone", "bsSingle"}};
    return info;
}

const TEnumInfo& AnchorKindInfo()
{
    static const TEnumInfo info{{"akLeft", "akTop", "akRight", "akBottom"}};
    return info;
}

const TEnumInfo& BiDiModeInfo()
{
    static const TEnumInfo info{{"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"}};
    return info;
}

const TIdentMap& CursorIdents()
{
    static const TIdentMap idents{{
        {"crDefault", crDefault},
        {"crNone", crNone},
        {"crArrow", crArrow},
        {"crCross", crCross},
        {"crIBeam", crIBeam},
        {"crSizeAll", crSizeAll},
        {"crHourGlass", crHourGlass},
        {"crNo", crNo},
        {"crAppStart", crAppStart},
        {"crHandPoint", crHandPoint},
    }};
    return idents;
}

HCURSOR CursorHandle(TCursor cursor)
{
    LPCSTR id = nullptr;
    switch (cursor) {
    case crArrow: id = reinterpret_cast<LPCSTR>(IDC_ARROW); break;
    case crCross: id = reinterpret_cast<LPCSTR>(IDC_CROSS); break;
    case crIBeam: id = reinterpret_cast<LPCSTR>(IDC_IBEAM); break;
    case crSizeAll: id = reinterpret_cast<LPCSTR>(IDC_SIZEALL); break;
    case crHourGlass: id = reinterpret_cast<LPCSTR>(IDC_WAIT); break;
    case crNo: id = reinterpret_cast<LPCSTR>(IDC_NO); break;
    case crAppStart: id = reinterpret_cast<LPCSTR>(IDC_APPSTARTING); break;
    case crHandPoint: id = reinterpret_cast<LPCSTR>(IDC_HAND); break;
    default: return nullptr;
    }
    return LoadCursorA(nullptr, id);
}

TWinControl* FindControl(HWND window)
{
    if (!window)
        return nullptr;
    // Another instance of the program names its windows' controls the same way: ours only.
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return nullptr;
    return static_cast<TWinControl*>(GetPropA(window, ControlProperty));
}

// The one window procedure of every control window.
LRESULT CALLBACK StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWinControl* control = static_cast<TWinControl*>(GetPropA(window, ControlProperty));
    if (!control) {
        control = std::exchange(CreationControl, nullptr);
        if (!control) {
            // A window of one of our classes that no control made: the native handling only.
            char name[256] = {};
            GetClassNameA(window, name, sizeof(name));
            const auto it = ClassProcedures().find(name);
            return CallWindowProcA(it != ClassProcedures().end() ? it->second : DefWindowProcA, window, msg, wParam,
                                   lParam);
        }
        control->AttachHandle(window);
    }
    TMessage message{msg, wParam, lParam, 0};
    try {
        if (control->FInDestructor)
            control->DefaultHandler(message);
        else
            control->WndProc(message);
    } catch (const std::exception& e) {
        if (Application)
            Application->HandleException(e);
    } catch (...) {
        if (Application)
            Application->HandleException(Exception("An unexpected error occurred"));
    }
    if (msg == WM_NCDESTROY) {
        RemovePropA(window, ControlProperty);
        if (control->FHandle == window)
            control->FHandle = nullptr;
    }
    return message.Result;
}

// --- TSizeConstraints

const TClassInfo& TSizeConstraints::StaticClassInfo()
{
    using C = TSizeConstraints;
    static const TClassInfo info{
        .Name = "TSizeConstraints",
        .Parent = &TPersistent::StaticClassInfo(),
        .Properties = {
            IntProperty<C>("MaxHeight", &C::MaxHeight, &C::SetMaxHeight, 0),
            IntProperty<C>("MaxWidth", &C::MaxWidth, &C::SetMaxWidth, 0),
            IntProperty<C>("MinHeight", &C::MinHeight, &C::SetMinHeight, 0),
            IntProperty<C>("MinWidth", &C::MinWidth, &C::SetMinWidth, 0),
        }};
    return info;
}

void TSizeConstraints::Change(int& field, int value)
{
    value = std::max(0, value);
    if (value == field)
        return;
    field = value;
    if (OnChange)
        OnChange(this);
}

int TSizeConstraints::Clamp(int size, int min, int max)
{
    if (min > 0)
        size = std::max(size, min);
    if (max > 0)
        size = std::min(size, max);
    return size;
}

// --- TControl

const TClassInfo& TControl::StaticClassInfo()
{
    using C = TControl;
    static const TClassInfo info{
        .Name = "TControl",
        .Parent = &TComponent::StaticClassInfo(),
        .Properties = {
            IntProperty<C>("Left", &C::Left, &C::SetLeft),
            IntProperty<C>("Top", &C::Top, &C::SetTop),
            IntProperty<C>("Width", &C::Width, &C::SetWidth),
            IntProperty<C>("Height", &C::Height, &C::SetHeight),
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
        ParentFontChanged();
        ParentColorChanged();
        ParentCtl3DChanged();
        ParentShowHintChanged();
        ParentBiDiModeChanged();
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

void TControl::SetBounds(int left, int top, int width, int height)
{
    width = FConstraints.ClampWidth(width);
    height = FConstraints.ClampHeight(height);
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight)
        return;
    const int oldWidth = FWidth;
    const int oldHeight = FHeight;
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    BoundsChanged(oldWidth, oldHeight);
}

void TControl::BoundsChanged(int, int)
{
    if (FParent && FAlign != alNone)
        FParent->Realign();
}

void TControl::SetAlign(TAlign value)
{
    if (value == FAlign)
        return;
    FAlign = value;
    if (FParent)
        FParent->Realign();
}

void TControl::SetVisible(bool value)
{
    if (value == FVisible)
        return;
    FVisible = value;
    VisibleChanged();
}

void TControl::VisibleChanged()
{
    if (FParent && FAlign != alNone)
        FParent->Realign();
}

void TControl::SetEnabled(bool value)
{
    if (value == FEnabled)
        return;
    FEnabled = value;
    EnabledChanged();
}

void TControl::SetText(const std::string& value)
{
    if (value == FText)
        return;
    FText = value;
    TextChanged();
}

void TControl::SetColor(TColor value)
{
    if (value == FColor)
        return;
    FColor = value;
    FParentColor = false;
    ColorChanged();
}

void TControl::SetParentColor(bool value)
{
    if (value == FParentColor)
        return;
    FParentColor = value;
    if (value)
        ParentColorChanged();
}

void TControl::SetParentFont(bool value)
{
    if (value == FParentFont)
        return;
    FParentFont = value;
    if (value)
        ParentFontChanged();
}

void TControl::SetCtl3D(bool value)
{
    if (value == FCtl3D)
        return;
    FCtl3D = value;
    FParentCtl3D = false;
    Ctl3DChanged();
}

void TControl::SetParentCtl3D(bool value)
{
    if (value == FParentCtl3D)
        return;
    FParentCtl3D = value;
    if (value)
        ParentCtl3DChanged();
}

void TControl::SetShowHint(bool value)
{
    FParentShowHint = false;
    if (value == FShowHint)
        return;
    FShowHint = value;
    ShowHintChanged();
}

void TControl::SetParentShowHint(bool value)
{
    if (value == FParentShowHint)
        return;
    FParentShowHint = value;
    if (value)
        ParentShowHintChanged();
}

void TControl::SetBiDiMode(TBiDiMode value)
{
    FParentBiDiMode = false;
    if (value == FBiDiMode)
        return;
    FBiDiMode = value;
    BiDiModeChanged();
}

void TControl::SetParentBiDiMode(bool value)
{
    if (value == FParentBiDiMode)
        return;
    FParentBiDiMode = value;
    if (value)
        ParentBiDiModeChanged();
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

void TControl::ParentFontChanged()
{
    if (!FParentFont || !FParent)
        return;
    const TScopedValue taking(FTakingParentFont, true);
    FFont.Assign(*FParent->Font());
}

void TControl::ParentColorChanged()
{
    if (!FParentColor || !FParent || FColor == FParent->Color())
        return;
    FColor = FParent->Color();
    ColorChanged();
}

void TControl::ParentCtl3DChanged()
{
    if (!FParentCtl3D || !FParent || FCtl3D == FParent->Ctl3D())
        return;
    FCtl3D = FParent->Ctl3D();
    Ctl3DChanged();
}

void TControl::ParentShowHintChanged()
{
    if (!FParentShowHint || !FParent || FShowHint == FParent->ShowHint())
        return;
    FShowHint = FParent->ShowHint();
    ShowHintChanged();
}

void TControl::ParentBiDiModeChanged()
{
    if (!FParentBiDiMode || !FParent || FBiDiMode == FParent->BiDiMode())
        return;
    FBiDiMode = FParent->BiDiMode();
    BiDiModeChanged();
}

void TControl::ChangeScale(int multiplier, int divisor)
{
    const auto scale = [multiplier, divisor](int length) { return MulDiv(length, multiplier, divisor); };
    // Recorded first: a parent laid out while this control moves already asks for the new scale.
    FScaleMultiplier *= multiplier;
    FScaleDivisor *= divisor;
    const int common = std::gcd(FScaleMultiplier, FScaleDivisor);
    FScaleMultiplier /= common;
    FScaleDivisor /= common;
    // The edges are scaled, not the sizes: controls that met at design time still meet.
    const int left = scale(FLeft);
    const int top = scale(FTop);
    const int right = scale(FLeft + FWidth);
    const int bottom = scale(FTop + FHeight);
    FConstraints.SetMinWidth(scale(FConstraints.MinWidth()));
    FConstraints.SetMinHeight(scale(FConstraints.MinHeight()));
    FConstraints.SetMaxWidth(scale(FConstraints.MaxWidth()));
    FConstraints.SetMaxHeight(scale(FConstraints.MaxHeight()));
    SetBounds(left, top, right - left, bottom - top);
    // A font taken from the parent follows the parent's, which scales its own.
    if (!FParentFont)
        FFont.SetHeight(scale(FFont.Height()));
}

void TControl::Click()
{
    if (OnClick && !IsLoading())
        OnClick(this);
}

// --- TWinControl

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
    // The parent's window brings its visible children's windows, perhaps this one's.
    if (Parent())
        Parent()->HandleNeeded();
    if (!FHandle)
        CreateHandle();
}

void TWinControl::CreateHandle()
{
    CreateWnd();
    UpdateZOrder();
    const std::vector<TWinControl*> children = FTabList;
    for (TWinControl* child : children)
        if (child->Visible() && !child->FHandle && !child->IsLoading())
            child->CreateHandle();
}

void TWinControl::AttachHandle(HWND window)
{
    FHandle = window;
    SetPropA(window, ControlProperty, this);
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
}

void TWinControl::CreateWnd()
{
    TCreateParams params;
    CreateParams(params);
    HMENU id = nullptr;
    if (params.Style & WS_CHILD) {
        if (!params.WndParent) {
            if (!Parent())
                throw Exception("Control '" + Name() + "' has no parent window");
            params.WndParent = Parent()->Handle();
        }
        id = NextControlId();
    }
    const bool nativeClass = params.NativeClassName && !params.SystemClassName.empty();
    HWND window = nullptr;
    if (nativeClass) {
        InitCommonControlsOnce();
        FOwnClass = false;
        window = CreateWindowExA(params.ExStyle, params.SystemClassName.c_str(), params.Caption.c_str(), params.Style,
                                 params.X, params.Y, params.Width, params.Height, params.WndParent, id, ThisModule(),
                                 nullptr);
        if (window) {
            FDefWndProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StdWndProc)));
            AttachHandle(window);
        }
    } else {
        FDefWndProc = RegisterWindowClass(params);
        FOwnClass = params.SystemClassName.empty();
        CreationControl = this;
        window = CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style,
                                 params.X, params.Y, params.Width, params.Height, params.WndParent, id, ThisModule(),
                                 nullptr);
        CreationControl = nullptr;
    }
    if (!window)
        throw Exception("The window of '" + Name() + "' cannot be created (error " + std::to_string(GetLastError()) +
                        ")");
    if (!FHandle)
        AttachHandle(window);
    SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), FALSE);
}

void TWinControl::DestroyWnd()
{
    if (FHandle && !DestroyWindow(FHandle)) {
        RemovePropA(FHandle, ControlProperty);
        FHandle = nullptr;
    }
    FHandle = nullptr;
}

void TWinControl::DestroyHandle()
{
    if (!FHandle)
        return;
    const TScopedValue quiet(FocusEventsSuppressed, FocusEventsSuppressed + 1);
    const std::vector<TWinControl*> children = FTabList;
    for (TWinControl* child : children)
        child->DestroyHandle();
    DestroyWnd();
}

void TWinControl::RecreateWnd()
{
    if (!FHandle)
        return;
    DestroyHandle();
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
            TCursor cursor = Screen ? Screen->Cursor() : crDefault;
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

void TWinControl::DefaultHandler(TMessage& message)
{
    if (FHandle && FDefWndProc)
        message.Result = CallWindowProcA(FDefWndProc, FHandle, message.Msg, message.WParam, message.LParam);
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

void TWinControl::SyncBounds(const WINDOWPOS& position)
{
    if (IsIconic(FHandle))
        return;
    int left = FLeft, top = FTop, width = FWidth, height = FHeight;
    if (!(position.flags & SWP_NOMOVE)) {
        left = position.x;
        top = position.y;
    }
    if (!(position.flags & SWP_NOSIZE)) {
        width = position.cx;
        height = position.cy;
    }
    const TScopedValue syncing(FSyncingBounds, true);
    SetBounds(left, top, width, height);
}

void TWinControl::BoundsChanged(int oldWidth, int oldHeight)
{
    if (FHandle && !FSyncingBounds)
        SetWindowPos(FHandle, nullptr, FLeft, FTop, FWidth, FHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    if (FWidth != oldWidth || FHeight != oldHeight)
        Realign();
    TControl::BoundsChanged(oldWidth, oldHeight);
}

RECT TWinControl::ClientRect() const
{
    RECT rect{0, 0, 0, 0};
    if (FHandle) {
        GetClientRect(FHandle, &rect);
        return rect;
    }
    // CreateParams only reads the fields; it is not const so that overrides may use non-const getters.
    TCreateParams params;
    const_cast<TWinControl*>(this)->CreateParams(params);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
    rect.right = std::max(0, FWidth - static_cast<int>(frame.right - frame.left));
    rect.bottom = std::max(0, FHeight - static_cast<int>(frame.bottom - frame.top));
    return rect;
}

void TWinControl::AdjustClientRect(RECT& rect)
{
    InflateRect(&rect, -FBorderWidth, -FBorderWidth);
}

void TWinControl::Realign()
{
    if (FAligning || FInDestructor)
        return;
    RECT rect = ClientRect();
    // The form text places the children for the size it gives the parent: that is where they start.
    if (IsLoading()) {
        FAnchorClient = SIZE{rect.right, rect.bottom};
        return;
    }
    const TScopedValue aligning(FAligning, true);
    AnchorControls({rect.right, rect.bottom});
    AdjustClientRect(rect);
    AlignControls(rect);
}

void TWinControl::AnchorControls(SIZE client)
{
    const std::optional<SIZE> previous = std::exchange(FAnchorClient, client);
    if (!previous)
        return;
    const int dx = client.cx - previous->cx;
    const int dy = client.cy - previous->cy;
    if (dx == 0 && dy == 0)
        return;
    // Along each axis: anchored to the far edge only, the control moves; to both, it stretches;
    // to neither, it keeps its place relative to the middle.
    const auto follow = [](TAnchors anchors, TAnchorKind nearEdge, TAnchorKind farEdge, int delta, int& pos,
                           int& size) {
        if (InSet(anchors, farEdge)) {
            if (InSet(anchors, nearEdge))
                size = std::max(0, size + delta);
            else
                pos += delta;
        } else if (!InSet(anchors, nearEdge)) {
            pos += delta / 2;
        }
    };
    const std::vector<TControl*> controls = FControls;
    for (TControl* control : controls) {
        if (control->Align() != alNone)
            continue;
        int left = control->Left(), top = control->Top(), width = control->Width(), height = control->Height();
        follow(control->Anchors(), akLeft, akRight, dx, left, width);
        follow(control->Anchors(), akTop, akBottom, dy, top, height);
        control->SetBounds(left, top, width, height);
    }
}

void TWinControl::AlignControls(RECT& rect)
{
    for (const TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<TControl*> list;
        for (TControl* control : FControls)
            if (control->Align() == align && control->Visible())
                list.push_back(control);
        // Controls of one alignment keep the order of their places; ties keep the list order.
        std::stable_sort(list.begin(), list.end(), [align](const TControl* a, const TControl* b) {
            switch (align) {
            case alTop: return a->Top() < b->Top();
            case alBottom: return a->Top() + a->Height() > b->Top() + b->Height();
            case alLeft: return a->Left() < b->Left();
            case alRight: return a->Left() + a->Width() > b->Left() + b->Width();
            default: return false;
            }
        });
        for (TControl* control : list) {
            const int width = std::max(0, static_cast<int>(rect.right - rect.left));
            const int height = std::max(0, static_cast<int>(rect.bottom - rect.top));
            // A control may change its own size when placed (a label sizing to its text): the
            // second call puts it at the edge with the size it took.
            switch (align) {
            case alTop:
                control->SetBounds(rect.left, rect.top, width, control->Height());
                rect.top += control->Height();
                break;
            case alBottom:
                control->SetBounds(rect.left, rect.bottom - control->Height(), width, control->Height());
                control->SetBounds(rect.left, rect.bottom - control->Height(), control->Width(), control->Height());
                rect.bottom -= control->Height();
                break;
            case alLeft:
                control->SetBounds(rect.left, rect.top, control->Width(), height);
                rect.left += control->Width();
                break;
            case alRight:
                control->SetBounds(rect.right - control->Width(), rect.top, control->Width(), height);
                control->SetBounds(rect.right - control->Width(), rect.top, control->Width(), control->Height());
                rect.right -= control->Width();
                break;
            default:
                control->SetBounds(rect.left, rect.top, width, height);
            }
        }
    }
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
    if (value == FTabStop)
        return;
    FTabStop = value;
    if (FHandle) {
        const LONG_PTR style = GetWindowLongPtrA(FHandle, GWL_STYLE);
        SetWindowLongPtrA(FHandle, GWL_STYLE, value ? style | WS_TABSTOP : style & ~static_cast<LONG_PTR>(WS_TABSTOP));
    }
}

void TWinControl::SetBorderWidth(int value)
{
    if (value == FBorderWidth)
        return;
    FBorderWidth = value;
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
    if (text == FText)
        return false;
    FText = std::move(text);
    return true;
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

void TWinControl::ChangeScale(int multiplier, int divisor)
{
    TControl::ChangeScale(multiplier, divisor);
    SetBorderWidth(MulDiv(FBorderWidth, multiplier, divisor));
    const std::vector<TControl*> controls = FControls;
    for (TControl* control : controls)
        control->ChangeScale(multiplier, divisor);
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
        control->ParentFontChanged();
}

void TWinControl::ColorChanged()
{
    TControl::ColorChanged();
    FBrush.reset();
    Invalidate();
    for (TControl* control : FControls)
        control->ParentColorChanged();
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
        control->ParentShowHintChanged();
}

void TWinControl::BiDiModeChanged()
{
    TControl::BiDiModeChanged();
    for (TControl* control : FControls)
        control->ParentBiDiModeChanged();
    RecreateWnd();
}

void TWinControl::Ctl3DChanged()
{
    TControl::Ctl3DChanged();
    UpdateFrame();
    for (TControl* control : FControls)
        control->ParentCtl3DChanged();
}

// --- Shared table entries

namespace ControlProperties {

TPropertyInfo Align()
{
    return EnumProperty<TControl, TAlign>("Align", AlignInfo(), &TControl::Align, &TControl::SetAlign, alNone);
}

TPropertyInfo Visible(bool def)
{
    return BoolProperty<TControl>("Visible", &TControl::Visible, &TControl::SetVisible, def);
}

TPropertyInfo Enabled()
{
    return BoolProperty<TControl>("Enabled", &TControl::Enabled, &TControl::SetEnabled, true);
}

TPropertyInfo Caption()
{
    return StringProperty<TControl>("Caption", &TControl::Caption, &TControl::SetCaption, std::string());
}

TPropertyInfo Text()
{
    return StringProperty<TControl>("Text", &TControl::Text, &TControl::SetText, std::string());
}

TPropertyInfo Color(TColor def)
{
    TPropertyInfo info = IdentIntProperty<TControl>("Color", &TControl::Color, &TControl::SetColor, def, ColorIdents());
    info.Stored = [def](const TPersistent& o) {
        const auto& control = static_cast<const TControl&>(o);
        return !control.ParentColor() && control.Color() != def;
    };
    return info;
}

TPropertyInfo ParentColor(bool def)
{
    return BoolProperty<TControl>("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, def);
}

TPropertyInfo Font()
{
    TPropertyInfo info = ObjectProperty<TControl>("Font", [](TControl& c) -> TPersistent* { return c.Font(); });
    info.Stored = [](const TPersistent& o) { return !static_cast<const TControl&>(o).ParentFont(); };
    return info;
}

TPropertyInfo ParentFont()
{
    return BoolProperty<TControl>("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true);
}

TPropertyInfo Cursor()
{
    return IdentIntProperty<TControl>("Cursor", &TControl::Cursor, &TControl::SetCursor, crDefault, CursorIdents());
}

TPropertyInfo Ctl3D()
{
    TPropertyInfo info = BoolProperty<TControl>("Ctl3D", &TControl::Ctl3D, &TControl::SetCtl3D, true);
    info.Stored = [](const TPersistent& o) {
        const auto& control = static_cast<const TControl&>(o);
        return !control.ParentCtl3D() && !control.Ctl3D();
    };
    return info;
}

TPropertyInfo ParentCtl3D()
{
    return BoolProperty<TControl>("ParentCtl3D", &TControl::ParentCtl3D, &TControl::SetParentCtl3D, true);
}

TPropertyInfo Hint()
{
    return StringProperty<TControl>("Hint", &TControl::Hint, &TControl::SetHint, std::string());
}

TPropertyInfo ShowHint()
{
    TPropertyInfo info = BoolProperty<TControl>("ShowHint", &TControl::ShowHint, &TControl::SetShowHint, false);
    info.Stored = [](const TPersistent& o) { return !static_cast<const TControl&>(o).ParentShowHint(); };
    return info;
}

TPropertyInfo ParentShowHint()
{
    return BoolProperty<TControl>("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint, true);
}

TPropertyInfo Anchors()
{
    return SetProperty<TControl>("Anchors", AnchorKindInfo(), &TControl::Anchors, &TControl::SetAnchors,
                                 SetOf({akLeft, akTop}));
}

TPropertyInfo BiDiMode()
{
    TPropertyInfo info = EnumProperty<TControl, TBiDiMode>("BiDiMode", BiDiModeInfo(), &TControl::BiDiMode,
                                                           &TControl::SetBiDiMode, bdLeftToRight);
    info.Stored = [](const TPersistent& o) { return !static_cast<const TControl&>(o).ParentBiDiMode(); };
    return info;
}

TPropertyInfo ParentBiDiMode()
{
    return BoolProperty<TControl>("ParentBiDiMode", &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode, true);
}

TPropertyInfo Constraints()
{
    return ObjectProperty<TControl>("Constraints", [](TControl& c) -> TPersistent* { return c.Constraints(); });
}

TPropertyInfo PopupMenu()
{
    return ComponentProperty<TControl, TPopupMenu>("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
}

TPropertyInfo TabOrder()
{
    return IntProperty<TWinControl>("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
}

TPropertyInfo TabStop(bool def)
{
    return BoolProperty<TWinControl>("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, def);
}

TPropertyInfo BorderWidth()
{
    return IntProperty<TWinControl>("BorderWidth", &TWinControl::BorderWidth, &TWinControl::SetBorderWidth, 0);
}

TPropertyInfo OnClick()
{
    return EventProperty<TControl>("OnClick", &TControl::OnClick);
}

TPropertyInfo OnEnter()
{
    return EventProperty<TWinControl>("OnEnter", &TWinControl::OnEnter);
}

TPropertyInfo OnExit()
{
    return EventProperty<TWinControl>("OnExit", &TWinControl::OnExit);
}

}  // namespace ControlProperties
