// Streams: memory, files and strings behind one read/write/seek interface.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/system/Buffers.h"
#include "platform/typinfo/Object.h"

namespace zu {

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
 public:
  // Reads up to Count bytes; returns how many were read (0 at the end).
  virtual int32_t Read(void* Buffer, int32_t Count) = 0;
  // Writes Count bytes; returns how many were written.
  virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
  // Moves the position; returns the new position.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Value) { Seek(Value, soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t NewSize);

  // Reads or writes exactly Count bytes, raising EReadError "Stream read error" or EWriteError
  // "Stream write error" otherwise.
  void ReadBuffer(void* Buffer, int32_t Count);
  void WriteBuffer(const void* Buffer, int32_t Count);
  // Copies Count bytes from Source's position (all of Source from its start when Count is 0).
  int64_t CopyFrom(TStream& Source, int64_t Count);
};

class TCustomMemoryStream : public TStream {
 public:
  int32_t Read(void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return FSize; }
  // The stream's bytes (Size of them), or null when empty.
  char* Memory() const { return FMemory; }
  void SaveToStream(TStream& Stream);
  // Writes the whole content to a file; raises EFCreateError when it cannot be created.
  void SaveToFile(const std::string& FileName);

 protected:
  char* FMemory = nullptr;
  int64_t FSize = 0;
  int64_t FPosition = 0;
};

class TMemoryStream : public TCustomMemoryStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  void SetSize(int64_t NewSize) override;
  void Clear();
  void LoadFromStream(TStream& Stream);
  // Raises EFOpenError when the file cannot be opened.
  void LoadFromFile(const std::string& FileName);
  // The bytes allocated at Memory(), Size() and more: the bytes past Size() may be read (their
  // values are unspecified) and are used by the stream as it grows.
  int64_t Capacity() const { return static_cast<int64_t>(FBlock.Size()); }

  // Writing in place, for a writer that forms its bytes where they will lie, without a copy:
  // BeginWrite opens room for Count bytes at the position and returns where they go; WidenWrite
  // makes the room Count bytes and returns where it now starts (it may move, keeping what was
  // formed); EndWrite(Written) takes the first Written bytes into the stream as Write would have
  // and closes the room. While the room is open, Write, SetSize, Clear, loading and another
  // BeginWrite raise EStreamError "Memory stream is being written in place", so that nothing moves
  // the bytes being formed.
  char* BeginWrite(int64_t Count);
  char* WidenWrite(int64_t Count);
  void EndWrite(int64_t Written);
  bool Writing() const { return FWriteAt >= 0; }

  // Keeps the stream's bytes where they are while it lasts, for a reader that works on them in
  // place: an operation that would move or free them (growing past Capacity(), Clear, loading)
  // raises EStreamError "Memory stream is held in place" and changes nothing. Holds may nest; the
  // stream must outlive them.
  class THold {
   public:
    explicit THold(TMemoryStream& Stream) : FStream(Stream) { ++Stream.FHolds; }
    ~THold() { --FStream.FHolds; }
    THold(const THold&) = delete;
    THold& operator=(const THold&) = delete;

   private:
    TMemoryStream& FStream;
  };

 private:
  void Grow(int64_t needed);
  void RequireNotHeld() const;
  void RequireNotWriting() const;
  TByteBuffer FBlock;  // FMemory's bytes; its size is the capacity
  int32_t FHolds = 0;
  int64_t FWriteAt = -1;  // where the room BeginWrite opened starts; -1 when none is open
};

// Open modes of TFileStream.
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;

class TFileStream : public TStream {
 public:
  // fmCreate creates or truncates the file (EFCreateError "Cannot create file "%s". %s" on failure);
  // the open modes open an existing file (EFOpenError "Cannot open file "%s". %s").
  TFileStream(const std::string& FileName, uint16_t Mode);
  ~TFileStream() override;
  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  const std::string& FileName() const { return FFileName; }

 private:
  std::string FFileName;
  int FHandle = -1;
};

class TStringStream : public TStream {
 public:
  explicit TStringStream(std::string Data = {}) : FData(std::move(Data)) {}
  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  const std::string& DataString() const { return FData; }

 private:
  std::string FData;
  int64_t FPosition = 0;
};

}  // namespace zu
