#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/windows/WindowHost.h"
#include "platform/windows/Windows.h"

namespace zu::win {
namespace {

// Removes the windows a test entered.
class WindowTable : public ::testing::Test {
 protected:
  HWND Add(const std::string& cls, const std::string& name, HWND parent = nullptr) {
    HWND w = RegisterWindow(cls, name, parent);
    if (!parent) FMade.push_back(w);
    return w;
  }
  void TearDown() override {
    for (HWND w : FMade) UnregisterWindow(w);
  }

 private:
  std::vector<HWND> FMade;
};

TEST_F(WindowTable, FindWindowMatchesNamesWithoutCaseAndTakesNullAsAny) {
  HWND form = Add("TForm1", "Main window");
  HWND other = Add("TForm2", "");
  Add("Child", "Main window", form);

  struct Case {
    LPCSTR cls, name;
    HWND expected;
  } cases[] = {
      {"TForm1", "Main window", form}, {"tform1", "MAIN WINDOW", form}, {nullptr, "Main window", form},
      {"TForm2", nullptr, other},      {"TForm2", "", other},           {"TForm1", "", nullptr},
      {"", "Main window", nullptr},    {"Child", nullptr, nullptr},     {"TForm1", "Main", nullptr},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FindWindowA(c.cls, c.name), c.expected)
        << (c.cls ? c.cls : "(null)") << " / " << (c.name ? c.name : "(null)");
}

TEST_F(WindowTable, TheTopmostMatchWinsAndBringWindowToTopReordersAndRaises) {
  struct Host : TWindowHost {
    std::vector<HWND> Raised;
    int MessageBox(HWND, const std::string&, const std::string&, UINT) override { return 0; }
    void RaiseWindow(HWND w) override { Raised.push_back(w); }
    void KeyEvent(BYTE, bool) override {}
  } host;
  TWindowHost* previous = SetWindowHost(&host);
  HWND first = Add("TForm", "Twin");
  HWND second = Add("TForm", "Twin");
  EXPECT_EQ(FindWindowA("TForm", "Twin"), second);
  EXPECT_TRUE(BringWindowToTop(first));
  EXPECT_EQ(FindWindowA("TForm", "Twin"), first);
  EXPECT_EQ(host.Raised, std::vector<HWND>{first});
  EXPECT_FALSE(BringWindowToTop(nullptr));
  SetWindowHost(previous);
}

TEST_F(WindowTable, TextClassAndParentOfAWindowAndOfAGoneOne) {
  HWND form = Add("TForm1", "Caption");
  HWND child = Add("TEdit", "Edit1", form);
  char buffer[8];
  EXPECT_EQ(GetWindowTextA(form, buffer, sizeof buffer), 7);
  EXPECT_STREQ(buffer, "Caption");
  EXPECT_EQ(GetClassNameA(child, buffer, 4), 3) << "cut to the buffer, terminated";
  EXPECT_STREQ(buffer, "TEd");
  EXPECT_EQ(GetParent(child), form);
  EXPECT_TRUE(SetWindowTextA(form, nullptr));
  EXPECT_EQ(FindWindowA("TForm1", ""), form);

  UnregisterWindow(form);
  EXPECT_FALSE(IsWindow(form));
  EXPECT_FALSE(IsWindow(child)) << "children go with their parent";
  EXPECT_EQ(GetWindowTextA(form, buffer, sizeof buffer), 0);
  EXPECT_FALSE(SetWindowTextA(child, "x"));
}

TEST(Resources, FoundByNameOrIdInAnyCaseAndTheLaterOneHidesTheEarlier) {
  static const char first[] = "first";
  static const char second[] = "second!";
  static const char numbered[] = "42";
  RegisterResource({RT_RCDATA_ID, "Greeting", first, 5});
  RegisterResource({RT_RCDATA_ID, "#7", numbered, 2});
  HRSRC r = FindResourceA(nullptr, "GREETING", RT_RCDATA);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(SizeofResource(nullptr, r), 5u);
  EXPECT_EQ(LockResource(LoadResource(nullptr, r)), first);

  RegisterResource({RT_RCDATA_ID, "greeting", second, 7});
  r = FindResourceA(GetModuleHandleA(nullptr), "Greeting", RT_RCDATA);
  EXPECT_EQ(LockResource(LoadResource(nullptr, r)), second);
  EXPECT_EQ(LockResource(LoadResource(nullptr, FindResourceA(nullptr, MAKEINTRESOURCEA(7), RT_RCDATA))),
            numbered);
  EXPECT_EQ(LockResource(LoadResource(nullptr, FindResourceA(nullptr, "#7", "#10"))), numbered);

  EXPECT_EQ(FindResourceA(nullptr, "Greeting", MAKEINTRESOURCEA(3)), nullptr) << "another type";
  EXPECT_EQ(FindResourceA(nullptr, "Missing", RT_RCDATA), nullptr);
  EXPECT_EQ(FindResourceA(reinterpret_cast<HMODULE>(8), "Greeting", RT_RCDATA), nullptr) << "another module";
  EXPECT_EQ(LockResource(nullptr), nullptr);
  EXPECT_EQ(GetModuleHandleA("other.dll"), nullptr);

  UnregisterResource(RT_RCDATA_ID, "Greeting");
  UnregisterResource(RT_RCDATA_ID, MAKEINTRESOURCEA(7));
  EXPECT_EQ(FindResourceA(nullptr, "Greeting", RT_RCDATA), nullptr);
  EXPECT_EQ(FindResourceA(nullptr, "#7", RT_RCDATA), nullptr);
}

TEST(Keyboard, KeyEventsSetTheKeyStateAndReachTheHost) {
  struct Host : TWindowHost {
    std::vector<std::pair<BYTE, bool>> Keys;
    int MessageBox(HWND, const std::string&, const std::string&, UINT) override { return 0; }
    void RaiseWindow(HWND) override {}
    void KeyEvent(BYTE vk, bool down) override { Keys.emplace_back(vk, down); }
  } host;
  TWindowHost* previous = SetWindowHost(&host);
  keybd_event(VK_SHIFT, 0, 0, 0);
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  keybd_event('A', 0, 0, 0);
  keybd_event('A', 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
  EXPECT_EQ(GetKeyState(VK_SHIFT), 0);
  EXPECT_EQ(GetKeyState('A'), 0);
  EXPECT_EQ(host.Keys, (std::vector<std::pair<BYTE, bool>>{
                           {VK_SHIFT, true}, {'A', true}, {'A', false}, {VK_SHIFT, false}}));
  SetWindowHost(previous);
}

TEST(Keyboard, CharactersAndKeysOfTheUSLayoutMapBothWays) {
  struct Case {
    char c;
    BYTE vk;
    bool shift;
  } cases[] = {
      {'a', 'A', false},     {'Z', 'Z', true},         {'7', '7', false},           {'&', '7', true},
      {')', '0', true},      {' ', VK_SPACE, false},   {'.', VK_OEM_PERIOD, false}, {'?', VK_OEM_2, true},
      {'"', VK_OEM_7, true}, {'\r', VK_RETURN, false}, {'\b', VK_BACK, false}};
  for (const auto& c : cases) {
    BYTE vk = 0;
    bool shift = !c.shift;
    ASSERT_TRUE(VirtualKeyFromChar(c.c, &vk, &shift)) << c.c;
    EXPECT_EQ(vk, c.vk) << c.c;
    EXPECT_EQ(shift, c.shift) << c.c;
    EXPECT_EQ(CharFromVirtualKey(vk, shift), c.c) << c.c;
  }
  EXPECT_FALSE(VirtualKeyFromChar('\xE9', nullptr, nullptr));
  EXPECT_FALSE(VirtualKeyFromChar('\x01', nullptr, nullptr));
  EXPECT_EQ(CharFromVirtualKey(VK_LEFT, false), 0);
}

TEST(MessageBox, WithoutAWindowLayerTheTextGoesToStandardErrorAndTheDefaultButtonIsChosen) {
  TWindowHost* previous = SetWindowHost(nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, "Disk full", nullptr, MB_OK | MB_ICONSTOP), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "Save?", "Editor", MB_YESNO), IDYES);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Disk full\nEditor: Save?\n");
  SetWindowHost(previous);
}

// A wave image of `samples` 8-bit mono samples at 8000 Hz.
std::string Wave(int samples) {
  auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  auto le16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
  std::string fmt = "fmt " + le32(16) + le16(1) + le16(1) + le32(8000) + le32(8000) + le16(1) + le16(8);
  std::string data = "data" + le32(uint32_t(samples)) + std::string(size_t(samples), char(128));
  return "RIFF" + le32(uint32_t(4 + fmt.size() + data.size())) + "WAVE" + fmt + data;
}

TEST(Sound, PlaysAWaveImageFromMemoryAndRefusesOtherBytes) {
  // The dummy driver stands for a sound card.
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  std::string wave = Wave(80);
  EXPECT_TRUE(sndPlaySoundA(wave.data(), SND_MEMORY | SND_SYNC));
  EXPECT_TRUE(sndPlaySoundA(wave.data(), SND_MEMORY | SND_ASYNC));
  EXPECT_TRUE(sndPlaySoundA(nullptr, 0)) << "stops the sound";
  std::string broken = wave;
  std::memcpy(broken.data() + 8, "JUNK", 4);
  EXPECT_FALSE(sndPlaySoundA(broken.data(), SND_MEMORY));
  EXPECT_FALSE(sndPlaySoundA("/nonexistent/sound.wav", SND_SYNC));
}

}  // namespace
}  // namespace zu::win
