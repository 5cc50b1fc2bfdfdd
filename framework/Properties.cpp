// Lookups in the property tables and the conversions of form-text values.
#include "Properties.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

int TEnumInfo::Ordinal(const std::string& name) const
{
    for (std::size_t i = 0; i < Names.size(); ++i)
        if (SameText(Names[i], name))
            return static_cast<int>(i);
    throw EPropertyError("'" + name + "' is not a valid value");
}

bool ValueAsBool(const TValue& value)
{
    if (value.Kind != TValue::TKind::Boolean)
        throw EPropertyError("True or False expected");
    return value.Boolean;
}

std::int64_t ValueAsInt(const TValue& value, const TIdentMap* idents)
{
    if (value.Kind == TValue::TKind::Integer)
        return value.Integer;
    if (value.Kind == TValue::TKind::Identifier && idents)
        for (const auto& [name, number] : idents->Entries)
            if (SameText(name, value.Text))
                return number;
    throw EPropertyError("an integer expected");
}

const std::string& ValueAsString(const TValue& value)
{
    if (value.Kind != TValue::TKind::String)
        throw EPropertyError("a string expected");
    return value.Text;
}

TPropertyInfo SetPropertyOfMask(std::string name, const TEnumInfo& enumInfo,
                                std::function<std::uint32_t(const TPersistent&)> get,
                                std::function<void(TPersistent&, std::uint32_t)> set, TDefault def)
{
    const auto toValue = [&enumInfo](std::uint32_t mask) {
        std::vector<std::string> members;
        for (std::size_t i = 0; i < enumInfo.Names.size(); ++i)
            if (mask & (1u << i))
                members.push_back(enumInfo.Names[i]);
        return TValue::SetOf(members);
    };
    TPropertyInfo info(std::move(name), TPropertyKind::Set, def);
    info.Enum = &enumInfo;
    info.Get = [get, toValue](const TPersistent& o) { return toValue(get(o)); };
    info.Set = [set, &enumInfo](TPersistent& o, const TValue& v) {
        if (v.Kind != TValue::TKind::Set)
            throw EPropertyError("a set expected");
        std::uint32_t mask = 0;
        for (const std::string& member : v.Items)
            mask |= 1u << enumInfo.Ordinal(member);
        set(o, mask);
    };
    return info;
}

const TPropertyInfo* TClassInfo::FindProperty(std::string_view name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const TPropertyInfo& p : c->Properties)
            if (SameText(p.Name, name))
                return &p;
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const TMethodInfo& m : c->Methods)
            if (SameText(m.Name, name))
                return &m;
    return nullptr;
}

const TFieldInfo* TClassInfo::FindField(std::string_view name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const TFieldInfo& f : c->Fields)
            if (SameText(f.Name, name))
                return &f;
    return nullptr;
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (c == &other)
            return true;
    return false;
}

std::vector<const TPropertyInfo*> TClassInfo::AllProperties() const
{
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c; c = c->Parent)
        chain.push_back(c);
    std::vector<const TPropertyInfo*> all;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const TPropertyInfo& p : (*it)->Properties)
            all.push_back(&p);
    return all;
}
