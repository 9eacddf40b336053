// Speed of the simulator IPC link against orvane-sim: a bare request/reply versus the frame's 30-read batch.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "pfd/read_list.h"
#include "platform/platform.h"
#include "sources/sim_ipc_client.h"

namespace {

// orvane-sim beside this program's run folder, started once for all benchmarks.
struct SimProcess {
  platform::ChildProcess child;
  bool running = false;

  SimProcess() {
    platform::SetIpcNamespace("bench-" + std::to_string(platform::CurrentProcessId()));
    const std::string program = std::string(ORVANE_RUN_DIR) + "/orvane-sim";
    running = platform::StartProcess(program, {"--freeze", "--demo-time", "60"}, child);
    for (int i = 0; i < 500 && running && platform::FindIpcWindow("UIPCMAIN") == 0; ++i) platform::SleepMs(10);
  }
  ~SimProcess() {
    SimIpcClose();
    if (running) platform::StopProcess(child, 5000);
  }
};

SimProcess& Sim() {
  static SimProcess sim;
  return sim;
}

// One message per iteration over the same transport, with a block holding only the end marker.
void BM_BareRequestReply(benchmark::State& state) {
  if (!Sim().running) return state.SkipWithError("orvane-sim did not start");
  const platform::IpcWindow window = platform::FindIpcWindow("UIPCMAIN");
  const uint32_t message = platform::RegisterIpcMessage("FsasmLib:IPC");
  const std::string name = "OrvaneBench:" + std::to_string(platform::CurrentProcessId());
  const uint16_t atom = platform::AddGlobalAtom(name.c_str());
  bool existed = false;
  const platform::IpcMapping mapping = platform::CreateSharedBlock(name.c_str(), 0x8000, &existed);
  void* view = mapping ? platform::MapSharedBlock(mapping, 0x8000) : nullptr;
  if (!window || !atom || !view) return state.SkipWithError("cannot set up the bare exchange");
  std::memset(view, 0, 4);
  for (auto _ : state) {
    uintptr_t reply = 0;
    if (!platform::SendIpcMessage(window, message, atom, 0, 2000, &reply) || reply != 1) {
      state.SkipWithError("exchange failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  platform::UnmapSharedBlock(view, 0x8000);
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
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_BareRequestReply)->UseRealTime();
BENCHMARK(BM_ReadListBatch)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
