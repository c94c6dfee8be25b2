// Conversions between a component, its binary form and its text form, for the streaming tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/classes/Filer.h"
#include "platform/classes/ObjectText.h"

namespace zu::test {

// A string stream that fails the test when a read reaches further past its end than the reader's
// buffer: lengths read from the stream are checked before they are followed.
class TBoundedStream : public TStringStream {
 public:
  using TStringStream::TStringStream;
  int32_t Read(void* Buffer, int32_t Count) override {
    EXPECT_LE(Position() + Count, Size() + TReader::BufferSize) << "read a length past the end of the stream";
    return TStringStream::Read(Buffer, Count);
  }
};

inline std::string Binary(TComponent* c) {
  TStringStream s;
  WriteComponent(s, c);
  return s.DataString();
}

inline std::string ToText(const std::string& binary) {
  TBoundedStream in(binary);
  TStringStream out;
  ObjectBinaryToText(in, out);
  return out.DataString();
}

inline std::string ToBinary(const std::string& text) {
  TStringStream in(text), out;
  ObjectTextToBinary(in, out);
  return out.DataString();
}

}  // namespace zu::test
