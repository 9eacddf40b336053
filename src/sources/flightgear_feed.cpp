// The FlightGear property table and the parser of its generic-protocol lines.
#include "sources/flightgear_feed.h"

#include <charconv>
#include <cmath>

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
constexpr const char* kAirspeed = "/instrumentation/airspeed-indicator/indicated-speed-kt";
constexpr const char* kMach = "/velocities/mach";
constexpr const char* kHeading = "/orientation/heading-deg";
constexpr const char* kMagVar = "/environment/magnetic-variation-deg";
constexpr const char* kVerticalSpeed = "/velocities/vertical-speed-fps";
constexpr const char* kHeadingBug = "/autopilot/settings/heading-bug-deg";
constexpr const char* kTargetSpeed = "/autopilot/settings/target-speed-kt";
constexpr const char* kSetting = "/instrumentation/altimeter/setting-hpa";

using K = FgFieldKind;
constexpr FgField kFields[] = {
    {kPitch, K::Number},        {kRoll, K::Number},        {kHeadingLock, K::Text},   {kAltitudeLock, K::Text},
    {kSpeedLock, K::Text},      {kLocNeedle, K::Number},   {kGsNeedle, K::Number},    {kNavInRange, K::Number},
    {kNavLoc, K::Number},       {kNavHasGs, K::Number},    {kNavGsInRange, K::Number}, {kNavFrequency, K::Number},
    {kNavId, K::Text},          {kDmeInRange, K::Number},  {kDmeDistance, K::Number}, {kAgl, K::Number},
    {kRadarAltitude, K::Number}, {kOuter, K::Number},      {kMiddle, K::Number},      {kInner, K::Number},
    {kAltimeter, K::Number},    {kTargetAltitude, K::Number}, {kTargetVs, K::Number}, {kAirspeed, K::Number},
    {kMach, K::Number},         {kHeading, K::Number},     {kMagVar, K::Number},      {kVerticalSpeed, K::Number},
    {kHeadingBug, K::Number},   {kTargetSpeed, K::Number}, {kSetting, K::Number},
};

// Full-scale deflection (norm 1) is 2.5 dots.
constexpr double kFullScaleDots = 2.5;
// A glide slope of 3 degrees, for "glide slope received".
constexpr double kThreeDegrees = 3;
constexpr const char* kLateralHolds = "dg-heading-hold|true-heading-hold";
constexpr const char* kVerticalHolds = "altitude-hold|vertical-speed-hold|agl-hold";

using C = FeedConv;
using V = FlightVar;

// Rows apply in this order for every line, all at once: the autopilot flag's second and third lock
// after the first, the DME gate after the DME text it gates, the radar altimeter after the height
// above ground it replaces.
constexpr FeedRow kRows[] = {
    {kPitch, "degrees, nose up +", C::Value, V::Pitch, 0, -1, nullptr},
    {kRoll, "degrees, right wing down +", C::Value, V::Bank, 0, -1, nullptr},
    {kHeadingLock, "lateral mode name", C::FlagTextNotEmpty, V::ApMaster, 0, 0, nullptr},
    {kAltitudeLock, "vertical mode name", C::FlagTextNotEmptyToo, V::ApMaster, 0, 0, nullptr},
    {kSpeedLock, "speed mode name", C::FlagTextNotEmptyToo, V::ApMaster, 0, 0, nullptr},
    {kHeadingLock, "lateral mode name", C::FlagText, V::ApHeadingHold, 0, 0, kLateralHolds},
    {kHeadingLock, "lateral mode name", C::FlagText, V::ApApproachHold, 0, 0, "nav1-hold"},
    {kHeadingLock, "lateral mode name", C::BitText, V::RadioStatus, 0x0100, 0, "nav1-hold"},
    {kAltitudeLock, "vertical mode name", C::FlagText, V::ApAltitudeHold, 0, 0, kVerticalHolds},
    {kAltitudeLock, "vertical mode name", C::FlagText, V::ApGlideSlopeHold, 0, 0, "gs1-hold"},
    {kAltitudeLock, "vertical mode name", C::BitText, V::RadioStatus, 0x0200, 0, "gs1-hold"},
    {kLocNeedle, "-1..1 of full scale, needle right +", C::Needle, V::LocNeedle, 0, kFullScaleDots, nullptr},
    {kGsNeedle, "-1..1 of full scale, needle up +", C::Needle, V::GsNeedle, 0, -kFullScaleDots, nullptr},
    {kNavInRange, "0 / 1", C::BitAtLeast, V::RadioStatus, 0x0002, 0.5, nullptr},
    {kNavInRange, "0 / 1", C::BitAtLeast, V::Nav1BcFlags, 0x80, 0.5, nullptr},
    {kNavLoc, "0 / 1 (station is a localiser)", C::BitAtLeast, V::Nav1BcFlags, 0x02, 0.5, nullptr},
    {kNavLoc, "0 / 1 (station is a localiser)", C::BitAtLeast, V::Nav1CodeFlags, 0x80, 0.5, nullptr},
    {kNavGsInRange, "0 / 1", C::BitAtLeast, V::Nav1CodeFlags, 0x40, 0.5, nullptr},
    {kNavHasGs, "0 / 1", C::Inclination, V::GsInclinationRaw, 0, kThreeDegrees, nullptr},
    {kNavFrequency, "MHz", C::BitIlsChannel, V::RadioStatus, 0x0040, 1, nullptr},
    {kNavId, "text", C::Text, V::Nav1Ident, 0, 0, nullptr},
    {kDmeDistance, "nautical miles", C::DmeText, V::DmeText, 0, 0, nullptr},
    {kDmeInRange, "0 / 1", C::BlankUnless, V::DmeText, 0, 0.5, nullptr},
    {kAgl, "feet", C::Value, V::RadioAltitudeRaw, 0, 1, nullptr},
    {kRadarAltitude, "feet, 0 without a radar altimeter", C::OnlyAbove, V::RadioAltitudeRaw, 0, 0, nullptr},
    {kOuter, "0 / 1", C::FlagAtLeast, V::OuterMarker, 0, 0.5, nullptr},
    {kMiddle, "0 / 1", C::FlagAtLeast, V::MiddleMarker, 0, 0.5, nullptr},
    {kInner, "0 / 1", C::FlagAtLeast, V::InnerMarker, 0, 0.5, nullptr},
    {kAltimeter, "feet", C::Value, V::Altimeter, 0, 1, nullptr},
    {kTargetAltitude, "feet", C::Value, V::ApAltitudeRaw, 0, 1, nullptr},
    {kTargetVs, "feet per minute", C::Value, V::ApVerticalSpeed, 0, 1, nullptr},
    {kAirspeed, "knots", C::Value, V::IndicatedAirspeedRaw, 0, 1, nullptr},
    {kMach, "Mach number", C::Value, V::MachRaw, 0, 1, nullptr},
    {kHeading, "degrees true", C::Heading, V::HeadingTrueRaw, 0, 0, nullptr},
    {kMagVar, "degrees, east +", C::Value, V::MagneticVariationRaw, 0, 1, nullptr},
    {kVerticalSpeed, "feet per second", C::Value, V::VerticalSpeedRaw, 0, 60, nullptr},
    {kHeadingBug, "degrees magnetic", C::Heading, V::ApHeadingRaw, 0, 0, nullptr},
    {kTargetSpeed, "knots", C::Value, V::ApAirspeed, 0, 1, nullptr},
    {kSetting, "hectopascals", C::Value, V::AltimeterSettingRaw, 0, 1, nullptr},
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

