// The names of the control enumerations and the property table entries that control classes share.
#include "Controls.h"

#include "Menus.h"

const TEnumInfo& AlignInfo()
{
    static const TEnumInfo info{{"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}};
    return info;
}

const TEnumInfo& FormBorderStyleInfo()
{
    static const TEnumInfo info{{"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}};
    return info;
}

const TEnumInfo& BorderStyleInfo()
{
    static const TEnumInfo info{{"bsNone", "bsSingle"}};
    return info;
}

const TEnumInfo& AnchorKindInfo()
{
    static const TEnumInfo info{{"akLeft", "akTop", "akRight", "akBottom"}};
    return info;
}

const TEnumInfo& BiDiModeInfo()
{
    static const TEnumInfo info{{"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"}};
    return info;
}

namespace ControlProperties {

TPropertyInfo Align()
{
    return EnumProperty<TControl, TAlign>("Align", AlignInfo(), &TControl::Align, &TControl::SetAlign, alNone);
}

TPropertyInfo Visible(bool def)
{
    return BoolProperty<TControl>("Visible", &TControl::Visible, &TControl::SetVisible, def);
}

TPropertyInfo Enabled()
{
    return BoolProperty<TControl>("Enabled", &TControl::Enabled, &TControl::SetEnabled, true);
}

TPropertyInfo Caption()
{
    return StringProperty<TControl>("Caption", &TControl::Caption, &TControl::SetCaption, std::string());
}

TPropertyInfo Text()
{
    return StringProperty<TControl>("Text", &TControl::Text, &TControl::SetText, std::string());
}

TPropertyInfo Color(TColor def)
{
    TPropertyInfo info = IdentIntProperty<TControl>("Color", &TControl::Color, &TControl::SetColor, def, ColorIdents());
    info.Stored = [def](const TPersistent& o) {
        const auto& control = static_cast<const TControl&>(o);
        return !control.ParentColor() && control.Color() != def;
    };
    return info;
}

TPropertyInfo ParentColor(bool def)
{
    return BoolProperty<TControl>("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, def);
}

TPropertyInfo Font()
{
    TPropertyInfo info = ObjectProperty<TControl>("Font", [](TControl& c) -> TPersistent* { return c.Font(); });
    info.Stored = [](const TPersistent& o) { return !static_cast<const TControl&>(o).ParentFont(); };
    return info;
}

TPropertyInfo ParentFont()
{
    return BoolProperty<TControl>("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true);
}

TPropertyInfo Cursor()
{
    return IdentIntProperty<TControl>("Cursor", &TControl::Cursor, &TControl::SetCursor, crDefault, CursorIdents());
}

TPropertyInfo Ctl3D()
{
    TPropertyInfo info = BoolProperty<TControl>("Ctl3D", &TControl::Ctl3D, &TControl::SetCtl3D, true);
    info.Stored = [](const TPersistent& o) {
        const auto& control = static_cast<const TControl&>(o);
        return !control.ParentCtl3D() && !control.Ctl3D();
    };
    return info;
}

TPropertyInfo ParentCtl3D()
{
    return BoolProperty<TControl>("ParentCtl3D", &TControl::ParentCtl3D, &TControl::SetParentCtl3D, true);
}

TPropertyInfo Hint()
{
    return StringProperty<TControl>("Hint", &TControl::Hint, &TControl::SetHint, std::string());
}

TPropertyInfo ShowHint()
{
    TPropertyInfo info = BoolProperty<TControl>("ShowHint", &TControl::ShowHint, &TControl::SetShowHint, false);
    info.Stored = [](const TPersistent& o) { return !static_cast<const TControl&>(o).ParentShowHint(); };
    return info;
}

TPropertyInfo ParentShowHint()
{
    return BoolProperty<TControl>("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint, true);
}

TPropertyInfo Anchors()
{
    return SetProperty<TControl>("Anchors", AnchorKindInfo(), &TControl::Anchors, &TControl::SetAnchors,
                                 SetOf({akLeft, akTop}));
}

TPropertyInfo BiDiMode()
{
    TPropertyInfo info = EnumProperty<TControl, TBiDiMode>("BiDiMode", BiDiModeInfo(), &TControl::BiDiMode,
                                                           &TControl::SetBiDiMode, bdLeftToRight);
    info.Stored = [](const TPersistent& o) { return !static_cast<const TControl&>(o).ParentBiDiMode(); };
    return info;
}

TPropertyInfo ParentBiDiMode()
{
    return BoolProperty<TControl>("ParentBiDiMode", &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode, true);
}

TPropertyInfo Constraints()
{
    return ObjectProperty<TControl>("Constraints", [](TControl& c) -> TPersistent* { return c.Constraints(); });
}

TPropertyInfo PopupMenu()
{
    return ComponentProperty<TControl, TPopupMenu>("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
}

TPropertyInfo TabOrder()
{
    return IntProperty<TWinControl>("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
}

TPropertyInfo TabStop(bool def)
{
    return BoolProperty<TWinControl>("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, def);
}

TPropertyInfo BorderWidth()
{
    return IntProperty<TWinControl>("BorderWidth", &TWinControl::BorderWidth, &TWinControl::SetBorderWidth, 0);
}

TPropertyInfo OnClick()
{
    return EventProperty<TControl>("OnClick", &TControl::OnClick);
}

TPropertyInfo OnEnter()
{
    return EventProperty<TWinControl>("OnEnter", &TWinControl::OnEnter);
}

TPropertyInfo OnExit()
{
    return EventProperty<TWinControl>("OnExit", &TWinControl::OnExit);
}

}  // namespace ControlProperties
