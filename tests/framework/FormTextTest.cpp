// Reading and writing form descriptions.
#include "TestComponents.h"

#include <doctest.h>

namespace {

const char* const SampleForm = R"(object TestForm1: TTestForm
  object Widget1: TTestWidget
    Visible = False
    Width = wdWide
    Caption = 'it''s'#13#10'two lines'
    Shade = shDark
    Options = [opSecond, opThird]
    Lines = (
      'first'
      'second')
    Font.Name = 'Mono'
    Buddy = Widget2
    OnPoke = Widget1Poke
    object Widget2: TTestWidget
      Caption = 'inner' +
        ' joined'
    end
  end
end
)";

std::string ReadError(const std::string& text)
{
    RegisterTestClasses();
    TTestForm form;
    try {
        ReadForm(form, text);
    } catch (const EFormError& e) {
        return e.what();
    }
    return "(read)";
}

std::string WithWidget(const std::string& properties)
{
    return "object F: TTestForm\n  object Widget1: TTestWidget\n" + properties + "\n  end\nend\n";
}

}  // namespace

TEST_SUITE("FormReader") {

TEST_CASE("a form text creates, nests and sets components, wires handlers and resolves references")
{
    RegisterTestClasses();
    TTestForm form;
    ReadForm(form, SampleForm);

    REQUIRE(form.Widget1 != nullptr);
    REQUIRE(form.Widget2 != nullptr);
    TTestWidget& w = *form.Widget1;
    CHECK(form.Name() == "TestForm1");
    CHECK(w.Owner() == &form);
    CHECK(form.Widget2->Owner() == &form);
    CHECK(form.Widget2->GetParentComponent() == &w);
    CHECK(w.GetParentComponent() == &form);
    CHECK_FALSE(w.FVisible);
    CHECK(w.FWidth == 500);
    CHECK(w.FCaption == "it's\r\ntwo lines");
    CHECK(w.FShade == shDark);
    CHECK(w.FOptions == 6u);
    CHECK(w.FLines == std::vector<std::string>{"first", "second"});
    CHECK(w.FFont.FName == "Mono");
    CHECK(form.Widget2->FCaption == "inner joined");

    // The forward reference was resolved before anyone heard that loading ended.
    CHECK(w.FBuddy == form.Widget2);
    CHECK(w.LoadingSeenInLoaded);
    CHECK(w.Log == std::vector<std::string>{"loaded with buddy Widget2"});
    CHECK_FALSE(w.IsLoading());
    CHECK_FALSE(form.IsLoading());

    REQUIRE(w.OnPoke);
    w.OnPoke(&w);
    CHECK(form.Poked == std::vector<TObject*>{&w});

    SUBCASE("the written form reads back to the same form")
    {
        const std::string written = WriteForm(form);
        TTestForm copy;
        ReadForm(copy, written);
        CHECK(WriteForm(copy) == written);
        CHECK(written.find("OnPoke = Widget1Poke") != std::string::npos);
        CHECK(written.find("Buddy = Widget2") != std::string::npos);
    }
}

TEST_CASE("a component writes only the values that differ from their defaults")
{
    TTestForm form;
    TTestWidget w(&form);
    w.SetName("W");
    CHECK(WriteComponent(w) == "object W: TTestWidget\nend\n");

    w.SetVisible(true);
    CHECK(w.SetCount == 0);  // the setter acts only on a changed value
    w.SetVisible(false);
    w.SetVisible(false);
    CHECK(w.SetCount == 1);
    w.FFont.FHeight = -13;
    w.FShade = shLight;
    CHECK(WriteComponent(w) == "object W: TTestWidget\n  Visible = False\n  Shade = shLight\n  Font.Height = -13\nend\n");
}

TEST_CASE("a bad form text is an exception that names the component and the property")
{
    CHECK(ReadError("object F: TOtherForm\nend") == "the form text describes a TOtherForm, not a TTestForm");
    CHECK(ReadError("object F: TTestForm\n  object W: TNope\n  end\nend").starts_with("W: unknown class TNope"));
    CHECK(ReadError(WithWidget("Colour = 3")).starts_with("Widget1.Colour: unknown property"));
    CHECK(ReadError(WithWidget("Font.Colour = 3")).starts_with("Widget1.Font.Colour: unknown property"));
    CHECK(ReadError(WithWidget("Width = 'wide'")).starts_with("Widget1.Width: an integer expected"));
    CHECK(ReadError(WithWidget("Width = wdNarrow")).starts_with("Widget1.Width: an integer expected"));
    CHECK(ReadError(WithWidget("Visible = 1")).starts_with("Widget1.Visible: True or False expected"));
    CHECK(ReadError(WithWidget("Shade = shPurple")).starts_with("Widget1.Shade: 'shPurple' is not a valid value"));
    CHECK(ReadError(WithWidget("Options = [opFourth]")).starts_with("Widget1.Options: 'opFourth' is not a valid value"));
    CHECK(ReadError(WithWidget("OnPoke = Missing")).starts_with("Widget1.OnPoke: unknown handler Missing"));
    CHECK(ReadError(WithWidget("OnPoke = WrongShape")).starts_with("Widget1.OnPoke: the handler has the wrong parameters"));
    CHECK(ReadError(WithWidget("Buddy = Nobody")).starts_with("Widget1.Buddy: unknown component Nobody"));
    CHECK(ReadError(WithWidget("Caption = 'open")) == "form text line 3: unterminated string");
    CHECK(ReadError(WithWidget("Caption 'x'")) == "form text line 3: '=' expected");
    CHECK(ReadError("object F: TTestForm\n  object Widget1: TTestWidget\n  end") == "form text line 3: a name expected");
    CHECK(ReadError("object F: TTestForm\nend\nend") == "form text line 3: text after the last 'end'");
}

TEST_CASE("strings survive formatting and parsing, whatever they hold")
{
    for (const std::string& text : {std::string(), std::string("''"), std::string("a'b"), std::string("\r\n"),
                                   std::string("tab\there"), std::string("\x01x\x1f"), std::string("caf\xe9")}) {
        TFormObject object{"W", "TTestWidget"};
        object.Properties.push_back({"Caption", TValue::Str(text)});
        object.Properties.push_back({"Lines", TValue::Lines({text, text})});
        const TFormObject parsed = ParseFormText(FormatFormText(object));
        CHECK(parsed.Properties.at(0).Value == TValue::Str(text));
        CHECK(parsed.Properties.at(1).Value == TValue::Lines({text, text}));
    }
}

}  // TEST_SUITE
