// The address check of the X-Plane host setting.
#include "sources/udp_feed_settings.h"

#include <asio/ip/address.hpp>

namespace {

// Four decimal numbers 0..255 with dots between them, without leading zeros ("192.168.1", "0x7f.1"
// and "010.0.0.1" are no such address, whatever the system's own parser makes of them).
bool IsDottedQuad(const std::string& text) {
  int parts = 0;
  size_t i = 0;
  while (i <= text.size()) {
    const size_t first = i;
    size_t digits = 0;
    int value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
      value = value * 10 + (text[i] - '0');
      ++digits;
      ++i;
    }
    if (digits == 0 || digits > 3 || value > 255 || (digits > 1 && text[first] == '0')) return false;
    ++parts;
    if (i == text.size()) break;
    if (text[i] != '.' || parts == 4) return false;
    ++i;
  }
  return parts == 4;
}

}  // namespace

bool IsNumericAddress(const std::string& text) {
  if (text.find(':') == std::string::npos) return IsDottedQuad(text);
  asio::error_code ec;
  const asio::ip::address address = asio::ip::make_address(text, ec);
  return !ec && address.is_v6();
}
