// OrvaneGCServer: the network data server that answers network mode's requests from the demo flight, a values file or the simulator.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "simdata/flight_state_file.h"
#include "server/area_sources.h"
#include "server/feed_source.h"
#include "sources/flightgear_udp_feed.h"
#include "server/ipc_source.h"
#include "server/server_core.h"
#include "server/server_log.h"
#include "server/server_options.h"
#include "server/web_server.h"
#include "sources/xplane_udp_feed.h"
#include "simdata/sim_data_area.h"

#ifndef ORVANE_VERSION
#define ORVANE_VERSION "unknown"
#endif
#ifndef ORVANE_SERVER_REUSE_ADDRESS
#define ORVANE_SERVER_REUSE_ADDRESS 1
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  server::CommandLine cl;
  std::string error;
  if (!server::ParseCommandLine(args, &cl, &error)) {
    std::fprintf(stderr, "OrvaneGCServer: %s\n", error.c_str());
    return 2;
  }
  if (cl.help) {
    std::fputs(server::UsageText().c_str(), stdout);
    return 0;
  }
  if (cl.version) {
    std::printf("OrvaneGCServer %s\n", ORVANE_VERSION);
    return 0;
  }
  // Where the listening port may be taken over from lingering old connections (not where that
  // would let a second server share the port).
  cl.server.reuseAddress = ORVANE_SERVER_REUSE_ADDRESS != 0;

  std::unique_ptr<UdpFeed> feed;  // the xplane and flightgear sources' feed, outliving the source
  std::unique_ptr<server::DataSource> source;
  switch (cl.source) {
    case server::SourceKind::Demo:
      source = std::make_unique<server::DemoSource>(cl.demoTime, cl.freeze);
      break;
    case server::SourceKind::Values: {
      InterfaceValues state{};
      if (!ReadFlightStateFile(cl.valuesFile, state, error)) {
        std::fprintf(stderr, "OrvaneGCServer: %s\n", error.c_str());
        return 2;
      }
      SimDataArea area;
      area.StoreInterfaceValues(state);
      source = std::make_unique<server::FixedSource>(area, "values of " + cl.valuesFile);
      break;
    }
    case server::SourceKind::Ipc: {
      server::IpcSource::Options options;
      options.refreshMs = cl.refreshMs;
      source = std::make_unique<server::IpcSource>(options);
      break;
    }
    case server::SourceKind::XPlane: {
      XPlaneFeed::Options options;
      options.host = cl.xplaneHost;
      options.port = cl.xplanePort;
      options.rateHz = cl.rateHz;
      options.log = server::LogLine;
      auto xplane = std::make_unique<XPlaneFeed>(options);
      FeedOpenFailure failure = FeedOpenFailure::None;
      if (!xplane->Open(&error, &failure)) {
        std::fprintf(stderr, "OrvaneGCServer: %s%s\n", failure == FeedOpenFailure::Address ? "--xplane-host: " : "",
                     error.c_str());
        return 1;
      }
      feed = std::move(xplane);
      source = std::make_unique<server::FeedSource>(*feed);
      break;
    }
    case server::SourceKind::FlightGear: {
      FlightGearFeed::Options options;
      options.port = cl.fgPort;
      options.log = server::LogLine;
      auto flightgear = std::make_unique<FlightGearFeed>(options);
      if (!flightgear->Open(&error)) {
        std::fprintf(stderr, "OrvaneGCServer: --fg-port: %s\n", error.c_str());
        return 1;
      }
      feed = std::move(flightgear);
      source = std::make_unique<server::FeedSource>(*feed);
      break;
    }
  }

  if (cl.server.webPort >= 0 && !cl.webRootGiven) cl.server.webRoot = server::DefaultWebRoot(argv[0]);
  server::Server srv(cl.server, *source);
  if (!srv.Open(&error)) {
    std::fprintf(stderr, "OrvaneGCServer: %s\n", error.c_str());
    return 1;
  }
  srv.Run();
  return 0;
}
