// Tests of the network frame's data part: reply conversions, request order, failures, the data server as peer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "model/interface_codec.h"
#include "model/network_reply.h"
#include "pfd/frame_rules.h"
#include "model/read_list.h"
#include "platform/net.h"
#include "platform/process.h"
#include "platform/system.h"
#include "sources/hx_data_exchange.h"
#include "sources/hx_tcp_ipc_udp.h"
#include "sources/net_requests.h"
#include "sources/network_source.h"
#include "support/script_server.h"
#include "support/test_env.h"

namespace {

using orvane_test::NowMs;

std::string Z(const std::string& text) { return text + '\0'; }

const ReadListRow& Row(FlightVar field) { return *RowForField(field); }

// The request text of a field's row, as the server sees it.
std::string RequestOf(FlightVar field) {
  const ReadListRow& r = Row(field);
  return BuildRequestText(int32_t(r.offset), r.netSize, r.netType);
}

// A server that answers from a table of request text -> reply text ("0" for anything else).
ScriptServer::Script TableServer(std::map<std::string, std::string> table) {
  return ScriptServer::Answering([table](const std::string& request) {
    auto it = table.find(request);
    return Z(it == table.end() ? "0" : it->second);
  });
}

struct Link {
  THxTcpBlockClient client;
  THxDataExchange exchange{'.'};
  bool connected = false;
  explicit Link(const ScriptServer& server) {
    client.SetPort(server.PortText());
    client.SetAddress("127.0.0.1");
    connected = client.Connect();
  }
};

bool HasText(const FrameDescription& f, const std::string& text) {
  for (const FrameText& t : f.texts)
    if (t.text == text) return true;
  return false;
}

// ---- Conversions of one reply ----

TEST(NetworkReplyConversion, FlagsRoundHalfToEvenAndKeepLow32BitsOf64) {
  InterfaceValues s{};
  const ReadListRow& ap = Row(FlightVar::ApMaster);
  struct Case {
    double reply;
    uint32_t want;
  };
  const Case cases[] = {{1, 1},           {1.4, 1},  {0.5, 0},          {1.5, 2},
                        {2.5, 2},         {-1, 0xFFFFFFFFu}, {4294967297.0, 1}, {3e9, 3000000000u},
                        {-0.5, 0}};
  for (const Case& c : cases) {
    s.ApMaster = 77;
    EXPECT_TRUE(StoreNumberReply(s, ap, c.reply)) << c.reply;
    EXPECT_EQ(s.ApMaster, c.want) << c.reply;
  }
  s.ApMaster = 77;
  EXPECT_FALSE(StoreNumberReply(s, ap, 1e19));
  EXPECT_FALSE(StoreNumberReply(s, ap, -1e19));
  EXPECT_FALSE(StoreNumberReply(s, ap, NAN));
  EXPECT_EQ(s.ApMaster, 77u);

  EXPECT_TRUE(StoreNumberReply(s, Row(FlightVar::RadioAltitudeRaw), 4294967296.0 + 65536));
  EXPECT_EQ(s.RadioAltitudeRaw, 65536);
  EXPECT_TRUE(StoreNumberReply(s, Row(FlightVar::RadioAltitudeRaw), -5));
  EXPECT_EQ(s.RadioAltitudeRaw, -5);
}

TEST(NetworkReplyConversion, WholeFieldsMustFit32BitsThenKeepTheirWidth) {
  InterfaceValues s{};
  EXPECT_TRUE(StoreNumberReply(s, Row(FlightVar::LocNeedle), 200));
  EXPECT_EQ(s.LocNeedle, -56);
  EXPECT_TRUE(StoreNumberReply(s, Row(FlightVar::GsNeedle), -128));
  EXPECT_EQ(s.GsNeedle, -128);
  EXPECT_TRUE(StoreNumberReply(s, Row(FlightVar::RadioStatus), 65536 + 0x342));
  EXPECT_EQ(s.RadioStatus, 0x342);
  EXPECT_TRUE(StoreNumberReply(s, Row(FlightVar::GsInclinationRaw), 65535));
  EXPECT_EQ(s.GsInclinationRaw, -1);
  EXPECT_TRUE(StoreNumberReply(s, Row(FlightVar::Nav1BcFlags), 0x182));
  EXPECT_EQ(s.Nav1BcFlags, 0x82);
  EXPECT_TRUE(StoreNumberReply(s, Row(FlightVar::Altimeter), 2147483647));
  EXPECT_EQ(s.Altimeter, 2147483647);
  EXPECT_TRUE(StoreNumberReply(s, Row(FlightVar::ApAltitudeRaw), -2147483648.0));
  EXPECT_EQ(s.ApAltitudeRaw, INT32_MIN);
  EXPECT_TRUE(StoreNumberReply(s, Row(FlightVar::Altimeter), 2147483647.4));
  EXPECT_EQ(s.Altimeter, 2147483647);

  s.Altimeter = 12;
  EXPECT_FALSE(StoreNumberReply(s, Row(FlightVar::Altimeter), 2147483647.5));  // rounds to 2^31
  EXPECT_FALSE(StoreNumberReply(s, Row(FlightVar::Altimeter), 3e9));
  EXPECT_FALSE(StoreNumberReply(s, Row(FlightVar::OuterMarker), -2147483649.0));
  EXPECT_EQ(s.Altimeter, 12);
}

TEST(NetworkReplyConversion, DegreesAsTheyAreAndTextsWhole) {
  InterfaceValues s{};
  EXPECT_TRUE(StoreNumberReply(s, Row(FlightVar::Pitch), -2.675));
  EXPECT_DOUBLE_EQ(s.Pitch, -2.675);
  EXPECT_TRUE(StoreNumberReply(s, Row(FlightVar::FdBank), 1e300));
  EXPECT_DOUBLE_EQ(s.FdBank, 1e300);
  StoreTextReply(s, Row(FlightVar::Nav1Ident), "IABCDEF");
  EXPECT_EQ(s.Nav1Ident, "IABCDEF");
  StoreTextReply(s, Row(FlightVar::DmeText), " 12.5 ");
  EXPECT_EQ(s.DmeText, " 12.5 ");
  // A row without a field takes any number and changes nothing.
  const ReadListRow* dropped = nullptr;
  for (const ReadListRow* r : NetworkRequestOrder())
    if (r->field == FlightVar::None) dropped = r;
  ASSERT_NE(dropped, nullptr);
  InterfaceValues before = s;
  EXPECT_TRUE(StoreNumberReply(s, *dropped, 1e18));
  EXPECT_EQ(s.Nav1Ident, before.Nav1Ident);
  EXPECT_EQ(s.Pitch, before.Pitch);
}

// ---- A whole frame over a scripted server ----

// Replies of an ILS approach frame, and what they must give.
std::map<std::string, std::string> ApproachReplies() {
  return {
      {RequestOf(FlightVar::Pitch), "-2.5"},
      {RequestOf(FlightVar::Bank), "3.25"},
      {RequestOf(FlightVar::ApMaster), "1.4"},
      {RequestOf(FlightVar::ApApproachHold), "1"},
      {RequestOf(FlightVar::LocNeedle), "200"},
      {RequestOf(FlightVar::GsNeedle), "-128"},
      {RequestOf(FlightVar::RadioAltitudeRaw), "-5"},
      {RequestOf(FlightVar::RadioStatus), std::to_string(0x0002 | 0x0040 | 0x0100)},
      {RequestOf(FlightVar::Nav1BcFlags), std::to_string(0x82)},
      {RequestOf(FlightVar::Nav1CodeFlags), std::to_string(0xC0)},
      {RequestOf(FlightVar::GsInclinationRaw), "100"},
      {RequestOf(FlightVar::Nav1Ident), "IABCDEF"},
      {RequestOf(FlightVar::DmeText), "012.5"},
      {RequestOf(FlightVar::FdPitch), "1.5e0"},
  };
}

void ExpectApproachState(const InterfaceValues& s) {
  EXPECT_DOUBLE_EQ(s.Pitch, -2.5);
  EXPECT_DOUBLE_EQ(s.Bank, 3.25);
  EXPECT_EQ(s.ApMaster, 1u);
  EXPECT_EQ(s.ApApproachHold, 1u);
  EXPECT_EQ(s.LocNeedle, -56);
  EXPECT_EQ(s.GsNeedle, -128);
  EXPECT_EQ(s.RadioAltitudeRaw, -5);
  EXPECT_EQ(s.RadioStatus, 0x0142);
  EXPECT_EQ(s.GsInclinationRaw, 100);
  EXPECT_EQ(s.Nav1Ident, "IABCDEF");
  EXPECT_EQ(s.DmeText, "012.5");
  EXPECT_DOUBLE_EQ(s.FdPitch, 1.5);
}

// The bytes a frame sends: the 29 requests in the network order.
std::string FrameRequestBytes() {
  std::string all;
  for (const ReadListRow* r : NetworkRequestOrder())
    all += Z(BuildRequestText(int32_t(r->offset), r->netSize, r->netType));
  return all;
}

TEST(NetworkFrameData, OneByOneAndPipelinedGiveTheSameFrame) {
  for (bool pipeline : {false, true}) {
    SCOPED_TRACE(pipeline ? "pipeline" : "one by one");
    ScriptServer server(TableServer(ApproachReplies()));
    Link link(server);
    ASSERT_TRUE(link.connected);
    InterfaceValues s{};
    EXPECT_TRUE(FetchNetworkState(&link.client, &link.exchange, pipeline, s));
    ExpectApproachState(s);
    link.client.Disconnect();
    ASSERT_TRUE(server.WaitScriptsDone(12000));
    const std::string sent = server.Received();
    EXPECT_EQ(sent, FrameRequestBytes());
    // The heading setting is never asked for; the identifier comes before the DME text.
    EXPECT_EQ(sent.find(Z("1996,2,4")), std::string::npos);
    EXPECT_LT(sent.find(Z("12288,6,7")), sent.find(Z("3113,5,7")));
    EXPECT_EQ(sent.substr(0, 10), std::string("12144,8,2\0", 10));
  }
}

TEST(NetworkFrameData, TheFrameRulesSeeTheNetworkValues) {
  ScriptServer server(TableServer(ApproachReplies()));
  Link link(server);
  ASSERT_TRUE(link.connected);
  InterfaceValues s{};
  ASSERT_TRUE(FetchNetworkState(&link.client, &link.exchange, false, s));
  ApplyConversions(s, InclinationRule::Raw);
  EXPECT_EQ(s.GsNeedle, -127);  // limited after the reply's -128
  EXPECT_EQ(s.RadioAltitudeFt, 0);
  FrameDescription f = DecideFrame(s, false);
  EXPECT_TRUE(HasText(f, "AP ENG"));    // 1.4 rounds to 1
  EXPECT_EQ(f.ilsState, 4);             // raw inclination 100 is not 0
  EXPECT_TRUE(HasText(f, "0"));         // radio altitude -5 reads 0
  EXPECT_TRUE(HasText(f, "RA"));
  EXPECT_FALSE(f.dataFailed);
  EXPECT_FALSE(HasText(f, kFailureFlagText));
}

TEST(NetworkFrameData, WithoutAConnectionTheZeroPictureAndTheFlag) {
  THxTcpBlockClient client;
  THxDataExchange exchange('.');
  InterfaceValues s{};
  EXPECT_FALSE(FetchNetworkState(&client, &exchange, false, s));
  EXPECT_FALSE(FetchNetworkState(nullptr, nullptr, true, s));
  ApplyConversions(s, InclinationRule::Raw);
  FrameDescription f = DecideFrame(s, true);
  EXPECT_EQ(f.ilsState, 0);
  EXPECT_TRUE(f.bars.empty());
  EXPECT_TRUE(HasText(f, "RA"));
  EXPECT_TRUE(HasText(f, "0"));
  EXPECT_FALSE(HasText(f, "AP ENG"));
  EXPECT_TRUE(HasText(f, kFailureFlagText));
}

TEST(NetworkFrameData, BadRepliesRaiseTheFlagAndLeaveTheirFieldsZero) {
  std::map<std::string, std::string> table = ApproachReplies();
  table[RequestOf(FlightVar::Bank)] = "3,25";                 // not a number here
  table[RequestOf(FlightVar::Altimeter)] = "5000000000";      // does not fit 32 bits
  for (bool pipeline : {false, true}) {
    SCOPED_TRACE(pipeline ? "pipeline" : "one by one");
    ScriptServer server(TableServer(table));
    Link link(server);
    InterfaceValues s{};
    testing::internal::CaptureStderr();
    EXPECT_FALSE(FetchNetworkState(&link.client, &link.exchange, pipeline, s));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(s.Bank, 0);
    EXPECT_EQ(s.Altimeter, 0);
    EXPECT_DOUBLE_EQ(s.Pitch, -2.5);
    // Each value on its own: a bad altitude does not take the pitch with it.
    EXPECT_FALSE(s.Valid.Has(FlightVar::Altimeter));
    EXPECT_FALSE(s.Valid.Has(FlightVar::Bank));
    EXPECT_TRUE(s.Valid.Has(FlightVar::Pitch));
    EXPECT_TRUE(s.Valid.Has(FlightVar::DmeText));
    EXPECT_EQ(s.DmeText, "012.5");
    // Still in step: the next frame is read correctly.
    EXPECT_TRUE(link.client.Connected());
    InterfaceValues next{};
    testing::internal::CaptureStderr();
    EXPECT_FALSE(FetchNetworkState(&link.client, &link.exchange, pipeline, next));
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(log, "");  // each bad reply text is logged once only
    EXPECT_DOUBLE_EQ(next.Pitch, -2.5);
    EXPECT_EQ(next.LocNeedle, -56);
    EXPECT_EQ(next.GsInclinationRaw, 100);
    EXPECT_EQ(next.Nav1Ident, "IABCDEF");
    EXPECT_EQ(next.DmeText, "012.5");
  }
}

TEST(NetworkFrameData, ServerClosingMidFrameEndsTheFrameQuickly) {
  for (bool pipeline : {false, true}) {
    SCOPED_TRACE(pipeline ? "pipeline" : "one by one");
    ScriptServer server([](ScriptConnection& c) {
      std::string r;
      for (int i = 0; i < 5 && c.ReadRequest(&r); ++i) c.Send(Z("1"));
    });
    Link link(server);
    InterfaceValues s{};
    uint64_t start = NowMs();
    EXPECT_FALSE(FetchNetworkState(&link.client, &link.exchange, pipeline, s));
    EXPECT_LT(NowMs() - start, 3000u);
    if (!pipeline) {
      // (Pipelined, the server closes with requests unread, and the reset may overtake its replies.)
      EXPECT_DOUBLE_EQ(s.Pitch, 1);     // request 1 answered
      EXPECT_EQ(s.ApMaster, 1u);        // request 3 answered
    }
    EXPECT_EQ(s.ApApproachHold, 0u);    // request 7 never answered
    EXPECT_EQ(s.Nav1Ident, "");
    EXPECT_FALSE(link.client.Connected());
  }
}

TEST(NetworkFrameData, SilentServerEndsTheFrameWithinTheBoundAndNeverDesynchronises) {
  // Ten answers, then silence; the late answer to request 11 arrives after the client gave up.
  ScriptServer server([](ScriptConnection& c) {
    std::string r;
    for (int i = 0; i < 10 && c.ReadRequest(&r); ++i) c.Send(Z("1"));
    if (c.ReadRequest(&r)) {
      c.Pause(5600);
      c.Send(Z("99"));
    }
    c.WaitPeerClosed(2000);
  });
  Link link(server);
  InterfaceValues s{};
  uint64_t start = NowMs();
  EXPECT_FALSE(FetchNetworkState(&link.client, &link.exchange, false, s));
  const uint64_t took = NowMs() - start;
  EXPECT_GE(took, kRequestBoundMs - 100);
  EXPECT_LT(took, kRequestBoundMs + 2000);
  EXPECT_EQ(s.GsNeedle, 1);              // request 10
  EXPECT_EQ(s.LocNeedle, 0);             // request 11: timed out
  EXPECT_EQ(s.RadioAltitudeRaw, 0);
  EXPECT_FALSE(link.client.Connected());
  platform::SleepMs(800);
  InterfaceValues after{};
  EXPECT_FALSE(FetchNetworkState(&link.client, &link.exchange, false, after));
  EXPECT_EQ(after.Pitch, 0);             // the late "99" answered nothing
}

// ---- The data server as peer ----

std::string ExePath(const char* name) { return std::string(ORVANE_RUN_DIR) + "/" + name + ORVANE_EXE_SUFFIX; }

TEST(NetworkFrameWithDataServer, ReadsAValuesFileInBothModes) {
  if (!platform::FileExists(ExePath("OrvaneGCServer"))) GTEST_SKIP() << "OrvaneGCServer not built";
  const std::string values = std::string(ORVANE_RUN_DIR) + "/frame_network_values_test.txt";
  {
    std::ofstream(values) << "Pitch=4.25\nBank=-12.5\nApMaster=1\nLocNeedle=-100\nRadioStatus=0x0342\n"
                             "Nav1Ident=\"IXYZ\"\nApAltitudeRaw=-65536\nGsInclinationRaw=546\n";
  }
  uint16_t port = 0;
  platform::SocketHandle probe = platform::NetListenLoopback(&port);
  platform::NetCloseHandle(probe);
  platform::ChildProcess child;
  ASSERT_TRUE(platform::StartProcess(ExePath("OrvaneGCServer"),
                                     {"--port", std::to_string(port), "--bind", "127.0.0.1", "--values", values,
                                      "--duration", "60"},
                                     child, std::string(ORVANE_RUN_DIR) + "/frame_network_values_test.log"));
  THxTcpBlockClient client;
  THxDataExchange exchange('.');
  bool connected = false;
  for (uint64_t deadline = NowMs() + 15000; !connected && NowMs() < deadline;) {
    client.SetPort(std::to_string(port));
    client.SetAddress("127.0.0.1");
    connected = client.ConnectWithin(1000);
    if (!connected) platform::SleepMs(50);
  }
  ASSERT_TRUE(connected);
  for (bool pipeline : {false, true}) {
    SCOPED_TRACE(pipeline ? "pipeline" : "one by one");
    InterfaceValues s{};
    EXPECT_TRUE(FetchNetworkState(&client, &exchange, pipeline, s));
    EXPECT_DOUBLE_EQ(s.Pitch, 4.25);
    EXPECT_DOUBLE_EQ(s.Bank, -12.5);
    EXPECT_EQ(s.ApMaster, 1u);
    EXPECT_EQ(s.LocNeedle, -100);
    EXPECT_EQ(s.RadioStatus, 0x0342);
    EXPECT_EQ(s.Nav1Ident, "IXYZ");
    EXPECT_EQ(s.ApAltitudeRaw, -65536);
    EXPECT_EQ(s.GsInclinationRaw, 546);
  }
  client.Disconnect();
  platform::StopProcess(child, 5000);
  std::remove(values.c_str());
}

}  // namespace
