// The simulator-mode source: all 30 variables in one IPC exchange.
#include "sources/simulator_source.h"

#include <cstdint>
#include <cstring>

#include "pfd/read_list.h"
#include "platform/ipc.h"
#include "platform/system.h"
#include "sources/sim_ipc_protocol.h"

bool SimulatorSource::Open(uint32_t* resultCode) {
  lastAttemptMicros_ = platform::MonotonicMicros();
  return client_.SimIpcOpen(0, resultCode);
}

bool SimulatorSource::SimulatorGone() const {
  const platform::IpcWindow window = client_.Window();
  return platform::FindIpcWindow(simipc::kPrimaryClass) != window &&
         platform::FindIpcWindow(simipc::kSecondaryClass) != window;
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

bool SimulatorSource::Fetch(FlightState& state) {
  // Each row lands in its own zeroed scratch slot first (the widest row is 8 bytes), so a value that
  // does not arrive stays zero and the bytes are stored little-endian whatever the host.
  uint8_t scratch[kReadListRows][8];
  std::memset(scratch, 0, sizeof scratch);
  const auto& rows = ReadList();
  bool allQueued = true;
  for (size_t i = 0; i < rows.size(); ++i) {
    uint32_t code = 0;
    if (!client_.SimIpcRead(rows[i].offset, rows[i].size, scratch[i], &code)) allQueued = false;
  }
  uint32_t code = 0;
  const bool exchanged = client_.SimIpcProcess(&code);
  if (exchanged) {
    for (size_t i = 0; i < rows.size(); ++i) StoreRawBytes(state, rows[i], scratch[i]);
  } else if (reconnect_ && client_.IsOpen() && SimulatorGone()) {
    platform::DebugLog("Simulator: its window has gone; the link is closed and opened again every 2 s.");
    client_.SimIpcClose();
    lastAttemptMicros_ = platform::MonotonicMicros();
  }
  // The simulator frame's pause, between the exchange and the picture.
  platform::SleepMs(1);
  return exchanged && allQueued;
}
