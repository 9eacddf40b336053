// The flight variables: one row each, the single description every reader, writer and frame uses.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

// One row per variable, in this order:
//   name      the variable, and the InterfaceValues member that holds it
//   member    field: a InterfaceValues member; none: read and dropped (no member, no consumer)
//   type      how the simulator interface stores it: double, the fixed-width integers, or std::string
//   offset    where it lies in the simulator interface's data area
//   size      its bytes there (a text's most characters)
//   net       the network request's size field and type code
//   wide      the network reply's integer rule: Wide keeps the low 32 bits of the reply rounded to
//             64 bits, Narrow needs it to fit a signed 32-bit integer first (both round halves to even)
//   unit      the unit the frames use
//   factor    interface value x factor = value in that unit
// The interface's signs are kept: pitch positive nose down, bank positive left wing down, needles
// positive right / down, magnetic variation positive east.
#define ORVANE_FLIGHT_VARIABLES(X)                                                                            \
  X(Pitch, field, double, 0x2F70, 8, "8", "2", Narrow, Degrees, 1.0)                                           \
  X(Bank, field, double, 0x2F78, 8, "8", "2", Narrow, Degrees, 1.0)                                            \
  X(ApMaster, field, uint32_t, 0x07BC, 4, "4", "5", Wide, Flag, 1.0)                                           \
  X(ApHeadingHold, field, uint32_t, 0x07C8, 4, "4", "5", Wide, Flag, 1.0)                                      \
  X(ApAltitudeHold, field, uint32_t, 0x07D0, 4, "4", "5", Wide, Flag, 1.0)                                     \
  X(ApGlideSlopeHold, field, uint32_t, 0x07FC, 4, "4", "5", Wide, Flag, 1.0)                                   \
  X(ApApproachHold, field, uint32_t, 0x0800, 4, "4", "5", Wide, Flag, 1.0)                                     \
  X(Nav1FlagBytes, none, uint16_t, 0x0C4C, 2, "2", "4", Narrow, Bits, 1.0)                                     \
  X(GsNeedle, field, int8_t, 0x0C49, 1, "1", "3", Narrow, Dots, 2.5 / 127)                                     \
  X(LocNeedle, field, int8_t, 0x0C48, 1, "1", "3", Narrow, Dots, 2.5 / 127)                                    \
  X(RadioAltitudeRaw, field, int32_t, 0x31E4, 4, "4", "5", Wide, Feet, 3.28084 / 65536)                        \
  X(OuterMarker, field, uint16_t, 0x0BB0, 2, "2", "4", Narrow, Flag, 1.0)                                      \
  X(MiddleMarker, field, uint16_t, 0x0BAE, 2, "2", "4", Narrow, Flag, 1.0)                                     \
  X(InnerMarker, field, uint16_t, 0x0BAC, 2, "2", "4", Narrow, Flag, 1.0)                                      \
  X(RadioStatus, field, uint16_t, 0x3300, 2, "2", "4", Narrow, Bits, 1.0)                                      \
  X(FdActive, field, uint32_t, 0x2EE0, 4, "4", "5", Wide, Flag, 1.0)                                           \
  X(FdPitch, field, double, 0x2EE8, 8, "8", "2", Narrow, Degrees, 1.0)                                         \
  X(FdBank, field, double, 0x2EF0, 8, "8", "2", Narrow, Degrees, 1.0)                                          \
  X(ApHeadingRaw, field, uint16_t, 0x07CC, 2, "2", "4", Narrow, Degrees, 360.0 / 65536)                       \
  X(ApVerticalSpeed, field, int16_t, 0x07F2, 2, "2", "4", Narrow, FeetPerMinute, 1.0)                          \
  X(VerticalSpeedRaw, field, int32_t, 0x02C8, 4, "4", "5", Narrow, FeetPerMinute, 3.28084 * 60 / 256)          \
  X(Altimeter, field, int32_t, 0x3324, 4, "4", "1", Narrow, Feet, 1.0)                                         \
  X(ApAltitudeRaw, field, int32_t, 0x07D4, 4, "4", "5", Narrow, Feet, 3.28084 / 65536)                         \
  X(Nav1BcFlags, field, uint8_t, 0x0C4A, 1, "1", "3", Narrow, Bits, 1.0)                                       \
  X(Nav1CodeFlags, field, uint8_t, 0x0C4D, 1, "1", "3", Narrow, Bits, 1.0)                                     \
  X(GsInclinationRaw, field, int16_t, 0x0872, 2, "2", "4", Narrow, Degrees, 360.0 / 65536)                     \
  X(DmeText, field, std::string, 0x0C29, 5, "5", "7", Narrow, Characters, 1.0)                                        \
  X(Nav1Ident, field, std::string, 0x3000, 6, "6", "7", Narrow, Characters, 1.0)                                      \
  X(IndicatedAirspeedRaw, field, int32_t, 0x02BC, 4, "4", "5", Narrow, Knots, 1.0 / 128)                       \
  X(MachRaw, field, uint16_t, 0x11C6, 2, "2", "4", Narrow, Mach, 1.0 / 20480)                                  \
  X(HeadingTrueRaw, field, uint32_t, 0x0580, 4, "4", "5", Wide, Degrees, 360.0 / 4294967296.0)                 \
  X(MagneticVariationRaw, field, int16_t, 0x02A0, 2, "2", "4", Narrow, Degrees, 360.0 / 65536)                 \
  X(ApAirspeed, field, uint16_t, 0x07E2, 2, "2", "4", Narrow, Knots, 1.0)                                      \
  X(AltimeterSettingRaw, field, uint16_t, 0x0330, 2, "2", "4", Narrow, Hectopascals, 1.0 / 16)


enum class FlightVar : uint8_t {
#define ORVANE_VAR_ENUM(name, member, type, offset, size, netSize, netType, wide, unit, factor) name,
  ORVANE_FLIGHT_VARIABLES(ORVANE_VAR_ENUM)
#undef ORVANE_VAR_ENUM
  None,  // no variable: a read-list row that is read and dropped lands here
};

constexpr size_t kFlightVarCount = 0
#define ORVANE_VAR_COUNT(...) +1
    ORVANE_FLIGHT_VARIABLES(ORVANE_VAR_COUNT)
#undef ORVANE_VAR_COUNT
    ;

// How a variable's bytes are read from the interface.
enum class RawKind : uint8_t { Float64, U32, S32, U16, S16, U8, S8, Text };
// The units the frames work in.
enum class Unit : uint8_t { Degrees, Knots, Mach, Feet, FeetPerMinute, Hectopascals, Dots, Flag, Bits, Characters };
// The network reply's integer rule (see the row list).
enum class ReplyRule : uint8_t { Narrow, Wide };

struct FlightVarInfo {
  FlightVar var;
  const char* name;
  bool hasField;      // a InterfaceValues member holds it
  RawKind kind;
  uint32_t offset;
  uint32_t size;
  const char* netSize;
  const char* netType;
  ReplyRule replyRule;
  Unit unit;
  double factor;      // interface value x factor = value in `unit`
};

// The row of `var` (None and unknown values give the first row).
const FlightVarInfo& VarInfo(FlightVar var);
// "Pitch", "Bank", ... (the InterfaceValues member names); "" for None.
const char* VarName(FlightVar var);
// The variable of that name (exact spelling); false when there is none.
bool VarFromName(const std::string& name, FlightVar* var);
// "degrees", "knots", ... (for messages and documents).
const char* UnitName(Unit unit);

// A set of variables, by FlightVar.
class VarSet {
 public:
  VarSet() = default;
  VarSet(std::initializer_list<FlightVar> vars) {
    for (FlightVar v : vars) Add(v);
  }
  void Add(FlightVar v) {
    if (size_t(v) < kFlightVarCount) bits_.set(size_t(v));
  }
  void Remove(FlightVar v) {
    if (size_t(v) < kFlightVarCount) bits_.reset(size_t(v));
  }
  bool Has(FlightVar v) const { return size_t(v) < kFlightVarCount && bits_.test(size_t(v)); }
  bool Empty() const { return bits_.none(); }
  size_t Count() const { return bits_.count(); }
  // True when every variable of `other` is in this set.
  bool Covers(const VarSet& other) const { return (other.bits_ & ~bits_).none(); }
  VarSet& operator|=(const VarSet& other) {
    bits_ |= other.bits_;
    return *this;
  }
  bool operator==(const VarSet& other) const { return bits_ == other.bits_; }

 private:
  std::bitset<kFlightVarCount> bits_;
};
