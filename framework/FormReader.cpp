// The form reader, the writer and the class registry.
#include "FormReader.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

namespace {

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::vector<const TClassInfo*>& Registry()
{
    static std::vector<const TClassInfo*> classes;
    return classes;
}

struct TFixup {
    TComponent* Component;
    TPersistent* Target;
    const TPropertyInfo* Property;
    std::string Path;
    std::string Reference;
    int Line;
};

class TReader {
public:
    explicit TReader(TComponent& root) : FRoot(root) {}

    void Read(const TFormObject& tree)
    {
        if (!SameText(tree.ClassName, FRoot.ClassInfo().Name))
            throw EFormError("the form text describes a " + tree.ClassName + ", not a " + FRoot.ClassInfo().Name);
        FRoot.BeginLoading();
        FLoaded.push_back(&FRoot);
        FRoot.SetName(tree.Name);
        ReadProperties(FRoot, tree);
        for (const TFormObject& child : tree.Children)
            ReadChild(&FRoot, child);
        for (const TFixup& fixup : FFixups)
            Resolve(fixup);
        for (TComponent* component : FLoaded)
            component->EndLoading();
    }

private:
    [[noreturn]] static void Fail(const std::string& where, int line, const std::string& what)
    {
        throw EFormError(where + ": " + what + " (form text line " + std::to_string(line) + ")");
    }

    void ReadChild(TComponent* parent, const TFormObject& object)
    {
        const TClassInfo* info = FindClass(object.ClassName);
        if (!info || !info->Create)
            Fail(object.Name, object.Line, "unknown class " + object.ClassName);
        if (object.Name.empty() || FRoot.FindComponent(object.Name))
            Fail(object.Name, object.Line, "a component of this name exists already");
        TComponent* component = info->Create(&FRoot);
        component->SetName(object.Name);
        component->BeginLoading();
        FLoaded.push_back(component);
        if (const TFieldInfo* field = FRoot.ClassInfo().FindField(object.Name)) {
            try {
                field->Assign(FRoot, component);
            } catch (const EPropertyError& e) {
                Fail(object.Name, object.Line, e.Message());
            }
        }
        component->SetParentComponent(parent);
        ReadProperties(*component, object);
        for (const TFormObject& child : object.Children)
            ReadChild(component, child);
    }

    void ReadProperties(TComponent& component, const TFormObject& object)
    {
        for (const TFormProperty& property : object.Properties) {
            try {
                SetProperty(component, property);
            } catch (const EPropertyError& e) {
                Fail(component.Name() + "." + property.Name, property.Line, e.Message());
            }
        }
    }

    void SetProperty(TComponent& component, const TFormProperty& property)
    {
        TPersistent* target = &component;
        std::string_view path = property.Name;
        for (std::size_t dot; (dot = path.find('.')) != std::string_view::npos; path.remove_prefix(dot + 1)) {
            const TPropertyInfo* nested = target->ClassInfo().FindProperty(path.substr(0, dot));
            if (!nested || nested->Kind != TPropertyKind::Object)
                throw EPropertyError("unknown property");
            target = nested->Object(*target);
        }
        const TPropertyInfo* info = target->ClassInfo().FindProperty(path);
        if (!info || info->Kind == TPropertyKind::Object)
            throw EPropertyError("unknown property");
        switch (info->Kind) {
        case TPropertyKind::Component:
            if (property.Value.Kind != TValue::TKind::Identifier)
                throw EPropertyError("a component name expected");
            FFixups.push_back({&component, target, info, property.Name, property.Value.Text, property.Line});
            return;
        case TPropertyKind::Event: {
            if (property.Value.Kind != TValue::TKind::Identifier)
                throw EPropertyError("a handler name expected");
            const TMethodInfo* method = FRoot.ClassInfo().FindMethod(property.Value.Text);
            if (!method)
                throw EPropertyError("unknown handler " + property.Value.Text);
            info->SetEvent(*target, method->Bind(FRoot));
            component.SetEventHandlerName(property.Name, method->Name);
            return;
        }
        default:
            info->Set(*target, property.Value);
        }
    }

    void Resolve(const TFixup& fixup)
    {
        TComponent* referenced =
            SameText(fixup.Reference, FRoot.Name()) ? &FRoot : FRoot.FindComponent(fixup.Reference);
        if (!referenced)
            Fail(fixup.Component->Name() + "." + fixup.Path, fixup.Line, "unknown component " + fixup.Reference);
        try {
            fixup.Property->SetComponent(*fixup.Target, referenced);
        } catch (const EPropertyError& e) {
            Fail(fixup.Component->Name() + "." + fixup.Path, fixup.Line, e.Message());
        }
    }

    TComponent& FRoot;
    std::vector<TComponent*> FLoaded;
    std::vector<TFixup> FFixups;
};

bool IsStored(const TPropertyInfo& info, const TPersistent& object, const std::optional<TValue>& def)
{
    return (!info.Stored || info.Stored(object)) && (!def || info.Get(object) != *def);
}

void CollectProperties(const TPersistent& object, const TComponent* component, const std::string& prefix,
                       std::vector<TFormProperty>& out)
{
    for (const auto& [info, def] : PropertiesWithDefaults(object.ClassInfo())) {
        const std::string name = prefix + info->Name;
        switch (info->Kind) {
        case TPropertyKind::Object:
            if (info->Stored && !info->Stored(object))
                break;  // a font taken from the parent
            CollectProperties(*info->Object(const_cast<TPersistent&>(object)), nullptr, name + ".", out);
            break;
        case TPropertyKind::Event:
            if (component && info->EventAssigned(object) && !component->EventHandlerName(name).empty())
                out.push_back({name, TValue::Ident(component->EventHandlerName(name))});
            break;
        case TPropertyKind::Component:
            if (TComponent* referenced = info->GetComponent(object))
                out.push_back({name, TValue::Ident(referenced->Name())});
            break;
        default:
            if (IsStored(*info, object, def))
                out.push_back({name, info->Get(object)});
        }
    }
}

TFormObject Describe(const TComponent& component)
{
    TFormObject object{component.Name(), component.ClassInfo().Name};
    CollectProperties(component, &component, "", object.Properties);
    return object;
}

void DescribeChildren(const TComponent& root, const TComponent* parent, TFormObject& into)
{
    for (int i = 0; i < root.ComponentCount(); ++i) {
        const TComponent* child = root.Component(i);
        const TComponent* childParent = child->GetParentComponent();
        if (childParent == parent || (parent == &root && !childParent)) {
            into.Children.push_back(Describe(*child));
            DescribeChildren(root, child, into.Children.back());
        }
    }
}

}  // namespace

void RegisterClasses(std::initializer_list<const TClassInfo*> classes)
{
    for (const TClassInfo* info : classes)
        if (!FindClass(info->Name))
            Registry().push_back(info);
}

const TClassInfo* FindClass(std::string_view name)
{
    for (const TClassInfo* info : Registry())
        if (SameText(info->Name, name))
            return info;
    return nullptr;
}

const std::vector<const TClassInfo*>& RegisteredClasses()
{
    return Registry();
}

void ReadForm(TComponent& root, std::string_view text)
{
    TReader(root).Read(ParseFormText(text));
}

std::string WriteForm(const TComponent& root)
{
    TFormObject tree = Describe(root);
    DescribeChildren(root, &root, tree);
    return FormatFormText(tree);
}

std::string WriteComponent(const TComponent& component)
{
    return FormatFormText(Describe(component));
}

std::vector<std::pair<const TPropertyInfo*, std::optional<TValue>>> PropertiesWithDefaults(const TClassInfo& info)
{
    const TClassInfo* maker = &info;
    while (maker && !maker->New && !maker->Create)
        maker = maker->Parent;
    const std::unique_ptr<TPersistent> fresh(  // made only to read its values off
        !maker ? nullptr : maker->New ? maker->New().release() : maker->Create(nullptr));
    std::vector<std::pair<const TPropertyInfo*, std::optional<TValue>>> all;
    for (const TPropertyInfo* p : info.AllProperties())
        all.emplace_back(p, p->HasDefault && fresh ? std::optional(p->Get(*fresh)) : std::nullopt);
    return all;
}
