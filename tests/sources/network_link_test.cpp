// Tests of network mode's source: start-up from the settings, a lost connection, RECONNECT (by name
// too), the requests' objects.
#include <gtest/gtest.h>

#include <string>

#include "platform/net.h"
#include "platform/system.h"
#include "sources/hx_tcp_ipc_udp.h"
#include "sources/net_requests.h"
#include "sources/network_source.h"
#include "support/script_server.h"
#include "support/test_env.h"

namespace {

using orvane_test::NowMs;
using orvane_test::UnusedPort;

NetworkSettings Net(uint16_t port, bool reconnect, const std::string& address = " localhost ") {
  NetworkSettings s;
  s.ServerAddress = address;
  s.ServerPort = std::to_string(port);
  s.Reconnect = reconnect;
  return s;
}

// Calls NetworkService until the link is up or timeoutMs passed.
bool ServiceUntilConnected(NetworkSource& net, uint32_t timeoutMs) {
  uint64_t deadline = NowMs() + timeoutMs;
  while (NowMs() < deadline) {
    net.NetworkService();
    if (net.NetworkConnected()) return true;
    platform::SleepMs(20);
  }
  return false;
}

std::string Z(const char* text) { return std::string(text) + '\0'; }

TEST(NetworkLink, StartsFromTheSettingsAndServesTheRequests) {
  ScriptServer server(ScriptServer::Answering([](const std::string&) { return Z("2.5"); }));
  NetworkSource net(Net(server.Port(), false));
  net.NetworkStartup();
  ASSERT_TRUE(net.NetworkConnected());
  EXPECT_FALSE(net.NetworkStartupFailedFatally());
  EXPECT_DOUBLE_EQ(net.RequestNumber(0x2F70, "8", "2"), 2.5);
  EXPECT_EQ(net.RequestText(0x3000, "6", "7"), "2.5");
  net.NetworkShutdown();
  EXPECT_EQ(net.ClientObject(), nullptr);
  EXPECT_EQ(net.DataExchangeObject(), nullptr);
  EXPECT_FALSE(net.NetworkConnected());
  EXPECT_EQ(net.RequestNumber(0x2F70, "8", "2"), 0);
}

TEST(NetworkLink, NoServerAtStartIsFatalOnlyWithoutReconnect) {
  UnusedPort port;
  NetworkSource once(Net(port.Port(), false));
  once.NetworkStartup();
  EXPECT_FALSE(once.NetworkConnected());
  EXPECT_TRUE(once.NetworkStartupFailedFatally());

  NetworkSource retrying(Net(port.Port(), true));
  retrying.NetworkStartup();
  EXPECT_FALSE(retrying.NetworkConnected());
  EXPECT_FALSE(retrying.NetworkStartupFailedFatally());
  // The server appears later: the link comes up by itself within the retry period.
  port.Release();
  ScriptServer server(ScriptServer::Answering([](const std::string&) { return Z("7"); }), 1, port.Port());
  ASSERT_TRUE(server.Listening());
  ASSERT_TRUE(ServiceUntilConnected(retrying, 4000));
  EXPECT_DOUBLE_EQ(retrying.RequestNumber(0x07BC, "4", "5"), 7);
  retrying.NetworkShutdown();
}

TEST(NetworkLink, ALostConnectionStaysLostWithoutReconnect) {
  ScriptServer server([](ScriptConnection& c) { c.Close(); }, 2);
  NetworkSource net(Net(server.Port(), false));
  net.NetworkStartup();
  ASSERT_TRUE(net.NetworkConnected());
  EXPECT_EQ(net.RequestNumber(1, "4", "5"), 0);  // the server hangs up instead of answering
  EXPECT_FALSE(net.NetworkConnected());
  EXPECT_FALSE(ServiceUntilConnected(net, 2500));
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
  NetworkSource net(Net(server.Port(), true));
  net.NetworkStartup();
  ASSERT_TRUE(net.NetworkConnected());
  EXPECT_EQ(net.RequestNumber(1, "4", "5"), 0);
  EXPECT_FALSE(net.NetworkConnected());
  ASSERT_TRUE(ServiceUntilConnected(net, 4000));
  EXPECT_DOUBLE_EQ(net.RequestNumber(1, "4", "5"), 42);
  EXPECT_EQ(server.Accepted(), 2);
  net.NetworkShutdown();
}

// A server that hangs up on every request: the display's loop keeps asking, and RECONNECT must
// keep to one attempt every 2 s, however fast the loop runs.
TEST(NetworkLink, ReconnectTriesOnceEveryTwoSecondsNotOnEveryPass) {
  ScriptServer server(
      [](ScriptConnection& c) {
        std::string r;
        if (c.ReadRequest(&r, 5000)) c.Close();
      },
      50);
  NetworkSource net(Net(server.Port(), true));
  net.NetworkStartup();
  ASSERT_TRUE(net.NetworkConnected());
  const uint64_t end = NowMs() + 3000;
  while (NowMs() < end) {
    net.NetworkService();
    net.RequestNumber(1, "4", "5");
    platform::SleepMs(5);
  }
  // The start-up connection and the attempt two seconds after the loss.
  EXPECT_GE(server.Accepted(), 2);
  EXPECT_LE(server.Accepted(), 3);
}

TEST(NetworkLink, BadSettingsEndStartUpWithTheirError) {
  for (const char* port : {"65536", "70000"}) {
    NetworkSettings s = Net(2100, false);
    s.ServerPort = port;
    NetworkSource net(s);
    try {
      net.NetworkStartup();
      FAIL() << "no error for port " << port;
    } catch (const OrvaneError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("Invalid port: ") + port);
    }
  }
  // The highest port is a port.
  NetworkSettings highest = Net(2100, false);
  highest.ServerPort = "65535";
  NetworkSource net(highest);
  EXPECT_NO_THROW(net.NetworkStartup());

  for (bool reconnect : {false, true}) {
    // A dotted address that is not one stays an error, RECONNECT or not.
    NetworkSource dotted(Net(2100, reconnect, "12345"));
    EXPECT_THROW(dotted.NetworkStartup(), OrvaneError) << "RECONNECT " << reconnect;
  }
  NetworkSource unknown(Net(2100, false, "no-such-host.invalid"));
  try {
    unknown.NetworkStartup();
    FAIL() << "no error";
  } catch (const OrvaneError& e) {
    EXPECT_STREQ(e.what(), "Invalid address: no-such-host.invalid");
  }
}

// With RECONNECT a server PC that is still off (its name does not resolve yet) is no reason to end:
// the link stays down and the name is looked up again at every attempt.
TEST(NetworkLink, ReconnectWaitsForANameThatDoesNotResolveYet) {
  NetworkSource net(Net(2100, true, "no-such-host.invalid"));
  ::testing::internal::CaptureStderr();
  ASSERT_NO_THROW(net.NetworkStartup());
  EXPECT_FALSE(net.NetworkConnected());
  EXPECT_FALSE(net.NetworkStartupFailedFatally());
  EXPECT_FALSE(ServiceUntilConnected(net, 2500));  // one more lookup, still nothing
  const std::string log = ::testing::internal::GetCapturedStderr();
  size_t lookups = 0;
  for (size_t at = log.find("Invalid address: no-such-host.invalid"); at != std::string::npos;
       at = log.find("Invalid address: no-such-host.invalid", at + 1))
    ++lookups;
  EXPECT_GE(lookups, 2u) << log;
}

}  // namespace
