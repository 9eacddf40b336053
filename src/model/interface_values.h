// The simulator interface's values of one frame: each variable as the interface delivers it (its
// widths, signs and units), whether it arrived, and the quantities the classic panel derives from them.
#pragma once

#include <cstdint>
#include <string>

#include "model/flight_variables.h"

// Zero-filled at the start of every frame (`InterfaceValues state{};`): a value that does not arrive
// stays zero and is not marked valid.
struct InterfaceValues {
  // The variables, in the widths and signedness of the interface (see flight_variables.h).
#define ORVANE_MEMBER_field(type, name) type name{};
#define ORVANE_MEMBER_none(type, name)
#define ORVANE_VAR_MEMBER(name, member, type, offset, size, netSize, netType, wide) \
  ORVANE_MEMBER_##member(type, name)
  ORVANE_FLIGHT_VARIABLES(ORVANE_VAR_MEMBER)
#undef ORVANE_VAR_MEMBER
#undef ORVANE_MEMBER_none
#undef ORVANE_MEMBER_field

  // The variables that arrived in this frame's exchange.
  VarSet Valid;

  // The classic rules' views of the raw values, filled by ApplyConversions (interface_codec.h).
  double RadioAltitudeFt = 0;
  int32_t ApAltitudeFt = 0;      // truncated to whole feet
  int16_t GsInclination = 0;     // whole degrees (IPC) or the raw value (network)
};

// The variable's interface value as a double (texts: 0).
double RawNumber(const InterfaceValues& state, FlightVar var);
// Sets the variable's interface value from a double, limited to its type's range (not rounded:
// truncated toward zero for integers). Texts are left alone.
void SetRawNumber(InterfaceValues& state, FlightVar var, double value);
// The text of a text variable ("" for the others).
const std::string& TextOf(const InterfaceValues& state, FlightVar var);
void SetText(InterfaceValues& state, FlightVar var, const std::string& text);

// Stores the interface's little-endian bytes of `var` (`VarInfo(var).size` of them) into its member.
// Texts take the bytes up to, not including, the first zero byte. Does not touch the validity.
void StoreRawBytes(InterfaceValues& state, FlightVar var, const uint8_t* bytes);
// Writes the member's value as the interface's little-endian bytes (texts zero-padded to the size).
void LoadRawBytes(const InterfaceValues& state, FlightVar var, uint8_t* out);
