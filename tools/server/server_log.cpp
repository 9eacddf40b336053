// Log lines of the data server: timestamped, serialised, optionally redirected, rate-limited.
#include "server/server_log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "platform/system.h"

namespace server {
namespace {

std::mutex& LogMutex() {
  static std::mutex m;
  return m;
}

std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

uint64_t StartMicros() {
  static const uint64_t start = platform::MonotonicMicros();
  return start;
}

}  // namespace

void LogLine(const std::string& line) {
  uint64_t start = StartMicros();
  uint64_t elapsed = platform::MonotonicMicros() - start;
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "[%7.3f] ", double(elapsed) / 1e6);
  std::lock_guard<std::mutex> lock(LogMutex());
  if (Sink()) {
    Sink()(stamp + line);
    return;
  }
  std::fprintf(stderr, "OrvaneGCServer %s%s\n", stamp, line.c_str());
  std::fflush(stderr);
}

void LogF(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  LogLine(text);
}

void SetLogSink(std::function<void(const std::string&)> sink) {
  std::lock_guard<std::mutex> lock(LogMutex());
  Sink() = std::move(sink);
}

}  // namespace server
