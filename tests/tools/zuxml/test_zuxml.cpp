#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

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

TEST(Zuxml, ReadingErrorsNameTheirClassMessageAndByte) {
  struct Case {
    std::string document;
    std::string err;
  } cases[] = {
      {"",
       "EXMLOpenTagNotFoundException: XMLSerializerException\r\n\r\nOpen tag not found: <TzuXMLSerializer>\n"
       "at byte 0\n"},
      {"<TzuXMLSerializer><Bogus>1</Bogus></TzuXMLSerializer>",
       "EXMLUncknownPropertyException: XMLSerializerException\r\n\r\nUncknown property: Bogus\nat byte 18\n"},
      {"  <TzuXMLSerializer><Tag>",
       "EXMLCloseTagNotFoundException: XMLSerializerException\r\n\r\n"
       "Close tag not found: </TzuXMLSerializer>\nat byte 2\n"},
      {"<TzuXMLSerializer><Tag>x</Tag></TzuXMLSerializer>",
       "EVariantTypeCastError: Could not convert variant of type (String) into type (Double)\nat byte 23\n"},
      {"<TzuXMLSerializer><StrongConformity>maybe</StrongConformity></TzuXMLSerializer>",
       "EPropertyConvertError: Invalid property element: maybe\nat byte 36\n"},
  };
  for (const Case& c : cases) {
    TResult r = Zuxml("read TzuXMLSerializer", c.document);
    EXPECT_EQ(r.Status, 1) << c.document;
    EXPECT_EQ(r.Err, c.err);
    EXPECT_EQ(r.Out, "");
  }
  TResult unknown = Zuxml("xml TNoSuchClass");
  EXPECT_EQ(unknown.Status, 1);
  EXPECT_EQ(unknown.Err, "EClassNotFound: Class TNoSuchClass not found\n");
}

TEST(Zuxml, UsageErrorsExitWithTwo) {
  for (const char* arguments :
       {"", "xml", "write TzuXMLSerializer", "xml TzuXMLSerializer --generateformattedxml=False",
        "xml TzuXMLSerializer --WrapCollections", "xml TzuXMLSerializer --WrapCollections=maybe",
        "xml TzuXMLSerializer --OnGetXMLHeader=x", "dtd TzuXMLSerializer --WrapCollections=False",
        "xml TzuXMLSerializer --decimal-separator=ab", "xml TzuXMLSerializer WrapCollections=False"}) {
    TResult r = Zuxml(arguments);
    EXPECT_EQ(r.Status, 2) << arguments;
    EXPECT_NE(r.Err.find("usage: zuxml"), std::string::npos) << arguments;
    EXPECT_EQ(r.Out, "");
  }
}

}  // namespace
