#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/classes/ClassRegistry.h"
#include "tools/ProjectClasses.h"

namespace {

struct TResult {
  int Status = -1;
  std::string Out;
  std::string Err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs zuxml with Arguments (shell words) and Input on standard input.
TResult Zuxml(const std::string& Arguments, const std::string& Input = {}) {
  // Per process: ctest runs the cases of this program side by side.
  const std::string base = ::testing::TempDir() + "zuxml_" + std::to_string(::getpid());
  const std::string in = base + "_in", out = base + "_out", err = base + "_err";
  std::ofstream(in, std::ios::binary) << Input;
  const std::string command =
      std::string(ZUXML_PROGRAM) + " " + Arguments + " <" + in + " >" + out + " 2>" + err;
  const int raw = std::system(command.c_str());
  TResult result;
  result.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.Out = Slurp(out);
  result.Err = Slurp(err);
  for (const std::string& path : {in, out, err}) std::remove(path.c_str());
  return result;
}

const std::string kOptions[] = {"GenerateFormattedXML",   "ExcludeEmptyValues", "ExcludeDefaultValues",
                                "ReplaceReservedSymbols", "StrongConformity",   "IgnoreUnknownTags",
                                "WrapCollections"};

// The document of a serializer whose Tag and options hold these texts, as a new one writes it.
std::string SerializerDocument(const std::string& Tag, const std::string (&Values)[7]) {
  std::string out = "\r\n<TzuXMLSerializer>\r\n\t<Tag>" + Tag + "</Tag>";
  for (int i = 0; i < 7; ++i) out += "\r\n\t<" + kOptions[i] + ">" + Values[i] + "</" + kOptions[i] + ">";
  return out + "\r\n</TzuXMLSerializer>";
}

const std::string kDefaults[7] = {"True", "False", "False", "False", "True", "False", "True"};

TEST(Zuxml, WritesTheDocumentAndTheDTDOfARegisteredClass) {
  TResult xml = Zuxml("xml TzuXMLSerializer");
  EXPECT_EQ(xml.Status, 0);
  EXPECT_EQ(xml.Out, SerializerDocument("0", kDefaults));
  EXPECT_EQ(xml.Err, "");

  TResult dtd = Zuxml("dtd TzuXMLSerializer");
  EXPECT_EQ(dtd.Status, 0);
  std::string expected;
  for (const char* name :
       {"Name", "Tag", "GenerateFormattedXML", "ExcludeEmptyValues", "ExcludeDefaultValues",
        "ReplaceReservedSymbols", "StrongConformity", "IgnoreUnknownTags", "WrapCollections"})
    expected += std::string("<!ELEMENT ") + name + " (#PCDATA)>\r\n";
  expected +=
      "<!ELEMENT TzuXMLSerializer (Name|Tag|GenerateFormattedXML|ExcludeEmptyValues|ExcludeDefaultValues|"
      "ReplaceReservedSymbols|StrongConformity|IgnoreUnknownTags|WrapCollections)>\r\n";
  EXPECT_EQ(dtd.Out, expected);

  // Class names are found without regard to case; framework classes are registered too.
  EXPECT_EQ(Zuxml("xml tstringlist --GenerateFormattedXML=False").Out, "<TStringList></TStringList>");
}

TEST(Zuxml, OptionsAndTheHeaderShapeTheDocument) {
  TResult r = Zuxml(
      "xml TzuXMLSerializer --GenerateFormattedXML=False --ExcludeDefaultValues=True "
      "'--header=<?xml version=\"1.0\"?>' --decimal-separator=,");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "<?xml version=\"1.0\"?><TzuXMLSerializer><ExcludeEmptyValues>False</ExcludeEmptyValues>"
            "<ExcludeDefaultValues>False</ExcludeDefaultValues><ReplaceReservedSymbols>False"
            "</ReplaceReservedSymbols><IgnoreUnknownTags>False</IgnoreUnknownTags></TzuXMLSerializer>");
}

TEST(Zuxml, ReadsADocumentAndWritesItBackWithTheDefaultOptions) {
  const std::string document =
      "<?xml?>\r\n<TzuXMLSerializer><Tag>5</Tag><WrapCollections>false</WrapCollections>"
      "<Bogus>1</Bogus></TzuXMLSerializer>";
  TResult r = Zuxml("read TzuXMLSerializer --IgnoreUnknownTags=True --GenerateFormattedXML=False", document);
  EXPECT_EQ(r.Status, 0) << r.Err;
  const std::string values[7] = {"True", "False", "False", "False", "True", "False", "False"};
  EXPECT_EQ(r.Out, SerializerDocument("5", values));
}

// The reader may name the element path; the rest of the line is fixed.
std::regex ErrorLinePattern(const std::string& Place, const std::string& Message, int Byte) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  const auto quote = [](const std::string& text) { return std::regex_replace(text, special, R"(\$&)"); };
  return std::regex("zuxml: " + quote(Place) + ": " + quote(Message) + R"( \((at /[^,]+, )?byte )" +
                    std::to_string(Byte) + "\\)\n");
}

TEST(Zuxml, AReadingErrorIsOneLineNamingTheInputLineColumnAndByte) {
  struct Case {
    std::string document, place, message;
    int byte;
  } cases[] = {
      {"", "1:1", "XMLSerializerException Open tag not found: <TzuXMLSerializer>", 0},
      {"<TzuXMLSerializer><Bogus>1</Bogus></TzuXMLSerializer>", "1:19",
       "XMLSerializerException Uncknown property: Bogus", 18},
      // Lines end in LF, CR LF or nothing; the column counts bytes from the line's start.
      {"<TzuXMLSerializer>\r\n\t<Tag>x</Tag>\n</TzuXMLSerializer>", "2:7",
       "Could not convert variant of type (String) into type (Double)", 26},
      {"<TzuXMLSerializer>\n\n<StrongConformity>maybe</StrongConformity></TzuXMLSerializer>", "3:19",
       "Invalid property element: maybe", 38},
  };
  const std::string path = ::testing::TempDir() + "zuxml_doc_" + std::to_string(::getpid()) + ".xml";
  for (const Case& c : cases) {
    // From standard input, absent or named -, and from a file named on the command line.
    std::ofstream(path, std::ios::binary) << c.document;
    for (const auto& [arguments, name] :
         {std::pair<std::string, std::string>{"", "-"}, {" -", "-"}, {" " + path, path}}) {
      TResult r = Zuxml("read TzuXMLSerializer" + arguments, arguments == " " + path ? "" : c.document);
      EXPECT_EQ(r.Status, 1) << c.document;
      EXPECT_TRUE(std::regex_match(r.Err, ErrorLinePattern(name + ":" + c.place, c.message, c.byte)))
          << r.Err;
      EXPECT_EQ(r.Out, "");
    }
  }
  std::remove(path.c_str());

  // Errors that are no reading errors are one line too.
  EXPECT_EQ(Zuxml("xml TNoSuchClass").Err, "zuxml: Class TNoSuchClass not found\n");
  TResult bad = Zuxml("calc '(1+2'");
  EXPECT_EQ(bad.Status, 1);
  EXPECT_EQ(bad.Err.rfind("zuxml: ", 0), 0u) << bad.Err;
  EXPECT_EQ(std::count(bad.Err.begin(), bad.Err.end(), '\n'), 1) << bad.Err;
}

TEST(Zuxml, AnInputThatCannotBeOpenedSaysWhy) {
  const std::string directory = ::testing::TempDir() + "zuxml_dir_" + std::to_string(::getpid());
  ASSERT_EQ(::mkdir(directory.c_str(), 0700), 0);
  const std::string missing = "./zuxml_no_such_file.dfm";
  for (const auto& [arguments, err] : std::vector<std::pair<std::string, std::string>>{
           {"xml " + missing, "zuxml: " + missing + ": cannot open: No such file or directory\n"},
           {"text " + directory, "zuxml: " + directory + ": cannot open: Is a directory\n"},
           {"read Tzu3DColors " + missing,
            "zuxml: " + missing + ": cannot open: No such file or directory\n"},
           {"text Tzu3DColors " + directory, "zuxml: " + directory + ": cannot open: Is a directory\n"},
       }) {
    TResult r = Zuxml(arguments, "<Tzu3DColors></Tzu3DColors>");
    EXPECT_EQ(r.Status, 1) << arguments;
    EXPECT_EQ(r.Err, err);
    EXPECT_EQ(r.Out, "");
  }
  ::rmdir(directory.c_str());
}

TEST(Zuxml, ReadAndTextTakeTheDocumentFromAFileOrStandardInput) {
  const std::string path = ::testing::TempDir() + "zuxml_in_" + std::to_string(::getpid()) + ".xml";
  std::ofstream(path, std::ios::binary) << "<Tzu3DColors><Tag>9</Tag></Tzu3DColors>";
  const std::string other = "<Tzu3DColors><Tag>5</Tag></Tzu3DColors>";
  struct Case {
    std::string arguments, expected;
  } cases[] = {
      // A named file is read and standard input left alone.
      {"read Tzu3DColors " + path + " --GenerateFormattedXML=False", "<Tag>9</Tag>"},
      {"read Tzu3DColors --as-text " + path, "Tag = 9"},
      {"text Tzu3DColors " + path, "Tag = 9"},
      {"read Tzu3DColors -", "<Tag>5</Tag>"},
      {"text Tzu3DColors -", "Tag = 5"},
      // Without a document, text writes the source as it is created.
      {"text Tzu3DColors", "object Tzu3DColors\r\nend"},
  };
  for (const Case& c : cases) {
    TResult r = Zuxml(c.arguments, other);
    EXPECT_EQ(r.Status, 0) << c.arguments << ": " << r.Err;
    EXPECT_NE(r.Out.find(c.expected), std::string::npos) << c.arguments << ": " << r.Out;
  }
  std::remove(path.c_str());
}

TEST(Zuxml, HelpGivesEveryCommandsArgumentsAndTheExitStatusesOrOneCommand) {
  TResult help = Zuxml("--help");
  EXPECT_EQ(help.Status, 0);
  for (const char* text : {"zuxml xml SOURCE [OPTIONS]", "zuxml dtd SOURCE", "zuxml read SOURCE [FILE|-]",
                           "zuxml text SOURCE [FILE|-]", "zuxml calc EXPRESSION", "zuxml translit --to-latin",
                           "zuxml classes", "zuxml --version", "COMMAND --help", "0 done",
                           "1 the input or the document failed", "2 a usage error"})
    EXPECT_NE(help.Out.find(text), std::string::npos) << text;
  for (const char* arguments : {"read --help", "--help read", "read TzuXMLSerializer x.xml --help"}) {
    TResult one = Zuxml(arguments);
    EXPECT_EQ(one.Status, 0) << arguments;
    EXPECT_NE(one.Out.find("zuxml read SOURCE [FILE|-] [OPTIONS] [--as-text]"), std::string::npos) << one.Out;
    EXPECT_NE(one.Out.find("Exit status"), std::string::npos) << one.Out;
    EXPECT_EQ(one.Out.find("zuxml calc"), std::string::npos) << one.Out;
    EXPECT_EQ(one.Err, "");
  }
}

TEST(Zuxml, UsageErrorsExitWithTwo) {
  for (const char* arguments :
       {"", "xml", "write TzuXMLSerializer", "--version now", "read TzuXMLSerializer a.xml b.xml",
        "text TzuXMLSerializer --Tag=1", "--help frob", "xml TzuXMLSerializer --generateformattedxml=False",
        "xml TzuXMLSerializer --WrapCollections", "xml TzuXMLSerializer --WrapCollections=maybe",
        "xml TzuXMLSerializer --OnGetXMLHeader=x", "dtd TzuXMLSerializer --WrapCollections=False",
        "xml TzuXMLSerializer --decimal-separator=ab", "xml TzuXMLSerializer WrapCollections=False",
        "classes TzuXMLSerializer"}) {
    TResult r = Zuxml(arguments);
    EXPECT_EQ(r.Status, 2) << arguments;
    EXPECT_EQ(r.Err.rfind("zuxml: ", 0), 0u) << r.Err;
    EXPECT_NE(r.Err.find("\nusage: zuxml"), std::string::npos) << arguments;
    EXPECT_EQ(r.Out, "");
  }
  // A command that does not exist is named as one, also where a command alone would be valid.
  for (const char* arguments : {"frob", "frob TzuXMLSerializer", "write TzuXMLSerializer"}) {
    const std::string command(arguments), name = command.substr(0, command.find(' '));
    EXPECT_EQ(Zuxml(arguments).Err.rfind("zuxml: unknown command " + name + "\n", 0), 0u) << arguments;
  }
  EXPECT_EQ(Zuxml("--version now").Err, "zuxml: --version takes no arguments\nusage: zuxml --version\n");
}

TEST(Zuxml, AnOptionValueOutsideItsPropertysRangeIsAUsageErrorNamingIt) {
  for (const char* value : {"99999999999", "2147483648", "-2147483649", "1e10", "-9.3e18", "1e300"}) {
    TResult r = Zuxml(std::string("xml TzuXMLSerializer --Tag=") + value);
    EXPECT_EQ(r.Status, 2) << value;
    EXPECT_EQ(r.Err.rfind(std::string("zuxml: --Tag=") + value + ": out of range", 0), 0u) << r.Err;
    EXPECT_EQ(r.Out, "");
  }
  // The bounds themselves fit; a fraction is truncated as when a document is read.
  for (const char* value : {"2147483647", "-2147483648", "2147483647.9", "-2147483648.9"}) {
    TResult r = Zuxml(std::string("xml TzuXMLSerializer --Tag=") + value);
    EXPECT_EQ(r.Status, 0) << value << r.Err;
    EXPECT_EQ(r.Err, "");
  }
}

TEST(Zuxml, ClassesListsTheRegistryWithUnitsSortedAndVersionAndHelpSayWhatItIs) {
  zu::RegisterProjectClasses();
  std::vector<std::string> expected;
  for (const zu::TClassInfo* cls : zu::RegisteredClasses())
    expected.push_back(cls->ClassName + " " + cls->UnitName);
  ASSERT_GT(expected.size(), 20u);

  TResult r = Zuxml("classes");
  EXPECT_EQ(r.Status, 0) << r.Err;
  ASSERT_FALSE(r.Out.empty());
  EXPECT_EQ(r.Out.back(), '\n');
  std::vector<std::string> lines;
  std::istringstream in(r.Out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  const auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end(), [&](const std::string& a, const std::string& b) {
    return lower(a) < lower(b);
  }));
  std::sort(expected.begin(), expected.end());
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, expected);
  for (const char* line : {"TzuXMLSerializer zuXMLSerializer", "TStringList Classes", "Tddd Unit1",
                           "TLabel StdCtrls", "Tzu3DColors zu3DCol"})
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;

  TResult version = Zuxml("--version");
  EXPECT_EQ(version.Status, 0);
  EXPECT_EQ(version.Out, std::string("zuxml ") + ZU_PROJECT_VERSION + "\n");
  TResult help = Zuxml("--help");
  EXPECT_EQ(help.Status, 0);
  EXPECT_NE(help.Out.find("zuxml classes"), std::string::npos);
  EXPECT_NE(help.Out.find("zuxml --version"), std::string::npos);
}

}  // namespace

namespace {

TEST(Zuxml, PropertyGroupsAndTheColourSchemeWriteInTheirOrderAndRoundTrip) {
  TResult colors = Zuxml("xml TzuLabelColors --GenerateFormattedXML=False");
  EXPECT_EQ(colors.Status, 0) << colors.Err;
  EXPECT_NE(colors.Out.find("<TzuLabelColors><Text>0</Text><TextDisabled>8421504</TextDisabled>"),
            std::string::npos)
      << colors.Out;
  EXPECT_NE(colors.Out.find(
                "<ColorShadowShift>60</ColorShadowShift><BackgroundActive>-2147483633</BackgroundActive>"
                "</TzuLabelColors>"),
            std::string::npos);

  TResult style = Zuxml("xml TzuListBoxItemStyle --GenerateFormattedXML=False");
  EXPECT_EQ(style.Status, 0) << style.Err;
  const size_t font = style.Out.find("<Font><Charset>"),
               bevel = style.Out.find("<Bevel><Inner>bvNone</Inner>"),
               gradient = style.Out.find("<Gradient><FromColor>8421504</FromColor>");
  EXPECT_NE(font, std::string::npos) << style.Out;
  EXPECT_LT(font, bevel);
  EXPECT_LT(bevel, gradient);

  TResult scheme = Zuxml("xml Tzu3DColors --GenerateFormattedXML=False");
  EXPECT_EQ(scheme.Out,
            "<Tzu3DColors><Tag>0</Tag><DkShadow>-2147483627</DkShadow><Highlight>-2147483628</Highlight>"
            "<Shadow>-2147483632</Shadow></Tzu3DColors>");

  // Changed values read back: each document goes through read and comes out as it went in.
  struct Case {
    const char* cls;
    std::string from, to;
  } cases[] = {
      {"TzuLabelColors", "<Text>0</Text>", "<Text>255</Text>"},
      {"TzuListBoxItemStyle", "<Inner>bvNone</Inner>", "<Inner>bvRaised</Inner>"},
      {"Tzu3DColors", "<Tag>0</Tag>", "<Tag>7</Tag>"},
  };
  for (const Case& c : cases) {
    std::string doc = Zuxml(std::string("xml ") + c.cls).Out;
    const size_t at = doc.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.cls;
    doc.replace(at, c.from.size(), c.to);
    TResult back = Zuxml(std::string("read ") + c.cls, doc);
    EXPECT_EQ(back.Status, 0) << back.Err;
    EXPECT_EQ(back.Out, doc) << c.cls;
  }
}

TEST(Zuxml, TextFormsCalculationAndTransliteration) {
  const std::string path = ::testing::TempDir() + "zuxml_form_" + std::to_string(::getpid()) + ".dfm";
  std::ofstream(path) << "object Scheme: Tzu3DColors\n  Tag = 4\n  Shadow = clRed\nend\n";
  TResult xml = Zuxml("xml " + path + " --GenerateFormattedXML=False");
  EXPECT_EQ(xml.Status, 0) << xml.Err;
  EXPECT_NE(xml.Out.find("<Tag>4</Tag>"), std::string::npos) << xml.Out;
  EXPECT_NE(xml.Out.find("<Shadow>255</Shadow>"), std::string::npos);
  TResult text = Zuxml("text " + path);
  EXPECT_EQ(text.Status, 0) << text.Err;
  EXPECT_NE(text.Out.find("object Scheme: Tzu3DColors"), std::string::npos) << text.Out;
  EXPECT_NE(text.Out.find("Tag = 4"), std::string::npos);
  TResult asText = Zuxml("read Tzu3DColors --as-text", "<Tzu3DColors><Tag>9</Tag></Tzu3DColors>");
  EXPECT_NE(asText.Out.find("Tag = 9"), std::string::npos) << asText.Out << asText.Err;
  std::remove(path.c_str());

  // The demonstration program's own form file.
  TResult form = Zuxml(std::string("xml ") + ZU_SOURCE_DIR + "/app/Unit1.dfm");
  EXPECT_EQ(form.Status, 0) << form.Err;
  EXPECT_EQ(form.Out.rfind("\r\n<Tddd>\r\n\t<Tag>0</Tag>\r\n\t<Left>295</Left>", 0), 0u)
      << form.Out.substr(0, 80);
  EXPECT_NE(form.Out.find("\t\t<Name>MS Sans Serif</Name>"), std::string::npos);

  EXPECT_EQ(Zuxml("calc '(1+2)*3/4'").Out, "2.25\n");
  EXPECT_EQ(Zuxml("translit --sideways x").Status, 2);
}

TEST(Zuxml, TransliterationPassesWhatItHasNoRuleForThroughUnchanged) {
  struct Case {
    const char* direction;
    std::string text, out;
  } cases[] = {
      {"--to-latin", "\xD0\x9C\xD0\xB8\xD1\x80", "Mir"},
      {"--to-cyrillic", "Mir", "\xD0\x9C\xD0\xB8\xD1\x80"},
      // Outside code page 1251: CJK, an emoji, a Latin letter with a diaeresis, a Greek letter; the
      // letters around them keep their rules, and a letter group is not formed across them.
      {"--to-latin", "\xD0\xA9\xD1\x83\xD0\xBA\xD0\xB0 \xE6\x97\xA5\xF0\x9F\x98\x80 \xC3\xBC\xCE\xB1",
       "Shchuka \xE6\x97\xA5\xF0\x9F\x98\x80 \xC3\xBC\xCE\xB1"},
      {"--to-cyrillic", "s\xE6\x97\xA5h Kharkov \xE2\x82\xAC",
       "\xD1\x81\xE6\x97\xA5\xD1\x85 \xD0\xA5\xD0\xB0\xD1\x80\xD0\xBA\xD0\xBE\xD0\xB2 \xE2\x82\xAC"},
      // Characters of the code page without a rule (Yo, digits, the euro sign, Q W X) and malformed
      // bytes stay.
      {"--to-latin", "\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0 42 \xFF\xC2\xD0\xB4",
       "\xD0\x81lka 42 \xFF\xC2"
       "d"},
      {"--to-cyrillic", "QWX?", "QWX?"},
  };
  for (const Case& c : cases) {
    TResult r = Zuxml(std::string("translit ") + c.direction + " '" + c.text + "'");
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, c.out + "\n") << c.text;
  }
}

}  // namespace
