// Every registered class: a fresh object holds the defaults the writer reads off a new one, and the
// writer leaves every one of them out.
#include "../../framework/FormReader.h"
#include "../../framework/Forms.h"
#include "../../shell/VeltoShellTreeView.h"

#include <doctest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace {

// Checks the properties of object and of the objects nested in it; name is the dotted path so far.
void CheckDefaults(TPersistent& object, const std::string& name)
{
    for (const auto& [info, def] : PropertiesWithDefaults(object.ClassInfo())) {
        if (info->Kind == TPropertyKind::Object)
            CheckDefaults(*info->Object(object), name + "." + info->Name);
        else if (def)
            CHECK_MESSAGE(info->Get(object) == *def, (name + "." + info->Name));
    }
}

// The property that a dotted name of the form text stands for.
const TPropertyInfo* FindWritten(TPersistent& object, std::string_view name)
{
    const std::size_t dot = name.find('.');
    const TPropertyInfo* info = object.ClassInfo().FindProperty(name.substr(0, dot));
    return !info || dot == std::string_view::npos ? info : FindWritten(*info->Object(object), name.substr(dot + 1));
}

}  // namespace

TEST_SUITE("TClassInfo") {

TEST_CASE("a fresh object of every registered class holds its defaults, and the writer writes none of them")
{
    RegisterFrameworkClasses();
    RegisterVeltoShellClasses();
    for (const TClassInfo* info : RegisteredClasses()) {
        const std::unique_ptr<TComponent> fresh(info->Create(nullptr));
        fresh->SetName("Fresh");
        CheckDefaults(*fresh, info->Name);
        for (const TFormProperty& written : ParseFormText(WriteComponent(*fresh)).Properties) {
            const TPropertyInfo* property = FindWritten(*fresh, written.Name);
            REQUIRE_MESSAGE(property, written.Name);
            CHECK_MESSAGE((!property->HasDefault && !property->Stored), (info->Name + "." + written.Name));
        }
    }
}

}  // TEST_SUITE
