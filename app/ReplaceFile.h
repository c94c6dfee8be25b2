// Replacing a file whole: the new content is written beside the file and takes its name in one
// step, so the file is never seen half-written, and a write killed on the way leaves at most a
// side name that the next write recognises as its own and removes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/classes/Streams.h"

// Writes the stream's whole content to a new file and renames it over FileName, so FileName is
// never seen half-written and a killed program leaves no partial file behind. A symbolic link is
// written through (its target is replaced), and a replaced file's permission bits are kept. The
// content is written once on every path. Side names of writers that are provably gone (see
// TSideNameWriter) are removed afterwards. EFCreateError when the file cannot be made, named or
// renamed, EWriteError when writing fails; FileName is then left as it was.
void ReplaceFile(zu::TCustomMemoryStream& Stream, const std::string& FileName);

// The writer a side name names. A side name is removed only when its machine (host name and boot
// id) and process-id namespace are this process's own, so that its process id means the same
// process here, and no process of that id runs or the one that does started at another time.
// Names of other machines, boots or containers, and files that only look alike, are never touched.
struct TSideNameWriter {
  std::string Host;          // the host name, bytes other than [A-Za-z0-9._-] as %XX
  std::string BootId;        // the kernel's boot id
  std::string PidNamespace;  // the number of the process-id namespace
  int64_t Pid = 0;
  uint64_t StartTime = 0;  // the process's start, in clock ticks after boot
};

// This process as a writer; nothing when /proc does not tell it. Side names made then carry an
// incomplete mark and nothing is removed, as no writer could be proved gone.
std::optional<TSideNameWriter> ThisWriter();

// The side name beside Target that Writer makes with Token:
// Target.zu-HOST-BOOTID-PIDNS-PID-START-TOKEN.tmp, TOKEN 16 hexadecimal digits. A long file name
// is shortened so that the side name stays within the file system's limit.
std::string SideName(const std::string& Target, const TSideNameWriter& Writer, uint64_t Token);

// The calls through which ReplaceFile meets what file systems differ in. Tests replace them to
// take the paths of file systems without unnamed files (NFS, FUSE) or without /proc.
struct TReplaceFileCalls {
  // An unnamed file in Directory, open for writing; -1 with errno when there are none.
  std::function<int(const char* Directory)> OpenUnnamed;
  // A path that names the file behind the descriptor (the /proc link), to give it a name through.
  std::function<std::string(int Fd)> DescriptorPath;
  // Makes To a new name of the file that From names; -1 with errno.
  std::function<int(const char* From, const char* To)> Link;
  // write(2)
  std::function<ssize_t(int Fd, const void* Data, size_t Size)> Write;
};
// The calls ReplaceFile makes, for the whole process; the system's own unless replaced.
TReplaceFileCalls& ReplaceFileCalls();
