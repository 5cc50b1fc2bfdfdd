// A form scaled at load from the dpi its text was made for to the screen's: places by their edges,
// fonts, borders, size limits, the client size, the trees' indentation and the pictures.
#include "ControlTestHelpers.h"

#include "../../framework/FormReader.h"
#include "../../framework/TreeView.h"

#include <memory>

namespace {

class TScaleTestForm : public TForm {
public:
    DECLARE_CLASS_INFO

    // The tree is made in code before the text is read: the form scales what it holds at load.
    explicit TScaleTestForm(const std::string& text) : TForm(nullptr)
    {
        Tree = new TCustomTreeView(this);
        Tree->SetParent(this);
        Tree->SetBounds(0, 0, 40, 30);
        RegisterFrameworkClasses();
        ReadForm(*this, text);
    }
    ~TScaleTestForm() override { DestroyHandle(); }

    TCustomTreeView* Tree = nullptr;

    TControl& Named(const char* name) const
    {
        auto* control = dynamic_cast<TControl*>(FindComponent(name));
        REQUIRE(control);
        return *control;
    }
};

const TClassInfo& TScaleTestForm::StaticClassInfo()
{
    static const TClassInfo info{.Name = "TScaleTestForm", .Parent = &TForm::StaticClassInfo()};
    return info;
}

// Box and Next meet at x = 24; Side's border and the picture's place are lengths of the design too.
std::string FormText(const std::string& dpiLine)
{
    return "object ScaleForm: TScaleTestForm\n"
           "  BorderStyle = bsSingle\n"
           "  ClientWidth = 300\n"
           "  ClientHeight = 150\n"
           "  Font.Height = -13\n"
           "  Font.Name = 'Microsoft Sans Serif'\n" +
           dpiLine +
           "  object Side: TPanel\n"
           "    Width = 41\n"
           "    Align = alLeft\n"
           "    BorderWidth = 3\n"
           "    object Picture: TImage\n"
           "      Left = 5\n"
           "      Top = 7\n"
           "      AutoSize = True\n"
           "      PictureResource = 'TESTPICTURE'\n"
           "    end\n"
           "    object Filler: TPanel\n"
           "      Height = 11\n"
           "      Align = alBottom\n"
           "    end\n"
           "  end\n"
           "  object Box: TEdit\n"
           "    Left = 43\n"
           "    Top = 5\n"
           "    Width = 21\n"
           "    Height = 13\n"
           "  end\n"
           "  object Next: TEdit\n"
           "    Left = 64\n"
           "    Top = 5\n"
           "    Width = 11\n"
           "    Height = 13\n"
           "  end\n"
           "  object Bold: TLabel\n"
           "    Left = 43\n"
           "    Top = 21\n"
           "    Caption = 'x'\n"
           "    Font.Height = -19\n"
           "    Font.Style = [fsBold]\n"
           "  end\n"
           "end\n";
}

int ScreenDpi()
{
    return Screen->PixelsPerInch();
}

// A length of the design at the scale screen / design, rounded to the nearest pixel, halves up.
int At(int length, int screen, int design)
{
    return (length * screen * 2 + design) / (design * 2);
}

// The place a control of design place (left, top, width, height) takes: its edges scaled.
TBox ScaledBox(int left, int top, int width, int height, int screen, int design)
{
    return {At(left, screen, design), At(top, screen, design),
            At(left + width, screen, design) - At(left, screen, design),
            At(top + height, screen, design) - At(top, screen, design)};
}

// The colour of the picture's middle pixel, as the image shows it.
COLORREF MiddlePixel(TImage& image)
{
    auto shown = reinterpret_cast<HBITMAP>(SendMessageA(image.Handle(), STM_GETIMAGE, IMAGE_BITMAP, 0));
    REQUIRE(shown);
    BITMAP info{};
    GetObjectA(shown, sizeof info, &info);
    TScreenDC screen(GetDC(nullptr));
    HDC dc = CreateCompatibleDC(screen.get());
    const HGDIOBJ old = SelectObject(dc, shown);
    const COLORREF colour = GetPixel(dc, info.bmWidth / 2, info.bmHeight / 2);
    SelectObject(dc, old);
    DeleteDC(dc);
    return colour;
}

struct TScaleCase {
    const char* What;
    int Design;       // the dpi the form text gives, 0 for none; the factor is screen / design
    bool Scaled;
    bool FromDouble;  // the picture drawn from its double-size twin (all green) rather than itself
};

}  // namespace

TEST_SUITE("TForm scaling") {

TEST_CASE("a form made for another dpi scales every length inside it to the screen's at load")
{
    const int screen = ScreenDpi();
    const TScaleCase cases[] = {
        {"made for this screen", screen, true, false},
        {"no dpi given: made for this screen", 0, true, false},
        {"one and a half times", screen * 2 / 3, true, true},
        {"twice", screen / 2, true, true},
        {"two thirds", screen * 3 / 2, true, false},
        {"not to be scaled", screen / 2, false, false},
    };
    for (const TScaleCase& c : cases) {
        CAPTURE(std::string(c.What));
        const std::string dpiLine = (c.Design ? "  PixelsPerInch = " + std::to_string(c.Design) + "\n" : "") +
                                    (c.Scaled ? "" : "  Scaled = False\n");
        TScaleTestForm form(FormText(dpiLine));
        const int design = c.Scaled && c.Design ? c.Design : screen;
        const auto at = [&](int length) { return At(length, screen, design); };
        form.Show();

        CHECK(form.PixelsPerInch() == (c.Scaled || !c.Design ? screen : c.Design));
        CHECK(ClientBox(form.Handle()) == TBox{0, 0, at(300), at(150)});
        CHECK(form.Font()->Height() == -at(13));
        TControl& bold = form.Named("Bold");
        CHECK(bold.Font()->Height() == -at(19));
        CHECK(InSet(bold.Font()->Style(), fsBold));
        // A font taken from the parent is scaled once, by the parent.
        CHECK(form.Named("Box").Font()->Height() == -at(13));

        // Edges that met at design time still meet.
        auto& box = dynamic_cast<TWinControl&>(form.Named("Box"));
        auto& next = dynamic_cast<TWinControl&>(form.Named("Next"));
        CHECK(WindowBox(box.Handle()) == ScaledBox(43, 5, 21, 13, screen, design));
        CHECK(WindowBox(next.Handle()) == ScaledBox(64, 5, 11, 13, screen, design));
        CHECK(WindowBox(box.Handle()).Left + WindowBox(box.Handle()).Width == WindowBox(next.Handle()).Left);

        auto& side = dynamic_cast<TWinControl&>(form.Named("Side"));
        CHECK(side.BorderWidth() == at(3));
        CHECK(WindowBox(side.Handle()) == TBox{0, 0, at(41), at(150)});
        CHECK(form.Named("Filler").Height() == at(11));

        auto& picture = dynamic_cast<TImage&>(form.Named("Picture"));
        CHECK(WindowBox(picture.Handle()) == TBox{at(5), at(7), at(16), at(8)});
        CHECK(picture.PictureSize().cx == at(16));
        CHECK(picture.PictureSize().cy == at(8));
        CHECK((MiddlePixel(picture) == RGB(0, 128, 0)) == c.FromDouble);

        CHECK(form.Tree->Indent() == at(19));
        // The native tree keeps an indentation of at least its own minimum, 19 pixels.
        if (at(19) >= 19)
            CHECK(SendMessageA(form.Tree->Handle(), TVM_GETINDENT, 0, 0) == at(19));
    }
}

TEST_CASE("ScaleBy scales a control's place by its edges and remembers the scale for its own lengths")
{
    THostForm host;
    TPanel panel(&host);
    panel.SetParent(&host);
    panel.SetBounds(3, 5, 21, 13);
    panel.Constraints()->SetMinHeight(9);
    panel.Constraints()->SetMaxWidth(30);
    panel.ScaleBy(3, 2);
    CHECK(FieldBox(panel) == TBox{5, 8, 36 - 5, 27 - 8});
    CHECK(panel.Constraints()->MinHeight() == 14);
    CHECK(panel.Constraints()->MaxWidth() == 45);
    CHECK(panel.Constraints()->MinWidth() == 0);
    CHECK(panel.ScaledLength(4) == 6);
    panel.ScaleBy(2, 3);
    CHECK(panel.ScaledLength(4) == 4);
    // A scale of one leaves every length alone, rounding included.
    panel.ScaleBy(7, 7);
    CHECK(FieldBox(panel) == TBox{3, 5, 21, 13});
    CHECK(panel.Constraints()->MinHeight() == 9);
}

}  // TEST_SUITE
