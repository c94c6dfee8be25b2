// The memory of reflected objects. Blocks of up to kMaxPooled bytes, in steps of kStep, go onto a
// list of their size once freed and are handed out again by the same thread; larger blocks come
// from the global allocator. Blocks are cut from chunks that stay for the life of the program, linked
// from one list so that they stay reachable. Sanitizer builds use the global allocator for every
// object, so that each one is checked on its own.
#include <array>
#include <atomic>

#include "platform/typinfo/Object.h"

namespace zu {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooled = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif
#else
constexpr bool kPooled = true;
#endif

constexpr std::size_t kStep = 16;
constexpr std::size_t kMaxPooled = 512;
constexpr std::size_t kChunk = 64 * 1024;

struct TFreeBlock {
  TFreeBlock* Next;
};

// A chunk begins with the link to the chunk made before it.
struct alignas(kStep) TChunkHeader {
  TChunkHeader* Previous;
};
std::atomic<TChunkHeader*> gChunks{nullptr};

struct TPool {
  std::array<TFreeBlock*, kMaxPooled / kStep> Free{};
  char* Rest = nullptr;
  std::size_t RestSize = 0;
};
thread_local TPool tPool;

bool Pooled(std::size_t size) { return kPooled && size != 0 && size <= kMaxPooled; }
std::size_t SizeClass(std::size_t size) { return (size - 1) / kStep; }

[[gnu::noinline]] void* Carve(TPool& pool, std::size_t bytes) {
  if (pool.RestSize < bytes) {
    // What is left of the old chunk (less than one block) stays unused.
    auto* chunk = static_cast<TChunkHeader*>(::operator new(kChunk));
    chunk->Previous = gChunks.load(std::memory_order_relaxed);
    while (!gChunks.compare_exchange_weak(chunk->Previous, chunk, std::memory_order_release,
                                          std::memory_order_relaxed)) {
    }
    pool.Rest = reinterpret_cast<char*>(chunk) + sizeof(TChunkHeader);
    pool.RestSize = kChunk - sizeof(TChunkHeader);
  }
  void* block = pool.Rest;
  pool.Rest += bytes;
  pool.RestSize -= bytes;
  return block;
}

}  // namespace

void* TObject::operator new(std::size_t size) {
  if (!Pooled(size)) return ::operator new(size);
  TPool& pool = tPool;
  TFreeBlock*& free = pool.Free[SizeClass(size)];
  if (TFreeBlock* block = free) {
    free = block->Next;
    return block;
  }
  return Carve(pool, (SizeClass(size) + 1) * kStep);
}

void TObject::operator delete(void* block, std::size_t size) noexcept {
  if (!block) return;
  if (!Pooled(size)) {
    ::operator delete(block);
    return;
  }
  TFreeBlock*& free = tPool.Free[SizeClass(size)];
  auto* freed = static_cast<TFreeBlock*>(block);
  freed->Next = free;
  free = freed;
}

}  // namespace zu
