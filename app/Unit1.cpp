#include "app/Unit1.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

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

void ReplaceFile(TCustomMemoryStream& Stream, const std::string& FileName) {
  std::string temp = FileName + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) throw EFCreateError(Format("Cannot create file \"%s\". %s", {FileName, std::strerror(errno)}));
  // mkstemp makes the file private; the result gets the usual permissions.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  const char* data = Stream.Memory();
  auto left = static_cast<size_t>(Stream.Size());
  int error = 0;
  while (left > 0 && !error) {
    ssize_t n = write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      break;
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
  if (!error && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && !error) error = errno;
  if (error) {
    unlink(temp.c_str());
    throw EWriteError(Format("Cannot write file \"%s\". %s", {FileName, std::strerror(error)}));
  }
  if (std::rename(temp.c_str(), FileName.c_str()) != 0) {
    int renameError = errno;
    unlink(temp.c_str());
    throw EFCreateError(Format("Cannot create file \"%s\". %s", {FileName, std::strerror(renameError)}));
  }
}
