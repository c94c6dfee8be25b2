// TPersistent: an object with published properties that can be assigned and nested.
#pragma once

#include <string>

#include "platform/typinfo/TypInfo.h"

namespace zu {

class TFiler;

class TPersistent : public TObject {
  ZU_CLASS(TPersistent, TObject)
 public:
  // Copies Source into this object. The base asks Source to assign itself to this object, and
  // raises EConvertError "Cannot assign a %s to a %s" when neither knows how (Source may be null).
  virtual void Assign(TPersistent* Source);
  // The object that owns this one, for name paths; null for none.
  virtual TPersistent* GetOwner() const { return nullptr; }
  virtual std::string GetNamePath() const { return ClassName(); }
  // Declares data that component streaming stores beside the published properties.
  virtual void DefineProperties(TFiler*) {}

 protected:
  virtual void AssignTo(TPersistent* Dest);
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

}  // namespace zu
