// Reading and writing form descriptions, and the registry of the classes a form text may name.
#pragma once

#include "Component.h"
#include "FormText.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// Makes classes known to the reader by their names. Registering a class twice is harmless.
void RegisterClasses(std::initializer_list<const TClassInfo*> classes);
const TClassInfo* FindClass(std::string_view name);
// The classes registered so far, in the order of registration.
const std::vector<const TClassInfo*>& RegisteredClasses();

// Reads a form description into root, whose class must be the one the text names: creates the
// components it lists (owned by root, parented as nested), points root's published fields at
// them, sets their properties and wires events to root's published handlers by name. Every
// component stays in the loading state until all are read and every reference is resolved; then
// each gets Loaded, root first. Raises EFormError naming the component and the property.
void ReadForm(TComponent& root, std::string_view text);

// The published properties of a class, ancestors' first, with their defaults: the values of a new
// object of the nearest class that makes one.
std::vector<std::pair<const TPropertyInfo*, std::optional<TValue>>> PropertiesWithDefaults(const TClassInfo& info);

// The form text of root and the components it owns, nested by parent; only values that differ
// from their defaults (or that a stored rule asks for) are written.
std::string WriteForm(const TComponent& root);
// The form text of one component alone, with its stored properties.
std::string WriteComponent(const TComponent& component);
