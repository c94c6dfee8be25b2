#include "platform/forms/FormResources.h"

#include <cstring>

#include "platform/classes/Filer.h"
#include "platform/classes/ObjectText.h"
#include "platform/classes/Streams.h"
#include "platform/system/SysUtils.h"
#include "platform/windows/Windows.h"

namespace zu {

bool ReadFormResource(TComponent* Instance) {
  std::string name = UpperCase(Instance->ClassName());
  win::HRSRC resource = win::FindResourceA(nullptr, name.c_str(), win::RT_RCDATA);
  if (!resource) return false;
  const auto* bytes = static_cast<const char*>(win::LockResource(win::LoadResource(nullptr, resource)));
  win::DWORD size = win::SizeofResource(nullptr, resource);
  if (!bytes) return false;
  TMemoryStream binary;
  if (size >= 4 && std::memcmp(bytes, FilerSignature, 4) == 0) {
    binary.WriteBuffer(bytes, static_cast<int32_t>(size));
  } else {
    TStringStream text(std::string(bytes, size));
    ObjectTextToBinary(text, binary);
  }
  binary.SetPosition(0);
  ReadComponent(binary, Instance);
  return true;
}

}  // namespace zu
