// The network frame's replies into their fields: what a reply's number or text does to its row.
#pragma once

#include <string>

#include "pfd/flight_state.h"
#include "pfd/read_list.h"

// Stores a numeric reply into the row's field, rounded halves to even where the field is whole.
// False (field untouched) when the rounded value does not fit: flags and the radio altitude take
// the low 32 bits of a 64-bit integer, the other whole fields must fit a signed 32-bit integer
// before their low 8, 16 or 32 bits are kept. Rows without a field accept any number.
bool StoreNumberReply(FlightState& state, const ReadListRow& row, double value);
// Stores a text reply unchanged (any length); rows other than the two texts ignore it.
void StoreTextReply(FlightState& state, const ReadListRow& row, const std::string& text);
