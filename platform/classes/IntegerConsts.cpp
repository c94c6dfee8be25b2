#include "platform/classes/IntegerConsts.h"

#include <algorithm>
#include <vector>

#include "platform/system/SysUtils.h"

namespace zu {

bool IdentToInt(std::string_view Ident, int32_t& Int, std::span<const TIdentMapEntry> Map) {
  for (const TIdentMapEntry& e : Map)
    if (SameText(e.Name, Ident)) {
      Int = e.Value;
      return true;
    }
  return false;
}

bool IntToIdent(int32_t Int, std::string& Ident, std::span<const TIdentMapEntry> Map) {
  for (const TIdentMapEntry& e : Map)
    if (e.Value == Int) {
      Ident = e.Name;
      return true;
    }
  return false;
}

namespace {

struct TIntConst {
  const TTypeInfo* Type;
  TIdentToInt ToInt;
  TIntToIdent ToIdent;
};

std::vector<TIntConst>& IntConsts() {
  static std::vector<TIntConst> list;
  return list;
}

const TIntConst* Find(const TTypeInfo* type) {
  for (const TIntConst& c : IntConsts())
    if (c.Type == type) return &c;
  return nullptr;
}

}  // namespace

void RegisterIntegerConsts(const TTypeInfo* IntegerType, TIdentToInt IdentToIntFn, TIntToIdent IntToIdentFn) {
  if (!IntegerType) return;
  UnRegisterIntegerConsts(IntegerType);
  IntConsts().push_back({IntegerType, std::move(IdentToIntFn), std::move(IntToIdentFn)});
}

void RegisterIntegerConsts(const TTypeInfo* IntegerType, std::span<const TIdentMapEntry> Map) {
  RegisterIntegerConsts(
      IntegerType, [Map](std::string_view ident, int32_t& v) { return IdentToInt(ident, v, Map); },
      [Map](int32_t v, std::string& ident) { return IntToIdent(v, ident, Map); });
}

void UnRegisterIntegerConsts(const TTypeInfo* IntegerType) {
  auto& list = IntConsts();
  list.erase(
      std::remove_if(list.begin(), list.end(), [&](const TIntConst& c) { return c.Type == IntegerType; }),
      list.end());
}

TIdentToInt FindIdentToInt(const TTypeInfo* IntegerType) {
  const TIntConst* c = Find(IntegerType);
  return c ? c->ToInt : TIdentToInt{};
}

TIntToIdent FindIntToIdent(const TTypeInfo* IntegerType) {
  const TIntConst* c = Find(IntegerType);
  return c ? c->ToIdent : TIntToIdent{};
}

}  // namespace zu
