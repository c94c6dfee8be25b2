// The exception hierarchy of the framework. Every failure is an exception derived from zu::Exception.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace zu {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message = {}) : FMessage(std::move(message)) {}
  const char* what() const noexcept override { return FMessage.c_str(); }
  const std::string& Message() const noexcept { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  // The class name as the framework reports it ("EConvertError" ...).
  virtual const char* ClassName() const noexcept { return "Exception"; }
  // Where in its input a parser met the failure, as a byte offset; -1 when no parser placed it.
  int64_t Offset() const noexcept { return FOffset; }
  void SetOffset(int64_t offset) noexcept { FOffset = offset; }
  // The same place as a 1-based line and column (bytes on LF-separated lines); 0 when unknown.
  int64_t Line() const noexcept { return FLine; }
  int64_t Column() const noexcept { return FColumn; }
  // The element path from a document's root (/TNode/Child/Value, TTreeItem[2] among same-name
  // siblings); empty when unknown.
  const std::string& Path() const noexcept { return FPath; }
  void SetLocation(int64_t line, int64_t column, std::string path) {
    FLine = line;
    FColumn = column;
    FPath = std::move(path);
  }

 private:
  std::string FMessage;
  int64_t FOffset = -1;
  int64_t FLine = 0;
  int64_t FColumn = 0;
  std::string FPath;
};

// Declares an exception class Name derived from Base with the framework's constructor.
#define ZU_DECLARE_EXCEPTION(Name, Base)                                    \
  class Name : public Base {                                                \
   public:                                                                  \
    using Base::Base;                                                       \
    const char* ClassName() const noexcept override { return #Name; }       \
  };

ZU_DECLARE_EXCEPTION(EAbort, Exception)
ZU_DECLARE_EXCEPTION(EConvertError, Exception)
ZU_DECLARE_EXCEPTION(EVariantError, Exception)
ZU_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError)
ZU_DECLARE_EXCEPTION(EPropertyError, Exception)
ZU_DECLARE_EXCEPTION(EPropertyConvertError, Exception)
ZU_DECLARE_EXCEPTION(EListError, Exception)
ZU_DECLARE_EXCEPTION(EStringListError, Exception)
ZU_DECLARE_EXCEPTION(EInvalidOperation, Exception)
ZU_DECLARE_EXCEPTION(EInvalidPointer, Exception)
ZU_DECLARE_EXCEPTION(EComponentError, Exception)
ZU_DECLARE_EXCEPTION(EOutOfMemory, Exception)
ZU_DECLARE_EXCEPTION(EIntOverflow, Exception)
ZU_DECLARE_EXCEPTION(EZeroDivide, Exception)
ZU_DECLARE_EXCEPTION(EInOutError, Exception)
ZU_DECLARE_EXCEPTION(EStreamError, Exception)
ZU_DECLARE_EXCEPTION(EFCreateError, EStreamError)
ZU_DECLARE_EXCEPTION(EFOpenError, EStreamError)
ZU_DECLARE_EXCEPTION(EFilerError, EStreamError)
ZU_DECLARE_EXCEPTION(EReadError, EFilerError)
ZU_DECLARE_EXCEPTION(EWriteError, EFilerError)
ZU_DECLARE_EXCEPTION(EClassNotFound, EFilerError)
ZU_DECLARE_EXCEPTION(EParserError, Exception)
ZU_DECLARE_EXCEPTION(EOSError, Exception)

// A reference to an exception class: builds an instance with a message and throws it.
// Used where the framework passes exception classes around (the serializer's check).
using TExceptionClass = void (*)(const std::string& message);

template <class E>
[[noreturn]] void ThrowException(const std::string& message) {
  throw E(message);
}

template <class E>
constexpr TExceptionClass ExceptionClass() {
  return &ThrowException<E>;
}

}  // namespace zu
