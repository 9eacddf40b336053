// At most so many log lines per window, then a count of those held back.
#include "sources/rate_limited_lines.h"

#include "platform/system.h"

void RateLimitedLines::Log(const std::string& line) {
  const uint64_t now = platform::MonotonicMicros();
  if (linesInWindow_ == 0 && windowStart_ == 0) windowStart_ = now;
  if (now - windowStart_ >= windowMicros_) {
    if (suppressed_ > 0 && sink_) sink_("(" + std::to_string(suppressed_) + " similar lines were held back)");
    windowStart_ = now;
    linesInWindow_ = 0;
    suppressed_ = 0;
  }
  if (linesInWindow_ < maxLines_) {
    ++linesInWindow_;
    if (sink_) sink_(line);
  } else {
    ++suppressed_;
  }
}
