#include "app/Unit1.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/system/SysUtils.h"

using namespace zu;

Tddd* ddd = nullptr;

ZU_PUBLISHED(Tddd, "Unit1") {
  p.field("Label1", &Tddd::Label1);
  p.field("Edit1", &Tddd::Edit1);
  p.field("XML", &Tddd::XML);
  p.method("FormClick", &Tddd::FormClick);
}

void RegisterUnit1Classes() { RegisterClass(Tddd::StaticClass()); }

void Tddd::FormClick(TObject* /*Sender*/) {
  auto dtdStream = std::make_unique<TMemoryStream>();
  auto xmlStream = std::make_unique<TMemoryStream>();
  XML->Serialize(this, *xmlStream);
  ReplaceFile(*xmlStream, OutputFileName());
  XML->GenerateDTD(this, *dtdStream);
  const char* dtd = dtdStream->Memory();
  Label1->SetCaption(dtd ? std::string(dtd, static_cast<size_t>(dtdStream->Size())) : std::string());
}

std::string OutputFileName() {
  std::string home;
  if (const char* env = std::getenv("HOME"); env && *env) {
    home = env;
  } else if (const passwd* user = getpwuid(getuid()); user && user->pw_dir) {
    home = user->pw_dir;
  }
  if (home.empty()) home = ".";
  if (home.back() != '/') home += '/';
  return home + "x.txt";
}

namespace {

[[noreturn]] void RaiseCreateError(const std::string& FileName, int Error) {
  throw EFCreateError(Format("Cannot create file \"%s\". %s", {FileName, std::strerror(Error)}));
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

// Writes the whole stream and flushes it to the disk; 0 or the error.
int WriteAll(int fd, TCustomMemoryStream& Stream) {
  const char* data = Stream.Memory();
  auto left = static_cast<size_t>(Stream.Size());
  while (left > 0) {
    ssize_t n = write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    data += n;
    left -= static_cast<size_t>(n);
  }
  return fsync(fd) != 0 ? errno : 0;
}

// Gives the unnamed file behind fd the name Target; false with errno when it cannot be named.
bool LinkUnnamed(int fd, const std::string& Target) {
  std::string proc = "/proc/self/fd/" + std::to_string(fd);
  if (linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, Target.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  if (errno == EEXIST) return false;
  // Without /proc a privileged process can still link the descriptor itself.
  int error = errno;
  if (linkat(fd, "", AT_FDCWD, Target.c_str(), AT_EMPTY_PATH) == 0) return true;
  if (errno != EEXIST) errno = error;
  return false;
}

// A name beside Target that nothing has, for the moment between naming the new file and renaming
// it over Target.
std::string SideName(const std::string& Target, unsigned Attempt) {
  return Target + "." + std::to_string(getpid()) + "-" + std::to_string(Attempt) + ".tmp";
}

// Removes the side names beside Target whose writers no longer run. No call links a file over an
// existing name, so naming the new file and renaming it over Target are two steps, and a writer
// killed between them leaves its side name behind; the next write takes it away. A writer of this
// process may be between the two steps on another thread, so this process's names stay.
void RemoveStaleSideNames(const std::string& Target) {
  const std::string prefix = Target.substr(Target.find_last_of('/') + 1) + ".";
  DIR* dir = opendir(DirectoryOf(Target).c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    std::string_view name = entry->d_name;
    if (!name.starts_with(prefix) || !name.ends_with(".tmp")) continue;
    name = name.substr(prefix.size(), name.size() - prefix.size() - 4);
    const size_t dash = name.find('-');
    auto digits = [](std::string_view s) {
      return !s.empty() && s.size() <= 10 && s.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (dash == std::string_view::npos || !digits(name.substr(0, dash)) || !digits(name.substr(dash + 1)))
      continue;
    const long pid = std::strtol(std::string(name.substr(0, dash)).c_str(), nullptr, 10);
    if (pid <= 0 || pid > INT32_MAX || pid == getpid()) continue;
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) unlinkat(dirfd(dir), entry->d_name, 0);
  }
  closedir(dir);
}

}  // namespace

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
  auto fill = [&](int fd) {
    int error = fchmod(fd, mode) != 0 ? errno : 0;
    if (!error) error = WriteAll(fd, Stream);
    return error;
  };
  auto raiseWriteError = [&](int error) {
    throw EWriteError(Format("Cannot write file \"%s\". %s", {FileName, std::strerror(error)}));
  };

  // The new content goes into a file without a name, so that a program killed while writing
  // leaves nothing behind; it gets a name only once complete. A target that does not exist is
  // named directly; one that does is replaced by renaming a side name over it, as renaming is the
  // only way to replace a name atomically.
  std::string temp;
  if (int fd = open(DirectoryOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600); fd >= 0) {
    if (int error = fill(fd)) {
      close(fd);
      raiseWriteError(error);
    }
    bool named = !exists && LinkUnnamed(fd, target);
    for (unsigned attempt = 0; !named && temp.empty() && attempt < 100; ++attempt) {
      std::string side = SideName(target, attempt);
      if (LinkUnnamed(fd, side))
        temp = side;
      else if (errno != EEXIST)
        break;
    }
    close(fd);
    if (named) {
      RemoveStaleSideNames(target);
      return;
    }
  }
  // Where the file system has no unnamed files (or they cannot be named), a named file beside the
  // target is written, and removed when writing fails.
  if (temp.empty()) {
    temp = target + ".XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) RaiseCreateError(FileName, errno);
    int error = fill(fd);
    if (close(fd) != 0 && !error) error = errno;
    if (error) {
      unlink(temp.c_str());
      raiseWriteError(error);
    }
  }
  if (std::rename(temp.c_str(), target.c_str()) != 0) {
    int renameError = errno;
    unlink(temp.c_str());
    RaiseCreateError(FileName, renameError);
  }
  RemoveStaleSideNames(target);
}
