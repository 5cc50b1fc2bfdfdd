// Published properties: values as the form text holds them, one table of property descriptors per
// class, and the base class of everything that has published properties.
#pragma once

#include "Exceptions.h"

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

class TObject {
public:
    virtual ~TObject() = default;
};

// The common event: who raised it.
using TNotifyEvent = std::function<void(TObject* sender)>;

// A property value in the shape the form text writes it.
struct TValue {
    enum class TKind { None, Boolean, Integer, String, Identifier, Set, Strings };

    TKind Kind = TKind::None;
    bool Boolean = false;
    std::int64_t Integer = 0;
    std::string Text;                // String and Identifier
    std::vector<std::string> Items;  // members of a Set, lines of Strings

    static TValue Bool(bool value) { return {TKind::Boolean, value, 0, {}, {}}; }
    static TValue Int(std::int64_t value) { return {TKind::Integer, false, value, {}, {}}; }
    static TValue Str(std::string value) { return {TKind::String, false, 0, std::move(value), {}}; }
    static TValue Ident(std::string value) { return {TKind::Identifier, false, 0, std::move(value), {}}; }
    static TValue SetOf(std::vector<std::string> members) { return {TKind::Set, false, 0, {}, std::move(members)}; }
    static TValue Lines(std::vector<std::string> lines) { return {TKind::Strings, false, 0, {}, std::move(lines)}; }

    bool operator==(const TValue&) const = default;
};

// Raised for a value of the wrong shape; the reader adds the component and the property.
class EPropertyError : public Exception {
public:
    using Exception::Exception;
};

// The literal names of an enumeration, in ordinal order; also the members of a set of it.
struct TEnumInfo {
    std::vector<std::string> Names;

    int Ordinal(const std::string& name) const;  // raises EPropertyError for an unknown name
};

// Identifiers that an integer property also accepts (colours, cursors).
struct TIdentMap {
    std::vector<std::pair<std::string, std::int64_t>> Entries;
};

class TPersistent;
class TComponent;

enum class TPropertyKind { Boolean, Integer, String, Enum, Set, Component, Event, Object, Strings };

// A property's default is the value that a new object of the class holds: the writer leaves that
// value out. A NoDefault property is always written.
enum TDefault { FreshDefault, NoDefault };

struct TPropertyInfo {
    TPropertyInfo(std::string name, TPropertyKind kind, TDefault def = NoDefault)
        : Name(std::move(name)), Kind(kind), HasDefault(def == FreshDefault) {}

    std::string Name;
    TPropertyKind Kind;
    std::function<TValue(const TPersistent&)> Get;               // not for Event and Object
    std::function<void(TPersistent&, const TValue&)> Set;        // not for Component, Event and Object
    bool HasDefault = false;                                     // no default: always written
    std::function<bool(const TPersistent&)> Stored;              // when set, also needed for writing
    const TEnumInfo* Enum = nullptr;                             // Enum and Set
    const TIdentMap* Idents = nullptr;                           // Integer
    std::function<TPersistent*(TPersistent&)> Object;           // Object: the nested object
    std::function<TComponent*(const TPersistent&)> GetComponent; // Component
    std::function<void(TPersistent&, TComponent*)> SetComponent; // Component; raises for a wrong class
    std::function<void(TPersistent&, const std::any&)> SetEvent; // Event: a handler made by a TMethodInfo
    std::function<bool(const TPersistent&)> EventAssigned;       // Event: whether a handler is set
};

// A published handler of a form class, bound by name from the form text (btn_NextClick).
struct TMethodInfo {
    std::string Name;
    std::function<std::any(TComponent& root)> Bind;  // the handler bound to the root, as a std::function
};

// A published field of a form class that the reader points at the component of the same name.
struct TFieldInfo {
    std::string Name;
    std::function<void(TComponent& root, TComponent* component)> Assign;  // raises for a wrong class
};

struct TClassInfo {
    std::string Name{};
    const TClassInfo* Parent = nullptr;
    std::vector<TPropertyInfo> Properties{};
    std::function<TComponent*(TComponent* owner)> Create{};  // for classes the form text may name
    std::function<std::unique_ptr<TPersistent>()> New{};     // for other classes, so they have defaults
    std::vector<TMethodInfo> Methods{};
    std::vector<TFieldInfo> Fields{};

    // Searched from this class up to its ancestors.
    const TPropertyInfo* FindProperty(std::string_view name) const;
    const TMethodInfo* FindMethod(std::string_view name) const;
    const TFieldInfo* FindField(std::string_view name) const;
    bool InheritsFrom(const TClassInfo& other) const;
    // The published properties, ancestors' first.
    std::vector<const TPropertyInfo*> AllProperties() const;
};

// Everything that has published properties: components and nested objects such as a font.
class TPersistent : public TObject {
public:
    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
};

// A setter's first step: stores the value and says whether it was a change, for a setter acts
// only on a change.
template <typename T>
bool ChangeField(T& field, const std::type_identity_t<T>& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

// Every class with published properties declares these two; the table lives in its source file.
#define DECLARE_CLASS_INFO                                  \
    static const TClassInfo& StaticClassInfo();             \
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

// Reading a TValue into a C++ value; raise EPropertyError for the wrong shape.
bool ValueAsBool(const TValue& value);
std::int64_t ValueAsInt(const TValue& value, const TIdentMap* idents = nullptr);
const std::string& ValueAsString(const TValue& value);

// --- Builders for the descriptor tables. Get and Set are member functions or callables taking the
// --- object first (std::invoke), so a table reads as a list of names, accessors and defaults.

template <typename C, typename G, typename S>
TPropertyInfo BoolProperty(std::string name, G get, S set, TDefault def = FreshDefault)
{
    TPropertyInfo info(std::move(name), TPropertyKind::Boolean, def);
    info.Get = [get](const TPersistent& o) { return TValue::Bool(std::invoke(get, static_cast<const C&>(o))); };
    info.Set = [set](TPersistent& o, const TValue& v) { std::invoke(set, static_cast<C&>(o), ValueAsBool(v)); };
    return info;
}

template <typename C, typename G, typename S>
TPropertyInfo IntProperty(std::string name, G get, S set, TDefault def = FreshDefault, const TIdentMap* idents = nullptr)
{
    TPropertyInfo info(std::move(name), TPropertyKind::Integer, def);
    info.Idents = idents;
    info.Get = [get](const TPersistent& o) {
        return TValue::Int(static_cast<std::int64_t>(std::invoke(get, static_cast<const C&>(o))));
    };
    info.Set = [set, idents](TPersistent& o, const TValue& v) {
        using TArg = std::decay_t<std::invoke_result_t<G, const C&>>;
        std::invoke(set, static_cast<C&>(o), static_cast<TArg>(ValueAsInt(v, idents)));
    };
    return info;
}

template <typename C, typename G, typename S>
TPropertyInfo StringProperty(std::string name, G get, S set, TDefault def = FreshDefault)
{
    TPropertyInfo info(std::move(name), TPropertyKind::String, def);
    info.Get = [get](const TPersistent& o) { return TValue::Str(std::string(std::invoke(get, static_cast<const C&>(o)))); };
    info.Set = [set](TPersistent& o, const TValue& v) { std::invoke(set, static_cast<C&>(o), ValueAsString(v)); };
    return info;
}

// E is an enumeration whose ordinals index enumInfo.Names.
template <typename C, typename E, typename G, typename S>
TPropertyInfo EnumProperty(std::string name, const TEnumInfo& enumInfo, G get, S set, TDefault def = FreshDefault)
{
    TPropertyInfo info(std::move(name), TPropertyKind::Enum, def);
    info.Enum = &enumInfo;
    info.Get = [get, &enumInfo](const TPersistent& o) {
        return TValue::Ident(enumInfo.Names.at(static_cast<std::size_t>(std::invoke(get, static_cast<const C&>(o)))));
    };
    info.Set = [set, &enumInfo](TPersistent& o, const TValue& v) {
        if (v.Kind != TValue::TKind::Identifier)
            throw EPropertyError("an identifier expected");
        std::invoke(set, static_cast<C&>(o), static_cast<E>(enumInfo.Ordinal(v.Text)));
    };
    return info;
}

// A set held as a bit mask: bit n stands for the literal of ordinal n. G returns, S takes the mask.
TPropertyInfo SetPropertyOfMask(std::string name, const TEnumInfo& enumInfo,
                                std::function<std::uint32_t(const TPersistent&)> get,
                                std::function<void(TPersistent&, std::uint32_t)> set, TDefault def);

template <typename C, typename G, typename S>
TPropertyInfo SetProperty(std::string name, const TEnumInfo& enumInfo, G get, S set, TDefault def = FreshDefault)
{
    return SetPropertyOfMask(
        std::move(name), enumInfo,
        [get](const TPersistent& o) { return static_cast<std::uint32_t>(std::invoke(get, static_cast<const C&>(o))); },
        [set](TPersistent& o, std::uint32_t mask) { std::invoke(set, static_cast<C&>(o), mask); }, def);
}

template <typename C, typename G, typename S>
TPropertyInfo StringsProperty(std::string name, G get, S set)
{
    TPropertyInfo info(std::move(name), TPropertyKind::Strings);
    info.Get = [get](const TPersistent& o) { return TValue::Lines(std::invoke(get, static_cast<const C&>(o))); };
    info.Set = [set](TPersistent& o, const TValue& v) {
        if (v.Kind != TValue::TKind::Strings)
            throw EPropertyError("a list of strings expected");
        std::invoke(set, static_cast<C&>(o), v.Items);
    };
    info.Stored = [get](const TPersistent& o) { return !std::invoke(get, static_cast<const C&>(o)).empty(); };
    return info;
}

// A nested object written as Name.Property; G returns a pointer to it.
template <typename C, typename G>
TPropertyInfo ObjectProperty(std::string name, G get)
{
    TPropertyInfo info(std::move(name), TPropertyKind::Object);
    info.Object = [get](TPersistent& o) -> TPersistent* { return std::invoke(get, static_cast<C&>(o)); };
    return info;
}

// A reference to another component of the same form, written by its name. T is the class it must be.
template <typename C, typename T, typename G, typename S>
TPropertyInfo ComponentProperty(std::string name, G get, S set)
{
    TPropertyInfo info(std::move(name), TPropertyKind::Component);
    info.GetComponent = [get](const TPersistent& o) -> TComponent* { return std::invoke(get, static_cast<const C&>(o)); };
    info.SetComponent = [set](TPersistent& o, TComponent* component) {
        T* typed = dynamic_cast<T*>(component);
        if (component && !typed)
            throw EPropertyError("the component is of the wrong class");
        std::invoke(set, static_cast<C&>(o), typed);
    };
    info.Stored = [get](const TPersistent& o) { return std::invoke(get, static_cast<const C&>(o)) != nullptr; };
    return info;
}

// An event held in a std::function field F of C.
template <typename C, typename F>
TPropertyInfo EventProperty(std::string name, F C::*field)
{
    TPropertyInfo info(std::move(name), TPropertyKind::Event);
    info.SetEvent = [field](TPersistent& o, const std::any& handler) {
        const F* typed = std::any_cast<F>(&handler);
        if (!typed)
            throw EPropertyError("the handler has the wrong parameters for this event");
        static_cast<C&>(o).*field = *typed;
    };
    info.EventAssigned = [field](const TPersistent& o) { return static_cast<bool>(static_cast<const C&>(o).*field); };
    return info;
}

namespace properties_detail {
template <typename T>
struct TMemberTraits;
template <typename C, typename... A>
struct TMemberTraits<void (C::*)(A...)> {
    using TFunction = std::function<void(A...)>;
    static TFunction Bind(C* form, void (C::*method)(A...))
    {
        return [form, method](A... args) { (form->*method)(std::forward<A>(args)...); };
    }
};
}  // namespace properties_detail

// A published handler of form class C: a member function bound to the form when the text names it.
template <typename C, typename M>
TMethodInfo Method(std::string name, M method)
{
    return {std::move(name), [method](TComponent& root) -> std::any {
                return properties_detail::TMemberTraits<M>::Bind(&static_cast<C&>(root), method);
            }};
}

// A published field T* C::*field that the reader points at the component of that name.
template <typename C, typename T>
TFieldInfo Field(std::string name, T* C::*field)
{
    return {std::move(name), [field](TComponent& root, TComponent* component) {
                T* typed = dynamic_cast<T*>(component);
                if (!typed)
                    throw EPropertyError("the component is not of the field's class");
                static_cast<C&>(root).*field = typed;
            }};
}
