// The IPC-backed source: a refresher thread batching the read list (and extra ranges) into one exchange per period.
#include "server/ipc_source.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "model/read_list.h"
#include "platform/system.h"
#include "server/server_log.h"
#include "sources/sim_ipc_client.h"

namespace server {
namespace {

// Offset/size pairs of the read list without duplicates (rows 8/25 and 9/27 ask for the same bytes).
const std::vector<std::pair<uint32_t, uint32_t>>& ReadListRanges() {
  static const std::vector<std::pair<uint32_t, uint32_t>> ranges = [] {
    std::vector<std::pair<uint32_t, uint32_t>> r;
    for (const ReadListRow& row : ReadList()) {
      std::pair<uint32_t, uint32_t> range{row.offset, row.size};
      if (std::find(r.begin(), r.end(), range) == r.end()) r.push_back(range);
    }
    return r;
  }();
  return ranges;
}

}  // namespace

IpcSource::IpcSource(const Options& options) : options_(options) {}

IpcSource::~IpcSource() { Stop(); }

std::string IpcSource::Describe() const {
  return "simulator IPC, read list refreshed at most every " + std::to_string(options_.refreshMs) + " ms";
}

bool IpcSource::Start(std::function<void()> refreshed) {
  if (thread_.joinable()) return true;
  refreshed_ = std::move(refreshed);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = false;
  }
  thread_ = std::thread([this] { Run(); });
  return true;
}

void IpcSource::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();  // an exchange in progress ends within the client's own bound
}

void IpcSource::Update() {
  std::lock_guard<std::mutex> lock(mutex_);
  current_ = latest_;
}

void IpcSource::Read(uint32_t offset, uint32_t size, uint8_t* out) {
  if (!current_ || offset >= kAreaSize || size > kAreaSize - offset) {
    std::memset(out, 0, size);
    return;
  }
  std::memcpy(out, current_->bytes.data() + offset, size);
}

bool IpcSource::WantsRefreshFor(uint32_t offset, uint32_t size) {
  if (!linkUp_.load() || offset >= kAreaSize || size > kAreaSize - offset) return false;
  if (current_) {
    bool all = true;
    for (uint32_t i = 0; i < size && all; ++i) all = current_->covered.test(offset + i);
    if (all) return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  uint64_t now = platform::MonotonicMicros();
  for (Range& r : extras_) {
    if (r.offset == offset && r.size == size) {
      r.lastAskedMicros = now;
      return !r.refused;
    }
  }
  // Read-list ranges are always in the batch: wait for the first exchange.
  for (const auto& r : ReadListRanges())
    if (r.first <= offset && offset + size <= r.first + r.second) return true;
  if (extras_.size() >= options_.maxExtraRanges) {
    static RateLimitedLog full(3, 10000000);
    full.Log("extra range table full (" + std::to_string(options_.maxExtraRanges) + "); offset " +
             std::to_string(offset) + " size " + std::to_string(size) + " answered from the last values");
    return false;
  }
  extras_.push_back(Range{offset, size, now, false});
  LogF("offset %u size %u is not in the read list: added to the refresh batch", offset, size);
  wake_.notify_all();
  return true;
}

void IpcSource::SetClientCount(int count) {
  clients_.store(count);
  wake_.notify_all();
}

bool IpcSource::Exchange(std::vector<Range>& extras, uint32_t* code) {
  auto snapshot = std::make_shared<Snapshot>();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (latest_) *snapshot = *latest_;  // bytes outside this batch keep their last good values
  }
  std::vector<std::pair<uint32_t, uint32_t>> queued;
  for (const auto& r : ReadListRanges()) {
    if (!client_->SimIpcRead(r.first, r.second, snapshot->bytes.data() + r.first, code)) return false;
    queued.push_back(r);
  }
  for (Range& r : extras) {
    if (r.refused) continue;
    uint32_t readCode = 0;
    if (client_->SimIpcRead(r.offset, r.size, snapshot->bytes.data() + r.offset, &readCode)) {
      queued.emplace_back(r.offset, r.size);
    } else {
      r.refused = true;
      LogF("offset %u size %u does not fit the exchange (code %u); answered from the last values", r.offset,
           r.size, readCode);
    }
  }
  if (!client_->SimIpcProcess(code)) return false;
  for (const auto& q : queued)
    for (uint32_t i = 0; i < q.second; ++i) snapshot->covered.set(q.first + i);
  std::lock_guard<std::mutex> lock(mutex_);
  latest_ = std::move(snapshot);
  return true;
}

void IpcSource::Run() {
  using Clock = std::chrono::steady_clock;
  bool open = false;
  bool reportedDown = false;
  Clock::time_point nextOpen = Clock::now();
  Clock::time_point nextRefresh = Clock::now();
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    Clock::time_point now = Clock::now();
    if (!open) {
      if (now < nextOpen) {
        wake_.wait_until(lock, nextOpen);
        continue;
      }
      lock.unlock();
      uint32_t code = 0;
      open = client_->SimIpcOpen(0, &code);
      lock.lock();
      if (open) {
        LogLine("simulator IPC link open");
        linkUp_.store(true);
        reportedDown = false;
        nextRefresh = Clock::now();
      } else {
        if (!reportedDown)
          LogF("simulator IPC link cannot be opened (code %u); retrying every %u ms, answering the last good values",
               code, options_.retryMs);
        reportedDown = true;
        nextOpen = Clock::now() + std::chrono::milliseconds(options_.retryMs);
      }
      continue;
    }
    if (clients_.load() == 0) {
      wake_.wait_for(lock, std::chrono::milliseconds(200));  // nobody asks: spare the simulator
      continue;
    }
    if (now < nextRefresh) {
      wake_.wait_until(lock, nextRefresh);
      continue;
    }
    nextRefresh = now + std::chrono::milliseconds(options_.refreshMs);
    // Extra ranges nobody asked for lately leave the batch.
    uint64_t nowMicros = platform::MonotonicMicros();
    uint64_t expiry = uint64_t(options_.extraExpiryMs) * 1000;
    extras_.erase(std::remove_if(extras_.begin(), extras_.end(),
                                 [&](const Range& r) { return nowMicros - r.lastAskedMicros > expiry; }),
                  extras_.end());
    std::vector<Range> extras = extras_;
    lock.unlock();
    uint32_t code = 0;
    bool ok = Exchange(extras, &code);
    if (!ok) {
      client_->SimIpcClose();
      LogF("simulator IPC exchange failed (code %u): link closed, reopening every %u ms, answering the last good values",
           code, options_.retryMs);
      reportedDown = true;
    }
    lock.lock();
    for (const Range& r : extras) {
      if (!r.refused) continue;
      for (Range& e : extras_)
        if (e.offset == r.offset && e.size == r.size) e.refused = true;
    }
    if (ok) {
      exchanges_.fetch_add(1);
      linkUp_.store(true);
    } else {
      open = false;
      linkUp_.store(false);
      nextOpen = Clock::now() + std::chrono::milliseconds(options_.retryMs);
    }
    if (refreshed_) {
      lock.unlock();
      refreshed_();
      lock.lock();
    }
  }
  lock.unlock();
  if (open) client_->SimIpcClose();
  linkUp_.store(false);
}

}  // namespace server
