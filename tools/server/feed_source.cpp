// The feed's flight variables written into the data area the requests read.
#include "server/feed_source.h"

#include "model/interface_codec.h"
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
  area_.StoreInterfaceValues(EncodeInterface(feed_.Latest(&version_), feed_.Supplied()));
}

}  // namespace server
