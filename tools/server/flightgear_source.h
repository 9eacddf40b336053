// FlightGear as the data server's source: listens for the generic-protocol lines that
// dist/flightgear/orvane.xml makes FlightGear send, and keeps the data area up to date from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/udp_feed.h"

namespace server {

class FlightGearSource : public UdpFeedSource {
 public:
  struct Options {
    std::string bindAddress = "0.0.0.0";
    uint16_t port = 5500;     // 0: any free port (tests)
    uint32_t staleMs = 2000;  // values older than this are not served as fresh
  };

  explicit FlightGearSource(const Options& options);
  ~FlightGearSource() override;

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

}  // namespace server
