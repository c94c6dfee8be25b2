#include "platform/system/Buffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/system/Exceptions.h"

namespace zu {

namespace {
constexpr size_t kLargePage = size_t{2} << 20;
// A new block below this comes from the heap, which serves better: its blocks are reused from call
// to call. A block that grows past kGrowMappedFrom moves to a mapping, which grows without a copy:
// a growing heap block is held twice while it is copied.
constexpr size_t kMappedFrom = size_t{8} << 20;
constexpr size_t kGrowMappedFrom = size_t{1} << 20;

// A mapping for Size bytes: whole pages for a block made at its size, so that it holds no more than
// the block needs; whole large pages for a growing block, so that the system can place each of its
// moves on a large page.
size_t MappedLength(size_t Size, bool Growing) {
  static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t unit = Growing ? kLargePage : page;
  return (Size + unit - 1) / unit * unit;
}

[[noreturn]] void OutOfMemory() { throw EOutOfMemory("Out of memory"); }

// Asks the system to back the large pages inside a mapping with large pages, where it has them. The
// advice covers the whole mapping: advice on part of it would split it in two, and a split mapping
// can no longer grow in place.
void AdviseLargePages(void* Data, size_t Length) {
#ifdef MADV_HUGEPAGE
  madvise(Data, Length, MADV_HUGEPAGE);
#else
  (void)Data;
  (void)Length;
#endif
}

// A new mapping of Length bytes that starts on a large page, so that every whole large page of it
// can be one; the bytes mapped to reach that start are given back.
char* NewMapping(size_t Length) {
  void* p = mmap(nullptr, Length + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) OutOfMemory();
  const auto start = reinterpret_cast<uintptr_t>(p);
  const uintptr_t aligned = (start + kLargePage - 1) / kLargePage * kLargePage;
  if (aligned > start) munmap(p, aligned - start);
  if (const uintptr_t tail = start + Length + kLargePage - (aligned + Length))
    munmap(reinterpret_cast<void*>(aligned + Length), tail);
  AdviseLargePages(reinterpret_cast<void*>(aligned), Length);
  return reinterpret_cast<char*>(aligned);
}
}  // namespace

void TByteBuffer::Resize(size_t Size) {
  if (Size == FSize) return;
  if (Size == 0) {
    Release();
    FData = nullptr;
    FSize = FMapped = 0;
    return;
  }
  const bool growing = Size > FSize && FSize > 0;
  if (FMapped) {
    // A mapping stays a mapping; the system moves its pages rather than copying them.
    const size_t length = MappedLength(Size, growing);
    if (length != FMapped) {
      void* p = mremap(FData, FMapped, length, MREMAP_MAYMOVE);
      if (p == MAP_FAILED) OutOfMemory();
      FData = static_cast<char*>(p);
      FMapped = length;
    }
  } else if (Size < (growing ? kGrowMappedFrom : kMappedFrom)) {
    void* p = std::realloc(FData, Size);
    if (!p) OutOfMemory();
    FData = static_cast<char*>(p);
  } else {
    const size_t length = MappedLength(Size, growing);
    char* p = NewMapping(length);
    if (FSize) std::memcpy(p, FData, std::min(FSize, Size));
    std::free(FData);
    FData = p;
    FMapped = length;
  }
  FSize = Size;
}

TByteBuffer::~TByteBuffer() { Release(); }

void TByteBuffer::Release() {
  if (FMapped)
    munmap(FData, FMapped);
  else
    std::free(FData);
}

}  // namespace zu
