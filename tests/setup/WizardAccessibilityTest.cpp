// What a screen reader learns of the wizard's controls through the system's accessibility interface
// (oleacc's objects for real windows): names, roles and states, as the wizard goes from page to page.
#include "../../framework/ComPtr.h"
#include "../../tools/PayloadWriter.h"
#include "WizardHarness.h"

#include <doctest.h>

#include <oleacc.h>

namespace {

// What the accessible object of a window's client area says of itself.
struct TAccessible {
    std::string Name;  // "(none)" when it has none
    std::string Value;
    long Role = 0;
    long State = 0;
};

std::string Narrow(BSTR text)
{
    if (!text)
        return "(none)";
    std::string narrow(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), static_cast<int>(narrow.size()), nullptr, nullptr);
    narrow.resize(narrow.size() - 1);
    SysFreeString(text);
    return narrow;
}

TAccessible Read(HWND window)
{
    TComPtr<IAccessible> object;
    REQUIRE(SUCCEEDED(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), object.put_void())));
    REQUIRE(object);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    TAccessible result;
    BSTR text = nullptr;
    result.Name = object->get_accName(self, &text) == S_OK ? Narrow(text) : "(none)";
    text = nullptr;
    result.Value = object->get_accValue(self, &text) == S_OK ? Narrow(text) : "(none)";
    VARIANT role{}, state{};
    if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4)
        result.Role = role.lVal;
    if (SUCCEEDED(object->get_accState(self, &state)) && state.vt == VT_I4)
        result.State = state.lVal;
    return result;
}

// A button as a screen reader hears it: its name, then the states that matter to it.
std::string Heard(TWinControl& control)
{
    const TAccessible object = Read(control.Handle());
    return object.Name + (object.State & STATE_SYSTEM_UNAVAILABLE ? " unavailable" : "") +
           (object.State & STATE_SYSTEM_INVISIBLE ? " invisible" : "");
}

// What the platform's own objects can show, probed on plain windows of the system's classes.
struct TPlatform {
    bool ButtonRoles = false;  // push buttons and check boxes have their roles
    bool Checked = false;      // a ticked box says so
    bool TextRole = false;     // an edit box has the editable-text role
    bool LabelNames = false;   // an edit box is named after the label before it
    bool ReadOnly = false;     // a read-only edit box says so
    bool OutlineRole = false;  // a tree has the outline role
    bool HiddenParent = false; // a control on a hidden parent says it is invisible

    TPlatform()
    {
        HWND top = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
        const auto child = [top](const char* cls, const char* text, DWORD style, HWND parent = nullptr) {
            return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 50, 20, parent ? parent : top,
                                   nullptr, nullptr, nullptr);
        };
        HWND button = child("BUTTON", "b", BS_PUSHBUTTON);
        HWND box = child("BUTTON", "c", BS_AUTOCHECKBOX);
        SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
        child("STATIC", "label", 0);
        HWND edit = child("EDIT", "", ES_READONLY);
        HWND tree = child(WC_TREEVIEWA, "", 0);
        HWND hidden = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 50, 50, top, nullptr, nullptr, nullptr);
        HWND inHidden = child("BUTTON", "h", BS_PUSHBUTTON, hidden);
        ButtonRoles = Read(button).Role == ROLE_SYSTEM_PUSHBUTTON && Read(box).Role == ROLE_SYSTEM_CHECKBUTTON;
        Checked = (Read(box).State & STATE_SYSTEM_CHECKED) != 0;
        TextRole = Read(edit).Role == ROLE_SYSTEM_TEXT;
        LabelNames = Read(edit).Name == "label";
        ReadOnly = (Read(edit).State & STATE_SYSTEM_READONLY) != 0;
        OutlineRole = Read(tree).Role == ROLE_SYSTEM_OUTLINE;
        HiddenParent = (Read(inHidden).State & STATE_SYSTEM_INVISIBLE) != 0;
        DestroyWindow(top);
    }
};

// Runs a check the platform can show; otherwise says why it is skipped.
template <typename F>
void WhereShown(bool shown, const char* reason, F check)
{
    if (shown)
        check();
    else
        MESSAGE("skipped: " << std::string(reason));
}

}  // namespace

TEST_SUITE("Tfrm_Main accessibility") {

TEST_CASE("the buttons are heard by their captions, unavailable while disabled and invisible while hidden")
{
    const TPlatform platform;
    TScratchFolder scratch;
    TWizard wizard;
    Tfrm_Main& form = *wizard.Form;
    const auto heard = [&] { return Heard(*form.btn_Prev) + " | " + Heard(*form.btn_Next) + " | " + Heard(*form.btn_Cancel); };

    CHECK(heard() == "< Back invisible | Next > | Cancel");
    wizard.Next();
    CHECK(heard() == "< Back | Next > unavailable | Cancel");
    form.cbx_Accept->SetChecked(true);
    CHECK(heard() == "< Back | Next > | Cancel");
    wizard.Next();
    form.edt_Folder->SetText((scratch.Path() / "target").string());
    wizard.Next();
    CHECK(heard() == "< Back | Finish | Cancel");

    TPayloadModule module(WritePayload({{"a.txt", Bytes("alpha")}}));
    std::vector<std::string> during;
    TMessageWatch watch(form.ProgressBar1->Handle(), [&](UINT message, WPARAM, LPARAM) {
        if (message == PBM_SETPOS)
            during.push_back(heard());
    });
    wizard.Install(module);
    REQUIRE_FALSE(during.empty());
    CHECK(during.back() == "< Back unavailable | Finish unavailable | Cancel unavailable");
    CHECK(heard() == "< Back unavailable | Finish unavailable | Exit");

    WhereShown(platform.ButtonRoles, "the platform's objects give push buttons no role of their own", [&] {
        for (TButton* button : {form.btn_Prev, form.btn_Next, form.btn_Cancel})
            CHECK(Read(button->Handle()).Role == ROLE_SYSTEM_PUSHBUTTON);
    });
}

TEST_CASE("the check box, the licence text, the folder box and the tree say what they are and hold")
{
    const TPlatform platform;
    TWizard wizard;
    Tfrm_Main& form = *wizard.Form;

    wizard.Next();
    TAccessible box = Read(form.cbx_Accept->Handle());
    CHECK(box.Name == "I agree to the terms and conditions of this license");
    CHECK((box.State & STATE_SYSTEM_FOCUSED) != 0);
    CHECK((box.State & STATE_SYSTEM_FOCUSABLE) != 0);
    WhereShown(platform.ButtonRoles, "the platform's objects give check boxes no role of their own",
               [&] { CHECK(box.Role == ROLE_SYSTEM_CHECKBUTTON); });
    CHECK((box.State & STATE_SYSTEM_CHECKED) == 0);
    form.cbx_Accept->SetChecked(true);
    WhereShown(platform.Checked, "the platform's objects do not say that a box is ticked",
               [&] { CHECK((Read(form.cbx_Accept->Handle()).State & STATE_SYSTEM_CHECKED) != 0); });

    const TAccessible licence = Read(form.Memo1->Handle());
    CHECK(licence.Value.substr(0, 42) == "VELTO SHELL COMPONENTS - LICENSE AGREEMENT");
    CHECK((licence.State & STATE_SYSTEM_FOCUSED) == 0);
    WhereShown(platform.LabelNames, "the platform's objects do not name an edit box after its label",
               [&] { CHECK(licence.Name == "LICENSE AGREEMENT"); });
    WhereShown(platform.TextRole, "the platform's objects give edit boxes no text role",
               [&] { CHECK(licence.Role == ROLE_SYSTEM_TEXT); });
    WhereShown(platform.ReadOnly, "the platform's objects do not say that an edit box is read-only",
               [&] { CHECK((licence.State & STATE_SYSTEM_READONLY) != 0); });

    wizard.Next();
    const TAccessible folder = Read(form.edt_Folder->Handle());
    CHECK(folder.Value == form.edt_Folder->Text());
    CHECK((folder.State & STATE_SYSTEM_FOCUSED) != 0);
    CHECK((folder.State & STATE_SYSTEM_READONLY) == 0);
    WhereShown(platform.LabelNames, "the platform's objects do not name an edit box after its label",
               [&] { CHECK(folder.Name == form.lbl_Folder1->Caption()); });
    WhereShown(platform.TextRole, "the platform's objects give edit boxes no text role",
               [&] { CHECK(folder.Role == ROLE_SYSTEM_TEXT); });

    form.VeltoShellTreeView1->SetFocus();
    const TAccessible tree = Read(form.VeltoShellTreeView1->Handle());
    CHECK((tree.State & (STATE_SYSTEM_FOCUSED | STATE_SYSTEM_FOCUSABLE)) == (STATE_SYSTEM_FOCUSED | STATE_SYSTEM_FOCUSABLE));
    CHECK((tree.State & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE)) == 0);
    WhereShown(platform.OutlineRole, "the platform's objects give trees no outline role",
               [&] { CHECK(tree.Role == ROLE_SYSTEM_OUTLINE); });

    // The controls of the pages not shown are invisible to a screen reader as well.
    wizard.Next();
    WhereShown(platform.HiddenParent, "the platform's objects read only a window's own visible style", [&] {
        CHECK((Read(form.VeltoShellTreeView1->Handle()).State & STATE_SYSTEM_INVISIBLE) != 0);
        CHECK((Read(form.cbx_Accept->Handle()).State & STATE_SYSTEM_INVISIBLE) != 0);
    });
}

}  // TEST_SUITE
