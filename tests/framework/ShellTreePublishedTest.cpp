// The inherited control properties a shell tree view publishes: none written at its defaults, all
// read back from a form text.
#include "ControlTestHelpers.h"

#include "../../framework/FormReader.h"
#include "../../framework/Menus.h"
#include "../../shell/VeltoShellTreeView.h"

namespace {

class TPublishedTestForm : public TForm {
public:
    DECLARE_CLASS_INFO
    TPublishedTestForm() : TForm(nullptr) {}

    TVeltoShellTreeView* Tree = nullptr;
    TPopupMenu* Menu1 = nullptr;
};

const TClassInfo& TPublishedTestForm::StaticClassInfo()
{
    using F = TPublishedTestForm;
    static const TClassInfo info{.Name = "TPublishedTestForm",
                                 .Parent = &TForm::StaticClassInfo(),
                                 .Fields = {Field<F>("Tree", &F::Tree), Field<F>("Menu1", &F::Menu1)}};
    return info;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

const char* const Added[] = {"Anchors", "BiDiMode", "Constraints", "ParentBiDiMode", "ParentShowHint", "PopupMenu"};

}  // namespace

TEST_SUITE("TVeltoShellTreeView") {

TEST_CASE("the inherited properties are published in their order, and none is written at its default")
{
    std::vector<std::string> names;
    for (const TPropertyInfo& info : TVeltoShellTreeView::StaticClassInfo().Properties)
        names.push_back(info.Name);
    const auto at = [&](const std::string& name) {
        return std::find(names.begin(), names.end(), name) - names.begin();
    };
    for (const char* name : Added)
        CHECK_MESSAGE(at(name) < static_cast<std::ptrdiff_t>(names.size()), name);
    CHECK(at("Align") < at("Anchors"));
    CHECK(at("Anchors") < at("BiDiMode"));
    CHECK(at("BiDiMode") < at("BorderStyle"));
    CHECK(at("Ctl3D") < at("Constraints"));
    CHECK(at("Constraints") < at("Font"));
    CHECK(at("Indent") < at("ParentBiDiMode"));
    CHECK(at("ParentBiDiMode") < at("ParentColor"));
    CHECK(at("ParentFont") < at("ParentShowHint"));
    CHECK(at("ParentShowHint") < at("PopupMenu"));
    CHECK(at("PopupMenu") < at("RowSelect"));

    THostForm form;
    auto* tree = new TVeltoShellTreeView(&form);
    tree->SetParent(&form);
    tree->SetAutoRefresh(false);
    const std::string written = WriteComponent(*tree);
    for (const char* name : Added)
        CHECK_MESSAGE(!Contains(written, name), name);
    CHECK_FALSE(Contains(written, "ShowHint"));
}

TEST_CASE("a form text sets every one of them")
{
    RegisterFrameworkClasses();
    RegisterVeltoShellClasses();
    TPublishedTestForm form;
    ReadForm(form, "object PublishedTestForm: TPublishedTestForm\n"
                   "  ClientHeight = 300\n"
                   "  ClientWidth = 400\n"
                   "  ShowHint = True\n"
                   "  object Tree: TVeltoShellTreeView\n"
                   "    Left = 10\n"
                   "    Top = 10\n"
                   "    Width = 100\n"
                   "    Height = 500\n"
                   "    Anchors = [akLeft, akTop, akRight]\n"
                   "    AutoRefresh = False\n"
                   "    BiDiMode = bdRightToLeftNoAlign\n"
                   "    Constraints.MaxHeight = 200\n"
                   "    Constraints.MinWidth = 150\n"
                   "    ParentBiDiMode = False\n"
                   "    ParentShowHint = False\n"
                   "    PopupMenu = Menu1\n"
                   "    ShowHint = False\n"
                   "  end\n"
                   "  object Menu1: TPopupMenu\n"
                   "  end\n"
                   "end\n");
    REQUIRE(form.Tree);
    TVeltoShellTreeView& tree = *form.Tree;
    CHECK(tree.Anchors() == SetOf({akLeft, akTop, akRight}));
    CHECK(tree.BiDiMode() == bdRightToLeftNoAlign);
    CHECK_FALSE(tree.ParentBiDiMode());
    CHECK(tree.Constraints()->MaxHeight() == 200);
    CHECK(tree.Constraints()->MinWidth() == 150);
    CHECK(FieldBox(tree) == TBox{10, 10, 150, 200});
    CHECK_FALSE(tree.ParentShowHint());
    CHECK_FALSE(tree.ShowHint());
    CHECK(tree.PopupMenu() == form.Menu1);
    const auto exStyle = GetWindowLongPtrA(tree.Handle(), GWL_EXSTYLE);
    CHECK((exStyle & (WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR)) == (WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR));

    const std::string written = WriteComponent(tree);
    for (const char* line : {"Anchors = [akLeft, akTop, akRight]", "BiDiMode = bdRightToLeftNoAlign",
                             "Constraints.MaxHeight = 200", "Constraints.MinWidth = 150", "ParentBiDiMode = False",
                             "ParentShowHint = False", "ShowHint = False", "PopupMenu = Menu1"})
        CHECK_MESSAGE(Contains(written, line), line);
}

}  // TEST_SUITE
