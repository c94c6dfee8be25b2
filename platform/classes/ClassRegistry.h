// Classes registered by name, for streaming and the command-line tools. Registration is explicit.
#pragma once

#include <string>
#include <vector>

#include "platform/typinfo/Object.h"

namespace zu {

// Registers a class under its name; registering it again does nothing.
void RegisterClass(const TClassInfo* cls);
void RegisterClasses(std::initializer_list<const TClassInfo*> classes);
void UnRegisterClass(const TClassInfo* cls);
// The registered class of that name (case-insensitive), or null.
const TClassInfo* GetClass(const std::string& name);
// The same, raising EClassNotFound "Class %s not found" when there is none.
const TClassInfo* FindClass(const std::string& name);
// Every registered class, in registration order.
std::vector<const TClassInfo*> RegisteredClasses();
// Puts component classes on a page of the component palette (and registers them by name).
void RegisterComponents(const std::string& page, std::initializer_list<const TClassInfo*> classes);
// The classes on a palette page, in registration order; empty for an unknown page.
std::vector<const TClassInfo*> PaletteClasses(const std::string& page);

// Registers the framework's own classes (TStringList, TCollection ...).
void RegisterFrameworkClasses();

}  // namespace zu
