// What many tests need of their surroundings: the clock, a port with no server behind it, a scratch
// folder that is removed again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/net.h"

namespace orvane_test {

// The monotonic clock in milliseconds.
uint64_t NowMs();

// A loopback port that refuses connections: bound (not listening) by this object for as long as it
// lives, so no other program can start listening there meanwhile. Release() gives the port up, for
// a test that starts a server on it later.
class UnusedPort {
 public:
  UnusedPort();
  ~UnusedPort();
  UnusedPort(const UnusedPort&) = delete;
  UnusedPort& operator=(const UnusedPort&) = delete;
  uint16_t Port() const { return port_; }
  void Release();

 private:
  platform::SocketHandle socket_ = platform::kInvalidSocket;
  uint16_t port_ = 0;
};

// A port for a server program a test starts next: one that could be bound a moment ago, chosen
// at random below the range the system hands out for outgoing connections and bind(0), so no
// socket of this machine is given it meanwhile (a port freshly freed by bind(0) is the next one
// the system hands out).
uint16_t PortForServer();

// A new folder under the system's temporary folder, removed with everything in it at the end.
// With `enter`, it is also the current directory until then (data files are opened by bare names).
class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix, bool enter = false);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  // Writes `bytes` to the file `name` in the folder; false when it cannot.
  bool Write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
  bool entered_ = false;
};

}  // namespace orvane_test
