#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/graphics/Graphics.h"

namespace {

struct TResult {
  int Status = -1;
  std::string Out;
  std::string Err;
};

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs gallery with Arguments (shell words), in a folder of this process's own.
TResult Gallery(const std::string& Arguments, const std::filesystem::path& Folder) {
  const std::filesystem::path out = Folder / "stdout", err = Folder / "stderr";
  const std::string command =
      std::string(GALLERY_PROGRAM) + " " + Arguments + " >" + out.string() + " 2>" + err.string();
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
}

class GalleryProgram : public testing::Test {
 protected:
  void SetUp() override {
    FFolder = std::filesystem::path(testing::TempDir()) / ("gallery_" + std::to_string(::getpid()));
    std::filesystem::create_directories(FFolder);
  }
  void TearDown() override { std::filesystem::remove_all(FFolder); }
  std::filesystem::path FFolder;
};

TEST_F(GalleryProgram, HelpGoesToStandardOutputAndSucceeds) {
  for (const char* option : {"--help", "-h"}) {
    const TResult help = Gallery(option, FFolder);
    EXPECT_EQ(help.Status, 0) << option;
    EXPECT_EQ(help.Out.rfind("usage: gallery OUTPUT_FOLDER", 0), 0u) << help.Out;
    EXPECT_NE(help.Out.find("draws nothing"), std::string::npos) << help.Out;
    EXPECT_EQ(help.Err, "");
  }
}

TEST_F(GalleryProgram, UsageErrorsExitTwoWithTheSynopsisOnStandardError) {
  for (const char* arguments : {"", "a b", "--frobnicate"}) {
    const TResult result = Gallery(arguments, FFolder);
    EXPECT_EQ(result.Status, 2) << arguments;
    EXPECT_EQ(result.Out, "") << arguments;
    EXPECT_EQ(result.Err.rfind("usage: gallery OUTPUT_FOLDER", 0), 0u) << result.Err;
  }
}

TEST_F(GalleryProgram, WritesFourPagesIntoANewFolder) {
  const std::filesystem::path pages = FFolder / "new" / "pages";
  const TResult result = Gallery(pages.string(), FFolder);
  ASSERT_EQ(result.Status, 0) << result.Err;
  for (const char* name : {"text.png", "boxes.png", "bevels.png", "bitmaps.png"}) {
    zu::TBitmap page;
    page.LoadFromPngFile((pages / name).string());
    EXPECT_GT(page.Width(), 600) << name;
    EXPECT_GT(page.Height(), 300) << name;
  }
}

TEST_F(GalleryProgram, AFolderThatCannotBeMadeFailsWithStatusOne) {
  std::ofstream(FFolder / "file") << "x";
  const TResult result = Gallery((FFolder / "file" / "sub").string(), FFolder);
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Err.rfind("gallery: ", 0), 0u) << result.Err;
}

}  // namespace
