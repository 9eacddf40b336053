// FlightGear over its generic protocol: the feed that listens for the lines of
// dist/flightgear/orvane.xml and keeps the readings up to date from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sources/flightgear_feed.h"
#include "sources/udp_feed.h"

// Listens for the lines dist/flightgear/orvane.xml makes FlightGear send, from one sender at a time,
// and keeps the readings up to date from them.
class FlightGearFeed : public UdpFeed {
 public:
  struct Options {
    std::string bindAddress = "0.0.0.0";
    uint16_t port = 5500;     // 0: any free port (tests)
    uint32_t staleMs = 2000;  // values older than this are not fresh
    LogSink log;          // state changes and ignored packets
  };

  explicit FlightGearFeed(const Options& options);
  ~FlightGearFeed() override;

  // Opens the socket; false with the address, port and the system's reason.
  bool Open(std::string* error);
  std::string Describe() const override;

 protected:
  void OnPacket(const uint8_t* data, size_t size, const asio::ip::udp::endpoint& from, uint64_t nowMicros) override;

 private:
  Options options_;
  std::vector<size_t> rowField_;         // the line's field of each row
  asio::ip::udp::endpoint feeder_;       // the sender followed; another one may take over after staleMs of silence
  uint64_t lastHeardMicros_ = 0;
};

