// A simulator feed (X-Plane, FlightGear) as the data server's source: the data area filled from the
// feed's latest readings, encoded at the interface's offsets and units, and their freshness.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "server/data_source.h"
#include "sources/udp_feed.h"
#include "simdata/sim_data_area.h"

namespace server {

class FeedSource : public DataSource {
 public:
  // `feed` (opened) outlives the source.
  explicit FeedSource(UdpFeed& feed) : feed_(feed) {}
  ~FeedSource() override { Stop(); }

  std::string Describe() const override { return feed_.Describe(); }
  // Starts the feed; its news goes to `refreshed`, the values' coming and going to the log.
  bool Start(std::function<void()> refreshed) override;
  void Stop() override { feed_.Stop(); }
  // The area from the feed's latest values, when they changed since the last time.
  void Update() override;
  void Read(uint32_t offset, uint32_t size, uint8_t* out) override { area_.Read(offset, size, out); }
  // A number the feed has not sent for the stale bound is not fresh.
  bool IsFresh(uint32_t offset, uint32_t size) override { return feed_.IsFresh(offset, size); }

 private:
  UdpFeed& feed_;
  SimDataArea area_;
  uint64_t version_ = 0;  // of the feed's values in area_
};

}  // namespace server
