#include <exception>

#include "platform/classes/Filer.h"
#include "platform/classes/FilerInternal.h"
#include "platform/system/SysUtils.h"

namespace zu {

using detail::GetLE;
using detail::TNesting;

// ---- Reader: the structure of the stream ----

namespace {

// Passes over values and components of a binary form, reading only their types, sizes and names
// and creating nothing, through the reader's buffer. No length is followed before the stream is
// known to hold it.
class TStructureWalk {
 public:
  TStructureWalk(TReader& reader, int64_t size) : R(reader), Size(size) {}
  bool Met15 = false;  // a value of type 0x15 was passed

  void Component() {
    TNesting<EReadError> level(Depth);
    if ((Peek() & 0xF0) == 0xF0 && (Byte() & ffChildPos)) Value();  // the child position
    Name();                                                         // class
    Name();                                                         // component
    while (!ListEnd()) Property();
    while (!ListEnd()) Component();
  }

  void Value() {
    const int64_t start = R.Position();
    const auto type = static_cast<TValueType>(Byte());
    const auto need = [&](int64_t count) {
      if (count < 0 || count > Size - R.Position())
        Fail("Value type %s at offset %d runs past the end of the stream", type, start);
    };
    const auto skip = [&](int64_t count) {
      need(count);
      Skip(count);
    };
    // A length of one byte, or of four (signed).
    const auto count = [&](int width) {
      uint8_t buf[4];
      need(width);
      R.Read(buf, width);
      return width == 1 ? int64_t{buf[0]} : int64_t{static_cast<int32_t>(GetLE(buf, 4))};
    };
    switch (type) {
      case vaNull:
      case vaFalse:
      case vaTrue:
      case vaNil:
        break;
      case vaInt8:
        skip(1);
        break;
      case vaInt16:
        skip(2);
        break;
      case vaInt32:
      case vaSingle:
        skip(4);
        break;
      case vaInt64:
      case vaQWord:
      case vaCurrency:
      case vaDate:
        skip(8);
        break;
      case vaExtended:
        skip(10);
        break;
      case vaString:
      case vaIdent:
        skip(count(1));
        break;
      case vaLString:
      case vaUTF8String:
      case vaBinary:
        skip(count(4));
        break;
      case vaWString:
        skip(2 * count(4));
        break;
      case vaUString:  // vaDouble in the other dialect
        Met15 = true;
        skip(R.DoubleDialect() ? 8 : 2 * count(4));
        break;
      case vaSet:
        while (int64_t n = count(1)) skip(n);
        break;
      case vaList: {
        TNesting<EReadError> level(Depth);
        while (!ListEnd()) Value();
        break;
      }
      case vaCollection: {
        TNesting<EReadError> level(Depth);
        while (!ListEnd()) {
          uint8_t order = Peek();
          if (order == vaInt8 || order == vaInt16 || order == vaInt32) Value();
          const int64_t at = R.Position();
          if (uint8_t item = Byte(); item != vaList)
            Fail("Value type %s at offset %d where a collection item was expected", item, at);
          while (!ListEnd()) Property();
        }
        break;
      }
      default:
        Fail("Unknown value type %s at offset %d", type, start);
    }
  }

 private:
  [[noreturn]] static void Fail(const char* message, uint8_t type, int64_t offset) {
    throw EReadError(Format(message, {"$" + IntToHex(type, 2), offset}));
  }

  uint8_t Byte() {
    const int64_t at = R.Position();
    if (at >= Size) throw EReadError(Format("Unexpected end of the stream at offset %d", {at}));
    uint8_t b;
    R.Read(&b, 1);
    return b;
  }

  uint8_t Peek() {
    uint8_t b = Byte();
    Skip(-1);
    return b;
  }

  // True, past it, at the end of a list.
  bool ListEnd() {
    if (Peek() != vaNull) return false;
    Skip(1);
    return true;
  }

  void Name() {
    const int64_t at = R.Position();
    const uint8_t n = Byte();
    if (n > Size - R.Position())
      throw EReadError(Format("Name at offset %d runs past the end of the stream", {at}));
    Skip(n);
  }

  void Property() {
    Name();
    Value();
  }

  void Skip(int64_t count) { R.SetPosition(R.Position() + count); }

  TReader& R;
  const int64_t Size;  // of the stream, asked once
  int Depth = 0;
};

}  // namespace

// The Unicode reading wins when it walks the component to the stream's end, or when the walk met
// no 0x15 at all; else the double reading when it walks to the end. Where neither reaches the
// end, a reading that walks the whole component, with bytes left after it, wins, the Unicode one
// first; where neither walks it, the error of the one that got further is raised.
void TReader::SettleDialect() {
  const int64_t start = Position();
  const int64_t size = FStream.Size();
  struct TOutcome {
    std::exception_ptr Error;  // null when the walk went through the component
    int64_t End = 0;           // where it ended or failed
    bool Met15 = false;
  };
  const auto walk = [&](bool doubles) {
    TOutcome outcome;
    FDoubleDialect = doubles;
    SetPosition(start);
    TStructureWalk walker(*this, size);
    try {
      walker.Component();
    } catch (const EReadError&) {
      outcome.Error = std::current_exception();
    }
    outcome.End = Position();
    outcome.Met15 = walker.Met15;
    SetPosition(start);
    return outcome;
  };
  const TOutcome unicode = walk(false);
  const bool unicodeWhole = !unicode.Error && unicode.End == size;
  if (unicodeWhole || !unicode.Met15) {
    if (unicode.Error) std::rethrow_exception(unicode.Error);
    return;
  }
  const TOutcome doubles = walk(true);
  if (!doubles.Error && (doubles.End == size || unicode.Error)) return;
  FDoubleDialect = false;
  if (!unicode.Error) return;
  std::rethrow_exception(doubles.End > unicode.End ? doubles.Error : unicode.Error);
}

}  // namespace zu
