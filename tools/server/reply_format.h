// Turning the bytes of a requested value into the data server's reply text.
#pragma once

#include <cstdint>
#include <string>

#include "server/request_parser.h"

namespace server {

// Appends the reply text (without the zero terminator) for `request` to `out`. `bytes` holds the
// request's `size` bytes, little-endian, as read from the data area. Returns false when the value
// could not be represented (a float that is not a finite number) and "0" was written instead.
bool AppendReplyText(const Request& request, const uint8_t* bytes, std::string& out);

}  // namespace server
