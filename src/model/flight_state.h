// The flight as a pilot reads it: each value in its pilot's unit, with whether it arrived in this
// frame. Every source writes these readings and every instrument reads them; how a value travels on
// a wire (the simulator interface's offsets and factors, the network's codes, X-Plane's datarefs,
// FlightGear's properties) is the business of that wire's codec, not of the model.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

// One row per reading: its name (the FlightState member), its kind and its unit.
//   Number  a double in `unit`;  Fact  a named yes/no;  Text  characters.
// Signs: pitch nose up positive, bank right wing down positive (the flight director's commands
// likewise); the localiser deviation positive when the localiser lies right of the aircraft (the
// pointer right of centre), the glide-slope deviation positive when the slope lies below it (the
// pointer below centre); magnetic variation positive east (magnetic = true - variation).
// The wind's direction is where it blows from (true); the track is where the aircraft goes over the
// ground (true); the flight path angle climbing positive. The slip ball and the flaps are fractions of
// their full travel: the ball -1 full left to +1 full right, the flaps (the flap lever) 0 up to 1
// fully out, its FlapSteps notches after up equally spaced along its travel. The limits (maximum operating speed and Mach, the gear and the current
// flap setting's placard speeds, the stall speeds clean and with full flap) and the decision height
// are the aircraft's or the pilot's as the simulator publishes them.
#define ORVANE_READINGS(X)                                      \
  X(Pitch, Number, Degrees)                                     \
  X(Bank, Number, Degrees)                                      \
  X(FdPitch, Number, Degrees)                                   \
  X(FdBank, Number, Degrees)                                    \
  X(LocaliserDeviation, Number, Dots)                           \
  X(GlideSlopeDeviation, Number, Dots)                          \
  X(RadioAltitude, Number, Feet)                                \
  X(Altitude, Number, Feet)                                     \
  X(VerticalSpeed, Number, FeetPerMinute)                       \
  X(IndicatedAirspeed, Number, Knots)                           \
  X(Mach, Number, MachNumber)                                   \
  X(GroundSpeed, Number, Knots)                                 \
  X(HeadingTrue, Number, Degrees)                               \
  X(MagneticVariation, Number, Degrees)                         \
  X(SelectedHeading, Number, Degrees)                           \
  X(SelectedAltitude, Number, Feet)                             \
  X(SelectedVerticalSpeed, Number, FeetPerMinute)               \
  X(SelectedAirspeed, Number, Knots)                            \
  X(AltimeterSetting, Number, Hectopascals)                     \
  X(TrueAirspeed, Number, Knots)                                \
  X(WindSpeed, Number, Knots)                                   \
  X(WindDirectionTrue, Number, Degrees)                         \
  X(TrackTrue, Number, Degrees)                                 \
  X(FlightPathAngle, Number, Degrees)                           \
  X(SlipBall, Number, FullScale)                                \
  X(FlapPosition, Number, FullScale)                            \
  X(FlapSteps, Number, None)                                    \
  X(SelectedMach, Number, MachNumber)                           \
  X(MaxOperatingSpeed, Number, Knots)                           \
  X(MaxOperatingMach, Number, MachNumber)                       \
  X(GearPlacardSpeed, Number, Knots)                            \
  X(FlapPlacardSpeed, Number, Knots)                            \
  X(StallSpeedClean, Number, Knots)                             \
  X(StallSpeedFullFlap, Number, Knots)                          \
  X(DecisionHeight, Number, Feet)                               \
  X(AutopilotEngaged, Fact, None)                               \
  X(HeadingHold, Fact, None)                                    \
  X(AltitudeHold, Fact, None)                                   \
  X(GlideSlopeHold, Fact, None)                                 \
  X(ApproachHold, Fact, None)                                   \
  X(FlightDirectorOn, Fact, None)                               \
  X(IlsTuned, Fact, None)                                       \
  X(LocaliserCaptured, Fact, None)                              \
  X(GlideSlopeCaptured, Fact, None)                             \
  X(GlideSlopePresent, Fact, None)                              \
  X(OuterMarker, Fact, None)                                    \
  X(MiddleMarker, Fact, None)                                   \
  X(InnerMarker, Fact, None)                                    \
  X(GearDown, Fact, None)                                       \
  X(StallWarning, Fact, None)                                   \
  X(OverspeedWarning, Fact, None)                               \
  X(AutothrottleArmed, Fact, None)                              \
  X(SpeedHold, Fact, None)                                      \
  X(MachHold, Fact, None)                                       \
  X(Nav1Hold, Fact, None)                                       \
  X(IlsIdent, Text, None)                                       \
  X(DmeText, Text, None)

enum class ReadingId : uint8_t {
#define ORVANE_READING_ENUM(name, kind, unit) name,
  ORVANE_READINGS(ORVANE_READING_ENUM)
#undef ORVANE_READING_ENUM
};

constexpr size_t kReadingCount = 0
#define ORVANE_READING_COUNT(...) +1
    ORVANE_READINGS(ORVANE_READING_COUNT)
#undef ORVANE_READING_COUNT
    ;

enum class ReadingKind : uint8_t { Number, Fact, Text };
enum class ReadingUnit : uint8_t {
  None, Degrees, Dots, Feet, FeetPerMinute, Knots, MachNumber, Hectopascals, FullScale
};

// "Pitch", "IlsTuned", ... (the member names).
const char* ReadingName(ReadingId id);
// The reading of that name (exact spelling); false when there is none.
bool ReadingFromName(const std::string& name, ReadingId* id);
ReadingKind KindOf(ReadingId id);
ReadingUnit UnitOf(ReadingId id);
// "degrees", "knots", ... ("" for facts and texts).
const char* UnitName(ReadingUnit unit);

// A set of readings.
class ReadingSet {
 public:
  ReadingSet() = default;
  ReadingSet(std::initializer_list<ReadingId> ids) {
    for (ReadingId id : ids) Add(id);
  }
  static ReadingSet All() {
    ReadingSet s;
    s.bits_.set();
    return s;
  }
  void Add(ReadingId id) { bits_.set(size_t(id)); }
  void Remove(ReadingId id) { bits_.reset(size_t(id)); }
  bool Has(ReadingId id) const { return size_t(id) < kReadingCount && bits_.test(size_t(id)); }
  bool Empty() const { return bits_.none(); }
  size_t Count() const { return bits_.count(); }
  // True when every reading of `other` is in this set.
  bool Covers(const ReadingSet& other) const { return (other.bits_ & ~bits_).none(); }
  ReadingSet& operator|=(const ReadingSet& other) {
    bits_ |= other.bits_;
    return *this;
  }
  ReadingSet& operator&=(const ReadingSet& other) {
    bits_ &= other.bits_;
    return *this;
  }
  bool operator==(const ReadingSet& other) const { return bits_ == other.bits_; }

 private:
  std::bitset<kReadingCount> bits_;
};

// A value in its unit, and whether it arrived in this frame.
struct Reading {
  double value = 0;
  bool valid = false;
};

// One frame's readings. Zero-filled at the start of every frame (`FlightState state{};`): a value
// that does not arrive stays zero (false, empty) and is not marked valid.
struct FlightState {
#define ORVANE_READING_MEMBER_Number(name) double name = 0;
#define ORVANE_READING_MEMBER_Fact(name) bool name = false;
#define ORVANE_READING_MEMBER_Text(name) std::string name;
#define ORVANE_READING_MEMBER(name, kind, unit) ORVANE_READING_MEMBER_##kind(name)
  ORVANE_READINGS(ORVANE_READING_MEMBER)
#undef ORVANE_READING_MEMBER
#undef ORVANE_READING_MEMBER_Text
#undef ORVANE_READING_MEMBER_Fact
#undef ORVANE_READING_MEMBER_Number

  // The readings that arrived in this frame.
  ReadingSet Valid;

  // A number (a fact reads 1 or 0, a text 0) and whether it arrived.
  Reading Get(ReadingId id) const;
  bool Fact(ReadingId id) const { return Get(id).value != 0; }
  // The text of a text reading ("" for the others).
  const std::string& Text(ReadingId id) const;
  // Sets a number (a fact: any value but 0 is true; a text: left alone) and marks it valid.
  void Set(ReadingId id, double value);
  void SetFact(ReadingId id, bool on) { Set(id, on ? 1.0 : 0.0); }
  // Sets a text and marks it valid.
  void SetText(ReadingId id, const std::string& text);
};

// The magnetic heading from the true heading and the variation (0 up to 360), valid when both are.
Reading MagneticHeading(const FlightState& state);

// Below this ground speed (knots) the wind triangle gives no track: the heading stands for it.
constexpr double kSlowestTrackKnots = 1.0;
// The true track (0 up to 360) of an aircraft flying `headingTrue` at `trueAirspeed` knots through a
// wind of `windSpeed` knots blowing from `windFromTrue`: where the air's motion and the wind's add up
// to over the ground. 10 kt straight from the left at 100 kt makes a track 5.7 degrees right of the
// heading. Slower than kSlowestTrackKnots over the ground the heading itself.
double WindTriangleTrack(double headingTrue, double trueAirspeed, double windFromTrue, double windSpeed);
