// The X-Plane feed: subscriptions to the host given, the answers into the flight variables, a new
// subscription after 2 s of silence, unsubscribing at the end.
#include "sources/xplane_udp_feed.h"

#include <cmath>
#include <vector>

#include "sources/udp_feed_settings.h"

XPlaneFeed::XPlaneFeed(const Options& options)
    : UdpFeed(XPlaneRows(), XPlaneRowCount(), options.staleMs, options.log),
      options_(options),
      paths_(IndexPaths(XPlaneRows(), XPlaneRowCount())) {}

XPlaneFeed::~XPlaneFeed() { Stop(); }

bool XPlaneFeed::Open(std::string* error, FeedOpenFailure* failure) {
  asio::error_code ec;
  asio::ip::address host = asio::ip::make_address(options_.host, ec);
  if (ec || !IsNumericAddress(options_.host)) {
    *error = "'" + options_.host + "' is not a numeric IPv4 or IPv6 address";
    if (failure != nullptr) *failure = FeedOpenFailure::Address;
    return false;
  }
  xplane_ = asio::ip::udp::endpoint(host, options_.port);
  std::string bind = options_.bindAddress;
  if (host.is_v6() && bind == "0.0.0.0") bind = "::";
  const bool opened = OpenSocket(bind, options_.bindPort, error);
  if (failure != nullptr) *failure = opened ? FeedOpenFailure::None : FeedOpenFailure::Socket;
  return opened;
}

std::string XPlaneFeed::Describe() const {
  return "X-Plane at " + options_.host + " UDP port " + std::to_string(options_.port) + ", " +
         std::to_string(paths_.paths.size()) + " datarefs at " + std::to_string(options_.rateHz) +
         " per second (answers to UDP port " + std::to_string(LocalPort()) + ")";
}

void XPlaneFeed::SendSubscriptions(int32_t frequency) {
  RrefRequest request;
  for (size_t i = 0; i < paths_.paths.size(); ++i)
    if (BuildRrefRequest(frequency, int32_t(i), paths_.paths[i], &request)) SendTo(request.data(), request.size(), xplane_);
}

void XPlaneFeed::OnStarted(uint64_t nowMicros) {
  SendSubscriptions(int32_t(options_.rateHz));
  rounds_.fetch_add(1);
  lastAskedMicros_ = nowMicros;
}

void XPlaneFeed::OnPacket(const uint8_t* data, size_t size, const asio::ip::udp::endpoint& from, uint64_t nowMicros) {
  if (from.address() != xplane_.address()) {
    Refuse("UDP packet from " + from.address().to_string() + " port " + std::to_string(from.port()) +
           ", not from X-Plane at " + options_.host + "; ignored");
    return;
  }
  std::vector<RrefValue> values;
  std::string why;
  if (!ParseRrefAnswer(data, size, &values, &why)) {
    Refuse("UDP packet from X-Plane (" + std::to_string(size) + " bytes): " + why + "; ignored");
    return;
  }
  size_t unknown = 0;
  std::vector<RowValue> rows;
  for (const RrefValue& v : values) {
    if (v.index < 0 || size_t(v.index) >= paths_.paths.size() || !std::isfinite(v.value)) {
      ++unknown;
      continue;
    }
    for (size_t r = 0; r < paths_.rowPath.size(); ++r)
      if (paths_.rowPath[r] == size_t(v.index)) rows.push_back({r, double(v.value), {}});
  }
  if (unknown == values.size()) {
    Refuse("RREF answer from X-Plane with no usable value (unknown indexes or not numbers); ignored");
    return;
  }
  StoreRows(rows, nowMicros);  // the whole answer at once
  if (unknown > 0) Refuse(std::to_string(unknown) + " values of an RREF answer had unknown indexes or were not numbers");
  CountUsed();
  if (!heard_) LogState("X-Plane answers at " + from.address().to_string() + " port " + std::to_string(from.port()));
  heard_ = true;
  lastHeardMicros_ = nowMicros;
  NotifyRefreshed();
}

void XPlaneFeed::OnTick(uint64_t nowMicros) {
  const uint64_t quiet = uint64_t(options_.resubscribeMs) * 1000;
  const uint64_t since = lastHeardMicros_ > lastAskedMicros_ ? lastHeardMicros_ : lastAskedMicros_;
  if (nowMicros - since < quiet) return;
  // Logged when the answers stop and for the first silence after start; the retries every
  // resubscribeMs after that are not.
  if (heard_ || rounds_.load() == 1)
    LogState(std::string(heard_ ? "no answer from X-Plane for " : "X-Plane has not answered for ") +
             std::to_string(options_.resubscribeMs) + " ms: subscribing again (every " +
             std::to_string(options_.resubscribeMs) + " ms until it answers)");
  heard_ = false;
  SendSubscriptions(int32_t(options_.rateHz));
  rounds_.fetch_add(1);
  lastAskedMicros_ = nowMicros;
}

void XPlaneFeed::OnStopping() { SendSubscriptions(0); }

