// The UDP feed thread: receives datagrams, hands them to the feed's parser, ticks every 100 ms.
#include "sources/udp_feed.h"

#include <chrono>

#include "platform/system.h"

UdpFeed::UdpFeed(const FeedRow* rows, size_t rowCount, uint32_t staleMs, LogSink log)
    : rows_(rows),
      rowCount_(rowCount),
      staleMs_(staleMs),
      log_(std::move(log)),
      socket_(io_),
      tick_(io_),
      buffer_(new uint8_t[kReceiveBuffer]),
      refuseLog_(10, 10000000, log_),
      sendLog_(3, 10000000, log_),
      fresh_(rows, rowCount, uint64_t(staleMs) * 1000) {}

UdpFeed::~UdpFeed() { Stop(); }

bool UdpFeed::OpenSocket(const std::string& address, uint16_t port, std::string* error) {
  asio::error_code ec;
  asio::ip::address a = asio::ip::make_address(address, ec);
  const std::string where = address + " UDP port " + std::to_string(port);
  if (ec) {
    *error = "invalid address '" + address + "': " + ec.message();
    return false;
  }
  asio::ip::udp::endpoint endpoint(a, port);
  socket_.open(endpoint.protocol(), ec);
  if (!ec) socket_.bind(endpoint, ec);
  if (ec) {
    *error = "cannot open " + where + ": " + ec.message();
    asio::error_code ignored;
    socket_.close(ignored);
    return false;
  }
  localPort_ = socket_.local_endpoint(ec).port();
  return true;
}

bool UdpFeed::Start(std::function<void()> refreshed, std::function<void(bool)> staleChanged) {
  if (!socket_.is_open() || thread_.joinable()) return socket_.is_open();
  refreshed_ = std::move(refreshed);
  staleChanged_ = std::move(staleChanged);
  thread_ = std::thread([this] {
    OnStarted(platform::MonotonicMicros());
    Receive();
    ScheduleTick();
    io_.run();
  });
  return true;
}

void UdpFeed::Stop() {
  if (!thread_.joinable()) return;
  asio::post(io_, [this] {
    OnStopping();
    asio::error_code ignored;
    tick_.cancel();
    socket_.close(ignored);
    io_.stop();
  });
  thread_.join();  // every handler is short: the thread ends within one of them
}

FlightState UdpFeed::Latest(uint64_t* version) const {
  const uint64_t now = platform::MonotonicMicros();
  FlightState state;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state = state_.readings;
    state.Valid = fresh_.FreshReadings(now);
    if (version != nullptr) *version = version_.load();
  }
  EndTextsAtZero(state);
  return state;
}

bool UdpFeed::IsFresh(uint32_t offset, uint32_t size) const {
  const uint64_t now = platform::MonotonicMicros();
  std::lock_guard<std::mutex> lock(mutex_);
  return fresh_.Fresh(offset, size, now);
}

bool UdpFeed::ValuesArriving() const {
  const uint64_t now = platform::MonotonicMicros();
  std::lock_guard<std::mutex> lock(mutex_);
  return !fresh_.AllStale(now);
}

void UdpFeed::SendTo(const void* data, size_t size, const asio::ip::udp::endpoint& to) {
  asio::error_code ec;
  socket_.send_to(asio::buffer(data, size), to, 0, ec);
  if (ec) sendLog_.Log("cannot send to " + to.address().to_string() + " port " + std::to_string(to.port()) + ": " +
                       ec.message());
}

void UdpFeed::Refuse(const std::string& why) {
  refused_.fetch_add(1);
  refuseLog_.Log(why);
}

void UdpFeed::StoreRows(const std::vector<RowValue>& values, uint64_t nowMicros) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const RowValue& r : values)
    if (r.row < rowCount_ && ApplyFeedRow(rows_[r.row], r.v, r.text, state_)) fresh_.Refreshed(r.row, nowMicros);
  SettleTerms(rows_, rowCount_, state_);
  version_.fetch_add(1);
}

void UdpFeed::NotifyRefreshed() {
  if (refreshed_) refreshed_();
}

void UdpFeed::Receive() {
  socket_.async_receive_from(
      asio::buffer(buffer_.get(), kReceiveBuffer), sender_, [this](const asio::error_code& ec, size_t n) {
        if (ec == asio::error::operation_aborted || !socket_.is_open()) return;
        if (!ec) {
          if (n > kMaxDatagram)
            Refuse("datagram from " + sender_.address().to_string() + " longer than " +
                   std::to_string(kMaxDatagram) + " bytes; ignored");
          else
            OnPacket(buffer_.get(), n, sender_, platform::MonotonicMicros());
        } else if (ec != asio::error::connection_refused && ec != asio::error::connection_reset) {
          // ICMP "port unreachable" after a send to a simulator that is not up yet is normal.
          sendLog_.Log("receive failed: " + ec.message());
        }
        Receive();
      });
}

void UdpFeed::ScheduleTick() {
  tick_.expires_after(std::chrono::milliseconds(100));
  tick_.async_wait([this](const asio::error_code& ec) {
    if (ec) return;
    const uint64_t now = platform::MonotonicMicros();
    bool stale;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stale = fresh_.AllStale(now);
    }
    if (stale != wasStale_) {
      if (staleChanged_) staleChanged_(stale);
      wasStale_ = stale;
    }
    OnTick(now);
    ScheduleTick();
  });
}

