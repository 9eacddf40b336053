// X-Plane over its UDP dataref interface: the feed that subscribes to the dataref table and keeps
// the readings up to date from the answers.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "sources/feed_rows.h"
#include "sources/udp_feed.h"
#include "sources/xplane_feed.h"

// Subscribes to the dataref table at X-Plane's address, keeps the variables up to date from its
// answers, subscribes again after a silence (X-Plane restarted) and ends the subscriptions at Stop.
class XPlaneFeed : public UdpFeed {
 public:
  struct Options {
    std::string host = "127.0.0.1";  // numeric address of the X-Plane PC; answers from elsewhere are ignored
    uint16_t port = 49000;           // X-Plane's UDP port
    unsigned rateHz = 30;            // values per second asked for
    uint32_t staleMs = 2000;         // values older than this are not fresh
    uint32_t resubscribeMs = 2000;   // no answer for this long: subscribe again (X-Plane restarted)
    std::string bindAddress = "0.0.0.0";
    uint16_t bindPort = 0;           // the answers come back to the port the requests left from
    LogSink log;                 // state changes and ignored packets
  };

  explicit XPlaneFeed(const Options& options);
  ~XPlaneFeed() override;

  // Checks the host address and opens the socket. False with the reason: Address for a host that
  // is no numeric address, Socket for a socket that cannot be opened.
  bool Open(std::string* error, FeedOpenFailure* failure = nullptr);
  std::string Describe() const override;
  // How many times the whole table was subscribed (1 at start, one more per silence).
  uint64_t SubscriptionRounds() const { return rounds_.load(); }
  // The number of distinct datarefs subscribed to.
  size_t DatarefCount() const { return paths_.paths.size(); }

 protected:
  void OnStarted(uint64_t nowMicros) override;
  void OnPacket(const uint8_t* data, size_t size, const asio::ip::udp::endpoint& from, uint64_t nowMicros) override;
  void OnTick(uint64_t nowMicros) override;
  void OnStopping() override;

 private:
  void SendSubscriptions(int32_t frequency);

  Options options_;
  PathIndex paths_;
  asio::ip::udp::endpoint xplane_;
  uint64_t lastHeardMicros_ = 0;    // feed thread
  uint64_t lastAskedMicros_ = 0;    // feed thread
  bool heard_ = false;              // feed thread: answers arrive since the last subscription
  std::atomic<uint64_t> rounds_{0};
};

