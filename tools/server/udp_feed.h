// The common part of the simulator sources that arrive over UDP (X-Plane, FlightGear): a socket
// served by its own thread, the data area the packets fill, and which of its values are fresh.
#pragma once

#include <asio.hpp>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/data_source.h"
#include "server/feed_rows.h"
#include "server/server_log.h"
#include "simdata/sim_data_area.h"

namespace server {

class UdpFeedSource : public DataSource {
 public:
  static constexpr size_t kMaxDatagram = 2048;  // longer datagrams are refused whole
  // Room for any UDP datagram, so that a long one arrives whole (and is refused) instead of
  // failing the receive with a "message too long" error on some systems.
  static constexpr size_t kReceiveBuffer = 65536;

  UdpFeedSource(const FeedRow* rows, size_t rowCount, uint32_t staleMs);
  ~UdpFeedSource() override;
  UdpFeedSource(const UdpFeedSource&) = delete;
  UdpFeedSource& operator=(const UdpFeedSource&) = delete;

  // Opens the UDP socket on a numeric address and port (0: any free port). False with a message
  // naming the address, port and the system's reason.
  bool Open(const std::string& address, uint16_t port, std::string* error);
  // The local UDP port (after Open).
  uint16_t LocalPort() const { return localPort_; }

  bool Start(std::function<void()> refreshed) override;
  void Stop() override;
  void Read(uint32_t offset, uint32_t size, uint8_t* out) override;
  bool IsFresh(uint32_t offset, uint32_t size) override;

  uint64_t PacketsUsed() const { return used_.load(); }
  uint64_t PacketsRefused() const { return refused_.load(); }

 protected:
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
  // Feed thread: writes `v` / `text` through row `row` and marks it refreshed now.
  void StoreRow(size_t row, double v, std::string_view text, uint64_t nowMicros);
  // Feed thread: writes several rows in their order under one lock, so that no request sees part
  // of them (rows that complete an earlier row's bytes are only right together).
  struct RowValue {
    size_t row;
    double v;
    std::string_view text;
  };
  void StoreRows(const std::vector<RowValue>& values, uint64_t nowMicros);
  // Feed thread: tells the event loop that values changed.
  void NotifyRefreshed();
  // Feed thread: a line for the log that is not rate-limited (state changes).
  void LogState(const std::string& line) { LogLine(line); }

  const FeedRow* Rows() const { return rows_; }
  size_t RowCount() const { return rowCount_; }

 private:
  void Receive();
  void ScheduleTick();

  const FeedRow* rows_;
  size_t rowCount_;
  uint32_t staleMs_;
  asio::io_context io_;
  asio::ip::udp::socket socket_;
  asio::steady_timer tick_;
  asio::ip::udp::endpoint sender_;
  std::unique_ptr<uint8_t[]> buffer_;
  uint16_t localPort_ = 0;
  std::thread thread_;
  std::function<void()> refreshed_;
  RateLimitedLog refuseLog_;
  RateLimitedLog sendLog_;
  std::atomic<uint64_t> used_{0}, refused_{0};

  std::mutex mutex_;          // guards area_ and fresh_
  SimDataArea area_;
  Freshness fresh_;
  bool wasStale_ = true;      // feed thread: the values were stale at the last tick
};

}  // namespace server
