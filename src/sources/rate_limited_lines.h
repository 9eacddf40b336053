// Log lines that may come in floods (refused packets, failed sends): at most so many per time window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Where log lines go (any thread; empty: nowhere).
using LogSink = std::function<void(const std::string&)>;

// Lets through at most `maxLines` lines per `windowMicros`; tells how many were held back.
class RateLimitedLines {
 public:
  RateLimitedLines(int maxLines, uint64_t windowMicros, LogSink sink)
      : maxLines_(maxLines), windowMicros_(windowMicros), sink_(std::move(sink)) {}
  // Logs `line` unless the window's quota is used up.
  void Log(const std::string& line);

 private:
  int maxLines_;
  uint64_t windowMicros_;
  LogSink sink_;
  uint64_t windowStart_ = 0;
  int linesInWindow_ = 0;
  uint64_t suppressed_ = 0;
};
