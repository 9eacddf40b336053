// Tests of network mode's link: start-up from the settings, a lost connection, RECONNECT, the requests' objects.
#include <gtest/gtest.h>

#include <string>

#include "platform/net.h"
#include "platform/system.h"
#include "shell/app_globals.h"
#include "shell/settings.h"
#include "sources/hx_tcp_ipc_udp.h"
#include "sources/net_requests.h"
#include "sources/network_link.h"
#include "support/script_server.h"

namespace {

uint64_t NowMs() { return platform::MonotonicMicros() / 1000; }

// A loopback port nothing listens on right now.
uint16_t FreePort() {
  uint16_t port = 0;
  platform::SocketHandle s = platform::NetListenLoopback(&port);
  platform::NetCloseHandle(s);
  return port;
}

void UseSettings(uint16_t port, bool reconnect) {
  UseNetwork = true;
  ServerAddress = " localhost ";
  ServerPort = std::to_string(port);
  Reconnect = reconnect;
  Pipeline = false;
}

// Calls NetworkService until the link is up or timeoutMs passed.
bool ServiceUntilConnected(uint32_t timeoutMs) {
  uint64_t deadline = NowMs() + timeoutMs;
  while (NowMs() < deadline) {
    NetworkService();
    if (NetworkConnected()) return true;
    platform::SleepMs(20);
  }
  return false;
}

std::string Z(const char* text) { return std::string(text) + '\0'; }

TEST(NetworkLink, StartsFromTheSettingsAndServesTheRequests) {
  ScriptServer server(ScriptServer::Answering([](const std::string&) { return Z("2.5"); }));
  UseSettings(server.Port(), false);
  NetworkStartup();
  ASSERT_TRUE(NetworkConnected());
  EXPECT_FALSE(NetworkStartupFailedFatally());
  EXPECT_DOUBLE_EQ(RequestNumber(0x2F70, "8", "2"), 2.5);
  EXPECT_EQ(RequestText(0x3000, "6", "7"), "2.5");
  NetworkShutdown();
  EXPECT_EQ(ClientObject, nullptr);
  EXPECT_EQ(DataExchangeObject, nullptr);
  EXPECT_FALSE(NetworkConnected());
  EXPECT_EQ(RequestNumber(0x2F70, "8", "2"), 0);
}

TEST(NetworkLink, NoServerAtStartIsFatalOnlyWithoutReconnect) {
  const uint16_t port = FreePort();
  UseSettings(port, false);
  NetworkStartup();
  EXPECT_FALSE(NetworkConnected());
  EXPECT_TRUE(NetworkStartupFailedFatally());

  UseSettings(port, true);
  NetworkStartup();
  EXPECT_FALSE(NetworkConnected());
  EXPECT_FALSE(NetworkStartupFailedFatally());
  // The server appears later: the link comes up by itself within the retry period.
  ScriptServer server(ScriptServer::Answering([](const std::string&) { return Z("7"); }), 1, port);
  ASSERT_TRUE(server.Listening());
  ASSERT_TRUE(ServiceUntilConnected(4000));
  EXPECT_DOUBLE_EQ(RequestNumber(0x07BC, "4", "5"), 7);
  NetworkShutdown();
}

TEST(NetworkLink, ALostConnectionStaysLostWithoutReconnect) {
  ScriptServer server([](ScriptConnection& c) { c.Close(); }, 2);
  UseSettings(server.Port(), false);
  NetworkStartup();
  ASSERT_TRUE(NetworkConnected());
  EXPECT_EQ(RequestNumber(1, "4", "5"), 0);  // the server hangs up instead of answering
  EXPECT_FALSE(NetworkConnected());
  EXPECT_FALSE(ServiceUntilConnected(2500));
  EXPECT_EQ(server.Accepted(), 1);
}

TEST(NetworkLink, ReconnectComesBackAfterALoss) {
  int connection = 0;
  ScriptServer server(
      [&connection](ScriptConnection& c) {
        ++connection;
        std::string r;
        if (connection == 1) {
          if (c.ReadRequest(&r)) c.Close();  // first connection: dropped mid-request
          return;
        }
        while (c.ReadRequest(&r, 5000)) c.Send(Z("42"));
      },
      2);
  UseSettings(server.Port(), true);
  NetworkStartup();
  ASSERT_TRUE(NetworkConnected());
  EXPECT_EQ(RequestNumber(1, "4", "5"), 0);
  EXPECT_FALSE(NetworkConnected());
  ASSERT_TRUE(ServiceUntilConnected(4000));
  EXPECT_DOUBLE_EQ(RequestNumber(1, "4", "5"), 42);
  EXPECT_EQ(server.Accepted(), 2);
  NetworkShutdown();
}

TEST(NetworkLink, BadSettingsEndStartUpWithTheirError) {
  UseSettings(2100, false);
  ServerPort = "70000";
  try {
    NetworkStartup();
    FAIL() << "no error";
  } catch (const OrvaneError& e) {
    EXPECT_STREQ(e.what(), "Invalid port: 70000");
  }
  UseSettings(2100, false);
  ServerAddress = "no-such-host.invalid";
  try {
    NetworkStartup();
    FAIL() << "no error";
  } catch (const OrvaneError& e) {
    EXPECT_STREQ(e.what(), "Invalid address: no-such-host.invalid");
  }
}

}  // namespace
