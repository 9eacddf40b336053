// orvane-sim as a command-line program: help, version, clear errors for bad options, bounded runs, one peer per class.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "model/flight_variables.h"
#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
#include "platform/system.h"
#include "sources/sim_ipc_client.h"
#include "support/sim_peer.h"

namespace {

struct RunResult {
  bool ended = false;
  int exitCode = -1;
  std::string output;
};

// Runs orvane-sim to its end (at most `timeoutMs`) and returns its exit code and output.
RunResult RunSim(const std::vector<std::string>& args, uint32_t timeoutMs = 10000) {
  static int counter = 0;
  const std::string outputFile =
      "orvane-sim-run-" + std::to_string(platform::CurrentProcessId()) + "-" + std::to_string(++counter) + ".txt";
  RunResult result;
  platform::ChildProcess child;
  if (!platform::StartProcess(orvane_test::SimProgramPath(), args, child, outputFile)) return result;
  result.ended = platform::WaitProcess(child, timeoutMs, &result.exitCode);
  if (!result.ended) platform::StopProcess(child, 5000);
  platform::ReadWholeFile(outputFile, result.output, 1 << 20);
  std::remove(outputFile.c_str());
  return result;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(SimProgram, HelpAndVersionEndAtOnce) {
  const RunResult help = RunSim({"--help"});
  ASSERT_TRUE(help.ended);
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(Contains(help.output, "Usage: orvane-sim")) << help.output;
  for (const char* option : {"--class", "--demo-time", "--freeze", "--values", "--duration", "--fault",
                             "no-reply", "reply=N", "delay=MS", "refuse-handshake", "scribble", "--pitch-steps"})
    EXPECT_TRUE(Contains(help.output, option)) << option;
  // Every key a --values file may give, with its unit.
  for (size_t v = 0; v < kFlightVarCount; ++v) {
    const FlightVarInfo& info = VarInfo(FlightVar(v));
    if (info.hasField) {
      EXPECT_TRUE(Contains(help.output, std::string("\n  ") + info.name + " ")) << info.name;
    }
  }
  EXPECT_TRUE(Contains(help.output, "knots")) << help.output;

  const RunResult version = RunSim({"--version"});
  ASSERT_TRUE(version.ended);
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_TRUE(Contains(version.output, "orvane-sim 1.")) << version.output;
}

TEST(SimProgram, BadOptionsAreNamedWithTheirValue) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> mentions;
  };
  const Case cases[] = {
      {{"--bogus"}, {"--bogus"}},
      {{"--class", "XYZMAIN"}, {"--class", "XYZMAIN"}},
      {{"--fault", "reply=x"}, {"--fault", "reply=x"}},
      {{"--fault", "explode"}, {"--fault", "explode"}},
      {{"--fault", "delay=-5"}, {"--fault", "delay=-5"}},
      {{"--duration", "-1"}, {"--duration", "-1"}},
      {{"--demo-time", "soon"}, {"--demo-time", "soon"}},
      {{"--sim-version", "70000"}, {"--sim-version", "70000"}},
      {{"--interface-version", "0x1FFFFFFFF"}, {"--interface-version", "0x1FFFFFFFF"}},
      {{"--fault-after"}, {"--fault-after"}},
      {{"--pitch-steps", "5"}, {"--pitch-steps", "5"}},
  };
  for (const Case& c : cases) {
    const RunResult r = RunSim(c.args);
    ASSERT_TRUE(r.ended) << c.args[0];
    EXPECT_EQ(r.exitCode, 2) << c.args[0] << "\n" << r.output;
    for (const std::string& m : c.mentions) EXPECT_TRUE(Contains(r.output, m)) << m << "\n" << r.output;
  }
}

TEST(SimProgram, MissingValuesFileIsNamed) {
  const std::string name = "no-such-values-file-" + std::to_string(platform::CurrentProcessId()) + ".txt";
  const RunResult r = RunSim({"--values", name});
  ASSERT_TRUE(r.ended);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.output, name)) << r.output;
}

TEST(SimProgram, DurationEndsTheProgramByItself) {
  orvane_test::SimPeer namespaceOnly;  // keeps this run apart from other test programs' peers
  const RunResult r = RunSim({"--duration", "0.5"});
  ASSERT_TRUE(r.ended) << "still running after 10 s";
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(Contains(r.output, "stopped after 0 batches")) << r.output;
}

TEST(SimProgram, SecondPeerOfTheSameClassIsRefused) {
  orvane_test::SimPeer first;
  std::string error;
  ASSERT_TRUE(first.Start({}, error)) << error;
  const RunResult second = RunSim({"--duration", "5"});
  ASSERT_TRUE(second.ended);
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_TRUE(Contains(second.output, "already running")) << second.output;
  // The other class is still free.
  const RunResult other = RunSim({"--class", "FS98MAIN", "--duration", "0.3"});
  ASSERT_TRUE(other.ended);
  EXPECT_EQ(other.exitCode, 0) << other.output;
  EXPECT_EQ(first.Stop(), 0) << first.Log();
}

TEST(SimProgram, PitchStepsBetweenLevelAndFiveDegreesNoseUpOnTheClock) {
  // Every 100 ms of the monotonic clock the pitch changes: level in even periods, 5 degrees nose up
  // in odd ones (the area counts nose down positive).
  orvane_test::SimPeer sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--freeze", "--pitch-steps", "100"}, error)) << error;
  uint32_t code = 0;
  SimIpcClient client;
  ASSERT_TRUE(client.SimIpcOpen(0, &code)) << code;
  int level = 0, noseUp = 0;
  const uint64_t end = platform::MonotonicMicros() + 1500000;
  while (platform::MonotonicMicros() < end) {
    double pitch = 99;
    const uint64_t before = platform::MonotonicMicros();
    ASSERT_TRUE(client.SimIpcRead(0x2F70, 8, &pitch, &code)) << code;
    ASSERT_TRUE(client.SimIpcProcess(&code)) << code;
    const uint64_t period = before / 100000;
    if (platform::MonotonicMicros() / 100000 != period) continue;  // changed during the exchange
    if (period % 2 == 1) {
      EXPECT_EQ(pitch, -5.0);
      ++noseUp;
    } else {
      EXPECT_EQ(pitch, 0.0);
      ++level;
    }
    platform::SleepMs(7);
  }
  client.SimIpcClose();
  EXPECT_GT(level, 20);
  EXPECT_GT(noseUp, 20);
  EXPECT_EQ(sim.Stop(), 0) << sim.Log();
}

}  // namespace
