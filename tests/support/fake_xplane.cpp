// The stand-in X-Plane: RREF requests in, RREF answers out on a 10 ms clock, losses and restarts on demand.
#include "support/fake_xplane.h"

#include <chrono>
#include <cstring>

#include "platform/system.h"

namespace orvane_test {
namespace {

int32_t GetInt32(const uint8_t* p) {
  return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

void PutInt32(int32_t v, std::vector<uint8_t>& out) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(uint32_t(v) >> (8 * i)));
}

}  // namespace

FakeXPlane::FakeXPlane(const Options& options) : options_(options), socket_(io_), timer_(io_) {
  asio::ip::udp::endpoint local(asio::ip::make_address("127.0.0.1"), 0);
  socket_.open(local.protocol());
  socket_.bind(local);
  port_ = socket_.local_endpoint().port();
  Receive();
  Tick();
  thread_ = std::thread([this] { io_.run(); });
}

FakeXPlane::~FakeXPlane() {
  asio::post(io_, [this] {
    asio::error_code ignored;
    timer_.cancel();
    socket_.close(ignored);
    io_.stop();
  });
  thread_.join();
}

void FakeXPlane::Set(const std::string& path, float value) {
  std::lock_guard<std::mutex> lock(mutex_);
  values_[path] = value;
}

void FakeXPlane::Silence(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  silenced_[path] = true;
}

void FakeXPlane::Answer(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  silenced_.erase(path);
}

void FakeXPlane::Restart() {
  std::lock_guard<std::mutex> lock(mutex_);
  down_ = true;
  subscribers_.clear();
}

void FakeXPlane::Resume() {
  std::lock_guard<std::mutex> lock(mutex_);
  down_ = false;
}

size_t FakeXPlane::ActiveSubscriptions() {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t n = 0;
  for (const auto& s : subscribers_) n += s.second.size();
  return n;
}

void FakeXPlane::Receive() {
  socket_.async_receive_from(asio::buffer(buffer_), from_, [this](const asio::error_code& ec, size_t n) {
    if (ec == asio::error::operation_aborted || !socket_.is_open()) return;
    // X-Plane's request: "RREF\0", int32 frequency, int32 index, 400-byte path.
    if (!ec && n == 413 && std::memcmp(buffer_, "RREF", 5) == 0) {
      const int32_t frequency = GetInt32(buffer_ + 5);
      const int32_t index = GetInt32(buffer_ + 9);
      std::string path(reinterpret_cast<const char*>(buffer_ + 13), strnlen(reinterpret_cast<const char*>(buffer_ + 13), 400));
      std::lock_guard<std::mutex> lock(mutex_);
      if (!down_) {
        if (frequency > 0) {
          subscribers_[from_][index] = Subscription{path, frequency, 0};
          ++subscribes_;
        } else {
          subscribers_[from_].erase(index);
          if (subscribers_[from_].empty()) subscribers_.erase(from_);
          ++unsubscribes_;
        }
      }
    }
    Receive();
  });
}

void FakeXPlane::Tick() {
  timer_.expires_after(std::chrono::milliseconds(10));
  timer_.async_wait([this](const asio::error_code& ec) {
    if (ec) return;
    const uint64_t now = platform::MonotonicMicros();
    std::vector<std::pair<asio::ip::udp::endpoint, std::vector<uint8_t>>> packets;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto& [endpoint, subs] : subscribers_) {
        std::vector<std::pair<int32_t, float>> due;
        for (auto& [index, sub] : subs) {
          if (now < sub.nextDueUs) continue;
          sub.nextDueUs = now + 1000000 / uint64_t(sub.frequency);
          if (silenced_.count(sub.path) != 0) continue;
          auto v = values_.find(sub.path);
          due.emplace_back(index, v == values_.end() ? 0.0f : v->second);
        }
        for (size_t first = 0; first < due.size(); first += options_.pairsPerPacket) {
          std::vector<uint8_t> packet = {'R', 'R', 'E', 'F', ','};
          for (size_t i = first; i < due.size() && i < first + options_.pairsPerPacket; ++i) {
            PutInt32(due[i].first, packet);
            uint32_t bits;
            std::memcpy(&bits, &due[i].second, 4);
            PutInt32(int32_t(bits), packet);
          }
          ++packetCount_;
          if (options_.dropEvery != 0 && packetCount_ % options_.dropEvery == 0) {
            ++lost_;
            continue;
          }
          packets.emplace_back(endpoint, std::move(packet));
        }
      }
    }
    for (auto& [to, bytes] : packets) {
      asio::error_code ignored;
      socket_.send_to(asio::buffer(bytes), to, 0, ignored);
      ++sent_;
    }
    Tick();
  });
}

}  // namespace orvane_test
