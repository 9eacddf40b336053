// Reply texts per type code: decimal integers, shortest round-trip doubles, raw texts; locale-free.
#include "server/reply_format.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include "platform/byte_order.h"

namespace server {
namespace {

// Appends an integer in decimal; std::to_chars never looks at the locale.
void AppendInteger(int64_t value, std::string& out) {
  char text[24];
  auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, result.ptr);
}

}  // namespace

bool AppendReplyText(const Request& request, const uint8_t* bytes, std::string& out) {
  switch (request.type) {
    case TypeCode::Int8:
      AppendInteger(int8_t(uint8_t(bytes[0])), out);
      return true;
    case TypeCode::Int16:
      AppendInteger(int16_t(uint16_t(le::GetN(bytes, 2))), out);
      return true;
    case TypeCode::Int32:
    case TypeCode::Int32Alt:
      AppendInteger(int32_t(uint32_t(le::GetN(bytes, 4))), out);
      return true;
    case TypeCode::Float64: {
      uint64_t bits = le::GetN(bytes, 8);
      double value;
      std::memcpy(&value, &bits, sizeof value);
      if (!std::isfinite(value)) {
        // The display takes only plain decimal numbers; "nan" or "inf" would be refused there.
        out.push_back('0');
        return false;
      }
      char text[40];
      auto result = std::to_chars(text, text + sizeof text, value);  // shortest text that round-trips
      out.append(text, result.ptr);
      return true;
    }
    case TypeCode::Text: {
      const void* zero = std::memchr(bytes, 0, request.size);
      size_t n = zero ? size_t(static_cast<const uint8_t*>(zero) - bytes) : request.size;
      out.append(reinterpret_cast<const char*>(bytes), n);
      return true;
    }
  }
  out.push_back('0');
  return true;
}

}  // namespace server
