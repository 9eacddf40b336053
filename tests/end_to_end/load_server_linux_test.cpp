// OrvaneGCServer under load: 64 clients (valid, malformed, oversized, byte-at-a-time) for ORVANE_LOAD_SECONDS; right replies, flat memory, no crash.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "model/read_list.h"
#include "platform/process.h"
#include "platform/system.h"
#include "simdata/demo_flight.h"
#include "simdata/sim_data_area.h"
#include "support/test_env.h"

namespace {

constexpr double kDemoTime = 61.5;
constexpr int kValidClients = 40;
constexpr int kMalformedClients = 8;
constexpr int kOversizedClients = 8;
constexpr int kSlowClients = 8;
// Memory after the warm-up may grow by this much at most by the end.
constexpr long kRssSlackKb = 2048;

using orvane_test::NowMs;

// The load's length in seconds: ORVANE_LOAD_SECONDS, default 60.
int LoadSeconds() {
  const char* text = std::getenv("ORVANE_LOAD_SECONDS");
  if (text == nullptr || *text == '\0') return 60;
  const int value = std::atoi(text);
  return value > 0 ? value : 60;
}

// A TCP client whose every wait is bounded by poll().
class Client {
 public:
  ~Client() { Close(); }

  bool Connect(uint16_t port) {
    Close();
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    if (fd_ < 0) return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
      Close();
      return false;
    }
    int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return true;
  }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    pending_.clear();
  }
  bool Send(const std::string& bytes, int timeoutMs = 5000) {
    size_t sent = 0;
    const uint64_t deadline = NowMs() + uint64_t(timeoutMs);
    while (sent < bytes.size()) {
      pollfd p{fd_, POLLOUT, 0};
      const uint64_t now = NowMs();
      if (now >= deadline || poll(&p, 1, int(deadline - now)) <= 0) return false;
      const ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n <= 0) return false;
      sent += size_t(n);
    }
    return true;
  }
  // The next zero-terminated reply (without its zero); false on close or time-out.
  bool Reply(std::string* reply, int timeoutMs = 5000) {
    const uint64_t deadline = NowMs() + uint64_t(timeoutMs);
    for (;;) {
      const size_t zero = pending_.find('\0');
      if (zero != std::string::npos) {
        *reply = pending_.substr(0, zero);
        pending_.erase(0, zero + 1);
        return true;
      }
      if (!Fill(deadline)) return false;
    }
  }
  // True when the server closed the connection within the bound (replies arriving first are kept).
  bool WaitClosed(int timeoutMs) {
    const uint64_t deadline = NowMs() + uint64_t(timeoutMs);
    while (Fill(deadline)) {
    }
    return closed_;
  }

 private:
  // Reads what arrives before the deadline; false on close (closed_ set) or time-out.
  bool Fill(uint64_t deadline) {
    closed_ = false;
    for (;;) {
      const uint64_t now = NowMs();
      if (now >= deadline) return false;
      pollfd p{fd_, POLLIN, 0};
      const int r = poll(&p, 1, int(deadline - now));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return false;
      char buffer[4096];
      const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n <= 0) {
        closed_ = true;
        return false;
      }
      pending_.append(buffer, size_t(n));
      return true;
    }
  }

  int fd_ = -1;
  bool closed_ = false;
  std::string pending_;
};

bool ConnectWithin(Client& client, uint16_t port, int timeoutMs) {
  const uint64_t deadline = NowMs() + uint64_t(timeoutMs);
  while (NowMs() < deadline) {
    if (client.Connect(port)) return true;
    platform::SleepMs(20);
  }
  return false;
}

// The server's resident memory in kB, from /proc/<pid>/status; -1 when it cannot be read.
long ResidentKb(intptr_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

struct Request {
  std::string text;      // without the zero byte
  std::string expected;  // the reply for the frozen demo (type 2: that value's shortest text)
  bool isDouble = false;
  double value = 0;      // type 2: the value the reply must read back to, exactly

  // A float reply may be written fixed or with an exponent: it must read back to exactly the value.
  bool Matches(const std::string& reply) const {
    if (!isDouble) return reply == expected;
    if (reply.empty()) return false;
    char* end = nullptr;
    const double got = std::strtod(reply.c_str(), &end);
    return *end == '\0' && got == value;
  }
};

// The display's 29 requests and what the frozen demo answers to each, worked out here from the
// demo flight's data area and the type codes (not asked of the server).
std::vector<Request> DisplayRequests(std::string* problem) {
  SimDataArea area;
  area.StoreReadings(demo::StateAt(kDemoTime));
  std::vector<Request> requests;
  for (const ReadListRow* row : NetworkRequestOrder()) {
    Request r;
    r.text = std::to_string(row->offset) + "," + row->netSize + "," + row->netType;
    const std::string type = row->netType;
    char text[64];
    if (type == "2") {
      // The shortest text that reads back to the same double.
      const double value = area.Get<double>(row->offset);
      for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value) break;
      }
      r.expected = text;
      r.isDouble = true;
      r.value = value;
    } else if (type == "1" || type == "5") {
      r.expected = std::to_string(area.Get<int32_t>(row->offset));
    } else if (type == "3") {
      r.expected = std::to_string(int(area.Get<int8_t>(row->offset)));
    } else if (type == "4") {
      r.expected = std::to_string(area.Get<int16_t>(row->offset));
    } else if (type == "7") {
      const uint32_t size = uint32_t(std::atoi(row->netSize));
      std::string bytes(size, '\0');
      area.Read(row->offset, size, &bytes[0]);
      r.expected = bytes.substr(0, bytes.find('\0'));
    } else {
      *problem = "type code " + type + " of " + r.text;
    }
    requests.push_back(r);
  }
  return requests;
}

struct Tally {
  std::atomic<uint64_t> checked{0};
  std::atomic<uint64_t> wrong{0};
  std::atomic<uint64_t> rounds{0};
  std::atomic<uint64_t> lost{0};  // connections that failed where they should not
  std::string firstWrong;
  std::atomic<bool> haveFirst{false};
  void Check(const std::string& got, const std::string& expected, const std::string& what) {
    Count(got == expected, got, expected, what);
  }
  void Check(const std::string& got, const Request& request, const std::string& what) {
    Count(request.Matches(got), got, request.expected, what);
  }
  void Count(bool right, const std::string& got, const std::string& expected, const std::string& what) {
    ++checked;
    if (right) return;
    ++wrong;
    bool no = false;
    if (haveFirst.compare_exchange_strong(no, true))
      firstWrong = what + ": got \"" + got + "\", expected \"" + expected + "\"";
  }
};

}  // namespace

TEST(LoadServer, SixtyFourMixedClientsGetRightRepliesWithFlatMemory) {
  const int seconds = LoadSeconds();
  std::string problem;
  const std::vector<Request> requests = DisplayRequests(&problem);
  ASSERT_TRUE(problem.empty()) << problem;
  ASSERT_EQ(requests.size(), size_t(kNetworkRequests));

  // In a sanitizer build the allocator holds freed blocks back for a while (quarantine), which looks
  // like growth; without it the server's memory is its own. Ignored by other builds.
  static std::string asanOptions = "ASAN_OPTIONS=";
  if (const char* given = std::getenv("ASAN_OPTIONS")) asanOptions += std::string(given) + ":";
  asanOptions += "quarantine_size_mb=0:thread_local_quarantine_size_kb=0";
  putenv(&asanOptions[0]);

  const uint16_t port = orvane_test::PortForServer();
  const std::string logFile = "load-server-" + std::to_string(platform::CurrentProcessId()) + ".log";
  platform::ChildProcess server;
  // Stops the server on every way out of the test (it is stopped explicitly at the end).
  struct Guard {
    platform::ChildProcess& child;
    ~Guard() {
      if (child.id != 0) platform::StopProcess(child, 5000);
    }
  } guard{server};
  ASSERT_TRUE(platform::StartProcess(platform::CurrentDirectory() + "/OrvaneGCServer" + ORVANE_EXE_SUFFIX,
                                     {"--port", std::to_string(port), "--bind", "127.0.0.1", "--demo-time", "61.5",
                                      "--freeze", "--duration", std::to_string(seconds + 120)},
                                     server, logFile));
  {
    Client probe;
    ASSERT_TRUE(ConnectWithin(probe, port, 15000));
  }

  std::atomic<bool> stop{false};
  Tally valid, malformed, oversized, slow;
  std::vector<std::thread> threads;

  // Valid clients: the display's frame one request at a time, or all 29 in one send.
  for (int i = 0; i < kValidClients; ++i) {
    threads.emplace_back([&, i] {
      Client c;
      if (!ConnectWithin(c, port, 5000)) {
        ++valid.lost;
        return;
      }
      const bool pipelined = i % 2 == 1;
      while (!stop.load()) {
        if (pipelined) {
          std::string batch;
          for (const Request& r : requests) batch += r.text + '\0';
          if (!c.Send(batch)) break;
        }
        for (const Request& r : requests) {
          std::string reply;
          if ((!pipelined && !c.Send(r.text + '\0')) || !c.Reply(&reply)) {
            ++valid.lost;
            return;
          }
          valid.Check(reply, r, r.text);
        }
        ++valid.rounds;
      }
    });
  }

  // Malformed requests, each followed by a valid one: refused with "0" (or "" for type 7), and the
  // connection goes on in step.
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"abc", "0"},           {"1,2", "0"},          {"65535,8,2", "0"}, {"12144,8,9", "0"},
      {"12144,4,2", "0"},     {"-1,4,5", "0"},       {"1 2,4,5", "0"},   {"0x10,4,5", "0"},
      {"12288,0,7", ""},      {"12288,300,7", ""},   {"", "0"},          {"12144,8,2,1", "0"},
      {"99999999999999999999,4,5", "0"}};
  for (int i = 0; i < kMalformedClients; ++i) {
    threads.emplace_back([&, i] {
      Client c;
      if (!ConnectWithin(c, port, 5000)) {
        ++malformed.lost;
        return;
      }
      size_t k = size_t(i);
      while (!stop.load()) {
        const auto& b = bad[k++ % bad.size()];
        const Request& good = requests[k % requests.size()];
        std::string first, second;
        if (!c.Send(b.first + '\0' + good.text + '\0') || !c.Reply(&first) || !c.Reply(&second)) {
          ++malformed.lost;
          return;
        }
        malformed.Check(first, b.second, "malformed \"" + b.first + "\"");
        valid.Check(second, good, good.text + " after a malformed request");
        ++malformed.rounds;
      }
    });
  }

  // Oversized requests: a valid request, then more than 64 bytes without a zero byte; the server
  // answers the first and then closes the connection.
  for (int i = 0; i < kOversizedClients; ++i) {
    threads.emplace_back([&, i] {
      std::mt19937 random(uint32_t(1000 + i));
      size_t k = size_t(i);
      while (!stop.load()) {
        Client c;
        if (!ConnectWithin(c, port, 5000)) {
          ++oversized.lost;
          return;
        }
        const Request& good = requests[k++ % requests.size()];
        const size_t length = 65 + random() % 20000;
        std::string blob(length, '7');
        for (char& ch : blob) ch = char('1' + random() % 9);
        std::string reply;
        if (!c.Send(good.text + '\0') || !c.Reply(&reply)) {
          ++oversized.lost;
          return;
        }
        valid.Check(reply, good, good.text + " before an oversized request");
        c.Send(blob);  // the server may close before taking it all
        oversized.Check(c.WaitClosed(5000) ? "closed" : "still open", "closed",
                        "connection after " + std::to_string(length) + " bytes without a zero byte");
        ++oversized.rounds;
      }
    });
  }

  // Slow clients: every request one byte at a time.
  for (int i = 0; i < kSlowClients; ++i) {
    threads.emplace_back([&, i] {
      Client c;
      if (!ConnectWithin(c, port, 5000)) {
        ++slow.lost;
        return;
      }
      size_t k = size_t(i);
      while (!stop.load()) {
        const Request& r = requests[k++ % requests.size()];
        const std::string bytes = r.text + '\0';
        for (char ch : bytes) {
          if (!c.Send(std::string(1, ch))) {
            ++slow.lost;
            return;
          }
          platform::SleepMs(2);
        }
        std::string reply;
        if (!c.Reply(&reply)) {
          ++slow.lost;
          return;
        }
        slow.Check(reply, r, r.text + " sent one byte at a time");
        ++slow.rounds;
      }
    });
  }

  // Memory, once a second; the first part of the run is the warm-up.
  const int warmup = std::max(2, std::min(10, seconds / 6));
  std::vector<long> rss;
  const uint64_t begin = NowMs();
  for (int s = 1; s <= seconds; ++s) {
    while (NowMs() < begin + uint64_t(s) * 1000) platform::SleepMs(20);
    rss.push_back(ResidentKb(server.id));
    if (!platform::ProcessRunning(server)) break;
  }
  stop = true;
  for (std::thread& t : threads) t.join();
  const bool alive = platform::ProcessRunning(server);
  const int code = platform::StopProcess(server, 10000);
  std::string log;
  platform::ReadWholeFile(logFile, log, 4 << 20);
  std::remove(logFile.c_str());

  ASSERT_TRUE(alive) << "the server ended under load:\n" << log.substr(log.size() > 4000 ? log.size() - 4000 : 0);
  EXPECT_EQ(code, 0) << "a clean stop on SIGTERM";
  ASSERT_EQ(rss.size(), size_t(seconds));
  for (long kb : rss) ASSERT_GT(kb, 0) << "VmRSS could not be read";
  const long afterWarmup = rss[size_t(warmup) - 1];
  const long final = rss.back();
  const long least = *std::min_element(rss.begin() + warmup - 1, rss.end());
  const long most = *std::max_element(rss.begin() + warmup - 1, rss.end());
  EXPECT_LE(final, afterWarmup + kRssSlackKb) << "memory grew under a steady load";
  EXPECT_LE(most, afterWarmup + kRssSlackKb) << "memory grew under a steady load";

  EXPECT_EQ(valid.wrong.load(), 0u) << valid.firstWrong;
  EXPECT_EQ(malformed.wrong.load(), 0u) << malformed.firstWrong;
  EXPECT_EQ(oversized.wrong.load(), 0u) << oversized.firstWrong;
  EXPECT_EQ(slow.wrong.load(), 0u) << slow.firstWrong;
  EXPECT_EQ(valid.lost.load() + malformed.lost.load() + oversized.lost.load() + slow.lost.load(), 0u)
      << "connections failed: valid " << valid.lost << ", malformed " << malformed.lost << ", oversized "
      << oversized.lost << ", slow " << slow.lost;
  for (const Tally* t : {&valid, &malformed, &oversized, &slow}) EXPECT_GT(t->rounds.load(), 0u);

  std::string samples;
  for (long kb : rss) samples += " " + std::to_string(kb);
  std::printf("[ figures  ] %d s, 64 clients: %llu valid replies checked (%llu rounds of 29 by 40 clients), "
              "%llu malformed, %llu oversized connections, %llu byte-at-a-time replies; wrong: %llu\n",
              seconds, static_cast<unsigned long long>(valid.checked.load()),
              static_cast<unsigned long long>(valid.rounds.load()),
              static_cast<unsigned long long>(malformed.checked.load()),
              static_cast<unsigned long long>(oversized.checked.load()),
              static_cast<unsigned long long>(slow.checked.load()),
              static_cast<unsigned long long>(valid.wrong + malformed.wrong + oversized.wrong + slow.wrong));
  std::printf("[ figures  ] server VmRSS kB: after %d s warm-up %ld, final %ld, min %ld, max %ld (after warm-up); "
              "samples:%s\n",
              warmup, afterWarmup, final, least, most, samples.c_str());
}
