// TCustomListView: the native list view's window and the class table.
#include "ListView.h"

#include <commctrl.h>

#include <unordered_set>

namespace {

// Every TCustomListView between its constructor and its destructor; one thread, so no lock.
std::unordered_set<const void*>& LiveListViews()
{
    static std::unordered_set<const void*> views;
    return views;
}

}  // namespace

bool IsLiveListView(const void* address)
{
    return address && LiveListViews().contains(address);
}

const TClassInfo& TCustomListView::StaticClassInfo()
{
    namespace P = ControlProperties;
    static const TClassInfo info{
        .Name = "TCustomListView",
        .Parent = &TWinControl::StaticClassInfo(),
        .Properties = {P::Align(), P::Color(), P::Font(), P::ParentFont(), P::TabOrder(), P::TabStop(),
                       P::Visible()},
        .Create = [](TComponent* owner) -> TComponent* { return new TCustomListView(owner); }};
    return info;
}

TCustomListView::TCustomListView(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 250, 150);
    SetColor(clWindow);
    SetTabStop(true);
    LiveListViews().insert(static_cast<const TCustomListView*>(this));
}

TCustomListView::~TCustomListView()
{
    LiveListViews().erase(static_cast<const TCustomListView*>(this));
}

void TCustomListView::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.SystemClassName = WC_LISTVIEWA;
    params.Style |= LVS_REPORT | LVS_SHAREIMAGELISTS;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}
