// The simulator-mode source: all 30 variables in one IPC exchange.
#include "sources/simulator_source.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "model/read_list.h"
#include "platform/ipc.h"
#include "platform/system.h"
#include "model/sim_ipc_protocol.h"

SimulatorSource::SimulatorSource(bool reconnect, ReadPlan plan)
    : reconnect_(reconnect), plan_(std::move(plan)), scratch_(plan_.ipc.size()) {}

bool SimulatorSource::Open(uint32_t* resultCode) {
  attempted_ = true;
  lastAttemptMicros_ = platform::MonotonicMicros();
  return client_.SimIpcOpen(0, resultCode);
}

SourceStart SimulatorSource::Open() {
  uint32_t resultCode = 0;
  if (Open(&resultCode)) return {};
  if (!reconnect_) return {SourceStart::Outcome::FailNow, kOpenFailedText};
  platform::DebugLog("Simulator: no simulator answers (code " + std::to_string(resultCode) +
                     "); trying again every 2 s.");
  return {SourceStart::Outcome::Waiting, ""};
}

std::string SimulatorSource::TitleWord() const {
  return !reconnect_ || !attempted_ || client_.IsOpen() ? kTitleWord : kTitleWordNotConnected;
}

bool SimulatorSource::SimulatorGone() {
  const platform::IpcWindow window = client_.Window();
  return platform::FindIpcWindow(client_.Ipc(), simipc::kPrimaryClass) != window &&
         platform::FindIpcWindow(client_.Ipc(), simipc::kSecondaryClass) != window;
}

void SimulatorSource::Service() {
  if (!reconnect_ || client_.IsOpen()) return;
  const uint64_t now = platform::MonotonicMicros();
  if (now - lastAttemptMicros_ < kRetryEveryMicros) return;
  uint32_t code = 0;
  if (Open(&code)) {
    platform::DebugLog("Simulator: the link is open again.");
  }
  // A failed attempt counts from its end, so a slow handshake still leaves the window its 2 s.
  lastAttemptMicros_ = platform::MonotonicMicros();
}

bool SimulatorSource::Fetch(FlightFrame& frame) {
  const bool complete = FetchInterface(frame.classic);
  FrameFromInterface(frame, InclinationRule::Degrees);
  return complete;
}

bool SimulatorSource::FetchInterface(InterfaceValues& state) {
  // Each row lands in its own zeroed scratch slot first (the widest row is 8 bytes), so a value that
  // does not arrive stays zero and the bytes are stored little-endian whatever the host.
  const std::vector<ReadListRow>& rows = plan_.ipc;
  bool listQueued = true;
  VarSet queued;
  for (size_t i = 0; i < rows.size(); ++i) {
    scratch_[i].fill(0);
    uint32_t code = 0;
    if (client_.SimIpcRead(rows[i].offset, rows[i].size, scratch_[i].data(), &code))
      queued.Add(rows[i].field);
    else if (i < size_t(kReadListRows))
      listQueued = false;
  }
  uint32_t code = 0;
  const bool exchanged = client_.SimIpcProcess(&code);
  if (exchanged) {
    for (size_t i = 0; i < rows.size(); ++i) StoreRawBytes(state, rows[i], scratch_[i].data());
    state.Valid |= queued;
  } else if (reconnect_ && client_.IsOpen() && SimulatorGone()) {
    platform::DebugLog("Simulator: its window has gone; the link is closed and opened again every 2 s.");
    client_.SimIpcClose();
    lastAttemptMicros_ = platform::MonotonicMicros();
  }
  // The simulator frame's pause, between the exchange and the picture.
  platform::SleepMs(1);
  return exchanged && listQueued;
}
