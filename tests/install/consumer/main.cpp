// Publishing the properties of your own class, and writing and reading it as XML.
#include <cstdio>
#include <memory>
#include <string>

#include "lib/xml/zuXMLSerializer.h"

namespace shop {

ZU_ENUM(TCover, cvPaperback, cvHardcover)

class TBook : public zu::TPersistent {
  ZU_CLASS(TBook, zu::TPersistent)
 public:
  std::string FTitle;
  int32_t FPages = 0;
  TCover FCover = cvPaperback;
  zu::TStringList* Authors() const { return FAuthors.get(); }

 private:
  std::unique_ptr<zu::TStringList> FAuthors = std::make_unique<zu::TStringList>();
};

// The published properties, in document order; Authors is an owned object, read in place.
ZU_PUBLISHED(TBook, "Shop") {
  p.property("Title", &TBook::FTitle);
  p.property("Pages", &TBook::FPages);
  p.property("Cover", &TBook::FCover).defaultValue(cvPaperback);
  p.property("Authors", &TBook::Authors, nullptr);
}

}  // namespace shop

int main() {
  shop::TBook book;
  book.FTitle = "Objects <as> documents";
  book.FPages = 320;
  book.FCover = shop::cvHardcover;
  book.Authors()->SetCommaText("\"Ada Lovelace\",Babbage");

  zu::TzuXMLSerializer xml(nullptr);
  xml.SetReplaceReservedSymbols(true);
  zu::TMemoryStream stream;
  xml.Serialize(&book, stream);
  std::fwrite(stream.Memory(), 1, static_cast<size_t>(stream.Size()), stdout);

  shop::TBook copy;
  stream.SetPosition(0);
  try {
    xml.DeSerialize(&copy, stream);
  } catch (const zu::Exception& e) {
    std::fprintf(stderr, "%s at byte %lld: %s\n", e.ClassName(), static_cast<long long>(e.Offset()),
                 e.what());
    return 1;
  }
  const bool same = copy.FTitle == book.FTitle && copy.FPages == 320 && copy.FCover == shop::cvHardcover &&
                    copy.Authors()->CommaText() == book.Authors()->CommaText();
  return same ? 0 : 1;
}
