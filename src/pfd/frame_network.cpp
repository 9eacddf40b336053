// The network-mode frame's value rules: a reply's number or text stored into its read-list field.
#include "pfd/frame_network.h"

#include <cmath>
#include <cstdint>


namespace {

// Rounds halves to even; false when the result lies outside [low, high].
bool RoundWithin(double value, double low, double high, double* rounded) {
  if (!std::isfinite(value)) return false;
  double r = std::nearbyint(value);
  if (r < low || r > high) return false;
  *rounded = r;
  return true;
}

constexpr double kInt64Low = -9223372036854775808.0;
constexpr double kInt64High = 9223372036854774784.0;  // the largest double below 2^63
constexpr double kInt32Low = -2147483648.0;
constexpr double kInt32High = 2147483647.0;

// The low 32 bits of the value rounded into a 64-bit integer.
bool Low32Of64(double value, uint32_t* out) {
  double r = 0;
  if (!RoundWithin(value, kInt64Low, kInt64High, &r)) return false;
  *out = static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(r)));
  return true;
}

// The value rounded into a signed 32-bit integer (then cut by the caller to the field's width).
bool Int32Of(double value, uint32_t* out) {
  double r = 0;
  if (!RoundWithin(value, kInt32Low, kInt32High, &r)) return false;
  *out = static_cast<uint32_t>(static_cast<int32_t>(r));
  return true;
}

}  // namespace

bool StoreNumberReply(FlightState& s, const ReadListRow& row, double value) {
  uint32_t bits = 0;
  switch (row.field) {
    case StateField::None: return true;
    case StateField::Pitch: s.Pitch = value; return true;
    case StateField::Bank: s.Bank = value; return true;
    case StateField::FdPitch: s.FdPitch = value; return true;
    case StateField::FdBank: s.FdBank = value; return true;
    case StateField::ApMaster:
    case StateField::ApHeadingHold:
    case StateField::ApAltitudeHold:
    case StateField::ApGlideSlopeHold:
    case StateField::ApApproachHold:
    case StateField::FdActive:
    case StateField::RadioAltitudeRaw: {
      if (!Low32Of64(value, &bits)) return false;
      switch (row.field) {
        case StateField::ApMaster: s.ApMaster = bits; break;
        case StateField::ApHeadingHold: s.ApHeadingHold = bits; break;
        case StateField::ApAltitudeHold: s.ApAltitudeHold = bits; break;
        case StateField::ApGlideSlopeHold: s.ApGlideSlopeHold = bits; break;
        case StateField::ApApproachHold: s.ApApproachHold = bits; break;
        case StateField::FdActive: s.FdActive = bits; break;
        default: s.RadioAltitudeRaw = static_cast<int32_t>(bits); break;
      }
      return true;
    }
    case StateField::GsNeedle:
    case StateField::LocNeedle:
    case StateField::Nav1BcFlags:
    case StateField::Nav1CodeFlags:
    case StateField::OuterMarker:
    case StateField::MiddleMarker:
    case StateField::InnerMarker:
    case StateField::RadioStatus:
    case StateField::GsInclinationRaw:
    case StateField::Altimeter:
    case StateField::ApAltitudeRaw: {
      if (!Int32Of(value, &bits)) return false;
      switch (row.field) {
        case StateField::GsNeedle: s.GsNeedle = static_cast<int8_t>(static_cast<uint8_t>(bits)); break;
        case StateField::LocNeedle: s.LocNeedle = static_cast<int8_t>(static_cast<uint8_t>(bits)); break;
        case StateField::Nav1BcFlags: s.Nav1BcFlags = static_cast<uint8_t>(bits); break;
        case StateField::Nav1CodeFlags: s.Nav1CodeFlags = static_cast<uint8_t>(bits); break;
        case StateField::OuterMarker: s.OuterMarker = static_cast<uint16_t>(bits); break;
        case StateField::MiddleMarker: s.MiddleMarker = static_cast<uint16_t>(bits); break;
        case StateField::InnerMarker: s.InnerMarker = static_cast<uint16_t>(bits); break;
        case StateField::RadioStatus: s.RadioStatus = static_cast<uint16_t>(bits); break;
        case StateField::GsInclinationRaw: s.GsInclinationRaw = static_cast<int16_t>(static_cast<uint16_t>(bits)); break;
        case StateField::Altimeter: s.Altimeter = static_cast<int32_t>(bits); break;
        default: s.ApAltitudeRaw = static_cast<int32_t>(bits); break;
      }
      return true;
    }
    case StateField::DmeText:
    case StateField::Nav1Ident: return true;
  }
  return true;
}

void StoreTextReply(FlightState& state, const ReadListRow& row, const std::string& text) {
  if (row.field == StateField::DmeText) state.DmeText = text;
  if (row.field == StateField::Nav1Ident) state.Nav1Ident = text;
}
