#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/Unit1.h"
#include "platform/forms/HeadlessBackend.h"

using namespace zu;
namespace fs = std::filesystem;

namespace {

// A fresh directory for each test, removed afterwards.
class ReplaceFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "zu-app-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Dir = pattern;
  }
  void TearDown() override {
    fs::permissions(Dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(Dir);
  }
  static void Write(const std::string& text, const std::string& path) {
    TMemoryStream stream;
    stream.Write(text.data(), static_cast<int32_t>(text.size()));
    ReplaceFile(stream, path);
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static mode_t Mode(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(Dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path Dir;
};

TEST_F(ReplaceFileTest, ANewFileGetsTheUsualBitsAndAReplacedOneKeepsItsOwn) {
  const fs::path out = Dir / "x.txt";
  mode_t mask = umask(022);
  Write("first", out);
  EXPECT_EQ(Mode(out), 0644u);
  for (mode_t mode : {0600u, 0640u, 0444u, 0755u}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(chmod(out.c_str(), mode), 0);
    Write("text " + std::to_string(mode), out);
    EXPECT_EQ(Mode(out), mode);
    EXPECT_EQ(Read(out), "text " + std::to_string(mode));
  }
  umask(mask);
  EXPECT_EQ(Names(), std::vector<std::string>{"x.txt"});
}

TEST_F(ReplaceFileTest, ASymbolicLinkIsWrittenThroughAndStaysALink) {
  fs::create_directory(Dir / "real");
  const fs::path target = Dir / "real" / "doc.xml";
  const fs::path link = Dir / "x.txt";
  { std::ofstream(target) << "old"; }
  ASSERT_EQ(chmod(target.c_str(), 0600), 0);
  fs::create_symlink("real/doc.xml", link);  // relative to the link's directory
  Write("new", link);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Read(target), "new");
  EXPECT_EQ(Mode(target), 0600u);
  // A chain of links, the last one dangling: the file it names is made.
  fs::remove(link);
  fs::create_symlink(Dir / "hop", link);
  fs::create_symlink(Dir / "real" / "made.xml", Dir / "hop");
  Write("made", link);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Read(Dir / "real" / "made.xml"), "made");
  EXPECT_EQ(Names(), (std::vector<std::string>{"hop", "real", "x.txt"}));
  // A loop of links is an error, not a hang.
  fs::remove(link);
  fs::create_symlink(Dir / "x.txt", link);
  EXPECT_THROW(Write("loop", link), EFCreateError);
}

TEST_F(ReplaceFileTest, AnUnwritableDirectoryLeavesTheFileAsItWas) {
  const fs::path out = Dir / "x.txt";
  Write("kept", out);
  fs::permissions(Dir, fs::perms::owner_read | fs::perms::owner_exec);
  if (access(Dir.c_str(), W_OK) == 0) GTEST_SKIP() << "the directory stays writable (run as root)";
  EXPECT_THROW(Write("lost", out), EFCreateError);
  EXPECT_EQ(Read(out), "kept");
  EXPECT_EQ(Names(), std::vector<std::string>{"x.txt"});
}

// Children write a large document over and over and are killed at random moments: what is left is
// x.txt, whole, or nothing. No call links a file over an existing name, so a writer killed in the
// moment between naming its new file and renaming it over x.txt leaves that side name, and the next
// write removes it.
TEST_F(ReplaceFileTest, AKilledWriteLeavesOnlyTheWholeFileOrNothing) {
  const fs::path out = Dir / "x.txt";
  const std::string a(4 << 20, 'a'), b(3 << 20, 'b');
  unsigned seed = 12345;
  for (int round = 0; round < 30; ++round) {
    SCOPED_TRACE(round);
    if (round == 15) fs::remove(out);  // also kills while the first file is being made
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) Write(i % 2 ? a : b, out.string());
    }
    std::this_thread::sleep_for(std::chrono::microseconds(rand_r(&seed) % 30000));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    auto names = Names();
    const std::string side = "x.txt." + std::to_string(child) + "-0.tmp";
    const std::vector<std::string> whole = {"x.txt"}, sideLeft = {"x.txt", side};
    EXPECT_TRUE(names.empty() || names == whole || names == sideLeft)
        << ::testing::PrintToString(names);
    if (fs::exists(out)) {
      std::string text = Read(out);
      EXPECT_TRUE(text == a || text == b) << "a part of a document, " << text.size() << " bytes";
    }
  }
  Write("last", out.string());
  EXPECT_EQ(Names(), std::vector<std::string>{"x.txt"});
}

// Side names of writers that no longer run go with the next write; a running writer's, and names
// that only look alike, stay.
TEST_F(ReplaceFileTest, TheNextWriteRemovesTheSideNamesOfKilledWriters) {
  pid_t ended = fork();
  ASSERT_GE(ended, 0);
  if (ended == 0) _exit(0);
  ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
  const std::string running = std::to_string(getppid());
  const std::string gone = std::to_string(ended);
  const std::vector<std::string> kept = {
      "x.txt." + running + "-0.tmp", "x.txt.backup.tmp", "x.txt." + gone + ".tmp", "y.txt." + gone + "-0.tmp",
      "x.txt." + gone + "-0.tmp.old"};
  for (const auto& name : kept) Write("other", (Dir / name).string());
  Write("left", (Dir / ("x.txt." + gone + "-0.tmp")).string());
  Write("left", (Dir / ("x.txt." + gone + "-17.tmp")).string());
  Write("new", (Dir / "x.txt").string());
  std::vector<std::string> expected = kept;
  expected.push_back("x.txt");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(), expected);
}

// The demonstration's form on the headless backend, writing to a home directory of its own.
class DemoTest : public ReplaceFileTest {
 protected:
  void SetUp() override {
    ReplaceFileTest::SetUp();
    const char* home = std::getenv("HOME");
    if (home) OldHome = home;
    setenv("HOME", Dir.c_str(), 1);
    auto backend = std::make_unique<THeadlessBackend>();
    Backend = backend.get();
    Application->SetBackend(std::move(backend));
    Application->CreateForm(ddd);
    Application->ProcessMessages();
  }
  void TearDown() override {
    DoneApplication();
    OldHome.empty() ? unsetenv("HOME") : setenv("HOME", OldHome.c_str(), 1);
    ReplaceFileTest::TearDown();
  }
  void Click(int x, int y) {
    TPoint o = ddd->ClientOffset();
    Backend->Click(ddd->Handle(), o.x + x, o.y + y);
    Application->ProcessMessages();
  }
  std::string OldHome;
  THeadlessBackend* Backend = nullptr;
};

TEST_F(DemoTest, EveryClickOnTheFormOrTheLabelWritesTheDocument) {
  const fs::path out = Dir / "x.txt";
  Click(300, 6);
  ASSERT_TRUE(fs::exists(out));
  const std::string first = Read(out);
  const std::string dtd = ddd->Label1->Caption();
  EXPECT_NE(dtd.find("<!ELEMENT Tddd"), std::string::npos) << dtd.substr(0, 80);
  // The label now covers the client area; clicks on it write again, and typed text reaches the file.
  ASSERT_GT(ddd->Label1->Height(), 200);
  ddd->Edit1->SetText("Typed 42");
  for (TPoint p : {Point(20, 20), Point(200, 150), Point(8, 280)}) {
    SCOPED_TRACE(p.x);
    fs::remove(out);
    Click(p.x, p.y);
    ASSERT_TRUE(fs::exists(out));
    EXPECT_NE(Read(out).find("<Text>Typed 42</Text>"), std::string::npos);
  }
  EXPECT_EQ(ddd->Label1->Caption(), dtd);
  EXPECT_NE(first, Read(out));
}

}  // namespace
