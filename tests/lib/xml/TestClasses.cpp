#include "tests/lib/xml/TestClasses.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace zu::xmltest {

ZU_PUBLISHED(TTestFont, "XmlTests") {
  p.property("Height", &TTestFont::FHeight);
  p.property("Name", &TTestFont::FName);
  p.property("Pitch", &TTestFont::FPitch).defaultValue(tpDefault);
  p.property("Style", &TTestFont::FStyle).defaultValue(TTestStyles{});
  p.property("Size", &TTestFont::FSize).stored(false);
}

ZU_PUBLISHED(TTestItem, "XmlTests") {
  p.property("Size", &TTestItem::FSize).defaultValue(0);
  p.property("Caption", &TTestItem::FCaption);
  p.property("Font", &TTestItem::Font, nullptr);
}

ZU_PUBLISHED(TRich, "XmlTests") {
  p.property("Int", &TRich::FInt).defaultValue(0);
  p.property("NoDefault", &TRich::FNoDefault);
  p.property("Char", &TRich::FChar);
  p.property("Enum", &TRich::FEnum).defaultValue(tpDefault);
  p.property("Float", &TRich::FFloat);
  p.property("Short", &TRich::FShort);
  p.property("Set", &TRich::FSet).defaultValue(TTestStyles{});
  p.property("WChar", &TRich::FWChar);
  p.property("LStr", &TRich::FLStr);
  p.property("WStr", &TRich::FWStr);
  p.property("Var", &TRich::FVar);
  p.property("Int64", &TRich::FInt64);
  p.property("Bool", &TRich::FBool).defaultValue(false);
  p.property("Byte", &TRich::FByte);
  p.property("OnChange", &TRich::FOnChange);
  p.property("Array", &TRich::Array, nullptr);
  p.property("Font", &TRich::Font, nullptr);
  p.property("Border", &TRich::Border, nullptr);
  p.property("Lines", &TRich::Lines, nullptr);
  p.property("TTestItems", &TRich::Items, nullptr);
  p.property("Others", &TRich::Others, nullptr);
  p.property("Link", &TRich::FLink);
  p.property("Count", &TRich::Count, nullptr);
}

ZU_PUBLISHED(TNode, "XmlTests") {
  p.property("Value", &TNode::FValue);
  p.property("Left", &TNode::FLeft);
  p.property("Right", &TNode::FRight);
}

ZU_PUBLISHED(TTreeItem, "XmlTests") {
  p.property("Value", &TTreeItem::FValue);
  p.property("Children", &TTreeItem::Children, nullptr);
}

ZU_PUBLISHED(TTree, "XmlTests") { p.property("Items", &TTree::Items, nullptr); }

ZU_PUBLISHED(TChain, "XmlTests") {
  p.property("Name", &TChain::FName);
  p.property("Value", &TChain::FValue);
  p.property("Child", &TChain::Child, nullptr);
}

ZU_PUBLISHED(TPlainItem, "XmlTests") { p.property("Size", &TPlainItem::FSize); }

ZU_PUBLISHED(TBag, "XmlTests") {
  p.property("Lines", &TBag::Lines, nullptr);
  p.property("Items", &TBag::Items, nullptr);
  p.property("Empty", &TBag::Empty, nullptr);
}

ZU_PUBLISHED(TNumbers, "XmlTests") {
  p.property("Double", &TNumbers::FDouble);
  p.property("Single", &TNumbers::FSingle);
  p.property("ShortInt", &TNumbers::FShortInt);
  p.property("Byte", &TNumbers::FByte);
  p.property("SmallInt", &TNumbers::FSmallInt);
  p.property("Word", &TNumbers::FWord);
  p.property("Integer", &TNumbers::FInteger);
  p.property("Cardinal", &TNumbers::FCardinal);
  p.property("Char", &TNumbers::FChar);
  p.property("WideChar", &TNumbers::FWideChar);
  p.property("Pitch", &TNumbers::FPitch);
  p.property("Style", &TNumbers::FStyle);
  p.property("Bool", &TNumbers::FBool);
  p.property("LongBool", &TNumbers::FLongBool);
}

TRich::TRich()
    : FItems(std::make_unique<TCollection>(TTestItem::StaticClass())),
      FOthers(std::make_unique<TCollection>(TTestItem::StaticClass())) {}

TTestItem* AddItem(TCollection* Collection, int32_t Size, const std::string& Caption) {
  auto* item = static_cast<TTestItem*>(Collection->Add());
  item->FSize = Size;
  item->FCaption = Caption;
  return item;
}

void Fill(TRich& Rich, bool SecondCollection) {
  Rich.FInt = -42;
  Rich.FNoDefault = 7;
  Rich.FChar = 'A';
  Rich.FEnum = tpFixed;
  Rich.FFloat = 1.0 / 3.0;
  Rich.FShort = "short one";
  Rich.FSet = TTestStyles{tsBold, tsUnderline};
  Rich.FWChar = u'\x416';
  Rich.FLStr = "a<b>c \"quoted\" 'x'";
  Rich.FWStr = u"\x416\x430 wide";
  Rich.FVar = Variant(std::string("variant > text"));
  Rich.FBool = true;
  Rich.FByte = 200;
  Rich.Font()->FHeight = 14;
  Rich.Font()->FName = "Serif";
  Rich.Font()->FPitch = tpVariable;
  Rich.Font()->FStyle = TTestStyles{tsItalic};
  Rich.Border()->FHeight = 9;
  Rich.Lines()->Add("one");
  Rich.Lines()->Add("two words");
  Rich.Lines()->Add("");
  Rich.Lines()->Add("say \"hi\", then go");
  AddItem(Rich.Items(), 1, "first");
  TTestItem* second = AddItem(Rich.Items(), 2, "");
  second->Font()->FHeight = 20;
  if (SecondCollection) AddItem(Rich.Others(), 3, "third");
}

std::string Write(TzuXMLSerializer& Serializer, TObject* Object) {
  TMemoryStream stream;
  Serializer.Serialize(Object, stream);
  return std::string(stream.Memory() ? stream.Memory() : "", static_cast<size_t>(stream.Size()));
}

void Read(TzuXMLSerializer& Serializer, TObject* Object, const std::string& Text) {
  TStringStream stream(Text);
  Serializer.DeSerialize(Object, stream);
}

std::string WriteDTD(TObject* Object) {
  TzuXMLSerializer serializer(nullptr);
  TStringStream stream;
  serializer.GenerateDTD(Object, stream);
  return stream.DataString();
}

std::string XmllintErrors(const std::vector<std::string>& Documents) {
  static int counter = 0;
  const std::string path =
      ::testing::TempDir() + "zu_xmllint_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
  std::string files;
  for (size_t i = 0; i < Documents.size(); ++i) {
    const std::string file = path + "_" + std::to_string(i) + ".xml";
    std::ofstream(file, std::ios::binary) << Documents[i];
    files += " " + file;
  }
  const int status = std::system(("xmllint --noout" + files + " 2>" + path + ".log").c_str());
  std::ostringstream log;
  log << std::ifstream(path + ".log").rdbuf();
  for (size_t i = 0; i < Documents.size(); ++i)
    std::remove((path + "_" + std::to_string(i) + ".xml").c_str());
  std::remove((path + ".log").c_str());
  if (status != 0 && log.str().empty()) ADD_FAILURE() << "xmllint could not be run (libxml2-utils)";
  return status == 0 ? std::string() : log.str() + " ";
}

std::string Lines(std::initializer_list<std::string> Lines) {
  std::string out;
  for (const std::string& line : Lines) {
    if (&line != Lines.begin()) out += "\r\n";
    out += line;
  }
  return out;
}

}  // namespace zu::xmltest
