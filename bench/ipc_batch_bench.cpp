// Simulator IPC link: the frame's 30-read batch against orvane-sim, beside a bare exchange with a peer that does nothing.
//
// The floor is one message and its reply over the same transport (platform/ipc.h), with a request of
// the same size (an atom name of the same length) and the same shared-block handling on the peer
// side, answered by a peer that performs nothing: this program started again with --null-peer.
// The figure is the IPC client's whole batch (30 x SimIpcRead + SimIpcProcess) against orvane-sim,
// which also computes the demo flight and performs the 30 reads.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_report.h"
#include "pfd/read_list.h"
#include "platform/platform.h"
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
  for (int i = 0; i < 500; ++i) {
    if (platform::FindIpcWindow(className) != 0) return true;
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

// The same message over the same transport to the null peer: an atom name as long as the IPC
// client's ("FsasmLib:IPC:<pid>:1") and a shared block of the same size under that name.
void BM_IpcFloor(benchmark::State& state) {
  if (!NullPeer().running) return state.SkipWithError("the null peer did not start");
  const platform::IpcWindow window = platform::FindIpcWindow(kNullPeerClass);
  const uint32_t message = platform::RegisterIpcMessage(kMessageName);
  char name[64];
  std::snprintf(name, sizeof name, "%s:%X:%X", kMessageName, unsigned(platform::CurrentProcessId()), 2u);
  const uint16_t atom = platform::AddGlobalAtom(name);
  bool existed = false;
  const platform::IpcMapping mapping = platform::CreateSharedBlock(name, platform::kIpcBlockSize, &existed);
  void* view = mapping ? platform::MapSharedBlock(mapping, platform::kIpcBlockSize) : nullptr;
  if (!window || !atom || !view) return state.SkipWithError("cannot set up the bare exchange");
  std::memset(view, 0, 4);
  for (auto _ : state) {
    uintptr_t reply = 0;
    if (!platform::SendIpcMessage(window, message, atom, 0, 2000, &reply) || reply != 1) {
      state.SkipWithError("exchange failed");
      break;
    }
  }
  platform::UnmapSharedBlock(view, platform::kIpcBlockSize);
  platform::CloseSharedBlock(mapping);
  platform::DeleteGlobalAtom(atom);
}

// The frame's batch: the 30 reads of the read list queued and performed with one exchange.
void BM_ReadListBatch(benchmark::State& state) {
  if (!Sim().running) return state.SkipWithError("orvane-sim did not start");
  uint32_t code = 0;
  if (!SimIpcOpen(0, &code) && code != SimIpcAlreadyOpen) return state.SkipWithError("SimIpcOpen failed");
  std::array<std::array<uint8_t, 8>, kReadListRows> raw{};
  for (auto _ : state) {
    size_t i = 0;
    for (const ReadListRow& row : ReadList()) SimIpcRead(row.offset, row.size, raw[i++].data(), &code);
    if (!SimIpcProcess(&code)) {
      state.SkipWithError("SimIpcProcess failed");
      break;
    }
    benchmark::DoNotOptimize(raw);
  }
}

BENCHMARK(BM_IpcFloor)->UseRealTime();
BENCHMARK(BM_ReadListBatch)->UseRealTime();

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
  SelfPath() = argv[0];
  // Peers of this run only: concurrent test runs use their own namespaces.
  platform::SetIpcNamespace("bench-" + std::to_string(platform::CurrentProcessId()));
  bench::CollectingReporter reporter;
  bench::RunAll(argc, argv, reporter, 7, 0.2);
  SimIpcClose();
  const double batch = reporter.MedianSeconds("BM_ReadListBatch");
  const double floor = reporter.MedianSeconds("BM_IpcFloor");
  for (const char* name : {"BM_ReadListBatch", "BM_IpcFloor"})
    if (!reporter.Error(name).empty()) std::fprintf(stderr, "%s: %s\n", name, reporter.Error(name).c_str());
  bench::PrintRatio("IPC batch: 30 reads + process vs bare exchange", bench::Duration(batch), bench::Duration(floor),
                    batch > 0 && floor > 0 ? batch / floor : -1, 1.5, false);
  return 0;
}
