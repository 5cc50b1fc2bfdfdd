// TTabSheet, TPageControl and TProgressBar.
#include "ComCtrls.h"

#include <commctrl.h>

#include <algorithm>

// --- TTabSheet

const TClassInfo& TTabSheet::StaticClassInfo()
{
    using C = TTabSheet;
    namespace P = ControlProperties;
    static const TClassInfo info{
        .Name = "TTabSheet",
        .Parent = &TWinControl::StaticClassInfo(),
        .Properties = {P::BorderWidth(), P::Caption(), P::Font(), P::ParentFont(),
                       BoolProperty<C>("TabVisible", &C::TabVisible, &C::SetTabVisible)},
        .Create = [](TComponent* owner) -> TComponent* { return new TTabSheet(owner); }};
    return info;
}

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner)
{
    // Shown while it is the active page.
    SetVisible(false);
}

TTabSheet::~TTabSheet()
{
    SetPageControl(nullptr);
}

void TTabSheet::SetPageControl(TPageControl* pageControl)
{
    if (pageControl == FPageControl)
        return;
    // The old page control takes the page out when the sheet leaves it (ControlRemoved).
    SetParent(pageControl);
    if (pageControl)
        pageControl->InsertPage(this);
}

void TTabSheet::SetParentComponent(TComponent* parent)
{
    if (auto* pageControl = dynamic_cast<TPageControl*>(parent))
        SetPageControl(pageControl);
    else
        TWinControl::SetParentComponent(parent);
}

int TTabSheet::PageIndex() const
{
    if (!FPageControl)
        return -1;
    const auto& pages = FPageControl->FPages;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetTabVisible(bool value)
{
    if (!ChangeField(FTabVisible, value))
        return;
    if (FPageControl)
        FPageControl->UpdateTabs();
}

void TTabSheet::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.Style |= WS_CLIPCHILDREN;
    params.ExStyle |= WS_EX_CONTROLPARENT;
}

void TTabSheet::TextChanged()
{
    TWinControl::TextChanged();
    if (FPageControl)
        FPageControl->UpdateTabs();
}

// --- TPageControl

const TEnumInfo& TabStyleInfo()
{
    static const TEnumInfo info{{"tsTabs", "tsButtons", "tsFlatButtons"}};
    return info;
}

const TClassInfo& TPageControl::StaticClassInfo()
{
    using C = TPageControl;
    namespace P = ControlProperties;
    static const TClassInfo info{
        .Name = "TPageControl",
        .Parent = &TWinControl::StaticClassInfo(),
        .Properties = {ComponentProperty<C, TTabSheet>("ActivePage", &C::ActivePage, &C::SetActivePage), P::Align(),
                       P::Font(), P::ParentFont(),
                       EnumProperty<C, TTabStyle>("Style", TabStyleInfo(), &C::Style, &C::SetStyle),
                       P::TabOrder(), P::Visible(), EventProperty<C>("OnChange", &C::OnChange)},
        .Create = [](TComponent* owner) -> TComponent* { return new TPageControl(owner); }};
    return info;
}

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl()
{
    // The pages outlive this part of the object: they must not reach back into it.
    for (TTabSheet* page : FPages)
        page->FPageControl = nullptr;
    FPages.clear();
    FActivePage = nullptr;
}

void TPageControl::InsertPage(TTabSheet* page)
{
    FPages.push_back(page);
    page->FPageControl = this;
    UpdateTabs();
    if (!FActivePage)
        SetActivePage(page);
}

void TPageControl::ControlRemoved(TControl* control)
{
    TWinControl::ControlRemoved(control);
    const auto it = std::find(FPages.begin(), FPages.end(), control);
    if (it == FPages.end())
        return;
    TTabSheet* page = *it;
    FPages.erase(it);
    page->FPageControl = nullptr;
    // No other page is shown in its place: that is the program's choice.
    if (page == FActivePage)
        FActivePage = nullptr;
    UpdateTabs();
}

void TPageControl::SetActivePage(TTabSheet* page)
{
    if (page == FActivePage)
        return;
    if (page && page->FPageControl != this)
        throw Exception("'" + page->Name() + "' is not a page of '" + Name() + "'");
    TTabSheet* old = FActivePage;
    FActivePage = page;
    if (FHandle)
        SendMessageA(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(TabIndexOf(page)), 0);
    // The new page shows before the old one hides, so that nothing flickers through.
    if (page) {
        Realign();
        page->SetVisible(true);
        if (page->HandleAllocated())
            SetWindowPos(page->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (old)
        old->SetVisible(false);
}

void TPageControl::SetActivePageIndex(int index)
{
    SetActivePage(index >= 0 && index < PageCount() ? Pages(index) : nullptr);
}

void TPageControl::SetStyle(TTabStyle value)
{
    if (ChangeField(FStyle, value))
        RecreateWnd();
}

int TPageControl::TabIndexOf(const TTabSheet* page) const
{
    if (!page || !page->TabVisible())
        return -1;
    int index = 0;
    for (const TTabSheet* each : FPages) {
        if (each == page)
            return index;
        if (each->TabVisible())
            ++index;
    }
    return -1;
}

void TPageControl::UpdateTabs()
{
    if (FHandle) {
        SendMessageA(FHandle, TCM_DELETEALLITEMS, 0, 0);
        int index = 0;
        for (const TTabSheet* page : FPages) {
            if (!page->TabVisible())
                continue;
            std::string text = page->Caption();
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = text.data();
            SendMessageA(FHandle, TCM_INSERTITEMA, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&item));
        }
        SendMessageA(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(TabIndexOf(FActivePage)), 0);
    }
    // The display area depends on the tabs.
    Realign();
}

void TPageControl::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.SystemClassName = WC_TABCONTROLA;
    params.Style |= WS_CLIPCHILDREN;
    params.ExStyle |= WS_EX_CONTROLPARENT;
    if (FStyle == tsButtons)
        params.Style |= TCS_BUTTONS;
    else if (FStyle == tsFlatButtons)
        params.Style |= TCS_BUTTONS | TCS_FLATBUTTONS;
}

void TPageControl::CreateWnd()
{
    TWinControl::CreateWnd();
    UpdateTabs();
}

void TPageControl::WndProc(TMessage& message)
{
    if (message.Msg == CN_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
        if (header->code == TCN_SELCHANGE) {
            const int tab = static_cast<int>(SendMessageA(FHandle, TCM_GETCURSEL, 0, 0));
            for (TTabSheet* page : FPages)
                if (TabIndexOf(page) == tab) {
                    SetActivePage(page);
                    break;
                }
            if (OnChange)
                OnChange(this);
        }
        return;
    }
    TWinControl::WndProc(message);
}

void TPageControl::AdjustClientRect(RECT& rect)
{
    TWinControl::AdjustClientRect(rect);
    // The native display area, with or without tabs: its margins are part of the control's look,
    // pixels of the design's dpi that scale with the form like every other length.
    if (FHandle) {
        const RECT outer = rect;
        SendMessageA(FHandle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
        rect = {outer.left + ScaledLength(rect.left - outer.left), outer.top + ScaledLength(rect.top - outer.top),
                outer.right - ScaledLength(outer.right - rect.right),
                outer.bottom - ScaledLength(outer.bottom - rect.bottom)};
    }
}

void TPageControl::AlignControls(RECT& rect)
{
    const int width = std::max(0, static_cast<int>(rect.right - rect.left));
    const int height = std::max(0, static_cast<int>(rect.bottom - rect.top));
    for (TTabSheet* page : FPages)
        page->SetBounds(rect.left, rect.top, width, height);
    TWinControl::AlignControls(rect);
}

// --- TProgressBar

const TClassInfo& TProgressBar::StaticClassInfo()
{
    using C = TProgressBar;
    namespace P = ControlProperties;
    static const TClassInfo info{
        .Name = "TProgressBar",
        .Parent = &TWinControl::StaticClassInfo(),
        .Properties = {P::Align(), IntProperty<C>("Max", &C::Max, &C::SetMax),
                       IntProperty<C>("Min", &C::Min, &C::SetMin),
                       IntProperty<C>("Position", &C::Position, &C::SetPosition),
                       IntProperty<C>("Step", &C::Step, &C::SetStep), P::TabOrder(), P::Visible()},
        .Create = [](TComponent* owner) -> TComponent* { return new TProgressBar(owner); }};
    return info;
}

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 150, 16);
}

void TProgressBar::SetMin(int value)
{
    if (ChangeField(FMin, value))
        UpdateRange();
}

void TProgressBar::SetMax(int value)
{
    if (ChangeField(FMax, value))
        UpdateRange();
}

void TProgressBar::UpdateRange()
{
    if (FMin <= FMax)
        FPosition = std::clamp(FPosition, FMin, FMax);
    if (FHandle) {
        SendMessageA(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
        SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
    }
}

void TProgressBar::SetPosition(int value)
{
    if (FMin <= FMax)
        value = std::clamp(value, FMin, FMax);
    if (!ChangeField(FPosition, value))
        return;
    if (FHandle)
        SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

void TProgressBar::StepIt()
{
    const int next = FPosition + FStep;
    SetPosition(next > FMax ? FMin : next);
}

void TProgressBar::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.SystemClassName = PROGRESS_CLASSA;
}

void TProgressBar::CreateWnd()
{
    TWinControl::CreateWnd();
    UpdateRange();
}
