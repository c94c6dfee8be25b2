#include "app/ReplaceFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/system/SysUtils.h"

using namespace zu;

namespace {

[[noreturn]] void RaiseCreateError(const std::string& FileName, int Error) {
  throw EFCreateError(Format("Cannot create file \"%s\". %s", {FileName, std::strerror(Error)}));
}

[[noreturn]] void RaiseWriteError(const std::string& FileName, int Error) {
  throw EWriteError(Format("Cannot write file \"%s\". %s", {FileName, std::strerror(Error)}));
}

// The file that writing to Path replaces: symbolic links are followed to the path they finally
// name (which need not exist yet), so a link named x.txt stays a link and its target is written.
std::string FinalPath(std::string Path) {
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st;
    if (lstat(Path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return Path;
    std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    ssize_t n;
    while ((n = readlink(Path.c_str(), target.data(), target.size())) >= static_cast<ssize_t>(target.size()))
      target.resize(target.size() * 2);
    if (n <= 0) return Path;
    target.resize(static_cast<size_t>(n));
    if (target[0] != '/') {
      size_t slash = Path.find_last_of('/');
      if (slash != std::string::npos) target.insert(0, Path, 0, slash + 1);
    }
    Path = std::move(target);
  }
  errno = ELOOP;
  return {};
}

std::string DirectoryOf(const std::string& Path) {
  size_t slash = Path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : Path.substr(0, slash);
}

// ---- Who writes ----

// A small file's whole text ("" when it cannot be read).
std::string ReadSmallFile(const std::string& Path) {
  std::string text;
  if (int fd = open(Path.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
    char buffer[1024];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof(buffer))) > 0 || (n < 0 && errno == EINTR))
      if (n > 0) text.append(buffer, static_cast<size_t>(n));
    close(fd);
  }
  return text;
}

bool AllOf(std::string_view Text, std::string_view Chars, size_t MaxSize) {
  return !Text.empty() && Text.size() <= MaxSize && Text.find_first_not_of(Chars) == std::string_view::npos;
}

constexpr std::string_view Digits = "0123456789";
constexpr std::string_view HexDigits = "0123456789abcdef";

// The start time of the process that /proc/PID (or /proc/self) shows, in clock ticks after boot;
// nothing when there is none or it is not process Pid (a /proc of another namespace).
std::optional<uint64_t> StartTimeOf(const std::string& ProcName, int64_t Pid) {
  const std::string stat = ReadSmallFile("/proc/" + ProcName + "/stat");
  // PID (COMMAND) STATE PPID ...: the command may hold anything, so the fields are counted from
  // the last parenthesis; the start time is the 22nd field, 19 spaces after the one that precedes
  // the state (the 3rd).
  const size_t open = stat.find(" ("), close = stat.rfind(')');
  if (open == std::string::npos || close == std::string::npos || stat.substr(0, open) != std::to_string(Pid))
    return std::nullopt;
  size_t at = close + 1;
  for (int field = 3; field < 22 && at != std::string::npos; ++field) at = stat.find(' ', at + 1);
  if (at == std::string::npos) return std::nullopt;
  const std::string value = stat.substr(at + 1, stat.find(' ', at + 1) - at - 1);
  if (!AllOf(value, Digits, 20)) return std::nullopt;
  return std::strtoull(value.c_str(), nullptr, 10);
}

std::string EscapedHostName() {
  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof(host) - 1) != 0) return {};
  std::string escaped;
  for (const char* p = host; *p; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (std::isalnum(c) || c == '.' || c == '_' || c == '-') {
      escaped += static_cast<char>(c);
    } else {
      char code[4];
      std::snprintf(code, sizeof(code), "%%%02X", c);
      escaped += code;
    }
  }
  if (escaped.size() > 64) escaped.resize(64);
  return escaped;
}

// This process as a writer, with whether /proc told all of it.
std::pair<TSideNameWriter, bool> CurrentWriter() {
  TSideNameWriter writer;
  writer.Host = EscapedHostName();
  writer.Pid = getpid();
  writer.BootId = ReadSmallFile("/proc/sys/kernel/random/boot_id");
  while (!writer.BootId.empty() && writer.BootId.back() == '\n') writer.BootId.pop_back();
  const bool bootKnown = writer.BootId.size() == 36 && AllOf(writer.BootId, "0123456789abcdef-", 36);
  if (!bootKnown) writer.BootId.clear();
  // The namespace link reads "pid:[NUMBER]".
  char link[64] = {};
  if (readlink("/proc/self/ns/pid", link, sizeof(link) - 1) > 0) {
    std::string_view text = link;
    if (text.starts_with("pid:[") && text.ends_with("]") &&
        AllOf(text.substr(5, text.size() - 6), Digits, 20))
      writer.PidNamespace = text.substr(5, text.size() - 6);
  }
  const auto start = StartTimeOf("self", writer.Pid);
  writer.StartTime = start.value_or(0);
  return {writer, bootKnown && !writer.PidNamespace.empty() && start};
}

// The longest a mark can be: ".zu-" HOST(64) "-" BOOTID(36) "-" PIDNS(20) "-" PID(19) "-" START(20)
// "-" TOKEN(16) ".tmp". A target's file name is cut to what leaves room for it.
constexpr size_t MaxMark = 4 + 64 + 1 + 36 + 1 + 20 + 1 + 19 + 1 + 20 + 1 + 16 + 4;
static_assert(MaxMark < NAME_MAX);

// The side names of Writer's machine and namespace beside Target begin with this.
std::string SidePrefix(const std::string& Target, const TSideNameWriter& Writer) {
  const size_t slash = Target.find_last_of('/');
  std::string name = Target.substr(slash == std::string::npos ? 0 : slash + 1);
  if (name.size() > NAME_MAX - MaxMark) name.resize(NAME_MAX - MaxMark);
  return name + ".zu-" + Writer.Host + "-" + Writer.BootId + "-" + Writer.PidNamespace + "-";
}

uint64_t RandomToken() {
  uint64_t token = 0;
  if (getrandom(&token, sizeof(token), GRND_NONBLOCK) == sizeof(token)) return token;
  // Without the kernel's random numbers the clock and a count still differ from call to call, and
  // names are made exclusively whatever they are.
  static std::atomic<uint64_t> count{0};
  return static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) *
             0x9E3779B97F4A7C15u +
         ++count;
}

// Whether the process that made a side name is gone: none of its id runs, or the one that does
// started at another time (the id was given again).
bool WriterGone(int64_t Pid, uint64_t StartTime) {
  if (kill(static_cast<pid_t>(Pid), 0) != 0) return errno == ESRCH;
  const auto running = StartTimeOf(std::to_string(Pid), Pid);
  return running && *running != StartTime;
}

// Removes the side names beside Target that writers of this machine and namespace left and that
// are provably gone: a writer killed between naming its new file and renaming it over Target, or
// while writing a named side file where there are no unnamed files. This process's own names stay,
// as a writer on another thread may be between those steps.
void RemoveStaleSideNames(const std::string& Target, const TSideNameWriter& Me) {
  const std::string prefix = SidePrefix(Target, Me);
  DIR* dir = opendir(DirectoryOf(Target).c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    std::string_view rest = entry->d_name;
    if (!rest.starts_with(prefix) || !rest.ends_with(".tmp")) continue;
    // PID-START-TOKEN
    rest = rest.substr(prefix.size(), rest.size() - prefix.size() - 4);
    const size_t dash1 = rest.find('-'), dash2 = rest.rfind('-');
    if (dash1 == std::string_view::npos || dash1 == dash2) continue;
    const std::string_view pid = rest.substr(0, dash1), start = rest.substr(dash1 + 1, dash2 - dash1 - 1),
                           token = rest.substr(dash2 + 1);
    if (!AllOf(pid, Digits, 10) || !AllOf(start, Digits, 20) || token.size() != 16 ||
        !AllOf(token, HexDigits, 16))
      continue;
    const long long id = std::strtoll(std::string(pid).c_str(), nullptr, 10);
    if (id <= 0 || id > INT32_MAX) continue;
    if (WriterGone(id, std::strtoull(std::string(start).c_str(), nullptr, 10)))
      unlinkat(dirfd(dir), entry->d_name, 0);
  }
  closedir(dir);
}

// ---- Writing ----

// Writes the whole stream and flushes it to the disk; 0 or the error.
int WriteAll(int fd, TCustomMemoryStream& Stream) {
  const char* data = Stream.Memory();
  auto left = static_cast<size_t>(Stream.Size());
  while (left > 0) {
    ssize_t n = ReplaceFileCalls().Write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    data += n;
    left -= static_cast<size_t>(n);
  }
  return fsync(fd) != 0 ? errno : 0;
}

// Makes a new side name beside Target, through Make(name) (0, or -1 with errno), trying other
// tokens while the name is taken; the name, or "" with errno.
template <class TMake>
std::string MakeSideName(const std::string& Target, const TSideNameWriter& Me, TMake Make) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string side = SideName(Target, Me, RandomToken());
    if (Make(side) == 0) return side;
    if (errno != EEXIST) return {};
  }
  return {};
}

// Whether the unnamed file behind fd can be given a name: its descriptor's path (in /proc) names
// it. Checked before anything is written, so that a file that could not be named is never written.
bool CanBeNamed(int fd, std::string& Path) {
  Path = ReplaceFileCalls().DescriptorPath(fd);
  struct stat byPath, byFd;
  return stat(Path.c_str(), &byPath) == 0 && fstat(fd, &byFd) == 0 && byPath.st_dev == byFd.st_dev &&
         byPath.st_ino == byFd.st_ino;
}

}  // namespace

std::optional<TSideNameWriter> ThisWriter() {
  auto [writer, known] = CurrentWriter();
  if (!known) return std::nullopt;
  return writer;
}

std::string SideName(const std::string& Target, const TSideNameWriter& Writer, uint64_t Token) {
  char token[17];
  std::snprintf(token, sizeof(token), "%016llx", static_cast<unsigned long long>(Token));
  const size_t slash = Target.find_last_of('/');
  return Target.substr(0, slash == std::string::npos ? 0 : slash + 1) + SidePrefix(Target, Writer) +
         std::to_string(Writer.Pid) + "-" + std::to_string(Writer.StartTime) + "-" + token + ".tmp";
}

TReplaceFileCalls& ReplaceFileCalls() {
  static TReplaceFileCalls calls{
      [](const char* Directory) { return open(Directory, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600); },
      [](int Fd) { return "/proc/self/fd/" + std::to_string(Fd); },
      [](const char* From, const char* To) {
        return linkat(AT_FDCWD, From, AT_FDCWD, To, AT_SYMLINK_FOLLOW);
      },
      [](int Fd, const void* Data, size_t Size) { return write(Fd, Data, Size); },
  };
  return calls;
}

void ReplaceFile(TCustomMemoryStream& Stream, const std::string& FileName) {
  const std::string target = FinalPath(FileName);
  if (target.empty()) RaiseCreateError(FileName, errno);
  // The new file takes the permission bits of the file it replaces (the usual ones, after the
  // umask, for a new file), so a file the user made private stays private.
  struct stat old;
  const bool exists = stat(target.c_str(), &old) == 0;
  mode_t mask = umask(0);
  umask(mask);
  const mode_t mode = exists ? (old.st_mode & 07777) : (0666 & ~mask);
  const auto [me, known] = CurrentWriter();
  const TReplaceFileCalls& calls = ReplaceFileCalls();

  // The new content goes into a file without a name, so that a program killed while writing
  // leaves nothing behind; it gets a name only once complete. A target that does not exist is
  // named directly; one that does is replaced by renaming a side name over it, as renaming is the
  // only way to replace a name atomically. Where there are no unnamed files, or no way to name
  // them (no /proc), the content goes into a side name from the start. Either way it is written
  // once, and a writer killed on the way leaves at most its side name, which the next write of
  // this machine removes.
  std::string side, unnamedPath;
  int fd = calls.OpenUnnamed(DirectoryOf(target).c_str());
  const bool unnamed = fd >= 0 && CanBeNamed(fd, unnamedPath);
  if (fd >= 0 && !unnamed) close(fd);
  if (!unnamed) {
    side = MakeSideName(target, me, [&](const std::string& name) {
      fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      return fd >= 0 ? 0 : -1;
    });
    if (side.empty()) RaiseCreateError(FileName, errno);
  }
  int error = fchmod(fd, mode) != 0 ? errno : 0;
  if (!error) error = WriteAll(fd, Stream);
  int createError = 0;
  bool named = false;
  if (!error && unnamed) {
    // Named directly when there is nothing to replace (unless something came meanwhile), else
    // beside the target.
    named = !exists && calls.Link(unnamedPath.c_str(), target.c_str()) == 0;
    if (!named && (exists || errno == EEXIST)) {
      side = MakeSideName(
          target, me, [&](const std::string& name) { return calls.Link(unnamedPath.c_str(), name.c_str()); });
      if (side.empty()) createError = errno;
    } else if (!named) {
      createError = errno;
    }
  }
  if (close(fd) != 0 && !error && !unnamed) error = errno;
  if (error) {
    if (!side.empty()) unlink(side.c_str());
    RaiseWriteError(FileName, error);
  }
  if (createError) RaiseCreateError(FileName, createError);
  if (!named && std::rename(side.c_str(), target.c_str()) != 0) {
    const int renameError = errno;
    unlink(side.c_str());
    RaiseCreateError(FileName, renameError);
  }
  if (known) RemoveStaleSideNames(target, me);
}
