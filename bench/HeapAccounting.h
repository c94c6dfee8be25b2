// Heap accounting for a benchmark program: every allocation of the program (malloc and its kin,
// which operator new uses, and anonymous mappings the program makes itself) counts towards
// HeapNow, and HeapPeak keeps the highest HeapNow since it was last set. Include it in one source
// file of the program only: it defines the allocation functions.
#pragma once

#include <malloc.h>
#include <stdarg.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace heap {
inline int64_t HeapNow = 0;
inline int64_t HeapPeak = 0;

inline void Add(int64_t bytes) {
  HeapNow += bytes;
  if (HeapNow > HeapPeak) HeapPeak = HeapNow;
}
inline void* Counted(void* p) {
  if (p) Add(static_cast<int64_t>(malloc_usable_size(p)));
  return p;
}
inline void Uncount(void* p) {
  if (p) HeapNow -= static_cast<int64_t>(malloc_usable_size(p));
}

// The peak heap that Call adds above the heap before it, in bytes.
template <class F>
int64_t PeakOf(F Call) {
  const int64_t before = HeapNow;
  HeapPeak = HeapNow;
  Call();
  return HeapPeak - before;
}
}  // namespace heap

extern "C" {
void* malloc(size_t n) { return heap::Counted(__libc_malloc(n)); }
void* calloc(size_t n, size_t size) { return heap::Counted(__libc_calloc(n, size)); }
void free(void* p) {
  heap::Uncount(p);
  __libc_free(p);
}
void* realloc(void* p, size_t n) {
  heap::Uncount(p);
  return heap::Counted(__libc_realloc(p, n));
}
void* memalign(size_t alignment, size_t n) { return heap::Counted(__libc_memalign(alignment, n)); }
void* aligned_alloc(size_t alignment, size_t n) { return heap::Counted(__libc_memalign(alignment, n)); }
int posix_memalign(void** out, size_t alignment, size_t n) {
  void* p = heap::Counted(__libc_memalign(alignment, n));
  if (!p) return ENOMEM;
  *out = p;
  return 0;
}
// The allocator's own mappings are counted through its blocks; these are the program's.
void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
  void* p = reinterpret_cast<void*>(syscall(SYS_mmap, address, length, protection, flags, fd, offset));
  if (p != MAP_FAILED && (flags & MAP_ANONYMOUS)) heap::Add(static_cast<int64_t>(length));
  return p;
}
void* mremap(void* address, size_t length, size_t newLength, int flags, ...) {
  va_list rest;
  va_start(rest, flags);
  void* const target = (flags & MREMAP_FIXED) ? va_arg(rest, void*) : nullptr;
  va_end(rest);
  void* p = reinterpret_cast<void*>(syscall(SYS_mremap, address, length, newLength, flags, target));
  if (p != MAP_FAILED) heap::Add(static_cast<int64_t>(newLength) - static_cast<int64_t>(length));
  return p;
}
int munmap(void* address, size_t length) {
  const long result = syscall(SYS_munmap, address, length);
  if (result == 0) heap::HeapNow -= static_cast<int64_t>(length);
  return static_cast<int>(result);
}
}
