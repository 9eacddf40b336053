// The real OrvaneGCPfd, headless: start-up refusals, failure messages, a running loop and a clean stop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <string>

#include "platform/platform.h"
#include "support/sim_peer.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kRunBoundMs = 30000;

// A 16 x 16 icon with one 32-bit image, as the display's folder would hold it.
std::string SmallIcon() {
  auto le16 = [](std::string& b, uint32_t v) {
    b.push_back(char(v & 0xFF));
    b.push_back(char((v >> 8) & 0xFF));
  };
  auto le32 = [&](std::string& b, uint32_t v) {
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
  };
  std::string image;
  le32(image, 40); le32(image, 16); le32(image, 32); le16(image, 1); le16(image, 32);
  for (int i = 0; i < 6; ++i) le32(image, 0);
  for (int i = 0; i < 16 * 16; ++i) le32(image, 0xFF2060C0u);
  image.append(16 * 4, '\0');  // AND mask
  std::string file;
  le16(file, 0); le16(file, 1); le16(file, 1);
  file += char(16); file += char(16); file += '\0'; file += '\0';
  le16(file, 1); le16(file, 32); le32(file, uint32_t(image.size())); le32(file, 22);
  return file + image;
}

// A 4 x 4 24-bit BMP: enough for the background texture that network mode requires.
std::string SmallBmp() {
  std::string b = "BM";
  auto le = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(char((v >> (8 * i)) & 0xFF));
  };
  le(54 + 48, 4); le(0, 4); le(54, 4);
  le(40, 4); le(4, 4); le(4, 4); le(1, 2); le(24, 2); le(0, 4); le(48, 4);
  le(2835, 4); le(2835, 4); le(0, 4); le(0, 4);
  b.append(48, '\x40');
  return b;
}

// Each test gets a folder like a user's: the icon and whatever the test adds, nothing else.
class DisplayProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runDir_ = fs::current_path();
    program_ = (runDir_ / (std::string("OrvaneGCPfd") + ORVANE_EXE_SUFFIX)).string();
    ASSERT_TRUE(fs::exists(program_)) << program_;
    std::random_device rd;
    dir_ = fs::temp_directory_path() / ("orvane-pfd-run-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(dir_);
    Write("plane2.ico", SmallIcon());
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ORVANE_NO_DIALOGS", "1", 1);
  }
  void TearDown() override {
    if (child_.id != 0) platform::StopProcess(child_, 5000);
    fs::current_path(runDir_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }

  // Starts the display in the test folder, its output going to pfd.log there.
  void Start() {
    fs::current_path(dir_);
    const bool started = platform::StartProcess(program_, {}, child_, (dir_ / "pfd.log").string());
    fs::current_path(runDir_);
    ASSERT_TRUE(started) << program_;
  }

  // Runs the display to its end; returns its exit code (a hang fails the test).
  int RunToEnd() {
    Start();
    int code = -1;
    EXPECT_TRUE(platform::WaitProcess(child_, kRunBoundMs, &code)) << "still running after 30 s:\n" << Output();
    return code;
  }

  std::string Output() const {
    std::string text;
    platform::ReadWholeFile((dir_ / "pfd.log").string(), text, 1 << 20);
    return text;
  }

  fs::path runDir_;
  fs::path dir_;
  std::string program_;
  platform::ChildProcess child_;
};

TEST_F(DisplayProgramTest, SimulatorModeWithoutSimulatorShowsBothMessagesInTurnAndEndsWithZero) {
  platform::SetIpcNamespace("pfd-nosim-" + std::to_string(platform::CurrentProcessId()));
  EXPECT_EQ(RunToEnd(), 0);
  const std::string out = Output();
  const size_t first = out.find("FSUIPC connection failed.");
  const size_t second = out.find("initialization failed.");
  ASSERT_NE(first, std::string::npos) << out;
  ASSERT_NE(second, std::string::npos) << out;
  EXPECT_LT(first, second) << out;
}

TEST_F(DisplayProgramTest, MissingIconIsNamedWithTheFolderAndEndsWithOneBeforeAnyWindow) {
  fs::remove(dir_ / "plane2.ico");
  EXPECT_EQ(RunToEnd(), 1);
  const std::string out = Output();
  EXPECT_NE(out.find("plane2.ico"), std::string::npos) << out;
  EXPECT_NE(out.find(dir_.string()), std::string::npos) << out;
  EXPECT_EQ(out.find("FSUIPC"), std::string::npos) << "no window may have been made:\n" << out;
}

TEST_F(DisplayProgramTest, BadWindowPositionNamesFileKeyAndValueAndEndsWithOne) {
  Write("OrvaneGCPfd.INI", "[WINDOW]\r\nX=12a\r\nY=5\r\n");
  EXPECT_EQ(RunToEnd(), 1);
  const std::string out = Output();
  EXPECT_NE(out.find("OrvaneGCPfd.INI"), std::string::npos) << out;
  EXPECT_NE(out.find("key X"), std::string::npos) << out;
  EXPECT_NE(out.find("\"12a\""), std::string::npos) << out;
  EXPECT_EQ(out.find("FSUIPC"), std::string::npos) << out;
}

TEST_F(DisplayProgramTest, NetworkModeWithoutServerShowsTheConnectionFailureAndEndsWithZero) {
  Write("pfd_2.txr", SmallBmp());
  // Port 1 on the loopback interface: nothing listens there, the connect is refused at once.
  Write("OrvaneGCPfd.INI", "[LAN]\nUSELAN=Y\nORVANEGCSERVER=127.0.0.1\nORVANEGCPORT=1\n[WINDOW]\nX=-20\nY=40\n");
  EXPECT_EQ(RunToEnd(), 0);
  const std::string out = Output();
  EXPECT_NE(out.find("ERROR !!"), std::string::npos) << out;
  EXPECT_NE(out.find("Orvane GC Server connection failed."), std::string::npos) << out;
  EXPECT_EQ(out.find("initialization failed."), std::string::npos) << out;
}

// Starts orvane-sim in its own namespace; the display started afterwards inherits it.
class DisplayWithSimulatorTest : public DisplayProgramTest {
 protected:
  void SetUp() override {
    DisplayProgramTest::SetUp();
    if (!fs::exists(orvane_test::SimProgramPath())) GTEST_SKIP() << "orvane-sim is not built";
    std::string error;
    ASSERT_TRUE(sim_.Start({"--duration", "120"}, error)) << error;
  }
  // The number in orvane-sim's "stopped after N batches" line, or -1.
  static int BatchesFromLog(const std::string& log) {
    std::smatch m;
    if (!std::regex_search(log, m, std::regex("stopped after ([0-9]+) batches"))) return -1;
    return std::atoi(m[1].str().c_str());
  }
  orvane_test::SimPeer sim_;
};

TEST_F(DisplayWithSimulatorTest, RunsTheLoopUntilAskedToCloseAndEndsWithZero) {
  Start();
  platform::SleepMs(2000);
  ASSERT_TRUE(platform::ProcessRunning(child_)) << Output();
  // SIGTERM arrives as the quit request, the same way the close box ends the loop.
  EXPECT_EQ(platform::StopProcess(child_, 10000), 0) << Output();
  sim_.Stop();
  const std::string simLog = sim_.Log();
  EXPECT_NE(simLog.find("client connected"), std::string::npos) << simLog;
  EXPECT_GT(BatchesFromLog(simLog), 2) << "the loop drew frames:\n" << simLog;
  EXPECT_EQ(Output().find("failed"), std::string::npos) << Output();
}

TEST_F(DisplayWithSimulatorTest, MaxFpsCapsTheNumberOfFrames) {
  Write("OrvaneGCPfd.INI", "[WINDOW]\nMAXFPS=4\n");
  const uint64_t begin = platform::MonotonicMicros();
  Start();
  platform::SleepMs(2500);
  ASSERT_TRUE(platform::ProcessRunning(child_)) << Output();
  EXPECT_EQ(platform::StopProcess(child_, 10000), 0) << Output();
  const double seconds = double(platform::MonotonicMicros() - begin) / 1e6;
  sim_.Stop();
  const int batches = BatchesFromLog(sim_.Log());
  // One batch per frame plus the link's opening exchange; without the cap this is hundreds.
  EXPECT_GE(batches, 2) << sim_.Log();
  EXPECT_LE(batches, int(4.0 * seconds) + 3) << "over " << seconds << " s:\n" << sim_.Log();
}

}  // namespace
