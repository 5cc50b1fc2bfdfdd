// TForm, TApplication and TScreen, and the global application and screen objects.
#include "Forms.h"

#include "FormReader.h"
#include "UtilityWindow.h"

#include <cstdlib>
#include <utility>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

// Makes the two global objects before main runs and destroys them after it.
struct TFormsUnit {
    TFormsUnit()
    {
        Application = new TApplication(nullptr);
        Screen = new TScreen(nullptr);
        SetControlErrorHandler([](const std::exception& error) {
            if (Application)
                Application->HandleException(error);
        });
    }
    ~TFormsUnit()
    {
        // The forms go while both objects still serve their windows.
        Application->DestroyForms();
        delete std::exchange(Application, nullptr);
        delete std::exchange(Screen, nullptr);
    }
} FormsUnit;

std::string ProgramName()
{
    // In UTF-16: in UTF-8 the path of a program in a folder of any script can outgrow MAX_PATH
    // bytes, and the A form would cut it.
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string name = AnsiFromWide(path);
    if (const auto slash = name.find_last_of("\\/"); slash != std::string::npos)
        name.erase(0, slash + 1);
    if (const auto dot = name.rfind('.'); dot != std::string::npos)
        name.erase(dot);
    return name;
}

}  // namespace

const TEnumInfo& BorderIconInfo()
{
    static const TEnumInfo info{{"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}};
    return info;
}

const TEnumInfo& PositionInfo()
{
    static const TEnumInfo info{
        {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter", "poDesktopCenter"}};
    return info;
}

// --- TForm

const TClassInfo& TForm::StaticClassInfo()
{
    using F = TForm;
    namespace P = ControlProperties;
    static const TClassInfo info{
        .Name = "TForm",
        .Parent = &TWinControl::StaticClassInfo(),
        .Properties = {
            SetProperty<F>("BorderIcons", BorderIconInfo(), &F::BorderIcons, &F::SetBorderIcons),
            EnumProperty<F, TFormBorderStyle>("BorderStyle", FormBorderStyleInfo(), &F::BorderStyle, &F::SetBorderStyle),
            P::BorderWidth(),
            P::Caption(),
            IntProperty<F>("ClientHeight", &F::ClientHeight, &F::SetClientHeight, NoDefault),
            IntProperty<F>("ClientWidth", &F::ClientWidth, &F::SetClientWidth, NoDefault),
            P::Color(),
            P::Ctl3D(),
            P::Font(),
            BoolProperty<F>("KeyPreview", &F::KeyPreview, &F::SetKeyPreview),
            IntProperty<F>("PixelsPerInch", &F::PixelsPerInch, &F::SetPixelsPerInch, NoDefault),
            EnumProperty<F, TPosition>("Position", PositionInfo(), &F::Position, &F::SetPosition),
            BoolProperty<F>("Scaled", &F::Scaled, &F::SetScaled),
            P::Visible(),
            EventProperty<F>("OnClose", &F::OnClose),
            EventProperty<F>("OnCloseQuery", &F::OnCloseQuery),
            EventProperty<F>("OnCreate", &F::OnCreate),
            EventProperty<F>("OnHide", &F::OnHide),
            EventProperty<TWinControl>("OnKeyDown", &TWinControl::OnKeyDown),
            EventProperty<F>("OnShow", &F::OnShow),
        },
        .Create = [](TComponent* owner) -> TComponent* { return new TForm(owner); }};
    return info;
}

TForm::TForm(TComponent* owner) : TWinControl(owner)
{
    // A form whose text gives no dpi was made for this screen.
    if (Screen)
        FPixelsPerInch = Screen->PixelsPerInch();
    SetVisible(false);
    SetParentFont(false);
    SetBounds(0, 0, 320, 240);
}

void TForm::SetBorderStyle(TFormBorderStyle value)
{
    if (ChangeField(FBorderStyle, value))
        RecreateWnd();
}

void TForm::SetBorderIcons(TBorderIcons value)
{
    if (ChangeField(FBorderIcons, value))
        RecreateWnd();
}

void TForm::SetClientWidth(int value)
{
    if (IsLoading()) {
        FPendingClientWidth = value;
        return;
    }
    SetWidth(Width() + value - ClientWidth());
}

void TForm::SetClientHeight(int value)
{
    if (IsLoading()) {
        FPendingClientHeight = value;
        return;
    }
    SetHeight(Height() + value - ClientHeight());
}

void TForm::SetPixelsPerInch(int value)
{
    if (value > 0)
        FPixelsPerInch = value;
}

void TForm::LoadFromResource(const std::string& name, HMODULE module)
{
    if (!module)
        module = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
    HGLOBAL data = info ? LoadResource(module, info) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes)
        throw Exception("The form resource " + name + " is missing");
    std::string_view text(static_cast<const char*>(bytes), SizeofResource(module, info));
    while (!text.empty() && text.back() == '\0')
        text.remove_suffix(1);
    RegisterFrameworkClasses();
    ReadForm(*this, text);
    DoCreate();
}

void TForm::Close()
{
    bool canClose = true;
    CloseQuery(canClose);
    if (!canClose)
        return;
    TCloseAction action = caHide;
    if (OnClose)
        OnClose(this, action);
    if (action == caNone)
        return;
    if (Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (action) {
    case caHide: Hide(); break;
    case caMinimize:
        if (HandleAllocated())
            ShowWindow(FHandle, SW_MINIMIZE);
        break;
    case caFree: Release(); break;
    case caNone: break;
    }
}

void TForm::Release()
{
    if (HandleAllocated())
        PostMessageA(FHandle, CM_RELEASE, 0, 0);
    else
        delete this;
}

bool TForm::PreviewKeyDown(const MSG& message)
{
    if (!FKeyPreview || (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN))
        return false;
    WORD key = static_cast<WORD>(message.wParam);
    TShiftState shift = KeyboardShiftState() & ~SetOf({ssAlt});
    // Alt is the message's own word: a key posted without the keyboard's state says it too.
    if (message.message == WM_SYSKEYDOWN && (message.lParam & (1 << 29)))
        shift |= SetOf({ssAlt});
    // The key was down already: the keyboard repeats it.
    const TScopedValue repeated(FKeyRepeated, (message.lParam & (1 << 30)) != 0);
    // No exception leaves the message loop's filter: the error display gets it, as from a handler.
    try {
        KeyDown(key, shift);
    } catch (const std::exception& e) {
        Application->HandleException(e);
    }
    return key == 0;
}

void TForm::CloseQuery(bool& canClose)
{
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
}

void TForm::DoCreate()
{
    if (OnCreate)
        OnCreate(this);
}

void TForm::DoShow()
{
    if (OnShow)
        OnShow(this);
}

void TForm::DoHide()
{
    if (OnHide)
        OnHide(this);
}

void TForm::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    // Shown by VisibleChanged once OnShow has run.
    params.Style &= ~(WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    params.Style |= WS_CLIPCHILDREN;
    params.ExStyle |= WS_EX_CONTROLPARENT;
    switch (FBorderStyle) {
    case bsNone: params.Style |= WS_POPUP; break;
    case bsSingle: params.Style |= WS_CAPTION; break;
    case bsSizeable: params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
        params.Style |= WS_POPUP | WS_CAPTION;
        params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
        params.Style |= WS_CAPTION;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        params.Style |= WS_CAPTION | WS_THICKFRAME;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (FBorderStyle != bsNone && InSet(FBorderIcons, biSystemMenu)) {
        params.Style |= WS_SYSMENU;
        if (FBorderStyle == bsSingle || FBorderStyle == bsSizeable) {
            if (InSet(FBorderIcons, biMinimize))
                params.Style |= WS_MINIMIZEBOX;
            if (InSet(FBorderIcons, biMaximize))
                params.Style |= WS_MAXIMIZEBOX;
        }
        if (FBorderStyle == bsDialog && InSet(FBorderIcons, biHelp))
            params.ExStyle |= WS_EX_CONTEXTHELP;
    }
    if (FPosition == poDefault || FPosition == poDefaultPosOnly)
        params.X = params.Y = CW_USEDEFAULT;
    if (FPosition == poDefault || FPosition == poDefaultSizeOnly)
        params.Width = params.Height = CW_USEDEFAULT;
}

void TForm::CreateWnd()
{
    if (FPosition == poScreenCenter || FPosition == poDesktopCenter)
        SetBounds((Screen->Width() - Width()) / 2, (Screen->Height() - Height()) / 2, Width(), Height());
    TWinControl::CreateWnd();
    // A remade window of a shown form appears again; a first showing waits for OnShow.
    if (Visible() && !FShowing)
        ShowWindow(FHandle, SW_SHOWNORMAL);
}

void TForm::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_CLOSE:
        Close();
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // With KeyPreview the form saw its own window's key already, in the message loop.
        if (FKeyPreview) {
            DefaultHandler(message);
            return;
        }
        break;
    case CM_RELEASE:
        delete this;
        return;
    case WM_ACTIVATE:
        if (LOWORD(message.WParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(FHandle, focus))
                FFocusedWindow = focus;
            break;
        }
        DefaultHandler(message);
        // Give the keyboard back to the control that had it, or to the first tab stop.
        if (!IsIconic(FHandle)) {
            HWND focus = FFocusedWindow && IsWindow(FFocusedWindow) && IsChild(FHandle, FFocusedWindow)
                             ? FFocusedWindow
                             : GetNextDlgTabItem(FHandle, nullptr, FALSE);
            if (focus && IsChild(FHandle, focus))
                ::SetFocus(focus);
        }
        return;
    }
    TWinControl::WndProc(message);
}

void TForm::VisibleChanged()
{
    TControl::VisibleChanged();
    if (IsLoading())
        return;
    if (Visible()) {
        {
            const TScopedValue showing(FShowing, true);
            HandleNeeded();
        }
        DoShow();
        ShowWindow(FHandle, SW_SHOWNORMAL);
    } else {
        DoHide();
        if (HandleAllocated())
            ShowWindow(FHandle, SW_HIDE);
    }
}

void TForm::ChangeScale(int multiplier, int divisor)
{
    // The place on the screen stays (a centred form centres itself again); every length inside scales.
    const RECT place = BoundsRect();
    TWinControl::ChangeScale(multiplier, divisor);
    SetBounds(place.left, place.top, place.right - place.left, place.bottom - place.top);
    if (FPendingClientWidth >= 0)
        FPendingClientWidth = MulDiv(FPendingClientWidth, multiplier, divisor);
    if (FPendingClientHeight >= 0)
        FPendingClientHeight = MulDiv(FPendingClientHeight, multiplier, divisor);
}

void TForm::Loaded()
{
    // Before anything is laid out: the form text's lengths are for its own dpi.
    if (FScaled && Screen && FPixelsPerInch != Screen->PixelsPerInch()) {
        const int screen = Screen->PixelsPerInch();
        ScaleBy(screen, FPixelsPerInch);
        FPixelsPerInch = screen;
    }
    // Sized while still loading: the children's places, anchored ones too, are meant for this size.
    if (const int width = std::exchange(FPendingClientWidth, -1); width >= 0)
        SetWidth(Width() + width - ClientWidth());
    if (const int height = std::exchange(FPendingClientHeight, -1); height >= 0)
        SetHeight(Height() + height - ClientHeight());
    TWinControl::Loaded();
    if (Visible())
        VisibleChanged();
}

// --- TApplication

TApplication::TApplication(TComponent* owner) : TComponent(owner), FTitle(ProgramName()) {}

TApplication::~TApplication()
{
    DestroyForms();
}

void TApplication::Initialize()
{
    RegisterFrameworkClasses();
    // Errors that escape a handler of a hidden utility window go to the general error display.
    SetUtilityWindowErrorHandler([](const std::exception& error) {
        if (Application)
            Application->HandleException(error);
    });
    // Registered now, after every unit's objects are made, so that it runs before they go.
    static const bool registered = std::atexit([] {
        if (Application)
            Application->DestroyForms();
    }) == 0;
    (void)registered;
}

HWND TApplication::Handle()
{
    if (!FHandle) {
        static const ATOM windowClass = [] {
            WNDCLASSEXA info{};
            info.cbSize = sizeof(info);
            info.lpfnWndProc = DefWindowProcA;
            info.hInstance = GetModuleHandleA(nullptr);
            info.lpszClassName = "TApplication";
            return RegisterClassExA(&info);
        }();
        if (!windowClass)
            throw Exception("The application window class cannot be registered");
        FHandle.reset(CreateWindowExA(0, "TApplication", FTitle.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr));
        if (!FHandle)
            throw Exception("The application window cannot be created");
    }
    return FHandle.get();
}

void TApplication::Run()
{
    FTerminated = false;
    try {
        if (FMainForm)
            FMainForm->Show();
    } catch (const std::exception& e) {
        HandleException(e);
    }
    while (!FTerminated) {
        try {
            HandleMessage();
        } catch (const std::exception& e) {
            HandleException(e);
        } catch (...) {
            HandleException(Exception("An unexpected error occurred"));
        }
    }
}

bool TApplication::ProcessMessage(MSG& message)
{
    // A Unicode loop: a Unicode window (an edit box) gets a typed character as typed, and the
    // system converts it to the code page for every other window as it dispatches.
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (message.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    // The keyboard of a form works as in a dialog box: Tab and the arrows move the focus. A form
    // with KeyPreview sees each key before that.
    if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) {
        HWND root = GetAncestor(message.hwnd, GA_ROOT);
        TWinControl* rootControl = root ? FindControl(root) : nullptr;
        if (auto* form = dynamic_cast<TForm*>(rootControl); form && form->PreviewKeyDown(message))
            return true;
        if (rootControl && IsDialogMessageW(root, &message))
            return true;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return true;
}

void TApplication::ProcessMessages()
{
    MSG message;
    while (ProcessMessage(message)) {
    }
}

void TApplication::HandleMessage()
{
    MSG message;
    if (!ProcessMessage(message))
        WaitMessage();
}

void TApplication::HandleException(const std::exception& error)
{
    ShowException(error.what());
}

void TApplication::ShowException(const std::string& text)
{
    if (OnShowException) {
        OnShowException(text);
        return;
    }
    HWND owner = GetActiveWindow();
    if (!FindControl(owner))
        owner = FMainForm && FMainForm->HandleAllocated() ? FMainForm->Handle() : nullptr;
    MessageBoxA(owner, text.c_str(), FTitle.c_str(), MB_OK | MB_ICONSTOP);
}

void TApplication::DestroyForms()
{
    while (ComponentCount() > 0)
        delete Component(ComponentCount() - 1);
}

void TApplication::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FMainForm)
        FMainForm = nullptr;
}

// --- TScreen

int TScreen::PixelsPerInch() const
{
    TScreenDC dc(GetDC(nullptr));
    return dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
}

void TScreen::SetCursor(TCursor value)
{
    if (value == ScreenCursor)
        return;
    ScreenCursor = value;
    if (value != crDefault) {
        ::SetCursor(CursorHandle(value));
        return;
    }
    // Let the window under the mouse choose its own cursor again.
    ::SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    POINT point;
    if (!GetCursorPos(&point))
        return;
    HWND window = WindowFromPoint(point);
    if (!FindControl(window))
        return;
    const LRESULT hit = SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
    SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(hit, WM_MOUSEMOVE));
}
