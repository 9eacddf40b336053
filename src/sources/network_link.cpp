// Network mode's link to the data server: creates, connects, services and frees the client objects.
#include "sources/network_link.h"

#include "platform/system.h"
#include "platform/window.h"
#include "shell/app_globals.h"
#include "shell/gl_window.h"
#include "shell/settings.h"
#include "sources/hx_data_exchange.h"
#include "sources/hx_tcp_ipc_udp.h"

THxTcpBlockClient* ClientObject = nullptr;
THxDataExchange* DataExchangeObject = nullptr;

namespace {

constexpr uint64_t kRetryEveryMicros = 2000000;  // RECONNECT: one attempt every 2 s
constexpr uint32_t kConnectBoundMs = 1000;       // RECONNECT: each attempt waits at most 1 s

bool StartupFailedFatally = false;
// The port and address as resolved at start-up, so a reconnect needs no name lookup.
std::string ResolvedPort;
std::string ResolvedAddress;
// Whether the title currently says the link is up; set whenever the title is written.
bool TitleShowsConnected = true;
uint64_t LastAttemptMicros = 0;

void ShowLinkInTitle(bool connected) {
  if (connected == TitleShowsConnected) return;
  platform::SetGlWindowTitle(connected ? TitleNetwork : TitleNotConnected);
  TitleShowsConnected = connected;
}

// One reconnect attempt, bounded in time. The markers are written back by every Close, so the
// port and the address are set again first.
bool TryReconnect() {
  if (ResolvedPort.empty() || ResolvedAddress.empty()) return false;
  ClientObject->SetPort(ResolvedPort);
  ClientObject->SetAddress(ResolvedAddress);
  if (!ClientObject->ConnectWithin(kConnectBoundMs)) return false;
  DataExchangeObject->Reset();
  platform::DebugLog("Network: connected again to " + ResolvedAddress + ":" + ResolvedPort + ".");
  return true;
}

}  // namespace

void NetworkStartup() {
  // A second start-up replaces the objects of the first.
  delete DataExchangeObject;
  delete ClientObject;
  DataExchangeObject = nullptr;
  ClientObject = nullptr;
  StartupFailedFatally = false;
  DataExchangeObject = new THxDataExchange();
  ClientObject = new THxTcpBlockClient();
  ClientObject->SetPort(ServerPort);
  ClientObject->SetAddress(ServerAddress);
  // Kept before connecting: a failed connect writes the markers back.
  ResolvedPort = ClientObject->GetPort();
  ResolvedAddress = ClientObject->GetAddress();
  if (ResolvedPort == "<unset>") ResolvedPort.clear();
  if (ResolvedAddress == "<unknown>") ResolvedAddress.clear();
  if (Reconnect) {
    ClientObject->ConnectWithin(kConnectBoundMs);
    LastAttemptMicros = platform::MonotonicMicros();
  } else {
    ClientObject->Connect();
  }
  const bool connected = ClientObject->Connected();
  StartupFailedFatally = !connected && !Reconnect;
  TitleShowsConnected = true;  // CreateGlWindow opened the window with the network title
  if (!connected) ShowLinkInTitle(false);
}

bool NetworkConnected() { return ClientObject != nullptr && ClientObject->Connected(); }

bool NetworkStartupFailedFatally() { return StartupFailedFatally; }

void NetworkService() {
  if (ClientObject == nullptr || DataExchangeObject == nullptr) return;
  if (ClientObject->Connected()) {
    ShowLinkInTitle(true);
    return;
  }
  if (TitleShowsConnected) platform::DebugLog("Network: the connection to the data server is lost.");
  ShowLinkInTitle(false);
  if (!Reconnect) return;
  const uint64_t now = platform::MonotonicMicros();
  if (now - LastAttemptMicros < kRetryEveryMicros) return;
  LastAttemptMicros = now;
  if (TryReconnect()) ShowLinkInTitle(true);
  // A failed attempt counts from its end, so a slow refusal still leaves the window its 2 s.
  LastAttemptMicros = platform::MonotonicMicros();
}

void NetworkShutdown() {
  if (ClientObject == nullptr || !ClientObject->Connected()) return;
  delete DataExchangeObject;
  DataExchangeObject = nullptr;
  delete ClientObject;
  ClientObject = nullptr;
}
