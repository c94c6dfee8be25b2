// What the writer, the reader and the structure walk of the binary form share: little-endian
// numbers and the nesting count.
#pragma once

#include <cstdint>

#include "platform/classes/Filer.h"

namespace zu::detail {

inline void PutLE(uint8_t* out, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline uint64_t GetLE(const uint8_t* in, int n) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) v |= uint64_t{in[i]} << (8 * i);
  return v;
}

// Counts one level of nesting for as long as it lives; too deep a level raises E.
template <class E>
class TNesting {
 public:
  explicit TNesting(int& depth) : FDepth(depth) {
    if (FDepth >= MaxFilerNesting) throw E("Objects nested too deeply");
    ++FDepth;
  }
  ~TNesting() { --FDepth; }
  TNesting(const TNesting&) = delete;
  TNesting& operator=(const TNesting&) = delete;

 private:
  int& FDepth;
};

}  // namespace zu::detail
