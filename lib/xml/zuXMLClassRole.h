// What the serializer makes of an object by its class, the same for writing, reading and declaring:
// a string list is one element holding its comma text, a collection holds its items, any other
// persistent object is an element of its own properties, and an object of another class is
// neither written nor read.
#pragma once

#include <cstdint>

#include "platform/classes/Classes.h"
#include "platform/typinfo/TypInfo.h"

namespace zu::xmlclass {

enum class TClassRole : uint8_t { Strings, Collection, Persistent, Other };

inline TClassRole ClassRoleOf(const TClassInfo* Class) {
  static const TClassInfo* const strings = TStrings::StaticClass();
  static const TClassInfo* const collection = TCollection::StaticClass();
  static const TClassInfo* const persistent = TPersistent::StaticClass();
  return Class->InheritsFrom(strings)      ? TClassRole::Strings
         : Class->InheritsFrom(collection) ? TClassRole::Collection
         : Class->InheritsFrom(persistent) ? TClassRole::Persistent
                                           : TClassRole::Other;
}

}  // namespace zu::xmlclass
