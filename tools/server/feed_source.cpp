// The feed's flight variables written into the data area the requests read.
#include "server/feed_source.h"

#include "server/server_log.h"

namespace server {

bool FeedSource::Start(std::function<void()> refreshed) {
  const uint32_t staleMs = feed_.StaleMs();
  return feed_.Start(std::move(refreshed), [staleMs](bool stale) {
    LogLine(stale ? "simulator values are stale: none arrived for " + std::to_string(staleMs) +
                        " ms (number requests for them are answered empty)"
                  : std::string("simulator values arriving"));
  });
}

void FeedSource::Update() {
  if (feed_.Version() == version_) return;
  area_.StoreFlightState(feed_.Latest(&version_));
}

}  // namespace server
