// The X-Plane and FlightGear sources of the display: the feed opened at start-up, its latest values
// each frame, its end when the display closes.
#include "sources/udp_feed_source.h"

#include "platform/system.h"

LogSink DeveloperLog(const std::string& prefix) {
  return [prefix](const std::string& line) { platform::DebugLog(prefix + line); };
}

UdpFeedSource::UdpFeedSource(std::unique_ptr<UdpFeed> feed, const char* titleWord, LogSink log)
    : feed_(std::move(feed)), titleWord_(titleWord), log_(std::move(log)) {
  VarSet listed;
  for (const ReadListRow& row : ReadList()) listed.Add(row.field);
  for (size_t i = 0; i < InterfaceCodecRowCount(); ++i) {
    const InterfaceCodecRow& row = InterfaceCodecRows()[i];
    if (listed.Has(row.var) && feed_->Supplied().Has(row.reading)) required_.Add(row.reading);
  }
}

SourceStart UdpFeedSource::Open() {
  SourceStart start;
  std::string message;
  if (!OpenFeed(&message)) {
    start.outcome = SourceStart::Outcome::FailNow;
    start.message = message;
    return start;
  }
  const LogSink log = log_;
  const uint32_t staleMs = feed_->StaleMs();
  feed_->Start({}, [log, staleMs](bool stale) {
    if (log) log(stale ? "no values for " + std::to_string(staleMs) + " ms: the frames are flagged" : "values arriving");
  });
  opened_ = true;
  if (log_) log_("reading " + feed_->Describe());
  // Connectionless: nothing to wait for but the first values, which the title tells.
  start.outcome = SourceStart::Outcome::Waiting;
  return start;
}

void UdpFeedSource::Close() {
  if (!opened_) return;
  feed_->Stop();
  opened_ = false;
}

std::string UdpFeedSource::TitleWord() const { return LinkUp() ? titleWord_ : kTitleWordNotConnected; }

bool UdpFeedSource::LinkUp() const { return feed_->ValuesArriving(); }

bool UdpFeedSource::Fetch(FlightFrame& frame) {
  FlightState& readings = frame.readings;
  readings = feed_->Latest();
  const ReadingSet& supplied = feed_->Supplied();
  for (size_t i = 0; i < kReadingCount; ++i) {
    const ReadingId id = ReadingId(i);
    if (supplied.Has(id) && !readings.Valid.Has(id) && KindOf(id) != ReadingKind::Text) {
      readings.Set(id, 0);
      readings.Valid.Remove(id);
    }
  }
  FrameFromReadings(frame, supplied);
  return readings.Valid.Covers(required_);
}

XPlaneSource::XPlaneSource(const XPlaneSettings& settings, LogSink log)
    : UdpFeedSource(std::make_unique<XPlaneFeed>([&] {
                      XPlaneFeed::Options options;
                      options.host = settings.Host;
                      options.port = settings.Port;
                      options.rateHz = kRateHz;
                      options.staleMs = kStaleMs;
                      options.resubscribeMs = kStaleMs;
                      options.log = log;
                      return options;
                    }()),
                    kTitleWord, log),
      settings_(settings) {}

bool XPlaneSource::OpenFeed(std::string* message) {
  std::string error;
  FeedOpenFailure failure = FeedOpenFailure::None;
  if (XPlane().Open(&error, &failure)) return true;
  if (failure == FeedOpenFailure::Address)
    *message = "[SIMULATOR] XPLANEHOST: " + error + ".";
  else
    *message = "[SIMULATOR] SOURCE=XPLANE: no UDP socket for X-Plane's answers (X-Plane at " + settings_.Host +
               ", XPLANEPORT " + std::to_string(settings_.Port) + "): " + error + ".";
  return false;
}

FlightGearSource::FlightGearSource(const FlightGearSettings& settings, LogSink log)
    : UdpFeedSource(std::make_unique<FlightGearFeed>([&] {
                      FlightGearFeed::Options options;
                      options.bindAddress = settings.BindAddress;
                      options.port = settings.Port;
                      options.staleMs = kStaleMs;
                      options.log = log;
                      return options;
                    }()),
                    kTitleWord, log),
      settings_(settings) {}

bool FlightGearSource::OpenFeed(std::string* message) {
  std::string error;
  if (static_cast<FlightGearFeed&>(Feed()).Open(&error)) return true;
  *message = "[SIMULATOR] FGPORT " + std::to_string(settings_.Port) + ": FlightGear's feed cannot be received: " +
             error + ". Is another program (another display, OrvaneGCServer --source flightgear) using that port?";
  return false;
}
