// Network mode's source: the connection to the data server, one request per read-list row a frame.
#pragma once

#include <memory>
#include <string>

#include "model/read_list.h"
#include "sources/flight_data_source.h"
#include "sources/hx_data_exchange.h"
#include "sources/hx_tcp_ipc_udp.h"

// What network mode needs of the settings.
struct NetworkSettings {
  std::string ServerAddress;  // a name or a dotted address
  std::string ServerPort;     // a number or a service name
  bool Reconnect = false;     // keep the window open without a server and retry every 2 s
  bool Pipeline = false;      // send a frame's requests at once
};

// Fills `state` (zero-filled by the caller) with one request per network row of `plan`, one by one
// or, with `pipeline`, all sent at once. A variable whose reply was usable is marked valid. True when
// every request of the read list delivered a usable reply.
bool FetchNetworkState(THxTcpBlockClient* client, THxDataExchange* exchange, bool pipeline, InterfaceValues& state,
                       const ReadPlan& plan = ReadPlan::Classic());

class NetworkSource : public FlightDataSource {
 public:
  static constexpr uint64_t kRetryEveryMicros = 2000000;  // RECONNECT: one attempt every 2 s
  static constexpr uint32_t kConnectBoundMs = 1000;       // RECONNECT: each attempt waits at most 1 s

  static constexpr const char* kTitleWord = "[NETWORK]";
  static constexpr const char* kConnectionFailedText = "ERROR !!\r\n\r\nOrvane GC Server connection failed.";

  explicit NetworkSource(NetworkSettings settings, ReadPlan plan = ReadPlan::Classic());

  // The display's start-up: the client made and connected before the artwork loads. Without a
  // server the window still opens, then says so and ends; with RECONNECT it waits for one.
  SourceStart Open() override;
  bool OpensBeforeArtwork() const override { return true; }
  // Frees the client objects (when connected, as NetworkShutdown does).
  void Close() override { NetworkShutdown(); }
  // "[NETWORK]" before the start-up and while connected, "[NOT CONNECTED]" otherwise.
  std::string TitleWord() const override;

  // Creates the client objects, sets port then address from the settings and connects once.
  // Throws OrvaneError for a port or an address that cannot be used; with RECONNECT a server name
  // that does not resolve yet only leaves the link down (it is looked up again at every attempt).
  void NetworkStartup();
  // True while the client exists and is connected.
  bool NetworkConnected() const;
  // True when the start-up connect failed and RECONNECT is off: the display then shows the
  // connection dialog and ends.
  bool NetworkStartupFailedFatally() const { return startupFailedFatally_; }
  // With RECONNECT on, retries a lost connection every 2 s (each attempt bounded to 1 s).
  void NetworkService();
  // Frees the client objects when they exist and the client is connected.
  void NetworkShutdown();

  // DrawFrameNetwork's data part: the 29 requests of a frame and those the layout adds.
  // The plan's requests; the readings follow from the replies (the inclination as the interface
  // keeps it).
  bool Fetch(FlightFrame& frame) override;
  // The network frame's 1 ms pause after the speed plate.
  void PauseAfterPanel() override;
  void Service() override { NetworkService(); }
  bool LinkUp() const override { return NetworkConnected(); }

  // One request and its reply: 0 / "" when not delivered.
  double RequestNumber(int32_t offset, const std::string& size, const std::string& typeCode);
  std::string RequestText(int32_t offset, const std::string& size, const std::string& typeCode);

  THxTcpBlockClient* ClientObject() const { return client_.get(); }
  THxDataExchange* DataExchangeObject() const { return exchange_.get(); }
  const NetworkSettings& Settings() const { return settings_; }

 private:
  bool TryConnect(uint32_t boundMs);
  bool SetAddressOrNote(const std::string& address);

  NetworkSettings settings_;
  ReadPlan plan_;
  std::unique_ptr<THxTcpBlockClient> client_;
  std::unique_ptr<THxDataExchange> exchange_;
  bool startupFailedFatally_ = false;
  std::string resolvedPort_;    // the port as set at start-up
  bool reportedUp_ = true;      // what the log last said of the link
  uint64_t lastAttemptMicros_ = 0;
};
