// X-Plane and FlightGear on this PC (or another) straight into the display: a simulator feed over
// UDP as the display's data source, without the data server in between.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/read_list.h"
#include "sources/flight_data_source.h"
#include "sources/flightgear_udp_feed.h"
#include "sources/udp_feed.h"
#include "sources/udp_feed_settings.h"
#include "sources/xplane_udp_feed.h"

// Where a feed's lines go in the display: the developer log, each line after `prefix`.
LogSink DeveloperLog(const std::string& prefix);

// The common part: the feed's latest values each frame, the title word while they arrive.
class UdpFeedSource : public FlightDataSource {
 public:
  // Values older than this are stale: flagged, and the title reads "[NOT CONNECTED]".
  static constexpr uint32_t kStaleMs = 2000;

  // Binds the feed's socket and starts its thread. A socket that cannot be opened fails the
  // start-up (the message names the setting and the port); no values yet is no failure: the window
  // opens and waits for them.
  SourceStart Open() override;
  // Binding is quick and a taken port should fail the start-up before the artwork is loaded.
  bool OpensBeforeArtwork() const override { return true; }
  // Ends the feed (X-Plane: the subscriptions are cancelled).
  void Close() override;
  // The source's word while values arrive, "[NOT CONNECTED]" when none arrived for 2 s.
  std::string TitleWord() const override;
  // The feed's latest readings, valid = those refreshed within 2 s; a number that is stale reads 0, as
  // through the data server, texts keep their last text. The classic panel's view is encoded from
  // them. True when every reading of today's panel the simulator supplies is fresh.
  bool Fetch(FlightFrame& frame) override;
  // True while values arrive (some arrived within 2 s).
  bool LinkUp() const override;

  UdpFeed& Feed() { return *feed_; }

 protected:
  UdpFeedSource(std::unique_ptr<UdpFeed> feed, const char* titleWord, LogSink log);
  // Opens the feed's socket; false with the message for the start-up dialog.
  virtual bool OpenFeed(std::string* message) = 0;

 private:
  std::unique_ptr<UdpFeed> feed_;
  const char* titleWord_;
  LogSink log_;
  ReadingSet required_;  // the readings of today's panel the simulator supplies
  bool opened_ = false;
};

// X-Plane's UDP dataref interface: the dataref table subscribed to at 30 values a second, again
// after 2 s of silence, and cancelled when the display closes.
class XPlaneSource : public UdpFeedSource {
 public:
  static constexpr const char* kTitleWord = "[X-PLANE]";
  static constexpr unsigned kRateHz = 30;

  explicit XPlaneSource(const XPlaneSettings& settings, LogSink log = DeveloperLog("X-Plane source: "));
  XPlaneFeed& XPlane() { return static_cast<XPlaneFeed&>(Feed()); }

 protected:
  bool OpenFeed(std::string* message) override;

 private:
  XPlaneSettings settings_;
};

// FlightGear's generic protocol (dist/flightgear/orvane.xml), received on the UDP port of the settings.
class FlightGearSource : public UdpFeedSource {
 public:
  static constexpr const char* kTitleWord = "[FLIGHTGEAR]";

  explicit FlightGearSource(const FlightGearSettings& settings, LogSink log = DeveloperLog("FlightGear source: "));

 protected:
  bool OpenFeed(std::string* message) override;

 private:
  FlightGearSettings settings_;
};
