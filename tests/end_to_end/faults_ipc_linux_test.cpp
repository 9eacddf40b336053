// The real display in simulator mode against a misbehaving orvane-sim: it keeps drawing, flags exactly the failed frames, honours the close request.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
#include "platform/system.h"
#include "support/faults_display.h"
#include "support/sim_peer.h"

namespace {

using orvane_test::FaultDisplay;
using orvane_test::FrameRecord;

constexpr uint64_t kMs = 1000;
// One IPC exchange: 10 attempts of 2,000 ms plus 100 ms each.
constexpr uint64_t kExchangeBoundUs = 21000 * kMs;
// What a loaded test machine may add to a bound (drawing the frame, scheduling).
constexpr uint64_t kSlackUs = 1500 * kMs;

// orvane-sim as a child process of its own, so a test can kill it without warning.
class Simulator {
 public:
  Simulator() {
    static const bool once = [] {
      platform::SetIpcNamespace("faults-" + std::to_string(platform::CurrentProcessId()));
      return true;
    }();
    (void)once;
  }
  ~Simulator() {
    Stop();
    std::remove(logFile_.c_str());
  }

  // Starts it and waits (at most 15 s) until its peer can be found.
  bool Start(const std::vector<std::string>& args, std::string& error) {
    if (!logFile_.empty()) std::remove(logFile_.c_str());
    logFile_ = "faults-ipc-sim-" + std::to_string(platform::CurrentProcessId()) + "-" + std::to_string(++counter_) +
               ".log";
    if (!platform::StartProcess(orvane_test::SimProgramPath(), args, child_, logFile_)) {
      error = "cannot start " + orvane_test::SimProgramPath();
      return false;
    }
    const uint64_t deadline = platform::MonotonicMicros() + 15000 * kMs;
    platform::IpcClient probe;
    while (platform::MonotonicMicros() < deadline) {
      if (platform::FindIpcWindow(probe, "UIPCMAIN") != 0) return true;
      if (!platform::ProcessRunning(child_)) break;
      platform::SleepMs(20);
    }
    error = "orvane-sim did not come up: " + Log();
    Stop();
    return false;
  }
  // SIGKILL: no clean-up of any kind on its side. Returns once its peer is gone.
  void KillHard() {
    if (child_.id == 0) return;
    kill(pid_t(child_.id), SIGKILL);
    int code = 0;
    platform::WaitProcess(child_, 5000, &code);
    child_.id = 0;
    const uint64_t deadline = platform::MonotonicMicros() + 5000 * kMs;
    platform::IpcClient probe;
    while (platform::FindIpcWindow(probe, "UIPCMAIN") != 0 && platform::MonotonicMicros() < deadline) platform::SleepMs(20);
  }
  int Stop() {
    if (child_.id == 0) return 0;
    return platform::StopProcess(child_, 5000);
  }
  std::string Log() const {
    std::string text;
    platform::ReadWholeFile(logFile_, text, 1 << 20);
    return text;
  }

 private:
  platform::ChildProcess child_;
  std::string logFile_;
  int counter_ = 0;
};

bool AtLeast(const std::vector<FrameRecord>& frames, size_t count) { return frames.size() >= count; }

// The link's opening handshake is the simulator's batch 0, so frame i is performed by batch i + 1:
// a fault on batches [40, 60) is a fault on frames 39 to 58, and on no other frame.
TEST(FaultsIpc, RefusedOrScribbledExchangesFlagExactlyTheirFrames) {
  for (const char* fault : {"reply=0", "reply=7", "scribble"}) {
    SCOPED_TRACE(std::string("orvane-sim --fault ") + fault);
    Simulator sim;
    std::string error;
    ASSERT_TRUE(sim.Start({"--fault", fault, "--fault-after", "40", "--fault-count", "20", "--duration", "90"}, error))
        << error;
    FaultDisplay display;
    ASSERT_TRUE(display.Start());
    const bool enough = display.WaitFrames([](const auto& f) { return AtLeast(f, 90); }, 60000);
    EXPECT_EQ(display.Run().Stop(10000), 0) << display.Output();
    const std::vector<FrameRecord> frames = display.Frames();
    ASSERT_TRUE(enough) << orvane_test::DescribeFrames(frames) << "\n" << display.Output();
    size_t flagged = 0;
    for (const FrameRecord& f : frames) {
      const bool faulty = f.index >= 39 && f.index <= 58;
      EXPECT_EQ(f.flag, faulty) << "frame " << f.index << "; " << orvane_test::DescribeFrames(frames);
      flagged += f.flag ? 1 : 0;
    }
    EXPECT_EQ(flagged, 20u) << orvane_test::DescribeFrames(frames);
    // A refused batch is answered at once: no frame waits for a bound.
    EXPECT_LT(orvane_test::LongestFrameGapUs(frames), 2000 * kMs) << orvane_test::DescribeFrames(frames);
    std::printf("[ figures  ] --fault %s: %zu frames, %zu flagged, longest gap %llu ms\n", fault, frames.size(),
                flagged, static_cast<unsigned long long>(orvane_test::LongestFrameGapUs(frames) / kMs));
  }
}

// A batch answered after the first attempt's 2 s time-out: the retry is answered, so the frame is
// late but complete, and the flag stays down.
TEST(FaultsIpc, AnAnswerLaterThanOneAttemptDelaysOneFrameWithoutTheFlag) {
  Simulator sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--fault", "delay=2500", "--fault-after", "20", "--fault-count", "1", "--duration", "90"},
                        error))
      << error;
  FaultDisplay display;
  ASSERT_TRUE(display.Start());
  const bool enough = display.WaitFrames([](const auto& f) { return AtLeast(f, 40); }, 60000);
  EXPECT_EQ(display.Run().Stop(10000), 0) << display.Output();
  const std::vector<FrameRecord> frames = display.Frames();
  ASSERT_TRUE(enough) << orvane_test::DescribeFrames(frames) << "\n" << display.Output();
  EXPECT_TRUE(orvane_test::FlagRuns(frames).empty()) << orvane_test::DescribeFrames(frames);
  EXPECT_GE(frames[19].frameUs, 2000 * kMs) << orvane_test::DescribeFrames(frames);
  EXPECT_LE(frames[19].frameUs, kExchangeBoundUs + kSlackUs) << orvane_test::DescribeFrames(frames);
  for (const FrameRecord& f : frames) {
    if (f.index == 19) continue;
    EXPECT_LT(f.frameUs, 2000 * kMs) << "frame " << f.index;
  }
  std::printf("[ figures  ] delayed batch: frame 19 took %llu ms, %zu frames, none flagged\n",
              static_cast<unsigned long long>(frames[19].frameUs / kMs), frames.size());
}

// The one long path: a batch nobody answers holds its frame for the whole exchange bound (10
// attempts of 2 s plus 100 ms), no longer; that frame carries the flag, and a close request sent
// meanwhile ends the program right after it, with exit code 0.
TEST(FaultsIpc, AnUnansweredExchangeHoldsOneFrameForAtMostTheBoundAndTheCloseRequestFollows) {
  Simulator sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--fault", "no-reply", "--fault-after", "30", "--fault-count", "10", "--duration", "120"},
                        error))
      << error;
  FaultDisplay display;
  ASSERT_TRUE(display.Start());
  // Frames 0 to 28 are drawn; frame 29 is then waiting for its batch.
  ASSERT_TRUE(display.WaitFrames([](const auto& f) { return AtLeast(f, 29); }, 60000))
      << orvane_test::DescribeFrames(display.Frames()) << "\n" << display.Output();
  const uint64_t stallStart = display.Frames()[28].endUs;
  platform::SleepMs(3000);
  const uint64_t asked = platform::MonotonicMicros();
  const int code = display.Run().Stop(30000);
  const uint64_t ended = platform::MonotonicMicros();
  EXPECT_EQ(code, 0) << display.Output();
  const std::vector<FrameRecord> frames = display.Frames();
  ASSERT_EQ(frames.size(), 30u) << "the close request ends the loop after the held frame; "
                                << orvane_test::DescribeFrames(frames);
  for (size_t i = 0; i < 29; ++i) EXPECT_FALSE(frames[i].flag) << "frame " << i;
  EXPECT_TRUE(frames[29].flag);
  EXPECT_GE(frames[29].frameUs, 20000 * kMs) << "all ten attempts ran out";
  EXPECT_LE(frames[29].frameUs, kExchangeBoundUs + kSlackUs);
  EXPECT_LE(ended - stallStart, kExchangeBoundUs + kSlackUs) << "the close request waited for no more than the bound";
  std::printf("[ figures  ] unanswered exchange: frame held %llu ms; close request answered after %llu ms\n",
              static_cast<unsigned long long>(frames[29].frameUs / kMs),
              static_cast<unsigned long long>((ended - asked) / kMs));
}

// The simulator dies without a word: every later frame fails fast (no peer to send to), carries the
// flag, and the loop goes on drawing and answers the close request.
TEST(FaultsIpc, AKilledSimulatorLeavesTheLoopDrawingWithTheFlagUp) {
  Simulator sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--duration", "120"}, error)) << error;
  FaultDisplay display;
  ASSERT_TRUE(display.Start());
  ASSERT_TRUE(display.WaitFrames([](const auto& f) { return AtLeast(f, 30); }, 60000))
      << orvane_test::DescribeFrames(display.Frames()) << "\n" << display.Output();
  const uint64_t killed = platform::MonotonicMicros();
  sim.KillHard();
  // Three whole frames after the kill.
  const bool drawing = display.WaitFrames(
      [killed](const auto& frames) {
        int after = 0;
        for (const FrameRecord& f : frames) after += f.StartUs() > killed ? 1 : 0;
        return after >= 3;
      },
      3 * (kExchangeBoundUs + kSlackUs) / kMs);
  const uint64_t restarted = platform::MonotonicMicros();
  ASSERT_TRUE(sim.Start({"--duration", "120"}, error)) << error;
  platform::SleepMs(2500);
  const uint64_t asked = platform::MonotonicMicros();
  EXPECT_EQ(display.Run().Stop(30000), 0) << display.Output();
  const uint64_t ended = platform::MonotonicMicros();
  const std::vector<FrameRecord> frames = display.Frames();
  ASSERT_TRUE(drawing) << orvane_test::DescribeFrames(frames);

  size_t before = 0, without = 0;
  for (const FrameRecord& f : frames) {
    if (f.endUs < killed) {
      EXPECT_FALSE(f.flag) << "frame " << f.index << " before the kill";
      ++before;
    } else if (f.StartUs() > killed && f.endUs < restarted) {
      EXPECT_TRUE(f.flag) << "frame " << f.index << " without a simulator";
      ++without;
    }
  }
  EXPECT_GE(without, 3u);
  EXPECT_LE(orvane_test::LongestFrameGapUs(frames), kExchangeBoundUs + kSlackUs) << orvane_test::DescribeFrames(frames);
  EXPECT_LE(ended - asked, kExchangeBoundUs + kSlackUs);
  // The link is opened once, at start-up, and is bound to the peer it found (on Windows: its
  // window). A simulator started anew is another peer: the display does not take it for the old one,
  // so the flag stays up rather than showing anything the new peer did not answer for.
  size_t afterRestart = 0, flaggedAfterRestart = 0;
  for (const FrameRecord& f : frames) {
    if (f.StartUs() <= restarted) continue;
    ++afterRestart;
    flaggedAfterRestart += f.flag ? 1 : 0;
    EXPECT_TRUE(f.flag) << "frame " << f.index << " after the restart";
  }
  std::printf("[ figures  ] killed simulator: %zu frames before, %zu without it (longest gap %llu ms), %zu after "
              "the restart of which %zu flagged; close request answered after %llu ms\n",
              before, without, static_cast<unsigned long long>(orvane_test::LongestFrameGapUs(frames) / kMs),
              afterRestart, flaggedAfterRestart, static_cast<unsigned long long>((ended - asked) / kMs));
}

}  // namespace

namespace {

// [SIMULATOR] RECONNECT=Y: the panel waits for a simulator that is not there yet, comes back to
// life when it starts, keeps drawing with the flag when it is killed and shows its data again when
// it is started anew, each time within the 2 s retry period (and a frame's bound).
TEST(FaultsIpc, WithSimulatorReconnectAKilledAndRestartedSimulatorIsFoundAgain) {
  FaultDisplay display;
  display.Run().Write("OrvaneGCPfd.INI", "[SIMULATOR]\nRECONNECT=Y\n");
  ASSERT_TRUE(display.Start());
  auto unflaggedAfter = [](uint64_t t) {
    return [t](const std::vector<FrameRecord>& frames) {
      for (const FrameRecord& f : frames)
        if (f.StartUs() > t && !f.flag) return true;
      return false;
    };
  };
  auto flaggedAfter = [](uint64_t t) {
    return [t](const std::vector<FrameRecord>& frames) {
      for (const FrameRecord& f : frames)
        if (f.StartUs() > t && f.flag) return true;
      return false;
    };
  };
  // No simulator: the window stays open and every frame carries the flag.
  ASSERT_TRUE(display.WaitFrames([](const auto& f) { return AtLeast(f, 10); }, 30000)) << display.Output();
  for (const FrameRecord& f : display.Frames()) EXPECT_TRUE(f.flag) << "frame " << f.index << " without a simulator";

  Simulator sim;
  std::string error;
  const uint64_t started = platform::MonotonicMicros();
  ASSERT_TRUE(sim.Start({"--duration", "120"}, error)) << error;
  EXPECT_TRUE(display.WaitFrames(unflaggedAfter(started), 2000 + (kExchangeBoundUs + kSlackUs) / kMs))
      << "not found after its start\n" << display.Output();

  const uint64_t killed = platform::MonotonicMicros();
  sim.KillHard();
  EXPECT_TRUE(display.WaitFrames(flaggedAfter(killed), (kExchangeBoundUs + kSlackUs) / kMs)) << display.Output();

  const uint64_t restarted = platform::MonotonicMicros();
  ASSERT_TRUE(sim.Start({"--duration", "120"}, error)) << error;
  EXPECT_TRUE(display.WaitFrames(unflaggedAfter(restarted), 2000 + 2 * (kExchangeBoundUs + kSlackUs) / kMs))
      << "not found again after the restart\n" << orvane_test::DescribeFrames(display.Frames()) << "\n"
      << display.Output();
  EXPECT_EQ(display.Run().Stop(30000), 0) << display.Output();
  const std::string out = display.Output();
  EXPECT_NE(out.find("Simulator: its window has gone"), std::string::npos) << out;
  EXPECT_EQ(out.find("FSUIPC connection failed."), std::string::npos) << out;
}

}  // namespace

namespace {

// [SIMULATOR] RECONNECT=Y and a simulator that is still running but leaves one exchange unanswered
// (all ten attempts): that frame carries the flag, and the link stays open, so the very next
// frame shows the simulator's data again instead of waiting 2 s for a reopened link.
TEST(FaultsIpc, WithSimulatorReconnectOneUnansweredExchangeCostsOneFlaggedFrame) {
  Simulator sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--fault", "no-reply", "--fault-after", "20", "--fault-count", "10", "--duration", "120"},
                        error))
      << error;
  FaultDisplay display;
  display.Run().Write("OrvaneGCPfd.INI", "[SIMULATOR]\nRECONNECT=Y\n");
  ASSERT_TRUE(display.Start());
  const bool enough = display.WaitFrames([](const auto& f) { return AtLeast(f, 40); }, 90000);
  EXPECT_EQ(display.Run().Stop(30000), 0) << display.Output();
  const std::vector<FrameRecord> frames = display.Frames();
  ASSERT_TRUE(enough) << orvane_test::DescribeFrames(frames) << "\n" << display.Output();
  // Batch 0 is the handshake, so batches 20 to 29 are the ten attempts of frame 19.
  for (const FrameRecord& f : frames) EXPECT_EQ(f.flag, f.index == 19) << "frame " << f.index;
  EXPECT_GE(frames[19].frameUs, 20000 * kMs) << "all ten attempts ran out";
  const std::string out = display.Output();
  EXPECT_EQ(out.find("Simulator: "), std::string::npos) << "the link was closed:\n" << out;
}

}  // namespace
