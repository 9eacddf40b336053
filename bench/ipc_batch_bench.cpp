// Simulator IPC link: the frame's 30-read batch against orvane-sim, beside a bare exchange with a peer that does nothing.
//
// The floor is one message and its reply over the same transport (platform/ipc.h), with a request of
// the same size (an atom name of the same length) and the same shared-block handling on the peer
// side, answered by a peer that performs nothing: this program started again with --null-peer.
// The figure is the IPC client's whole batch (30 x SimIpcRead + SimIpcProcess) against orvane-sim,
// which also computes the demo flight and performs the 30 reads. Each iteration times one of each,
// one right after the other, so both see the same load on the machine.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_report.h"
#include "model/read_list.h"
#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
#include "platform/system.h"
#include "sources/sim_ipc_client.h"

namespace {

constexpr const char* kMessageName = "FsasmLib:IPC";
constexpr const char* kNullPeerClass = "ORVANENULL";
constexpr uint32_t kNullPeerSeconds = 120;  // the null peer ends by itself after this long

// A child process of this benchmark, started once and stopped at exit.
struct Child {
  platform::ChildProcess child;
  bool running = false;
  ~Child() {
    if (running) platform::StopProcess(child, 5000);
  }
};

// Waits until a peer of that class answers; false after 5 s.
bool WaitForPeer(const char* className) {
  platform::IpcClient probe;
  for (int i = 0; i < 500; ++i) {
    if (platform::FindIpcWindow(probe, className) != 0) return true;
    platform::SleepMs(10);
  }
  return false;
}

std::string& SelfPath() {
  static std::string path;
  return path;
}

Child& Sim() {
  static Child sim;
  static bool started = false;
  if (!started) {
    started = true;
    const std::string program = std::string(ORVANE_RUN_DIR) + "/orvane-sim";
    sim.running = platform::StartProcess(program, {"--freeze", "--demo-time", "264"}, sim.child) &&
                  WaitForPeer("UIPCMAIN");
  }
  return sim;
}

Child& NullPeer() {
  static Child peer;
  static bool started = false;
  if (!started) {
    started = true;
    peer.running = platform::StartProcess(SelfPath(), {"--null-peer"}, peer.child) && WaitForPeer(kNullPeerClass);
  }
  return peer;
}

// The peer side of the floor: answers every message with 1 and touches nothing.
int RunNullPeer() {
  std::string error;
  platform::InstallIpcStopHandlers();
  platform::IpcPeer* peer = platform::StartIpcPeer(
      kNullPeerClass, kMessageName, [](uint8_t*, uint32_t) { return platform::IpcPeerReply{true, 1}; }, nullptr,
      error);
  if (!peer) {
    std::fprintf(stderr, "null peer: %s\n", error.c_str());
    return 1;
  }
  const uint64_t end = platform::MonotonicMicros() + uint64_t(kNullPeerSeconds) * 1000000u;
  while (platform::ServeIpcPeer(peer, 100) && platform::MonotonicMicros() < end) {
  }
  platform::StopIpcPeer(peer);
  return 0;
}

// The bare exchange: the same message over the same transport to the null peer, with an atom name
// as long as the IPC client's ("FsasmLib:IPC:<pid>:1") and a shared block of the same size.
class BareExchange {
 public:
  BareExchange() {
    window_ = platform::FindIpcWindow(ipc_, kNullPeerClass);
    message_ = platform::RegisterIpcMessage(kMessageName);
    char name[64];
    std::snprintf(name, sizeof name, "%s:%X:%X", kMessageName, unsigned(platform::CurrentProcessId()), 2u);
    atom_ = platform::AddGlobalAtom(ipc_, name);
    bool existed = false;
    mapping_ = platform::CreateSharedBlock(ipc_, name, platform::kIpcBlockSize, &existed);
    view_ = mapping_ ? platform::MapSharedBlock(ipc_, mapping_, platform::kIpcBlockSize) : nullptr;
    if (view_) std::memset(view_, 0, 4);
  }
  ~BareExchange() {
    platform::UnmapSharedBlock(view_, platform::kIpcBlockSize);
    platform::CloseSharedBlock(ipc_, mapping_);
    platform::DeleteGlobalAtom(ipc_, atom_);
  }
  bool Ready() const { return window_ && atom_ && view_; }
  bool Exchange() {
    uintptr_t reply = 0;
    return platform::SendIpcMessage(ipc_, window_, message_, atom_, 0, 2000, &reply) && reply == 1;
  }

 private:
  platform::IpcClient ipc_;
  platform::IpcWindow window_ = 0;
  uint32_t message_ = 0;
  uint16_t atom_ = 0;
  platform::IpcMapping mapping_ = 0;
  void* view_ = nullptr;
};

// Per iteration: one bare exchange (the floor), then the frame's batch: the 30 reads of the read
// list queued and performed with one SimIpcProcess against orvane-sim (the figure).
void BM_IpcBatchPair(benchmark::State& state) {
  if (!NullPeer().running) return state.SkipWithError("the null peer did not start");
  if (!Sim().running) return state.SkipWithError("orvane-sim did not start");
  BareExchange bare;
  if (!bare.Ready()) return state.SkipWithError("cannot set up the bare exchange");
  uint32_t code = 0;
  SimIpcClient client;
  if (!client.SimIpcOpen(0, &code) && code != SimIpcAlreadyOpen) return state.SkipWithError("SimIpcOpen failed");
  std::array<std::array<uint8_t, 8>, kReadListRows> raw{};
  bench::Series series;
  for (auto _ : state) {
    bool ok = true;
    double seconds = series.Time("floor", [&] { ok = bare.Exchange(); });
    seconds += series.Time("batch", [&] {
      size_t i = 0;
      for (const ReadListRow& row : ReadList()) client.SimIpcRead(row.offset, row.size, raw[i++].data(), &code);
      ok = client.SimIpcProcess(&code) && ok;
    });
    if (!ok) {
      state.SkipWithError("an exchange failed");
      break;
    }
    state.SetIterationTime(seconds);
    benchmark::DoNotOptimize(raw);
  }
  series.Publish(state);
}

BENCHMARK(BM_IpcBatchPair)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--null-peer") == 0) return RunNullPeer();
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::printf(
        "usage: ipc_batch_bench [--null-peer] [benchmark flags]\n"
        "Times the display's 30-read IPC batch against orvane-sim (from %s) and a bare exchange of\n"
        "the same size with a peer that does nothing (this program with --null-peer), and prints\n"
        "their ratio as a RESULT line.\n",
        ORVANE_RUN_DIR);
    return 0;
  }
  // Both ends of every exchange on one core (see bench_report.h), before any peer starts.
  const int cpu = bench::PinToOneCpu();
  std::fprintf(stderr, "%s: every thread and peer on CPU %d\n", argv[0], cpu);
  SelfPath() = argv[0];
  // Peers of this run only: concurrent test runs use their own namespaces.
  platform::SetIpcNamespace("bench-" + std::to_string(platform::CurrentProcessId()));
  bench::CollectingReporter reporter;
  bench::RunAll(argc, argv, reporter, 5, 0.3);
  const std::string name = "BM_IpcBatchPair";
  if (!reporter.Error(name).empty()) std::fprintf(stderr, "%s: %s\n", name.c_str(), reporter.Error(name).c_str());
  const double batch = reporter.MedianCounter(name, "batch_us") / 1e6;
  const double floor = reporter.MedianCounter(name, "floor_us") / 1e6;
  bench::PrintRatio("IPC batch: 30 reads + process vs bare exchange", bench::Duration(batch), bench::Duration(floor),
                    batch > 0 && floor > 0 ? batch / floor : -1, 1.5, false);
  return 0;
}
