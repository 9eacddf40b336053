// The network requests' wire format: the request text, the reply number, and what a reply's number
// or text does to its read-list row.
#pragma once

#include <cstdint>
#include <string>

#include "model/interface_values.h"
#include "model/read_list.h"

// "offset,size,type" (the zero byte is added when it is sent).
std::string BuildRequestText(int32_t offset, const std::string& size, const std::string& typeCode);
// A row's request text.
std::string RequestTextOf(const ReadListRow& row);
// Appends BuildRequestText's text for the row to *out (no zero byte).
void AppendRequestText(const ReadListRow& row, std::string* out);

// A reply number: optional spaces, optional sign, digits with at most one decimal separator (the
// full stop or `localeSeparator`), an optional exponent, optional trailing spaces, nothing else.
bool ParseReplyNumber(const std::string& text, char localeSeparator, double* value);

// Stores a numeric reply into the row's field, rounded halves to even where the field is whole.
// False (field untouched) when the rounded value does not fit: the variables of the Wide reply rule
// take the low 32 bits of a 64-bit integer, the others must fit a signed 32-bit integer before
// their low 8, 16 or 32 bits are kept. Rows without a field accept any number. Does not touch the
// validity.
bool StoreNumberReply(InterfaceValues& state, const ReadListRow& row, double value);
// Stores a text reply unchanged (any length); rows other than texts ignore it.
void StoreTextReply(InterfaceValues& state, const ReadListRow& row, const std::string& text);
