// The simulator's 64 KiB data area: bounds-checked copies, handshake values, flight-state store/load.
#include "simdata/sim_data_area.h"

#include "model/interface_codec.h"
#include "model/sim_ipc_protocol.h"

namespace {

// Handshake values a client checks right after connecting: the oldest interface version it takes,
// and a simulator version with the marker in its high half.
constexpr uint32_t kVersionOffset = simipc::kInterfaceVersionOffset;
constexpr uint32_t kVersionValue = simipc::kInterfaceVersionFloor;
constexpr uint32_t kSimulatorOffset = simipc::kSimulatorVersionOffset;
constexpr uint32_t kSimulatorValue = (simipc::kSimulatorMarker << 16) | 0x0009;

// True when [offset, offset + size) lies inside the area (no overflow: size is compared against
// the room left after offset).
bool InArea(uint32_t offset, uint32_t size) {
  return offset <= SimDataArea::kSize && size <= SimDataArea::kSize - offset;
}

}  // namespace

SimDataArea::SimDataArea() {
  bytes_.fill(0);
  Set<uint32_t>(kVersionOffset, kVersionValue);
  Set<uint32_t>(kSimulatorOffset, kSimulatorValue);
}

bool SimDataArea::Read(uint32_t offset, uint32_t size, void* out) const {
  if (!InArea(offset, size)) return false;
  if (size > 0) std::memcpy(out, bytes_.data() + offset, size);
  return true;
}

bool SimDataArea::Write(uint32_t offset, uint32_t size, const void* in) {
  if (!InArea(offset, size)) return false;
  if (size > 0) std::memcpy(bytes_.data() + offset, in, size);
  return true;
}

void SimDataArea::StoreInterfaceValues(const InterfaceValues& state) {
  for (size_t v = 0; v < kFlightVarCount; ++v) {
    const FlightVarInfo& info = VarInfo(FlightVar(v));
    if (!info.hasField) continue;  // bytes no variable holds keep what they have
    uint8_t buf[16] = {};
    LoadRawBytes(state, info.var, buf);
    Write(info.offset, info.size, buf);
  }
}

void SimDataArea::StoreReadings(const FlightState& readings) { StoreInterfaceValues(EncodeInterface(readings)); }

InterfaceValues SimDataArea::LoadInterfaceValues() const {
  InterfaceValues state{};
  for (size_t v = 0; v < kFlightVarCount; ++v) {
    const FlightVarInfo& info = VarInfo(FlightVar(v));
    uint8_t buf[16] = {};
    if (!info.hasField || !Read(info.offset, info.size, buf)) continue;
    StoreRawBytes(state, info.var, buf);
  }
  return state;
}
