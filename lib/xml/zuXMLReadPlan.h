// The reader's plan of a class: its published properties in list order, each with the way its value
// is set and, for a property written straight to a field, where that field lies and how it is
// stored. A reading builds the plan of a class once, at the first object of the class it reads, and
// sets every value through it: no type dispatch, accessor or temporary text per value.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lib/xml/zuXMLClassRole.h"
#include "lib/xml/zuXMLScan.h"
#include "platform/classes/Classes.h"
#include "platform/typinfo/TypInfo.h"

namespace zu::xmlread {

// A value's text is followed by this many bytes that may be read: the document's own, or the
// padding of a text made from it.
constexpr size_t kValuePadding = 16;

// The identifiers of an enumeration (or of a set's members), found by their length and first eight
// bytes as one number. They are looked at in declaration order, so of equal identifiers the first
// is found, as ExactNameIndex finds it. The texts looked up are followed by kValuePadding bytes
// that may be read.
class TNameTable {
 public:
  TNameTable() = default;
  explicit TNameTable(std::span<const std::string> Names) {
    for (size_t i = 0; i < Names.size(); ++i) {
      const std::string& name = Names[i];
      char head[8] = {};
      std::memcpy(head, name.data(), std::min<size_t>(name.size(), 8));
      FEntries.push_back({xmlscan::Load<uint64_t>(head), name.size(), static_cast<int32_t>(i), name.data()});
    }
  }
  // The index of the identifier Text; -1 when it is none.
  int32_t Find(std::string_view Text) const {
    const size_t n = Text.size();
    if (n == 0) return -1;
    const uint64_t head = xmlscan::Head(Text.data(), std::min<size_t>(n, 8));
    for (const TEntry& e : FEntries)
      if (e.Head == head && e.Length == n && (n <= 8 || xmlscan::SameBytes(Text.data() + 8, e.Name + 8, n - 8)))
        return e.Index;
    return -1;
  }
  // The set of the identifiers that Text joins by commas, bit n for index n; false, with Mask
  // untouched, when one is none. As the framework's plain set text: no brackets, no blanks, and
  // nothing after a comma that ends the text.
  bool FindSet(std::string_view Text, uint32_t& Mask) const {
    if (!Text.empty() && Text[0] == '[') return false;
    uint32_t mask = 0;
    const char* p = Text.data();
    const char* const end = p + Text.size();
    while (p < end) {
      const char* const comma = xmlscan::FindChar(p, end, ',');
      const size_t n = static_cast<size_t>((comma ? comma : end) - p);
      const int32_t v = Find({p, n});
      if (v < 0) return false;
      if (v <= 31) mask |= 1u << v;
      p += n + 1;
    }
    Mask = mask;
    return true;
  }

 private:
  struct TEntry {
    uint64_t Head;
    size_t Length;
    int32_t Index;
    const char* Name;  // in the type information, which lives as long as the program
  };
  std::vector<TEntry> FEntries;
};

// How the value of a property's element is set.
enum class TWay : uint8_t {
  Integer,      // integers and characters: plain decimal numbers, clamped to the type's range
  Float,        // plain decimal numbers with the point as separator
  Enumeration,  // identifiers written exactly as declared
  Set,          // identifiers written exactly as declared, joined by commas
  String,       // the text itself
  Text,         // the other value kinds, through the framework's set-from-text
  Kept,         // a value of a property without a setter: read past, the value kept
  Element,      // objects, collections, string lists and the kinds without a value text
};

struct TPlanProp {
  PPropInfo Prop = nullptr;
  const TTypeInfo* Type = nullptr;
  std::string_view Name;
  std::string OpenTag;  // "<Name>"; empty for a name that holds a ">"
  // Tags of at most eight bytes as the words they load as, with the mask of their bytes; a zero
  // mask for longer tags.
  xmlscan::TShortTag Open, Close;
  TWay Way = TWay::Element;
  // A value whose closing tag is short: the reader looks for it right behind the value's text.
  bool Quick = false;
  // Where the field lies from the object's address; used only where Field has the store needed.
  ptrdiff_t Offset = 0;
  TDirectField Field;
  int64_t Min = 0, Max = 0;            // integers: the type's range
  TNameTable Names;  // enumerations: their identifiers; sets: their members'

  void* FieldOf(TObject* Object) const { return reinterpret_cast<char*>(Object) + Offset; }
};

struct TReadPlan {
  const TClassInfo* Class = nullptr;
  xmlclass::TClassRole Role = xmlclass::TClassRole::Other;
  // The properties, followed by an entry whose tag matches none (Expected past the last property).
  std::vector<TPlanProp> Props;
  size_t Count = 0;  // of properties, kept as a number: the look-ups per element need no division

  // The entry of PropInfo, or null.
  const TPlanProp* Of(PPropInfo PropInfo) const {
    for (size_t i = 0; i < Count; ++i)
      if (Props[i].Prop == PropInfo) return &Props[i];
    return nullptr;
  }
  // The property after the one found last (see Find), when its opening tag starts at Tag and ends
  // before End: then the tag's first ">" is its last byte. Null otherwise, and past the last
  // property (Hint is Count).
  const TPlanProp* Expected(size_t& Hint, const char* Tag, const char* End) const {
    const size_t i = Hint;
    const TPlanProp& p = Props[i];
    if (p.Open.Mask) {
      // A short tag: one load, and the tag's bytes within the document.
      if (!p.Open.At(Tag) || End - Tag < static_cast<ptrdiff_t>(p.OpenTag.size())) return nullptr;
    } else {
      const size_t n = p.OpenTag.size();
      if (n == 0 || End - Tag < static_cast<ptrdiff_t>(n) || !xmlscan::SameBytes(Tag, p.OpenTag.data(), n))
        return nullptr;
    }
    Hint = i + 1;
    return &p;
  }
  // The property named Name, letter for letter. Names are unique in a list, and documents follow
  // the list's order: the search starts at Hint, the place after the property found last, and goes
  // round.
  const TPlanProp* Find(std::string_view Name, size_t& Hint) const {
    const size_t count = Count;
    size_t i = Hint < count ? Hint : 0;
    for (size_t k = 0; k < count; ++k) {
      const TPlanProp& p = Props[i];
      if (p.Name.size() == Name.size() && xmlscan::SameBytes(p.Name.data(), Name.data(), Name.size())) {
        Hint = i + 1;
        return &p;
      }
      if (++i == count) i = 0;
    }
    return nullptr;
  }
  // The property that Name once named (its former names), or null; sets Hint as Find does.
  const TPlanProp* FindFormer(std::string_view Name, size_t& Hint) const {
    for (size_t i = 0; i < Count; ++i)
      for (const std::string& former : Props[i].Prop->FormerNames)
        if (former == Name) {
          Hint = i + 1;
          return &Props[i];
        }
    return nullptr;
  }
};

inline TWay WayOf(TTypeKind Kind) {
  switch (Kind) {
    case tkInteger:
    case tkChar:
    case tkWChar:
      return TWay::Integer;
    case tkFloat:
      return TWay::Float;
    case tkEnumeration:
      return TWay::Enumeration;
    case tkSet:
      return TWay::Set;
    case tkString:
    case tkLString:
    case tkWString:
      return TWay::String;
    case tkVariant:
      return TWay::Text;
    default:
      return TWay::Element;
  }
}

// The entry of the property p of Object's class, with its field's place taken from Object.
inline TPlanProp MakePlanProp(TObject* Object, PPropInfo p) {
  TPlanProp e;
  e.Prop = p;
  e.Type = p->PropType();
  e.Name = p->Name;
  if (e.Name.find('>') == std::string_view::npos) {
    e.OpenTag = "<" + p->Name + ">";
    e.Open = xmlscan::TShortTag(e.OpenTag);
  }
  e.Close = xmlscan::TShortTag("</" + p->Name + ">");
  e.Way = WayOf(e.Type->Kind);
  if (!p->HasSetter()) {
    if (e.Way != TWay::Element) e.Way = TWay::Kept;
  } else {
    e.Field = p->Access->DirectField(Object);
    if (e.Field.Address) e.Offset = static_cast<char*>(e.Field.Address) - reinterpret_cast<char*>(Object);
  }
  e.Quick = e.Way != TWay::Element && e.Close.Mask != 0;
  if (e.Way == TWay::Integer) {
    e.Min = e.Type->MinBound();
    e.Max = e.Type->MaxBound();
  } else if (e.Way == TWay::Enumeration) {
    e.Names = TNameTable(ExactEnumNames(e.Type));
  } else if (e.Way == TWay::Set && e.Type->CompType) {
    e.Names = TNameTable(ExactEnumNames(e.Type->CompType));
  }
  return e;
}

// The plan of Object's class, with field places taken from Object.
inline std::unique_ptr<TReadPlan> MakeReadPlan(TObject* Object) {
  auto plan = std::make_unique<TReadPlan>();
  const TClassInfo* const cls = Object->ClassType();
  plan->Class = cls;
  plan->Role = xmlclass::ClassRoleOf(cls);
  for (PPropInfo p : cls->PropList())
    if (p) plan->Props.push_back(MakePlanProp(Object, p));
  plan->Count = plan->Props.size();
  plan->Props.emplace_back();  // no tag: an empty opening tag and a zero mask
  return plan;
}

// The plans of one reading, by class. Objects and the objects they hold take turns: the two
// classes asked for last are looked at first.
class TReadPlans {
 public:
  const TReadPlan& For(TObject* Object) {
    const TClassInfo* const cls = Object->ClassType();
    if (FRecent[0] && FRecent[0]->Class == cls) return *FRecent[0];
    if (FRecent[1] && FRecent[1]->Class == cls) return *Use(FRecent[1]);
    for (const auto& plan : FPlans)
      if (plan->Class == cls) return *Use(plan.get());
    FPlans.push_back(MakeReadPlan(Object));
    return *Use(FPlans.back().get());
  }

 private:
  const TReadPlan* Use(const TReadPlan* Plan) {
    FRecent[1] = FRecent[0];
    FRecent[0] = Plan;
    return Plan;
  }
  std::vector<std::unique_ptr<TReadPlan>> FPlans;
  const TReadPlan* FRecent[2] = {nullptr, nullptr};
};

}  // namespace zu::xmlread
