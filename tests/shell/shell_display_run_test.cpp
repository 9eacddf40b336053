// The real OrvaneGCPfd against orvane-sim: the loop draws, a close request ends it with code 0, MAXFPS caps it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
#include "platform/system.h"
#include "support/display_run.h"
#include "support/sim_peer.h"

namespace {

// The number in orvane-sim's "stopped after N batches" line, or -1.
int BatchesFromLog(const std::string& log) {
  std::smatch m;
  if (!std::regex_search(log, m, std::regex("stopped after ([0-9]+) batches"))) return -1;
  return std::atoi(m[1].str().c_str());
}

class DisplayWithSimulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim_.Start({"--duration", "120"}, error)) << error;
  }
  orvane_test::SimPeer sim_;
  orvane_test::DisplayRun run_;
};

TEST_F(DisplayWithSimulatorTest, RunsTheLoopUntilAskedToCloseAndEndsWithZero) {
  ASSERT_TRUE(run_.Start());
  platform::SleepMs(3000);
  ASSERT_TRUE(run_.Running()) << run_.Output();
  // The close request (SIGTERM on Linux, WM_CLOSE on Windows) ends the loop like the close box.
  EXPECT_EQ(run_.Stop(15000), 0) << run_.Output();
  sim_.Stop();
  const std::string simLog = sim_.Log();
  EXPECT_GT(BatchesFromLog(simLog), 2) << "the loop drew frames:\n" << simLog;
  EXPECT_EQ(run_.Output().find("failed"), std::string::npos) << run_.Output();
}

TEST_F(DisplayWithSimulatorTest, MaxFpsCapsTheNumberOfFrames) {
  run_.Write("OrvaneGCPfd.INI", "[WINDOW]\nMAXFPS=4\n");
  const uint64_t begin = platform::MonotonicMicros();
  ASSERT_TRUE(run_.Start());
  platform::SleepMs(3000);
  ASSERT_TRUE(run_.Running()) << run_.Output();
  EXPECT_EQ(run_.Stop(15000), 0) << run_.Output();
  const double seconds = double(platform::MonotonicMicros() - begin) / 1e6;
  sim_.Stop();
  const int batches = BatchesFromLog(sim_.Log());
  // One batch per frame plus the link's opening exchange; without the cap this is hundreds.
  EXPECT_GE(batches, 2) << sim_.Log();
  EXPECT_LE(batches, int(4.0 * seconds) + 3) << "over " << seconds << " s:\n" << sim_.Log();
}

}  // namespace
