// The simulator interface's codec: one table that says, for each reading, which interface variable
// carries it and how, read in both directions. The display and the data server decode what the
// interface (or the network, which carries the same variables) delivers into readings; the data
// server and the demo simulator encode readings into the interface's bytes with the same rows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/flight_state.h"
#include "model/interface_values.h"

// How a row turns its variable into its reading and back.
enum class CodecRule : uint8_t {
  Scaled,       // reading = raw x factor; encoded to the nearest step of the variable (floats exactly)
  WholeFeet,    // as Scaled, read by the classic rules truncated to whole feet: a whole value is encoded
                // to the step that truncates back to it (at most one step from the nearest)
  Angle,        // as Scaled, for a direction: encoded within 0 up to 360, a full circle being north
  Needle,       // dots = raw x factor, the raw -128 read as -127; encoded within +-127
  Height,       // as Scaled, a negative raw value reading 0 (a radio altimeter reads no depth)
  FlagIsOne,    // the fact: raw equal to exactly 1; encoded 1 or 0
  AllBits,      // the fact: every bit of `mask` set in each of the fact's rows; encoded by setting them
  Inclination,  // the fact: the classic view's glide-slope inclination is not 0; encoded as a
                // 3-degree slope (the interface carries an angle where the fact has none)
  Text,         // the text as it is (encoded cut to the variable's size)
  Fraction,     // a fraction of full travel: raw x factor, limited to -1..+1; encoded to the nearest step
                // within the same limits
  Track,        // the true track, which the interface does not carry: the true heading corrected for the
                // wind (true airspeed, wind speed and direction), one row for each of the four
                // variables; never encoded (the four are encoded from their own readings)
};

// The NAV1 bits of the interface: the localiser tuned (back-course flags), the station with a glide
// slope (code flags), the ILS received, the localiser and the glide slope captured (radio status).
namespace nav1_bits {
constexpr uint8_t kLocaliserTuned = 0x82;
constexpr uint8_t kGlideSlopeStation = 0xC0;
constexpr uint16_t kIlsReceived = 0x0042;
constexpr uint16_t kLocaliserCaptured = 0x0100;
constexpr uint16_t kGlideSlopeCaptured = 0x0200;
}  // namespace nav1_bits

struct InterfaceCodecRow {
  ReadingId reading;
  FlightVar var;
  CodecRule rule;
  double factor;  // Scaled, Angle, Needle, Height, Inclination, Fraction: interface value x factor = reading
  uint32_t mask;  // AllBits
};

// The rows, one or more per reading the interface carries.
const InterfaceCodecRow* InterfaceCodecRows();
size_t InterfaceCodecRowCount();
// The first row of a variable (nullptr for a variable no reading uses), and of a reading (nullptr
// for a reading the interface does not carry).
const InterfaceCodecRow* CodecRowOf(FlightVar var);
const InterfaceCodecRow* CodecRowOf(ReadingId reading);

// How a source's glide-slope inclination reads: the simulator's in whole degrees, the data
// server's (and what is encoded from readings) as the interface's raw value.
enum class InclinationRule { Degrees, Raw };

// The classic rules' views of the raw values (needles limited to -127..+127 and written back, the
// radio altitude in feet, the selected altitude truncated to whole feet, the inclination by `rule`).
void ApplyConversions(InterfaceValues& state, InclinationRule rule);

// The readings in converted interface values: each reading valid when every variable of its rows
// arrived. Readings the interface does not carry are left as they are.
void DecodeInterface(const InterfaceValues& converted, FlightState& readings);
// The interface values of `readings` (not converted). A variable is marked valid when at least one
// of its rows belongs to a reading of `supplied` and every such reading is valid.
InterfaceValues EncodeInterface(const FlightState& readings, const ReadingSet& supplied = ReadingSet::All());

// The variables that carry `readings` (for a reading worked out from others, theirs).
VarSet InterfaceVarsOf(const ReadingSet& readings);
// The readings carried by variables whose bytes touch [offset, offset + size) (not those worked out
// from them).
ReadingSet ReadingsAt(uint32_t offset, uint32_t size);

// One frame as the display draws it: the readings every instrument reads, and the raw view the
// classic panel's rules keep (converted).
struct FlightFrame {
  FlightState readings;
  InterfaceValues classic;
};
// Completes a frame whose interface values arrived (simulator IPC, network): converts them and
// decodes the readings.
void FrameFromInterface(FlightFrame& frame, InclinationRule rule);
// Completes a frame whose readings arrived (X-Plane, FlightGear): encodes and converts the classic
// view from the readings the source supplies.
void FrameFromReadings(FlightFrame& frame, const ReadingSet& supplied);
