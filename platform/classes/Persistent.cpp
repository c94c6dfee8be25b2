#include "platform/classes/Persistent.h"

#include "platform/system/SysUtils.h"

namespace zu {

ZU_PUBLISHED(TPersistent, "Classes") {}

void TPersistent::Assign(TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* Source) const {
  std::string sourceName = Source ? Source->ClassName() : "nil";
  throw EConvertError(Format("Cannot assign a %s to a %s", {sourceName, ClassName()}));
}

}  // namespace zu
