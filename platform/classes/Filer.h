// Component streaming in the framework's binary form. TWriter decides which properties of a
// component are written and how each value is encoded; TReader sets them back, creates the child
// components, binds events to the root's published methods and resolves component references.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/Streams.h"
#include "platform/system/Variant.h"

namespace zu {

// The value types of the binary form: every value starts with one of these bytes.
//
// 0x15 and 0x16. The classic tools agree on 0x00 to 0x14 and part after it: the Linux tools write a
// Unicode string as 0x15 (a 4-byte count of UTF-16 code units, then the units, as vaWString) and
// an unsigned 64-bit integer as 0x16; the other tools' 64-bit writers put an 8-byte double at 0x15
// and know no 0x16. Reading into a component, the property's type tells which 0x15 it is: a float
// property takes a double, a string property a Unicode string (a variant takes what the last
// typed 0x15 was, a Unicode string before any). A conversion to text, which knows no types,
// settles 0x15 once per component (TReader::SettleDialect) by walks over the whole component that
// create nothing: a Unicode string when that reading walks it to the stream's end, else a double
// when that one does; a reading that leaves bytes after the component counts only when neither
// reaches the end, the Unicode one first. 0x16 is a QWord either way; read into an Int64 it keeps
// its 64 bits. A value type neither knows, or a component well-formed in neither reading, raises
// EReadError naming the value type and its offset.
//
// What the writer writes reads the same in both, and holds 0x15 in neither sense:
// - every float (Single, Double, Extended) as vaExtended, ten bytes of the x87 format; Currency and
//   dates as vaCurrency and vaDate; vaSingle and vaDouble are only read;
// - a narrow string as its bytes, unchanged, UTF-8 or not: vaString, or vaLString past 255 bytes;
// - a wide string of ASCII as its bytes, the way a narrow string goes, any other as vaWString;
//   vaUTF8String and vaUString are only read;
// - integers in the smallest of vaInt8 to vaInt64, a number of the text form above Int64's range
//   as the Int64 of its 64 bits (18446744073709551615 as -1), as the classic tools convert it;
//   vaQWord is only read.
// A byte string (vaString, vaLString, vaUTF8String) read into a wide property is decoded as UTF-8
// when it is valid UTF-8, byte for code unit otherwise; a wide string read into a narrow property
// is encoded as UTF-8.
//
// Strings of the text form: quoted text and #N codes (decimal, or hexadecimal after '$'), continued
// across lines with '+'. A string whose codes are all below 128 is a byte string: its quoted text
// gives the bytes the file holds there, each #N the byte N. A string with a code of 128 or more is
// a wide string, as the classic tools take it: its quoted text is decoded as above and each #N is
// the UTF-16 unit N (#233 is é, #1046 is Ж; a code past $FFFF gives a surrogate pair). The text
// writer writes a byte string byte for byte, its bytes from 128 up inside the quotes ('café' as
// the UTF-8 text it is), and a wide string unit for unit, each unit from 128 up as its #N
// ('caf'#233); control characters and quotes are #N codes in both. So a narrow string keeps its
// bytes and a wide string its characters whichever way a form travels, and the classic tools
// read both as the same characters. A string of the classic tools' text whose UTF-8 bytes are
// spelt as codes ('caf'#195#169) reads as those codes' characters (cafÃ©), as they read it.
enum TValueType : uint8_t {
  vaNull,
  vaList,
  vaInt8,
  vaInt16,
  vaInt32,
  vaExtended,
  vaString,
  vaIdent,
  vaFalse,
  vaTrue,
  vaBinary,
  vaSet,
  vaLString,
  vaNil,
  vaCollection,
  vaSingle,
  vaCurrency,
  vaDate,
  vaWString,
  vaInt64,
  vaUTF8String,
  vaUString,        // 0x15 of the Linux tools
  vaDouble = 0x15,  // 0x15 of the other tools
  vaQWord = 0x16
};

// Flags of an object header: found in an ancestor, with a child position, inline.
enum TFilerFlag : uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

// The signature that starts a component in binary form.
inline constexpr char FilerSignature[4] = {'T', 'P', 'F', '0'};

// The deepest nesting of objects, lists and collections that writing, reading and the text
// conversions accept; deeper input raises the filer's or the parser's error.
inline constexpr int MaxFilerNesting = 200;

using TReaderProc = std::function<void(TReader&)>;
using TWriterProc = std::function<void(TWriter&)>;
using TStreamProc = std::function<void(TStream&)>;

// What readers and writers share: the stream and the root that names events and references.
class TFiler {
 public:
  explicit TFiler(TStream& Stream) : FStream(Stream) {}
  virtual ~TFiler() = default;
  TFiler(const TFiler&) = delete;
  TFiler& operator=(const TFiler&) = delete;

  // Data kept beside the published properties under Name (called from DefineProperties): written
  // through WriteData when HasData holds, given to ReadData when the stream holds it.
  virtual void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                              const TWriterProc& WriteData, bool HasData) = 0;
  // The same for bytes, kept as binary data.
  virtual void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                    const TStreamProc& WriteData, bool HasData) = 0;

  TStream& Stream() const { return FStream; }
  TComponent* Root() const { return FRoot; }
  void SetRoot(TComponent* Value) { FRoot = Value; }

 protected:
  TStream& FStream;
  TComponent* FRoot = nullptr;
};

class TWriter : public TFiler {
 public:
  using TFiler::TFiler;

  // The signature, then Root with its properties and children; Root names events and references.
  void WriteRootComponent(TComponent* Root);
  // A component inside the one being written, through its WriteState.
  void WriteComponent(TComponent* Component);
  // Header (class and name), properties, end of list, children (GetChildren), end of list.
  void WriteData(TComponent* Instance);
  // Every stored published property that has a value to keep (ordinals and sets when they differ
  // from their declared default; numbers other than 0, strings other than empty, assigned events
  // bound to a published method of the root, objects other than null), then DefineProperties.
  void WriteProperties(TPersistent* Instance);
  // vaCollection, then each item's properties as a list, then the end of the list.
  void WriteCollection(TCollection* Value);

  void DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                            const TStreamProc& WriteData, bool HasData) override;

  // ---- Values ----
  void WriteSignature();
  // A header prefix: nothing without flags; the child position follows when ffChildPos is set.
  void WritePrefix(uint8_t Flags, int32_t ChildPos);
  // An object header: prefix, class name, component name. A class name of 240 bytes or more gets
  // a prefix even without flags, since its length byte would read as one.
  void WriteHeader(uint8_t Flags, int32_t ChildPos, const std::string& ClassName, const std::string& Name);
  void WriteValue(TValueType Value);
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  // In the smallest of vaInt8, vaInt16, vaInt32 and vaInt64 that holds it.
  void WriteInteger(int64_t Value);
  void WriteBoolean(bool Value);
  // vaExtended: the 80-bit extended format. Singles and doubles are written so as well.
  void WriteFloat(long double Value);
  void WriteSingle(float Value) { WriteFloat(Value); }
  // A currency value given as its count of ten-thousandths.
  void WriteCurrency(int64_t TenThousandths);
  void WriteDate(double Value);
  // 8-bit text, its bytes unchanged: vaString, or vaLString past 255 bytes.
  void WriteString(const std::string& Value);
  // UTF-16 text: vaWString when a unit is above 255, else its UTF-8 bytes as WriteString writes them.
  void WriteWideString(const std::u16string& Value);
  // An identifier; False, True, Null and nil (in any case) as their own value types.
  void WriteIdent(const std::string& Ident);
  // A set: the names of its members in bit order, then an empty name. Bits without a name are left out.
  void WriteSet(const TTypeInfo* SetType, uint32_t Mask);
  void WriteBinary(const void* Data, int32_t Count);
  // Unassigned as vaNil, Null as vaNull, numbers, strings and Booleans as their value types.
  void WriteVariant(const Variant& Value);
  // A counted name without value type (classes, components, properties, set members);
  // EWriteError past 255 bytes.
  void WriteStr(const std::string& Value);
  void Write(const void* Buffer, int32_t Count);

 private:
  void WriteProperty(TPersistent* Instance, PPropInfo Prop);
  void WriteOrdValue(const TTypeInfo* Type, int32_t Value, const std::string& PropName);
  void WritePropName(const std::string& Name);
  std::string ReferenceName(TComponent* Component) const;

  std::string FPropPath;
  int FDepth = 0;
};

// The reader takes its stream a buffer at a time. When it finishes reading a root component, and
// when it is destroyed, the stream is put back just after what was read, so what follows the
// component in the same stream reads next.
class TReader : public TFiler {
 public:
  // The bytes asked of the stream at a time.
  static constexpr int32_t BufferSize = 4096;

  using TFiler::TFiler;
  ~TReader() override;

  // Reads the signature and a component into Root, or, when Root is null, into a new instance of
  // the registered class the stream names (which the caller then owns). Then points component
  // references at what was read and calls Loaded on every component read. When reading fails,
  // the components it created are destroyed and the error passes on.
  TComponent* ReadRootComponent(TComponent* Root);
  // A component inside the one being read: the component of that name that Owner() already has
  // (when its class fits), or a new one of the named class, owned by Owner().
  TComponent* ReadComponent();
  // Instance's properties, then its children (owned by GetChildOwner, under GetChildParent).
  void ReadData(TComponent* Instance);
  // One property: its dotted path (Font.Height) through published objects, then its value; a
  // name that is no published property goes to DefineProperties. Unknown names raise EReadError.
  void ReadProperty(TPersistent* Instance);
  // The items of a collection after its vaCollection: the collection is cleared, then one item
  // is added for each list of properties.
  void ReadCollection(TCollection* Collection);

  // The owner and the parent of the child components being read.
  TComponent* Owner() const { return FOwner; }
  TComponent* Parent() const { return FParent; }

  void DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                            const TStreamProc& WriteData, bool HasData) override;

  // ---- Values; a value of another type raises EReadError "Invalid property value" ----
  // EReadError "Invalid stream format" unless the signature follows.
  void ReadSignature();
  void ReadPrefix(uint8_t& Flags, int32_t& ChildPos);
  // The type of the next value, without reading it.
  TValueType NextValue();
  TValueType ReadValue();
  bool EndOfList() { return NextValue() == vaNull; }
  void CheckValue(TValueType Value);
  void ReadListBegin() { CheckValue(vaList); }
  void ReadListEnd() { CheckValue(vaNull); }
  // An integer value that fits in 32 bits.
  int32_t ReadInteger();
  // An integer value that fits in 64 bits (a vaQWord only up to Int64's maximum).
  int64_t ReadInt64();
  // Any integer value as 64 bits: a vaQWord unsigned, the others signed.
  uint64_t ReadQWord();
  bool ReadBoolean();
  // Any number: integers, extended, double, single, currency, date; also the identifiers NAN and INF.
  // 0x15 is a double here.
  long double ReadFloat();
  float ReadSingle();
  double ReadDate();
  // A currency value as its count of ten-thousandths.
  int64_t ReadCurrency();
  // Any string value: 8-bit strings as stored, UTF-8 strings as they are, wide strings in UTF-8.
  // 0x15 is a Unicode string here.
  std::string ReadString();
  // Any string value as UTF-16: 8-bit strings decoded as UTF-8, or as Latin-1 when they are no UTF-8.
  std::u16string ReadWideString();
  // An identifier; False, True, Null and nil for their value types.
  std::string ReadIdent();
  // A set of SetType (its member names); EReadError for a name the member type does not have.
  uint32_t ReadSet(const TTypeInfo* SetType);
  Variant ReadVariant();
  // A counted name without value type.
  std::string ReadStr();
  // Count bytes; EReadError when the stream holds fewer (nothing is allocated for a bogus count).
  std::string ReadBytes(int64_t Count);
  // Count bytes; EReadError "Stream read error" when the stream holds fewer.
  void Read(void* Buffer, int32_t Count);

  // ---- The position ----
  // Where the next byte the reader gives comes from in the stream.
  int64_t Position();
  void SetPosition(int64_t Value);
  // Puts the stream back just after what was read and empties the buffer.
  void FixupBuffer();

  // ---- The dialect ----
  // For a conversion, where no property type tells what 0x15 is: walks the component that starts
  // at the reader's position (after the signature), creating nothing and reading nothing the
  // stream does not hold, and settles the meaning of 0x15 that makes it well-formed, as told
  // beside the value types. The position is kept. EReadError naming a value type and its offset
  // when neither reading does.
  void SettleDialect();
  // True when 0x15 reads as a double where the value's type is not asked for (a variant); a new
  // reader takes it as a Unicode string. A 0x15 read as a string or as a number sets it.
  bool DoubleDialect() const { return FDoubleDialect; }
  void SetDoubleDialect(bool Value) { FDoubleDialect = Value; }

 private:
  struct TFixup {
    TPersistent* Instance;
    PPropInfo Prop;
    std::string Name;
    std::vector<TPersistent*> Items;  // the collection items the instance lives in
  };
  void ReadPropValue(TPersistent* Instance, PPropInfo Prop);
  void ReadClassValue(TPersistent* Instance, PPropInfo Prop);
  [[noreturn]] void PropertyError(const std::string& Name) const;
  const TClassInfo* FindComponentClass(const std::string& ClassName) const;
  void BeginLoading(TComponent* Component);
  void Discard(TComponent* Component);
  void DropFixups(TCollection* Collection);
  void ResolveFixups();
  TComponent* FindReference(const std::string& Name) const;
  void Enter();

  TComponent* FOwner = nullptr;
  TComponent* FParent = nullptr;
  TComponent* FCurrent = nullptr;  // the component whose properties are being read, for messages
  std::string FPropName;           // the name DefineProperties is asked for; cleared once read
  std::vector<TComponent*> FLoaded;
  std::vector<TFixup> FFixups;
  std::vector<TPersistent*> FItems;
  int FDepth = 0;
  int FPropDepth = 0;
  bool FDoubleDialect = false;
  // FBuffer[FBufPos, FBufEnd) is what has been taken from the stream and not yet given out;
  // FStreamPos is the stream's position after it, or -1 until it is asked for.
  bool FillBuffer();
  uint8_t FBuffer[BufferSize];
  int32_t FBufPos = 0;
  int32_t FBufEnd = 0;
  int64_t FStreamPos = -1;
};

// Writes Instance with its properties and children in binary form, signature first.
void WriteComponent(TStream& Stream, TComponent* Instance);
// Reads a component in binary form into Instance, or into a new instance of the stream's
// registered class when Instance is null (the caller owns it); returns the component read.
TComponent* ReadComponent(TStream& Stream, TComponent* Instance);

}  // namespace zu
