// What the display's X-Plane and FlightGear sources need of the settings, and the check of an address.
#pragma once

#include <cstdint>
#include <string>

// What the direct X-Plane source needs of the settings.
struct XPlaneSettings {
  std::string Host = "127.0.0.1";  // numeric address of the PC X-Plane runs on
  uint16_t Port = 49000;           // X-Plane's UDP port
};

// What the direct FlightGear source needs of the settings.
struct FlightGearSettings {
  uint16_t Port = 5500;  // the UDP port FlightGear sends the orvane protocol to (0: any, for tests)
  std::string BindAddress = "0.0.0.0";
};

// True when `text` is a numeric IPv4 or IPv6 address (names are not looked up).
bool IsNumericAddress(const std::string& text);
