// Network frame's data part (29 requests through the client) against the data server, beside bare TCP ping-pongs of the same sizes.
//
// Figure: FetchNetworkState, as DrawFrameNetwork calls it (no GL), against the server core with the
// frozen demo flight on loopback, one by one and with PIPELINE on.
// Floor: a trivial peer on loopback that answers each zero-terminated request with as many bytes as
// the server's reply to that request has; the client is plain blocking send/recv. One by one it is
// 29 ping-pongs of the frame's sizes; pipelined it is one ping-pong carrying all 29 requests and all
// 29 replies. Each iteration times the floor's frame and the client's frame one right after the
// other. Round trips are also counted directly: the client's socket counts the blocks of reply
// bytes it receives.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
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
#include "local_server.h"
#include "model/interface_values.h"
#include "model/network_reply.h"
#include "sources/network_source.h"
#include "model/read_list.h"
#include "server/area_sources.h"
#include "server/server_core.h"
#include "server/server_log.h"
#include "sources/hx_data_exchange.h"
#include "sources/hx_tcp_ipc_udp.h"
#include "sources/net_requests.h"

namespace {


LocalServer& Server() {
  static LocalServer server;
  return server;
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
    shutdown(listener_, SHUT_RDWR);  // wakes a blocking accept
    const int fd = connection_.load();
    if (fd >= 0) shutdown(fd, SHUT_RDWR);  // wakes a blocking recv
    thread_.join();
    close(listener_);
  }
  uint16_t Port() const { return port_; }

 private:
  // Blocking accept, recv and send: the fewest system calls a peer can make per request.
  void Serve() {
    std::vector<char> in(65536);
    std::string out;
    while (!stop_) {
      const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) break;
      connection_ = fd;
      if (stop_) shutdown(fd, SHUT_RDWR);
      const int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      size_t next = 0;
      for (;;) {
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
      connection_ = -1;
      close(fd);
    }
  }

  std::vector<size_t> sizes_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connection_{-1};
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

// The floor's client: plain blocking send/recv on its own connection to the echo peer.
class FloorClient {
 public:
  FloorClient() : fd_(ConnectLoopback(Echo().Port())), buffer_(65536) {
    for (size_t i = 0; i < FrameRequests().size(); ++i) {
      batch_ += FrameRequests()[i];
      batchReply_ += ReplySizes()[i];
    }
  }
  ~FloorClient() {
    if (fd_ >= 0) close(fd_);
  }
  bool Ready() const { return fd_ >= 0; }
  // 29 ping-pongs of the frame's sizes, or (pipelined) one ping-pong with all of them.
  bool Frame(bool pipeline) {
    if (pipeline) return SendAll(batch_) && ReadExactly(fd_, buffer_, batchReply_);
    const auto& requests = FrameRequests();
    for (size_t i = 0; i < requests.size(); ++i)
      if (!SendAll(requests[i]) || !ReadExactly(fd_, buffer_, ReplySizes()[i])) return false;
    return true;
  }

 private:
  bool SendAll(const std::string& bytes) {
    return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
  }
  int fd_;
  std::vector<char> buffer_;
  std::string batch_;
  size_t batchReply_ = 0;
};

// The display's socket with a count of the blocks of reply bytes it receives (the looks for stale
// bytes before a request, which do not wait, left out): every block is one trip to the server and
// back, so blocks per frame count the frame's round trips.
class CountingSocket : public THxBlockSocket {
 public:
  uint8_t* ReceiveWithin(int32_t& count, uint32_t timeoutMs) override {
    uint8_t* block = THxBlockSocket::ReceiveWithin(count, timeoutMs);
    if (timeoutMs > 0 && block != nullptr) ++receives;
    return block;
  }
  int64_t receives = 0;

 protected:
  ~CountingSocket() override = default;
};

// The display's client with its socket swapped for a counting one (before it connects).
CountingSocket* InstallCountingSocket(THxTcpBlockClient& client) {
  auto* socket = new CountingSocket;
  socket->OnDisconnect = [&client](THxBlockSocket* sender) { client.SocketDisconnected(sender); };
  client.Socket = THxRef<THxSocketInterface>(socket);
  client.SocketObject = socket;
  return socket;
}

// Per iteration: the floor's frame, then the display client's frame (FetchNetworkState against the
// server core); arg 0 = one by one, 1 = pipelined.
void BM_NetworkFramePair(benchmark::State& state) {
  const bool pipeline = state.range(0) != 0;
  FloorClient floor;
  if (!floor.Ready()) return state.SkipWithError("cannot connect to the echo peer");
  THxTcpBlockClient client;
  CountingSocket* socket = InstallCountingSocket(client);
  THxDataExchange exchange('.');
  client.SetPort(std::to_string(Server().core->Port()));
  client.SetAddress("127.0.0.1");
  if (!client.Connect()) return state.SkipWithError("cannot connect to the local data server");
  bench::Series series;
  const int64_t receivesBefore = socket->receives;
  int64_t failed = 0;
  for (auto _ : state) {
    bool ok = true;
    double seconds = series.Time("floor", [&] { ok = floor.Frame(pipeline); });
    seconds += series.Time("frame", [&] {
      InterfaceValues s{};
      if (!FetchNetworkState(&client, &exchange, pipeline, s)) ++failed;
      benchmark::DoNotOptimize(s.Pitch);
    });
    if (!ok) {
      state.SkipWithError("the echo peer went away");
      break;
    }
    state.SetIterationTime(seconds);
  }
  series.Publish(state);
  state.counters["failed_frames"] = double(failed);
  state.counters["receives_per_frame"] = double(socket->receives - receivesBefore) / double(state.iterations());
  state.SetLabel(pipeline ? "pipeline" : "one by one");
}

BENCHMARK(BM_NetworkFramePair)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

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
  // Both ends of every exchange on one core (see bench_report.h), before any peer starts.
  const int cpu = bench::PinToOneCpu();
  std::fprintf(stderr, "%s: every thread and peer on CPU %d\n", argv[0], cpu);
  try {
    Echo();  // asks the server for the reply sizes first
  } catch (const std::exception& e) {
    std::fprintf(stderr, "network_frame_bench: %s\n", e.what());
    return 1;
  }
  bench::CollectingReporter reporter;
  bench::RunAll(argc, argv, reporter, 5, 0.3);
  const std::string oneByOne = "BM_NetworkFramePair/0", pipelined = "BM_NetworkFramePair/1";
  for (const std::string& name : {oneByOne, pipelined}) {
    if (!reporter.Error(name).empty()) std::fprintf(stderr, "%s: %s\n", name.c_str(), reporter.Error(name).c_str());
    if (reporter.MedianCounter(name, "failed_frames") > 0)
      std::fprintf(stderr, "%s: some frames did not get every reply\n", name.c_str());
  }
  const double frame = reporter.MedianCounter(oneByOne, "frame_us") / 1e6;
  const double floor = reporter.MedianCounter(oneByOne, "floor_us") / 1e6;
  const double framePipelined = reporter.MedianCounter(pipelined, "frame_us") / 1e6;
  const double floorPipelined = reporter.MedianCounter(pipelined, "floor_us") / 1e6;
  bench::PrintRatio("Network frame, one by one: 29 requests vs 29 TCP ping-pongs", bench::Duration(frame),
                    bench::Duration(floor), frame > 0 && floor > 0 ? frame / floor : -1, 1.2, false);
  bench::PrintRatio("Network frame, pipelined vs one ping-pong of the same bytes", bench::Duration(framePipelined),
                    bench::Duration(floorPipelined),
                    framePipelined > 0 && floorPipelined > 0 ? framePipelined / floorPipelined : -1, 1.5, false);
  const double oneByOneWaits = reporter.MedianCounter(oneByOne, "receives_per_frame");
  const double waits = reporter.MedianCounter(pipelined, "receives_per_frame");
  bench::PrintResult("Network frame, pipelined: waits for the server per frame", bench::Number(waits, "%.2f"),
                     "1 (one by one: " + bench::Number(oneByOneWaits, "%.2f") + ")", bench::Number(waits, "%.2f x"),
                     "<= 2 x", waits > 0 ? (waits <= 2.0 ? "yes" : "NO") : "n/a");
  return 0;
}
