#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "lib/types/zuTypes.h"
#include "lib/utils/zuUtils.h"
#include "platform/classes/Classes.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Surface.h"

namespace zu {
namespace {

ZU_ENUM(TTestMood, tmCalm, tmBusy, tmGone)
ZU_SET(TTestMoods, TTestMood)

class TTestPen : public TPersistent {
  ZU_CLASS(TTestPen, TPersistent)
 public:
  int32_t FWidth = 1;
  TTestMoods FMoods;
};
ZU_PUBLISHED(TTestPen, "Tests") {
  p.property("Width", &TTestPen::FWidth).defaultValue(1);
  p.property("Moods", &TTestPen::FMoods).defaultValue(TTestMoods{});
}

class TTestEntry : public TCollectionItem {
  ZU_CLASS(TTestEntry, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  std::string FTitle;
};
ZU_PUBLISHED(TTestEntry, "Tests") { p.property("Title", &TTestEntry::FTitle); }

class TTestPart : public TComponent {
  ZU_CLASS(TTestPart, TComponent)
 public:
  using TComponent::TComponent;
  double FRatio = 0;
};
ZU_PUBLISHED(TTestPart, "Tests") { p.property("Ratio", &TTestPart::FRatio); }

// Every kind of published property that streams, with a nested object, a string list, a
// collection, an event, a reference and an owned child.
class TTestWidget : public TComponent {
  ZU_CLASS(TTestWidget, TComponent)
 public:
  explicit TTestWidget(TComponent* AOwner)
      : TComponent(AOwner),
        FPen(std::make_unique<TTestPen>()),
        FLines(std::make_unique<TStringList>()),
        FEntries(std::make_unique<TOwnedCollection>(this, TTestEntry::StaticClass())) {}
  int32_t FLeft = 0;
  uint8_t FByte = 0;
  int64_t FBig = 0;
  char FChar = 0;
  char16_t FWChar = 0;
  TTestMood FMood = tmCalm;
  TTestMoods FMoods;
  bool FEnabled = true;
  double FScale = 0;
  float FSingle = 0;
  ShortString<8> FCode;
  std::string FCaption;
  std::u16string FHint;
  Variant FData;
  std::unique_ptr<TTestPen> FPen;
  std::unique_ptr<TStringList> FLines;
  std::unique_ptr<TOwnedCollection> FEntries;
  TNotifyEvent FOnClick;
  TComponent* FFocus = nullptr;
  TTestPart* Part1 = nullptr;
  TObject* ClickedBy = nullptr;
  void WidgetClick(TObject* Sender) { ClickedBy = Sender; }
};
ZU_PUBLISHED(TTestWidget, "Tests") {
  p.property("Left", &TTestWidget::FLeft);
  p.property("Byte", &TTestWidget::FByte).defaultValue(0);
  p.property("Big", &TTestWidget::FBig);
  p.property("Char", &TTestWidget::FChar).defaultValue(0);
  p.property("WChar", &TTestWidget::FWChar).defaultValue(0);
  p.property("Mood", &TTestWidget::FMood).defaultValue(tmCalm);
  p.property("Moods", &TTestWidget::FMoods).defaultValue(TTestMoods{});
  p.property("Enabled", &TTestWidget::FEnabled).defaultValue(true);
  p.property("Scale", &TTestWidget::FScale);
  p.property("Single", &TTestWidget::FSingle);
  p.property("Code", &TTestWidget::FCode);
  p.property("Caption", &TTestWidget::FCaption);
  p.property("Hint", &TTestWidget::FHint);
  p.property("Data", &TTestWidget::FData);
  p.property("Pen", &TTestWidget::FPen, nullptr);
  p.property("Lines", &TTestWidget::FLines, nullptr);
  p.property("Entries", &TTestWidget::FEntries, nullptr);
  p.property("OnClick", &TTestWidget::FOnClick);
  p.property("Focus", &TTestWidget::FFocus);
  p.method("WidgetClick", &TTestWidget::WidgetClick);
  p.field("Part1", &TTestWidget::Part1);
}

std::unique_ptr<TTestWidget> MakeWidget() {
  RegisterClasses({TTestWidget::StaticClass(), TTestPart::StaticClass()});
  auto w = std::make_unique<TTestWidget>(nullptr);
  w->SetName("Widget1");
  w->SetTag(-3);
  w->FLeft = -100000;
  w->FByte = 200;
  w->FBig = 1ll << 40;
  w->FChar = 'q';
  w->FWChar = u'\x44F';
  w->FMood = tmGone;
  w->FMoods = TTestMoods{tmCalm, tmGone};
  w->FEnabled = false;
  w->FScale = 1.0 / 3.0;
  w->FSingle = 0.25f;
  w->FCode = "A'B";
  w->FCaption = std::string("line\r\nbreak \"quoted\" ") + std::string(80, '*') + " \xE2\x82\xAC";
  w->FHint = u"\x41F\x440\x438\x432\x435\x442";
  w->FData = Variant(int64_t{12});
  w->FPen->FWidth = 3;
  w->FPen->FMoods = TTestMoods{tmBusy};
  w->FLines->SetText("alpha\r\n\r\n  beta, gamma\r\n");
  static_cast<TTestEntry*>(w->FEntries->Add())->FTitle = "first";
  static_cast<TTestEntry*>(w->FEntries->Add())->FTitle = "second";
  TMethod click;
  click.Data = w.get();
  click.Method = TTestWidget::StaticClass()->FindMethod("WidgetClick");
  SetMethodProp(w.get(), GetPropInfo(TTestWidget::StaticClass(), "OnClick"), click);
  auto* part = new TTestPart(w.get());
  part->SetName("Part1");
  part->FRatio = 2.5;
  w->FFocus = part;
  return w;
}

// Every published property of b reads as a's, through nested objects, lists and collections.
void ExpectSameProperties(const TObject* a, const TObject* b, const std::string& path) {
  ASSERT_EQ(a->ClassType(), b->ClassType()) << path;
  for (PPropInfo p : a->ClassType()->PropList()) {
    if (!p) continue;
    std::string where = path + "." + p->Name;
    if (p->Kind() == tkMethod) continue;  // compared by calling them
    if (p->Kind() != tkClass) {
      EXPECT_EQ(GetPropText(b, p), GetPropText(a, p)) << where;
      continue;
    }
    TObject* va = GetObjectProp(a, p);
    TObject* vb = GetObjectProp(b, p);
    ASSERT_EQ(va == nullptr, vb == nullptr) << where;
    if (!va) continue;
    if (auto* ca = dynamic_cast<TComponent*>(va)) {
      EXPECT_EQ(dynamic_cast<TComponent*>(vb)->Name(), ca->Name()) << where;
    } else if (auto* sa = dynamic_cast<TStrings*>(va)) {
      EXPECT_EQ(dynamic_cast<TStrings*>(vb)->Text(), sa->Text()) << where;
    } else if (auto* la = dynamic_cast<TCollection*>(va)) {
      auto* lb = dynamic_cast<TCollection*>(vb);
      ASSERT_EQ(lb->Count(), la->Count()) << where;
      for (int i = 0; i < la->Count(); ++i) ExpectSameProperties(la->Items(i), lb->Items(i), where);
    } else {
      ExpectSameProperties(va, vb, where);
    }
  }
}

TEST(ComponentText, StringToComponentRestoresWhatComponentToStringWrote) {
  auto source = MakeWidget();
  std::string text = ComponentToString(source.get());
  ASSERT_TRUE(text.starts_with("object Widget1: TTestWidget\r\n")) << text;
  ASSERT_TRUE(text.ends_with("end\r\n")) << text;

  TTestWidget copy(nullptr);
  StringToComponent(&copy, text);
  ExpectSameProperties(source.get(), &copy, "Widget1");
  EXPECT_EQ(copy.FCaption, source->FCaption);
  EXPECT_EQ(copy.FHint, source->FHint);
  EXPECT_EQ(copy.FLines->Count(), 3);
  ASSERT_NE(copy.Part1, nullptr) << "the owned child is read and its field set";
  EXPECT_EQ(copy.Part1->Owner(), &copy);
  EXPECT_EQ(copy.Part1->FRatio, 2.5);
  EXPECT_EQ(copy.FFocus, copy.Part1);
  copy.FOnClick(copy.Part1);
  EXPECT_EQ(copy.ClickedBy, copy.Part1) << "the event calls the copy's own WidgetClick";
  EXPECT_EQ(ComponentToString(&copy), text);
}

TEST(ComponentText, TextFilesRoundTripAndFailuresReachTheCaller) {
  auto dir = std::filesystem::temp_directory_path() / ("zu_system_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string file = (dir / "widget.txt").string();

  auto source = MakeWidget();
  { std::ofstream(file) << "old content that is longer than nothing at all, and then some more of it"; }
  SaveComponentToTextFile(source.get(), file);
  std::ifstream in(file, std::ios::binary);
  std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(saved, ComponentToString(source.get())) << "the file is replaced, not overwritten in part";

  TTestWidget copy(nullptr);
  LoadComponentFromTextFile(&copy, file);
  ExpectSameProperties(source.get(), &copy, "Widget1");

  EXPECT_THROW(LoadComponentFromTextFile(&copy, (dir / "missing.txt").string()), EFOpenError);
  EXPECT_THROW(SaveComponentToTextFile(source.get(), (dir / "no" / "such" / "dir.txt").string()),
               EFCreateError);
  { std::ofstream(file) << "object W: TTestWidget\n  Left = 1\n  Caption = 'open\nend\n"; }
  try {
    LoadComponentFromTextFile(&copy, file);
    ADD_FAILURE() << "malformed text read";
  } catch (const EParserError& e) {
    EXPECT_STREQ(e.what(), "Unterminated string on line 3");
  }
  EXPECT_THROW(StringToComponent(&copy, "object W: TTestWidget\n  Unknown = 1\nend\n"), EReadError);
  EXPECT_THROW(StringToComponent(&copy, "object W: TTestWidget\n  object P: TNoSuchPart\n  end\nend\n"),
               EClassNotFound);
  std::filesystem::remove_all(dir);
}

TEST(SystemQueries, FileTypeGoesByTheLastExtensionInAnyCase) {
  const struct {
    const char* name;
    TzuFileType type;
  } cases[] = {
      {"PICTURE.JPG", fftJpeg},
      {"photo.jpeg", fftJpeg},
      {"a.Gif", fftGif},
      {"b.bmp", fftBmp},
      {"image.png", fftUndefined},
      {"noextension", fftUndefined},
      {"", fftUndefined},
      {"archive.gif.zip", fftUndefined},
      {"archive.zip.gif", fftGif},
      {"dir.jpg/file", fftUndefined},
      {"C:\\dir.bmp\\file", fftUndefined},
      {".bmp", fftBmp},
      {"x.jpg ", fftUndefined},
  };
  for (const auto& c : cases) EXPECT_EQ(GetFileType(c.name), c.type) << c.name;
}

TEST(SystemQueries, IniFileNameReplacesTheProgramsExtension) {
  const struct {
    const char* exe;
    const char* ini;
  } cases[] = {
      {"C:\\Apps\\Tool.exe", "C:\\Apps\\Tool.ini"},
      {"/usr/bin/tool", "/usr/bin/tool.ini"},
      {"/opt/app.d/tool", "/opt/app.d/tool.ini"},
      {"/opt/tool.tar.gz", "/opt/tool.tar.ini"},
      {"C:tool", "C:tool.ini"},
      {"D:.\\x", "D:.\\x.ini"},
      {"", ".ini"},
  };
  for (const auto& c : cases) EXPECT_EQ(CreateIniFileName(c.exe), c.ini) << c.exe;

  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(CreateIniFileName(), exe.replace_extension(".ini").string());
}

std::string CommandOutput(const char* command) {
  std::string out;
  if (FILE* f = popen(command, "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, f)) out += buf;
    pclose(f);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

TEST(SystemQueries, UserAndComputerNameComeFromTheSystem) {
  std::string user = CommandOutput("id -un 2>/dev/null");
  ASSERT_FALSE(user.empty());
  EXPECT_EQ(UserName(), user);
  std::ifstream host("/proc/sys/kernel/hostname");
  std::string hostname;
  std::getline(host, hostname);
  ASSERT_FALSE(hostname.empty());
  EXPECT_EQ(ComputerName(), hostname);
}

TEST(SystemQueries, ScreenFontSizeAndColourDepthComeFromTheScreenCaps) {
  EXPECT_TRUE(IsSmallFonts()) << "the screen starts at 96 pixels per inch";
  EXPECT_EQ(SystemColorDepth(), 32);
  win::SetScreenDeviceCaps(win::LOGPIXELSX, 120);
  win::SetScreenDeviceCaps(win::BITSPIXEL, 8);
  win::SetScreenDeviceCaps(win::PLANES, 2);
  EXPECT_FALSE(IsSmallFonts());
  EXPECT_EQ(SystemColorDepth(), 8) << "planes are not multiplied in";
  win::SetScreenDeviceCaps(win::LOGPIXELSX, 96);
  win::SetScreenDeviceCaps(win::BITSPIXEL, 32);
  win::SetScreenDeviceCaps(win::PLANES, 1);
  EXPECT_TRUE(IsSmallFonts());
}

}  // namespace
}  // namespace zu
