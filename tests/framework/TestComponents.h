// Small component classes with one property of every kind, for the framework's own tests.
#pragma once

#include "../../framework/Component.h"
#include "../../framework/FormReader.h"

#include <string>
#include <vector>

enum TShade { shLight, shMedium, shDark };

class TTestFont : public TPersistent {
public:
    DECLARE_CLASS_INFO
    std::string FName = "Sans";
    int FHeight = -11;
};

// Counts setter calls, so that tests see that an unchanged value sets nothing.
class TTestWidget : public TComponent {
public:
    DECLARE_CLASS_INFO
    explicit TTestWidget(TComponent* owner) : TComponent(owner) {}
    ~TTestWidget() override { delete Victim; }

    bool Visible() const { return FVisible; }
    void SetVisible(bool value)
    {
        if (value == FVisible)
            return;
        FVisible = value;
        ++SetCount;
    }

    bool FVisible = true;
    int FWidth = 0;
    std::string FCaption;
    TShade FShade = shMedium;
    std::uint32_t FOptions = 1;
    std::vector<std::string> FLines;
    TTestWidget* FBuddy = nullptr;
    TNotifyEvent OnPoke;
    TTestFont FFont;
    int SetCount = 0;
    std::vector<std::string> Log;  // what this component was told, in order
    TComponent* FParentComponent = nullptr;
    bool LoadingSeenInLoaded = false;
    TComponent* Victim = nullptr;  // a sibling this widget's destructor deletes

    TComponent* GetParentComponent() const override { return FParentComponent; }
    void SetParentComponent(TComponent* parent) override { FParentComponent = parent; }

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;
};

// A form class: published fields and handlers, wired by name.
class TTestForm : public TComponent {
public:
    DECLARE_CLASS_INFO
    explicit TTestForm(TComponent* owner = nullptr) : TComponent(owner) {}

    TTestWidget* Widget1 = nullptr;
    TTestWidget* Widget2 = nullptr;
    std::vector<TObject*> Poked;

    void Widget1Poke(TObject* sender) { Poked.push_back(sender); }
    void WrongShape(TObject* sender, int) { Poked.push_back(sender); }
};

void RegisterTestClasses();
