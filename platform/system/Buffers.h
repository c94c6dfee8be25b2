// TByteBuffer: a block of bytes for a whole document, which may grow. Large blocks, and blocks that
// grow past a megabyte, come straight from the system, placed on and marked for large pages where the
// system offers them, and grow without being copied: a document of many megabytes costs a few page
// faults instead of one per 4 KiB, and a growing block is never held twice.
#pragma once

#include <cstddef>

namespace zu {

class TByteBuffer {
 public:
  TByteBuffer() = default;
  // Size bytes, uninitialised; raises EOutOfMemory when they cannot be had.
  explicit TByteBuffer(size_t Size) { Resize(Size); }
  ~TByteBuffer();
  TByteBuffer(const TByteBuffer&) = delete;
  TByteBuffer& operator=(const TByteBuffer&) = delete;

  // The bytes; null while the size is 0.
  char* Data() const { return FData; }
  size_t Size() const { return FSize; }
  // Changes the size, keeping the bytes up to the smaller size (the block may move); 0 frees it.
  // Raises EOutOfMemory, with the block unchanged, when the bytes cannot be had.
  void Resize(size_t Size);

 private:
  void Release();
  char* FData = nullptr;
  size_t FSize = 0;
  size_t FMapped = 0;  // the length of the system mapping, 0 for a heap block
};

}  // namespace zu
