// The real OrvaneGCPfd, headless on Linux: start-up refusals and the failure messages on stderr.
#include <gtest/gtest.h>

#include <string>

#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
#include "platform/system.h"
#include "support/display_run.h"

namespace {

constexpr uint32_t kRunBoundMs = 30000;

// Runs the display in `run` to its end; returns its exit code (a hang fails the test).
int RunToEnd(orvane_test::DisplayRun& run) {
  EXPECT_TRUE(run.Start());
  int code = -1;
  EXPECT_TRUE(run.Wait(kRunBoundMs, &code)) << "still running after 30 s:\n" << run.Output();
  return code;
}

TEST(DisplayStartUp, SimulatorModeWithoutSimulatorShowsBothMessagesInTurnAndEndsWithOne) {
  platform::SetIpcNamespace("pfd-nosim-" + std::to_string(platform::CurrentProcessId()));
  orvane_test::DisplayRun run;
  EXPECT_EQ(RunToEnd(run), 1) << "a launcher script must see that the panel did not start";
  const std::string out = run.Output();
  const size_t first = out.find("FSUIPC connection failed.");
  const size_t second = out.find("initialization failed.");
  ASSERT_NE(first, std::string::npos) << out;
  ASSERT_NE(second, std::string::npos) << out;
  EXPECT_LT(first, second) << out;
}

TEST(DisplayStartUp, MissingIconIsNamedWithTheFolderAndEndsWithOneBeforeAnyWindow) {
  orvane_test::DisplayRun run;
  run.Remove("plane2.ico");
  EXPECT_EQ(RunToEnd(run), 1);
  const std::string out = run.Output();
  EXPECT_NE(out.find("plane2.ico"), std::string::npos) << out;
  EXPECT_NE(out.find(run.Folder().string()), std::string::npos) << out;
  EXPECT_EQ(out.find("FSUIPC"), std::string::npos) << "no window may have been made:\n" << out;
}

TEST(DisplayStartUp, IconThatIsNoIconEndsWithOne) {
  orvane_test::DisplayRun run;
  run.Write("plane2.ico", orvane_test::SmallBmpFile());
  EXPECT_EQ(RunToEnd(run), 1);
  const std::string out = run.Output();
  EXPECT_NE(out.find("plane2.ico"), std::string::npos) << out;
  EXPECT_NE(out.find("not an icon"), std::string::npos) << out;
}

TEST(DisplayStartUp, BadWindowPositionNamesFileKeyAndValueAndEndsWithOne) {
  orvane_test::DisplayRun run;
  run.Write("OrvaneGCPfd.INI", "[WINDOW]\r\nX=12a\r\nY=5\r\n");
  EXPECT_EQ(RunToEnd(run), 1);
  const std::string out = run.Output();
  EXPECT_NE(out.find("OrvaneGCPfd.INI"), std::string::npos) << out;
  EXPECT_NE(out.find("key X"), std::string::npos) << out;
  EXPECT_NE(out.find("\"12a\""), std::string::npos) << out;
  EXPECT_EQ(out.find("FSUIPC"), std::string::npos) << out;
}

TEST(DisplayStartUp, NetworkModeWithoutServerShowsTheConnectionFailureAndEndsWithOne) {
  orvane_test::DisplayRun run;
  run.Write("pfd_2.txr", orvane_test::SmallBmpFile());
  // Port 1 on the loopback interface: nothing listens there, the connect is refused at once.
  run.Write("OrvaneGCPfd.INI", "[LAN]\nUSELAN=Y\nORVANEGCSERVER=127.0.0.1\nORVANEGCPORT=1\n[WINDOW]\nX=-20\nY=40\n");
  EXPECT_EQ(RunToEnd(run), 1);
  const std::string out = run.Output();
  EXPECT_NE(out.find("ERROR !!"), std::string::npos) << out;
  EXPECT_NE(out.find("Orvane GC Server connection failed."), std::string::npos) << out;
  EXPECT_EQ(out.find("initialization failed."), std::string::npos) << out;
}

// A missing background texture is named with its folder (no word of a simulator: network mode
// has none), then initialisation fails as before.
TEST(DisplayStartUp, NetworkModeWithoutBackgroundTextureNamesTheFileAndFailsInitialisation) {
  orvane_test::DisplayRun run;
  run.Write("OrvaneGCPfd.INI", "[LAN]\nUSELAN=Y\nORVANEGCSERVER=127.0.0.1\nORVANEGCPORT=1\n");
  EXPECT_EQ(RunToEnd(run), 1);
  const std::string out = run.Output();
  EXPECT_EQ(out.find("FSUIPC"), std::string::npos) << out;
  const size_t named = out.find("\"pfd_2.txr\" is missing or is not a usable bitmap in the folder " +
                                run.Folder().string());
  const size_t failed = out.find("initialization failed.");
  ASSERT_NE(named, std::string::npos) << out;
  ASSERT_NE(failed, std::string::npos) << out;
  EXPECT_LT(named, failed) << out;
  EXPECT_EQ(out.find("Orvane GC Server connection failed."), std::string::npos) << out;
}

TEST(DisplayStartUp, ErrorRaisedByTheNetworkLayerIsShownWithItsTextAndEndsWithOne) {
  orvane_test::DisplayRun run;
  run.Write("pfd_2.txr", orvane_test::SmallBmpFile());
  run.Write("OrvaneGCPfd.INI", "[LAN]\nUSELAN=Y\nORVANEGCSERVER=127.0.0.1\nORVANEGCPORT=http-alt-x\n");
  EXPECT_EQ(RunToEnd(run), 1) << "an error nobody handled ends the run with 1, not an abort";
  const std::string out = run.Output();
  EXPECT_NE(out.find("http-alt-x"), std::string::npos) << out;
  EXPECT_EQ(out.find("Orvane GC Server connection failed."), std::string::npos) << out;
}

}  // namespace
