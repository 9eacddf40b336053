// The simulator interface's variables: one row each, the layout of that wire (where each value lies
// in the simulator's data area, in which width and signedness, and how the network asks for it).
// What each variable means to a pilot, and with which factor, is the interface codec's
// (model/interface_codec.h).
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

// The network requests' type codes: how `size` bytes at an offset (little-endian) become the reply
// text. Integers are replied signed, so that every reply fits a signed 32-bit integer and its low
// 8, 16 or 32 bits give back the data area's bytes whatever the field's signedness.
enum class NetType : uint8_t {
  Int32Alt = 1,  // signed 32-bit integer, size 4
  Float64 = 2,   // 64-bit IEEE float, size 8: the shortest decimal text that reads back to the same double
  Int8 = 3,      // signed 8-bit integer, size 1
  Int16 = 4,     // signed 16-bit integer, size 2
  Int32 = 5,     // signed 32-bit integer, size 4
  Text = 7,      // text, size 1..255: the bytes up to the first zero byte, at most `size` of them
};

// One row per variable, in this order:
//   name      the variable, and the InterfaceValues member that holds it
//   member    field: an InterfaceValues member; none: read and dropped (no member, no consumer)
//   type      how the simulator interface stores it: double, the fixed-width integers, or std::string
//   offset    where it lies in the simulator interface's data area
//   size      its bytes there (a text's most characters)
//   net       the network request's size field and type code
//   wide      the network reply's integer rule: Wide keeps the low 32 bits of the reply rounded to
//             64 bits, Narrow needs it to fit a signed 32-bit integer first (both round halves to even)
// The interface's own signs are kept: pitch positive nose down, bank positive left wing down, needles
// positive right / down, magnetic variation positive east.
#define ORVANE_FLIGHT_VARIABLES(X)                                                          \
  X(Pitch, field, double, 0x2F70, 8, 8, Float64, Narrow)               \
  X(Bank, field, double, 0x2F78, 8, 8, Float64, Narrow)                \
  X(ApMaster, field, uint32_t, 0x07BC, 4, 4, Int32, Wide)              \
  X(ApHeadingHold, field, uint32_t, 0x07C8, 4, 4, Int32, Wide)         \
  X(ApAltitudeHold, field, uint32_t, 0x07D0, 4, 4, Int32, Wide)        \
  X(ApGlideSlopeHold, field, uint32_t, 0x07FC, 4, 4, Int32, Wide)      \
  X(ApApproachHold, field, uint32_t, 0x0800, 4, 4, Int32, Wide)        \
  X(Nav1FlagBytes, none, uint16_t, 0x0C4C, 2, 2, Int16, Narrow)        \
  X(GsNeedle, field, int8_t, 0x0C49, 1, 1, Int8, Narrow)               \
  X(LocNeedle, field, int8_t, 0x0C48, 1, 1, Int8, Narrow)              \
  X(RadioAltitudeRaw, field, int32_t, 0x31E4, 4, 4, Int32, Wide)       \
  X(OuterMarker, field, uint16_t, 0x0BB0, 2, 2, Int16, Narrow)         \
  X(MiddleMarker, field, uint16_t, 0x0BAE, 2, 2, Int16, Narrow)        \
  X(InnerMarker, field, uint16_t, 0x0BAC, 2, 2, Int16, Narrow)         \
  X(RadioStatus, field, uint16_t, 0x3300, 2, 2, Int16, Narrow)         \
  X(FdActive, field, uint32_t, 0x2EE0, 4, 4, Int32, Wide)              \
  X(FdPitch, field, double, 0x2EE8, 8, 8, Float64, Narrow)             \
  X(FdBank, field, double, 0x2EF0, 8, 8, Float64, Narrow)              \
  X(ApHeadingRaw, field, uint16_t, 0x07CC, 2, 2, Int16, Narrow)        \
  X(ApVerticalSpeed, field, int16_t, 0x07F2, 2, 2, Int16, Narrow)      \
  X(VerticalSpeedRaw, field, int32_t, 0x02C8, 4, 4, Int32, Narrow)     \
  X(Altimeter, field, int32_t, 0x3324, 4, 4, Int32Alt, Narrow)         \
  X(ApAltitudeRaw, field, int32_t, 0x07D4, 4, 4, Int32, Narrow)        \
  X(Nav1BcFlags, field, uint8_t, 0x0C4A, 1, 1, Int8, Narrow)           \
  X(Nav1CodeFlags, field, uint8_t, 0x0C4D, 1, 1, Int8, Narrow)         \
  X(GsInclinationRaw, field, int16_t, 0x0872, 2, 2, Int16, Narrow)     \
  X(DmeText, field, std::string, 0x0C29, 5, 5, Text, Narrow)           \
  X(Nav1Ident, field, std::string, 0x3000, 6, 6, Text, Narrow)         \
  X(IndicatedAirspeedRaw, field, int32_t, 0x02BC, 4, 4, Int32, Narrow) \
  X(MachRaw, field, uint16_t, 0x11C6, 2, 2, Int16, Narrow)             \
  X(HeadingTrueRaw, field, uint32_t, 0x0580, 4, 4, Int32, Wide)        \
  X(MagneticVariationRaw, field, int16_t, 0x02A0, 2, 2, Int16, Narrow) \
  X(ApAirspeed, field, uint16_t, 0x07E2, 2, 2, Int16, Narrow)          \
  X(AltimeterSettingRaw, field, uint16_t, 0x0330, 2, 2, Int16, Narrow) \
  X(GroundSpeedRaw, field, int32_t, 0x02B4, 4, 4, Int32, Narrow)      \
  X(StallWarning, field, uint8_t, 0x036C, 1, 1, Int8, Narrow)          \
  X(OverspeedWarning, field, uint8_t, 0x036D, 1, 1, Int8, Narrow)      \
  X(TurnBall, field, int8_t, 0x036E, 1, 1, Int8, Narrow)               \
  X(TrueAirspeedRaw, field, int32_t, 0x02B8, 4, 4, Int32, Narrow)      \
  X(WindSpeedRaw, field, uint16_t, 0x0E90, 2, 2, Int16, Narrow)        \
  X(WindDirectionRaw, field, uint16_t, 0x0E92, 2, 2, Int16, Narrow)    \
  X(FlapPositionRaw, field, int32_t, 0x0BE0, 4, 4, Int32, Narrow)      \
  X(FlapSteps, field, uint16_t, 0x3BF8, 2, 2, Int16, Narrow)           \
  X(GearControl, field, int32_t, 0x0BE8, 4, 4, Int32, Narrow)          \
  X(AutothrottleArm, field, uint32_t, 0x0810, 4, 4, Int32, Wide)       \
  X(ApAirspeedHold, field, uint32_t, 0x07DC, 4, 4, Int32, Wide)        \
  X(ApMachHold, field, uint32_t, 0x07E4, 4, 4, Int32, Wide)            \
  X(ApMachRaw, field, uint32_t, 0x07E8, 4, 4, Int32, Wide)             \
  X(ApNav1Hold, field, uint32_t, 0x07C4, 4, 4, Int32, Wide)


enum class FlightVar : uint8_t {
#define ORVANE_VAR_ENUM(name, member, type, offset, size, netSize, netType, wide) name,
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
// The network reply's integer rule (see the row list).
enum class ReplyRule : uint8_t { Narrow, Wide };

struct FlightVarInfo {
  FlightVar var;
  const char* name;
  bool hasField;      // an InterfaceValues member holds it
  RawKind kind;
  uint32_t offset;
  uint32_t size;
  const char* netSize;  // the request's size field, as sent
  NetType netCode;
  const char* netType;  // the request's type code, as sent
  ReplyRule replyRule;
};

// The row of `var` (None and unknown values give the first row).
const FlightVarInfo& VarInfo(FlightVar var);
// "Pitch", "Bank", ... (the InterfaceValues member names); "" for None.
const char* VarName(FlightVar var);
// The variable of that name (exact spelling); false when there is none.
bool VarFromName(const std::string& name, FlightVar* var);
// The type code's text in a request ("5"); "" for a code that is not one.
const char* NetTypeText(NetType code);

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
