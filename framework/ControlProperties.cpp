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
    return EnumProperty<TControl, TAlign>("Align", AlignInfo(), &TControl::Align, &TControl::SetAlign);
}

TPropertyInfo Visible()
{
    return BoolProperty<TControl>("Visible", &TControl::Visible, &TControl::SetVisible);
}

TPropertyInfo Enabled()
{
    return BoolProperty<TControl>("Enabled", &TControl::Enabled, &TControl::SetEnabled);
}

TPropertyInfo Caption()
{
    return StringProperty<TControl>("Caption", &TControl::Caption, &TControl::SetCaption);
}

TPropertyInfo Text()
{
    return StringProperty<TControl>("Text", &TControl::Text, &TControl::SetText);
}

TPropertyInfo Color()
{
    TPropertyInfo info = IdentIntProperty<TControl>("Color", &TControl::Color, &TControl::SetColor, ColorIdents());
    info.Stored = [](const TPersistent& o) { return !static_cast<const TControl&>(o).ParentColor(); };
    return info;
}

TPropertyInfo ParentColor()
{
    return BoolProperty<TControl>("ParentColor", &TControl::ParentColor, &TControl::SetParentColor);
}

TPropertyInfo Font()
{
    TPropertyInfo info = ObjectProperty<TControl>("Font", [](TControl& c) -> TPersistent* { return c.Font(); });
    info.Stored = [](const TPersistent& o) { return !static_cast<const TControl&>(o).ParentFont(); };
    return info;
}

TPropertyInfo ParentFont()
{
    return BoolProperty<TControl>("ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
}

TPropertyInfo Cursor()
{
    return IdentIntProperty<TControl>("Cursor", &TControl::Cursor, &TControl::SetCursor, CursorIdents());
}

TPropertyInfo Ctl3D()
{
    TPropertyInfo info = BoolProperty<TControl>("Ctl3D", &TControl::Ctl3D, &TControl::SetCtl3D);
    info.Stored = [](const TPersistent& o) { return !static_cast<const TControl&>(o).ParentCtl3D(); };
    return info;
}

TPropertyInfo ParentCtl3D()
{
    return BoolProperty<TControl>("ParentCtl3D", &TControl::ParentCtl3D, &TControl::SetParentCtl3D);
}

TPropertyInfo Hint()
{
    return StringProperty<TControl>("Hint", &TControl::Hint, &TControl::SetHint);
}

TPropertyInfo ShowHint()
{
    TPropertyInfo info = BoolProperty<TControl>("ShowHint", &TControl::ShowHint, &TControl::SetShowHint, NoDefault);
    info.Stored = [](const TPersistent& o) { return !static_cast<const TControl&>(o).ParentShowHint(); };
    return info;
}

TPropertyInfo ParentShowHint()
{
    return BoolProperty<TControl>("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint);
}

TPropertyInfo Anchors()
{
    return SetProperty<TControl>("Anchors", AnchorKindInfo(), &TControl::Anchors, &TControl::SetAnchors);
}

TPropertyInfo BiDiMode()
{
    TPropertyInfo info = EnumProperty<TControl, TBiDiMode>("BiDiMode", BiDiModeInfo(), &TControl::BiDiMode,
                                                           &TControl::SetBiDiMode, NoDefault);
    info.Stored = [](const TPersistent& o) { return !static_cast<const TControl&>(o).ParentBiDiMode(); };
    return info;
}

TPropertyInfo ParentBiDiMode()
{
    return BoolProperty<TControl>("ParentBiDiMode", &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode);
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
    return IntProperty<TWinControl>("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder, NoDefault);
}

TPropertyInfo TabStop()
{
    return BoolProperty<TWinControl>("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
}

TPropertyInfo BorderWidth()
{
    return IntProperty<TWinControl>("BorderWidth", &TWinControl::BorderWidth, &TWinControl::SetBorderWidth);
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
