#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/system/Buffers.h"

namespace {

using zu::TByteBuffer;

// Small blocks come from the heap, large ones from the system; both hold every byte asked for.
TEST(ByteBuffer, HoldsEveryByteOfSmallAndLargeBlocks) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{4097}, (size_t{8} << 20) + 3, size_t{40} << 20}) {
    TByteBuffer buffer(size);
    ASSERT_NE(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.Size(), size);
    if (size == 0) continue;
    std::memset(buffer.Data(), 0x5A, size);
    EXPECT_EQ(buffer.Data()[0], 0x5A);
    EXPECT_EQ(buffer.Data()[size - 1], 0x5A);
  }
}

TEST(ByteBuffer, LargeBlocksStartOnALargePageBoundary) {
  TByteBuffer buffer(size_t{16} << 20);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer.Data()) % (size_t{2} << 20), 0u);
}

}  // namespace
