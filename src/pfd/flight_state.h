// One frame's simulator variables: raw values as delivered and the display quantities derived from them.
#pragma once

#include <cstdint>
#include <string>

// Zero-filled at the start of every frame (`FlightState state{};`): a value that does not arrive
// stays zero.
struct FlightState {
  // Raw values, in the widths and signedness of the read list.
  double Pitch = 0;              // degrees, positive nose down
  double Bank = 0;               // degrees, positive left wing down
  uint32_t ApMaster = 0;         // flags: on only when exactly 1
  uint32_t ApHeadingHold = 0;
  uint32_t ApAltitudeHold = 0;
  uint32_t ApGlideSlopeHold = 0;
  uint32_t ApApproachHold = 0;
  int8_t GsNeedle = 0;           // -128..127, positive = index down
  int8_t LocNeedle = 0;          // -128..127, positive = index right
  int32_t RadioAltitudeRaw = 0;  // metres x 65536
  uint16_t OuterMarker = 0;
  uint16_t MiddleMarker = 0;
  uint16_t InnerMarker = 0;
  uint16_t RadioStatus = 0;
  uint32_t FdActive = 0;
  double FdPitch = 0;            // degrees
  double FdBank = 0;             // degrees
  int32_t Altimeter = 0;         // feet
  int32_t ApAltitudeRaw = 0;     // metres x 65536
  uint8_t Nav1BcFlags = 0;
  uint8_t Nav1CodeFlags = 0;
  int16_t GsInclinationRaw = 0;  // 65536 = 360 degrees
  std::string DmeText;           // up to 5 characters over IPC, any length over the network
  std::string Nav1Ident;         // up to 6 characters over IPC, any length over the network

  // Derived values, filled by the conversions.
  double PitchOffset = 0;        // horizon texture shift: Pitch x 0.0058
  double RadioAltitudeFt = 0;
  int32_t ApAltitudeFt = 0;
  int16_t GsInclination = 0;     // whole degrees (IPC) or the raw value (network)
  double GsDeviation = 0;
  double LocDeviation = 0;
};
