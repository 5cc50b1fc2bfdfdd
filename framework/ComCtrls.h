// The common controls: TPageControl with its TTabSheet pages (SysTabControl32), and TProgressBar
// (msctls_progress32).
#pragma once

#include "Controls.h"

#include <vector>

class TPageControl;

// A page of a page control: a container that is shown while it is the active page.
class TTabSheet : public TWinControl {
public:
    DECLARE_CLASS_INFO

    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    // Attributes
    TPageControl* PageControl() const { return FPageControl; }
    // Makes the sheet a page of pageControl (and a child of it), or of none.
    void SetPageControl(TPageControl* pageControl);
    // The position among the pages; -1 outside a page control.
    int PageIndex() const;
    // Whether the page has a tab; a page without one is reached by ActivePage only.
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool value);

    void SetParentComponent(TComponent* parent) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void TextChanged() override;

private:
    friend class TPageControl;

    TPageControl* FPageControl = nullptr;
    bool FTabVisible = true;
};

enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };
const TEnumInfo& TabStyleInfo();

// Pages on top of one another, one shown at a time, chosen by ActivePage or by its tab. Each page
// fills the native control's display area: below the tabs, and inside the control's margins also
// when every tab is hidden. Without a window (no display area yet) a page fills the control.
class TPageControl : public TWinControl {
public:
    DECLARE_CLASS_INFO

    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;

    // Attributes
    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int index) const { return FPages.at(static_cast<std::size_t>(index)); }
    TTabSheet* ActivePage() const { return FActivePage; }
    // Shows page (one of this control's, or nullptr for none) and hides the one shown before.
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }
    void SetActivePageIndex(int index);
    // A change remakes the window.
    TTabStyle Style() const { return FStyle; }
    void SetStyle(TTabStyle value);

    // Raised when the user picks another tab.
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    void AdjustClientRect(RECT& rect) override;
    void AlignControls(RECT& rect) override;
    void ControlRemoved(TControl* control) override;

private:
    friend class TTabSheet;

    void InsertPage(TTabSheet* page);
    // Rebuilds the tabs from the pages with TabVisible, and selects the active page's tab.
    void UpdateTabs();
    int TabIndexOf(const TTabSheet* page) const;

    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
    TTabStyle FStyle = tsTabs;
};

// A bar that fills from Min to Max as Position grows.
class TProgressBar : public TWinControl {
public:
    DECLARE_CLASS_INFO

    explicit TProgressBar(TComponent* owner);

    // Attributes
    int Min() const { return FMin; }
    void SetMin(int value);
    int Max() const { return FMax; }
    void SetMax(int value);
    // Kept within Min..Max.
    int Position() const { return FPosition; }
    void SetPosition(int value);
    int Step() const { return FStep; }
    void SetStep(int value) { FStep = value; }

    // Operations
    // Advances Position by Step; past Max it starts again from Min.
    void StepIt();

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    void UpdateRange();

    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FStep = 10;
};
