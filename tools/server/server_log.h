// The data server's log: one line per event on stderr (or a sink set by tests), with rate limiting.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "sources/rate_limited_lines.h"

namespace server {

// Writes one line, prefixed with the time since start; safe from any thread.
void LogLine(const std::string& line);
// printf-style convenience over LogLine.
void LogF(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// Replaces where lines go (nullptr: back to stderr). For tests.
void SetLogSink(std::function<void(const std::string&)> sink);

// At most `maxLines` lines to the log per `windowMicros`, then a count of those held back.
class RateLimitedLog : public RateLimitedLines {
 public:
  RateLimitedLog(int maxLines, uint64_t windowMicros) : RateLimitedLines(maxLines, windowMicros, LogLine) {}
};

}  // namespace server
