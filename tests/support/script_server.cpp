// A scripted TCP peer for tests: listens on 127.0.0.1 and plays a script against each connection.
#include "support/script_server.h"

#include "platform/system.h"

namespace {

constexpr uint32_t kSliceMs = 20;  // how often waits look at the stop flag

uint64_t NowMs() { return platform::MonotonicMicros() / 1000; }

}  // namespace

bool ScriptConnection::Stopping() const { return server_->stop_.load(); }

bool ScriptConnection::Fill(uint32_t timeoutMs, bool* closed) {
  *closed = false;
  uint64_t deadline = NowMs() + timeoutMs;
  while (!Stopping()) {
    uint64_t now = NowMs();
    if (now >= deadline) return false;
    uint64_t slice = deadline - now < kSliceMs ? deadline - now : kSliceMs;
    int r = platform::NetWaitReadable(socket_, int64_t(slice) * 1000);
    if (r < 0) {
      *closed = true;
      return false;
    }
    if (r == 0) continue;
    char buffer[4096];
    int n = platform::NetRecv(socket_, buffer, sizeof buffer);
    if (n <= 0) {
      *closed = true;
      return false;
    }
    server_->Record(buffer, size_t(n));
    pending_.append(buffer, size_t(n));
    return true;
  }
  return false;
}

bool ScriptConnection::ReadRequest(std::string* request, uint32_t timeoutMs) {
  uint64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    size_t zero = pending_.find('\0');
    if (zero != std::string::npos) {
      *request = pending_.substr(0, zero);
      pending_.erase(0, zero + 1);
      return true;
    }
    uint64_t now = NowMs();
    if (now >= deadline) return false;
    bool closed = false;
    if (!Fill(uint32_t(deadline - now), &closed) && (closed || Stopping())) return false;
  }
}

bool ScriptConnection::Send(const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    if (platform::NetWaitWritable(socket_, 1000000) <= 0) return false;
    int n = platform::NetSend(socket_, bytes.data() + sent, int(bytes.size() - sent));
    if (n < 0 && platform::NetLastError() == 10035) continue;
    if (n <= 0) return false;
    sent += size_t(n);
  }
  return true;
}

void ScriptConnection::Pause(uint32_t ms) {
  uint64_t deadline = NowMs() + ms;
  while (!Stopping() && NowMs() < deadline) platform::SleepMs(5);
}

bool ScriptConnection::WaitPeerClosed(uint32_t timeoutMs) {
  uint64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    uint64_t now = NowMs();
    if (now >= deadline || Stopping()) return false;
    bool closed = false;
    Fill(uint32_t(deadline - now), &closed);
    if (closed) return true;
  }
}

void ScriptConnection::Close() {
  if (socket_ == platform::kInvalidSocket) return;
  platform::NetShutdownBoth(socket_);
  platform::NetCloseHandle(socket_);
  socket_ = platform::kInvalidSocket;
}

ScriptServer::ScriptServer(Script script, int connections, uint16_t port)
    : script_(std::move(script)), connections_(connections), port_(port) {
  platform::NetStartup();
  listener_ = platform::NetListenLoopback(&port_);
  if (listener_ != platform::kInvalidSocket) thread_ = std::thread([this] { Run(); });
}

ScriptServer::~ScriptServer() { Stop(); }

ScriptServer::Script ScriptServer::Answering(std::function<std::string(const std::string&)> answer) {
  return [answer](ScriptConnection& c) {
    std::string request;
    while (c.ReadRequest(&request, 10000)) {
      if (!c.Send(answer(request))) return;
    }
  };
}

void ScriptServer::Record(const char* bytes, size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  received_.append(bytes, count);
}

std::string ScriptServer::Received() {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

void ScriptServer::Run() {
  for (int i = 0; i < connections_ && !stop_.load();) {
    platform::SocketHandle s = platform::NetAcceptWithin(listener_, kSliceMs * 5);
    if (s == platform::kInvalidSocket) continue;
    ++i;
    accepted_.fetch_add(1);
    ScriptConnection connection(this, s);
    script_(connection);
    connection.Close();
  }
  done_.store(true);
}

bool ScriptServer::WaitScriptsDone(uint32_t timeoutMs) {
  uint64_t deadline = NowMs() + timeoutMs;
  while (!done_.load()) {
    if (NowMs() >= deadline) return false;
    platform::SleepMs(5);
  }
  return true;
}

void ScriptServer::Stop() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
  if (listener_ != platform::kInvalidSocket) {
    platform::NetCloseHandle(listener_);
    listener_ = platform::kInvalidSocket;
  }
}
