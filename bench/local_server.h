// The server core with the frozen demo flight (ILS approach) on a loopback port, in the benchmark's process.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "server/area_sources.h"
#include "server/server_core.h"
#include "server/server_log.h"

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
