// The memory of reflected objects. Blocks of up to kMaxPooled bytes, in steps of kStep, are kept by
// size once freed and handed out again; larger blocks come from the global allocator.
//
// Each thread caches freed blocks of each size in two lists: the one it takes from and gives to, and
// at most one full batch beside it. A batch is kBatchBytes worth of blocks. When the first list
// reaches a batch, it becomes the full one, and a full one already there goes to the shared pool of
// its size; when the first list runs dry, the full one takes its place, or a batch comes from the
// pool. A thread therefore holds at most two batches per size, blocks freed on one thread serve
// allocations on any other, and moving a batch costs a lock and a few pointer moves. When a thread
// ends, its lists go back to the pool. Blocks are cut from 64 KiB chunks that stay for the life of
// the program, linked from one list so that they stay reachable; because the pool hands their blocks
// to every thread, the chunks add up to the largest number of blocks of each size in use at once,
// not to what each thread ever used.
//
// Sanitizer builds with their own allocator (AddressSanitizer) use the global allocator for every
// object, so that each one is checked on its own.
#include <array>
#include <cstdint>
#include <mutex>

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
constexpr std::size_t kClasses = kMaxPooled / kStep;
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kBatchBytes = 16384;

// A free block: the next block of its list and, for the first block of a batch in the pool, the next
// batch. Every block has room for both (kStep bytes at least).
struct TFreeBlock {
  TFreeBlock* Next;
  TFreeBlock* NextBatch;
};

std::size_t BlockSize(std::size_t sizeClass) { return (sizeClass + 1) * kStep; }
uint32_t BatchLength(std::size_t sizeClass) {
  return static_cast<uint32_t>(kBatchBytes / BlockSize(sizeClass));
}

// ---- The shared pool ----

// A chunk begins with the link to the chunk made before it.
struct alignas(kStep) TChunkHeader {
  TChunkHeader* Previous;
};

struct TChunks {
  std::mutex Lock;
  TChunkHeader* Last = nullptr;
  char* Rest = nullptr;
  std::size_t RestSize = 0;
};
constinit TChunks gChunks;

// Cuts up to `count` blocks of one size from the current chunk (a new one when too little is left),
// linked into a list; returns how many.
uint32_t Carve(std::size_t sizeClass, uint32_t count, TFreeBlock*& list) {
  const std::size_t bytes = BlockSize(sizeClass);
  std::lock_guard lock(gChunks.Lock);
  if (gChunks.RestSize < bytes) {
    // What is left of the old chunk (less than one block) stays unused.
    auto* chunk = static_cast<TChunkHeader*>(::operator new(kChunk));
    chunk->Previous = gChunks.Last;
    gChunks.Last = chunk;
    gChunks.Rest = reinterpret_cast<char*>(chunk) + sizeof(TChunkHeader);
    gChunks.RestSize = kChunk - sizeof(TChunkHeader);
  }
  if (count > gChunks.RestSize / bytes) count = static_cast<uint32_t>(gChunks.RestSize / bytes);
  TFreeBlock* next = nullptr;
  for (uint32_t i = count; i-- > 0;) {
    auto* block = reinterpret_cast<TFreeBlock*>(gChunks.Rest + i * bytes);
    block->Next = next;
    next = block;
  }
  gChunks.Rest += count * bytes;
  gChunks.RestSize -= count * bytes;
  list = next;
  return count;
}

// The blocks of one size that no thread holds: whole batches, and single blocks that threads gave
// back on ending or after their cache was released.
struct alignas(64) TSizePool {
  std::mutex Lock;
  TFreeBlock* Batches = nullptr;
  TFreeBlock* Loose = nullptr;
};
constinit std::array<TSizePool, kClasses> gPools;

void PutBatch(std::size_t sizeClass, TFreeBlock* batch) {
  TSizePool& pool = gPools[sizeClass];
  std::lock_guard lock(pool.Lock);
  batch->NextBatch = pool.Batches;
  pool.Batches = batch;
}

void PutLoose(std::size_t sizeClass, TFreeBlock* list) {
  if (!list) return;
  TFreeBlock* last = list;
  while (last->Next) last = last->Next;
  TSizePool& pool = gPools[sizeClass];
  std::lock_guard lock(pool.Lock);
  last->Next = pool.Loose;
  pool.Loose = list;
}

// Up to `count` blocks for a thread's list: a whole batch when there is one, else single blocks, else
// new ones cut from a chunk. Returns how many.
uint32_t Take(std::size_t sizeClass, uint32_t count, TFreeBlock*& list) {
  TSizePool& pool = gPools[sizeClass];
  {
    std::lock_guard lock(pool.Lock);
    if (TFreeBlock* batch = pool.Batches; batch && count == BatchLength(sizeClass)) {
      pool.Batches = batch->NextBatch;
      list = batch;
      return count;
    }
    if (TFreeBlock* first = pool.Loose) {
      TFreeBlock* last = first;
      uint32_t taken = 1;
      for (; taken < count && last->Next; ++taken) last = last->Next;
      pool.Loose = last->Next;
      last->Next = nullptr;
      list = first;
      return taken;
    }
  }
  return Carve(sizeClass, count, list);
}

// ---- The thread's cache ----

// The list a thread takes from and gives to, for one size. Room is how many more blocks it takes
// before it is passed on; zero before the thread's first slow path for the size, which arms the release
// of the cache, and always zero after that release.
struct TSizeCache {
  TFreeBlock* Head;
  int64_t Room;
};
static_assert(sizeof(TSizeCache) == kStep,
              "the fast paths find a size's list at its size less one, rounded down");

struct TThreadCache {
  std::array<TSizeCache, kClasses> Lists;
  std::array<TFreeBlock*, kClasses> Full;  // a batch of BatchLength blocks, or null
  bool Released;                           // the thread has ended: no more caching
};
// Trivially destructible, so that the fast paths reach it without an initialisation check. Its TLS
// model is left to the compiler and linker: a program gets a fixed offset from the thread pointer,
// while a shared object that a program loads later still finds room for it (initial-exec TLS of
// this size does not fit the few hundred bytes that glibc keeps for objects loaded late).
constinit thread_local TThreadCache tCache{};

TSizeCache& ListFor(std::size_t size) {
  return *reinterpret_cast<TSizeCache*>(reinterpret_cast<char*>(tCache.Lists.data()) +
                                        ((size - 1) & ~(kStep - 1)));
}
std::size_t SizeClass(std::size_t size) { return (size - 1) / kStep; }

// Gives the thread's blocks back to the pool when the thread ends.
struct TCacheRelease {
  bool Armed = false;
  ~TCacheRelease() {
    TThreadCache& cache = tCache;
    cache.Released = true;
    for (std::size_t c = 0; c < kClasses; ++c) {
      if (cache.Full[c]) PutBatch(c, cache.Full[c]);
      PutLoose(c, cache.Lists[c].Head);
      cache.Full[c] = nullptr;
      // Objects freed later on this thread (by other thread-local destructors) go straight back.
      cache.Lists[c] = TSizeCache{nullptr, 0};
    }
  }
};
thread_local TCacheRelease tRelease;

[[gnu::noinline]] void* Refill(std::size_t size) {
  const std::size_t sizeClass = SizeClass(size);
  TThreadCache& cache = tCache;
  TFreeBlock* blocks = nullptr;
  if (cache.Released) {
    Take(sizeClass, 1, blocks);
    return blocks;
  }
  tRelease.Armed = true;
  const uint32_t limit = BatchLength(sizeClass);
  uint32_t count = limit;
  if (TFreeBlock* full = cache.Full[sizeClass]) {
    cache.Full[sizeClass] = nullptr;
    blocks = full;
  } else {
    count = Take(sizeClass, limit, blocks);
  }
  TSizeCache& list = cache.Lists[sizeClass];
  list.Head = blocks->Next;
  list.Room = limit - (count - 1);
  return blocks;
}

// Called when a freed block has filled its list, or found it unarmed or released.
[[gnu::noinline]] void Overflow(std::size_t size) {
  const std::size_t sizeClass = SizeClass(size);
  TThreadCache& cache = tCache;
  TSizeCache& list = cache.Lists[sizeClass];
  if (cache.Released) {
    PutLoose(sizeClass, list.Head);
    list = TSizeCache{nullptr, 0};
    return;
  }
  const uint32_t limit = BatchLength(sizeClass);
  if (list.Room < 0) {
    // The first block this thread frees of this size, on a list that is still empty.
    tRelease.Armed = true;
    list.Room = limit - 1;
    return;
  }
  if (cache.Full[sizeClass]) PutBatch(sizeClass, cache.Full[sizeClass]);
  cache.Full[sizeClass] = list.Head;
  list = TSizeCache{nullptr, limit};
}

bool Pooled(std::size_t size) { return kPooled && size - 1 < kMaxPooled; }

}  // namespace

void* TObject::operator new(std::size_t size) {
  if (!Pooled(size)) return ::operator new(size);
  TSizeCache& list = ListFor(size);
  if (TFreeBlock* block = list.Head) {
    list.Head = block->Next;
    ++list.Room;
    return block;
  }
  return Refill(size);
}

void TObject::operator delete(void* block, std::size_t size) noexcept {
  if (!block) return;
  if (!Pooled(size)) return ::operator delete(block);
  TSizeCache& list = ListFor(size);
  auto* freed = static_cast<TFreeBlock*>(block);
  freed->Next = list.Head;
  list.Head = freed;
  if (--list.Room <= 0) Overflow(size);
}

}  // namespace zu
