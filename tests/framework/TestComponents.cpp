// Property tables of the test components.
#include "TestComponents.h"

const TClassInfo& TTestFont::StaticClassInfo()
{
    static const TClassInfo info{
        .Name = "TTestFont",
        .Parent = &TPersistent::StaticClassInfo(),
        .Properties = {
            StringProperty<TTestFont>("Name", [](const TTestFont& f) { return f.FName; }, [](TTestFont& f, const std::string& v) { f.FName = v; }),
            IntProperty<TTestFont>("Height", [](const TTestFont& f) { return f.FHeight; }, [](TTestFont& f, int v) { f.FHeight = v; }),
        },
        .New = [] { return std::make_unique<TTestFont>(); }};
    return info;
}

namespace {
const TEnumInfo ShadeInfo{{"shLight", "shMedium", "shDark"}};
const TEnumInfo OptionInfo{{"opFirst", "opSecond", "opThird"}};
const TIdentMap WidthIdents{{{"wdWide", 500}}};
}  // namespace

const TClassInfo& TTestWidget::StaticClassInfo()
{
    using W = TTestWidget;
    static const TClassInfo info{
        .Name = "TTestWidget",
        .Parent = &TComponent::StaticClassInfo(),
        .Properties = {
            BoolProperty<W>("Visible", &W::Visible, &W::SetVisible),
            IntProperty<W>("Width", [](const W& w) { return w.FWidth; }, [](W& w, int v) { w.FWidth = v; }, FreshDefault, &WidthIdents),
            StringProperty<W>("Caption", [](const W& w) { return w.FCaption; }, [](W& w, const std::string& v) { w.FCaption = v; }),
            EnumProperty<W, TShade>("Shade", ShadeInfo, [](const W& w) { return w.FShade; }, [](W& w, TShade v) { w.FShade = v; }),
            SetProperty<W>("Options", OptionInfo, [](const W& w) { return w.FOptions; }, [](W& w, std::uint32_t v) { w.FOptions = v; }),
            StringsProperty<W>("Lines", [](const W& w) { return w.FLines; }, [](W& w, const std::vector<std::string>& v) { w.FLines = v; }),
            ComponentProperty<W, W>("Buddy", [](const W& w) { return w.FBuddy; }, [](W& w, W* v) { w.FBuddy = v; if (v) w.FreeNotification(v); }),
            ObjectProperty<W>("Font", [](W& w) { return &w.FFont; }),
            EventProperty<W>("OnPoke", &W::OnPoke),
        },
        .Create = [](TComponent* owner) -> TComponent* { return new W(owner); }};
    return info;
}

void TTestWidget::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove) {
        Log.push_back("removed " + component->Name());
        if (component == FBuddy)
            FBuddy = nullptr;
    }
}

void TTestWidget::Loaded()
{
    LoadingSeenInLoaded = IsLoading();
    TComponent::Loaded();
    // Every reference is resolved by the time any component hears that loading has ended.
    Log.push_back("loaded" + std::string(FBuddy ? " with buddy " + FBuddy->Name() : ""));
}

const TClassInfo& TTestForm::StaticClassInfo()
{
    static const TClassInfo info{
        .Name = "TTestForm",
        .Parent = &TComponent::StaticClassInfo(),
        .Methods = {Method<TTestForm>("Widget1Poke", &TTestForm::Widget1Poke), Method<TTestForm>("WrongShape", &TTestForm::WrongShape)},
        .Fields = {Field<TTestForm>("Widget1", &TTestForm::Widget1), Field<TTestForm>("Widget2", &TTestForm::Widget2)}};
    return info;
}

void RegisterTestClasses()
{
    RegisterClasses({&TTestWidget::StaticClassInfo()});
}
