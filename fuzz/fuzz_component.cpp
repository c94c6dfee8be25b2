// Arbitrary bytes as the binary form of a component of the project's own registered classes (the
// demo's form, controls, the serializer, the style and colour classes), read with ReadComponent
// into a new instance of the class the bytes name and into a fresh demo form, and converted to
// text. Reading and converting may only succeed or raise the framework's errors. Bytes that read
// must also convert to text, and that text must convert to binary and back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/Unit1.h"
#include "platform/classes/Filer.h"
#include "platform/classes/ObjectText.h"
#include "platform/forms/Application.h"
#include "platform/forms/HeadlessBackend.h"
#include "tools/ProjectClasses.h"

namespace {

using namespace zu;

// The project's classes, on a headless application.
bool Setup() {
  RegisterProjectClasses();
  Application->SetBackend(std::make_unique<THeadlessBackend>());
  return true;
}

// True when the binary form reads into a new instance of its class; false on the framework's errors.
bool ReadsAsNew(const std::string& binary) {
  TStringStream in(binary);
  try {
    std::unique_ptr<TComponent> created(ReadComponent(in, nullptr));
    return created != nullptr;
  } catch (const Exception&) {
    return false;
  }
}

void ReadIntoForm(const std::string& binary) {
  TStringStream in(binary);
  Tddd form(nullptr);
  try {
    ReadComponent(in, &form);
  } catch (const Exception&) {
  }
}

// The text form of a binary form; false on EReadError.
bool ToText(const std::string& binary, std::string& text) {
  TStringStream in(binary), out;
  try {
    ObjectBinaryToText(in, out);
  } catch (const EReadError&) {
    return false;
  }
  text = out.DataString();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = Setup();
  (void)ready;
  const std::string binary(reinterpret_cast<const char*>(data), size);
  bool reads = ReadsAsNew(binary);
  ReadIntoForm(binary);
  std::string text;
  bool converts = ToText(binary, text);
  if (!reads) return 0;
  // Bytes the reader takes are a valid binary form: they convert to text, and that text converts
  // back to binary and to the same text.
  if (!converts) std::abort();
  TStringStream textIn(text), again;
  ObjectTextToBinary(textIn, again);
  std::string text2;
  if (!ToText(again.DataString(), text2) || text2 != text) std::abort();
  return 0;
}
