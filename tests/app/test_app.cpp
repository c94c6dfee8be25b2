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

#include "app/ReplaceFile.h"
#include "app/Unit1.h"
#include "platform/forms/HeadlessBackend.h"

using namespace zu;
namespace fs = std::filesystem;

namespace {

// The ways a document reaches its name, by what the file system offers: unnamed files, none (NFS,
// FUSE), or unnamed files that cannot be given a name (no /proc).
enum class TPath { Unnamed, NoUnnamedFiles, UnnamedNotNameable };

// A fresh directory for each test, removed afterwards; the file system calls are put back.
class ReplaceFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "zu-app-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Dir = pattern;
    Saved = ReplaceFileCalls();
  }
  void TearDown() override {
    ReplaceFileCalls() = Saved;
    fs::permissions(Dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(Dir);
  }
  static void Take(TPath path) {
    TReplaceFileCalls& calls = ReplaceFileCalls();
    if (path == TPath::NoUnnamedFiles)
      calls.OpenUnnamed = [](const char*) {
        errno = EOPNOTSUPP;
        return -1;
      };
    if (path == TPath::UnnamedNotNameable)
      calls.DescriptorPath = [](int) { return std::string("/nonexistent/fd/3"); };
  }
  // Counts the bytes that ReplaceFile writes from now on.
  size_t& CountWrites() {
    Written = 0;
    ReplaceFileCalls().Write = [this, write = Saved.Write](int fd, const void* data, size_t size) {
      ssize_t n = write(fd, data, size);
      if (n > 0) Written += static_cast<size_t>(n);
      return n;
    };
    return Written;
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
  TReplaceFileCalls Saved;
  size_t Written = 0;
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

// Children write a large document over and over and are killed at random moments, with unnamed
// files and without: what is left is x.txt, whole, or nothing, and at most the side name of the
// killed writer, which the next write removes.
TEST_F(ReplaceFileTest, AKilledWriteLeavesOnlyTheWholeFileAndANameTheNextWriteRemoves) {
  const fs::path out = Dir / "x.txt";
  const std::string a(4 << 20, 'a'), b(3 << 20, 'b');
  unsigned seed = 12345;
  for (TPath path : {TPath::Unnamed, TPath::NoUnnamedFiles}) {
    for (int round = 0; round < 16; ++round) {
      SCOPED_TRACE(testing::Message() << "path " << static_cast<int>(path) << ", round " << round);
      if (round == 8) fs::remove(out);  // also kills while the first file is being made
      pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        Take(path);
        for (int i = 0;; ++i) Write(i % 2 ? a : b, out.string());
      }
      std::this_thread::sleep_for(std::chrono::microseconds(rand_r(&seed) % 30000));
      kill(child, SIGKILL);
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFSIGNALED(status));
      std::vector<std::string> left;
      for (const auto& name : Names())
        if (name != "x.txt") left.push_back(name);
      ASSERT_LE(left.size(), 1u) << ::testing::PrintToString(left);
      if (!left.empty()) {
        EXPECT_TRUE(left[0].starts_with("x.txt.zu-")) << left[0];
        EXPECT_NE(left[0].find("-" + std::to_string(child) + "-"), std::string::npos) << left[0];
      }
      if (fs::exists(out)) {
        std::string text = Read(out);
        EXPECT_TRUE(text == a || text == b || text == "next")
            << "a part of a document, " << text.size() << " bytes";
      }
      Write("next", out.string());
      EXPECT_EQ(Names(), std::vector<std::string>{"x.txt"});
    }
  }
}

// Every way to the name, on a new file and over an old one: the document is written once, and
// nothing but the file is left.
TEST_F(ReplaceFileTest, EveryPathWritesTheDocumentOnceAndLeavesOnlyTheFile) {
  const fs::path out = Dir / "x.txt";
  const std::string document(100000, 'd');
  for (TPath path : {TPath::Unnamed, TPath::NoUnnamedFiles, TPath::UnnamedNotNameable}) {
    for (bool exists : {false, true}) {
      SCOPED_TRACE(testing::Message()
                   << "path " << static_cast<int>(path) << (exists ? ", replacing" : ", new"));
      ReplaceFileCalls() = Saved;
      Take(path);
      const size_t& written = CountWrites();
      fs::remove(out);
      if (exists) std::ofstream(out) << "old";
      Write(document, out.string());
      EXPECT_EQ(written, document.size());
      EXPECT_EQ(Read(out), document);
      EXPECT_EQ(Names(), std::vector<std::string>{"x.txt"});
    }
  }
}

// An unnamed file that is written but then cannot be named (the disk full) is not written again
// elsewhere: the write fails and leaves everything as it was.
TEST_F(ReplaceFileTest, AFileThatCannotBeNamedAfterWritingLeavesEverythingAsItWas) {
  const fs::path out = Dir / "x.txt";
  ReplaceFileCalls().Link = [](const char*, const char*) {
    errno = ENOSPC;
    return -1;
  };
  for (bool exists : {false, true}) {
    SCOPED_TRACE(exists);
    if (exists) std::ofstream(out) << "old";
    const size_t& written = CountWrites();
    EXPECT_THROW(Write("new", out.string()), EFCreateError);
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(Names(), exists ? std::vector<std::string>{"x.txt"} : std::vector<std::string>{});
    EXPECT_EQ(exists ? Read(out) : "old", "old");
  }
}

// Only names this program makes, on this machine, in this boot and process namespace, whose
// writers are gone, are removed; a running writer's name, names of other machines, boots and
// containers, and user files that look alike stay.
TEST_F(ReplaceFileTest, OnlySideNamesOfGoneWritersOfThisMachineAreRemoved) {
  const std::optional<TSideNameWriter> me = ThisWriter();
  if (!me) GTEST_SKIP() << "/proc does not tell this process's boot, namespace and start";
  // The start recorded is a moment since boot, in clock ticks (not another field of the status).
  double uptime = 0;
  std::ifstream("/proc/uptime") >> uptime;
  EXPECT_LE(me->StartTime, static_cast<uint64_t>(uptime * static_cast<double>(sysconf(_SC_CLK_TCK))) + 1);
  const std::string target = (Dir / "x.txt").string();
  // A child that makes its side name, then runs on (Exit false) or ends.
  auto writer = [&](bool Exit) {
    int ready[2];
    EXPECT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
      std::ofstream(SideName(target, *ThisWriter(), 1)) << "left";
      if (Exit) _exit(0);
      (void)!write(ready[1], "r", 1);
      for (;;) pause();
    }
    char c;
    if (Exit)
      EXPECT_EQ(waitpid(child, nullptr, 0), child);
    else
      EXPECT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    close(ready[1]);
    return child;
  };
  const pid_t running = writer(false), gone = writer(true);
  // The name a child made: this machine's mark, then its process id (its start time is its own).
  TSideNameWriter mark = *me;
  mark.Pid = mark.StartTime = 0;
  std::string prefix = fs::path(SideName(target, mark, 0)).filename().string();
  prefix.resize(prefix.size() - std::string("0-0-0000000000000000.tmp").size());
  auto nameOf = [&](pid_t pid) {
    for (const auto& name : Names())
      if (name.starts_with(prefix + std::to_string(pid) + "-")) return name;
    return std::string("none for ") + std::to_string(pid);
  };
  const std::string runningName = nameOf(running), goneName = nameOf(gone);
  TSideNameWriter goneWriter = *me;
  goneWriter.Pid = gone;
  auto variant = [&](auto change) {
    TSideNameWriter w = goneWriter;
    change(w);
    return fs::path(SideName(target, w, 2)).filename().string();
  };
  std::vector<std::string> kept = {
      "x.txt.2024-12.tmp",
      "x.txt.1999-0.tmp",
      "x.txt.20241211-1.tmp",
      "x.txt.a1B2c3",
      "x.txt.zu-backup.tmp",
      fs::path(SideName(target, *me, 3)).filename().string(),  // this process's own
      variant([](TSideNameWriter& w) { w.Host = "other-host"; }),
      variant([](TSideNameWriter& w) { w.BootId = "00000000-0000-0000-0000-000000000000"; }),
      variant([](TSideNameWriter& w) { w.PidNamespace = "1"; }),
      fs::path(SideName((Dir / "y.txt").string(), goneWriter, 4)).filename().string(),
      fs::path(SideName(target, goneWriter, 5)).filename().string() + ".old",
      runningName};
  TSideNameWriter reused = *me;  // this process's id, another start: the id was given again
  reused.StartTime += 1;
  const std::vector<std::string> removed = {goneName,
                                            fs::path(SideName(target, reused, 6)).filename().string()};
  for (const auto& name : kept) std::ofstream(Dir / name) << "other";
  for (const auto& name : removed) std::ofstream(Dir / name) << "left";
  Write("new", target);
  kept.push_back("x.txt");
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(Names(), kept);
  // Once the running writer ends, its name goes too.
  kill(running, SIGKILL);
  ASSERT_EQ(waitpid(running, nullptr, 0), running);
  Write("newer", target);
  const auto names = Names();
  EXPECT_EQ(std::count(names.begin(), names.end(), runningName), 0) << runningName;
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
