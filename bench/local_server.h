// What the network benchmarks share: the in-process data server (frozen demo, ILS approach) and one frame's requests.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "model/read_list.h"
#include "server/area_sources.h"
#include "server/server_core.h"
#include "server/server_log.h"
#include "sources/net_requests.h"

struct LocalServer {
  LocalServer() : source(264.0, true) {
    server::SetLogSink([](const std::string&) {});  // connect/disconnect lines would swamp the output
    server::ServerOptions options;
    options.bindAddress = "127.0.0.1";
    options.port = 0;
    options.handleSignals = false;
    options.statsSeconds = 0;
    core = std::make_unique<server::Server>(options, source);
    std::string error;
    if (!core->Open(&error)) throw std::runtime_error(error);
    thread = std::thread([this] { core->Run(); });
  }
  ~LocalServer() {
    core->Stop();
    thread.join();
    server::SetLogSink(nullptr);
  }
  server::DemoSource source;
  std::unique_ptr<server::Server> core;
  std::thread thread;
};

// The frame's requests, each with its zero byte, in the order the frame sends them.
inline const std::vector<std::string>& FrameRequests() {
  static const std::vector<std::string> requests = [] {
    std::vector<std::string> r;
    for (const ReadListRow* row : NetworkRequestOrder())
      r.push_back(BuildRequestText(int32_t(row->offset), row->netSize, row->netType) + std::string(1, '\0'));
    return r;
  }();
  return requests;
}
