// Tests of the network requests: exact request bytes, reply assembly, reply numbers, bounded waits.
#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "platform/system.h"
#include "sources/hx_data_exchange.h"
#include "sources/hx_tcp_ipc_udp.h"
#include "sources/net_requests.h"
#include "support/script_server.h"
#include "support/test_env.h"

namespace {

using orvane_test::NowMs;

std::string Z(const char* text) { return std::string(text) + '\0'; }

// A client and a reply assembler connected to `server`.
struct Link {
  THxTcpBlockClient client;
  THxDataExchange exchange{'.'};
  explicit Link(const ScriptServer& server) {
    client.SetPort(server.PortText());
    client.SetAddress("127.0.0.1");
    connected = client.Connect();
  }
  bool connected = false;
  double Number(int32_t offset, const char* size, const char* type, RequestOutcome* outcome = nullptr,
                uint32_t boundMs = kRequestBoundMs) {
    double v = -1;
    RequestOutcome o = RequestNumberOn(&client, &exchange, offset, size, type, &v, boundMs);
    if (outcome) *outcome = o;
    return v;
  }
};

// ---- Reply numbers ----

TEST(ReplyNumber, AcceptsTheNumberForms) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"0", 0},          {"12.5", 12.5},     {"  12.5  ", 12.5}, {"-3", -3},       {"+4e2", 400},
      {"1E-2", 0.01},    {"-0.25e+1", -2.5}, {".5", 0.5},        {"7.", 7},        {"0000123", 123},
      {"1e-400", 0},     {"-1.5", -1.5},     {"65536", 65536},   {"3.5E1 ", 35},
  };
  for (const Case& c : cases) {
    double v = -99;
    EXPECT_TRUE(ParseReplyNumber(c.text, '.', &v)) << c.text;
    EXPECT_DOUBLE_EQ(v, c.value) << c.text;
  }
}

TEST(ReplyNumber, RefusesWhatIsNotANumber) {
  const char* bad[] = {"",     " ",     "\t1",   "1\t",  "abc",  "1.2.3", "1e",    "e5",   ".",  "+",
                       "--1",  "1 2",   "0x10",  "1,5",  "1e5.", "inf",   "nan",   "1e400", "5 .", "1_0",
                       "+-1",  "1e+",   "١",     "1 e5"};
  for (const char* text : bad) {
    double v = -99;
    EXPECT_FALSE(ParseReplyNumber(text, '.', &v)) << text;
    EXPECT_EQ(v, -99) << text;
  }
}

TEST(ReplyNumber, CommaSeparatorAcceptedBesideTheFullStop) {
  double v = 0;
  EXPECT_TRUE(ParseReplyNumber("1,5", ',', &v));
  EXPECT_DOUBLE_EQ(v, 1.5);
  EXPECT_TRUE(ParseReplyNumber("1.25", ',', &v));
  EXPECT_DOUBLE_EQ(v, 1.25);
  EXPECT_TRUE(ParseReplyNumber(" -2,5e1 ", ',', &v));
  EXPECT_DOUBLE_EQ(v, -25);
  EXPECT_FALSE(ParseReplyNumber("1,2.5", ',', &v));
  EXPECT_FALSE(ParseReplyNumber("1.2,5", ',', &v));
}

TEST(ReplyNumber, TheExchangeKeepsTheLocaleSeparatorOfItsMaking) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  const char* commaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "German_Germany.1252"};
  bool haveComma = false;
  for (const char* name : commaLocales) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr && platform::LocaleDecimalSeparator() == ',') {
      haveComma = true;
      break;
    }
  }
  if (haveComma) {
    THxDataExchange exchange;
    EXPECT_EQ(exchange.DecimalSeparator(), ',');
  }
  std::setlocale(LC_NUMERIC, "C");
  THxDataExchange plain;
  EXPECT_EQ(plain.DecimalSeparator(), platform::LocaleDecimalSeparator());
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!haveComma) GTEST_SKIP() << "no comma locale installed; the separator is covered by ReplyNumber tests";
}

// ---- Reply assembly ----

TEST(ReplyAssembly, JoinsPiecesAndKeepsWhatFollowsTheZero) {
  THxDataExchange x('.');
  std::string reply;
  const std::string a = "12", b = std::string("3.5\0" "7\0" "8", 7);
  EXPECT_TRUE(x.Append(reinterpret_cast<const uint8_t*>(a.data()), a.size()));
  EXPECT_FALSE(x.TakeReply(&reply));
  EXPECT_TRUE(x.Append(reinterpret_cast<const uint8_t*>(b.data()), b.size()));
  ASSERT_TRUE(x.TakeReply(&reply));
  EXPECT_EQ(reply, "123.5");
  ASSERT_TRUE(x.TakeReply(&reply));
  EXPECT_EQ(reply, "7");
  EXPECT_FALSE(x.TakeReply(&reply));
  EXPECT_EQ(x.PendingBytes(), 1u);
  const std::string c = std::string("\0", 1);
  x.Append(reinterpret_cast<const uint8_t*>(c.data()), c.size());
  ASSERT_TRUE(x.TakeReply(&reply));
  EXPECT_EQ(reply, "8");
  x.Reset();
  EXPECT_EQ(x.PendingBytes(), 0u);
}

TEST(ReplyAssembly, AReplyBeyondTheLimitIsBad) {
  THxDataExchange x('.');
  std::string exact(THxDataExchange::kMaxReplyBytes, '1');
  exact.push_back('\0');
  EXPECT_TRUE(x.Append(reinterpret_cast<const uint8_t*>(exact.data()), exact.size()));
  std::string reply;
  ASSERT_TRUE(x.TakeReply(&reply));
  EXPECT_EQ(reply.size(), THxDataExchange::kMaxReplyBytes);
  std::string tooLong(THxDataExchange::kMaxReplyBytes + 1, '1');
  EXPECT_FALSE(x.Append(reinterpret_cast<const uint8_t*>(tooLong.data()), tooLong.size()));
  EXPECT_TRUE(x.Overflowed());
  EXPECT_FALSE(x.TakeReply(&reply));
}

// A server that floods short, well-formed replies nobody asked for: each reply is fine, but what is
// held stops at 256 KiB, so a stream can never grow the display's memory without bound.
TEST(ReplyAssembly, HeldBytesStopAtTheLimitEvenInShortReplies) {
  THxDataExchange x('.');
  const std::string reply = std::string("12.5") + '\0';
  size_t held = 0;
  bool refused = false;
  while (!refused && held < 2 * 256 * 1024) {
    refused = !x.Append(reinterpret_cast<const uint8_t*>(reply.data()), reply.size());
    held += reply.size();
  }
  EXPECT_TRUE(refused);
  EXPECT_TRUE(x.Overflowed());
  EXPECT_GT(held, size_t{256 * 1024});
  EXPECT_LE(held, size_t{256 * 1024} + reply.size());
}

// ---- Requests over a connection ----

TEST(Requests, SendExactlyTheRequestBytes) {
  ScriptServer server(ScriptServer::Answering([](const std::string& r) {
    return r == "12288,6,7" ? Z("ILAX") : Z("1.5");
  }));
  Link link(server);
  ASSERT_TRUE(link.connected);
  EXPECT_DOUBLE_EQ(link.Number(0x2F70, "8", "2"), 1.5);
  std::string text;
  EXPECT_EQ(RequestTextOn(&link.client, &link.exchange, 0x3000, "6", "7", &text), RequestOutcome::Delivered);
  EXPECT_EQ(text, "ILAX");
  EXPECT_EQ(BuildRequestText(0x0C29, "5", "7"), "3113,5,7");
  link.client.Disconnect();
  ASSERT_TRUE(server.WaitScriptsDone(11000));
  const std::string expected = std::string("12144,8,2\0", 10) + std::string("12288,6,7\0", 10);
  EXPECT_EQ(server.Received(), expected);
}

TEST(Requests, WithoutAConnectionNothingIsSent) {
  ScriptServer server(ScriptServer::Answering([](const std::string&) { return Z("1"); }));
  Link link(server);
  ASSERT_TRUE(link.connected);
  link.client.Disconnect();
  RequestOutcome o;
  EXPECT_EQ(link.Number(0x2F70, "8", "2", &o), 0);
  EXPECT_EQ(o, RequestOutcome::NotConnected);
  std::string text = "x";
  EXPECT_EQ(RequestTextOn(&link.client, &link.exchange, 0x3000, "6", "7", &text), RequestOutcome::NotConnected);
  EXPECT_EQ(text, "");
  double v = -1;
  EXPECT_EQ(RequestNumberOn(nullptr, nullptr, 1, "1", "3", &v), RequestOutcome::NotConnected);
  EXPECT_EQ(v, 0);
  ASSERT_TRUE(server.WaitScriptsDone(11000));
  EXPECT_EQ(server.Received(), "");
}

TEST(Requests, ReplySplitAcrossSegmentsIsJoined) {
  ScriptServer server([](ScriptConnection& c) {
    std::string r;
    while (c.ReadRequest(&r)) {
      c.Send("-12");
      c.Pause(60);
      c.Send("3.");
      c.Pause(60);
      c.Send(Z("75"));
    }
  });
  Link link(server);
  EXPECT_DOUBLE_EQ(link.Number(0x2F70, "8", "2"), -123.75);
  EXPECT_DOUBLE_EQ(link.Number(0x2F78, "8", "2"), -123.75);
}

TEST(Requests, BytesLeftBeforeARequestCannotAnswerIt) {
  // The first reply comes with garbage after its zero, and an extra reply nobody asked for.
  ScriptServer server([](ScriptConnection& c) {
    std::string r;
    int n = 0;
    while (c.ReadRequest(&r)) {
      ++n;
      if (n == 1) c.Send(Z("7") + Z("junk") + Z("99"));
      else c.Send(Z(std::to_string(n).c_str()));
    }
  });
  Link link(server);
  EXPECT_DOUBLE_EQ(link.Number(1, "4", "5"), 7);
  platform::SleepMs(50);  // let any stray bytes arrive
  EXPECT_DOUBLE_EQ(link.Number(2, "4", "5"), 2);
  EXPECT_DOUBLE_EQ(link.Number(3, "4", "5"), 3);
}

TEST(Requests, BytesArrivingOnTheirOwnBeforeARequestCannotAnswerIt) {
  // A reply nobody asked for that comes by itself, after the reply to the first request was read.
  ScriptServer server([](ScriptConnection& c) {
    std::string r;
    int n = 0;
    while (c.ReadRequest(&r)) {
      ++n;
      c.Send(Z(std::to_string(n).c_str()));
      if (n == 1) {
        c.Pause(30);
        c.Send(Z("99"));
      }
    }
  });
  Link link(server);
  EXPECT_DOUBLE_EQ(link.Number(1, "4", "5"), 1);
  platform::SleepMs(100);  // the stray reply is waiting on the socket now
  EXPECT_DOUBLE_EQ(link.Number(2, "4", "5"), 2);
  EXPECT_DOUBLE_EQ(link.Number(3, "4", "5"), 3);
}

TEST(Requests, ANonNumberReadsAsZeroAndTheLinkGoesOn) {
  ScriptServer server(ScriptServer::Answering([](const std::string& r) {
    return r.rfind("1,", 0) == 0 ? Z("n/a") : r.rfind("2,", 0) == 0 ? Z("") : Z("\t5");
  }));
  Link link(server);
  testing::internal::CaptureStderr();
  RequestOutcome o;
  EXPECT_EQ(link.Number(1, "4", "5", &o), 0);
  EXPECT_EQ(o, RequestOutcome::BadNumber);
  EXPECT_EQ(link.Number(1, "4", "5", &o), 0);
  EXPECT_EQ(link.Number(2, "4", "5", &o), 0);
  EXPECT_EQ(o, RequestOutcome::BadNumber);
  EXPECT_EQ(link.Number(3, "4", "5", &o), 0);
  EXPECT_EQ(o, RequestOutcome::BadNumber);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(link.client.Connected());
  // Logged once per distinct reply text.
  size_t first = log.find("\"n/a\"");
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find("\"n/a\"", first + 1), std::string::npos) << log;
  EXPECT_NE(log.find("\"\\x095\""), std::string::npos) << log;
}

TEST(Requests, CommaExchangeReadsBothSeparators) {
  ScriptServer server(ScriptServer::Answering([](const std::string& r) {
    return r.rfind("1,", 0) == 0 ? Z("2,5") : Z("2.5");
  }));
  THxTcpBlockClient client;
  client.SetPort(server.PortText());
  client.SetAddress("127.0.0.1");
  ASSERT_TRUE(client.Connect());
  THxDataExchange comma(',');
  double v = 0;
  EXPECT_EQ(RequestNumberOn(&client, &comma, 1, "8", "2", &v), RequestOutcome::Delivered);
  EXPECT_DOUBLE_EQ(v, 2.5);
  EXPECT_EQ(RequestNumberOn(&client, &comma, 2, "8", "2", &v), RequestOutcome::Delivered);
  EXPECT_DOUBLE_EQ(v, 2.5);
  THxDataExchange stop('.');
  EXPECT_EQ(RequestNumberOn(&client, &stop, 1, "8", "2", &v), RequestOutcome::BadNumber);
  EXPECT_EQ(v, 0);
}

TEST(Requests, SilentServerEndsTheRequestAndTheConnection) {
  // Answers the first request only after the client gave up on it.
  ScriptServer server([](ScriptConnection& c) {
    std::string r;
    if (!c.ReadRequest(&r)) return;
    c.Pause(600);
    c.Send(Z("42"));
    c.WaitPeerClosed(3000);
  });
  Link link(server);
  uint64_t start = NowMs();
  RequestOutcome o;
  EXPECT_EQ(link.Number(1, "4", "5", &o, 300), 0);
  EXPECT_EQ(o, RequestOutcome::TimedOut);
  EXPECT_LT(NowMs() - start, 2000u);
  EXPECT_FALSE(link.client.Connected());
  platform::SleepMs(500);
  // The late "42" can never answer a later request.
  EXPECT_EQ(link.Number(2, "4", "5", &o), 0);
  EXPECT_EQ(o, RequestOutcome::NotConnected);
}

TEST(Requests, ConnectionLostWhileWaitingEndsTheRequest) {
  ScriptServer server([](ScriptConnection& c) {
    std::string r;
    if (c.ReadRequest(&r)) c.Send("12");  // half a reply, then gone
  });
  Link link(server);
  uint64_t start = NowMs();
  RequestOutcome o;
  EXPECT_EQ(link.Number(1, "4", "5", &o), 0);
  EXPECT_EQ(o, RequestOutcome::ConnectionLost);
  EXPECT_LT(NowMs() - start, 2000u);
  EXPECT_FALSE(link.client.Connected());
  EXPECT_EQ(link.exchange.PendingBytes(), 0u);
}

TEST(Requests, OverlongReplyClosesTheConnection) {
  ScriptServer server([](ScriptConnection& c) {
    std::string r;
    if (c.ReadRequest(&r)) c.Send(std::string(THxDataExchange::kMaxReplyBytes + 100, '5'));
    c.WaitPeerClosed(3000);
  });
  Link link(server);
  RequestOutcome o;
  EXPECT_EQ(link.Number(1, "4", "5", &o), 0);
  EXPECT_EQ(o, RequestOutcome::BadReply);
  EXPECT_FALSE(link.client.Connected());
}

TEST(Requests, BatchSendsAllAtOnceAndReadsRepliesInOrder) {
  // The server answers only after it holds all three requests: one round trip.
  ScriptServer server([](ScriptConnection& c) {
    std::vector<std::string> got(3);
    for (std::string& r : got)
      if (!c.ReadRequest(&r)) return;
    std::string all;
    for (const std::string& r : got) all += Z(("=" + r).c_str());
    c.Send(all.substr(0, 7));
    c.Pause(30);
    c.Send(all.substr(7));
    c.WaitPeerClosed(3000);
  });
  Link link(server);
  std::vector<std::string> replies;
  std::vector<RequestOutcome> outcomes;
  RequestBatchOn(&link.client, &link.exchange, {"1,1,3", "22,2,4", "333,8,2"}, &replies, &outcomes);
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_EQ(replies[0], "=1,1,3");
  EXPECT_EQ(replies[1], "=22,2,4");
  EXPECT_EQ(replies[2], "=333,8,2");
  for (RequestOutcome o : outcomes) EXPECT_EQ(o, RequestOutcome::Delivered);
}

TEST(Requests, BatchCutShortMarksTheRestMissing) {
  ScriptServer server([](ScriptConnection& c) {
    std::string r;
    if (c.ReadRequest(&r)) c.Send(Z("1"));
  });
  Link link(server);
  std::vector<std::string> replies;
  std::vector<RequestOutcome> outcomes;
  RequestBatchOn(&link.client, &link.exchange, {"1,1,3", "2,1,3", "3,1,3"}, &replies, &outcomes);
  EXPECT_EQ(replies[0], "1");
  EXPECT_EQ(outcomes[0], RequestOutcome::Delivered);
  EXPECT_EQ(outcomes[1], RequestOutcome::ConnectionLost);
  EXPECT_EQ(outcomes[2], RequestOutcome::ConnectionLost);
  EXPECT_EQ(replies[2], "");
}

}  // namespace
