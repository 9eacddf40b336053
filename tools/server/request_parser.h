// The data server's requests: parsing one "offset,size,type" text and cutting the byte stream into requests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/flight_variables.h"

namespace server {

// Type codes: how the `size` bytes at `offset` become the reply text (model/flight_variables.h):
//   1 and 5  signed 32-bit integer, size 4, reply in decimal ("-1250")
//   2  64-bit IEEE float, size 8, reply as the shortest decimal text that reads back to the same
//      double ("0.5", "-3.25", "1e-05"); not-a-number and infinities reply "0"
//   3  signed 8-bit integer, size 1, decimal ("-56" for the byte 0xC8)
//   4  signed 16-bit integer, size 2, decimal
//   7  text, size 1..255: the bytes up to the first zero byte, at most `size` of them, as they are
using TypeCode = NetType;

constexpr uint32_t kAreaSize = 0x10000;      // the simulator data area is 64 KiB
constexpr uint32_t kMaxTextSize = 255;       // longest text a type-7 request may ask for
constexpr size_t kMaxRequestLength = 64;     // bytes before the zero terminator

struct Request {
  uint32_t offset = 0;
  uint32_t size = 0;
  TypeCode type = TypeCode::Int32;
};

struct ParseResult {
  bool ok = false;
  Request request;           // valid when ok
  bool wantsText = false;    // the type field read "7" (so a malformed request is answered "")
  const char* error = "";    // why the request was refused, when not ok
};

// Parses one request without its zero terminator: three unsigned decimal fields separated by
// commas, nothing else. Checks the type code, the size the type code needs and that the bytes lie
// inside the 64 KiB area.
ParseResult ParseRequest(std::string_view text);

// The request a WebSocket message carries: the message itself, without the one zero byte that may
// end it (as on the TCP stream). Anything else is left for ParseRequest to accept or refuse.
std::string_view RequestOfMessage(std::string_view message);

// The reply text for a refused request: "" when it asked for a text, else "0".
const char* MalformedReply(const ParseResult& result);

// Bytes of one request: the number of data bytes a type code reads, 0 when the code is unknown.
// For texts (code 7) any size 1..kMaxTextSize is valid and this returns 0.
uint32_t FixedSizeOf(TypeCode type);

// Cuts a received byte stream into zero-terminated requests, whatever the segment boundaries.
// Holds at most the unterminated tail of what was appended.
class RequestFramer {
 public:
  enum class Next { Request, NeedMore, Overlong };

  // Adds received bytes.
  void Append(const char* data, size_t n);
  // Takes the next complete request (without its terminator) into `request`. NeedMore when no
  // terminator is buffered; Overlong when more than kMaxRequestLength bytes wait without one
  // (the stream is then unusable: the caller closes it).
  Next Take(std::string& request);
  // Bytes buffered and not yet taken.
  size_t Buffered() const { return buffer_.size() - start_; }

 private:
  std::string buffer_;
  size_t start_ = 0;  // first byte not yet taken
  size_t scan_ = 0;   // bytes from start_ already known to hold no terminator
};

}  // namespace server
