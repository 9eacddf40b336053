// The readings' names, kinds and units, and access to a FlightState's members by reading.
#include "model/flight_state.h"

#include <cmath>

namespace {

struct ReadingInfo {
  const char* name;
  ReadingKind kind;
  ReadingUnit unit;
};

constexpr ReadingInfo kInfo[kReadingCount] = {
#define ORVANE_READING_INFO(name, kind, unit) {#name, ReadingKind::kind, ReadingUnit::unit},
    ORVANE_READINGS(ORVANE_READING_INFO)
#undef ORVANE_READING_INFO
};

const std::string kNoText;

}  // namespace

const char* ReadingName(ReadingId id) { return size_t(id) < kReadingCount ? kInfo[size_t(id)].name : ""; }

bool ReadingFromName(const std::string& name, ReadingId* id) {
  for (size_t i = 0; i < kReadingCount; ++i)
    if (name == kInfo[i].name) {
      *id = ReadingId(i);
      return true;
    }
  return false;
}

ReadingKind KindOf(ReadingId id) { return size_t(id) < kReadingCount ? kInfo[size_t(id)].kind : ReadingKind::Number; }
ReadingUnit UnitOf(ReadingId id) { return size_t(id) < kReadingCount ? kInfo[size_t(id)].unit : ReadingUnit::None; }

const char* UnitName(ReadingUnit unit) {
  switch (unit) {
    case ReadingUnit::None: return "";
    case ReadingUnit::Degrees: return "degrees";
    case ReadingUnit::Dots: return "dots";
    case ReadingUnit::Feet: return "feet";
    case ReadingUnit::FeetPerMinute: return "feet per minute";
    case ReadingUnit::Knots: return "knots";
    case ReadingUnit::MachNumber: return "Mach";
    case ReadingUnit::Hectopascals: return "hectopascals";
    case ReadingUnit::FullScale: return "of full scale";
  }
  return "";
}

Reading FlightState::Get(ReadingId id) const {
  Reading r;
  r.valid = Valid.Has(id);
  switch (id) {
#define ORVANE_READING_GET_Number(name) r.value = name;
#define ORVANE_READING_GET_Fact(name) r.value = name ? 1.0 : 0.0;
#define ORVANE_READING_GET_Text(name)
#define ORVANE_READING_GET(name, kind, unit) \
  case ReadingId::name:                      \
    ORVANE_READING_GET_##kind(name) break;
    ORVANE_READINGS(ORVANE_READING_GET)
#undef ORVANE_READING_GET
#undef ORVANE_READING_GET_Text
#undef ORVANE_READING_GET_Fact
#undef ORVANE_READING_GET_Number
  }
  return r;
}

const std::string& FlightState::Text(ReadingId id) const {
  switch (id) {
#define ORVANE_READING_TEXT_Number(name)
#define ORVANE_READING_TEXT_Fact(name)
#define ORVANE_READING_TEXT_Text(name) return name;
#define ORVANE_READING_TEXT(name, kind, unit) \
  case ReadingId::name:                       \
    ORVANE_READING_TEXT_##kind(name) break;
    ORVANE_READINGS(ORVANE_READING_TEXT)
#undef ORVANE_READING_TEXT
#undef ORVANE_READING_TEXT_Text
#undef ORVANE_READING_TEXT_Fact
#undef ORVANE_READING_TEXT_Number
  }
  return kNoText;
}

void FlightState::Set(ReadingId id, double value) {
  switch (id) {
#define ORVANE_READING_SET_Number(name) name = value;
#define ORVANE_READING_SET_Fact(name) name = value != 0;
#define ORVANE_READING_SET_Text(name) return;
#define ORVANE_READING_SET(name, kind, unit) \
  case ReadingId::name:                      \
    ORVANE_READING_SET_##kind(name) break;
    ORVANE_READINGS(ORVANE_READING_SET)
#undef ORVANE_READING_SET
#undef ORVANE_READING_SET_Text
#undef ORVANE_READING_SET_Fact
#undef ORVANE_READING_SET_Number
  }
  Valid.Add(id);
}

void FlightState::SetText(ReadingId id, const std::string& text) {
  switch (id) {
#define ORVANE_READING_SETTEXT_Number(name) return;
#define ORVANE_READING_SETTEXT_Fact(name) return;
#define ORVANE_READING_SETTEXT_Text(name) name = text;
#define ORVANE_READING_SETTEXT(name, kind, unit) \
  case ReadingId::name:                          \
    ORVANE_READING_SETTEXT_##kind(name) break;
    ORVANE_READINGS(ORVANE_READING_SETTEXT)
#undef ORVANE_READING_SETTEXT
#undef ORVANE_READING_SETTEXT_Text
#undef ORVANE_READING_SETTEXT_Fact
#undef ORVANE_READING_SETTEXT_Number
  }
  Valid.Add(id);
}

Reading MagneticHeading(const FlightState& s) {
  const Reading t = s.Get(ReadingId::HeadingTrue);
  const Reading v = s.Get(ReadingId::MagneticVariation);
  double m = std::fmod(t.value - v.value, 360.0);
  if (m < 0) m += 360.0;
  return {m, t.valid && v.valid};
}

double WindTriangleTrack(double headingTrue, double trueAirspeed, double windFromTrue, double windSpeed) {
  constexpr double kRadians = 3.14159265358979323846 / 180;
  // East and north components: the air's motion along the heading, the wind's towards where it blows.
  const double east = trueAirspeed * std::sin(headingTrue * kRadians) - windSpeed * std::sin(windFromTrue * kRadians);
  const double north = trueAirspeed * std::cos(headingTrue * kRadians) - windSpeed * std::cos(windFromTrue * kRadians);
  double track = headingTrue;
  if (std::hypot(east, north) >= kSlowestTrackKnots) track = std::atan2(east, north) / kRadians;
  track = std::fmod(track, 360.0);
  if (track < 0) track += 360.0;
  return track;
}
