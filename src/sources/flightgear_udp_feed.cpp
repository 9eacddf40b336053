// The FlightGear feed: one generic-protocol line per datagram, from one sender at a time.
#include "sources/flightgear_udp_feed.h"

#include <cstring>

FlightGearFeed::FlightGearFeed(const Options& options)
    : UdpFeed(FlightGearRows(), FlightGearRowCount(), options.staleMs, options.log), options_(options) {
  for (size_t r = 0; r < FlightGearRowCount(); ++r) {
    size_t f = 0;
    while (f < FlightGearFieldCount() && std::strcmp(FlightGearFields()[f].path, FlightGearRows()[r].path) != 0) ++f;
    rowField_.push_back(f);  // every row's property is a field (checked by the tests)
  }
}

FlightGearFeed::~FlightGearFeed() { Stop(); }

bool FlightGearFeed::Open(std::string* error) { return OpenSocket(options_.bindAddress, options_.port, error); }

std::string FlightGearFeed::Describe() const {
  return "FlightGear generic protocol \"orvane\" on UDP port " + std::to_string(LocalPort()) + ", " +
         std::to_string(FlightGearFieldCount()) + " values per line";
}

void FlightGearFeed::OnPacket(const uint8_t* data, size_t size, const asio::ip::udp::endpoint& from,
                              uint64_t nowMicros) {
  const bool following = lastHeardMicros_ != 0 && nowMicros - lastHeardMicros_ <= uint64_t(StaleMs()) * 1000;
  if (following && from != feeder_) {
    Refuse("UDP packet from " + from.address().to_string() + " port " + std::to_string(from.port()) +
           " while FlightGear at " + feeder_.address().to_string() + " port " + std::to_string(feeder_.port()) +
           " is sending; ignored");
    return;
  }
  std::vector<FgValue> values;
  std::string why;
  if (!ParseGenericLine(reinterpret_cast<const char*>(data), size, FlightGearFields(), FlightGearFieldCount(), &values,
                        &why, kFgFieldsRequired)) {
    Refuse("UDP packet from " + from.address().to_string() + " (" + std::to_string(size) + " bytes): " + why +
           "; ignored (is dist/flightgear/orvane.xml the protocol FlightGear sends?)");
    return;
  }
  if (!following || from != feeder_)
    LogState("FlightGear sends from " + from.address().to_string() + " port " + std::to_string(from.port()));
  feeder_ = from;
  lastHeardMicros_ = nowMicros;
  std::vector<RowValue> line;
  for (size_t r = 0; r < rowField_.size(); ++r) {
    if (rowField_[r] >= values.size()) continue;
    const FgValue& v = values[rowField_[r]];
    line.push_back({r, v.number, v.text});
  }
  StoreRows(line, nowMicros);  // the whole line at once
  CountUsed();
  NotifyRefreshed();
}

