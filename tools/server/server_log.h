// The data server's log: one line per event on stderr (or a sink set by tests), with rate limiting.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

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

// Lets through at most `maxLines` lines per `windowMicros`; tells how many were held back.
class RateLimitedLog {
 public:
  RateLimitedLog(int maxLines, uint64_t windowMicros) : maxLines_(maxLines), windowMicros_(windowMicros) {}
  // Logs `line` unless the window's quota is used up.
  void Log(const std::string& line);

 private:
  int maxLines_;
  uint64_t windowMicros_;
  uint64_t windowStart_ = 0;
  int linesInWindow_ = 0;
  uint64_t suppressed_ = 0;
};

}  // namespace server
