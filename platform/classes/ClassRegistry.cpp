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

void RegisterFrameworkClasses() {
  RegisterClasses({TPersistent::StaticClass(), TComponent::StaticClass(), TStringList::StaticClass(),
                   TCollectionItem::StaticClass()});
}

}  // namespace zu
