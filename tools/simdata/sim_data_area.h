// The simulator's 64 KiB data area, with typed little-endian accessors.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "model/flight_state.h"
#include "model/interface_values.h"

class SimDataArea {
 public:
  static constexpr uint32_t kSize = 0x10000;

  SimDataArea();  // zero-filled, with the handshake values at 0x3304 and 0x3308

  // Copies `size` bytes at `offset` out of / into the area; false (nothing copied) when the range
  // leaves the area.
  bool Read(uint32_t offset, uint32_t size, void* out) const;
  bool Write(uint32_t offset, uint32_t size, const void* in);

  template <typename T>
  T Get(uint32_t offset) const {
    uint8_t b[sizeof(T)] = {};
    Read(offset, sizeof(T), b);
    T v;
    std::memcpy(&v, b, sizeof(T));  // the area is little-endian, as is every supported host
    return v;
  }
  template <typename T>
  void Set(uint32_t offset, T value) {
    Write(offset, sizeof(T), &value);
  }

  // Writes every variable of `state` at its offset (the interface's units).
  void StoreInterfaceValues(const InterfaceValues& state);
  // Writes the readings at their variables' offsets, encoded by the interface codec.
  void StoreReadings(const FlightState& readings);
  // Reads every variable back (the interface's units, no conversions; none marked valid).
  InterfaceValues LoadInterfaceValues() const;

 private:
  std::array<uint8_t, kSize> bytes_;
};
