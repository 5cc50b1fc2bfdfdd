// TCustomListView over the native SysListView32 control: a window for a companion list view to
// build on.
#pragma once

#include "Controls.h"

// A list view with a sunken border. It has no items of its own yet: a companion view that shows a
// folder's contents derives from it and fills the native control itself.
class TCustomListView : public TWinControl {
public:
    DECLARE_CLASS_INFO

    explicit TCustomListView(TComponent* owner);

protected:
    void CreateParams(TCreateParams& params) override;
};
