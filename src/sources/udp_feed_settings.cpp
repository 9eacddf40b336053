// The address check of the X-Plane host setting.
#include "sources/udp_feed_settings.h"

#include <asio/ip/address.hpp>

bool IsNumericAddress(const std::string& text) {
  asio::error_code ec;
  asio::ip::make_address(text, ec);
  return !ec;
}
