// TComponent: ownership, removal notifications and the design state.
#include "TestComponents.h"

#include <doctest.h>

TEST_SUITE("TComponent") {

TEST_CASE("the owner destroys what it owns, and the others hear of each removal")
{
    auto* form = new TTestForm;
    auto* a = new TTestWidget(form);
    auto* b = new TTestWidget(form);
    auto* c = new TTestWidget(form);
    a->SetName("A");
    b->SetName("B");
    c->SetName("C");
    CHECK(form->ComponentCount() == 3);
    CHECK(form->FindComponent("b") == b);

    delete b;
    CHECK(form->ComponentCount() == 2);
    CHECK(a->Log == std::vector<std::string>{"removed B"});
    CHECK(c->Log == std::vector<std::string>{"removed B"});

    SUBCASE("a destructor may delete a sibling that is still to come") { c->Victim = a; }
    delete form;  // the sanitizers see a double delete or a leak here
}

TEST_CASE("a free notification crosses owners, and is withdrawn after use")
{
    TTestForm left, right;
    auto* holder = new TTestWidget(&left);
    auto* target = new TTestWidget(&right);
    target->SetName("T");
    holder->FBuddy = target;
    holder->FreeNotification(target);
    delete target;
    CHECK(holder->FBuddy == nullptr);
    CHECK(holder->Log == std::vector<std::string>{"removed T"});

    SUBCASE("removing the request before the end sends nothing")
    {
        auto* other = new TTestWidget(&right);
        holder->FreeNotification(other);
        holder->RemoveFreeNotification(other);
        delete other;
        CHECK(holder->Log.size() == 1);
    }
}

TEST_CASE("design mode passes on to owned components, also to those created later")
{
    TTestForm form;
    auto* early = new TTestWidget(&form);
    form.SetDesigning(true);
    auto* late = new TTestWidget(&form);
    CHECK(early->IsDesigning());
    CHECK(late->IsDesigning());
    form.SetDesigning(false);
    CHECK_FALSE(late->IsDesigning());
}

}  // TEST_SUITE
