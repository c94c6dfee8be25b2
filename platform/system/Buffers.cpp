#include "platform/system/Buffers.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/system/Exceptions.h"

namespace zu {

namespace {
constexpr size_t kLargePage = size_t{2} << 20;
// Below this the heap serves better: its blocks are reused from call to call.
constexpr size_t kMappedFrom = size_t{8} << 20;

size_t MappedLength(size_t Size) { return (Size + kLargePage - 1) / kLargePage * kLargePage; }

[[noreturn]] void OutOfMemory() { throw EOutOfMemory("Out of memory"); }

// Asks the system to back the whole large pages inside a mapping with large pages, where it has them.
void AdviseLargePages(void* Data, size_t Size) {
#ifdef MADV_HUGEPAGE
  const uintptr_t start = (reinterpret_cast<uintptr_t>(Data) + kLargePage - 1) / kLargePage * kLargePage;
  const uintptr_t end = (reinterpret_cast<uintptr_t>(Data) + Size) / kLargePage * kLargePage;
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)Data;
  (void)Size;
#endif
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
  if (FMapped) {
    // A mapping stays a mapping; the system moves its pages rather than copying them.
    const size_t length = MappedLength(Size);
    if (length != FMapped) {
      void* p = mremap(FData, FMapped, length, MREMAP_MAYMOVE);
      if (p == MAP_FAILED) OutOfMemory();
      FData = static_cast<char*>(p);
      FMapped = length;
      AdviseLargePages(FData, FMapped);
    }
  } else if (Size < kMappedFrom) {
    void* p = std::realloc(FData, Size);
    if (!p) OutOfMemory();
    FData = static_cast<char*>(p);
  } else {
    const size_t length = MappedLength(Size);
    void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) OutOfMemory();
    AdviseLargePages(p, length);
    if (FSize) std::memcpy(p, FData, FSize);
    std::free(FData);
    FData = static_cast<char*>(p);
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
