// TMenuItem and TPopupMenu: the lists, the table entries and the tracking of the shown menu.
#include "Menus.h"

#include <algorithm>

// --- TMenuItem

const TClassInfo& TMenuItem::StaticClassInfo()
{
    using C = TMenuItem;
    static const TClassInfo info{
        .Name = "TMenuItem",
        .Parent = &TComponent::StaticClassInfo(),
        .Properties = {
            StringProperty<C>("Caption", &C::Caption, &C::SetCaption),
            BoolProperty<C>("Enabled", &C::Enabled, &C::SetEnabled),
            BoolProperty<C>("Visible", &C::Visible, &C::SetVisible),
            EventProperty<C>("OnClick", &C::OnClick),
        },
        .Create = [](TComponent* owner) -> TComponent* { return new TMenuItem(owner); }};
    return info;
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem()
{
    if (FMenu)
        FMenu->Remove(this);
}

void TMenuItem::Click()
{
    if (OnClick)
        OnClick(this);
}

TComponent* TMenuItem::GetParentComponent() const
{
    return FMenu;
}

void TMenuItem::SetParentComponent(TComponent* parent)
{
    if (auto* menu = dynamic_cast<TPopupMenu*>(parent))
        menu->Add(this);
}

// --- TPopupMenu

const TClassInfo& TPopupMenu::StaticClassInfo()
{
    using C = TPopupMenu;
    static const TClassInfo info{
        .Name = "TPopupMenu",
        .Parent = &TComponent::StaticClassInfo(),
        .Properties = {
            BoolProperty<C>("AutoPopup", &C::AutoPopup, &C::SetAutoPopup),
            EventProperty<C>("OnPopup", &C::OnPopup),
        },
        .Create = [](TComponent* owner) -> TComponent* { return new TPopupMenu(owner); }};
    return info;
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu()
{
    for (TMenuItem* item : FItems)
        item->FMenu = nullptr;
}

void TPopupMenu::Add(TMenuItem* item)
{
    if (!item || item->FMenu == this)
        return;
    if (item->FMenu)
        item->FMenu->Remove(item);
    FItems.push_back(item);
    item->FMenu = this;
}

void TPopupMenu::Remove(TMenuItem* item)
{
    if (!item || item->FMenu != this)
        return;
    std::erase(FItems, item);
    item->FMenu = nullptr;
}

void TPopupMenu::SetPopupComponent(TComponent* value)
{
    FPopupComponent = value;
    if (value)
        value->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FPopupComponent)
        FPopupComponent = nullptr;
}

void TPopupMenu::Popup(int x, int y, HWND owner)
{
    if (OnPopup)
        OnPopup(this);
    TMenuHandle menu(CreatePopupMenu());
    if (!menu)
        throw Exception("The popup menu cannot be created (error " + std::to_string(GetLastError()) + ")");
    // Identifiers are list positions + 1: 0 is what TrackPopupMenu returns for no pick.
    const std::vector<TMenuItem*> items = FItems;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TMenuItem* item = items[i];
        if (!item->Visible())
            continue;
        UINT flags = item->Caption() == "-" ? MF_SEPARATOR : MF_STRING;
        if (!item->Enabled())
            flags |= MF_GRAYED;
        if (!AppendMenuA(menu.get(), flags, i + 1, item->Caption().c_str()))
            throw Exception("The popup menu cannot be filled (error " + std::to_string(GetLastError()) + ")");
    }
    // TrackPopupMenu needs a window of this thread to own the menu; no command is sent to it.
    if (!owner)
        owner = GetActiveWindow();
    if (!owner)
        throw Exception("The popup menu has no window to belong to");
    const auto picked = static_cast<std::size_t>(TrackPopupMenu(
        menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, x, y, 0, owner, nullptr));
    menu.reset();
    // The item may have gone while the menu was open: only one still listed is clicked.
    if (picked >= 1 && picked <= items.size() && std::ranges::find(FItems, items[picked - 1]) != FItems.end())
        items[picked - 1]->Click();
}
