#include "app/Unit1.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "app/ReplaceFile.h"

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
