// The display's start-up log (ORVANE_STARTUP_LOG), which the start-up benchmark reads: its times and the end of the
// run; and the snapshot folder (ORVANE_SNAPSHOT_DIR), made when it is not there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
#include "platform/system.h"
#include "support/display_run.h"
#include "support/sim_peer.h"

namespace {

class StartupLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim_.Start({"--duration", "120"}, error)) << error;
  }
  void TearDown() override {
    unsetenv("ORVANE_STARTUP_LOG");
    unsetenv("ORVANE_SNAPSHOT_DIR");
  }

  // Starts the display with the variable set to `path` and waits for it to end by itself.
  void RunWithLog(const std::string& path, int* exitCode) {
    setenv("ORVANE_STARTUP_LOG", path.c_str(), 1);
    ASSERT_TRUE(run_.Start());
    ASSERT_TRUE(run_.Wait(30000, exitCode)) << "the run did not end after its first frames:\n" << run_.Output();
  }

  orvane_test::SimPeer sim_;
  orvane_test::DisplayRun run_;
};

TEST_F(StartupLogTest, NotesLoopFrameAndSwapInOrderThenEndsTheRun) {
  const std::string path = (run_.Folder() / "startup.log").string();
  const uint64_t before = platform::MonotonicMicros();
  int code = -1;
  RunWithLog(path, &code);
  const uint64_t after = platform::MonotonicMicros();
  EXPECT_EQ(code, 0) << run_.Output();

  std::ifstream in(path);
  std::string line, extra;
  ASSERT_TRUE(std::getline(in, line)) << "no start-up line was written:\n" << run_.Output();
  EXPECT_FALSE(std::getline(in, extra)) << "one line per run, got also: " << extra;
  std::istringstream fields(line);
  uint64_t loop = 0, drawn = 0, swapped = 0;
  ASSERT_TRUE(fields >> loop >> drawn >> swapped) << line;
  std::string rest;
  EXPECT_FALSE(fields >> rest) << line;
  // The same monotonic clock as this process: every time lies within the run, in start-up order.
  EXPECT_LE(before, loop) << line;
  EXPECT_LE(loop, drawn) << line;
  EXPECT_LE(drawn, swapped) << line;
  EXPECT_LE(swapped, after) << line;

  // The frames were real ones: the simulator saw the opening exchange and the frames' batches.
  sim_.Stop();
  const std::string log = sim_.Log();
  const size_t at = log.find("stopped after ");
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_GE(std::atoi(log.c_str() + at + 14), 2) << log;
}

TEST_F(StartupLogTest, AnUnwritableLogIsReportedAndTheRunStillEnds) {
  int code = -1;
  RunWithLog((run_.Folder() / "no-such-folder" / "startup.log").string(), &code);
  EXPECT_EQ(code, 0) << run_.Output();
  EXPECT_NE(run_.Output().find("start-up log: cannot open"), std::string::npos) << run_.Output();
}

TEST_F(StartupLogTest, AMissingSnapshotFolderIsMadeAndTheFirstFrameWritten) {
  const std::filesystem::path folder = run_.Folder() / "new" / "snapshots";
  ASSERT_FALSE(std::filesystem::exists(folder));
  setenv("ORVANE_SNAPSHOT_DIR", folder.string().c_str(), 1);
  int code = -1;
  RunWithLog((run_.Folder() / "startup.log").string(), &code);
  EXPECT_EQ(code, 0) << run_.Output();
  EXPECT_TRUE(std::filesystem::is_regular_file(folder / "pfd-0000.png")) << run_.Output();
}

}  // namespace
