// The standard controls over the native STATIC, EDIT and BUTTON classes: TLabel, TEdit, TMemo,
// TCheckBox and TButton.
#pragma once

#include "Controls.h"
#include "StringList.h"

// A line or a block of text (STATIC). With AutoSize it takes the size of its text; with WordWrap
// too, it keeps its width and takes the height of the wrapped text. Clicks raise OnClick.
class TLabel : public TWinControl {
public:
    DECLARE_CLASS_INFO

    explicit TLabel(TComponent* owner);

    // Attributes
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    // A change remakes the window.
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    // Draws on the parent's background instead of its own Color.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    // "&" marks the next character as the accelerator (true) or is shown as it is (false).
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);

    // Operations
    // Keeps the size that AutoSize asks for.
    void SetBounds(int left, int top, int width, int height) override;
    // A label never takes the focus: it stays before the control it names.
    bool HasTabOrder() const override { return false; }

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;
    void TextChanged() override;
    void FontChanged() override;
    void Loaded() override;

private:
    void AdjustBounds();

    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FTransparent = false;
    bool FShowAccelChar = true;
};

// What TEdit and TMemo share (EDIT): the text the user types, read-only, the selection, OnChange.
class TCustomEdit : public TWinControl {
public:
    DECLARE_CLASS_INFO

    explicit TCustomEdit(TComponent* owner);

    // Attributes
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    // The most characters the user may type; 0 for no limit.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value);
    // The selection; reading or setting it makes the window.
    int SelStart();
    void SetSelStart(int value);
    int SelLength();
    void SetSelLength(int value);

    // The text as the window holds it, in UTF-16: unlike Text, it keeps the characters that the
    // code page cannot spell. Without a window, Text read in the code page.
    std::wstring WideText() const;
    // Sets the text in UTF-16, keeping the characters that the code page cannot spell. Without a
    // window, the text in the code page.
    void SetWideText(const std::wstring& value);

    // Operations
    // Selects the whole text, if there is a window.
    void SelectAll();

    // Raised after every change of the text, by the user or by the program.
    TNotifyEvent OnChange;

protected:
    // Raises OnChange. Overrides must call the base to keep the event.
    virtual void Change();

    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    void TextChanged() override;
    // The user changed the text; the field has it already. Overrides must call the base.
    virtual void TextChangedByUser();

private:
    bool FReadOnly = false;
    int FMaxLength = 0;
    bool FSettingText = false;  // the window's own change notice for our SetWindowText is ignored
};

// A one-line text box.
class TEdit : public TCustomEdit {
public:
    DECLARE_CLASS_INFO

    explicit TEdit(TComponent* owner);
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
const TEnumInfo& ScrollStyleInfo();

// A multi-line text box; its text is Lines, one string per line.
class TMemo : public TCustomEdit {
public:
    DECLARE_CLASS_INFO

    explicit TMemo(TComponent* owner);

    // Attributes
    TStrings* Lines() { return &FLines; }
    const TStrings* Lines() const { return &FLines; }
    // A change remakes the window.
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    // Long lines wrap at the right edge (true) or scroll sideways (false). A change remakes the window.
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;
    void TextChanged() override;
    void TextChangedByUser() override;

private:
    TStrings FLines;
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
    bool FUpdatingLines = false;  // Lines and the text are being made equal: no echo
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
const TEnumInfo& CheckBoxStateInfo();

// A check box (BUTTON). OnClick is raised on every change of its state: by a click, by the
// keyboard, or by the program setting Checked or State.
class TCheckBox : public TWinControl {
public:
    DECLARE_CLASS_INFO

    explicit TCheckBox(TComponent* owner);

    // Attributes
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return FState; }
    void SetState(TCheckBoxState value);
    // A click may lead to the grayed state too.
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool value) { FAllowGrayed = value; }

protected:
    // The next state for a click: unchecked, checked (grayed first with AllowGrayed), unchecked.
    virtual void Toggle();

    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;

private:
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
};

// A push button (BUTTON) that never takes the keyboard focus: it is no tab stop, it tracks the
// mouse itself instead of letting the native button focus itself, and it hands on any focus it
// is given. A click, or BM_CLICK, raises OnClick.
class TButton : public TWinControl {
public:
    DECLARE_CLASS_INFO

    explicit TButton(TComponent* owner);

    // Operations
    // Does what a click does: raises OnClick.
    void Click() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;

private:
    void Release(bool click);

    bool FTracking = false;  // the left button went down on this button and is still down
};
