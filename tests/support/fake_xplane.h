// Test helper: a stand-in for X-Plane's UDP dataref interface on loopback. It answers RREF
// subscriptions the way X-Plane documents them (index/value pairs, several per packet, at the
// frequency asked), can lose packets, and can "restart": go silent and forget every subscription.
#pragma once

#include <asio.hpp>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvane_test {

class FakeXPlane {
 public:
  struct Options {
    size_t pairsPerPacket = 8;  // a subscriber's values go out in packets of at most this many pairs
    unsigned dropEvery = 0;     // 0: lose nothing; n: every n-th packet is lost
  };

  explicit FakeXPlane(const Options& options);
  ~FakeXPlane();
  FakeXPlane(const FakeXPlane&) = delete;
  FakeXPlane& operator=(const FakeXPlane&) = delete;

  uint16_t Port() const { return port_; }
  // The value a dataref path has from now on (unknown paths read 0).
  void Set(const std::string& path, float value);
  // A dataref that goes unanswered from now on (its subscription stands, no value is sent) until
  // Answer: as X-Plane does for a path it does not publish.
  void Silence(const std::string& path);
  void Answer(const std::string& path);
  // Simulator restart: silent, every subscription forgotten, requests ignored until Resume.
  void Restart();
  void Resume();

  // Requests received so far (subscriptions with frequency > 0, and ends with frequency 0).
  int Subscribes() const { return subscribes_.load(); }
  int Unsubscribes() const { return unsubscribes_.load(); }
  // Subscriptions in force now.
  size_t ActiveSubscriptions();
  uint64_t PacketsSent() const { return sent_.load(); }
  uint64_t PacketsLost() const { return lost_.load(); }

 private:
  struct Subscription {
    std::string path;
    int32_t frequency = 0;
    uint64_t nextDueUs = 0;
  };
  void Receive();
  void Tick();

  Options options_;
  asio::io_context io_;
  asio::ip::udp::socket socket_;
  asio::steady_timer timer_;
  asio::ip::udp::endpoint from_;
  uint8_t buffer_[1024] = {};
  uint16_t port_ = 0;
  std::thread thread_;

  std::mutex mutex_;
  std::map<std::string, float> values_;
  std::map<std::string, bool> silenced_;
  // Per subscriber endpoint, per index.
  std::map<asio::ip::udp::endpoint, std::map<int32_t, Subscription>> subscribers_;
  bool down_ = false;
  uint64_t packetCount_ = 0;
  std::atomic<int> subscribes_{0}, unsubscribes_{0};
  std::atomic<uint64_t> sent_{0}, lost_{0};
};

}  // namespace orvane_test
