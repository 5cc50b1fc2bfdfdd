// TComponent and the property-table plumbing shared by all classes.
#include "Component.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y)); });
}

void Erase(std::vector<TComponent*>& list, TComponent* component)
{
    list.erase(std::remove(list.begin(), list.end(), component), list.end());
}

}  // namespace

const TClassInfo& TPersistent::StaticClassInfo()
{
    static const TClassInfo info{.Name = "TPersistent"};
    return info;
}

const TClassInfo& TComponent::StaticClassInfo()
{
    static const TClassInfo info{.Name = "TComponent", .Parent = &TPersistent::StaticClassInfo()};
    return info;
}

TComponent::TComponent(TComponent* owner)
{
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    EndWatches();
    // A notified component may ask to be removed from the list while we walk it.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        Erase(other->FFreeNotifies, this);
        other->Notification(this, TOperation::opRemove);
    }
    // An owned component's destructor may destroy a sibling: take each out before deleting it.
    while (!FComponents.empty()) {
        TComponent* child = FComponents.back();
        FComponents.pop_back();
        child->FOwner = nullptr;
        delete child;
    }
    if (FOwner)
        FOwner->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(std::string_view name) const
{
    for (TComponent* component : FComponents)
        if (!name.empty() && SameText(component->FName, name))
            return component;
    return nullptr;
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
        FFreeNotifies.push_back(component);
        component->FreeNotification(this);  // both ways, so that either can go first
    }
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    Erase(FFreeNotifies, component);
    if (component)
        Erase(component->FFreeNotifies, this);
}

void TComponent::SetDesigning(bool designing, bool setChildren)
{
    FDesigning = designing;
    if (setChildren)
        for (TComponent* component : FComponents)
            component->SetDesigning(designing, true);
}

std::string TComponent::EventHandlerName(const std::string& property) const
{
    auto it = FEventHandlers.find(property);
    return it == FEventHandlers.end() ? std::string() : it->second;
}

void TComponent::SetEventHandlerName(const std::string& property, const std::string& handler)
{
    FEventHandlers[property] = handler;
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == TOperation::opRemove && component)
        RemoveFreeNotification(component);
    if (operation == TOperation::opRemove)
        for (std::size_t i = FComponents.size(); i-- > 0;)
            if (i < FComponents.size())
                FComponents[i]->Notification(component, operation);
}

void TComponent::Loaded()
{
    FLoading = false;
}

void TComponent::InsertComponent(TComponent* component)
{
    FComponents.push_back(component);
    component->FOwner = this;
    if (FDesigning)
        component->SetDesigning(true);
}

void TComponent::RemoveComponent(TComponent* component)
{
    Erase(FComponents, component);
    component->FOwner = nullptr;
    Notification(component, TOperation::opRemove);
}
