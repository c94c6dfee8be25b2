#include "platform/system/Buffers.h"

#include <sys/mman.h>

#include <cstdint>

#include <new>

#include "platform/system/Exceptions.h"

namespace zu {

namespace {
constexpr size_t kLargePage = size_t{2} << 20;
// Below this the heap serves better: its blocks are reused from call to call.
constexpr size_t kMappedFrom = size_t{8} << 20;
}  // namespace

TByteBuffer::TByteBuffer(size_t Size) : FSize(Size) {
  if (Size >= kMappedFrom) {
    const size_t length = (Size + kLargePage - 1) / kLargePage * kLargePage;
    void* p = mmap(nullptr, length + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p != MAP_FAILED) {
      // Trim the mapping to a large-page boundary at both ends.
      char* const base = static_cast<char*>(p);
      const size_t skip = (kLargePage - reinterpret_cast<uintptr_t>(base) % kLargePage) % kLargePage;
      if (skip) munmap(base, skip);
      if (kLargePage - skip) munmap(base + skip + length, kLargePage - skip);
      FData = base + skip;
      FMapped = length;
#ifdef MADV_HUGEPAGE
      madvise(FData, FMapped, MADV_HUGEPAGE);
#endif
      return;
    }
  }
  FData = new (std::nothrow) char[Size ? Size : 1];
  if (!FData) throw EOutOfMemory("Out of memory");
}

TByteBuffer::~TByteBuffer() {
  if (FMapped)
    munmap(FData, FMapped);
  else
    delete[] FData;
}

}  // namespace zu
