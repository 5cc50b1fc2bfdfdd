// TControl and TWinControl: controls with a parent, a place and published looks, and the lazily
// made native window behind each, with its subclassed window procedure and reflected notifications.
#pragma once

#include "AnsiText.h"
#include "Component.h"
#include "Cursors.h"
#include "Graphics.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class TPopupMenu;
class TWinControl;

// --- Messages

// A window message as WndProc sees it; Result is what the window procedure returns.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

// A parent sends these to the child control that raised the notification: CN_BASE + the message.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;

// The framework's own messages, below the range of the reflected ones.
constexpr UINT CM_BASE = 0xB000;
// Posted to a form to destroy it once the handler that asked has returned (TForm::Release).
constexpr UINT CM_RELEASE = CM_BASE + 0x21;

// --- Enumerations and cursors

// Where a control sits in its parent: at an edge, filling what is left, or where it was put.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
const TEnumInfo& AlignInfo();

// A form's border; controls (panels, edit boxes) take only bsNone and bsSingle.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;
const TEnumInfo& FormBorderStyleInfo();
const TEnumInfo& BorderStyleInfo();  // bsNone and bsSingle only

// Which edges of the parent's client area a control keeps its distance to when the parent resizes.
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = std::uint32_t;  // a set of TAnchorKind
const TEnumInfo& AnchorKindInfo();

// The reading order and the side that text, scroll bar and alignment take.
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
const TEnumInfo& BiDiModeInfo();

// --- Input events

// The keys and mouse buttons held during an input event.
enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = std::uint32_t;  // a set of TShiftStateFlag
enum TMouseButton { mbLeft, mbRight, mbMiddle };

// A key went down or up; setting key to 0 keeps it from the control.
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
// A character was typed; setting key to 0 keeps it from the control.
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;
// A mouse button went down or up at x, y (client coordinates).
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
// A context menu is asked for at mousePos (client coordinates; -1, -1 from the keyboard); a handler
// that shows its own sets handled.
using TContextPopupEvent = std::function<void(TObject* sender, POINT mousePos, bool& handled)>;
// The modifier keys held now, as the thread's keyboard state has them.
TShiftState KeyboardShiftState();

// What CreateWnd asks CreateWindowEx for; CreateParams fills it.
struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    // The parent or owner window; left empty, a child window gets its parent control's window.
    HWND WndParent = nullptr;
    // The window class registered for the control, on first use.
    std::string WinClassName;
    // The native class it extends (BUTTON, SysTabControl32); empty for a class of its own whose
    // messages default to DefWindowProc.
    std::string SystemClassName;
    // Class styles, for a class of its own.
    UINT ClassStyle = CS_DBLCLKS;
    // The window is of the native class itself, its procedure replaced after creation, rather than
    // of a class of our own: whatever goes by the class name (the accessibility objects a screen
    // reader asks for) then knows it. Messages of the window's creation are the native class's alone.
    bool NativeClassName = false;
    // A window of a native class made as a Unicode window: it keeps what is typed or pasted in
    // UTF-16, characters that the code page lacks included, and its messages are Unicode ones.
    bool Unicode = false;
};

// --- TSizeConstraints

// The smallest and largest size a control may take; 0 leaves that side free. The control applies
// them in SetBounds.
class TSizeConstraints : public TPersistent {
public:
    DECLARE_CLASS_INFO

    TSizeConstraints() = default;
    TSizeConstraints(const TSizeConstraints&) = delete;
    TSizeConstraints& operator=(const TSizeConstraints&) = delete;

    // Attributes
    int MinWidth() const { return FMinWidth; }
    void SetMinWidth(int value) { Change(FMinWidth, value); }
    int MinHeight() const { return FMinHeight; }
    void SetMinHeight(int value) { Change(FMinHeight, value); }
    int MaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(int value) { Change(FMaxWidth, value); }
    int MaxHeight() const { return FMaxHeight; }
    void SetMaxHeight(int value) { Change(FMaxHeight, value); }

    // Operations
    // The width and height brought within the limits; a maximum wins over a larger minimum.
    int ClampWidth(int width) const { return Clamp(width, FMinWidth, FMaxWidth); }
    int ClampHeight(int height) const { return Clamp(height, FMinHeight, FMaxHeight); }

    // Raised after every change.
    TNotifyEvent OnChange;

private:
    void Change(int& field, int value);
    static int Clamp(int size, int min, int max);

    int FMinWidth = 0;
    int FMinHeight = 0;
    int FMaxWidth = 0;
    int FMaxHeight = 0;
};

// --- TControl

// A visual component: its parent, its place within the parent's client area, its alignment and
// its looks. The values live in fields; TWinControl hands them to the window when there is one.
class TControl : public TComponent {
public:
    DECLARE_CLASS_INFO

    explicit TControl(TComponent* owner);
    // Leaves the parent.
    ~TControl() override;

    // Attributes
    TWinControl* Parent() const { return FParent; }
    // Moves the control into parent's list of controls (nullptr: out of any); its window goes
    // with it to the new parent's window or is destroyed.
    void SetParent(TWinControl* parent);
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
    void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
    void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
    void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
    // The place within the parent's client area (a top-level window: on the screen).
    RECT BoundsRect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // Caption and Text are one string: the window text.
    const std::string& Caption() const { return Text(); }
    void SetCaption(const std::string& value) { SetText(value); }
    const std::string& Text() const { return FText; }
    void SetText(const std::string& value);
    TColor Color() const { return FColor; }
    // Also clears ParentColor.
    void SetColor(TColor value);
    // Whether the control takes its parent's colour, now and after each change of it.
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    TFont* Font() { return &FFont; }
    const TFont* Font() const { return &FFont; }
    // Whether the control takes its parent's font; changing Font clears it.
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value) { FCursor = value; }
    // Sunken three-dimensional borders (true) or flat single lines (false).
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);
    bool ParentCtl3D() const { return FParentCtl3D; }
    void SetParentCtl3D(bool value);
    // Kept for the form text; no tooltips are shown.
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& value) { FHint = value; }
    bool ShowHint() const { return FShowHint; }
    // Also clears ParentShowHint.
    void SetShowHint(bool value);
    // Whether ShowHint follows the parent's, now and after each change of it.
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool value);
    // The edges of the parent's client area whose distance the control keeps (alNone only).
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors value) { FAnchors = value; }
    // Also clears ParentBiDiMode. A windowed control remakes its window.
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode value);
    bool ParentBiDiMode() const { return FParentBiDiMode; }
    void SetParentBiDiMode(bool value);
    // The size limits; a change re-applies the bounds.
    TSizeConstraints* Constraints() { return &FConstraints; }
    const TSizeConstraints* Constraints() const { return &FConstraints; }
    // The menu shown on a context request that nothing else claimed; not owned.
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* value);

    // Operations
    // Sets the place in one step, within Constraints; every other bounds setter comes here.
    // Overrides must call the base.
    virtual void SetBounds(int left, int top, int width, int height);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Scales every length of the control by multiplier / divisor: its place (by its edges, so that
    // edges that met still meet), its size limits and its own font; a windowed control scales its
    // border and its children too. A form does this at load when the screen's dpi is not the one
    // it was designed at.
    void ScaleBy(int multiplier, int divisor)
    {
        if (multiplier > 0 && divisor > 0 && multiplier != divisor)
            ChangeScale(multiplier, divisor);
    }
    // A length given at design time, scaled as the control has been scaled so far.
    int ScaledLength(int length) const { return MulDiv(length, FScaleMultiplier, FScaleDivisor); }

    TComponent* GetParentComponent() const override;
    // The reader's parent: a TWinControl becomes Parent, anything else is ignored.
    void SetParentComponent(TComponent* parent) override;

    // Events
    TNotifyEvent OnClick;

protected:
    // Hooks: each is called after the field has changed. Overrides must call the base.
    virtual void TextChanged() {}
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void EnabledChanged() {}
    virtual void VisibleChanged();
    virtual void Ctl3DChanged() {}
    virtual void ShowHintChanged() {}
    virtual void BiDiModeChanged() {}
    // The place changed: realigns the parent when this control is aligned. Overrides must call the base.
    virtual void BoundsChanged(int oldWidth, int oldHeight);
    // Raises OnClick. Overrides must call the base to keep the event.
    virtual void Click();
    // The work of ScaleBy. Overrides scale their own lengths and must call the base.
    virtual void ChangeScale(int multiplier, int divisor);
    // Clears PopupMenu when that menu goes. Overrides must call the base.
    void Notification(TComponent* component, TOperation operation) override;

    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;

private:
    friend class TWinControl;

    // The looks that follow the parent (font, colour, 3-D look, hints, reading order) share one
    // rule: setting the look clears its Parent flag, setting the flag true takes the parent's look
    // at once, and a parent's change reaches the children whose flag is set.
    // Takes every look whose flag is set from the parent: on a new parent, a parent's change, a flag set.
    void FollowParent();
    void SetParentFlag(bool& flag, bool value);

    TWinControl* FParent = nullptr;
    TAlign FAlign = alNone;
    bool FVisible = true;
    bool FEnabled = true;
    std::string FText;
    TColor FColor = clBtnFace;
    bool FParentColor = false;
    TFont FFont;
    bool FParentFont = true;
    bool FTakingParentFont = false;  // the font change comes from the parent: keep ParentFont
    TCursor FCursor = crDefault;
    bool FCtl3D = true;
    bool FParentCtl3D = true;
    std::string FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TAnchors FAnchors = (1u << akLeft) | (1u << akTop);
    TBiDiMode FBiDiMode = bdLeftToRight;
    bool FParentBiDiMode = true;
    TSizeConstraints FConstraints;
    TPopupMenu* FPopupMenu = nullptr;
    int FScaleMultiplier = 1;  // the scale applied so far, as a fraction
    int FScaleDivisor = 1;
};

// --- TWinControl

// A control with a native window of its own, made on demand (HandleNeeded) and remade on request
// (RecreateWnd). The window is a cache of the fields: every setter stores the value and hands it to
// the window only if there is one, and a new window gets every field. The window procedure is ours:
// WndProc sees every message, and notifications that a child window sends to its parent come back
// to the child control as CN_ messages. No exception leaves the window procedure: the application's
// error display gets it.
//
// A handler may destroy the control, or remake its window, from inside any message. The native
// window procedure (a system control's) may then still be at work further up the stack, on memory
// that belongs to the window: the window is let go at once (hidden, and out of its parent) and
// destroyed only once that native handling has returned, from the message loop.
class TWinControl : public TControl {
public:
    DECLARE_CLASS_INFO

    explicit TWinControl(TComponent* owner);
    // Destroys the window, and the children's windows, and lets the child controls go (they stay
    // with their owner). A subclass whose DestroyWnd or WndProc must see the end of its own window
    // calls DestroyHandle in its own destructor.
    ~TWinControl() override;

    // Attributes
    bool HandleAllocated() const { return FHandle != nullptr; }
    // The window, made first if needed (the parent's window first).
    HWND Handle();
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const { return FControls.at(static_cast<std::size_t>(index)); }
    // The position among the parent's controls for the Tab key; -1 without a parent.
    int TabOrder() const;
    void SetTabOrder(int value);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value);
    // bsSingle: a sunken edge with Ctl3D, a single line without; either is outside the client area.
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    // The margin inside the client area that aligned children keep free.
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);
    // The client area: the window's, or without a window the one CreateParams would give.
    RECT ClientRect() const;
    int ClientWidth() const { return ClientRect().right; }
    int ClientHeight() const { return ClientRect().bottom; }
    bool Focused() const;
    // The brush of Color, made on demand; the background of the window and of CN_CTLCOLOR*.
    HBRUSH Brush();

    // Operations
    // Makes the window (and the parent's first) unless there is one.
    void HandleNeeded();
    // Destroys the window and the children's windows (children first); the fields stay.
    void DestroyHandle();
    // Destroys the window and makes a new one from the fields.
    void RecreateWnd();
    // Sends a message straight to WndProc, window or not.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    void SetFocus();
    // Lays the aligned children out again within the client area.
    void Realign();
    // Whether the control has a place in its parent's tab order (TabOrder). One that has none (a
    // label) keeps the place of the form text in the windows' order, right before the control it
    // names, where a screen reader looks for a control's name; the others take their tab order's
    // places, which is the order the Tab key follows.
    virtual bool HasTabOrder() const { return true; }
    void Invalidate();

    // Events
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    // The input events come before the native handling of the input; each class publishes the
    // ones it has.
    TContextPopupEvent OnContextPopup;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

protected:
    // Hooks
    // Fills in what the window is made from. Overrides must call the base first, then change it.
    virtual void CreateParams(TCreateParams& params);
    // Makes the window from CreateParams and hands it the fields the base knows (font). Overrides
    // must call the base first and then hand the window their own fields.
    virtual void CreateWnd();
    // Destroys the window, or lets it go while its native procedure is at work (see the class).
    // Overrides save what only the window knows, then must call the base.
    virtual void DestroyWnd();
    // Handles one message; what it does not handle goes to DefaultHandler. Overrides handle their
    // messages and pass the others to the base.
    virtual void WndProc(TMessage& message);
    // The native class's own handling of a message (DefWindowProc for a class of our own).
    // Not meant to be overridden for behaviour: override WndProc.
    virtual void DefaultHandler(TMessage& message);
    // Whether the native procedure of the control's window is running on this thread: a system
    // control then still works on its own items and memory.
    bool InNativeHandler() const;
    // The native procedure of the window has returned, the last of its calls on the stack, and the
    // control kept its window meanwhile: work put off till then is done here. The base does nothing.
    virtual void NativeHandlerEnded() {}
    // The part of the client area that aligned children share; the base takes away BorderWidth.
    // Overrides must call the base first.
    virtual void AdjustClientRect(RECT& rect);
    // Places the aligned children: top, bottom, left, right, then client. Overrides may place
    // their own children and then call the base.
    virtual void AlignControls(RECT& rect);
    // BorderStyle changed; the base brings the window's frame, and so the children's places, in
    // line at once, without a new window.
    virtual void BorderStyleChanged()
    {
        UpdateFrame();
        Realign();
    }
    // A control was inserted or removed. Overrides must call the base.
    virtual void ControlInserted(TControl* control);
    virtual void ControlRemoved(TControl* control);

    void Loaded() override;
    void FontChanged() override;
    void ColorChanged() override;
    void EnabledChanged() override;
    void VisibleChanged() override;
    void TextChanged() override;
    void Ctl3DChanged() override;
    void ShowHintChanged() override;
    // Remakes the window with the new extended styles.
    void BiDiModeChanged() override;
    void BoundsChanged(int oldWidth, int oldHeight) override;
    // Scales the border width and every child control.
    void ChangeScale(int multiplier, int divisor) override;

    // Takes the window's text into the field without handing it back (the user typed it);
    // true when it differed.
    bool ReadTextFromWindow();
    // Rewrites the window's border styles from CreateParams (Ctl3D, BorderStyle), in place.
    void UpdateFrame();
    // The messages of the focus, kept in one place: OnEnter and OnExit.
    virtual void DoEnter();
    virtual void DoExit();
    // Raises OnKeyDown. Overrides must call the base to keep the event.
    virtual void KeyDown(WORD& key, TShiftState shift);
    // A context menu is asked for (OnContextPopup); handled keeps the request from the control.
    // Unhandled, the request goes to PopupMenu when it pops up by itself, else to the parent.
    virtual void DoContextPopup(POINT mousePos, bool& handled);
    // Raises the mouse event of a mouse message; false when a handler destroyed the control (or
    // its window) meanwhile.
    bool HandleMouse(const TMessage& message);
    // The key event of a key message; true when the handler kept the key (set it to 0) or
    // destroyed the control.
    bool HandleKey(TMessage& message);
    // Paints the client area with the brush; for classes of our own.
    void EraseBackground(HDC dc);

    HWND FHandle = nullptr;
    bool FTabStop = false;

private:
    friend class TControl;
    friend LRESULT CALLBACK StdWndProc(HWND, UINT, WPARAM, LPARAM);

    void CreateHandle();
    void AttachHandle(HWND window);
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void UpdateZOrder();
    // The children's windows in the order they are stacked: see HasTabOrder.
    std::vector<TWinControl*> ZOrder() const;
    void SyncBounds(const WINDOWPOS& position);
    // Moves and sizes the alNone children anchored to the right or bottom edge by how much the
    // client area changed since the last layout.
    void AnchorControls(SIZE client);
    bool ReflectNotification(TMessage& message);
    // A context request: OnContextPopup, then PopupMenu; true when one took it or the control went.
    bool HandleContextMenu(const TMessage& message);
    // Whether control still lives with the window it had before a call that can run user code (true
    // when it had none). Static, for the control may be gone: its address is compared, never used.
    static bool StillHas(HWND window, const TWinControl* control);

    WNDPROC FDefWndProc = nullptr;
    std::vector<TControl*> FControls;    // in insertion order: the order of alignment ties
    std::vector<TWinControl*> FTabList;  // in tab order
    int FRequestedTabOrder = -1;         // set while loading, applied in Loaded
    TBorderStyle FBorderStyle = bsNone;
    int FBorderWidth = 0;
    bool FAligning = false;
    std::optional<SIZE> FAnchorClient;  // the client size the children's places were last laid out for
    bool FSyncingBounds = false;  // the window moved itself: the fields follow, nothing is pushed
    bool FOwnClass = false;       // a window class of our own: we erase the background
    bool FUnicodeWindow = false;  // the window was made with Unicode set: its messages are Unicode
    bool FInDestructor = false;   // messages go to the native handling only
    TBrushHandle FBrush;
};

// The control whose window this is, or nullptr for a window that is not a control's.
TWinControl* FindControl(HWND window);
// Receives the exceptions that leave a control's window procedure; the application's general error
// display installs itself here when it is made. nullptr drops them.
using TControlErrorHandler = void (*)(const std::exception& error);
void SetControlErrorHandler(TControlErrorHandler handler);

// --- Table entries for the published properties that several control classes share. Each class
// --- lists the ones it publishes; the defaults are those of a new object of that class.
namespace ControlProperties {
TPropertyInfo Align();
TPropertyInfo Visible();
TPropertyInfo Enabled();
TPropertyInfo Caption();
TPropertyInfo Text();
TPropertyInfo Color();  // stored only when ParentColor is off
TPropertyInfo ParentColor();
TPropertyInfo Font();  // stored only when ParentFont is off
TPropertyInfo ParentFont();
TPropertyInfo Cursor();
TPropertyInfo Ctl3D();  // stored only when ParentCtl3D is off
TPropertyInfo ParentCtl3D();
TPropertyInfo Hint();
TPropertyInfo ShowHint();  // stored only when ParentShowHint is off
TPropertyInfo ParentShowHint();
TPropertyInfo Anchors();
TPropertyInfo BiDiMode();  // stored only when ParentBiDiMode is off
TPropertyInfo ParentBiDiMode();
TPropertyInfo Constraints();
TPropertyInfo PopupMenu();
TPropertyInfo TabOrder();
TPropertyInfo TabStop();
TPropertyInfo BorderWidth();
TPropertyInfo OnClick();
TPropertyInfo OnEnter();
TPropertyInfo OnExit();
}  // namespace ControlProperties
