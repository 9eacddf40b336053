// orvane-snapshot as a program: command line, errors and exit codes, and the pictures it writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pfd/frame_rules.h"
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

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // top row first
  const uint8_t* At(int x, int yFromTop) const { return &rgb[(size_t(yFromTop) * width + x) * 3]; }
};

class SnapshotTool : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("orvane-snapshot-test-" + std::to_string(platform::CurrentProcessId()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  // Runs the tool with a 60 s bound; a run that does not end is stopped and fails the test.
  ToolRun Snapshot(const std::vector<std::string>& args) {
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

  std::string WriteFile(const std::string& name, const std::string& content) {
    const std::string path = PathOf(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  static Picture Load(const std::string& path) {
    Picture p;
    int channels = 0;
    uint8_t* data = stbi_load(path.c_str(), &p.width, &p.height, &channels, 3);
    if (data == nullptr) {
      ADD_FAILURE() << "cannot read the PNG " << path;
      return p;
    }
    p.rgb.assign(data, data + size_t(p.width) * p.height * 3);
    stbi_image_free(data);
    return p;
  }

  fs::path dir_;
};

const char* kIlsState =
    "# ILS tuned, glide slope inclination 100 raw (below one degree)\n"
    "Nav1BcFlags=0x82\n"
    "Nav1CodeFlags=0xC0\n"
    "RadioStatus=0x0042\n"
    "GsInclinationRaw=100\n"
    "ApMaster=1\n";

}  // namespace

TEST_F(SnapshotTool, HelpAndCommandLineErrors) {
  ToolRun help = Snapshot({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("Usage: orvane-snapshot"), std::string::npos);
  EXPECT_NE(help.output.find("--state FILE"), std::string::npos);

  ToolRun unknown = Snapshot({"--colour", "red"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.output.find("--colour"), std::string::npos) << unknown.output;

  ToolRun badNumber = Snapshot({"--demo-time", "soon", "--describe"});
  EXPECT_EQ(badNumber.exitCode, 2);
  EXPECT_NE(badNumber.output.find("'soon'"), std::string::npos) << badNumber.output;

  ToolRun badRule = Snapshot({"--inclination", "sideways", "--describe"});
  EXPECT_EQ(badRule.exitCode, 2);
  EXPECT_NE(badRule.output.find("sideways"), std::string::npos) << badRule.output;

  ToolRun badIls = Snapshot({"--ils", "2", "--describe"});
  EXPECT_EQ(badIls.exitCode, 2);

  ToolRun missingValue = Snapshot({"--out"});
  EXPECT_EQ(missingValue.exitCode, 2);
  EXPECT_NE(missingValue.output.find("needs a value"), std::string::npos) << missingValue.output;

  ToolRun nothing = Snapshot({});
  EXPECT_EQ(nothing.exitCode, 2);
  EXPECT_NE(nothing.output.find("nothing to do"), std::string::npos) << nothing.output;

  ToolRun both = Snapshot({"--state", "x", "--demo-time", "3", "--describe"});
  EXPECT_EQ(both.exitCode, 2);
}

TEST_F(SnapshotTool, StateFileErrorsNameTheFileAndKey) {
  const std::string missing = PathOf("no-such-state.txt");
  ToolRun noFile = Snapshot({"--state", missing, "--describe"});
  EXPECT_EQ(noFile.exitCode, 1);
  EXPECT_NE(noFile.output.find("no-such-state.txt"), std::string::npos) << noFile.output;

  const std::string bad = WriteFile("bad.txt", "Pitch=2\nWingFlex=7\n");
  ToolRun badKey = Snapshot({"--state", bad, "--describe"});
  EXPECT_EQ(badKey.exitCode, 1);
  EXPECT_NE(badKey.output.find("WingFlex"), std::string::npos) << badKey.output;

  ToolRun noAssets = Snapshot({"--assets", PathOf("no-such-folder"), "--out", PathOf("x.png")});
  EXPECT_EQ(noAssets.exitCode, 1);
  EXPECT_NE(noAssets.output.find("no-such-folder"), std::string::npos) << noAssets.output;
  EXPECT_FALSE(fs::exists(PathOf("x.png")));
}

TEST_F(SnapshotTool, DescriptionFollowsTheStateRuleAndFailureFlag) {
  const std::string ils = WriteFile("ils.txt", kIlsState);
  ToolRun degrees = Snapshot({"--state", ils, "--describe"});
  ASSERT_EQ(degrees.exitCode, 0) << degrees.output;
  EXPECT_NE(degrees.output.find("ils=1 "), std::string::npos) << degrees.output;
  EXPECT_NE(degrees.output.find("text \"AP ENG\" green 300 50"), std::string::npos);
  EXPECT_EQ(degrees.output.find("\"ATT\""), std::string::npos);

  ToolRun raw = Snapshot({"--state", ils, "--inclination", "raw", "--describe", "--failed"});
  ASSERT_EQ(raw.exitCode, 0) << raw.output;
  EXPECT_NE(raw.output.find("ils=4 "), std::string::npos) << raw.output;
  EXPECT_NE(raw.output.find("failed=1"), std::string::npos);
  EXPECT_NE(raw.output.find("text \"ATT\" amber"), std::string::npos) << raw.output;

  ToolRun bars = Snapshot({"--describe", "--fdh", "0.5", "--fdv", "-0.25", "--ils", "4"});
  ASSERT_EQ(bars.exitCode, 0) << bars.output;
  EXPECT_NE(bars.output.find("bar horizontal 0.500000\nbar vertical -0.250000"), std::string::npos)
      << bars.output;
}

TEST_F(SnapshotTool, DumpedStateDecidesTheSameFrame) {
  for (const char* time : {"5", "92", "146", "264"}) {
    ToolRun direct = Snapshot({"--demo-time", time, "--describe"});
    ASSERT_EQ(direct.exitCode, 0) << direct.output;
    ToolRun dump = Snapshot({"--demo-time", time, "--dump-state"});
    ASSERT_EQ(dump.exitCode, 0) << dump.output;
    EXPECT_NE(dump.output.find("Pitch="), std::string::npos) << dump.output;
    const std::string file = WriteFile(std::string("state-") + time + ".txt", dump.output);
    ToolRun fromFile = Snapshot({"--state", file, "--describe"});
    ASSERT_EQ(fromFile.exitCode, 0) << fromFile.output;
    EXPECT_EQ(fromFile.output, direct.output) << "demo time " << time;
  }
}

TEST_F(SnapshotTool, PanelIsTheLowerLeftOfTheSurfaceAndTheFlagChangesOnlyItsPlace) {
  const std::string full = PathOf("full.png"), panel = PathOf("panel.png");
  const std::string failedPanel = PathOf("failed.png");
  ToolRun ok = Snapshot({"--assets", kRunDir, "--demo-time", "5", "--full", full, "--out", panel});
  ASSERT_EQ(ok.exitCode, 0) << ok.output;
  ToolRun failed = Snapshot({"--assets", kRunDir, "--demo-time", "5", "--failed", "--out", failedPanel});
  ASSERT_EQ(failed.exitCode, 0) << failed.output;

  const Picture f = Load(full), p = Load(panel), x = Load(failedPanel);
  ASSERT_EQ(f.width, 500);
  ASSERT_EQ(f.height, 740);
  ASSERT_EQ(p.width, 332);
  ASSERT_EQ(p.height, 332);
  ASSERT_EQ(x.width, 332);
  for (int y = 0; y < 332; ++y)
    for (int c = 0; c < 332; ++c)
      ASSERT_EQ(0, std::memcmp(p.At(c, y), f.At(c, 740 - 332 + y), 3)) << c << "," << y;

  // The failed frame differs from the good one only on the flag's plate, and there it shows amber.
  const double sx = 500.0 / 640.0;
  const int x0 = int((kFailureFlagX - 4) * sx), x1 = int((kFailureFlagX + 10 * 2 + 16 + 4) * sx) + 1;
  const int y0 = 332 - 1 - int(kFailureFlagY + 16 + 4), y1 = 332 - 1 - int(kFailureFlagY - 4) + 1;
  int amber = 0, changedOutside = 0;
  int cx0 = 332, cx1 = -1, cy0 = 332, cy1 = -1;  // the box of all changed pixels, for the message
  for (int y = 0; y < 332; ++y) {
    for (int c = 0; c < 332; ++c) {
      const bool inside = c >= x0 && c < x1 && y >= y0 && y < y1;
      const bool same = std::memcmp(p.At(c, y), x.At(c, y), 3) == 0;
      if (!same) {
        cx0 = std::min(cx0, c), cx1 = std::max(cx1, c), cy0 = std::min(cy0, y), cy1 = std::max(cy1, y);
      }
      if (!inside && !same) ++changedOutside;
      const uint8_t* px = x.At(c, y);
      if (inside && px[0] > 200 && px[1] > 150 && px[1] < 230 && px[2] < 60) ++amber;
    }
  }
  EXPECT_EQ(changedOutside, 0) << "changed x " << cx0 << ".." << cx1 << ", y " << cy0 << ".." << cy1
                               << "; flag plate x " << x0 << ".." << x1 - 1 << ", y " << y0 << ".."
                               << y1 - 1;
  EXPECT_GT(amber, 40);
}

TEST_F(SnapshotTool, FullLayoutDescribesItsInstrumentsAndWritesTheWholePanel) {
  ToolRun d = Snapshot({"--layout", "full", "--demo-time", "146", "--describe", "--ias", "250", "--altitude", "10000",
                        "--heading", "90", "--vs", "1500", "--selected-altitude", "15000", "--altimeter", "1013.2",
                        "--baro", "inhg"});
  ASSERT_EQ(d.exitCode, 0) << d.output;
  EXPECT_NE(d.output.find("speed failed=0 reads=\"250\""), std::string::npos) << d.output;
  // 1013.2 hPa is 29.92 inHg: the setting as set, not a guessed "STD".
  EXPECT_NE(d.output.find("altitude failed=0 reads=\"10000\" above=\"10020\" below=\"9980\" turning=0.00 "
                          "bug=105.00 parked selected=\"15000\" alert=none altimeter=\"29.92 IN\""),
            std::string::npos)
      << d.output;
  EXPECT_NE(d.output.find("readout=\"1500\" above"), std::string::npos) << d.output;
  EXPECT_NE(d.output.find("heading failed=0 reads=\"090\""), std::string::npos) << d.output;
  // Demo time 146: the localizer captured, the glide slope armed; the modes in their columns.
  EXPECT_NE(d.output.find("mode \"VOR/LOC\" green column=roll line=active"), std::string::npos) << d.output;
  EXPECT_NE(d.output.find("mode \"G/S\" white column=pitch line=armed"), std::string::npos) << d.output;
  EXPECT_EQ(d.output.find("text \"LOC\""), std::string::npos) << "not in the attitude picture: " << d.output;

  ToolRun stale = Snapshot({"--layout", "full", "--describe", "--altitude", "10000"});
  ASSERT_EQ(stale.exitCode, 0) << stale.output;
  EXPECT_NE(stale.output.find("speed failed=1"), std::string::npos) << stale.output;
  EXPECT_NE(stale.output.find("altitude failed=0"), std::string::npos) << stale.output;

  const std::string png = PathOf("full-layout.png");
  ToolRun two = Snapshot({"--assets", kRunDir, "--layout", "full", "--scale", "2", "--ias", "250", "--out", png});
  ASSERT_EQ(two.exitCode, 0) << two.output;
  const Picture p = Load(png);
  EXPECT_EQ(p.width, 920);
  EXPECT_EQ(p.height, 848);

  EXPECT_EQ(Snapshot({"--layout", "full", "--full", png}).exitCode, 2);
  EXPECT_EQ(Snapshot({"--layout", "wide", "--describe"}).exitCode, 2);
  EXPECT_EQ(Snapshot({"--baro", "mb", "--describe"}).exitCode, 2);
}

// The full layout's numbers at their edges, as a pilot reads them off the description: each line
// names the instrument and what its box, rows and texts say.
TEST_F(SnapshotTool, FullLayoutNumbersAtTheirEdges) {
  // The description's line for `instrument` ("speed", "altitude", ...) with the options given.
  auto line = [&](const std::vector<std::string>& options, const std::string& instrument) {
    std::vector<std::string> args = {"--layout", "full", "--describe"};
    args.insert(args.end(), options.begin(), options.end());
    const ToolRun run = Snapshot(args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const size_t at = run.output.find("\n" + instrument + " ");
    if (at == std::string::npos) return std::string("(no " + instrument + " line)");
    return run.output.substr(at + 1, run.output.find('\n', at + 1) - at - 1);
  };
  auto has = [](const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; };

  // Mach: three decimals below 1, two from 1; shown from .40 (exactly .40 included).
  EXPECT_TRUE(has(line({"--ias", "300", "--mach", "0.82"}, "speed"), "mach=\".820\""));
  EXPECT_TRUE(has(line({"--ias", "300", "--mach", "1.2"}, "speed"), "mach=\"1.20\""));
  EXPECT_TRUE(has(line({"--ias", "300", "--mach", "1.0"}, "speed"), "mach=\"1.00\""));
  EXPECT_TRUE(has(line({"--ias", "200", "--mach", "0.40"}, "speed"), "mach=\".400\""));
  EXPECT_TRUE(has(line({"--ias", "200", "--mach", "0.3996"}, "speed"), "mach=\".400\"")) << "reads .400";
  EXPECT_TRUE(has(line({"--ias", "200", "--mach", "0.39"}, "speed"), "mach=\"\""));
  EXPECT_TRUE(has(line({"--mach", "0.82"}, "speed"), "failed=1")) << "Mach goes with the speed's flag";
  EXPECT_TRUE(has(line({"--mach", "0.82"}, "speed"), "mach=\"\""));

  // The speed readout rolls like an odometer: at 149.4 kt the row above reads 150, not 140.
  EXPECT_TRUE(has(line({"--ias", "149.4"}, "speed"), "reads=\"149\" above=\"150\" below=\"148\" turning=0.40"));
  EXPECT_TRUE(has(line({"--ias", "149.6"}, "speed"), "reads=\"150\" above=\"151\" below=\"149\""));
  // The tape starts at 30 kt: below it the readout holds 30.
  EXPECT_TRUE(has(line({"--ias", "12"}, "speed"), "reads=\"30\""));
  EXPECT_TRUE(has(line({"--ias", "0"}, "speed"), "reads=\"30\""));
  // A negative speed is no speed: flagged.
  EXPECT_TRUE(has(line({"--ias", "-5"}, "speed"), "failed=1"));
  EXPECT_TRUE(has(line({"--ias", "-5"}, "flags"), "SPD"));

  // Negative altitudes keep their minus at every value, ties between two 20 ft rows included; the
  // figures left of the drum agree with the drum (-190 ft is half way between -180 and -200).
  EXPECT_TRUE(has(line({"--altitude", "-10"}, "altitude"), "reads=\"-20\""));
  EXPECT_TRUE(has(line({"--altitude", "-20"}, "altitude"), "reads=\"-20\" above=\"-00\" below=\"-40\""));
  EXPECT_TRUE(has(line({"--altitude", "-190"}, "altitude"), "reads=\"-200\" above=\"-180\" below=\"-220\""));
  EXPECT_TRUE(has(line({"--altitude", "-90"}, "altitude"), "reads=\"-100\" above=\"-80\" below=\"-120\""));
  EXPECT_TRUE(has(line({"--altitude", "190"}, "altitude"), "reads=\"200\" above=\"220\" below=\"180\" turning=0.50"));
  EXPECT_TRUE(has(line({"--altitude", "10000"}, "altitude"), "reads=\"10000\" above=\"10020\" below=\"9980\""));
  EXPECT_TRUE(has(line({"--altitude", "-1240"}, "altitude"), "reads=\"-1240\""));

  // The vertical speed in ft/min to the nearest 50, from 400 ft/min, its true figure beyond the scale.
  EXPECT_TRUE(has(line({"--vs", "380"}, "vertical-speed"), "readout=\"\""));
  EXPECT_TRUE(has(line({"--vs", "400"}, "vertical-speed"), "readout=\"400\" above"));
  EXPECT_TRUE(has(line({"--vs", "1234"}, "vertical-speed"), "readout=\"1250\" above"));
  EXPECT_TRUE(has(line({"--vs", "-1210"}, "vertical-speed"), "readout=\"1200\" below"));
  EXPECT_TRUE(has(line({"--vs", "12000"}, "vertical-speed"), "readout=\"12000\" above"));

  // The altimeter setting as set, the same value in either unit, never a guessed STD; a setting no
  // altimeter can have is not shown.
  EXPECT_TRUE(has(line({"--altitude", "3000", "--altimeter", "1013"}, "altitude"), "altimeter=\"1013 HPA\""));
  EXPECT_TRUE(has(line({"--altitude", "3000", "--altimeter", "1013", "--baro", "inhg"}, "altitude"),
                  "altimeter=\"29.91 IN\""));
  EXPECT_TRUE(has(line({"--altitude", "3000", "--altimeter", "1013.25", "--baro", "inhg"}, "altitude"),
                  "altimeter=\"29.92 IN\""));
  EXPECT_TRUE(has(line({"--altitude", "3000", "--altimeter", "1012.5"}, "altitude"), "altimeter=\"1013 HPA\""));
  EXPECT_TRUE(has(line({"--altitude", "3000", "--altimeter", "0"}, "altitude"), "altimeter=\"\""));
  EXPECT_TRUE(has(line({"--altitude", "3000", "--altimeter", "1101"}, "altitude"), "altimeter=\"\""));
  EXPECT_TRUE(has(line({"--altitude", "3000", "--altimeter", "899"}, "altitude"), "altimeter=\"\""));

  // The radio altitude counts down to 0: 2 ft steps below 100 ft, 10 ft above, shown below 2,500 ft;
  // not delivered, it is flagged.
  EXPECT_TRUE(has(line({"--radio-altitude", "47.2"}, "radio-altitude"), "failed=0 reads=\"48\""));
  EXPECT_TRUE(has(line({"--radio-altitude", "0"}, "radio-altitude"), "failed=0 reads=\"0\""));
  EXPECT_TRUE(has(line({"--radio-altitude", "1234"}, "radio-altitude"), "failed=0 reads=\"1230\""));
  EXPECT_TRUE(has(line({"--radio-altitude", "2500"}, "radio-altitude"), "failed=0 reads=\"\""));
  EXPECT_TRUE(has(line({"--ias", "200"}, "radio-altitude"), "failed=1"));
  EXPECT_TRUE(has(line({"--ias", "200"}, "flags"), "RA"));
  EXPECT_EQ(line({"--ias", "200", "--altitude", "3000", "--vs", "0", "--heading", "90", "--radio-altitude", "3000"},
                 "flags"),
            "flags -");
}

// Faults that tests overriding the values never saw: each from a flight state, as a simulator sends it.
TEST_F(SnapshotTool, FullLayoutFromAFlightStateHeadingModesAndMach) {
  auto describe = [&](const std::string& name, const std::string& state) {
    const ToolRun run = Snapshot({"--layout", "full", "--describe", "--state", WriteFile(name, state)});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return run.output;
  };
  // True heading 100 degrees with 10 degrees of east variation: magnetic 090; with 10 west, 110.
  const std::string east = describe("east.txt", "HeadingTrueRaw=1193046471\nMagneticVariationRaw=1820\n");
  EXPECT_NE(east.find("heading failed=0 reads=\"090\""), std::string::npos) << east;
  const std::string west = describe("west.txt", "HeadingTrueRaw=1193046471\nMagneticVariationRaw=-1820\n");
  EXPECT_NE(west.find("heading failed=0 reads=\"110\""), std::string::npos) << west;

  // Altitude hold 2,000 ft below its target (5,000 ft) at -700 ft/min: the vertical-speed mode and
  // its bug; with the glide slope held, neither.
  const std::string holdVs = "Altimeter=3000\nApAltitudeRaw=99876864\nApVerticalSpeed=-700\nApAltitudeHold=1\n";
  const std::string vs = describe("vs.txt", holdVs);
  EXPECT_NE(vs.find("mode \"V/S\" green column=pitch line=active"), std::string::npos) << vs;
  EXPECT_EQ(vs.find("vertical-speed failed=0 pointer=0.00 readout=\"\" above bug=none"), std::string::npos) << vs;
  const std::string gs = describe("gs.txt", holdVs + "ApGlideSlopeHold=1\n");
  EXPECT_EQ(gs.find("mode \"V/S\""), std::string::npos) << gs;
  EXPECT_NE(gs.find("mode \"G/S\" white column=pitch line=armed"), std::string::npos) << gs;
  EXPECT_NE(gs.find("vertical-speed failed=0 pointer=0.00 readout=\"\" above bug=none"), std::string::npos) << gs;

  // Mach .40 exactly (8192 / 20480): shown.
  const std::string mach = describe("mach.txt", "MachRaw=8192\nIndicatedAirspeedRaw=32000\n");
  EXPECT_NE(mach.find("speed failed=0 reads=\"250\""), std::string::npos) << mach;
  EXPECT_NE(mach.find("mach=\".400\""), std::string::npos) << mach;
}

// The mode annunciator as a pilot reads it off the description: each mode with its column, line
// and box; a mode changed 3 s before is boxed, one changed 11 s before no longer; the altitude
// alert from a frame before.
TEST_F(SnapshotTool, FullLayoutModesInTheirColumnsTheirBoxesAndTheAltitudeAlert) {
  auto modes = [&](const std::vector<std::string>& options) {
    std::vector<std::string> args = {"--layout", "full", "--describe", "--altitude", "10000", "--selected-altitude",
                                     "10000"};
    args.insert(args.end(), options.begin(), options.end());
    const ToolRun run = Snapshot(args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    std::string out;
    for (size_t at = run.output.find("\nmode "); at != std::string::npos; at = run.output.find("\nmode ", at + 1))
      out += run.output.substr(at + 1, run.output.find(" at ", at) - at - 1) + "\n";
    return out;
  };
  const std::string cruise = "AutopilotEngaged,SpeedHold,HeadingHold,AltitudeHold";
  EXPECT_EQ(modes({"--modes", cruise}),
            "mode \"MCP SPD\" green column=autothrottle line=active boxed=0\n"
            "mode \"HDG SEL\" green column=roll line=active boxed=0\n"
            "mode \"ALT HOLD\" green column=pitch line=active boxed=0\n"
            "mode \"CMD\" green column=status line=status boxed=0\n");
  // The localiser captured 3 s ago from heading select, the glide slope armed with it.
  const std::string approach = "AutopilotEngaged,SpeedHold,ApproachHold,LocaliserCaptured,GlideSlopeHold";
  EXPECT_EQ(modes({"--modes", approach, "--modes-before", cruise, "--since", "3"}),
            "mode \"MCP SPD\" green column=autothrottle line=active boxed=0\n"
            "mode \"VOR/LOC\" green column=roll line=active boxed=1\n"
            "mode \"G/S\" white column=pitch line=armed boxed=1\n"
            "mode \"CMD\" green column=status line=status boxed=0\n");
  EXPECT_EQ(modes({"--modes", approach, "--modes-before", cruise, "--since", "11"}).find("boxed=1"), std::string::npos);
  // The flight director alone, the autothrottle armed; engaged just now from nothing.
  EXPECT_EQ(modes({"--modes", "FlightDirectorOn,AutothrottleArmed", "--modes-before", "none", "--since", "0"}),
            "mode \"ARM\" white column=autothrottle line=armed boxed=1\n"
            "mode \"FD\" green column=status line=status boxed=1\n");

  // The altitude alert: 500 ft below the selection, outlined; captured a second ago and now 300 ft
  // off it, amber.
  auto altitude = [&](const std::vector<std::string>& options) {
    std::vector<std::string> args = {"--layout", "full", "--describe", "--selected-altitude", "10000"};
    args.insert(args.end(), options.begin(), options.end());
    const ToolRun run = Snapshot(args);
    const size_t at = run.output.find("\naltitude ");
    return at == std::string::npos ? run.output : run.output.substr(at + 1, run.output.find('\n', at + 1) - at - 1);
  };
  EXPECT_NE(altitude({"--altitude", "9500"}).find("alert=approaching"), std::string::npos);
  EXPECT_NE(altitude({"--altitude", "9000"}).find("alert=none"), std::string::npos);
  EXPECT_NE(altitude({"--altitude", "9700", "--altitude-before", "10000"}).find("alert=deviation"), std::string::npos);
  EXPECT_NE(altitude({"--altitude", "9700"}).find("alert=approaching"), std::string::npos);

  // A fact the annunciator does not read, or a misspelt one, is named in the error.
  const ToolRun bad = Snapshot({"--layout", "full", "--describe", "--modes", "HeadingHold,Pitch"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.output.find("HeadingHold,Pitch"), std::string::npos) << bad.output;
  EXPECT_EQ(Snapshot({"--layout", "full", "--describe", "--modes-before", "Headinghold"}).exitCode, 2);
  EXPECT_EQ(Snapshot({"--layout", "full", "--describe", "--since", "-1"}).exitCode, 2);
}

namespace {

bool IsSky(const uint8_t* p) { return p[0] < 60 && p[2] > 180; }
bool IsGround(const uint8_t* p) { return p[0] > 110 && p[0] < 160 && p[1] > 60 && p[1] < 100 && p[2] > 15 && p[2] < 50; }
bool IsSymbolYellow(const uint8_t* p) { return p[0] > 200 && p[1] > 170 && p[2] < 60; }

// Where the aircraft symbol is, and where its wing tips' columns turn from sky to ground.
struct Attitude {
  int left = -1, right = -1, top = -1, bottom = -1;  // the symbol's box (rows from the top)
  int horizonAtLeft = -1, horizonAtRight = -1;        // the first ground row in the wing tips' columns
};

Attitude ReadAttitude(const Picture& p) {
  Attitude a;
  for (int x = 0; x < p.width; ++x) {
    bool skyInColumn = false;  // the symbol sits in the attitude sphere (the speed scale's yellow mark does not)
    for (int y = 0; y < p.height && !skyInColumn; ++y) skyInColumn = IsSky(p.At(x, y));
    for (int y = 0; y < p.height && skyInColumn; ++y) {
      if (!IsSymbolYellow(p.At(x, y))) continue;
      if (a.left < 0 || x < a.left) a.left = x;
      a.right = std::max(a.right, x);
      if (a.top < 0 || y < a.top) a.top = y;
      a.bottom = std::max(a.bottom, y);
    }
  }
  auto horizon = [&p](int x) {
    for (int y = 0; y < p.height; ++y)
      if (IsGround(p.At(x, y))) return y;
    return -1;
  };
  if (a.left >= 0) {
    a.horizonAtLeft = horizon(a.left);
    a.horizonAtRight = horizon(a.right);
  }
  return a;
}

}  // namespace

// --pitch and --bank in the pilot's signs, read off the picture as a pilot reads the instrument.
TEST_F(SnapshotTool, PitchAndBankTakeThePilotsSigns) {
  auto render = [this](const std::string& name, const std::vector<std::string>& attitude) {
    std::vector<std::string> args = {"--assets", kRunDir, "--out", PathOf(name)};
    args.insert(args.end(), attitude.begin(), attitude.end());
    const ToolRun run = Snapshot(args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return ReadAttitude(Load(PathOf(name)));
  };
  const Attitude noseUp = render("nose-up.png", {"--pitch", "10"});
  ASSERT_GE(noseUp.left, 0) << "no aircraft symbol";
  ASSERT_LT(noseUp.right - noseUp.left, 250) << "the symbol's box takes in more than the symbol";
  // 10 degrees nose up: sky all around the symbol, the horizon well below it.
  EXPECT_GT(noseUp.horizonAtLeft, noseUp.bottom + 10);
  EXPECT_GT(noseUp.horizonAtRight, noseUp.bottom + 10);

  const Attitude noseDown = render("nose-down.png", {"--pitch", "-10"});
  EXPECT_LT(noseDown.horizonAtLeft, noseDown.top - 10);
  EXPECT_LT(noseDown.horizonAtRight, noseDown.top - 10);

  // 20 degrees right wing down: the horizon turns counter-clockwise, its right end up.
  const Attitude rightBank = render("right-bank.png", {"--bank", "20"});
  EXPECT_LT(rightBank.horizonAtRight, rightBank.horizonAtLeft - 20)
      << "left " << rightBank.horizonAtLeft << ", right " << rightBank.horizonAtRight;
}

// The envelope from a settings file and the values on the command line, as --describe states it;
// a settings value the display would refuse stops the tool with its file, key and value.
TEST_F(SnapshotTool, EnvelopeFromASettingsFileIsDescribedAsDrawn) {
  const std::string b738 = WriteFile("b738.ini",
                                     "[PFD]\nMINIMUMS=RADIO 200\nFPV=Y\n[AIRCRAFT]\nVMO=340\nMMO=.82\nVLE=320\n"
                                     "VFE=250,250,250,210,200,190,175,162\nSTALL_CLEAN=145\nSTALL_FULL_FLAP=112\n");
  // Flaps 15 of the eight steps, gear down, 150 ft on a localiser half a dot right, ball half right.
  ToolRun approach = Snapshot({"--layout", "full", "--settings", b738, "--ias", "160", "--altitude", "150",
                               "--heading", "270", "--radio-altitude", "150", "--track", "283", "--variation", "3",
                               "--flaps", "0.625", "--flap-steps", "8", "--gear-down", "--loc-dots", "0.5",
                               "--slip", "0.5", "--describe"});
  ASSERT_EQ(approach.exitCode, 0) << approach.output;
  EXPECT_NE(approach.output.find("maximum=200.0kt(VFE)@100.00"), std::string::npos) << approach.output;
  EXPECT_NE(approach.output.find("minimums text=\"RADIO 200\" marker=none alert=1"), std::string::npos)
      << approach.output;
  EXPECT_NE(approach.output.find("slip offset=4.50 full=0"), std::string::npos) << approach.output;
  EXPECT_NE(approach.output.find("track 280.0 offset=10.00 mag=1"), std::string::npos) << approach.output;
  EXPECT_NE(approach.output.find("runway right=7.75"), std::string::npos) << approach.output;

  const std::string bad = WriteFile("bad.ini", "[AIRCRAFT]\nVFE=250,,210\n");
  ToolRun refused = Snapshot({"--layout", "full", "--settings", bad, "--describe"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.output.find("bad.ini"), std::string::npos) << refused.output;
  EXPECT_NE(refused.output.find("key VFE"), std::string::npos) << refused.output;
  EXPECT_NE(refused.output.find("\"250,,210\""), std::string::npos) << refused.output;
}
