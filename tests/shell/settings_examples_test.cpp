// Every settings example the user is shown (README, docs, the shipped sample file and quick start),
// copied verbatim into the reader: each must be accepted and mean what its comments say.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "platform/system.h"
#include "shell/settings.h"

namespace {

std::string ReadSource(const std::string& relative) {
  std::string text;
  platform::ReadWholeFile(std::string(ORVANE_SOURCE_DIR) + "/" + relative, text, 1 << 20);
  return text;
}

// The runs of settings lines in a document: a section line ("[LAN]") starts one, and it goes on
// while lines are settings lines (keys, comments, sections), their indentation removed.
std::vector<std::string> SettingsBlocks(const std::string& doc) {
  static const std::regex section(R"(^\s*\[[A-Za-z]+\]\s*$)");
  static const std::regex line(R"(^\s*(\[[A-Za-z]+\]|;.*|[A-Za-z_]+=.*)$)");
  std::vector<std::string> blocks;
  std::string current;
  bool inBlock = false;
  size_t start = 0;
  while (start <= doc.size()) {
    size_t end = doc.find('\n', start);
    if (end == std::string::npos) end = doc.size();
    std::string one = doc.substr(start, end - start);
    if (!one.empty() && one.back() == '\r') one.pop_back();
    if (!inBlock && std::regex_match(one, section)) inBlock = true;
    if (inBlock && std::regex_match(one, line)) {
      current += one.substr(one.find_first_not_of(" \t")) + "\n";
    } else if (inBlock) {
      blocks.push_back(current);
      current.clear();
      inBlock = false;
    }
    start = end + 1;
  }
  if (!current.empty()) blocks.push_back(current);
  return blocks;
}

TEST(SettingsExamples, EveryNetworkExampleReachesItsServer) {
  int networkExamples = 0;
  for (const char* doc : {"README.md", "dist/QUICKSTART.txt", "docs/server.md"}) {
    for (const std::string& block : SettingsBlocks(ReadSource(doc))) {
      SCOPED_TRACE(std::string(doc) + ":\n" + block);
      Settings s;
      std::string error;
      ASSERT_TRUE(ParseSettings(doc, block, s, error)) << error;
      if (block.find("USELAN=Y") == std::string::npos) continue;
      ++networkExamples;
      EXPECT_TRUE(s.UseNetwork);
      // A name or an address, nothing after it.
      EXPECT_TRUE(std::regex_match(s.Network.ServerAddress, std::regex("[A-Za-z0-9.-]+"))) << s.Network.ServerAddress;
      EXPECT_EQ(s.Network.ServerPort, "2100");
      // "optional: survive server restarts" means it is on.
      if (block.find("survive server restarts") != std::string::npos) {
        EXPECT_TRUE(s.Network.Reconnect);
      }
    }
  }
  EXPECT_GE(networkExamples, 3) << "the README's two examples and the quick start's";
}

TEST(SettingsExamples, TheShippedSampleFileIsReadAsItsCommentsSay) {
  const std::string sample = ReadSource("dist/OrvaneGCPfd.INI");
  ASSERT_FALSE(sample.empty());
  Settings s;
  std::string error;
  ASSERT_TRUE(ParseSettings("dist/OrvaneGCPfd.INI", sample, s, error)) << error;
  EXPECT_FALSE(s.UseNetwork) << "as shipped: the simulator on this PC";
  EXPECT_EQ(s.WindowX, 0);
  EXPECT_EQ(s.WindowY, 0);
  EXPECT_FALSE(s.Network.Reconnect);
  EXPECT_FALSE(s.SimReconnect);
  EXPECT_FALSE(s.CustomWindow()) << "today's window";
  EXPECT_TRUE(s.VSync) << "shipped paced to the screen";
  EXPECT_EQ(s.Envelope.minimums.kind, MinimumsKind::None) << "no minimums until the pilot sets them";
  EXPECT_FALSE(s.Envelope.flightPathVector);
  EXPECT_EQ(s.Envelope.aircraft.maxOperatingSpeedKt, 0) << "no limit invented";
  EXPECT_TRUE(s.Envelope.aircraft.flapPlacardKt.empty());
}

TEST(SettingsExamples, TheCockpitExamplesAskForWhatTheirTextSays) {
  int cockpit = 0;
  for (const std::string& block : SettingsBlocks(ReadSource("README.md"))) {
    if (block.find("MONITOR=2") == std::string::npos) continue;
    SCOPED_TRACE(block);
    ++cockpit;
    Settings s;
    std::string error;
    ASSERT_TRUE(ParseSettings("README.md", block, s, error)) << error;
    EXPECT_EQ(s.Monitor, 2);
    EXPECT_TRUE(s.Topmost);
    EXPECT_TRUE(s.Fullscreen || (s.Borderless && s.Width > 0 && s.Height > 0));
  }
  EXPECT_EQ(cockpit, 2);
}

// The one-PC examples for X-Plane and FlightGear and the full layout's: each picks what it says.
TEST(SettingsExamples, TheSimulatorAndLayoutExamplesPickTheirSourceAndPanel) {
  const std::string readme = ReadSource("README.md");
  std::smatch generic;  // FlightGear's command-line option: --generic=socket,out,HZ,HOST,PORT,udp,orvane
  ASSERT_TRUE(std::regex_search(readme, generic, std::regex(R"(--generic=socket,out,\d+,[^,]+,(\d+),udp,orvane)")));
  int xplane = 0, flightgear = 0, full = 0;
  for (const std::string& block : SettingsBlocks(readme)) {
    SCOPED_TRACE(block);
    Settings s;
    std::string error;
    if (block.find("SOURCE=") == std::string::npos && block.find("LAYOUT=") == std::string::npos) continue;
    ASSERT_TRUE(ParseSettings("README.md", block, s, error)) << error;
    if (block.find("SOURCE=XPLANE") != std::string::npos) {
      ++xplane;
      EXPECT_EQ(s.Simulator, SimulatorKind::XPlane);
      EXPECT_EQ(s.XPlane.Port, 49000);  // X-Plane's own UDP port
    }
    if (block.find("SOURCE=FLIGHTGEAR") != std::string::npos) {
      ++flightgear;
      EXPECT_EQ(s.Simulator, SimulatorKind::FlightGear);
      EXPECT_EQ(s.FlightGear.Port, std::stoi(generic[1].str()));
    }
    if (block.find("LAYOUT=FULL") != std::string::npos) {
      ++full;
      EXPECT_EQ(s.Panel, PanelKind::Full);
    }
  }
  EXPECT_EQ(xplane, 1);
  EXPECT_EQ(flightgear, 1);
  EXPECT_GE(full, 1);
}

// The aircraft examples: each block holds every limit it shows, and minimums that say what they are.
TEST(SettingsExamples, TheAircraftExamplesGiveEveryLimitTheyShow) {
  int aircraft = 0;
  for (const std::string& block : SettingsBlocks(ReadSource("README.md"))) {
    if (block.find("[AIRCRAFT]") == std::string::npos) continue;
    SCOPED_TRACE(block);
    ++aircraft;
    Settings s;
    std::string error;
    ASSERT_TRUE(ParseSettings("README.md", block, s, error)) << error;
    const AircraftLimits& a = s.Envelope.aircraft;
    EXPECT_GE(a.maxOperatingSpeedKt, 300);
    EXPECT_GE(a.maxOperatingMach, 0.7);
    EXPECT_GE(a.gearExtendedSpeedKt, 250);
    EXPECT_GE(a.flapPlacardKt.size(), 4u);
    EXPECT_LT(a.stallFullFlapKt, a.stallCleanKt);
    for (size_t i = 1; i < a.flapPlacardKt.size(); ++i) EXPECT_LE(a.flapPlacardKt[i], a.flapPlacardKt[i - 1]);
    EXPECT_NE(s.Envelope.minimums.kind, MinimumsKind::None);
  }
  EXPECT_EQ(aircraft, 2) << "the 737-800 and the A320";
}

}  // namespace
