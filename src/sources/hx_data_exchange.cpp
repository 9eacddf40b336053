// Reply assembly for network mode: joins received pieces into zero-terminated replies, keeps the rest.
#include "sources/hx_data_exchange.h"

#include <cstring>

#include "platform/system.h"

THxDataExchange::THxDataExchange() : THxDataExchange(platform::LocaleDecimalSeparator()) {}

THxDataExchange::THxDataExchange(char decimalSeparator) : decimalSeparator_(decimalSeparator) {
  pending_.reserve(512);
}

bool THxDataExchange::Append(const uint8_t* bytes, size_t count) {
  if (count == 0) return !Overflowed();
  // Drop what was handed out before growing, so the buffer holds only live bytes.
  if (start_ > 0) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
  pending_.insert(pending_.end(), bytes, bytes + count);
  return !Overflowed();
}

bool THxDataExchange::TakeReply(std::string* reply) {
  const uint8_t* base = pending_.data() + start_;
  size_t live = pending_.size() - start_;
  const void* zero = scanned_ < live ? std::memchr(base + scanned_, 0, live - scanned_) : nullptr;
  if (zero == nullptr) {
    scanned_ = live;
    return false;
  }
  size_t length = static_cast<size_t>(static_cast<const uint8_t*>(zero) - base);
  if (length > kMaxReplyBytes) return false;  // Overflowed() says so; the caller drops the link
  reply->assign(reinterpret_cast<const char*>(base), length);
  start_ += length + 1;
  scanned_ = 0;
  if (start_ == pending_.size()) {
    pending_.clear();
    start_ = 0;
  }
  return true;
}

bool THxDataExchange::Overflowed() const {
  // The first reply held must end within kMaxReplyBytes; later ones are checked when they come up.
  const uint8_t* base = pending_.data() + start_;
  size_t live = pending_.size() - start_;
  if (live > kMaxPendingBytes) return true;
  size_t window = live < kMaxReplyBytes + 1 ? live : kMaxReplyBytes + 1;
  return live > kMaxReplyBytes && std::memchr(base, 0, window) == nullptr;
}

void THxDataExchange::Reset() {
  pending_.clear();
  start_ = 0;
  scanned_ = 0;
}
