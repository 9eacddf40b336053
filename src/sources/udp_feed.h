// The common part of the simulator feeds that arrive over UDP (X-Plane, FlightGear): a socket served
// by its own thread, the readings the packets fill, and which of them are fresh.
#pragma once

#include <asio.hpp>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "model/flight_state.h"
#include "sources/feed_rows.h"
#include "sources/rate_limited_lines.h"

// Why Open failed.
enum class FeedOpenFailure { None, Address, Socket };

class UdpFeed {
 public:
  static constexpr size_t kMaxDatagram = 2048;  // longer datagrams are refused whole
  // Room for any UDP datagram, so that a long one arrives whole (and is refused) instead of
  // failing the receive with a "message too long" error on some systems.
  static constexpr size_t kReceiveBuffer = 65536;

  UdpFeed(const FeedRow* rows, size_t rowCount, uint32_t staleMs, LogSink log);
  virtual ~UdpFeed();
  UdpFeed(const UdpFeed&) = delete;
  UdpFeed& operator=(const UdpFeed&) = delete;

  // One line for logs: what the values come from.
  virtual std::string Describe() const = 0;
  // The local UDP port (after Open).
  uint16_t LocalPort() const { return localPort_; }

  // Starts the feed thread. `refreshed` is called on it after every packet used; `staleChanged`
  // when the values stop arriving for the stale bound (true) and when they arrive again (false).
  bool Start(std::function<void()> refreshed = {}, std::function<void(bool)> staleChanged = {});
  // Ends the thread (the feed's farewell, if any, sent first); bounded in time.
  void Stop();

  // The latest readings (texts ending at their first zero), with Valid = the readings whose rows
  // were all refreshed within the stale bound; and how many stores they are the result of.
  FlightState Latest(uint64_t* version = nullptr) const;
  // Changes with every store.
  uint64_t Version() const { return version_.load(); }
  // True when every reading some row writes and that the interface carries in the bytes
  // [offset, offset + size) is fresh.
  bool IsFresh(uint32_t offset, uint32_t size) const;
  // True while values arrive: some row was refreshed within the stale bound.
  bool ValuesArriving() const;
  // The readings some row of the table writes.
  const ReadingSet& Supplied() const { return fresh_.Written(); }
  uint32_t StaleMs() const { return staleMs_; }

  uint64_t PacketsUsed() const { return used_.load(); }
  uint64_t PacketsRefused() const { return refused_.load(); }

 protected:
  // Opens the UDP socket on a numeric address and port (0: any free port). False with a message
  // naming the address, port and the system's reason.
  bool OpenSocket(const std::string& address, uint16_t port, std::string* error);

  // Called on the feed thread.
  virtual void OnStarted(uint64_t nowMicros) { (void)nowMicros; }
  virtual void OnPacket(const uint8_t* data, size_t size, const asio::ip::udp::endpoint& from, uint64_t nowMicros) = 0;
  virtual void OnTick(uint64_t nowMicros) { (void)nowMicros; }  // every 100 ms
  virtual void OnStopping() {}                                  // before the socket closes

  // Feed thread: sends one datagram (errors are logged, rate-limited).
  void SendTo(const void* data, size_t size, const asio::ip::udp::endpoint& to);
  // Feed thread: counts a packet that was not used and logs why, at most 10 lines per 10 s.
  void Refuse(const std::string& why);
  // Feed thread: counts a packet that was used.
  void CountUsed() { used_.fetch_add(1); }
  // Feed thread: writes several rows in their order under one lock, so that no reader sees part
  // of them (rows that complete an earlier row's variable are only right together), and marks the
  // rows that stored their value refreshed now.
  struct RowValue {
    size_t row;
    double v;
    std::string_view text;
  };
  void StoreRows(const std::vector<RowValue>& values, uint64_t nowMicros);
  // Feed thread: tells the owner that values changed.
  void NotifyRefreshed();
  // A line for the log that is not rate-limited (state changes).
  void LogState(const std::string& line) {
    if (log_) log_(line);
  }

 private:
  void Receive();
  void ScheduleTick();

  const FeedRow* rows_;
  size_t rowCount_;
  uint32_t staleMs_;
  LogSink log_;
  asio::io_context io_;
  asio::ip::udp::socket socket_;
  asio::steady_timer tick_;
  asio::ip::udp::endpoint sender_;
  std::unique_ptr<uint8_t[]> buffer_;
  uint16_t localPort_ = 0;
  std::thread thread_;
  std::function<void()> refreshed_;
  std::function<void(bool)> staleChanged_;
  RateLimitedLines refuseLog_;
  RateLimitedLines sendLog_;
  std::atomic<uint64_t> used_{0}, refused_{0};
  std::atomic<uint64_t> version_{0};

  mutable std::mutex mutex_;  // guards state_ and fresh_
  FeedState state_{};
  FeedFreshness fresh_;
  bool wasStale_ = true;      // feed thread: the values were stale at the last tick
};

