// The simulator-mode frame: all 30 variables in one IPC exchange, then decide and draw.
#include <cstdint>
#include <cstring>

#include "pfd/flight_conversions.h"
#include "pfd/frame_draw.h"
#include "pfd/frame_rules.h"
#include "pfd/frames.h"
#include "pfd/read_list.h"
#include "platform/system.h"
#include "sources/sim_ipc_client.h"

bool DrawFrameIpc() {
  FlightState state{};
  // Each row lands in its own zeroed scratch slot first (the widest row is 8 bytes), so a value that
  // does not arrive stays zero and the bytes are stored little-endian whatever the host.
  uint8_t scratch[kReadListRows][8];
  std::memset(scratch, 0, sizeof scratch);
  const auto& rows = ReadList();
  bool allQueued = true;
  for (size_t i = 0; i < rows.size(); ++i) {
    uint32_t code = 0;
    if (!SimIpcRead(rows[i].offset, rows[i].size, scratch[i], &code)) allQueued = false;
  }
  uint32_t code = 0;
  const bool exchanged = SimIpcProcess(&code);
  const bool dataFailed = !exchanged || !allQueued;
  if (exchanged) {
    for (size_t i = 0; i < rows.size(); ++i) StoreRawBytes(state, rows[i], scratch[i]);
  }
  platform::SleepMs(1);
  ApplyConversions(state, InclinationRule::Degrees);
  DrawFrameDescription(DecideFrame(state, dataFailed));
  return true;
}
