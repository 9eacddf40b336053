// Network frame's data part (29 requests through the client) against the data server, beside bare TCP ping-pongs of the same sizes.
//
// Figure: FetchNetworkState, as DrawFrameNetwork calls it (no GL), against the server core with the
// frozen demo flight on loopback, one by one and with PIPELINE on.
// Floor: a trivial peer on loopback that answers each zero-terminated request with as many bytes as
// the server's reply to that request has; the client is plain blocking send/recv. One by one it is
// 29 ping-pongs of the frame's sizes; pipelined it is one ping-pong carrying all 29 requests and all
// 29 replies, so the ratio of the pipelined frame to it counts round trips per frame.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench_report.h"
#include "pfd/flight_state.h"
#include "pfd/frame_network.h"
#include "pfd/read_list.h"
#include "server/area_sources.h"
#include "server/server_core.h"
#include "server/server_log.h"
#include "sources/hx_data_exchange.h"
#include "sources/hx_tcp_ipc_udp.h"
#include "sources/net_requests.h"

namespace {

// The server core with the frozen demo flight (ILS approach) on a loopback port, in this process.
struct LocalServer {
  LocalServer() : source(264.0, true) {
    server::SetLogSink([](const std::string&) {});
    server::ServerOptions options;
    options.bindAddress = "127.0.0.1";
    options.port = 0;
    options.handleSignals = false;
    options.statsSeconds = 0;
    core = std::make_unique<server::Server>(options, source);
    std::string error;
    if (!core->Open(&error)) throw std::runtime_error(error);
    thread = std::thread([this] { core->Run(); });
  }
  ~LocalServer() {
    core->Stop();
    thread.join();
    server::SetLogSink(nullptr);
  }
  server::DemoSource source;
  std::unique_ptr<server::Server> core;
  std::thread thread;
};

LocalServer& Server() {
  static LocalServer server;
  return server;
}

// The frame's requests, each with its zero byte, in the order the frame sends them.
const std::vector<std::string>& FrameRequests() {
  static const std::vector<std::string> requests = [] {
    std::vector<std::string> r;
    for (const ReadListRow* row : NetworkRequestOrder())
      r.push_back(BuildRequestText(int32_t(row->offset), row->netSize, row->netType) + std::string(1, '\0'));
    return r;
  }();
  return requests;
}

// Byte counts of the server's replies to the frame's requests (zero byte included), asked once.
const std::vector<size_t>& ReplySizes() {
  static const std::vector<size_t> sizes = [] {
    THxTcpBlockClient client;
    THxDataExchange exchange('.');
    client.SetPort(std::to_string(Server().core->Port()));
    client.SetAddress("127.0.0.1");
    if (!client.Connect()) throw std::runtime_error("cannot connect to the local data server");
    std::vector<size_t> s;
    for (const ReadListRow* row : NetworkRequestOrder()) {
      std::string reply;
      if (RequestTextOn(&client, &exchange, int32_t(row->offset), row->netSize, row->netType, &reply) !=
          RequestOutcome::Delivered)
        throw std::runtime_error("the local data server did not answer");
      s.push_back(reply.size() + 1);
    }
    return s;
  }();
  return sizes;
}

int ConnectLoopback(uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    if (fd >= 0) close(fd);
    return -1;
  }
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

// The floor's peer: one connection at a time; every zero byte read ends a request, answered with
// the next reply size of the frame; the replies to one read leave in one write.
class SizedEchoPeer {
 public:
  explicit SizedEchoPeer(std::vector<size_t> sizes) : sizes_(std::move(sizes)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener_, 4) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length) != 0)
      throw std::runtime_error("cannot open the echo peer");
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~SizedEchoPeer() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }
  uint16_t Port() const { return port_; }

 private:
  void Serve() {
    std::vector<char> in(65536);
    std::string out;
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      const int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      size_t next = 0;
      while (!stop_) {
        pollfd q{fd, POLLIN, 0};
        if (poll(&q, 1, 50) <= 0) continue;  // a bounded wait, so the peer notices a stop
        const ssize_t n = recv(fd, in.data(), in.size(), 0);
        if (n <= 0) break;
        out.clear();
        for (ssize_t i = 0; i < n; ++i) {
          if (in[size_t(i)] != '\0') continue;
          out.append(sizes_[next] - 1, '7');
          out.push_back('\0');
          next = (next + 1) % sizes_.size();
        }
        if (!out.empty() && send(fd, out.data(), out.size(), MSG_NOSIGNAL) != ssize_t(out.size())) break;
      }
      close(fd);
    }
  }

  std::vector<size_t> sizes_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

SizedEchoPeer& Echo() {
  static SizedEchoPeer peer(ReplySizes());
  return peer;
}

// Reads exactly `count` bytes; false when the connection ends.
bool ReadExactly(int fd, std::vector<char>& buffer, size_t count) {
  size_t got = 0;
  while (got < count) {
    const ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
    if (n <= 0) return false;
    got += size_t(n);
  }
  return got == count;
}

// Floor: arg 0 = 29 ping-pongs of the frame's sizes; 1 = one ping-pong with all of them.
void BM_TcpFloor(benchmark::State& state) {
  const bool pipeline = state.range(0) != 0;
  const auto& requests = FrameRequests();
  const auto& sizes = ReplySizes();
  std::string batch;
  size_t batchReply = 0;
  for (size_t i = 0; i < requests.size(); ++i) {
    batch += requests[i];
    batchReply += sizes[i];
  }
  const int fd = ConnectLoopback(Echo().Port());
  if (fd < 0) return state.SkipWithError("cannot connect to the echo peer");
  std::vector<char> buffer(65536);
  for (auto _ : state) {
    bool ok = true;
    if (pipeline) {
      ok = send(fd, batch.data(), batch.size(), MSG_NOSIGNAL) == ssize_t(batch.size()) &&
           ReadExactly(fd, buffer, batchReply);
    } else {
      for (size_t i = 0; i < requests.size() && ok; ++i)
        ok = send(fd, requests[i].data(), requests[i].size(), MSG_NOSIGNAL) == ssize_t(requests[i].size()) &&
             ReadExactly(fd, buffer, sizes[i]);
    }
    if (!ok) {
      state.SkipWithError("the echo peer went away");
      break;
    }
  }
  close(fd);
  state.SetLabel(pipeline ? "one ping-pong" : "29 ping-pongs");
}

// Figure: one frame's requests and replies through the display's client; arg 0 = one by one, 1 = pipelined.
void BM_NetworkFrameData(benchmark::State& state) {
  THxTcpBlockClient client;
  THxDataExchange exchange('.');
  client.SetPort(std::to_string(Server().core->Port()));
  client.SetAddress("127.0.0.1");
  if (!client.Connect()) return state.SkipWithError("cannot connect to the local data server");
  const bool pipeline = state.range(0) != 0;
  int64_t failed = 0;
  for (auto _ : state) {
    FlightState s{};
    if (!FetchNetworkState(&client, &exchange, pipeline, s)) ++failed;
    benchmark::DoNotOptimize(s.Pitch);
  }
  state.counters["failed_frames"] = double(failed);
  state.SetLabel(pipeline ? "pipeline" : "one by one");
}

BENCHMARK(BM_TcpFloor)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NetworkFrameData)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::printf(
        "usage: network_frame_bench [benchmark flags]\n"
        "Times the network frame's 29 requests through the display's client against the data server\n"
        "core on loopback (one by one and pipelined) and bare TCP ping-pongs of the same sizes, and\n"
        "prints the ratios as RESULT lines.\n");
    return 0;
  }
  try {
    Echo();  // asks the server for the reply sizes first
  } catch (const std::exception& e) {
    std::fprintf(stderr, "network_frame_bench: %s\n", e.what());
    return 1;
  }
  bench::CollectingReporter reporter;
  bench::RunAll(argc, argv, reporter, 7, 0.2);
  const double frame = reporter.MedianSeconds("BM_NetworkFrameData/0");
  const double framePipelined = reporter.MedianSeconds("BM_NetworkFrameData/1");
  const double floor = reporter.MedianSeconds("BM_TcpFloor/0");
  const double floorPipelined = reporter.MedianSeconds("BM_TcpFloor/1");
  for (const char* name : {"BM_NetworkFrameData/0", "BM_NetworkFrameData/1", "BM_TcpFloor/0", "BM_TcpFloor/1"})
    if (!reporter.Error(name).empty()) std::fprintf(stderr, "%s: %s\n", name, reporter.Error(name).c_str());
  if (reporter.MedianCounter("BM_NetworkFrameData/0", "failed_frames") > 0 ||
      reporter.MedianCounter("BM_NetworkFrameData/1", "failed_frames") > 0)
    std::fprintf(stderr, "network_frame_bench: some frames did not get every reply\n");
  bench::PrintRatio("Network frame, one by one: 29 requests vs 29 TCP ping-pongs", bench::Duration(frame),
                    bench::Duration(floor), frame > 0 && floor > 0 ? frame / floor : -1, 1.2, false);
  bench::PrintRatio("Network frame, pipelined: round trips (frame / one ping-pong)", bench::Duration(framePipelined),
                    bench::Duration(floorPipelined),
                    framePipelined > 0 && floorPipelined > 0 ? framePipelined / floorPipelined : -1, 2.0, false);
  return 0;
}
