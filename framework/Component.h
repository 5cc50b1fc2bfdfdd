// TComponent: ownership, the removal notification, and the loading and design states.
#pragma once

#include "Properties.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

enum class TOperation { opInsert, opRemove };

// What code that keeps a component across a call that can run user code (an event, a pumped message
// loop, a shell call) checks when the call returns: Alive unless the component's destruction began
// after the watch was taken. Code that runs inside the destruction itself sees it alive, as the
// component still finishes it.
class TComponentWatch {
public:
    bool Alive() const { return !FTakenAlive || !FLife.expired(); }

private:
    friend class TComponent;
    explicit TComponentWatch(const std::shared_ptr<const bool>& life) : FLife(life), FTakenAlive(life != nullptr) {}

    std::weak_ptr<const bool> FLife;
    bool FTakenAlive = false;
};

// A component belongs to its owner, which destroys it. Components that hold a reference to another
// one ask it for a removal notification (FreeNotification) and clear the reference in Notification.
class TComponent : public TPersistent {
public:
    DECLARE_CLASS_INFO

    explicit TComponent(TComponent* owner);
    // Tells every component that asked, destroys the owned components, then leaves the owner,
    // which passes the removal on to its other components.
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Attributes
    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& name) { FName = name; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Component(int index) const { return FComponents.at(static_cast<std::size_t>(index)); }
    // The owned component of that name (ASCII case ignored), or nullptr.
    TComponent* FindComponent(std::string_view name) const;
    bool IsLoading() const { return FLoading; }
    bool IsDesigning() const { return FDesigning; }
    bool IsDestroying() const { return !FLife; }
    // A watch on the component as it is now.
    TComponentWatch Watch() const { return TComponentWatch(FLife); }

    // Operations
    // Asks this component to call component->Notification(this, opRemove) when it is destroyed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);
    // Design mode is set by a form designer (or a test) and passes on to the owned components.
    void SetDesigning(bool designing, bool setChildren = true);
    // The reader puts a component into the loading state while it reads its properties and ends
    // it with Loaded.
    void BeginLoading() { FLoading = true; }
    void EndLoading() { Loaded(); }

    // The handler name an event property was wired to by the reader, for the writer; empty if none.
    std::string EventHandlerName(const std::string& property) const;
    void SetEventHandlerName(const std::string& property, const std::string& handler);

    // The component's parent in the form text (a control's parent); nullptr for non-visual ones.
    virtual TComponent* GetParentComponent() const { return nullptr; }
    // Called by the reader before the properties are read; a control takes it as its parent.
    virtual void SetParentComponent(TComponent* /*parent*/) {}

protected:
    // Hooks
    // Another component is inserted or removed; the base passes removals on to the owned
    // components. Overrides must call the base.
    virtual void Notification(TComponent* component, TOperation operation);
    // Loading has ended: every property of the form text is read and every reference resolved.
    // Overrides must call the base first.
    virtual void Loaded();

    // Ends every watch on the component. The first line of a destructor whose teardown runs user code
    // (the nodes' deletion hooks): code of the component still running further up the stack then
    // sees it gone before any of it is torn down, and the component counts as destroying.
    // ~TComponent ends them at the latest.
    void EndWatches() { FLife.reset(); }

private:
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    TComponent* FOwner = nullptr;
    std::string FName;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    std::map<std::string, std::string> FEventHandlers;
    bool FLoading = false;
    bool FDesigning = false;
    std::shared_ptr<const bool> FLife = std::make_shared<const bool>(true);
};
