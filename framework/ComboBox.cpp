// TCustomComboBox: the native combo box's window and the class table.
#include "ComboBox.h"

const TClassInfo& TCustomComboBox::StaticClassInfo()
{
    namespace P = ControlProperties;
    static const TClassInfo info{
        .Name = "TCustomComboBox",
        .Parent = &TWinControl::StaticClassInfo(),
        .Properties = {P::Align(), P::Color(), P::Font(), P::ParentFont(), P::TabOrder(), P::TabStop(),
                       P::Text(), P::Visible()},
        .Create = [](TComponent* owner) -> TComponent* { return new TCustomComboBox(owner); }};
    return info;
}

TCustomComboBox::TCustomComboBox(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 145, 21);
    SetColor(clWindow);
    SetTabStop(true);
}

void TCustomComboBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.SystemClassName = "COMBOBOX";
    // The height the native control gets includes its drop-down list.
    params.Style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL;
    params.Height = 200;
}
