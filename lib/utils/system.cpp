// Component text streaming and system queries.
#include <pwd.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "lib/types/zuTypes.h"
#include "lib/utils/zuUtilsBase.h"
#include "platform/classes/Classes.h"
#include "platform/classes/Filer.h"
#include "platform/classes/ObjectText.h"
#include "platform/graphics/Gdi.h"

namespace zu {

void SaveComponentToTextFile(TComponent* Component, const std::string& FileName) {
  TFileStream file(FileName, fmCreate);
  TMemoryStream binary;
  WriteComponent(binary, Component);
  binary.SetPosition(0);
  ObjectBinaryToText(binary, file);
}

void LoadComponentFromTextFile(TComponent* Component, const std::string& FileName) {
  TMemoryStream binary;
  TFileStream file(FileName, fmOpenRead);
  ObjectTextToBinary(file, binary);
  binary.SetPosition(0);
  ReadComponent(binary, Component);
}

std::string ComponentToString(TComponent* Component) {
  TStringStream text;
  TMemoryStream binary;
  WriteComponent(binary, Component);
  binary.SetPosition(0);
  ObjectBinaryToText(binary, text);
  return text.DataString();
}

void StringToComponent(TComponent* Component, const std::string& Value) {
  TStringStream text(Value);
  TMemoryStream binary;
  ObjectTextToBinary(text, binary);
  binary.SetPosition(0);
  ReadComponent(binary, Component);
}

std::string UserName() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry;
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buf.data(), buf.size(), &found) != 0 || !found || !found->pw_name)
    return {};
  return found->pw_name;
}

std::string ComputerName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string CreateIniFileName(const std::string& ExeName) {
  size_t dot = ExeName.find_last_of('.');
  size_t separator = ExeName.find_last_of("/\\:");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
    return ExeName + ".ini";
  return ExeName.substr(0, dot) + ".ini";
}

std::string CreateIniFileName() {
  std::vector<char> path(4096);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) return CreateIniFileName(std::string());
    if (static_cast<size_t>(n) < path.size())
      return CreateIniFileName(std::string(path.data(), static_cast<size_t>(n)));
    path.resize(path.size() * 2);
  }
}

bool IsSmallFonts() {
  win::HDC dc = win::GetDC(nullptr);
  int dpi = win::GetDeviceCaps(dc, win::LOGPIXELSX);
  win::ReleaseDC(nullptr, dc);
  return dpi == 96;
}

int32_t SystemColorDepth() {
  win::HDC dc = win::GetDC(nullptr);
  int bits = win::GetDeviceCaps(dc, win::BITSPIXEL);
  win::ReleaseDC(nullptr, dc);
  return bits;
}

TzuFileType GetFileType(const std::string& FileName) {
  static const struct {
    const char* Ext;
    TzuFileType Type;
  } Extensions[] = {{".gif", fftGif}, {".jpeg", fftJpeg}, {".jpg", fftJpeg}, {".bmp", fftBmp}};
  size_t dot = FileName.find_last_of('.');
  size_t separator = FileName.find_last_of("/\\:");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return fftUndefined;
  std::string ext = FileName.substr(dot);
  for (const auto& e : Extensions)
    if (SameText(ext, e.Ext)) return e.Type;
  return fftUndefined;
}

}  // namespace zu
