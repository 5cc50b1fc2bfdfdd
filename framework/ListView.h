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
    // Leaves the registry of live list views.
    ~TCustomListView() override;

protected:
    void CreateParams(TCreateParams& params) override;
};

// Whether the address is a TCustomListView of this process that is constructed and not yet
// destroyed: for references that arrive as plain numbers (window message parameters).
bool IsLiveListView(const void* address);
