// OrvaneGCServer over real TCP connections: replies per type code, ordering, bad and slow clients, 64 clients, sources.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "simdata/flight_state_file.h"
#include "model/network_reply.h"
#include "model/read_list.h"
#include "platform/ipc.h"
#include "platform/process.h"
#include "platform/system.h"
#include "server/area_sources.h"
#include "server/ipc_source.h"
#include "server/server_core.h"
#include "server/server_log.h"
#include "simdata/demo_flight.h"
#include "simdata/sim_data_area.h"
#include "sources/net_requests.h"
#include "support/test_env.h"

namespace {

using orvane_test::NowMs;

// A blocking-free test client: every wait is bounded by poll().
class Client {
 public:
  ~Client() { Close(); }

  bool Connect(uint16_t port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    if (fd_ < 0) return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return false;
    int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return true;
  }

  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

  // Sends every byte within the bound; false when the peer is gone or the bound passed.
  bool Send(const std::string& bytes, int timeoutMs = 5000) {
    size_t sent = 0;
    uint64_t deadline = NowMs() + uint64_t(timeoutMs);
    while (sent < bytes.size()) {
      pollfd p{fd_, POLLOUT, 0};
      int left = int(deadline > NowMs() ? deadline - NowMs() : 0);
      if (poll(&p, 1, left) <= 0) return false;
      ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n <= 0) return false;
      sent += size_t(n);
    }
    return true;
  }

  // The next zero-terminated reply (without the zero); false on time-out or end of stream.
  bool NextReply(std::string* reply, int timeoutMs = 5000) {
    uint64_t deadline = NowMs() + uint64_t(timeoutMs);
    while (true) {
      size_t zero = buffered_.find('\0');
      if (zero != std::string::npos) {
        *reply = buffered_.substr(0, zero);
        buffered_.erase(0, zero + 1);
        return true;
      }
      if (!Fill(deadline)) return false;
    }
  }

  // Request and reply in strict alternation.
  std::string Ask(const std::string& request) {
    std::string reply = "<no reply>";
    if (!Send(request + std::string(1, '\0')) || !NextReply(&reply)) return "<no reply>";
    return reply;
  }

  // True when the server ends the connection within the bound (bytes before the end are kept).
  bool WaitClosed(int timeoutMs) {
    uint64_t deadline = NowMs() + uint64_t(timeoutMs);
    while (NowMs() < deadline) {
      if (!Fill(deadline)) return closed_;
    }
    return false;
  }

  const std::string& Buffered() const { return buffered_; }
  int Fd() const { return fd_; }

 private:
  bool Fill(uint64_t deadline) {
    pollfd p{fd_, POLLIN, 0};
    int left = int(deadline > NowMs() ? deadline - NowMs() : 0);
    if (poll(&p, 1, left) <= 0) return false;
    char chunk[4096];
    ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) {
      closed_ = true;
      return false;
    }
    buffered_.append(chunk, size_t(n));
    return true;
  }

  int fd_ = -1;
  std::string buffered_;
  bool closed_ = false;
};

std::string Terminated(const std::string& request) { return request + std::string(1, '\0'); }

std::string RowRequest(const ReadListRow& row) {
  return BuildRequestText(int32_t(row.offset), row.netSize, row.netType);
}

// Puts one reply into its field the way the display does; false when the display could not use it.
bool StoreLikeTheDisplay(InterfaceValues& state, const ReadListRow& row, const std::string& reply) {
  if (row.kind == RawKind::Text) {
    StoreTextReply(state, row, reply);
    return true;
  }
  double value = 0;
  return ParseReplyNumber(reply, '.', &value) && StoreNumberReply(state, row, value);
}

// Compares every requested field of two states through their read-list bytes.
void ExpectSameFields(const InterfaceValues& got, const InterfaceValues& want, const std::string& where) {
  for (const ReadListRow* row : NetworkRequestOrder()) {
    if (row->field == FlightVar::None) continue;
    std::vector<uint8_t> a(row->size), b(row->size);
    LoadRawBytes(got, *row, a.data());
    LoadRawBytes(want, *row, b.data());
    EXPECT_EQ(a, b) << where << ": " << FieldName(row->field);
  }
}

// Asks the 29 requests of a display frame one by one and builds the display's InterfaceValues.
InterfaceValues FetchFrame(Client& client) {
  InterfaceValues state{};
  for (const ReadListRow* row : NetworkRequestOrder()) {
    std::string reply = client.Ask(RowRequest(*row));
    EXPECT_TRUE(StoreLikeTheDisplay(state, *row, reply)) << RowRequest(*row) << " -> " << reply;
  }
  return state;
}

// A flight state with values at the edges of every field's width.
InterfaceValues EdgeState() {
  InterfaceValues s{};
  s.Pitch = -2.75;
  s.Bank = 1.0 / 3.0;
  s.ApMaster = 1;
  s.ApHeadingHold = 0xFFFFFFFFu;
  s.ApAltitudeHold = 1;
  s.ApGlideSlopeHold = 0x80000000u;
  s.ApApproachHold = 2;
  s.GsNeedle = -128;
  s.LocNeedle = 127;
  s.RadioAltitudeRaw = -5 * 65536;
  s.OuterMarker = 1;
  s.MiddleMarker = 0xFFFF;
  s.InnerMarker = 0x8000;
  s.RadioStatus = 0x0342;
  s.FdActive = 1;
  s.FdPitch = 1e-300;
  s.FdBank = -179.99999999999997;
  s.Altimeter = -2147483647 - 1;
  s.ApAltitudeRaw = -1;
  s.Nav1BcFlags = 0x82;
  s.Nav1CodeFlags = 0xC0;
  s.GsInclinationRaw = -546;
  s.DmeText = "12.5N";   // five characters: no zero byte in the field
  s.Nav1Ident = "IORV";
  return s;
}

// Collects the server's log lines for the test that runs.
class LogCapture {
 public:
  LogCapture() {
    server::SetLogSink([this](const std::string& line) {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(line);
    });
  }
  ~LogCapture() { server::SetLogSink(nullptr); }
  bool Has(const std::string& a, const std::string& b = "") {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const std::string& l : lines_)
      if (l.find(a) != std::string::npos && l.find(b) != std::string::npos) return true;
    return false;
  }
  size_t Count(const std::string& a) {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t n = 0;
    for (const std::string& l : lines_) n += l.find(a) != std::string::npos;
    return n;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

// The server core on a free loopback port, run on its own thread for the length of a test.
class RunningServer {
 public:
  RunningServer(std::unique_ptr<server::DataSource> source, server::ServerOptions options = {})
      : source_(std::move(source)) {
    options.bindAddress = "127.0.0.1";
    options.port = 0;
    options.handleSignals = false;
    options.statsSeconds = 0;
    server_ = std::make_unique<server::Server>(options, *source_);
    std::string error;
    opened_ = server_->Open(&error);
    EXPECT_TRUE(opened_) << error;
    if (opened_) thread_ = std::thread([this] { server_->Run(); });
  }
  ~RunningServer() {
    server_->Stop();
    if (thread_.joinable()) thread_.join();
  }
  uint16_t Port() const { return server_->Port(); }
  server::Server& Core() { return *server_; }
  server::DataSource& Source() { return *source_; }

 private:
  std::unique_ptr<server::DataSource> source_;
  std::unique_ptr<server::Server> server_;
  std::thread thread_;
  bool opened_ = false;
};

std::unique_ptr<server::DataSource> FixedStateSource(const InterfaceValues& state) {
  SimDataArea area;
  area.StoreInterfaceValues(state);
  return std::make_unique<server::FixedSource>(area, "test values");
}

}  // namespace

// ---- Replies ---------------------------------------------------------------------------------------

TEST(ServerReplies, EveryReadListValueReachesTheDisplayUnchanged) {
  LogCapture log;
  const InterfaceValues want = EdgeState();
  RunningServer srv(FixedStateSource(want));
  Client client;
  ASSERT_TRUE(client.Connect(srv.Port()));
  InterfaceValues got = FetchFrame(client);
  ExpectSameFields(got, want, "edge values");
  EXPECT_EQ(got.DmeText, "12.5N");
  EXPECT_EQ(got.Nav1Ident, "IORV");
  // The two type codes of 4-byte signed values answer alike.
  EXPECT_EQ(client.Ask("13092,4,1"), "-2147483648");
  EXPECT_EQ(client.Ask("13092,4,5"), "-2147483648");
  EXPECT_EQ(client.Ask("12144,8,2"), "-2.75");
  EXPECT_EQ(client.Ask("3145,1,3"), "-128");
  EXPECT_EQ(client.Ask("13056,2,4"), "834");  // 0x0342
}

TEST(ServerReplies, FrozenDemoMatchesTheDemoFlightAtThatTime) {
  for (double t : {0.0, 37.25, demo::LoopSeconds() * 0.6}) {
    RunningServer srv(std::make_unique<server::DemoSource>(t, true));
    Client client;
    ASSERT_TRUE(client.Connect(srv.Port()));
    // Through a data area, as orvane-sim would deliver it.
    SimDataArea area;
    area.StoreReadings(demo::StateAt(t));
    InterfaceValues want = area.LoadInterfaceValues();
    ExpectSameFields(FetchFrame(client), want, "demo t=" + std::to_string(t));
  }
}

TEST(ServerReplies, BytesOutsideTheReadListAndNonNumbers) {
  SimDataArea area;
  const double nan = std::nan("");
  area.Set<double>(0x0100, nan);
  area.Set<double>(0x0108, 6.5);
  area.Write(0x0200, 8, "ABCDEFGH");
  area.Set<int16_t>(0xFFFE, -2);
  RunningServer srv(std::make_unique<server::FixedSource>(area, "test area"));
  Client client;
  ASSERT_TRUE(client.Connect(srv.Port()));
  EXPECT_EQ(client.Ask("256,8,2"), "0");   // not a finite number: the display could not read "nan"
  EXPECT_EQ(client.Ask("264,8,2"), "6.5");
  EXPECT_EQ(client.Ask("512,3,7"), "ABC");  // at most `size` bytes
  EXPECT_EQ(client.Ask("512,200,7"), "ABCDEFGH");
  EXPECT_EQ(client.Ask("65534,2,4"), "-2");  // the last two bytes of the area
}

// ---- Ordering and framing ----------------------------------------------------------------------------

TEST(ServerOrdering, PipelinedSplitAndByteWiseRequestsAreAnsweredInOrder) {
  const InterfaceValues want = EdgeState();
  RunningServer srv(FixedStateSource(want));
  std::vector<std::string> requests;
  std::string stream;
  for (const ReadListRow* row : NetworkRequestOrder()) {
    requests.push_back(RowRequest(*row));
    stream += Terminated(requests.back());
  }
  Client reference;
  ASSERT_TRUE(reference.Connect(srv.Port()));
  std::vector<std::string> expected;
  for (const std::string& r : requests) expected.push_back(reference.Ask(r));

  for (size_t piece : {stream.size(), size_t(7), size_t(1)}) {
    Client client;
    ASSERT_TRUE(client.Connect(srv.Port()));
    for (size_t at = 0; at < stream.size(); at += piece) {
      ASSERT_TRUE(client.Send(stream.substr(at, piece)));
      if (piece < 10) platform::SleepMs(1);  // separate segments
    }
    for (size_t i = 0; i < requests.size(); ++i) {
      std::string reply;
      ASSERT_TRUE(client.NextReply(&reply)) << "piece " << piece << " reply " << i;
      EXPECT_EQ(reply, expected[i]) << "piece " << piece << " request " << requests[i];
    }
  }
}

TEST(ServerOrdering, EachAlternatingReplyArrivesAsOneBlock) {
  RunningServer srv(FixedStateSource(EdgeState()));
  Client client;
  ASSERT_TRUE(client.Connect(srv.Port()));
  // A display takes whatever one receive returns as the reply: it must be whole, with its zero.
  for (int round = 0; round < 50; ++round) {
    for (const ReadListRow* row : NetworkRequestOrder()) {
      ASSERT_TRUE(client.Send(Terminated(RowRequest(*row))));
      pollfd p{client.Fd(), POLLIN, 0};
      ASSERT_EQ(poll(&p, 1, 5000), 1);
      platform::SleepMs(0);
      char block[256];
      ssize_t n = recv(client.Fd(), block, sizeof block, 0);
      ASSERT_GT(n, 0);
      EXPECT_EQ(block[n - 1], '\0') << RowRequest(*row);
      EXPECT_EQ(std::memchr(block, 0, size_t(n)), block + n - 1) << "one reply per block";
    }
  }
}

// ---- Bad clients ---------------------------------------------------------------------------------------

TEST(ServerBadClients, MalformedRequestsAreAnsweredAndLogged) {
  LogCapture log;
  RunningServer srv(FixedStateSource(EdgeState()));
  Client client;
  ASSERT_TRUE(client.Connect(srv.Port()));
  EXPECT_EQ(client.Ask("hello"), "0");
  EXPECT_EQ(client.Ask("12144,8,9"), "0");
  EXPECT_EQ(client.Ask("12144,4,2"), "0");
  EXPECT_EQ(client.Ask("65535,4,5"), "0");
  EXPECT_EQ(client.Ask("12288,0,7"), "");
  EXPECT_EQ(client.Ask(""), "0");
  EXPECT_EQ(client.Ask("12288,6,7"), "IORV");  // the connection goes on
  EXPECT_TRUE(log.Has("malformed request", "hello"));
  EXPECT_TRUE(log.Has("malformed request", "unknown type code"));
  EXPECT_EQ(srv.Core().Stats().malformed, 6u);
}

TEST(ServerBadClients, MalformedFloodIsLoggedAtALimitedRate) {
  LogCapture log;
  RunningServer srv(FixedStateSource(EdgeState()));
  Client client;
  ASSERT_TRUE(client.Connect(srv.Port()));
  std::string flood;
  for (int i = 0; i < 500; ++i) flood += Terminated("x");
  ASSERT_TRUE(client.Send(flood));
  for (int i = 0; i < 500; ++i) {
    std::string reply;
    ASSERT_TRUE(client.NextReply(&reply));
    ASSERT_EQ(reply, "0");
  }
  EXPECT_LE(log.Count("malformed request"), 10u);
  EXPECT_EQ(srv.Core().Stats().malformed, 500u);
}

TEST(ServerBadClients, OverlongRequestClosesOnlyThatConnection) {
  LogCapture log;
  RunningServer srv(FixedStateSource(EdgeState()));
  Client good, bad;
  ASSERT_TRUE(good.Connect(srv.Port()));
  ASSERT_TRUE(bad.Connect(srv.Port()));
  EXPECT_EQ(good.Ask("3145,1,3"), "-128");
  ASSERT_TRUE(bad.Send(Terminated("3145,1,3") + std::string(65, '1')));
  EXPECT_TRUE(bad.WaitClosed(5000));
  EXPECT_EQ(bad.Buffered(), Terminated("-128"));  // the request before it was still answered
  EXPECT_EQ(good.Ask("3144,1,3"), "127");
  EXPECT_TRUE(log.Has("disconnect", "longer than 64 bytes"));
  EXPECT_EQ(srv.Core().Stats().overlong, 1u);
}

TEST(ServerBadClients, ClientThatDoesNotReadIsDisconnectedOthersAreServed) {
  LogCapture log;
  server::ServerOptions options;
  options.maxPendingOutput = 16 * 1024;
  RunningServer srv(FixedStateSource(EdgeState()), options);
  Client good, hog;
  ASSERT_TRUE(good.Connect(srv.Port()));
  ASSERT_TRUE(hog.Connect(srv.Port()));
  int rcv = 4096;
  setsockopt(hog.Fd(), SOL_SOCKET, SO_RCVBUF, &rcv, sizeof rcv);
  std::string burst;
  for (int i = 0; i < 1000; ++i) burst += Terminated("12152,8,2");  // about 20 reply bytes each
  bool cutOff = false;
  uint64_t deadline = NowMs() + 20000;
  while (!cutOff && NowMs() < deadline) {
    if (!hog.Send(burst, 500)) {
      cutOff = srv.Core().Stats().slowReaders > 0;
      if (!cutOff) platform::SleepMs(10);
    }
    EXPECT_EQ(good.Ask("12288,6,7"), "IORV");
  }
  EXPECT_TRUE(cutOff);
  EXPECT_TRUE(log.Has("disconnect", "does not read its replies"));
  EXPECT_EQ(good.Ask("12288,6,7"), "IORV");
}

TEST(ServerBadClients, ConnectionsBeyondTheLimitAreRefused) {
  LogCapture log;
  server::ServerOptions options;
  options.maxClients = 2;
  RunningServer srv(FixedStateSource(EdgeState()), options);
  Client a, b, c;
  ASSERT_TRUE(a.Connect(srv.Port()));
  ASSERT_TRUE(b.Connect(srv.Port()));
  EXPECT_EQ(a.Ask("3144,1,3"), "127");
  EXPECT_EQ(b.Ask("3144,1,3"), "127");
  ASSERT_TRUE(c.Connect(srv.Port()));  // the kernel accepts; the server closes it at once
  EXPECT_TRUE(c.WaitClosed(5000));
  EXPECT_TRUE(log.Has("refused"));
  a.Close();
  uint64_t deadline = NowMs() + 5000;
  while (srv.Core().Stats().clients > 1 && NowMs() < deadline) platform::SleepMs(5);
  Client d;
  ASSERT_TRUE(d.Connect(srv.Port()));
  EXPECT_EQ(d.Ask("3144,1,3"), "127");  // a freed place is given out again
}

// ---- Many clients ---------------------------------------------------------------------------------------

TEST(ServerManyClients, SixtyFourClientsWithMixedBehaviourAllGetTheirReplies) {
  LogCapture log;
  const InterfaceValues want = EdgeState();
  RunningServer srv(FixedStateSource(want));
  constexpr int kClients = 64;
  std::mutex mutex;
  std::condition_variable allConnected;
  int connected = 0;
  bool go = false;
  std::vector<std::string> failures;
  auto fail = [&](const std::string& why) {
    std::lock_guard<std::mutex> lock(mutex);
    failures.push_back(why);
  };
  std::vector<std::thread> threads;
  for (int id = 0; id < kClients; ++id) {
    threads.emplace_back([&, id] {
      Client client;
      bool ok = client.Connect(srv.Port());
      {
        std::unique_lock<std::mutex> lock(mutex);
        ++connected;
        allConnected.notify_all();
        allConnected.wait_for(lock, std::chrono::seconds(20), [&] { return go; });
      }
      if (!ok) return fail("client " + std::to_string(id) + " could not connect");
      const int kind = id % 4;
      for (int frame = 0; frame < (kind == 3 ? 2 : 20); ++frame) {
        InterfaceValues got{};
        std::string stream;
        for (const ReadListRow* row : NetworkRequestOrder()) {
          if (kind == 2) stream += Terminated("bad," + std::to_string(id));  // malformed in between
          stream += Terminated(RowRequest(*row));
        }
        if (kind == 0) {
          got = FetchFrame(client);  // strict alternation
        } else {
          if (kind == 3) {  // slow: one byte at a time
            for (char c : stream)
              if (!client.Send(std::string(1, c))) return fail("slow client send failed");
          } else if (!client.Send(stream)) {  // pipelined
            return fail("send failed");
          }
          for (const ReadListRow* row : NetworkRequestOrder()) {
            std::string reply;
            if (kind == 2) {
              if (!client.NextReply(&reply) || reply != "0") return fail("malformed not answered 0: " + reply);
            }
            if (!client.NextReply(&reply)) return fail("client " + std::to_string(id) + " reply missing");
            if (!StoreLikeTheDisplay(got, *row, reply)) return fail("unusable reply " + reply);
          }
        }
        std::vector<uint8_t> a(8), b(8);
        for (const ReadListRow* row : NetworkRequestOrder()) {
          if (row->field == FlightVar::None) continue;
          LoadRawBytes(got, *row, a.data());
          LoadRawBytes(want, *row, b.data());
          if (a != b) return fail("client " + std::to_string(id) + " wrong " + FieldName(row->field));
        }
      }
    });
  }
  {
    std::unique_lock<std::mutex> lock(mutex);
    allConnected.wait_for(lock, std::chrono::seconds(20), [&] { return connected == kClients; });
  }
  uint64_t deadline = NowMs() + 5000;
  while (srv.Core().Stats().clients < kClients && NowMs() < deadline) platform::SleepMs(5);
  EXPECT_EQ(srv.Core().Stats().clients, kClients);  // all 64 are connected at once
  {
    std::lock_guard<std::mutex> lock(mutex);
    go = true;
  }
  allConnected.notify_all();
  for (std::thread& t : threads) t.join();
  for (const std::string& f : failures) ADD_FAILURE() << f;
  EXPECT_TRUE(failures.empty());
  EXPECT_EQ(srv.Core().Stats().connections, uint64_t(kClients));
  EXPECT_EQ(log.Count("] connect 127.0.0.1"), size_t(kClients));
}

// ---- Lifecycle ------------------------------------------------------------------------------------------

TEST(ServerLifecycle, DurationEndsTheServerAndClosesItsClients) {
  LogCapture log;
  InterfaceValues state = EdgeState();
  SimDataArea area;
  area.StoreInterfaceValues(state);
  server::FixedSource source(area, "test values");
  server::ServerOptions options;
  options.bindAddress = "127.0.0.1";
  options.port = 0;
  options.handleSignals = false;
  options.durationSeconds = 0.3;
  server::Server srv(options, source);
  std::string error;
  ASSERT_TRUE(srv.Open(&error)) << error;
  std::atomic<bool> done{false};
  std::thread runner([&] {
    srv.Run();
    done = true;
  });
  Client client;
  ASSERT_TRUE(client.Connect(srv.Port()));
  EXPECT_EQ(client.Ask("3144,1,3"), "127");
  EXPECT_TRUE(client.WaitClosed(5000));
  uint64_t deadline = NowMs() + 5000;
  while (!done && NowMs() < deadline) platform::SleepMs(5);
  EXPECT_TRUE(done);
  if (!done) srv.Stop();
  runner.join();
  EXPECT_TRUE(log.Has("duration reached"));
  EXPECT_TRUE(log.Has("disconnect", "server shutting down"));
}

TEST(ServerLifecycle, ABusyPortIsReportedWithItsAddress) {
  RunningServer first(FixedStateSource(EdgeState()));
  SimDataArea area;
  server::FixedSource source(area, "x");
  server::ServerOptions options;
  options.bindAddress = "127.0.0.1";
  options.port = first.Port();
  options.reuseAddress = false;
  server::Server second(options, source);
  std::string error;
  EXPECT_FALSE(second.Open(&error));
  EXPECT_NE(error.find("127.0.0.1 port " + std::to_string(first.Port())), std::string::npos) << error;
  options.bindAddress = "not.an.address";
  server::Server third(options, source);
  EXPECT_FALSE(third.Open(&error));
  EXPECT_NE(error.find("not.an.address"), std::string::npos) << error;
}

// ---- The executable -------------------------------------------------------------------------------------

namespace {

bool ConnectWithRetry(Client& client, uint16_t port, int timeoutMs) {
  uint64_t deadline = NowMs() + uint64_t(timeoutMs);
  while (NowMs() < deadline) {
    if (client.Connect(port)) return true;
    client.Close();
    platform::SleepMs(20);
  }
  return false;
}

std::string ExePath(const char* name) { return std::string(ORVANE_RUN_DIR) + "/" + name + ORVANE_EXE_SUFFIX; }

}  // namespace

TEST(ServerProgram, ServesTheFrozenDemoAndStopsOnSigterm) {
  uint16_t port = orvane_test::PortForServer();
  platform::ChildProcess child;
  const std::string logFile = std::string(ORVANE_RUN_DIR) + "/server_program_test.log";
  ASSERT_TRUE(platform::StartProcess(ExePath("OrvaneGCServer"),
                                     {"--port", std::to_string(port), "--bind", "127.0.0.1", "--demo-time", "61.5",
                                      "--freeze", "--duration", "60"},
                                     child, logFile));
  Client client;
  ASSERT_TRUE(ConnectWithRetry(client, port, 10000));
  SimDataArea area;
  area.StoreReadings(demo::StateAt(61.5));
  ExpectSameFields(FetchFrame(client), area.LoadInterfaceValues(), "OrvaneGCServer --demo-time 61.5 --freeze");
  EXPECT_EQ(platform::StopProcess(child, 5000), 0);
  EXPECT_TRUE(client.WaitClosed(5000));
  std::string log;
  ASSERT_TRUE(platform::ReadWholeFile(logFile, log, 1 << 20));
  EXPECT_NE(log.find("connect 127.0.0.1"), std::string::npos) << log;
  EXPECT_NE(log.find("SIGTERM"), std::string::npos) << log;
  std::remove(logFile.c_str());
}

TEST(ServerProgram, ServesAValuesFileAndRejectsABadOne) {
  const std::string good = std::string(ORVANE_RUN_DIR) + "/server_values_test.txt";
  const std::string bad = std::string(ORVANE_RUN_DIR) + "/server_values_bad_test.txt";
  {
    std::ofstream(good) << "Pitch=4.25\nGsNeedle=-100\nRadioStatus=0x0342\nNav1Ident=\"IXYZ\"\nApAltitudeRaw=-65536\n";
    std::ofstream(bad) << "Pitch=abc\n";
  }
  uint16_t port = orvane_test::PortForServer();
  platform::ChildProcess child;
  ASSERT_TRUE(platform::StartProcess(ExePath("OrvaneGCServer"),
                                     {"--port", std::to_string(port), "--bind", "127.0.0.1", "--values", good,
                                      "--duration", "60"},
                                     child, std::string(ORVANE_RUN_DIR) + "/server_values_test.log"));
  Client client;
  ASSERT_TRUE(ConnectWithRetry(client, port, 10000));
  EXPECT_EQ(client.Ask("12144,8,2"), "4.25");
  EXPECT_EQ(client.Ask("3145,1,3"), "-100");
  EXPECT_EQ(client.Ask("13056,2,4"), "834");
  EXPECT_EQ(client.Ask("12288,6,7"), "IXYZ");
  EXPECT_EQ(client.Ask("2004,4,5"), "-65536");
  EXPECT_EQ(platform::StopProcess(child, 5000), 0);

  platform::ChildProcess refused;
  const std::string refusedLog = std::string(ORVANE_RUN_DIR) + "/server_values_bad_test.log";
  ASSERT_TRUE(platform::StartProcess(ExePath("OrvaneGCServer"), {"--port", "0", "--values", bad}, refused, refusedLog));
  int code = -1;
  ASSERT_TRUE(platform::WaitProcess(refused, 10000, &code));
  EXPECT_EQ(code, 2);
  std::string text;
  ASSERT_TRUE(platform::ReadWholeFile(refusedLog, text, 1 << 20));
  EXPECT_NE(text.find("Pitch"), std::string::npos) << text;
  for (const std::string& f : {good, bad, refusedLog, std::string(ORVANE_RUN_DIR) + "/server_values_test.log"})
    std::remove(f.c_str());
}

// ---- The simulator IPC source ----------------------------------------------------------------------------

namespace {

// orvane-sim in a namespace of its own, frozen at a demo time.
class SimulatorProcess {
 public:
  explicit SimulatorProcess(double demoTime, std::vector<std::string> extra = {}) {
    platform::SetIpcNamespace("server-test-" + std::to_string(platform::CurrentProcessId()));
    std::vector<std::string> args = {"--demo-time", std::to_string(demoTime), "--freeze", "--duration", "120"};
    args.insert(args.end(), extra.begin(), extra.end());
    started_ = platform::StartProcess(ExePath("orvane-sim"), args, child_, logFile_);
  }
  ~SimulatorProcess() {
    Stop();
    platform::SetIpcNamespace("");
    std::remove(logFile_.c_str());
  }
  bool Started() const { return started_; }
  void Stop() {
    if (started_) platform::StopProcess(child_, 5000);
    started_ = false;
  }

 private:
  const std::string logFile_ = std::string(ORVANE_RUN_DIR) + "/server_ipc_test_sim.log";
  platform::ChildProcess child_;
  bool started_ = false;
};

}  // namespace

TEST(ServerIpcSource, OneExchangePerPeriodForAllClientsAndLastValuesWhenTheLinkGoes) {
  if (!platform::FileExists(ExePath("orvane-sim"))) GTEST_SKIP() << "orvane-sim not built";
  LogCapture log;
  const double t = 45.0;
  SimulatorProcess sim(t);
  ASSERT_TRUE(sim.Started());
  server::IpcSource::Options ipcOptions;
  ipcOptions.refreshMs = 50;
  ipcOptions.retryMs = 200;
  auto ipc = std::make_unique<server::IpcSource>(ipcOptions);
  server::IpcSource* source = ipc.get();
  RunningServer srv(std::move(ipc));

  uint64_t deadline = NowMs() + 10000;
  while (!source->LinkUp() && NowMs() < deadline) platform::SleepMs(20);
  ASSERT_TRUE(source->LinkUp()) << "link to orvane-sim did not open";
  platform::SleepMs(300);
  EXPECT_EQ(source->Exchanges(), 0u) << "no client, no exchange";

  SimDataArea area;
  area.StoreReadings(demo::StateAt(t));
  const InterfaceValues want = area.LoadInterfaceValues();
  constexpr int kClients = 8;
  std::vector<std::unique_ptr<Client>> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.push_back(std::make_unique<Client>());
    ASSERT_TRUE(clients.back()->Connect(srv.Port()));
  }
  // The first request waits for the first exchange instead of being answered with zeros.
  ExpectSameFields(FetchFrame(*clients[0]), want, "first frame over IPC");
  const uint64_t start = NowMs();
  const uint64_t exchangesBefore = source->Exchanges();
  std::atomic<uint64_t> frames{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kClients; ++i) {
    threads.emplace_back([&, i] {
      while (NowMs() - start < 1000) {
        ExpectSameFields(FetchFrame(*clients[size_t(i)]), want, "client " + std::to_string(i));
        ++frames;
      }
    });
  }
  for (std::thread& th : threads) th.join();
  const uint64_t elapsed = NowMs() - start;
  const uint64_t exchanges = source->Exchanges() - exchangesBefore;
  EXPECT_GT(frames.load(), uint64_t(kClients));
  EXPECT_LE(exchanges, elapsed / 50 + 2) << frames.load() << " frames in " << elapsed << " ms";
  EXPECT_GE(exchanges, elapsed / 50 / 2) << "refreshes keep going while clients ask";

  // A value outside the read list (the interface version) is fetched with the next exchange.
  std::string version = clients[0]->Ask("13060,4,5");
  EXPECT_GE(std::stoll(version), 0x19980005LL) << version;
  EXPECT_TRUE(log.Has("not in the read list"));

  // The simulator goes away: the last good values are served, without waiting long.
  sim.Stop();
  deadline = NowMs() + 15000;
  while (source->LinkUp() && NowMs() < deadline) {
    platform::SleepMs(20);
    clients[1]->Ask("12144,8,2");
  }
  EXPECT_FALSE(source->LinkUp());
  const uint64_t before = NowMs();
  ExpectSameFields(FetchFrame(*clients[1]), want, "after the simulator left");
  EXPECT_LT(NowMs() - before, 2000u);
  EXPECT_TRUE(log.Has("exchange failed"));
}

TEST(ServerIpcSource, WithoutASimulatorRequestsAreAnsweredZeroAtOnce) {
  platform::SetIpcNamespace("server-test-nosim-" + std::to_string(platform::CurrentProcessId()));
  LogCapture log;
  server::IpcSource::Options ipcOptions;
  ipcOptions.retryMs = 200;
  RunningServer srv(std::make_unique<server::IpcSource>(ipcOptions));
  Client client;
  ASSERT_TRUE(client.Connect(srv.Port()));
  const uint64_t start = NowMs();
  InterfaceValues got = FetchFrame(client);
  EXPECT_LT(NowMs() - start, 2000u);
  ExpectSameFields(got, InterfaceValues{}, "no simulator");
  uint64_t deadline = NowMs() + 5000;
  while (!log.Has("cannot be opened") && NowMs() < deadline) platform::SleepMs(20);
  EXPECT_TRUE(log.Has("cannot be opened"));
  platform::SetIpcNamespace("");
}

TEST(ServerIpcSource, ANewRangeAskedDuringAnExchangeWaitsForTheExchangeThatBringsIt) {
  if (!platform::FileExists(ExePath("orvane-sim"))) GTEST_SKIP() << "orvane-sim not built";
  // Every exchange takes 150 ms, so a request nearly always arrives while one is under way.
  SimulatorProcess sim(10.0, {"--fault", "delay=150"});
  ASSERT_TRUE(sim.Started());
  server::IpcSource::Options ipcOptions;
  ipcOptions.refreshMs = 10;
  auto ipc = std::make_unique<server::IpcSource>(ipcOptions);
  server::IpcSource* source = ipc.get();
  RunningServer srv(std::move(ipc));
  uint64_t deadline = NowMs() + 10000;
  while (!source->LinkUp() && NowMs() < deadline) platform::SleepMs(20);
  ASSERT_TRUE(source->LinkUp());
  Client client;
  ASSERT_TRUE(client.Connect(srv.Port()));
  EXPECT_EQ(client.Ask("3113,5,7"), client.Ask("3113,5,7"));  // the read list is now being refreshed
  for (const char* request : {"13060,4,5", "13064,4,5"}) {  // interface version, simulator version word
    std::string reply = client.Ask(request);
    EXPECT_NE(reply, "0") << request << " was answered before any exchange had fetched it";
  }
}
