// Tests of the block socket layer: error texts, address and port set-up, connect, send, receive, lifetimes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/net.h"
#include "platform/system.h"
#include "sources/hx_tcp_ipc_udp.h"
#include "support/script_server.h"
#include "support/test_env.h"

namespace {

using orvane_test::NowMs;

// The text of the error `fn` raises, or "" when it raises none.
template <typename Fn>
std::string ErrorOf(Fn fn) {
  try {
    fn();
  } catch (const OrvaneError& e) {
    return e.what();
  }
  return "";
}

// A port on 127.0.0.1 that nothing listens on (bound once, then released).
std::string ClosedPort() {
  uint16_t port = 0;
  platform::SocketHandle s = platform::NetListenLoopback(&port);
  platform::NetCloseHandle(s);
  return std::to_string(port);
}

// A client connected to `server`.
void ConnectTo(THxTcpBlockClient& client, const ScriptServer& server) {
  client.SetPort(server.PortText());
  client.SetAddress("127.0.0.1");
  ASSERT_TRUE(client.Connect());
}

TEST(HxErrorText, KnownCodesHaveTheirTextsAndOthersTheDefault) {
  THxRef<THxBlockSocket> socket(new THxBlockSocket());
  const std::vector<std::pair<int, std::string>> rows = {
      {0, "No Error"},
      {10004, "Interrupted system call"},
      {10035, "Operation would block"},
      {10054, "Connection reset by peer"},
      {10058, "Can't send after socket shutdown"},
      {10059, "Too many references: can't splice"},
      {10060, "Connection timed out"},
      {10061, "Connection refused"},
      {10071, "Too many levels of remote in path"},
      {10091, "Network sub-system is unusable"},
      {10093, "WinSock not initialized"},
      {11001, "Host not found"},
      {11003, "Non-recoverable error"},
      {11004, ""},
      {12345, "Not a WinSock error"},
      {10001, "Not a WinSock error"},
      {10072, "Not a WinSock error"},
      {-1, "Not a WinSock error"},
  };
  for (const auto& row : rows) {
    platform::NetSetLastError(row.first);
    EXPECT_EQ(socket->GetLastErrorText(), row.second) << row.first;
  }
}

TEST(HxErrorText, TheTableHasFiftyOneRows) {
  int rows = 0;
  for (int code = 0; code < 12000; ++code)
    if (WinSockErrorText(code) != "Not a WinSock error") ++rows;
  EXPECT_EQ(rows, 51);
}

TEST(HxSocketSetup, NewSocketAndClientShowTheMarkers) {
  THxRef<THxBlockSocket> socket(new THxBlockSocket());
  EXPECT_EQ(socket->GetAddress(), "<unknown>");
  EXPECT_EQ(socket->GetPort(), "<unset>");
  EXPECT_FALSE(socket->IsActive());
  EXPECT_EQ(socket->GetSocketHandle(), platform::kInvalidSocket);
  THxTcpBlockClient client;
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(client.GetAddress(), "<unknown>");
  EXPECT_EQ(client.GetPort(), "<unset>");
}

TEST(HxSocketSetup, SetAddressTrimsResolvesAndRefuses) {
  THxRef<THxBlockSocket> socket(new THxBlockSocket());
  socket->SetAddress("");
  socket->SetAddress("   \t ");
  EXPECT_EQ(socket->GetAddress(), "<unknown>");
  EXPECT_EQ(socket->SocketAddress().family, 0);

  socket->SetAddress("  10.0.0.5 \t");
  EXPECT_EQ(socket->GetAddress(), "10.0.0.5");
  EXPECT_EQ(socket->SocketAddress().address, platform::NetHostToNet32(0x0A000005u));
  EXPECT_EQ(socket->SocketAddress().family, 2);

  socket->SetAddress("localhost");
  EXPECT_EQ(socket->GetAddress(), "127.0.0.1");
  EXPECT_EQ(socket->SocketAddress().address, platform::NetHostToNet32(0x7F000001u));

  EXPECT_EQ(ErrorOf([&] { socket->SetAddress("  no-such-host.invalid "); }),
            "Invalid address: no-such-host.invalid");
  // One plain number is an address to the resolver, but not to this program.
  EXPECT_EQ(ErrorOf([&] { socket->SetAddress("167772165"); }), "Invalid address: 167772165");
  EXPECT_EQ(socket->GetAddress(), "127.0.0.1");
}

TEST(HxSocketSetup, SetPortTakesDigitsAndServiceNamesAndRefusesTheRest) {
  THxRef<THxBlockSocket> socket(new THxBlockSocket());
  socket->SetPort("   ");
  EXPECT_EQ(socket->GetPort(), "<unset>");

  socket->SetPort("2100");
  EXPECT_EQ(socket->GetPort(), "2100");
  EXPECT_EQ(platform::NetNetToHost16(socket->SocketAddress().port), 2100);

  socket->SetPort(" 02100 ");
  EXPECT_EQ(socket->GetPort(), "02100");
  EXPECT_EQ(platform::NetNetToHost16(socket->SocketAddress().port), 2100);

  socket->SetPort("65535");
  EXPECT_EQ(platform::NetNetToHost16(socket->SocketAddress().port), 65535);

  // Above 16 bits is refused, not cut to the low bits (70000 would otherwise be port 4464).
  EXPECT_EQ(ErrorOf([&] { socket->SetPort("70000"); }), "Invalid port: 70000");
  EXPECT_EQ(ErrorOf([&] { socket->SetPort("99999999999999999999"); }), "Invalid port: 99999999999999999999");
  EXPECT_EQ(ErrorOf([&] { socket->SetPort(" no-such-service-orvane "); }), "Invalid port: no-such-service-orvane");
  EXPECT_EQ(ErrorOf([&] { socket->SetPort("21 00"); }), "Invalid port: 21 00");
  EXPECT_EQ(socket->GetPort(), "65535");

  uint16_t httpPort = 0;
  if (platform::NetServicePort("http", &httpPort)) {
    socket->SetPort("http");
    EXPECT_EQ(socket->GetPort(), std::to_string(platform::NetNetToHost16(httpPort)));
    EXPECT_EQ(socket->SocketAddress().port, httpPort);
  }
}

TEST(HxClientConnect, RefusesWithoutAddressOrPort) {
  THxTcpBlockClient client;
  EXPECT_EQ(ErrorOf([&] { client.Connect(); }), "Server-address not set.");
  client.SetAddress("127.0.0.1");
  EXPECT_EQ(ErrorOf([&] { client.Connect(); }), "Server-port not set");
  EXPECT_FALSE(client.Connected());
}

TEST(HxClientConnect, RefusedConnectionWritesTheMarkersBack) {
  THxTcpBlockClient client;
  client.SetPort(ClosedPort());
  client.SetAddress("127.0.0.1");
  EXPECT_FALSE(client.Connect());
  EXPECT_EQ(client.Socket->GetLastErrorText(), "Connection refused");
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(client.GetAddress(), "<unknown>");
  EXPECT_EQ(client.GetPort(), "<unset>");
  EXPECT_EQ(ErrorOf([&] { client.Connect(); }), "Server-address not set.");
}

TEST(HxClientConnect, BoundedConnectEndsWithinItsBound) {
  THxTcpBlockClient client;
  client.SetPort(ClosedPort());
  client.SetAddress("127.0.0.1");
  EXPECT_FALSE(client.ConnectWithin(1000));
  EXPECT_FALSE(client.Connected());

  ScriptServer server([](ScriptConnection& c) { c.WaitPeerClosed(5000); });
  ASSERT_TRUE(server.Listening());
  client.SetPort(server.PortText());
  client.SetAddress("127.0.0.1");
  EXPECT_TRUE(client.ConnectWithin(1000));
  EXPECT_TRUE(client.Connected());
}

TEST(HxClientConnect, SecondConnectKeepsTheFirstConnection) {
  ScriptServer server([](ScriptConnection& c) { c.WaitPeerClosed(5000); }, 2);
  ASSERT_TRUE(server.Listening());
  THxTcpBlockClient client;
  ConnectTo(client, server);
  platform::SocketHandle first = client.Socket->GetSocketHandle();
  EXPECT_TRUE(client.Connect());
  EXPECT_EQ(client.Socket->GetSocketHandle(), first);
  // The peer queries name the server while connected.
  EXPECT_EQ(client.GetAddress(), "127.0.0.1");
  EXPECT_EQ(client.GetPort(), server.PortText());
  platform::SleepMs(100);
  EXPECT_EQ(server.Accepted(), 1);
}

TEST(HxSendReceive, SendTextAddsOneZeroByte) {
  ScriptServer server([](ScriptConnection& c) { c.WaitPeerClosed(5000); });
  THxTcpBlockClient client;
  ConnectTo(client, server);
  EXPECT_TRUE(client.SendText("abc"));
  client.Disconnect();
  ASSERT_TRUE(server.WaitScriptsDone(5000));
  EXPECT_EQ(server.Received(), std::string("abc\0", 4));
}

TEST(HxSendReceive, LargeSendGoesOutWhole) {
  // More than the socket buffers hold: the send has to wait for the peer and go on.
  const std::string big(4 * 1024 * 1024, 'x');
  ScriptServer server([](ScriptConnection& c) {
    c.Pause(200);
    c.WaitPeerClosed(10000);
  });
  THxTcpBlockClient client;
  ConnectTo(client, server);
  EXPECT_TRUE(client.SendBuffer(big.data(), int32_t(big.size())));
  EXPECT_TRUE(client.Connected());
  client.Disconnect();
  ASSERT_TRUE(server.WaitScriptsDone(10000));
  EXPECT_EQ(server.Received().size(), big.size());
}

TEST(HxSendReceive, SendToAPeerThatNeverReadsEndsWithinItsBound) {
  const std::string big(16 * 1024 * 1024, 'x');
  ScriptServer server([](ScriptConnection& c) { c.Pause(10000); });
  THxTcpBlockClient client;
  ConnectTo(client, server);
  uint64_t start = NowMs();
  EXPECT_FALSE(client.SocketObject->SendBufferWithin(big.data(), int32_t(big.size()), 300));
  EXPECT_LT(NowMs() - start, 3000u);
  // Part of it went out: the stream is broken, so the connection is dropped.
  EXPECT_FALSE(client.Connected());
  server.Stop();
}

TEST(HxSendReceive, OneReceiveReturnsEveryByteWaiting) {
  ScriptServer server([](ScriptConnection& c) {
    c.Send(std::string("12\0", 3));
    c.Send(std::string("34\0", 3));
    c.WaitPeerClosed(5000);
  });
  THxTcpBlockClient client;
  ConnectTo(client, server);
  std::string got;
  uint64_t deadline = NowMs() + 3000;
  while (got.size() < 6 && NowMs() < deadline) {
    uint8_t* p = nullptr;
    int32_t n = 0;
    if (client.ReceiveData(p, n, 1)) got.append(reinterpret_cast<const char*>(p), size_t(n));
  }
  EXPECT_EQ(got, std::string("12\0" "34\0", 6));
}

TEST(HxSendReceive, PeerCloseDisconnectsAndNotifiesOnce) {
  ScriptServer server([](ScriptConnection& c) { c.Close(); });
  THxTcpBlockClient client;
  int clientCalls = 0;
  THxBlockSocket* sender = nullptr;
  client.OnDisconnect = [&](THxBlockSocket* s) {
    ++clientCalls;
    sender = s;
  };
  ConnectTo(client, server);
  uint8_t byte = 0;
  uint8_t* p = &byte;
  int32_t n = 7;
  EXPECT_FALSE(client.ReceiveData(p, n, 3));
  EXPECT_EQ(p, nullptr);
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(clientCalls, 1);
  EXPECT_EQ(sender, client.SocketObject);
  EXPECT_EQ(client.GetAddress(), "<unknown>");
  EXPECT_EQ(client.GetPort(), "<unset>");
  // Further receives and disconnects do not notify again.
  EXPECT_FALSE(client.ReceiveData(p, n, 1));
  client.Disconnect();
  EXPECT_EQ(clientCalls, 1);
}

TEST(HxSendReceive, WithoutAConnection) {
  THxTcpBlockClient client;
  uint8_t byte = 0;
  uint8_t* p = &byte;
  int32_t n = 5;
  uint64_t start = NowMs();
  EXPECT_FALSE(client.ReceiveData(p, n, 5));
  EXPECT_LT(NowMs() - start, 1000u);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(ErrorOf([&] { client.SendText("x"); }), "No connection established");
  EXPECT_EQ(ErrorOf([&] { client.Socket->ReceiveBuffer(n); }), "No connection established");
}

TEST(HxSocketLifetime, ReferencesKeepTheSocketAndTheLastReleaseFreesIt) {
  const int before = THxBlockSocket::LiveCount();
  {
    THxRef<THxBlockSocket> a(new THxBlockSocket());
    EXPECT_EQ(THxBlockSocket::LiveCount(), before + 1);
    THxRef<THxBlockSocket> b = a;
    void* asInterface = nullptr;
    ASSERT_TRUE(a->QueryInterface(HxInterfaceId::SocketInterface, &asInterface));
    EXPECT_EQ(asInterface, static_cast<THxSocketInterface*>(a.Get()));
    EXPECT_EQ(a->AddRef(), 4);   // a, b, the query, this one
    EXPECT_EQ(a->Release(), 3);
    EXPECT_EQ(static_cast<THxSocketInterface*>(asInterface)->Release(), 2);
    a.Reset();
    EXPECT_EQ(THxBlockSocket::LiveCount(), before + 1);
  }
  EXPECT_EQ(THxBlockSocket::LiveCount(), before);
  {
    THxTcpBlockClient client;
    EXPECT_EQ(THxBlockSocket::LiveCount(), before + 1);
  }
  EXPECT_EQ(THxBlockSocket::LiveCount(), before);
}

TEST(HxSocketLifetime, DestroyingTheClientClosesTheConnection) {
  ScriptServer server([](ScriptConnection& c) { EXPECT_TRUE(c.WaitPeerClosed(5000)); });
  {
    THxTcpBlockClient client;
    ConnectTo(client, server);
  }
  EXPECT_TRUE(server.WaitScriptsDone(6000));
}

TEST(HxSocketLifetime, SetPortOnAnActiveSocketDisconnects) {
  ScriptServer server([](ScriptConnection& c) { c.WaitPeerClosed(5000); });
  THxTcpBlockClient client;
  int calls = 0;
  client.OnDisconnect = [&](THxBlockSocket*) { ++calls; };
  ConnectTo(client, server);
  client.SetPort("2100");
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(client.GetPort(), "2100");
  EXPECT_EQ(client.GetAddress(), "<unknown>");
}

TEST(HxSocketMessages, ReportMessageGoesToTheSinkOrTheHandler) {
  struct Sink : THxMessageSink {
    std::string last;
    void Message(const std::string& text) override { last = text; }
  } sink;
  THxRef<THxBlockSocket> withSink(new THxBlockSocket(&sink));
  std::string handled;
  withSink->OnMessage = [&](const std::string& t) { handled = t; };
  withSink->ReportMessage("one");
  EXPECT_EQ(sink.last, "one");
  EXPECT_EQ(handled, "");
  THxTcpBlockClient client;
  client.SetOnMessage([&](const std::string& t) { handled = t; });
  client.SocketObject->ReportMessage("two");
  EXPECT_EQ(handled, "two");
  EXPECT_TRUE(static_cast<bool>(client.GetOnMessage()));
}

}  // namespace
