// Requests per second of the data server with 1, 16 and 64 clients, in strict alternation and pipelined.
#include <benchmark/benchmark.h>

#include <asio.hpp>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "pfd/read_list.h"
#include "server/area_sources.h"
#include "server/server_core.h"
#include "server/server_log.h"
#include "simdata/demo_flight.h"
#include "simdata/sim_data_area.h"
#include "sources/net_requests.h"

namespace {

using asio::ip::tcp;

// The server core with the frozen demo flight, on a loopback port, for the whole benchmark run.
struct BenchServer {
  BenchServer() : source(30.0, true) {
    server::SetLogSink([](const std::string&) {});  // connect/disconnect lines would swamp the output
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
  ~BenchServer() {
    core->Stop();
    thread.join();
    server::SetLogSink(nullptr);
  }
  server::DemoSource source;
  std::unique_ptr<server::Server> core;
  std::thread thread;
};

BenchServer& Shared() {
  static BenchServer s;
  return s;
}

// The 29 requests of one display frame, each with its zero byte.
const std::vector<std::string>& FrameRequests() {
  static const std::vector<std::string> requests = [] {
    std::vector<std::string> r;
    for (const ReadListRow* row : NetworkRequestOrder())
      r.push_back(BuildRequestText(int32_t(row->offset), row->netSize, row->netType) + std::string(1, '\0'));
    return r;
  }();
  return requests;
}

// One client asks `frames` display frames; `pipelined` sends each frame's 29 requests at once.
void ClientFrames(tcp::socket& socket, asio::streambuf& in, int frames, bool pipelined) {
  const auto& requests = FrameRequests();
  static const std::string batch = [] {
    std::string b;
    for (const std::string& r : FrameRequests()) b += r;
    return b;
  }();
  for (int f = 0; f < frames; ++f) {
    if (pipelined) {
      asio::write(socket, asio::buffer(batch));
      for (size_t i = 0; i < requests.size(); ++i) {
        size_t n = asio::read_until(socket, in, '\0');
        in.consume(n);
      }
    } else {
      for (const std::string& r : requests) {
        asio::write(socket, asio::buffer(r));
        size_t n = asio::read_until(socket, in, '\0');
        in.consume(n);
      }
    }
  }
}

void RunClients(benchmark::State& state, bool pipelined) {
  BenchServer& srv = Shared();
  const int clients = int(state.range(0));
  const int framesPerClient = pipelined ? 40 : 10;
  asio::io_context io;
  std::vector<std::unique_ptr<tcp::socket>> sockets;
  std::vector<std::unique_ptr<asio::streambuf>> buffers;
  for (int i = 0; i < clients; ++i) {
    sockets.push_back(std::make_unique<tcp::socket>(io));
    sockets.back()->connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), srv.core->Port()));
    sockets.back()->set_option(tcp::no_delay(true));
    buffers.push_back(std::make_unique<asio::streambuf>());
  }
  for (auto _ : state) {
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i)
      threads.emplace_back([&, i] { ClientFrames(*sockets[size_t(i)], *buffers[size_t(i)], framesPerClient, pipelined); });
    for (std::thread& t : threads) t.join();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * clients * framesPerClient * int64_t(FrameRequests().size()));
  state.counters["clients"] = clients;
}

void BM_ServerAlternating(benchmark::State& state) { RunClients(state, false); }
void BM_ServerPipelined(benchmark::State& state) { RunClients(state, true); }

}  // namespace

BENCHMARK(BM_ServerAlternating)->Arg(1)->Arg(16)->Arg(64)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerPipelined)->Arg(1)->Arg(16)->Arg(64)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
