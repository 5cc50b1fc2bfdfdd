// The wizard from the keyboard: Enter, Escape, Alt+N and Alt+B wherever the focus is, and the focus
// each page gives when it is entered.
#include "../../tools/PayloadWriter.h"
#include "WizardHarness.h"

#include <doctest.h>

namespace {

enum TKey { Enter, Esc, AltN, AltB, Space, Tab };

// Presses a key as the keyboard does, down then up, at the window that has the focus (the form
// when nothing has it), and lets the message loop handle it. Held down, the keyboard repeats the
// key before it comes up: each repeat says that the key was down already.
void PressKey(Tfrm_Main& form, TKey key, int repeats = 0)
{
    HWND target = GetFocus() ? GetFocus() : form.Handle();
    const WORD codes[] = {VK_RETURN, VK_ESCAPE, 'N', 'B', VK_SPACE, VK_TAB};
    const WORD code = codes[key];
    const bool alt = key == AltN || key == AltB;
    const LPARAM data = 1 | (alt ? 1 << 29 : 0);
    PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, code, data);
    for (int i = 0; i < repeats; ++i)
        PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, code, data | (1 << 30));
    PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, code, data | static_cast<LPARAM>(0xC0000000));
    Application->ProcessMessages();
}

// The control that has the keyboard, by name.
std::string Focused()
{
    HWND focus = GetFocus();
    if (!focus)
        return "none";
    TWinControl* control = FindControl(focus);
    return control ? control->Name() : "a window of no control";
}

enum TStart { AtWelcome, LicenceUnticked, LicenceTicked, AtFolder, AtFinish };

// The wizard walked to a row of the state table with the buttons.
void WalkTo(TWizard& wizard, TStart start, const std::string& folder)
{
    if (start >= LicenceUnticked)
        wizard.Next();
    if (start >= LicenceTicked)
        wizard.Form->cbx_Accept->SetChecked(true);
    if (start >= AtFolder)
        wizard.Next();
    if (start >= AtFinish) {
        wizard.Form->edt_Folder->SetText(folder);
        wizard.Next();
    }
}

struct TKeyCase {
    TStart Start;
    const char* Focus;  // the control given the focus first; nullptr: where the page put it
    TKey Key;
    const char* After;  // the page and the buttons afterwards, or "closed"
    int Repeats = 0;    // held down: the keyboard repeats it this often before it comes up
};

}  // namespace

TEST_SUITE("Tfrm_Main keyboard") {

TEST_CASE("Enter, Escape, Alt+N and Alt+B do what their buttons do, wherever the focus is, while those are usable, once while held down")
{
    // clang-format off
    const TKeyCase cases[] = {
        {AtWelcome,       nullptr,               Enter,  "ts_License | < Back | Next > x | Cancel"},
        {AtWelcome,       nullptr,               AltN,   "ts_License | < Back | Next > x | Cancel"},
        {AtWelcome,       nullptr,               AltB,   "ts_Welcome | - | Next > | Cancel"},
        {AtWelcome,       nullptr,               Esc,    "closed"},
        {LicenceUnticked, "cbx_Accept",          Enter,  "ts_License | < Back | Next > x | Cancel"},
        {LicenceUnticked, "Memo1",               AltN,   "ts_License | < Back | Next > x | Cancel"},
        {LicenceUnticked, "Memo1",               Esc,    "closed"},
        {LicenceTicked,   "Memo1",               Enter,  "ts_Folder | < Back | Next > | Cancel"},
        {LicenceTicked,   "cbx_Accept",          Enter,  "ts_Folder | < Back | Next > | Cancel"},
        {LicenceTicked,   "Memo1",               AltB,   "ts_Welcome | - | Next > | Cancel"},
        {AtFolder,        "edt_Folder",          Enter,  "ts_Finish | < Back | Finish | Cancel"},
        {AtFolder,        "VeltoShellTreeView1", Enter,  "ts_Finish | < Back | Finish | Cancel"},
        {AtFolder,        "VeltoShellTreeView1", AltB,   "ts_License | < Back | Next > | Cancel"},
        {AtFolder,        "edt_Folder",          Esc,    "closed"},
        {AtFinish,        nullptr,               AltB,   "ts_Folder | < Back | Next > | Cancel"},
        {AtFinish,        nullptr,               Esc,    "closed"},
        {LicenceTicked,   "Memo1",               Enter,  "ts_Folder | < Back | Next > | Cancel", 10},
        {LicenceTicked,   "cbx_Accept",          AltN,   "ts_Folder | < Back | Next > | Cancel", 10},
        {AtFolder,        "edt_Folder",          Enter,  "ts_Finish | < Back | Finish | Cancel", 10},
        {AtFinish,        nullptr,               AltB,   "ts_Folder | < Back | Next > | Cancel", 10},
    };
    // clang-format on
    const char* const keyNames[] = {"Enter", "Escape", "Alt+N", "Alt+B", "Space", "Tab"};
    for (const TKeyCase& c : cases) {
        TScratchFolder scratch;
        TWizard wizard;
        Tfrm_Main& form = *wizard.Form;
        WalkTo(wizard, c.Start, (scratch.Path() / "target").string());
        if (c.Focus)
            dynamic_cast<TWinControl*>(form.FindComponent(c.Focus))->SetFocus();
        const std::string licence = form.Memo1->Text();
        CAPTURE(std::string(keyNames[c.Key]) + " on " + form.PageControl1->ActivePage()->Name() + " in " + Focused());
        CAPTURE(c.Repeats);
        PressKey(form, c.Key, c.Repeats);
        const std::string after =
            form.Visible() ? form.PageControl1->ActivePage()->Name() + " | " + wizard.Buttons() : "closed";
        CHECK(after == c.After);
        // The read-only memo takes no line break from an Enter that pressed Next.
        CHECK(form.Memo1->Text() == licence);
        CHECK(wizard.Messages.empty());
        CHECK(std::filesystem::is_empty(scratch.Path()));  // nothing was installed
    }
}

TEST_CASE("a plain letter in the folder box is only typed there: N is no Next, nor B Back, without Alt; held, it repeats")
{
    TWizard wizard;
    Tfrm_Main& form = *wizard.Form;
    WalkTo(wizard, AtFolder, "");
    form.edt_Folder->SetText("C:\\Tools\\");
    form.edt_Folder->SetFocus();
    form.edt_Folder->SetSelStart(static_cast<int>(form.edt_Folder->Text().size()));
    HWND box = form.edt_Folder->Handle();
    // The loop makes the character of each key down, as it does for the keyboard's; a key held
    // down repeats in the box as in any edit box.
    const auto hold = [&](WORD key, int repeats) {
        PostMessageA(box, WM_KEYDOWN, key, 1);
        for (int i = 0; i < repeats; ++i)
            PostMessageA(box, WM_KEYDOWN, key, 1 | (1 << 30));
        PostMessageA(box, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
        Application->ProcessMessages();
    };
    for (WORD letter : {'N', 'B'})
        hold(letter, 0);
    CHECK(form.edt_Folder->Text() == "C:\\Tools\\nb");
    hold('X', 3);
    hold(VK_BACK, 2);
    hold(VK_LEFT, 1);
    hold('Y', 0);
    CHECK(form.edt_Folder->Text() == "C:\\Tools\\nybx");
    CHECK(form.PageControl1->ActivePage() == form.ts_Folder);
    CHECK(Focused() == "edt_Folder");
}

TEST_CASE("after the error display, the page entered has the keyboard as after any other entry")
{
    TProgramFilesValue value;
    value.SetNumber(42);
    TWizard wizard;
    Tfrm_Main& form = *wizard.Form;
    WalkTo(wizard, LicenceTicked, "");
    form.Memo1->SetFocus();
    PressKey(form, Enter);
    CHECK(wizard.Errors == std::vector<std::string>{"Invalid data type for 'ProgramFilesDir'"});
    CHECK(form.PageControl1->ActivePage() == form.ts_Folder);
    CHECK(Focused() == "edt_Folder");
    // Space goes into the folder box, not to the hidden licence box.
    PressKey(form, Space);
    CHECK(form.cbx_Accept->Checked());
    CHECK(wizard.Buttons() == "< Back | Next > | Cancel");
}

TEST_CASE("Enter on the finish page installs; while installing no key acts; then Escape is Exit")
{
    TScratchFolder scratch;
    TWizard wizard;
    Tfrm_Main& form = *wizard.Form;
    TPayloadModule module(WritePayload({{"a.txt", Bytes("alpha")}, {"b.txt", Bytes("beta")}}));
    form.PayloadModule = module.Get();
    WalkTo(wizard, AtFinish, (scratch.Path() / "target").string());

    // The keys after Enter wait in the queue until the install lets messages run, buttons disabled.
    std::vector<std::string> during;
    TMessageWatch watch(form.ProgressBar1->Handle(), [&](UINT message, WPARAM, LPARAM) {
        if (message == PBM_SETPOS)
            during.push_back(wizard.State());
    });
    HWND window = form.Handle();
    for (WORD key : {VK_RETURN, VK_ESCAPE, VK_RETURN}) {
        PostMessageA(window, WM_KEYDOWN, key, 1);
        PostMessageA(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
    }
    PostMessageA(window, WM_SYSKEYDOWN, 'B', 1 | (1 << 29));
    Application->ProcessMessages();

    CHECK(ReadBytes(scratch.Path() / "target" / "b.txt") == Bytes("beta"));
    CHECK(Joined(during) == Joined({"ts_Finish | < Back x | Finish x | Cancel x | hourglass | 0 of 2 | -",
                                    "ts_Finish | < Back x | Finish x | Cancel x | hourglass | 1 of 2 | -",
                                    "ts_Finish | < Back x | Finish x | Cancel x | hourglass | 2 of 2 | -"}));
    CHECK(wizard.State() == "ts_Finish | < Back x | Finish x | Exit | default | 2 of 2 | done");
    CHECK(form.Visible());
    PressKey(form, Enter);
    PressKey(form, AltB);
    CHECK(wizard.State() == "ts_Finish | < Back x | Finish x | Exit | default | 2 of 2 | done");
    CHECK(form.Visible());
    PressKey(form, Esc);
    CHECK_FALSE(form.Visible());
    CHECK(wizard.Messages.empty());
}

TEST_CASE("each page entered gives the keyboard to its first control, never to a button")
{
    TScratchFolder scratch;
    TWizard wizard;
    Tfrm_Main& form = *wizard.Form;
    struct TStep {
        TKey Key;
        const char* Focus;
        const char* Page;
    };
    // clang-format off
    const TStep steps[] = {
        {Enter,  "cbx_Accept",          "ts_License"},
        {Space,  "cbx_Accept",          "ts_License"},  // ticks the box
        {Enter,  "edt_Folder",          "ts_Folder"},
        {Tab,    "VeltoShellTreeView1", "ts_Folder"},
        {Enter,  "frm_Main",            "ts_Finish"},
        {AltB,   "edt_Folder",          "ts_Folder"},
        {AltB,   "cbx_Accept",          "ts_License"},
        {AltB,   "frm_Main",            "ts_Welcome"},
        {Space,  "frm_Main",            "ts_Welcome"},  // the hidden box stays as it was
    };
    // clang-format on
    CHECK(Focused() == "frm_Main");
    for (const TStep& step : steps) {
        PressKey(form, step.Key);
        CHECK(form.PageControl1->ActivePage()->Name() == step.Page);
        CHECK(Focused() == step.Focus);
    }
    CHECK(form.cbx_Accept->Checked());
    // The keys need no default button: the buttons keep their plain look.
    for (TButton* button : {form.btn_Prev, form.btn_Next, form.btn_Cancel})
        CHECK((GetWindowLongPtrA(button->Handle(), GWL_STYLE) & BS_TYPEMASK) == BS_PUSHBUTTON);
}

}  // TEST_SUITE
