#include <cstdlib>
#include <string>
#include <vector>

#include "platform/system/SysUtils.h"
#include "platform/windows/Windows.h"

// The table the build generates for a program (zu_add_resources in platform/windows/CMakeLists.txt); a
// program without one links this empty default.
extern "C" __attribute__((weak)) const zu::win::TLinkedResource* zuProgramResources(size_t* count) {
  *count = 0;
  return nullptr;
}

namespace zu::win {
namespace {

struct TResource {
  WORD Type;
  std::string Name;  // "#id" for an integer name
  const void* Data;
  size_t Size;
};

std::vector<TResource>& Resources() {
  static auto* list = new std::vector<TResource>;
  static bool linked = false;
  if (!linked) {
    linked = true;
    size_t count = 0;
    const TLinkedResource* table = zuProgramResources(&count);
    for (size_t i = 0; i < count; ++i)
      list->push_back({table[i].Type, table[i].Name ? table[i].Name : "", table[i].Data, table[i].Size});
  }
  return *list;
}

// An integer name becomes "#id", so both spellings find the same resource.
std::string NameKey(LPCSTR name) {
  if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<uintptr_t>(name));
  return name;
}

// A resource type given as an integer or as "#id"; 0 for a named type (none is linked).
WORD TypeKey(LPCSTR type) {
  if (IS_INTRESOURCE(type)) return static_cast<WORD>(reinterpret_cast<uintptr_t>(type));
  if (type[0] != '#') return 0;
  int32_t id = 0;
  return TryStrToInt(type + 1, id) && id > 0 && id <= 0xFFFF ? static_cast<WORD>(id) : 0;
}

HINSTANCE__* ProgramModule() {
  static char marker;
  return reinterpret_cast<HINSTANCE__*>(&marker);
}

// Handles are 1-based indices into the list.
const TResource* FromHandle(const void* handle) {
  auto index = reinterpret_cast<uintptr_t>(handle);
  auto& list = Resources();
  return index >= 1 && index <= list.size() ? &list[index - 1] : nullptr;
}

}  // namespace

void RegisterResource(const TLinkedResource& resource) {
  Resources().push_back({resource.Type, NameKey(resource.Name), resource.Data, resource.Size});
}

void UnregisterResource(WORD type, const char* name) {
  // Entries stay in place (handles are indices); the resource is only made unfindable.
  std::string key = NameKey(name);
  for (auto& r : Resources())
    if (r.Type == type && SameText(r.Name, key)) r.Type = 0;
}

HMODULE GetModuleHandleA(LPCSTR moduleName) { return moduleName ? nullptr : ProgramModule(); }

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (module && module != ProgramModule()) return nullptr;
  if (!name || !type) return nullptr;
  WORD typeKey = TypeKey(type);
  if (!typeKey) return nullptr;
  std::string key = NameKey(name);
  auto& list = Resources();
  for (size_t i = list.size(); i-- > 0;)
    if (list[i].Type == typeKey && SameText(list[i].Name, key)) return reinterpret_cast<HRSRC>(i + 1);
  return nullptr;
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  if (module && module != ProgramModule()) return nullptr;
  return FromHandle(resource) ? static_cast<HGLOBAL>(resource) : nullptr;
}

const void* LockResource(HGLOBAL data) {
  const TResource* r = FromHandle(data);
  return r ? r->Data : nullptr;
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
  if (module && module != ProgramModule()) return 0;
  const TResource* r = FromHandle(resource);
  return r ? static_cast<DWORD>(r->Size) : 0;
}

BOOL FreeResource(HGLOBAL) { return 0; }

}  // namespace zu::win
