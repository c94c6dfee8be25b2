// zuxml: writes the XML document or the DTD of a new instance of a registered class, or reads a
// document from standard input into one and writes its document back.
//
//   zuxml xml SOURCE [OPTIONS]
//   zuxml dtd SOURCE
//   zuxml read SOURCE [OPTIONS] [--as-text] < DOCUMENT
//   zuxml text SOURCE
//   zuxml calc EXPRESSION
//   zuxml translit --to-latin|--to-cyrillic TEXT
//   zuxml classes
//   zuxml --version
//
// SOURCE is a registered class name or the path of a text-form file (object ... end).
//
// Output goes to standard output byte for byte. An error prints its exception class and message
// (and, for reading errors, "at byte N") to standard error and exits 1; a usage error exits 2.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include "lib/utils/zuUtils.h"
#include "lib/xml/zuXMLSerializer.h"
#include "platform/classes/Classes.h"
#include "platform/classes/Filer.h"
#include "platform/classes/ObjectText.h"
#include "platform/system/SysUtils.h"
#include "tools/ProjectClasses.h"

namespace {

using namespace zu;

constexpr const char* kUsage =
    "usage: zuxml xml SOURCE [OPTIONS]\n"
    "       zuxml dtd SOURCE\n"
    "       zuxml read SOURCE [OPTIONS] [--as-text] < DOCUMENT\n"
    "       zuxml text SOURCE\n"
    "       zuxml calc EXPRESSION\n"
    "       zuxml translit --to-latin|--to-cyrillic TEXT\n"
    "       zuxml classes\n"
    "       zuxml --version\n"
    "SOURCE is the name of a registered class (a new instance of it is written or read into), or\n"
    "the path of a text-form file, loaded into a new instance of its root class; `zuxml classes`\n"
    "lists the registered classes with their units. `zuxml --version` prints the version.\n"
    "OPTIONS: --NAME=VALUE sets the serializer's published option NAME (--WrapCollections=False ...);\n"
    "         --header=TEXT opens written documents with TEXT; --decimal-separator=C for floats.\n";

struct TUsageError {
  std::string Message;
};

struct TCommand {
  std::string Mode;
  std::string Source;
  std::vector<std::pair<std::string, std::string>> Options;  // published options, in order
  bool HasHeader = false;
  std::string Header;
  bool AsText = false;
  std::string Text;  // translit's text
};

TCommand ParseCommand(int argc, char** argv) {
  TCommand command;
  if (argc == 2 && std::string_view(argv[1]) == "classes") {
    command.Mode = argv[1];
    return command;
  }
  if (argc < 3) throw TUsageError{"missing arguments"};
  command.Mode = argv[1];
  command.Source = argv[2];
  if (command.Mode == "classes") throw TUsageError{"classes takes no arguments"};
  if (command.Mode == "calc" || command.Mode == "text") {
    if (argc != 3) throw TUsageError{command.Mode + " takes one argument"};
    return command;
  }
  if (command.Mode == "translit") {
    if (argc != 4 || (command.Source != "--to-latin" && command.Source != "--to-cyrillic"))
      throw TUsageError{"translit takes --to-latin or --to-cyrillic and one text"};
    command.Text = argv[3];
    return command;
  }
  if (command.Mode != "xml" && command.Mode != "dtd" && command.Mode != "read")
    throw TUsageError{"unknown command " + command.Mode};
  for (int i = 3; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--as-text" && command.Mode == "read") {
      command.AsText = true;
      continue;
    }
    const size_t equals = arg.find('=');
    if (!arg.starts_with("--") || equals == std::string_view::npos)
      throw TUsageError{"bad option " + std::string(arg)};
    if (command.Mode == "dtd") throw TUsageError{"dtd takes no options"};
    const std::string name(arg.substr(2, equals - 2));
    const std::string value(arg.substr(equals + 1));
    if (name == "header") {
      command.HasHeader = true;
      command.Header = value;
    } else if (name == "decimal-separator") {
      if (value.size() != 1) throw TUsageError{"--decimal-separator takes one character"};
      FormatSettings.DecimalSeparator = value[0];
    } else {
      command.Options.emplace_back(name, value);
    }
  }
  return command;
}

// SetPropText clamps a number to its property's range; an option that does not fit is refused
// instead, so that what the user typed is never changed silently. A value that is no number is
// left to SetPropText, which says so.
void CheckOptionRange(PPropInfo Prop, const std::string& Name, const std::string& Value) {
  const TTypeInfo* type = Prop->PropType();
  int64_t low = INT64_MIN, high = INT64_MAX;
  if (type->Kind == tkInteger || type->Kind == tkChar || type->Kind == tkWChar) {
    low = type->MinBound();
    high = type->MaxBound();
  } else if (type->Kind != tkInt64) {
    return;
  }
  const double number = std::trunc(Variant(Value).AsDouble());
  if (std::isnan(number)) return;
  // 2^63 is the first double past INT64_MAX; the float form of INT64_MIN is exact.
  if (number < static_cast<double>(low) ||
      (high == INT64_MAX ? number >= 0x1p63 : number > static_cast<double>(high)))
    throw TUsageError{"--" + Name + "=" + Value + ": out of range for " + Name + " (" + IntToStr(low) + ".." +
                      IntToStr(high) + ")"};
}

// Sets the published options by name through the type information, as component streaming would.
void ApplyOptions(TzuXMLSerializer& Serializer, const TCommand& Command) {
  for (const auto& [name, value] : Command.Options) {
    PPropInfo prop = GetPropInfo(Serializer.ClassType(), name);
    if (!prop || prop->Kind() == tkMethod || prop->Kind() == tkClass || !prop->HasSetter())
      throw TUsageError{"unknown option --" + name};
    try {
      CheckOptionRange(prop, name, value);
      SetPropText(&Serializer, prop, value);
    } catch (const Exception& e) {
      throw TUsageError{"--" + name + "=" + value + ": " + e.Message()};
    }
  }
  if (Command.HasHeader) {
    const std::string header = Command.Header;
    Serializer.SetOnGetXMLHeader(TOnGetXMLHeader([header](TObject*, std::string& Value) { Value = header; }));
  }
}

bool IsFile(const std::string& Path) {
  struct stat st;
  return Path.find_first_of("/.") != std::string::npos && ::stat(Path.c_str(), &st) == 0 &&
         S_ISREG(st.st_mode);
}

std::unique_ptr<TObject> CreateSource(const std::string& Name) {
  if (IsFile(Name)) {
    // A text-form file: converted to the binary form and read into a new instance of its class.
    TFileStream file(Name, fmOpenRead);
    TMemoryStream binary;
    ObjectTextToBinary(file, binary);
    binary.SetPosition(0);
    return std::unique_ptr<TObject>(ReadComponent(binary, nullptr));
  }
  const TClassInfo* cls = FindClass(Name);
  std::unique_ptr<TObject> object(cls->Create ? cls->Create(nullptr) : nullptr);
  if (!object) throw EInvalidOperation(Format("Cannot create an instance of %s", {cls->ClassName}));
  return object;
}

void ReadStandardInput(TMemoryStream& Stream) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) throw EReadError("Stream read error");
    Stream.WriteBuffer(buffer, static_cast<int32_t>(n));
  }
  Stream.SetPosition(0);
}

void WriteStandardOutput(const TMemoryStream& Stream) {
  const size_t size = static_cast<size_t>(const_cast<TMemoryStream&>(Stream).Size());
  if (size && std::fwrite(Stream.Memory(), 1, size, stdout) != size) throw EWriteError("Stream write error");
  if (std::fflush(stdout) != 0) throw EWriteError("Stream write error");
}

// The text form of a component: its binary form converted.
void WriteTextForm(TObject* Source, TMemoryStream& Output) {
  auto* component = dynamic_cast<TComponent*>(Source);
  if (!component) throw EInvalidOperation(Format("%s is not a component", {Source->ClassName()}));
  TMemoryStream binary;
  WriteComponent(binary, component);
  binary.SetPosition(0);
  ObjectBinaryToText(binary, Output);
}

void WriteText(const std::string& Text) {
  if (!Text.empty() && std::fwrite(Text.data(), 1, Text.size(), stdout) != Text.size())
    throw EWriteError("Stream write error");
  if (std::fflush(stdout) != 0) throw EWriteError("Stream write error");
}

// The length of the UTF-8 sequence a lead byte opens; 1 for a byte that opens none.
size_t SequenceLength(unsigned char Lead) {
  if (Lead >= 0xF0 && Lead <= 0xF4) return 4;
  if (Lead >= 0xE0 && Lead <= 0xEF) return 3;
  if (Lead >= 0xC2 && Lead <= 0xDF) return 2;
  return 1;
}

// UTF-8 text transliterated through code page 1251. A character the code page lacks (and a byte
// of a malformed sequence) has no rule: it passes through unchanged and ends the run of text
// before it, so no letter group spans it.
std::string TransliterateUtf8(const std::string& Text, bool ToLatin) {
  std::string result, run;
  auto flush = [&] {
    result += Cp1251ToUtf8(Transliterate(run, ToLatin));
    run.clear();
  };
  for (size_t i = 0; i < Text.size();) {
    const std::string character = Text.substr(i, SequenceLength(static_cast<unsigned char>(Text[i])));
    const std::string narrow = Utf8ToCp1251(character);
    if (narrow.size() == 1 && Cp1251ToUtf8(narrow) == character) {
      run += narrow;
      i += character.size();
    } else {
      flush();
      // A malformed sequence (more than one '?') passes one byte, so what follows it is still read.
      const size_t passed = narrow.size() == 1 ? character.size() : 1;
      result.append(Text, i, passed);
      i += passed;
    }
  }
  flush();
  return result;
}

// Every registered class with its unit, one per line, sorted by name without regard to case.
std::string ClassList() {
  std::vector<const TClassInfo*> classes = RegisteredClasses();
  std::sort(classes.begin(), classes.end(), [](const TClassInfo* a, const TClassInfo* b) {
    const int order = CompareText(a->ClassName, b->ClassName);
    return order != 0 ? order < 0 : a->ClassName < b->ClassName;
  });
  std::string list;
  for (const TClassInfo* cls : classes) list += cls->ClassName + " " + cls->UnitName + "\n";
  return list;
}

int Run(const TCommand& Command) {
  // calc, translit and classes write lines of text; the documents below are written byte for byte.
  if (Command.Mode == "calc") {
    WriteText(FloatToStr(CalcMathString(Command.Source)) + "\n");
    return 0;
  }
  if (Command.Mode == "translit") {
    WriteText(TransliterateUtf8(Command.Text, Command.Source == "--to-latin") + "\n");
    return 0;
  }
  if (Command.Mode == "classes") {
    WriteText(ClassList());
    return 0;
  }
  TzuXMLSerializer serializer(nullptr);
  ApplyOptions(serializer, Command);
  std::unique_ptr<TObject> source = CreateSource(Command.Source);
  TMemoryStream output;
  if (Command.Mode == "xml") {
    serializer.Serialize(source.get(), output);
  } else if (Command.Mode == "text") {
    WriteTextForm(source.get(), output);
  } else if (Command.Mode == "dtd") {
    serializer.GenerateDTD(source.get(), output);
  } else {
    TMemoryStream input;
    ReadStandardInput(input);
    serializer.DeSerialize(source.get(), input);
    // The result is written with the default options; only the header carries over.
    if (Command.AsText) {
      WriteTextForm(source.get(), output);
    } else {
      TzuXMLSerializer writer(nullptr);
      writer.SetOnGetXMLHeader(serializer.OnGetXMLHeader());
      writer.Serialize(source.get(), output);
    }
  }
  WriteStandardOutput(output);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  RegisterProjectClasses();
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::fputs("zuxml " ZU_VERSION "\n", stdout);
    return 0;
  }
  try {
    return Run(ParseCommand(argc, argv));
  } catch (const TUsageError& e) {
    std::fprintf(stderr, "zuxml: %s\n%s", e.Message.c_str(), kUsage);
    return 2;
  } catch (const Exception& e) {
    std::string text = std::string(e.ClassName()) + ": " + e.Message() + "\n";
    if (e.Offset() >= 0) text += "at byte " + IntToStr(e.Offset()) + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Exception: %s\n", e.what());
    return 1;
  }
}
