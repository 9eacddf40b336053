// orvane-snapshot's full layout, the attitude area as a pilot reads it off the description (the
// radio altitude, the marker, the tuned ILS, the bank pointer, the pointers and the sphere) and in
// its picture (no cyan radio altitude of today's panel left).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/system.h"

// A private PNG decoder for reading the tool's output back.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace fs = std::filesystem;

namespace {

const std::string kRunDir = ORVANE_RUN_DIR;
const std::string kTool = kRunDir + "/orvane-snapshot" ORVANE_EXE_SUFFIX;

struct ToolRun {
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};

class SnapshotAttitude : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("orvane-snapshot-attitude-" + std::to_string(platform::CurrentProcessId()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  // The full layout's description with these options (a 60 s bound).
  ToolRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--layout", "full"});
    ToolRun run;
    const std::string log = PathOf("output.txt");
    platform::ChildProcess child;
    if (!platform::StartProcess(kTool, args, child, log)) {
      ADD_FAILURE() << "cannot start " << kTool;
      return run;
    }
    if (!platform::WaitProcess(child, 60000, &run.exitCode)) {
      platform::StopProcess(child, 2000);
      ADD_FAILURE() << "orvane-snapshot did not end within 60 s";
    }
    std::ifstream in(log, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    run.output = text.str();
    return run;
  }
  // The description's line starting with `name` and a blank.
  std::string Line(const std::vector<std::string>& options, const std::string& name) {
    std::vector<std::string> args = {"--describe"};
    args.insert(args.end(), options.begin(), options.end());
    const ToolRun run = Run(args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const size_t at = run.output.find("\n" + name + " ");
    if (at == std::string::npos) return "(no " + name + " line)";
    return run.output.substr(at + 1, run.output.find('\n', at + 1) - at - 1);
  }

  fs::path dir_;
};

TEST_F(SnapshotAttitude, TheDescriptionStatesTheAttitudeAreaAsDrawn) {
  EXPECT_EQ(Line({"--ils", "4", "--marker", "MM", "--ils-ident", "IORV", "--dme", "012.5"}, "navigation"),
            "navigation marker=\"MM\" ident=\"IORV\" dme=\"12.5\"");
  EXPECT_EQ(Line({"--ils", "0", "--ils-ident", "IORV", "--dme", "012.5"}, "navigation"),
            "navigation marker=\"\" ident=\"\" dme=\"\"") << "no localiser tuned: no ILS named";
  EXPECT_EQ(Line({"--radio-altitude", "41"}, "radio-altitude"), "radio-altitude failed=0 reads=\"42\"");
  EXPECT_EQ(Line({"--bank", "34.9"}, "attitude-area"),
            "attitude-area sphere=shown bank-pointer=white localiser-pointer=shown glide-slope-pointer=shown");
  EXPECT_EQ(Line({"--bank", "-35"}, "attitude-area"),
            "attitude-area sphere=shown bank-pointer=amber localiser-pointer=shown glide-slope-pointer=shown");
  EXPECT_EQ(Line({"--failed", "--bank", "40"}, "attitude-area"),
            "attitude-area sphere=removed bank-pointer=removed localiser-pointer=shown glide-slope-pointer=shown");
  EXPECT_EQ(Line({"--lost", "localiser,glide-slope"}, "attitude-area"),
            "attitude-area sphere=shown bank-pointer=white localiser-pointer=removed glide-slope-pointer=removed");
  EXPECT_EQ(Line({"--fdh", "0.1", "--fdv", "0.2", "--lost", "fd-pitch"}, "attitude"), "attitude failed=0 bars=1");
  // The attitude lost on its own: ATT and nothing else raised over the demo's live instruments.
  EXPECT_EQ(Line({"--demo-time", "120", "--lost", "attitude"}, "flags"), "flags ATT");

  const ToolRun bad = Run({"--describe", "--lost", "localiser,heading"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.output.find("--lost"), std::string::npos) << bad.output;
  EXPECT_NE(bad.output.find("localiser,heading"), std::string::npos) << bad.output;
  EXPECT_EQ(Run({"--describe", "--marker", "XM"}).exitCode, 2);
}

TEST_F(SnapshotAttitude, TodaysCyanRadioAltitudeIsGoneAndTheMarkerIsTheOnlyCyan) {
  // Without a flight state today's frame reads a radio altitude of 0: its cyan "0" and "RA".
  const std::string png = PathOf("ra.png");
  auto cyan = [&](const std::vector<std::string>& options) {
    std::vector<std::string> args = {"--assets", kRunDir, "--radio-altitude", "40", "--out", png};
    args.insert(args.end(), options.begin(), options.end());
    const ToolRun run = Run(args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    int w = 0, h = 0, n = 0;
    unsigned char* rgb = stbi_load(png.c_str(), &w, &h, &n, 3);
    if (rgb == nullptr) {
      ADD_FAILURE() << "no picture";
      return -1;
    }
    int count = 0;
    for (int i = 0; i < w * h; ++i) {
      const unsigned char* p = rgb + size_t(i) * 3;
      count += p[0] < 40 && p[1] > 170 && p[2] > 190;  // the display's cyan (0, 200, 222), not the sky (20, 125, 215) or its blend with white
    }
    stbi_image_free(rgb);
    return count;
  };
  EXPECT_EQ(cyan({}), 0) << "no cyan radio altitude";
  EXPECT_GT(cyan({"--marker", "OM"}), 40) << "the outer marker in cyan";
}

}  // namespace
