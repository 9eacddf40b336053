// The real display in network mode against misbehaving servers: it keeps drawing, flags exactly the frames without data, reconnects.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
#include "platform/system.h"
#include "support/faults_display.h"
#include "support/script_server.h"
#include "support/test_env.h"

namespace {

using orvane_test::FaultDisplay;
using orvane_test::FrameRecord;

constexpr uint64_t kMs = 1000;
// A request (or a pipelined frame) gets its reply within 5 s or is given up.
constexpr uint64_t kReplyBoundUs = 5000 * kMs;
// RECONNECT: one attempt every 2 s, each bounded to 1 s.
constexpr uint64_t kReconnectUs = 3000 * kMs;
constexpr uint64_t kSlackUs = 1500 * kMs;
// Requests per frame in network mode.
constexpr uint64_t kRequestsPerFrame = 29;

bool IsTextRequest(const std::string& request) { return request.size() >= 2 && request.substr(request.size() - 2) == ",7"; }

// The reply of a well-behaved server for the script servers: zero for numbers, an identifier for texts.
std::string GoodReply(const std::string& request) { return IsTextRequest(request) ? std::string("IORV", 5) : std::string("0", 2); }

// Answers `count` requests well; false when the connection ended first.
bool AnswerWell(ScriptConnection& c, uint64_t count) {
  std::string request;
  for (uint64_t i = 0; i < count; ++i) {
    if (!c.ReadRequest(&request, 10000) || !c.Send(GoodReply(request))) return false;
  }
  return true;
}

// Answers well until the display goes away or the server stops.
void AnswerWellForGood(ScriptConnection& c) {
  std::string request;
  while (c.ReadRequest(&request, 60000) && c.Send(GoodReply(request))) {
  }
}

bool AtLeast(const std::vector<FrameRecord>& frames, size_t count) { return frames.size() >= count; }

void ExpectUnflaggedFrom(const std::vector<FrameRecord>& frames, uint64_t first, const char* why) {
  for (const FrameRecord& f : frames) {
    if (f.index < first) continue;
    EXPECT_FALSE(f.flag) << "frame " << f.index << " " << why;
  }
}

// Replies that are no number: each must raise the flag on its frame (when it answers a number),
// and nothing else may.
TEST(FaultsNetwork, UnusableRepliesFlagExactlyTheirFrames) {
  const std::vector<std::string> garbage = {std::string("", 1),          std::string("x7!", 4),
                                            std::string("1e999", 6),     std::string("12abc", 6),
                                            std::string("\x01\x02\xff", 4), std::string(" 1\t", 4),
                                            std::string("--3", 4),       std::string("1.2.3", 6)};
  const uint64_t spoilFrom = kRequestsPerFrame * 20 + 5;
  const uint64_t spoilTo = kRequestsPerFrame * 26 + 2;
  for (const bool pipeline : {false, true}) {
    SCOPED_TRACE(pipeline ? "PIPELINE=Y" : "one request at a time");
    std::mutex mutex;
    std::set<uint64_t> expectedFlagged;
    uint64_t spoiled = 0;
    ScriptServer server([&](ScriptConnection& c) {
      std::string request;
      for (uint64_t n = 0; c.ReadRequest(&request, 60000); ++n) {
        std::string reply = GoodReply(request);
        if (n >= spoilFrom && n < spoilTo) {
          reply = garbage[n % garbage.size()];
          std::lock_guard<std::mutex> lock(mutex);
          ++spoiled;
          // A text takes any reply; a number cannot.
          if (!IsTextRequest(request)) expectedFlagged.insert(n / kRequestsPerFrame);
        }
        if (!c.Send(reply)) return;
      }
    });
    ASSERT_TRUE(server.Listening());
    FaultDisplay display;
    display.UseNetwork(server.Port(), /*reconnect=*/false, pipeline);
    ASSERT_TRUE(display.Start());
    const bool enough = display.WaitFrames([](const auto& f) { return AtLeast(f, 45); }, 60000);
    EXPECT_EQ(display.Run().Stop(10000), 0) << display.Output();
    server.Stop();
    const std::vector<FrameRecord> frames = display.Frames();
    ASSERT_TRUE(enough) << orvane_test::DescribeFrames(frames) << "\n" << display.Output();
    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_EQ(expectedFlagged.size(), 7u) << "the spoiled requests cover frames 20 to 26";
    size_t flagged = 0;
    for (const FrameRecord& f : frames) {
      EXPECT_EQ(f.flag, expectedFlagged.count(f.index) == 1) << "frame " << f.index << "; "
                                                             << orvane_test::DescribeFrames(frames);
      flagged += f.flag ? 1 : 0;
    }
    EXPECT_EQ(server.Accepted(), 1) << "a reply that is no number leaves the connection up";
    EXPECT_LT(orvane_test::LongestFrameGapUs(frames), 2000 * kMs) << orvane_test::DescribeFrames(frames);
    std::printf("[ figures  ] %s: %llu replies spoiled, %zu frames, %zu flagged, longest gap %llu ms\n",
                pipeline ? "pipelined" : "one by one", static_cast<unsigned long long>(spoiled), frames.size(),
                flagged, static_cast<unsigned long long>(orvane_test::LongestFrameGapUs(frames) / kMs));
  }
}

// The server drops the connection in the middle of a reply, and the next one answers with a reply
// that never ends: with RECONNECT the picture comes back each time, within the retry period.
TEST(FaultsNetwork, LostConnectionsComeBackWithReconnect) {
  std::atomic<int> connections{0};
  ScriptServer server(
      [&connections](ScriptConnection& c) {
        const int n = connections++;
        if (n == 0) {
          // Ten whole frames and 13 requests of the eleventh, then half a reply and the end.
          std::string request;
          if (!AnswerWell(c, kRequestsPerFrame * 10 + 13) || !c.ReadRequest(&request)) return;
          c.Send("12");
          return;  // the server closes the connection
        }
        if (n == 1) {
          std::string request;
          if (!AnswerWell(c, kRequestsPerFrame * 5 + 3) || !c.ReadRequest(&request)) return;
          c.Send(std::string(5000, 'A'));  // longer than any reply may be, without its zero byte
          c.WaitPeerClosed(10000);
          return;
        }
        AnswerWellForGood(c);
      },
      3);
  ASSERT_TRUE(server.Listening());
  FaultDisplay display;
  display.UseNetwork(server.Port(), /*reconnect=*/true);
  ASSERT_TRUE(display.Start());
  // Two flag runs, then 60 clean frames.
  const bool back = display.WaitFrames(
      [](const auto& frames) {
        const auto runs = orvane_test::FlagRuns(frames);
        return runs.size() >= 2 && frames.size() >= runs.back().second + 61;
      },
      30000);
  EXPECT_EQ(display.Run().Stop(10000), 0) << display.Output();
  server.Stop();
  const std::vector<FrameRecord> frames = display.Frames();
  ASSERT_TRUE(back) << orvane_test::DescribeFrames(frames) << "\n" << display.Output();
  const auto runs = orvane_test::FlagRuns(frames);
  ASSERT_EQ(runs.size(), 2u) << orvane_test::DescribeFrames(frames);
  EXPECT_EQ(runs[0].first, 10u) << "the frame whose reply was cut off";
  EXPECT_EQ(server.Accepted(), 3);
  for (const auto& run : runs) {
    const uint64_t outage = frames[run.second].endUs - frames[run.first].StartUs();
    EXPECT_LE(outage, kReconnectUs + kSlackUs) << orvane_test::DescribeFrames(frames);
  }
  ExpectUnflaggedFrom(frames, runs.back().second + 1, "after the last reconnect");
  EXPECT_LE(orvane_test::LongestFrameGapUs(frames), kReplyBoundUs + kSlackUs) << orvane_test::DescribeFrames(frames);
  std::printf("[ figures  ] lost connections: %s\n", orvane_test::DescribeFrames(frames).c_str());
}

// Without RECONNECT a lost server means no data for good: every later frame carries the flag, and
// the loop goes on drawing (not connected: nothing is sent, nothing waited for) and answers the
// close request.
TEST(FaultsNetwork, WithoutReconnectALostServerLeavesTheFlagUpAndTheLoopRunning) {
  ScriptServer server([](ScriptConnection& c) { AnswerWell(c, kRequestsPerFrame * 5); }, 1);
  ASSERT_TRUE(server.Listening());
  FaultDisplay display;
  display.UseNetwork(server.Port(), /*reconnect=*/false);
  ASSERT_TRUE(display.Start());
  const bool drawing = display.WaitFrames([](const auto& f) { return AtLeast(f, 60); }, 30000);
  const uint64_t asked = platform::MonotonicMicros();
  EXPECT_EQ(display.Run().Stop(10000), 0) << display.Output();
  const uint64_t ended = platform::MonotonicMicros();
  const std::vector<FrameRecord> frames = display.Frames();
  ASSERT_TRUE(drawing) << orvane_test::DescribeFrames(frames) << "\n" << display.Output();
  for (const FrameRecord& f : frames) EXPECT_EQ(f.flag, f.index >= 5) << "frame " << f.index;
  EXPECT_EQ(server.Accepted(), 1);
  EXPECT_LT(orvane_test::LongestFrameGapUs(frames), 2000 * kMs) << orvane_test::DescribeFrames(frames);
  EXPECT_LT(ended - asked, 2000 * kMs) << "the close request is answered at once";
  std::printf("[ figures  ] lost server, no RECONNECT: %zu frames, longest gap %llu ms, close answered in %llu ms\n",
              frames.size(), static_cast<unsigned long long>(orvane_test::LongestFrameGapUs(frames) / kMs),
              static_cast<unsigned long long>((ended - asked) / kMs));
}

// A server that keeps the connection but stops answering holds one frame for the reply bound, no
// longer; the display then drops the connection and, with RECONNECT, gets its picture back. A close
// request sent while a frame is held is answered when that frame ends.
TEST(FaultsNetwork, ASilentServerHoldsAFrameForAtMostTheReplyBound) {
  std::atomic<uint64_t> secondStall{0};
  std::atomic<int> connections{0};
  ScriptServer server(
      [&secondStall, &connections](ScriptConnection& c) {
        const int n = connections++;
        if (!AnswerWell(c, kRequestsPerFrame * 5 + (n == 0 ? 7 : 0))) return;
        if (n == 1) secondStall = platform::MonotonicMicros();
        c.WaitPeerClosed(20000);  // reads what comes, answers nothing
      },
      2);
  ASSERT_TRUE(server.Listening());
  FaultDisplay display;
  display.UseNetwork(server.Port(), /*reconnect=*/true);
  ASSERT_TRUE(display.Start());
  const uint64_t deadline = platform::MonotonicMicros() + 30000 * kMs;
  while (secondStall.load() == 0 && platform::MonotonicMicros() < deadline) platform::SleepMs(10);
  ASSERT_NE(secondStall.load(), 0u) << orvane_test::DescribeFrames(display.Frames()) << "\n" << display.Output();
  // Half way into the wait: a signal that interrupts it must not start the bound over.
  platform::SleepMs(2500);
  const uint64_t asked = platform::MonotonicMicros();
  const int code = display.Run().Stop(15000);
  const uint64_t ended = platform::MonotonicMicros();
  server.Stop();
  EXPECT_EQ(code, 0) << display.Output();
  const std::vector<FrameRecord> frames = display.Frames();
  const auto runs = orvane_test::FlagRuns(frames);
  ASSERT_EQ(runs.size(), 2u) << orvane_test::DescribeFrames(frames);
  // The first hold: frame 5, flagged, as long as the bound.
  EXPECT_EQ(runs[0].first, 5u);
  EXPECT_GE(frames[5].frameUs, kReplyBoundUs - 100 * kMs) << orvane_test::DescribeFrames(frames);
  EXPECT_LE(frames[5].frameUs, kReplyBoundUs + kSlackUs) << orvane_test::DescribeFrames(frames);
  // Then five clean frames on the new connection, and the second hold ends the run.
  EXPECT_EQ(runs[1].first - runs[0].second - 1, 5u) << orvane_test::DescribeFrames(frames);
  EXPECT_EQ(runs[1].second, frames.back().index) << "the close request ends the loop after the held frame";
  EXPECT_LE(frames.back().frameUs, kReplyBoundUs + kSlackUs);
  EXPECT_LE(ended - secondStall.load(), kReplyBoundUs + kSlackUs);
  EXPECT_LE(orvane_test::LongestFrameGapUs(frames), kReplyBoundUs + kSlackUs);
  uint64_t longestSincePump = 0;
  for (const FrameRecord& f : frames) longestSincePump = std::max(longestSincePump, f.sincePumpUs);
  EXPECT_LE(longestSincePump, kReplyBoundUs + kSlackUs) << "the message queue was looked at in every bound";
  std::printf("[ figures  ] silent server: held frames %llu ms and %llu ms, close request answered after %llu ms, "
              "longest time without looking at the message queue %llu ms\n",
              static_cast<unsigned long long>(frames[5].frameUs / kMs),
              static_cast<unsigned long long>(frames.back().frameUs / kMs),
              static_cast<unsigned long long>((ended - asked) / kMs),
              static_cast<unsigned long long>(longestSincePump / kMs));
}

// ---- Against the real OrvaneGCServer ---------------------------------------------------------------

bool CanConnect(uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

// OrvaneGCServer serving the frozen demo on a fixed port, killed without warning when asked.
class ServerProcess {
 public:
  explicit ServerProcess(uint16_t port) : port_(port) {}
  ~ServerProcess() {
    if (child_.id != 0) platform::StopProcess(child_, 5000);
    std::remove(log_.c_str());
  }
  bool Start() {
    log_ = "faults-network-server-" + std::to_string(platform::CurrentProcessId()) + ".log";
    const std::string program = platform::CurrentDirectory() + "/OrvaneGCServer" + ORVANE_EXE_SUFFIX;
    if (!platform::StartProcess(program,
                                {"--port", std::to_string(port_), "--bind", "127.0.0.1", "--demo-time", "61.5",
                                 "--freeze", "--duration", "120"},
                                child_, log_))
      return false;
    const uint64_t deadline = platform::MonotonicMicros() + 15000 * kMs;
    while (platform::MonotonicMicros() < deadline) {
      if (CanConnect(port_)) return true;
      platform::SleepMs(20);
    }
    return false;
  }
  void KillHard() {
    kill(pid_t(child_.id), SIGKILL);
    int code = 0;
    platform::WaitProcess(child_, 5000, &code);
    child_.id = 0;
  }

 private:
  uint16_t port_;
  platform::ChildProcess child_;
  std::string log_;
};

// The picture as drawn from the frozen demo, the same before the server was killed and after it
// came back; in between the flag is up and the picture differs.
TEST(FaultsNetwork, AKilledAndRestartedServerBringsThePictureBackWithReconnect) {
  const uint16_t port = orvane_test::PortForServer();
  ServerProcess server(port);
  ASSERT_TRUE(server.Start());
  FaultDisplay display;
  display.UseNetwork(port, /*reconnect=*/true);
  ASSERT_TRUE(display.Start(0, 300));
  auto snapshotWhere = [](const std::vector<FrameRecord>& frames, bool flag, uint64_t startedAfter) {
    for (const FrameRecord& f : frames)
      if (f.snapshot >= 0 && f.flag == flag && f.StartUs() > startedAfter) return f.snapshot;
    return -1;
  };
  ASSERT_TRUE(display.WaitFrames([&](const auto& f) { return snapshotWhere(f, false, 0) >= 0 && AtLeast(f, 20); },
                                 30000))
      << orvane_test::DescribeFrames(display.Frames()) << "\n" << display.Output();
  const uint64_t killed = platform::MonotonicMicros();
  server.KillHard();
  const bool flaggedShot =
      display.WaitFrames([&](const auto& f) { return snapshotWhere(f, true, killed) >= 0; }, 15000);
  platform::SleepMs(500);
  const uint64_t restarted = platform::MonotonicMicros();
  ASSERT_TRUE(server.Start());
  const bool backShot =
      display.WaitFrames([&](const auto& f) { return snapshotWhere(f, false, restarted) >= 0; }, 15000);
  EXPECT_EQ(display.Run().Stop(10000), 0) << display.Output();
  const std::vector<FrameRecord> frames = display.Frames();
  ASSERT_TRUE(flaggedShot) << orvane_test::DescribeFrames(frames);
  ASSERT_TRUE(backShot) << orvane_test::DescribeFrames(frames) << "\n" << display.Output();

  uint64_t firstBack = 0;
  for (const FrameRecord& f : frames) {
    if (f.endUs < killed) {
      EXPECT_FALSE(f.flag) << "frame " << f.index << " before the kill";
    } else if (f.StartUs() > killed && f.endUs < restarted) {
      EXPECT_TRUE(f.flag) << "frame " << f.index << " without server";
    } else if (f.StartUs() > restarted && !f.flag && firstBack == 0) {
      firstBack = f.StartUs();
    }
  }
  ASSERT_NE(firstBack, 0u);
  EXPECT_LE(firstBack - restarted, kReconnectUs + kSlackUs) << "the retry period brings it back";
  for (const FrameRecord& f : frames) {
    if (f.StartUs() < firstBack) continue;
    EXPECT_FALSE(f.flag) << "frame " << f.index << " after the picture came back";
  }
  const std::string before = display.SnapshotBytes(snapshotWhere(frames, false, 0));
  const std::string during = display.SnapshotBytes(snapshotWhere(frames, true, killed));
  const std::string after = display.SnapshotBytes(snapshotWhere(frames, false, restarted));
  ASSERT_FALSE(before.empty());
  EXPECT_TRUE(before == after) << "the frozen demo draws the same picture after the restart";
  EXPECT_FALSE(before == during) << "without data the picture shows the flag and the zero attitude";
  EXPECT_LE(orvane_test::LongestFrameGapUs(frames), kReplyBoundUs + kSlackUs) << orvane_test::DescribeFrames(frames);
  std::printf("[ figures  ] killed server: picture back %llu ms after the restart; %s\n",
              static_cast<unsigned long long>((firstBack - restarted) / kMs),
              orvane_test::DescribeFrames(frames).c_str());
}

}  // namespace
