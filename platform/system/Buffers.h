// TByteBuffer: a writable block of bytes for a whole document. Large blocks come straight from the
// system, aligned and marked for large pages where the system offers them, so that a document of
// many megabytes costs a few page faults instead of one per 4 KiB.
#pragma once

#include <cstddef>

namespace zu {

class TByteBuffer {
 public:
  // Size bytes, uninitialised; raises EOutOfMemory when they cannot be had.
  explicit TByteBuffer(size_t Size);
  ~TByteBuffer();
  TByteBuffer(const TByteBuffer&) = delete;
  TByteBuffer& operator=(const TByteBuffer&) = delete;

  char* Data() const { return FData; }
  size_t Size() const { return FSize; }

 private:
  char* FData = nullptr;
  size_t FSize = 0;
  size_t FMapped = 0;  // the length of the system mapping, 0 for a heap block
};

}  // namespace zu
