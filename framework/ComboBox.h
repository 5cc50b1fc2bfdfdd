// TCustomComboBox over the native COMBOBOX control: a window for a companion combo box to build on.
#pragma once

#include "Controls.h"

// A drop-down combo box. It has no items of its own yet: a companion that shows the folders of a
// path derives from it and fills the native control itself.
class TCustomComboBox : public TWinControl {
public:
    DECLARE_CLASS_INFO

    explicit TCustomComboBox(TComponent* owner);

protected:
    void CreateParams(TCreateParams& params) override;
};
