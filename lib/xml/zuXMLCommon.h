// What the writer, the reader and the declarations share: the value kinds, scope guards, the text
// buffer the writer assembles in, and the escaping of reserved symbols.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lib/xml/zuXMLScan.h"
#include "platform/classes/Classes.h"
#include "platform/classes/Streams.h"
#include "platform/typinfo/TypInfo.h"

namespace zu::xmlcommon {

using xmlscan::FindReserved;
using xmlscan::Load;

// The kinds that are written as a value text and set from one.
inline bool IsValueKind(TTypeKind kind) {
  switch (kind) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkFloat:
    case tkString:
    case tkSet:
    case tkWChar:
    case tkLString:
    case tkWString:
    case tkVariant:
      return true;
    default:
      return false;
  }
}

// The kinds whose declared default ExcludeDefaultValues compares with the value.
inline bool HasOrdinalDefault(TTypeKind kind) {
  return kind == tkInteger || kind == tkChar || kind == tkEnumeration || kind == tkSet;
}

inline void RequireObject(const TObject* Object) {
  if (!Object) throw EInvalidPointer("Invalid pointer operation");
}

// Runs a function when the scope ends, normally or by exception.
template <class F>
class TFinally {
 public:
  explicit TFinally(F f) : FFunction(std::move(f)) {}
  ~TFinally() { FFunction(); }
  TFinally(const TFinally&) = delete;
  TFinally& operator=(const TFinally&) = delete;

 private:
  F FFunction;
};

// Marks an object as being visited for the lifetime of the scope.
class TVisit {
 public:
  TVisit(std::vector<const TObject*>& Path, const TObject* Object) : FPath(Path) { FPath.push_back(Object); }
  ~TVisit() { FPath.pop_back(); }
  TVisit(const TVisit&) = delete;
  TVisit& operator=(const TVisit&) = delete;

 private:
  std::vector<const TObject*>& FPath;
};

// A growing text whose appends stay inline: the writer assembles every tag and value in one. The
// text lies in a block of its own, or, once FormIn a memory stream, in the stream's own bytes at
// its position, so that a document written to memory is never copied.
class TTextBuffer {
 public:
  TTextBuffer() = default;
  TTextBuffer(const TTextBuffer&) = delete;
  TTextBuffer& operator=(const TTextBuffer&) = delete;
  ~TTextBuffer() {
    if (FStream)
      FStream->EndWrite(0);
    else
      std::free(FData);
  }

  // Forms the text, empty so far, in Stream's bytes from its position on (BeginWrite).
  void FormIn(TMemoryStream& Stream) {
    FData = Stream.BeginWrite(kFirstRoom);
    FStream = &Stream;
    FCapacity = kFirstRoom;
  }
  bool InStream() const { return FStream != nullptr; }
  // Hands the text formed in the stream to it (EndWrite): it is Written bytes long there now.
  void EndInStream() {
    TMemoryStream* const stream = FStream;
    FStream = nullptr;
    FData = nullptr;
    FCapacity = 0;
    stream->EndWrite(static_cast<int64_t>(std::exchange(FSize, 0)));
  }

  size_t size() const { return FSize; }
  operator std::string_view() const { return {FData, FSize}; }
  void clear() { FSize = 0; }
  // Shortens the text to Size bytes (never lengthens it).
  void resize(size_t Size) { FSize = std::min(Size, FSize); }
  void append(const char* Text, size_t Count) {
    if (Count > FCapacity - FSize) Grow(Count);
    CopyBytes(FData + FSize, Text, Count);
    FSize += Count;
  }
  void append(size_t Count, char C) {
    if (Count > FCapacity - FSize) Grow(Count);
    if (Count) std::memset(FData + FSize, C, Count);
    FSize += Count;
  }
  TTextBuffer& operator+=(char C) {
    if (FSize == FCapacity) Grow(1);
    FData[FSize++] = C;
    return *this;
  }
  TTextBuffer& operator+=(std::string_view Text) {
    append(Text.data(), Text.size());
    return *this;
  }
  // Room for Count more bytes: where to write them; Commit then takes the text up to the end of
  // what was written.
  char* Reserve(size_t Count) {
    if (Count > FCapacity - FSize) Grow(Count);
    return FData + FSize;
  }
  void Commit(const char* End) { FSize = static_cast<size_t>(End - FData); }

  // Tag names and most values are a few bytes long: they are copied in place, a word or two at a
  // time, without a call to the library's copy.
  static void CopyBytes(char* To, const char* From, size_t Count) {
    if (Count > 16) {
      std::memcpy(To, From, Count);
    } else if (Count >= 8) {
      const auto head = Load<uint64_t>(From), tail = Load<uint64_t>(From + Count - 8);
      std::memcpy(To, &head, 8);
      std::memcpy(To + Count - 8, &tail, 8);
    } else if (Count >= 4) {
      const auto head = Load<uint32_t>(From), tail = Load<uint32_t>(From + Count - 4);
      std::memcpy(To, &head, 4);
      std::memcpy(To + Count - 4, &tail, 4);
    } else {
      for (size_t i = 0; i < Count; ++i) To[i] = From[i];
    }
  }

 private:
  static constexpr size_t kFirstRoom = 256;
  [[gnu::noinline]] void Grow(size_t Count) {
    const size_t capacity = std::max({FCapacity * 2, FSize + Count, kFirstRoom});
    char* data = FStream ? FStream->WidenWrite(static_cast<int64_t>(capacity))
                         : static_cast<char*>(std::realloc(FData, capacity));
    if (!data) throw std::bad_alloc();
    FData = data;
    FCapacity = capacity;
  }
  char* FData = nullptr;
  size_t FSize = 0;
  size_t FCapacity = 0;
  TMemoryStream* FStream = nullptr;
};
// Text written at a place with room for it; the end of what was written.
inline char* PutBytes(char* At, std::string_view Text) {
  TTextBuffer::CopyBytes(At, Text.data(), Text.size());
  return At + Text.size();
}
// Text with "<", ">" and "&" replaced by "&lt;", "&gt;" and "&amp;", written at a place with room
// for five bytes per byte of Text.
inline char* PutEscaped(char* At, std::string_view Text) {
  const char* from = Text.data();
  const char* const end = from + Text.size();
  while (const char* reserved = FindReserved(from, static_cast<size_t>(end - from))) {
    At = PutBytes(At, {from, static_cast<size_t>(reserved - from)});
    At = PutBytes(At, *reserved == '<' ? "&lt;" : *reserved == '>' ? "&gt;" : "&amp;");
    from = reserved + 1;
  }
  return PutBytes(At, {from, static_cast<size_t>(end - from)});
}

// Replaces "<", ">" and "&" from Start on by "&lt;", "&gt;" and "&amp;".
inline void EscapeFrom(TTextBuffer& Text, size_t Start) {
  const std::string_view all = Text;
  const char* const reserved = FindReserved(all.data() + Start, all.size() - Start);
  if (!reserved) return;
  const size_t first = static_cast<size_t>(reserved - all.data());
  const std::string tail(all.substr(first));
  Text.resize(first);
  Text.Commit(PutEscaped(Text.Reserve(tail.size() * 5), tail));
}
// "&lt;", "&gt;" and "&amp;" back to "<", ">" and "&" in one pass from left to right: a decoded
// "&" never starts another entity, so "&amp;lt;" gives "&lt;". Other entities stay as written.
inline void AppendUnescaped(std::string& Out, std::string_view Text) {
  for (size_t i = 0; i < Text.size();) {
    const size_t amp = Text.find('&', i);
    if (amp == std::string_view::npos) {
      Out += Text.substr(i);
      return;
    }
    Out += Text.substr(i, amp - i);
    const std::string_view rest = Text.substr(amp);
    if (rest.starts_with("&lt;")) {
      Out += '<';
      i = amp + 4;
    } else if (rest.starts_with("&gt;")) {
      Out += '>';
      i = amp + 4;
    } else if (rest.starts_with("&amp;")) {
      Out += '&';
      i = amp + 5;
    } else {
      Out += '&';
      i = amp + 1;
    }
  }
}
}  // namespace zu::xmlcommon
