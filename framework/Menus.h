// TPopupMenu and its TMenuItem entries: a context menu built from the items each time it is shown.
#pragma once

#include "Component.h"
#include "Scope.h"

#include <windows.h>

#include <string>
#include <vector>

class TPopupMenu;

// --- TMenuItem

// One entry of a popup menu. The item belongs to its owner (the form), not to the menu: the menu
// only lists it, and either may be destroyed first.
class TMenuItem : public TComponent {
public:
    DECLARE_CLASS_INFO

    explicit TMenuItem(TComponent* owner);
    // Leaves its menu.
    ~TMenuItem() override;

    // Attributes
    // The text shown; "-" makes a separator line.
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value) { FCaption = value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    // A hidden item is left out of the menu.
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }
    // The menu that lists the item; nullptr for none.
    TPopupMenu* Menu() const { return FMenu; }

    // Operations
    // Raises OnClick, as a pick of the item in the shown menu does.
    void Click();

    // The menu is the item's parent in the form text.
    TComponent* GetParentComponent() const override;
    // The reader's parent: a TPopupMenu gets the item as its last one; anything else is ignored.
    void SetParentComponent(TComponent* parent) override;

    // Events
    TNotifyEvent OnClick;

private:
    friend class TPopupMenu;

    std::string FCaption;
    bool FEnabled = true;
    bool FVisible = true;
    TPopupMenu* FMenu = nullptr;
};

// --- TPopupMenu

// A menu shown at a point of the screen; a control whose PopupMenu it is shows it on a context
// request that nothing else claimed, when AutoPopup is on.
class TPopupMenu : public TComponent {
public:
    DECLARE_CLASS_INFO

    explicit TPopupMenu(TComponent* owner);
    // Lets its items go; they stay with their owner.
    ~TPopupMenu() override;

    // Attributes
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    // Whether a control shows the menu by itself on a context request.
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool value) { FAutoPopup = value; }
    // The component the menu was last shown for.
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* value);

    // Operations
    // Moves item to the end of this menu's list (out of any other menu).
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    // Raises OnPopup, shows the menu at the screen point x, y until the user picks an item or
    // dismisses it, then raises the picked item's OnClick. Returns when the menu has closed. The
    // menu belongs to owner, a window of this thread (nullptr: the active window).
    void Popup(int x, int y, HWND owner = nullptr);

    // Events
    // Raised before the menu is built and shown; the items may still be changed.
    TNotifyEvent OnPopup;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::vector<TMenuItem*> FItems;
    bool FAutoPopup = true;
    TComponent* FPopupComponent = nullptr;
};
