// Clock, unused port and scratch folder for the tests.
#include "support/test_env.h"

#include <fstream>
#include <random>
#include <system_error>

#include "platform/system.h"

namespace orvane_test {

uint64_t NowMs() { return platform::MonotonicMicros() / 1000; }

UnusedPort::UnusedPort() { socket_ = platform::NetBindLoopback(&port_); }

UnusedPort::~UnusedPort() { Release(); }

void UnusedPort::Release() {
  if (socket_ == platform::kInvalidSocket) return;
  platform::NetCloseHandle(socket_);
  socket_ = platform::kInvalidSocket;
}

uint16_t PortForServer() {
  std::random_device rd;
  for (int attempt = 0; attempt < 200; ++attempt) {
    uint16_t port = uint16_t(20000 + rd() % 12000);  // 20000..31999
    platform::SocketHandle s = platform::NetListenLoopback(&port);
    if (s == platform::kInvalidSocket) continue;
    platform::NetCloseHandle(s);
    return port;
  }
  return 0;
}

TempFolder::TempFolder(const std::string& prefix, bool enter) {
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() /
          (prefix + "-" + std::to_string(platform::CurrentProcessId()) + "-" + std::to_string(rd()));
  std::filesystem::create_directories(path_);
  if (enter) {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
    entered_ = true;
  }
}

TempFolder::~TempFolder() {
  std::error_code ec;
  if (entered_) std::filesystem::current_path(previous_, ec);
  std::filesystem::remove_all(path_, ec);
}

bool TempFolder::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(path_ / name, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
}

}  // namespace orvane_test
