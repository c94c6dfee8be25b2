#include "platform/classes/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/system/SysUtils.h"

namespace zu {

int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* Buffer, int32_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int32_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  int64_t total = Count;
  char buf[65536];
  while (Count > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(Count, sizeof buf));
    Source.ReadBuffer(buf, n);
    WriteBuffer(buf, n);
    Count -= n;
  }
  return total;
}

// ---- Memory streams ----

int32_t TCustomMemoryStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0 || FPosition >= FSize) return 0;
  int64_t n = std::min<int64_t>(Count, FSize - FPosition);
  std::memcpy(Buffer, FMemory + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return static_cast<int32_t>(n);
}

int64_t TCustomMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPosition : FSize;
  FPosition = std::max<int64_t>(0, base + Offset);
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream& Stream) {
  int64_t left = FSize;
  const char* p = FMemory;
  while (left > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(left, 1 << 30));
    Stream.WriteBuffer(p, n);
    p += n;
    left -= n;
  }
}

void TCustomMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream file(FileName, fmCreate);
  SaveToStream(file);
}

TMemoryStream::~TMemoryStream() = default;

void TMemoryStream::RequireNotHeld() const {
  if (FHolds > 0) throw EStreamError("Memory stream is held in place");
}

void TMemoryStream::RequireNotWriting() const {
  if (Writing()) throw EStreamError("Memory stream is being written in place");
}

char* TMemoryStream::BeginWrite(int64_t Count) {
  RequireNotWriting();
  Grow(FPosition + std::max<int64_t>(Count, 0));
  if (FPosition > FSize) std::memset(FMemory + FSize, 0, static_cast<size_t>(FPosition - FSize));
  FWriteAt = FPosition;
  return FMemory + FPosition;
}

char* TMemoryStream::WidenWrite(int64_t Count) {
  if (!Writing()) throw EStreamError("Memory stream is not being written in place");
  Grow(FWriteAt + std::max<int64_t>(Count, 0));
  return FMemory + FWriteAt;
}

void TMemoryStream::EndWrite(int64_t Written) {
  if (!Writing()) throw EStreamError("Memory stream is not being written in place");
  const int64_t end = FWriteAt + std::clamp<int64_t>(Written, 0, Capacity() - FWriteAt);
  // Nothing taken changes nothing, as a Write of no bytes: a room opened past the end does not
  // lengthen the stream.
  if (end > FWriteAt) FSize = std::max(FSize, end);
  FPosition = end;
  FWriteAt = -1;
}

void TMemoryStream::Grow(int64_t needed) {
  const auto capacity = static_cast<int64_t>(FBlock.Size());
  if (needed <= capacity) return;
  RequireNotHeld();
  int64_t cap = std::max<int64_t>(needed, capacity + capacity / 2);
  cap = (cap + 8191) & ~int64_t(8191);
  try {
    FBlock.Resize(static_cast<size_t>(cap));
  } catch (const EOutOfMemory&) {
    throw EOutOfMemory("Out of memory while expanding memory stream");
  }
  FMemory = FBlock.Data();
}

int32_t TMemoryStream::Write(const void* Buffer, int32_t Count) {
  RequireNotWriting();
  if (Count <= 0) return 0;
  int64_t end = FPosition + Count;
  if (end > FSize) {
    Grow(end);
    if (FPosition > FSize) std::memset(FMemory + FSize, 0, static_cast<size_t>(FPosition - FSize));
    FSize = end;
  }
  std::memcpy(FMemory + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = end;
  return Count;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  RequireNotWriting();
  if (NewSize < 0) NewSize = 0;
  Grow(NewSize);
  if (NewSize > FSize) std::memset(FMemory + FSize, 0, static_cast<size_t>(NewSize - FSize));
  FSize = NewSize;
  if (FPosition > FSize) FPosition = FSize;
}

void TMemoryStream::Clear() {
  RequireNotHeld();
  RequireNotWriting();
  FBlock.Resize(0);
  FMemory = nullptr;
  FSize = FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
  RequireNotHeld();
  RequireNotWriting();
  Stream.SetPosition(0);
  int64_t size = Stream.Size();
  SetSize(size);
  int64_t done = 0;
  while (done < size) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(size - done, 1 << 30));
    Stream.ReadBuffer(FMemory + done, n);
    done += n;
  }
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream file(FileName, fmOpenRead);
  LoadFromStream(file);
}

// ---- File streams ----

TFileStream::TFileStream(const std::string& FileName, uint16_t Mode) : FFileName(FileName) {
  if (Mode == fmCreate) {
    FHandle = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FHandle < 0)
      throw EFCreateError(Format("Cannot create file \"%s\". %s", {FileName, std::strerror(errno)}));
  } else {
    int flags = (Mode & 3) == fmOpenWrite ? O_WRONLY : (Mode & 3) == fmOpenReadWrite ? O_RDWR : O_RDONLY;
    FHandle = ::open(FileName.c_str(), flags | O_CLOEXEC);
    if (FHandle < 0)
      throw EFOpenError(Format("Cannot open file \"%s\". %s", {FileName, std::strerror(errno)}));
    struct stat st;
    if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(FHandle);
      FHandle = -1;
      throw EFOpenError(Format("Cannot open file \"%s\". %s", {FileName, std::strerror(EISDIR)}));
    }
  }
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

int32_t TFileStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  int32_t done = 0;
  while (done < Count) {
    ssize_t n = ::read(FHandle, static_cast<char*>(Buffer) + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int32_t TFileStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  int32_t done = 0;
  while (done < Count) {
    ssize_t n = ::write(FHandle, static_cast<const char*>(Buffer) + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(FHandle, static_cast<off_t>(Offset), whence);
  return r < 0 ? -1 : static_cast<int64_t>(r);
}

void TFileStream::SetSize(int64_t NewSize) {
  if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0)
    throw EStreamError(Format("Cannot set the size of \"%s\". %s", {FFileName, std::strerror(errno)}));
}

// ---- String streams ----

int32_t TStringStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0 || FPosition >= static_cast<int64_t>(FData.size())) return 0;
  int64_t n = std::min<int64_t>(Count, static_cast<int64_t>(FData.size()) - FPosition);
  std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return static_cast<int32_t>(n);
}

int32_t TStringStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  size_t end = static_cast<size_t>(FPosition) + static_cast<size_t>(Count);
  if (end > FData.size()) FData.resize(end);
  std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = static_cast<int64_t>(end);
  return Count;
}

int64_t TStringStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = Origin == soBeginning ? 0
                 : Origin == soCurrent ? FPosition
                                       : static_cast<int64_t>(FData.size());
  FPosition = std::max<int64_t>(0, base + Offset);
  return FPosition;
}

void TStringStream::SetSize(int64_t NewSize) {
  FData.resize(static_cast<size_t>(std::max<int64_t>(0, NewSize)));
  FPosition = std::min<int64_t>(FPosition, static_cast<int64_t>(FData.size()));
}

}  // namespace zu
