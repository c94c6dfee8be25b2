#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/system/Buffers.h"

namespace {

using zu::TByteBuffer;

// Growing and shrinking across the size where blocks move from the heap to the system keeps every
// byte up to the smaller size; the whole block stays writable.
TEST(ByteBuffer, KeepsItsBytesAcrossEveryResize) {
  // The last run grows by half each time, as a memory stream does, through sizes that are no
  // multiples of a large page.
  const size_t sizes[] = {1,       4097, 3 << 20, (8 << 20) + 3, 40 << 20, 12 << 20, 5 << 20, 17,     0,
                          9 << 20, 0,    1146881, 1720321,       2580481,  3874817,  5816321, 8724481};
  TByteBuffer buffer;
  EXPECT_EQ(buffer.Data(), nullptr);
  size_t filled = 0;
  for (size_t size : sizes) {
    buffer.Resize(size);
    ASSERT_EQ(buffer.Size(), size);
    if (size == 0) {
      EXPECT_EQ(buffer.Data(), nullptr);
      filled = 0;
      continue;
    }
    const size_t kept = std::min(filled, size);
    for (size_t i = 0; i < kept; i += 4093)
      ASSERT_EQ(buffer.Data()[i], static_cast<char>(i % 251)) << "size " << size << " at " << i;
    for (size_t i = 0; i < size; ++i) buffer.Data()[i] = static_cast<char>(i % 251);
    filled = size;
  }
}

}  // namespace
