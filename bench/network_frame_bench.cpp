// Frames per second of the network frame's data part (29 requests) against a local data server, pipeline off and on.
#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "pfd/flight_state.h"
#include "pfd/frame_network.h"
#include "server/area_sources.h"
#include "server/server_core.h"
#include "server/server_log.h"
#include "sources/hx_data_exchange.h"
#include "sources/hx_tcp_ipc_udp.h"

namespace {

// The server core with the frozen demo flight on a loopback port, in this process.
struct LocalServer {
  LocalServer() : source(30.0, true) {
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

// One frame's requests and replies per iteration; arg 0 = one by one, 1 = pipelined.
void BM_NetworkFrameData(benchmark::State& state) {
  static LocalServer server;
  THxTcpBlockClient client;
  THxDataExchange exchange('.');
  client.SetPort(std::to_string(server.core->Port()));
  client.SetAddress("127.0.0.1");
  if (!client.Connect()) {
    state.SkipWithError("cannot connect to the local data server");
    return;
  }
  const bool pipeline = state.range(0) != 0;
  int64_t failed = 0;
  for (auto _ : state) {
    FlightState s{};
    if (!FetchNetworkState(&client, &exchange, pipeline, s)) ++failed;
    benchmark::DoNotOptimize(s.Pitch);
  }
  state.counters["frames_per_s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["failed_frames"] = double(failed);
  state.SetLabel(pipeline ? "pipeline" : "one by one");
}

BENCHMARK(BM_NetworkFrameData)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
