// TForm (a top-level window read from its form description), TApplication (the message loop and
// the general error display) and TScreen (the screen cursor), with their global objects.
#pragma once

#include "Controls.h"

#include <functional>
#include <string>

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = std::uint32_t;  // a set of TBorderIcon
const TEnumInfo& BorderIconInfo();

enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter };
const TEnumInfo& PositionInfo();

enum TCloseAction { caNone, caHide, caFree, caMinimize };
// Asked when a form closes; the handler may change what happens to it.
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
// Asked before a form closes; the handler may refuse by clearing canClose.
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

// A top-level window. A form class reads its controls from the form description in the RCDATA
// resource named after it (LoadFromResource), usually in its constructor. Closing the main form
// ends the application's message loop.
class TForm : public TWinControl {
public:
    DECLARE_CLASS_INFO

    explicit TForm(TComponent* owner);

    // Attributes
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    // A change remakes the window.
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons value);
    TPosition Position() const { return FPosition; }
    // Takes effect when the window is made.
    void SetPosition(TPosition value) { FPosition = value; }
    // Sizes the window so that its client area gets the width or height.
    void SetClientWidth(int value);
    void SetClientHeight(int value);
    // Whether the form sees every key that goes down in it before the control with the focus does
    // (OnKeyDown), wherever the focus is.
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool value) { FKeyPreview = value; }
    // True while OnKeyDown sees a key that the keyboard repeats because it is held down.
    bool KeyRepeated() const { return FKeyRepeated; }
    // The dpi the form's lengths are given for; at load a Scaled form whose dpi differs from the
    // screen's scales itself and its controls to the screen's, and then has the screen's.
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int value);
    bool Scaled() const { return FScaled; }
    void SetScaled(bool value) { FScaled = value; }

    // Operations
    // Reads the form description in the RCDATA resource name of module (nullptr: the program)
    // into this form, then raises OnCreate. Raises Exception when the resource is missing and
    // EFormError when the text does not fit the form.
    void LoadFromResource(const std::string& name, HMODULE module = nullptr);
    // Asks CloseQuery, then OnClose, then hides the form; the main form ends the application instead.
    void Close();
    // Destroys the form once the message being handled is done: safe from the form's own handlers.
    void Release();
    // A key went down in a window of the form: with KeyPreview, OnKeyDown sees it first. True when
    // the handler kept the key (set it to 0), which then goes no further.
    bool PreviewKeyDown(const MSG& message);

    // Events
    TNotifyEvent OnCreate;  // once the form description is read
    TNotifyEvent OnShow;    // before the window appears
    TNotifyEvent OnHide;    // before the window disappears
    TCloseQueryEvent OnCloseQuery;
    TCloseEvent OnClose;

protected:
    // Whether the form may close; the base asks OnCloseQuery. Overrides must call the base first.
    virtual void CloseQuery(bool& canClose);
    // Raise the events. Overrides must call the base to keep them.
    virtual void DoCreate();
    virtual void DoShow();
    virtual void DoHide();

    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    void VisibleChanged() override;
    void Loaded() override;
    // The form keeps its place on the screen: its font, border, client size and controls scale.
    void ChangeScale(int multiplier, int divisor) override;

private:
    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = SetOf({biSystemMenu, biMinimize, biMaximize});
    TPosition FPosition = poDesigned;
    int FPendingClientWidth = -1;  // set while loading: the border style may come later
    int FPendingClientHeight = -1;
    bool FKeyPreview = false;
    bool FKeyRepeated = false;
    int FPixelsPerInch = 96;
    bool FScaled = true;
    HWND FFocusedWindow = nullptr;  // the control that had the focus when the form was left
    bool FShowing = false;          // the window is made for a first showing
};

// The program: its forms, its message loop, its hidden window, and the general error display.
class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    // Attributes
    // The first form made with CreateForm; closing it ends Run.
    TForm* MainForm() const { return FMainForm; }
    bool Terminated() const { return FTerminated; }
    // A hidden window of the application, an owner for the shell's windows.
    HWND Handle();
    // The caption of the error display; the program's file name without extension by default.
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& value) { FTitle = value; }

    // Operations
    // Makes the framework's classes known to the form reader, and has the forms destroyed when
    // the program ends, before the objects of other units go.
    void Initialize();
    // Makes a form of class T owned by the application; the first one becomes the main form.
    template <typename T>
    void CreateForm(T*& reference)
    {
        T* form = new T(this);
        reference = form;
        if (!FMainForm)
            FMainForm = form;
    }
    // Shows the main form and handles messages until Terminate is called or the main form closes.
    void Run();
    // Handles every message waiting, then returns.
    void ProcessMessages();
    // Waits for one message and handles it.
    void HandleMessage();
    // Ends Run once the message being handled is done.
    void Terminate() { FTerminated = true; }
    // The general error display: shows the error's text and lets the program go on.
    void HandleException(const std::exception& error);
    // Shows text in the error display: a modal message box, or OnShowException when set.
    void ShowException(const std::string& text);
    // Destroys every form the application owns.
    void DestroyForms();

    // Replaces the modal message box of the error display (tests record the text instead).
    std::function<void(const std::string& text)> OnShowException;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool ProcessMessage(MSG& message);

    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    std::string FTitle;
    TWindowHandle FHandle;
};

// The screen: its size and the cursor that overrides every window's own.
class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* owner) : TComponent(owner) {}

    // Attributes
    TCursor Cursor() const { return ScreenCursor; }
    // Shows the cursor at once and keeps it over every window of the program until it is set
    // back to crDefault, which gives each window its own cursor again.
    void SetCursor(TCursor value);
    int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
    int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
    // The screen's logical dpi: 96 at 100 %, 144 at 150 %. A program that does not declare itself
    // dpi-aware is told 96 by newer systems, which then stretch its windows.
    int PixelsPerInch() const;
};

// The application and screen objects; they live from before main until after it.
extern TApplication* Application;
extern TScreen* Screen;

// Makes the framework's control classes known to the form reader. Harmless to call again.
void RegisterFrameworkClasses();
