#include "platform/classes/ClassRegistry.h"

#include <algorithm>

#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/Strings.h"
#include "platform/system/SysUtils.h"

namespace zu {

static std::vector<const TClassInfo*>& Registry() {
  static std::vector<const TClassInfo*> list;
  return list;
}

void RegisterClass(const TClassInfo* cls) {
  if (!cls) return;
  auto& list = Registry();
  if (std::find(list.begin(), list.end(), cls) == list.end()) list.push_back(cls);
}

void RegisterClasses(std::initializer_list<const TClassInfo*> classes) {
  for (const TClassInfo* c : classes) RegisterClass(c);
}

void UnRegisterClass(const TClassInfo* cls) {
  auto& list = Registry();
  list.erase(std::remove(list.begin(), list.end(), cls), list.end());
}

const TClassInfo* GetClass(const std::string& name) {
  for (const TClassInfo* c : Registry())
    if (SameText(c->ClassName, name)) return c;
  return nullptr;
}

const TClassInfo* FindClass(const std::string& name) {
  const TClassInfo* c = GetClass(name);
  if (!c) throw EClassNotFound(Format("Class %s not found", {name}));
  return c;
}

std::vector<const TClassInfo*> RegisteredClasses() { return Registry(); }

static std::vector<std::pair<std::string, const TClassInfo*>>& Palette() {
  static std::vector<std::pair<std::string, const TClassInfo*>> pages;
  return pages;
}

void RegisterComponents(const std::string& page, std::initializer_list<const TClassInfo*> classes) {
  for (const TClassInfo* c : classes) {
    RegisterClass(c);
    auto& pages = Palette();
    if (std::find(pages.begin(), pages.end(), std::make_pair(page, c)) == pages.end()) pages.emplace_back(page, c);
  }
}

std::vector<const TClassInfo*> PaletteClasses(const std::string& page) {
  std::vector<const TClassInfo*> out;
  for (const auto& [name, cls] : Palette())
    if (name == page) out.push_back(cls);
  return out;
}

void RegisterFrameworkClasses() {
  RegisterClasses({TPersistent::StaticClass(), TComponent::StaticClass(), TStringList::StaticClass(),
                   TCollectionItem::StaticClass()});
}

}  // namespace zu
