// Data server throughput and reply latency with 1, 16 and 64 clients, beside an echo server on the same event loop.
//
// Figure: the server core (frozen demo flight) on loopback, in its own thread, as OrvaneGCServer runs it.
// Floor: an echo server written on standalone Asio with the server's framing: read what arrives, cut
// it at zero bytes, answer every request (with its own bytes) and hand the replies of one read to
// one write. Load: one Asio loop in the benchmark thread drives every client connection for a fixed
// time; each client cycles through the display frame's 29 requests, in strict alternation (one
// request, wait for its reply) or pipelined (the frame's 29 requests at once, then their replies).
// The CPU time of the serving thread per request is noted too: unlike the rate, other load on the
// machine does not change it much.
// Each repetition is a pair of timed load runs, one against each server; the figures are medians
// over interleaved repetitions.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <asio.hpp>
#include <chrono>
#include <ctime>
#include <pthread.h>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench_report.h"
#include "local_server.h"
#include "model/read_list.h"
#include "server/area_sources.h"
#include "server/server_core.h"
#include "server/server_log.h"
#include "sources/net_requests.h"

namespace {

using asio::ip::tcp;
using Clock = std::chrono::steady_clock;

constexpr double kRunSeconds = 0.15;       // one load run
constexpr double kDrainBoundSeconds = 2.0;  // replies still owed after the run must come within this

// The server for the whole benchmark run.
using BenchServer = LocalServer;

// The floor: the server's event-loop shape with nothing behind it.
class EchoServer {
 public:
  EchoServer() : acceptor_(io_, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)) {
    Accept();
    thread_ = std::thread([this] { io_.run(); });
  }
  ~EchoServer() {
    asio::post(io_, [this] { io_.stop(); });
    thread_.join();
  }
  uint16_t Port() const { return acceptor_.local_endpoint().port(); }
  std::thread& Thread() { return thread_; }

 private:
  class Connection : public std::enable_shared_from_this<Connection> {
   public:
    explicit Connection(tcp::socket socket) : socket_(std::move(socket)) {}
    void Start() {
      asio::error_code ec;
      socket_.set_option(tcp::no_delay(true), ec);
      Read();
    }

   private:
    void Read() {
      if (reading_ || closed_) return;
      reading_ = true;
      auto self = shared_from_this();
      socket_.async_read_some(asio::buffer(buffer_), [this, self](const asio::error_code& ec, size_t n) {
        reading_ = false;
        if (ec) {
          closed_ = true;
          return;
        }
        // Whole requests are echoed; a request cut by the read waits for its rest.
        for (size_t i = 0; i < n; ++i) {
          partial_.push_back(buffer_[i]);
          if (buffer_[i] == '\0') {
            pending_ += partial_;
            partial_.clear();
          }
        }
        Flush();
        Read();
      });
    }
    void Flush() {
      if (writing_ || closed_ || pending_.empty()) return;
      inFlight_.swap(pending_);
      pending_.clear();
      writing_ = true;
      auto self = shared_from_this();
      asio::async_write(socket_, asio::buffer(inFlight_), [this, self](const asio::error_code& ec, size_t) {
        writing_ = false;
        inFlight_.clear();
        if (ec) {
          closed_ = true;
          return;
        }
        Flush();
      });
    }

    tcp::socket socket_;
    std::array<char, 4096> buffer_{};
    std::string partial_, pending_, inFlight_;
    bool reading_ = false, writing_ = false, closed_ = false;
  };

  void Accept() {
    acceptor_.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
      if (!ec) std::make_shared<Connection>(std::move(socket))->Start();
      Accept();
    });
  }

  asio::io_context io_;
  tcp::acceptor acceptor_;
  std::thread thread_;
};

BenchServer& DataServer() {
  static BenchServer s;
  return s;
}

EchoServer& Echo() {
  static EchoServer s;
  return s;
}

// (FrameRequests: the 29 requests of one display frame, from local_server.h.)

const std::string& FrameBatch() {
  static const std::string batch = [] {
    std::string b;
    for (const std::string& r : FrameRequests()) b += r;
    return b;
  }();
  return batch;
}

// What one load run measured.
struct LoadResult {
  uint64_t replies = 0;
  double seconds = 0;
  std::vector<uint32_t> latencyNs;  // per reply, from its request (or its batch) leaving
  bool failed = false;
};

// One client connection of the load: sends, counts replies by their zero bytes, notes latencies.
class LoadClient : public std::enable_shared_from_this<LoadClient> {
 public:
  LoadClient(asio::io_context& io, bool pipelined, Clock::time_point end, LoadResult& result)
      : socket_(io), pipelined_(pipelined), end_(end), result_(result) {}

  bool Connect(uint16_t port) {
    asio::error_code ec;
    socket_.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port), ec);
    if (!ec) socket_.set_option(tcp::no_delay(true), ec);
    return !ec;
  }

  void Start() { SendNext(); }

 private:
  // The next request (alternating) or frame batch (pipelined), unless the run is over.
  void SendNext() {
    if (Clock::now() >= end_) return;
    const std::string& bytes = pipelined_ ? FrameBatch() : FrameRequests()[next_];
    owed_ = pipelined_ ? FrameRequests().size() : 1;
    next_ = (next_ + 1) % FrameRequests().size();
    sent_ = Clock::now();
    auto self = shared_from_this();
    asio::async_write(socket_, asio::buffer(bytes), [this, self](const asio::error_code& ec, size_t) {
      if (ec) {
        result_.failed = true;
        return;
      }
      Receive();
    });
  }

  void Receive() {
    auto self = shared_from_this();
    socket_.async_read_some(asio::buffer(buffer_), [this, self](const asio::error_code& ec, size_t n) {
      if (ec) {
        result_.failed = true;
        return;
      }
      const auto now = Clock::now();
      const uint32_t ns = uint32_t(std::min<int64_t>(
          std::chrono::duration_cast<std::chrono::nanoseconds>(now - sent_).count(), INT32_MAX));
      for (size_t i = 0; i < n; ++i) {
        if (buffer_[i] != '\0') continue;
        ++result_.replies;
        result_.latencyNs.push_back(ns);
        if (owed_ > 0) --owed_;
      }
      if (owed_ > 0)
        Receive();
      else
        SendNext();
    });
  }

  tcp::socket socket_;
  bool pipelined_;
  Clock::time_point end_;
  LoadResult& result_;
  std::array<char, 8192> buffer_{};
  size_t next_ = 0;
  size_t owed_ = 0;
  Clock::time_point sent_;
};

// `clients` connections driven for kRunSeconds; replies owed at the end still count (bounded wait).
LoadResult RunLoad(uint16_t port, int clients, bool pipelined) {
  LoadResult result;
  result.latencyNs.reserve(1 << 20);
  asio::io_context io;
  const auto start = Clock::now() + std::chrono::milliseconds(20);  // after every connection is made
  const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kRunSeconds));
  std::vector<std::shared_ptr<LoadClient>> all;
  for (int i = 0; i < clients; ++i) {
    all.push_back(std::make_shared<LoadClient>(io, pipelined, end, result));
    if (!all.back()->Connect(port)) {
      result.failed = true;
      return result;
    }
  }
  std::this_thread::sleep_until(start);
  const auto begun = Clock::now();
  for (auto& c : all) c->Start();
  all.clear();  // the clients live on in their handlers until they stop
  io.run_for(std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(kRunSeconds + kDrainBoundSeconds)));
  if (!io.stopped()) result.failed = true;  // replies did not come within the bound
  result.seconds = std::chrono::duration<double>(Clock::now() - begun).count();
  return result;
}

uint32_t Percentile(std::vector<uint32_t>& values, double p) {
  if (values.empty()) return 0;
  const size_t k = std::min(values.size() - 1, size_t(p * double(values.size())));
  std::nth_element(values.begin(), values.begin() + long(k), values.end());
  return values[k];
}

// CPU time a thread has used so far, in seconds (its own clock, which waiting does not advance).
double ThreadCpuSeconds(std::thread& thread) {
  clockid_t clock{};
  timespec t{};
  if (pthread_getcpuclockid(thread.native_handle(), &clock) != 0 || clock_gettime(clock, &t) != 0) return 0;
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Per iteration, one right after the other (the order turns each time): a load run against the echo
// server and one against the data server. args: 0 = alternating / 1 = pipelined; clients.
void BM_LoadPair(benchmark::State& state) {
  const bool pipelined = state.range(0) != 0;
  const int clients = int(state.range(1));
  static int turn = 0;
  LoadResult totals[2];  // 0 = data server, 1 = echo server
  double cpu[2] = {0, 0};  // CPU seconds of each server's thread during its runs
  for (auto _ : state) {
    const int first = turn++ % 2;
    for (int k = 0; k < 2; ++k) {
      const int which = (first + k) % 2;
      std::thread& serving = which == 1 ? Echo().Thread() : DataServer().thread;
      const double cpuBefore = ThreadCpuSeconds(serving);
      LoadResult r = RunLoad(which == 1 ? Echo().Port() : DataServer().core->Port(), clients, pipelined);
      cpu[which] += ThreadCpuSeconds(serving) - cpuBefore;
      if (r.failed) {
        state.SkipWithError("a load run did not complete (connection failed or replies missing)");
        return;
      }
      totals[which].replies += r.replies;
      totals[which].seconds += r.seconds;
      totals[which].latencyNs.insert(totals[which].latencyNs.end(), r.latencyNs.begin(), r.latencyNs.end());
    }
  }
  const char* names[2] = {"server", "echo"};
  for (int which = 0; which < 2; ++which) {
    LoadResult& t = totals[which];
    if (t.seconds <= 0) continue;
    const std::string n = names[which];
    state.counters[n + "_rps"] = double(t.replies) / t.seconds;
    state.counters[n + "_p50_us"] = Percentile(t.latencyNs, 0.50) / 1000.0;
    state.counters[n + "_p99_us"] = Percentile(t.latencyNs, 0.99) / 1000.0;
    if (t.replies > 0) state.counters[n + "_cpu_ns_per_request"] = cpu[which] * 1e9 / double(t.replies);
  }
  state.SetLabel(std::string(pipelined ? "pipelined, " : "alternating, ") + std::to_string(clients) + " clients");
}

void Register() {
  for (int pipelined : {0, 1})
    for (int clients : {1, 16, 64})
      benchmark::RegisterBenchmark("BM_LoadPair", BM_LoadPair)
          ->Args({pipelined, clients})
          ->Iterations(1)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
}

std::string Key(int pipelined, int clients) {
  return "BM_LoadPair/" + std::to_string(pipelined) + "/" + std::to_string(clients);
}

// "123k rps, p50 45 us, p99 210 us" from the medians of one side of one configuration.
std::string Describe(const bench::CollectingReporter& reporter, const std::string& key, const std::string& side) {
  const double rps = reporter.MedianCounter(key, side + "_rps");
  if (rps < 0) return "n/a";
  return bench::Number(rps / 1000.0, "%.1fk rps") + ", p50 " +
         bench::Number(reporter.MedianCounter(key, side + "_p50_us"), "%.0f us") + ", p99 " +
         bench::Number(reporter.MedianCounter(key, side + "_p99_us"), "%.0f us") + ", CPU " +
         bench::Number(reporter.MedianCounter(key, side + "_cpu_ns_per_request") / 1000.0, "%.2f us/req");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::printf(
        "usage: server_bench [benchmark flags]\n"
        "Requests per second and reply latency (p50, p99) of the data server core with 1, 16 and 64\n"
        "clients, alternating and pipelined, against an echo server on the same event loop; prints the\n"
        "ratios as RESULT lines. Each load run lasts %.2f s.\n",
        kRunSeconds);
    return 0;
  }
  // The load and both servers on one core (see bench_report.h): the two servers then always share
  // their core with the same load generator, wherever the scheduler would have put their threads.
  const int cpu = bench::PinToOneCpu();
  std::fprintf(stderr, "server_bench: the load and both servers on CPU %d\n", cpu);
  try {
    DataServer();
    Echo();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "server_bench: cannot start the servers: %s\n", e.what());
    return 1;
  }
  Register();
  bench::CollectingReporter reporter;
  bench::RunAll(argc, argv, reporter, 7, 0);
  for (int pipelined : {0, 1}) {
    for (int clients : {1, 16, 64}) {
      const std::string key = Key(pipelined, clients);
      if (!reporter.Error(key).empty()) std::fprintf(stderr, "%s: %s\n", key.c_str(), reporter.Error(key).c_str());
      const double a = reporter.MedianCounter(key, "server_rps"), b = reporter.MedianCounter(key, "echo_rps");
      bench::PrintRatio("Server, " + std::to_string(clients) + (clients == 1 ? " client, " : " clients, ") +
                            (pipelined ? "pipelined" : "alternating") + ": server vs echo",
                        Describe(reporter, key, "server"), Describe(reporter, key, "echo"), a > 0 && b > 0 ? a / b : -1,
                        0.8, true);
    }
  }
  return 0;
}
