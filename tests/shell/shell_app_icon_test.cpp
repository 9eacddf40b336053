// The start-up icon check: what counts as an icon file and what the refusal says.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "shell/app_icon.h"
#include "support/test_env.h"

namespace fs = std::filesystem;

namespace {

std::string IconHeader(uint16_t reserved, uint16_t type, uint16_t count) {
  std::string b;
  for (uint16_t v : {reserved, type, count}) {
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>(v >> 8));
  }
  return b;
}

TEST(AppIconFormat, AcceptsAnIconDirectoryWhoseEntriesFit) {
  EXPECT_TRUE(LooksLikeIcon(IconHeader(0, 1, 1) + std::string(16, '\0')));
  EXPECT_TRUE(LooksLikeIcon(IconHeader(0, 1, 2) + std::string(32, '\x01')));
}

TEST(AppIconFormat, RefusesOtherFilesAndTruncatedDirectories) {
  EXPECT_FALSE(LooksLikeIcon(""));
  EXPECT_FALSE(LooksLikeIcon(std::string("\0\0\1\0\1", 5)));
  EXPECT_FALSE(LooksLikeIcon(IconHeader(0, 1, 0) + std::string(16, '\0'))) << "no image";
  EXPECT_FALSE(LooksLikeIcon(IconHeader(0, 2, 1) + std::string(16, '\0'))) << "a cursor file";
  EXPECT_FALSE(LooksLikeIcon(IconHeader(1, 1, 1) + std::string(16, '\0')));
  EXPECT_FALSE(LooksLikeIcon(IconHeader(0, 1, 2) + std::string(31, '\0'))) << "second entry cut";
  EXPECT_FALSE(LooksLikeIcon("BM" + std::string(60, '\0')));
}

class AppIconFileTest : public ::testing::Test {
 protected:
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  // The current directory for the test: a new folder, removed afterwards.
  orvane_test::TempFolder folder_{"orvane-icon", true};
  fs::path dir_ = folder_.Path();
};

TEST_F(AppIconFileTest, MissingIconNamesTheFileAndTheCurrentDirectory) {
  std::string error;
  EXPECT_FALSE(CheckAppIcon(AppIconFileName, error));
  EXPECT_NE(error.find("\"plane2.ico\""), std::string::npos) << error;
  EXPECT_NE(error.find(fs::current_path().string()), std::string::npos) << error;
  EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

TEST_F(AppIconFileTest, IconInTheCurrentDirectoryPassesAndANonIconIsRefused) {
  Write("plane2.ico", IconHeader(0, 1, 1) + std::string(16, '\0'));
  std::string error;
  EXPECT_TRUE(CheckAppIcon(AppIconFileName, error)) << error;

  Write("plane2.ico", "not an icon at all");
  EXPECT_FALSE(CheckAppIcon(AppIconFileName, error));
  EXPECT_NE(error.find("not an icon"), std::string::npos) << error;
  EXPECT_NE(error.find("plane2.ico"), std::string::npos) << error;
}

TEST_F(AppIconFileTest, ADirectoryNamedLikeTheIconDoesNotCount) {
  fs::create_directories(dir_ / "plane2.ico");
  std::string error;
  EXPECT_FALSE(CheckAppIcon(AppIconFileName, error));
  EXPECT_NE(error.find("plane2.ico"), std::string::npos) << error;
}

}  // namespace
