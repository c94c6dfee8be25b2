// zuxml: writes the XML document or the DTD of a new instance of a registered class, or reads a
// document into one and writes its document back; `zuxml --help` lists every command.
//
// Output goes to standard output byte for byte. Every error is one line on standard error that
// starts with "zuxml:"; an error met while reading an input names it and, where the reader placed
// it, its line, column, element path and byte. Exit status: 0 done, 1 the input or the document
// failed, 2 a usage error (the error line is followed by the command's synopsis).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
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
#include "zuVersion.h"

namespace {

using namespace zu;

struct TCommandHelp {
  const char* Name;
  const char* Synopsis;
  const char* Description;
};

// Every command with its arguments; `zuxml --help` shows them all, `zuxml COMMAND --help` one.
constexpr TCommandHelp kCommands[] = {
    {"xml", "zuxml xml SOURCE [OPTIONS]", "writes the XML document of SOURCE."},
    {"dtd", "zuxml dtd SOURCE", "writes the element-type declarations of SOURCE, one a line."},
    {"read", "zuxml read SOURCE [FILE|-] [OPTIONS] [--as-text]",
     "reads the XML document FILE (standard input when FILE is - or absent) into SOURCE, with\n"
     "OPTIONS, and writes SOURCE's document back with the default options (--header carries\n"
     "over), or its text form with --as-text."},
    {"text", "zuxml text SOURCE [FILE|-]",
     "writes the text form (object ... end) of SOURCE, which is a component; given FILE (- for\n"
     "standard input), the text form after reading the XML document FILE into SOURCE."},
    {"calc", "zuxml calc EXPRESSION", "evaluates an arithmetic expression and prints its value."},
    {"translit", "zuxml translit --to-latin|--to-cyrillic TEXT",
     "transliterates UTF-8 TEXT from Cyrillic to Latin letters or back."},
    {"classes", "zuxml classes", "lists the registered classes with their units."},
    {"--version", "zuxml --version", "prints the version."},
    {"--help", "zuxml --help | zuxml COMMAND --help", "shows this help, or one command's."},
};

constexpr const char* kSourceHelp =
    "SOURCE is the name of a registered class (a new instance of it is written or read into), or\n"
    "the path of a text-form file (a name holding / or .), loaded into a new instance of its root\n"
    "class.\n";
constexpr const char* kOptionsHelp =
    "OPTIONS: --NAME=VALUE sets the serializer's published option NAME (--WrapCollections=False ...);\n"
    "         --header=TEXT opens written documents with TEXT; --decimal-separator=C for floats.\n";
constexpr const char* kExitHelp =
    "Exit status: 0 done, 1 the input or the document failed, 2 a usage error. Every error is one\n"
    "line on standard error; a reading error names FILE:LINE:COLUMN and, where known, the element\n"
    "path and the byte.\n";

const TCommandHelp* FindCommand(std::string_view Name) {
  for (const TCommandHelp& command : kCommands)
    if (Name == command.Name) return &command;
  return nullptr;
}

// The synopsis lines of every command, or of one.
std::string Usage(const TCommandHelp* Command = nullptr) {
  std::string text;
  for (const TCommandHelp& command : kCommands)
    if (!Command || Command == &command)
      text += std::string(text.empty() ? "usage: " : "       ") + command.Synopsis + "\n";
  return text;
}

// The full help, or one command's with the notes that concern it.
std::string Help(const TCommandHelp* Command = nullptr) {
  std::string text = Usage(Command) + "\n";
  for (const TCommandHelp& command : kCommands)
    if (!Command || Command == &command)
      text +=
          std::string(command.Synopsis) + "\n  " + StringReplaceAll(command.Description, "\n", "\n  ") + "\n";
  const std::string_view name = Command ? Command->Name : "";
  if (!Command || name == "xml" || name == "dtd" || name == "read" || name == "text")
    text += "\n" + std::string(kSourceHelp);
  if (!Command || name == "xml" || name == "read") text += kOptionsHelp;
  return text + "\n" + kExitHelp;
}

struct TUsageError {
  std::string Message;
  const TCommandHelp* Command = nullptr;  // whose synopsis follows the error; all when none
};

struct TCommand {
  const TCommandHelp* Help = nullptr;
  std::string Mode;
  std::string Source;
  std::string Document;  // the document read into the source ("-": standard input); empty when none
  std::vector<std::pair<std::string, std::string>> Options;  // published options, in order
  bool HasHeader = false;
  std::string Header;
  bool AsText = false;
  bool ShowHelp = false;
  std::string Text;  // translit's text
};

// The arguments after SOURCE of xml, dtd, read and text: a document (read and text), options (xml
// and read) and --as-text (read).
void ParseSourceArguments(TCommand& Command, int argc, char** argv) {
  const bool takesDocument = Command.Mode == "read" || Command.Mode == "text";
  const bool takesOptions = Command.Mode == "xml" || Command.Mode == "read";
  for (int i = 3; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--as-text" && Command.Mode == "read") {
      Command.AsText = true;
      continue;
    }
    if (arg == "-" || !arg.starts_with("-")) {
      if (!takesDocument) throw TUsageError{"unexpected argument " + std::string(arg), Command.Help};
      if (!Command.Document.empty()) throw TUsageError{Command.Mode + " reads one document", Command.Help};
      Command.Document = arg;
      continue;
    }
    const size_t equals = arg.find('=');
    if (!arg.starts_with("--") || equals == std::string_view::npos)
      throw TUsageError{"bad option " + std::string(arg), Command.Help};
    if (!takesOptions) throw TUsageError{Command.Mode + " takes no options", Command.Help};
    const std::string name(arg.substr(2, equals - 2));
    const std::string value(arg.substr(equals + 1));
    if (name == "header") {
      Command.HasHeader = true;
      Command.Header = value;
    } else if (name == "decimal-separator") {
      if (value.size() != 1) throw TUsageError{"--decimal-separator takes one character", Command.Help};
      FormatSettings.DecimalSeparator = value[0];
    } else {
      Command.Options.emplace_back(name, value);
    }
  }
}

TCommand ParseCommand(int argc, char** argv) {
  if (argc < 2) throw TUsageError{"missing command"};
  TCommand command;
  command.Mode = argv[1] == std::string_view("-h") ? "--help" : argv[1];
  command.Help = FindCommand(command.Mode);
  if (!command.Help) throw TUsageError{"unknown command " + command.Mode};
  const auto arguments = [&](int Low, int High, const char* What) {
    if (argc - 2 < Low || argc - 2 > High) throw TUsageError{command.Mode + " takes " + What, command.Help};
  };
  if (command.Mode == "--help") {
    // `zuxml --help COMMAND` is `zuxml COMMAND --help`.
    arguments(0, 1, "at most one command");
    command.Help = argc == 3 ? FindCommand(argv[2]) : nullptr;  // none: every command
    if (argc == 3 && !command.Help) throw TUsageError{"unknown command " + std::string(argv[2])};
    command.ShowHelp = true;
    return command;
  }
  for (int i = 2; i < argc; ++i) command.ShowHelp |= argv[i] == std::string_view("--help");
  if (command.ShowHelp) return command;
  if (command.Mode == "classes" || command.Mode == "--version") {
    arguments(0, 0, "no arguments");
  } else if (command.Mode == "calc") {
    arguments(1, 1, "one expression");
    command.Source = argv[2];
  } else if (command.Mode == "translit") {
    arguments(2, 2, "--to-latin or --to-cyrillic and one text");
    command.Source = argv[2];
    command.Text = argv[3];
    if (command.Source != "--to-latin" && command.Source != "--to-cyrillic")
      throw TUsageError{"translit takes --to-latin or --to-cyrillic and one text", command.Help};
  } else {
    if (argc < 3) throw TUsageError{command.Mode + " takes a SOURCE", command.Help};
    command.Source = argv[2];
    ParseSourceArguments(command, argc, argv);
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

// An error met while reading an input, written as its line: the input's name, the line and column
// (from the reader, or counted from the byte offset in the input's bytes), the message with its
// line breaks folded, and the element path and byte where known.
struct TInputError {
  std::string Line;
};

std::string FoldLines(const std::string& Text) {
  std::string folded;
  bool breaking = false;
  for (const char c : Text) {
    if (c == '\r' || c == '\n') {
      breaking = true;
      continue;
    }
    if (breaking && !folded.empty()) folded += ' ';
    breaking = false;
    folded += c;
  }
  return folded;
}

std::string ErrorLine(const std::string& Input, const TMemoryStream* Bytes, const Exception& Error) {
  std::string line = "zuxml: " + Input;
  int64_t lineNumber = Error.Line(), column = Error.Column();
  const int64_t offset = Error.Offset();
  if (lineNumber <= 0 && Bytes && offset >= 0 && offset <= const_cast<TMemoryStream*>(Bytes)->Size()) {
    const char* begin = static_cast<const char*>(Bytes->Memory());
    const std::string_view before(begin, static_cast<size_t>(offset));
    lineNumber = 1 + static_cast<int64_t>(std::count(before.begin(), before.end(), '\n'));
    const size_t lineStart = before.rfind('\n');
    column = offset - (lineStart == std::string_view::npos ? 0 : static_cast<int64_t>(lineStart) + 1) + 1;
  }
  if (lineNumber > 0) line += ":" + IntToStr(lineNumber);
  if (lineNumber > 0 && column > 0) line += ":" + IntToStr(column);
  line += ": " + FoldLines(Error.Message());
  std::string where;
  if (!Error.Path().empty()) where = "at " + Error.Path();
  if (offset >= 0) where += (where.empty() ? "byte " : ", byte ") + IntToStr(offset);
  if (!where.empty()) line += " (" + where + ")";
  return line;
}

// The whole of the input Name ("-": standard input). A file that cannot be opened (a missing file,
// a directory) or read is an input error that says why.
void ReadInput(const std::string& Name, TMemoryStream& Stream) {
  const auto fail = [&](const char* What) {
    throw TInputError{"zuxml: " + Name + ": cannot " + What + ": " + std::strerror(errno)};
  };
  const bool standardInput = Name == "-";
  const int fd = standardInput ? STDIN_FILENO : ::open(Name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail("open");
  struct Closer {
    int Fd;
    bool Owned;
    ~Closer() {
      if (Owned) ::close(Fd);
    }
  } closer{fd, !standardInput};
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    fail("open");
  }
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail("read");
    Stream.WriteBuffer(buffer, static_cast<int32_t>(n));
  }
  Stream.SetPosition(0);
}

// Reads the input Name and hands its bytes to Parse; an error Parse raises is placed in the input.
template <class F>
void ParseInput(const std::string& Name, F&& Parse) {
  TMemoryStream input;
  ReadInput(Name, input);
  try {
    Parse(input);
  } catch (const Exception& e) {
    throw TInputError{ErrorLine(Name, &input, e)};
  }
}

// A SOURCE holding / or . is a path: class names hold neither.
bool IsPath(const std::string& Source) { return Source.find_first_of("/.") != std::string::npos; }

std::unique_ptr<TObject> CreateSource(const std::string& Source) {
  if (IsPath(Source)) {
    // A text-form file: converted to the binary form and read into a new instance of its class.
    std::unique_ptr<TObject> object;
    ParseInput(Source, [&](TMemoryStream& text) {
      TMemoryStream binary;
      ObjectTextToBinary(text, binary);
      binary.SetPosition(0);
      try {
        object.reset(ReadComponent(binary, nullptr));
      } catch (Exception& e) {
        e.SetOffset(-1);  // an offset into the binary form, which is no place in the file
        throw;
      }
    });
    return object;
  }
  const TClassInfo* cls = FindClass(Source);
  std::unique_ptr<TObject> object(cls->Create ? cls->Create(nullptr) : nullptr);
  if (!object) throw EInvalidOperation(Format("Cannot create an instance of %s", {cls->ClassName}));
  return object;
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
  if (Command.ShowHelp) {
    WriteText(Help(Command.Help));
    return 0;
  }
  // calc, translit, classes and --version write lines of text; the documents below are written
  // byte for byte.
  if (Command.Mode == "--version") {
    WriteText("zuxml " ZU_VERSION_STRING "\n");
    return 0;
  }
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
  if (Command.Mode == "read" || !Command.Document.empty())
    ParseInput(Command.Document.empty() ? "-" : Command.Document,
               [&](TMemoryStream& input) { serializer.DeSerialize(source.get(), input); });
  TMemoryStream output;
  if (Command.Mode == "dtd") {
    serializer.GenerateDTD(source.get(), output);
  } else if (Command.Mode == "text" || Command.AsText) {
    WriteTextForm(source.get(), output);
  } else {
    // What was read is written with the default options; only the header carries over.
    TzuXMLSerializer writer(nullptr);
    writer.SetOnGetXMLHeader(serializer.OnGetXMLHeader());
    (Command.Mode == "read" ? writer : serializer).Serialize(source.get(), output);
  }
  WriteStandardOutput(output);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  RegisterProjectClasses();
  try {
    return Run(ParseCommand(argc, argv));
  } catch (const TUsageError& e) {
    const std::string text = "zuxml: " + e.Message + "\n" + Usage(e.Command);
    std::fwrite(text.data(), 1, text.size(), stderr);
    return 2;
  } catch (const TInputError& e) {
    std::fprintf(stderr, "%s\n", e.Line.c_str());
    return 1;
  } catch (const Exception& e) {
    std::fprintf(stderr, "zuxml: %s\n", FoldLines(e.Message()).c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zuxml: %s\n", FoldLines(e.what()).c_str());
    return 1;
  }
}
