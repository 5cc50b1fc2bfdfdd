// A form's key preview: the keys that go down anywhere in the form reach its OnKeyDown first, and a
// key it keeps goes no further.
#include "ControlTestHelpers.h"

#include <memory>

namespace {

// A form with a memo that takes Enter as a line break, and a record of what OnKeyDown saw.
class TPreviewForm : public THostForm {
public:
    TPreviewForm()
    {
        Memo = new TMemo(this);
        Memo->SetParent(this);
        Memo->SetBounds(0, 0, 200, 100);
        SetKeyPreview(true);
        OnKeyDown = [this](TObject* sender, WORD& key, TShiftState shift) {
            Seen.push_back((sender == this ? "form " : "another ") + std::to_string(key) +
                           (InSet(shift, ssAlt) ? " alt" : "") + (InSet(shift, ssCtrl) ? " ctrl" : ""));
            if (Keep)
                key = 0;
            if (Throw)
                throw Exception("the handler failed");
        };
        Show();
        Memo->SetFocus();
    }

    // Posts a key to the memo the way the keyboard does, and lets the message loop handle it.
    void Press(UINT message, WORD key, LPARAM data = 1)
    {
        PostMessageA(Memo->Handle(), message, key, data);
        PostMessageA(Memo->Handle(), message == WM_SYSKEYDOWN ? WM_SYSKEYUP : WM_KEYUP, key, data | 0xC0000000);
        Application->ProcessMessages();
    }

    TMemo* Memo = nullptr;
    std::vector<std::string> Seen;
    bool Keep = false;
    bool Throw = false;
};

struct TPreviewCase {
    const char* What;
    bool Preview;
    bool Keep;
    UINT Message;
    WORD Key;
    LPARAM Data;
    std::vector<std::string> Seen;
    bool LineBreak;  // the memo got the key and broke its line
};

}  // namespace

TEST_SUITE("TForm key preview") {

TEST_CASE("with KeyPreview the form sees each key first, and a key it keeps never reaches the control")
{
    constexpr LPARAM alt = 1 | (1 << 29);
    // clang-format off
    const TPreviewCase cases[] = {
        {"kept Enter",                true,  true,  WM_KEYDOWN,    VK_RETURN, 1,   {"form 13"},     false},
        {"Enter passed on",           true,  false, WM_KEYDOWN,    VK_RETURN, 1,   {"form 13"},     true},
        {"no preview",                false, true,  WM_KEYDOWN,    VK_RETURN, 1,   {},              true},
        {"Alt+N, from the message",   true,  true,  WM_SYSKEYDOWN, 'N',       alt, {"form 78 alt"}, false},
        {"a key released is no key",  true,  true,  WM_KEYUP,      VK_RETURN, 1,   {},              false},
    };
    // clang-format on
    for (const TPreviewCase& c : cases) {
        CAPTURE(std::string(c.What));
        auto form = std::make_unique<TPreviewForm>();
        form->SetKeyPreview(c.Preview);
        form->Keep = c.Keep;
        if (c.Message == WM_KEYUP) {
            PostMessageA(form->Memo->Handle(), WM_KEYUP, c.Key, c.Data | 0xC0000000);
            Application->ProcessMessages();
        } else {
            form->Press(c.Message, c.Key, c.Data);
        }
        CHECK(form->Seen == c.Seen);
        CHECK((form->Memo->Text().find('\n') != std::string::npos) == c.LineBreak);
    }
}

TEST_CASE("an error in the form's key handler goes to the error display and the key goes no further")
{
    TErrorRecorder errors;
    TPreviewForm form;
    form.Keep = true;
    form.Throw = true;
    form.Press(WM_KEYDOWN, VK_RETURN);
    CHECK(errors.Texts == std::vector<std::string>{"the handler failed"});
    CHECK(form.Memo->Text().empty());
    // The loop goes on: the next key arrives as well.
    form.Throw = false;
    form.Press(WM_KEYDOWN, VK_ESCAPE);
    CHECK(form.Seen == std::vector<std::string>{"form 13", "form 27"});
}

}  // TEST_SUITE
