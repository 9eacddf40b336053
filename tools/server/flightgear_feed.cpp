// The FlightGear property table and the parser of its generic-protocol lines.
#include "server/flightgear_feed.h"

#include <charconv>
#include <cmath>

namespace server {
namespace {

constexpr const char* kPitch = "/orientation/pitch-deg";
constexpr const char* kRoll = "/orientation/roll-deg";
constexpr const char* kHeadingLock = "/autopilot/locks/heading";
constexpr const char* kAltitudeLock = "/autopilot/locks/altitude";
constexpr const char* kSpeedLock = "/autopilot/locks/speed";
constexpr const char* kLocNeedle = "/instrumentation/nav[0]/heading-needle-deflection-norm";
constexpr const char* kGsNeedle = "/instrumentation/nav[0]/gs-needle-deflection-norm";
constexpr const char* kNavInRange = "/instrumentation/nav[0]/in-range";
constexpr const char* kNavLoc = "/instrumentation/nav[0]/nav-loc";
constexpr const char* kNavHasGs = "/instrumentation/nav[0]/has-gs";
constexpr const char* kNavGsInRange = "/instrumentation/nav[0]/gs-in-range";
constexpr const char* kNavFrequency = "/instrumentation/nav[0]/frequencies/selected-mhz";
constexpr const char* kNavId = "/instrumentation/nav[0]/nav-id";
constexpr const char* kDmeInRange = "/instrumentation/dme/in-range";
constexpr const char* kDmeDistance = "/instrumentation/dme/indicated-distance-nm";
constexpr const char* kAgl = "/position/altitude-agl-ft";
constexpr const char* kRadarAltitude = "/instrumentation/radar-altimeter/radar-altitude-ft";
constexpr const char* kOuter = "/instrumentation/marker-beacon/outer";
constexpr const char* kMiddle = "/instrumentation/marker-beacon/middle";
constexpr const char* kInner = "/instrumentation/marker-beacon/inner";
constexpr const char* kAltimeter = "/instrumentation/altimeter/indicated-altitude-ft";
constexpr const char* kTargetAltitude = "/autopilot/settings/target-altitude-ft";
constexpr const char* kTargetVs = "/autopilot/settings/vertical-speed-fpm";

using K = FgFieldKind;
constexpr FgField kFields[] = {
    {kPitch, K::Number},        {kRoll, K::Number},        {kHeadingLock, K::Text},   {kAltitudeLock, K::Text},
    {kSpeedLock, K::Text},      {kLocNeedle, K::Number},   {kGsNeedle, K::Number},    {kNavInRange, K::Number},
    {kNavLoc, K::Number},       {kNavHasGs, K::Number},    {kNavGsInRange, K::Number}, {kNavFrequency, K::Number},
    {kNavId, K::Text},          {kDmeInRange, K::Number},  {kDmeDistance, K::Number}, {kAgl, K::Number},
    {kRadarAltitude, K::Number}, {kOuter, K::Number},      {kMiddle, K::Number},      {kInner, K::Number},
    {kAltimeter, K::Number},    {kTargetAltitude, K::Number}, {kTargetVs, K::Number},
};

// Full-scale deflection (norm 1) is the area's needle 127.
constexpr double kNeedleFullScale = 127;
// A glide slope of 3 degrees in the area's units (65536 = 360 degrees), for "glide slope received".
constexpr double kThreeDegrees = 546;
constexpr const char* kLateralHolds = "dg-heading-hold|true-heading-hold";
constexpr const char* kVerticalHolds = "altitude-hold|vertical-speed-hold|agl-hold";

using C = Conv;

// Rows apply in this order for every line, all at once: the autopilot flag's second and third lock
// after the first, the DME gate after the DME text it gates, the radar altimeter after the height
// above ground it replaces.
constexpr FeedRow kRows[] = {
    {kPitch, "degrees, nose up +", C::DegreesNegated, 0x2F70, 8, 0, 0, nullptr},
    {kRoll, "degrees, right wing down +", C::DegreesNegated, 0x2F78, 8, 0, 0, nullptr},
    {kHeadingLock, "lateral mode name", C::FlagTextNotEmpty, 0x07BC, 4, 0, 0, nullptr},
    {kAltitudeLock, "vertical mode name", C::FlagTextNotEmptyToo, 0x07BC, 4, 0, 0, nullptr},
    {kSpeedLock, "speed mode name", C::FlagTextNotEmptyToo, 0x07BC, 4, 0, 0, nullptr},
    {kHeadingLock, "lateral mode name", C::FlagText, 0x07C8, 4, 0, 0, kLateralHolds},
    {kHeadingLock, "lateral mode name", C::FlagText, 0x0800, 4, 0, 0, "nav1-hold"},
    {kHeadingLock, "lateral mode name", C::BitText, 0x3300, 2, 0x0100, 0, "nav1-hold"},
    {kAltitudeLock, "vertical mode name", C::FlagText, 0x07D0, 4, 0, 0, kVerticalHolds},
    {kAltitudeLock, "vertical mode name", C::FlagText, 0x07FC, 4, 0, 0, "gs1-hold"},
    {kAltitudeLock, "vertical mode name", C::BitText, 0x3300, 2, 0x0200, 0, "gs1-hold"},
    {kLocNeedle, "-1..1 of full scale, needle right +", C::Needle, 0x0C48, 1, 0, kNeedleFullScale, nullptr},
    {kGsNeedle, "-1..1 of full scale, needle up +", C::Needle, 0x0C49, 1, 0, -kNeedleFullScale, nullptr},
    {kNavInRange, "0 / 1", C::BitAtLeast, 0x3300, 2, 0x0002, 0.5, nullptr},
    {kNavInRange, "0 / 1", C::BitAtLeast, 0x0C4A, 1, 0x80, 0.5, nullptr},
    {kNavLoc, "0 / 1 (station is a localiser)", C::BitAtLeast, 0x0C4A, 1, 0x02, 0.5, nullptr},
    {kNavLoc, "0 / 1 (station is a localiser)", C::BitAtLeast, 0x0C4D, 1, 0x80, 0.5, nullptr},
    {kNavGsInRange, "0 / 1", C::BitAtLeast, 0x0C4D, 1, 0x40, 0.5, nullptr},
    {kNavHasGs, "0 / 1", C::Inclination, 0x0872, 2, 0, kThreeDegrees, nullptr},
    {kNavFrequency, "MHz", C::BitIlsChannel, 0x3300, 2, 0x0040, 1, nullptr},
    {kNavId, "text", C::Text, 0x3000, 6, 0, 0, nullptr},
    {kDmeDistance, "nautical miles", C::DmeText, 0x0C29, 5, 0, 0, nullptr},
    {kDmeInRange, "0 / 1", C::BlankUnless, 0x0C29, 5, 0, 0.5, nullptr},
    {kAgl, "feet", C::FeetToMetres16, 0x31E4, 4, 0, 0, nullptr},
    {kRadarAltitude, "feet, 0 without a radar altimeter", C::FeetToMetres16Positive, 0x31E4, 4, 0, 0, nullptr},
    {kOuter, "0 / 1", C::Marker, 0x0BB0, 2, 0, 0, nullptr},
    {kMiddle, "0 / 1", C::Marker, 0x0BAE, 2, 0, 0, nullptr},
    {kInner, "0 / 1", C::Marker, 0x0BAC, 2, 0, 0, nullptr},
    {kAltimeter, "feet", C::Scaled32, 0x3324, 4, 0, 1, nullptr},
    {kTargetAltitude, "feet", C::FeetToMetres16, 0x07D4, 4, 0, 0, nullptr},
    {kTargetVs, "feet per minute", C::Scaled16, 0x07F2, 2, 0, 1, nullptr},
};

}  // namespace

const FgField* FlightGearFields() { return kFields; }
size_t FlightGearFieldCount() { return sizeof kFields / sizeof kFields[0]; }
const FeedRow* FlightGearRows() { return kRows; }
size_t FlightGearRowCount() { return sizeof kRows / sizeof kRows[0]; }

bool ParseGenericLine(const char* data, size_t size, const FgField* fields, size_t count, std::vector<FgValue>* out,
                      std::string* why) {
  out->clear();
  std::vector<FgValue> parsed;  // handed out only when the whole line is good
  if (size > kMaxFgLine) {
    *why = "line longer than " + std::to_string(kMaxFgLine) + " bytes";
    return false;
  }
  if (size > 0 && data[size - 1] == '\n') --size;
  if (size > 0 && data[size - 1] == '\r') --size;
  size_t field = 0;
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i < size && data[i] != ',') {
      const unsigned char c = static_cast<unsigned char>(data[i]);
      if (c < 32 || c > 126) {
        *why = "byte " + std::to_string(int(c)) + " at " + std::to_string(i) + " is not printable";
        return false;
      }
      continue;
    }
    if (field >= count) {
      *why = "more than " + std::to_string(count) + " values";
      return false;
    }
    const char* begin = data + start;
    const size_t n = i - start;
    FgValue v;
    if (fields[field].kind == FgFieldKind::Text) {
      if (n > kMaxFgText) {
        *why = "value " + std::to_string(field + 1) + " longer than " + std::to_string(kMaxFgText) + " characters";
        return false;
      }
      v.text.assign(begin, n);
    } else {
      auto [ptr, ec] = std::from_chars(begin, begin + n, v.number);
      if (n == 0 || ec != std::errc() || ptr != begin + n || !std::isfinite(v.number)) {
        *why = "value " + std::to_string(field + 1) + " (" + fields[field].path + ") is not a number";
        return false;
      }
    }
    parsed.push_back(std::move(v));
    ++field;
    start = i + 1;
  }
  if (field != count) {
    *why = std::to_string(field) + " values instead of " + std::to_string(count);
    return false;
  }
  *out = std::move(parsed);
  return true;
}

}  // namespace server
