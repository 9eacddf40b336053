// Data server requests and replies without sockets: parsing, stream framing, reply texts per type code, command line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "model/network_reply.h"
#include "model/read_list.h"
#include "server/reply_format.h"
#include "server/request_parser.h"
#include "server/server_options.h"
#include "sources/net_requests.h"

using server::ParseRequest;
using server::ParseResult;
using server::RequestFramer;
using server::TypeCode;

namespace {

// Reply text for a request over the given bytes.
std::string Reply(const server::Request& request, const std::vector<uint8_t>& bytes, bool* finite = nullptr) {
  std::string out;
  bool ok = server::AppendReplyText(request, bytes.data(), out);
  if (finite) *finite = ok;
  return out;
}

server::Request MakeRequest(uint32_t offset, uint32_t size, TypeCode type) {
  server::Request r;
  r.offset = offset;
  r.size = size;
  r.type = type;
  return r;
}

std::vector<uint8_t> DoubleBytes(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  std::vector<uint8_t> b(8);
  for (int i = 0; i < 8; ++i) b[size_t(i)] = uint8_t(bits >> (8 * i));
  return b;
}

std::vector<std::string> TakeAll(RequestFramer& framer, RequestFramer::Next* last) {
  std::vector<std::string> out;
  std::string r;
  RequestFramer::Next n;
  while ((n = framer.Take(r)) == RequestFramer::Next::Request) out.push_back(r);
  *last = n;
  return out;
}

}  // namespace

TEST(ServerRequestParse, EveryReadListRequestOfTheDisplayIsAccepted) {
  for (const ReadListRow* row : NetworkRequestOrder()) {
    std::string text = BuildRequestText(int32_t(row->offset), row->netSize, row->netType);
    ParseResult r = ParseRequest(text);
    ASSERT_TRUE(r.ok) << text << ": " << r.error;
    EXPECT_EQ(r.request.offset, row->offset) << text;
    EXPECT_EQ(r.request.size, row->size) << text;
    EXPECT_EQ(int(r.request.type), std::stoi(row->netType)) << text;
  }
}

TEST(ServerRequestParse, AcceptsTheEdgesOfTheDataArea) {
  EXPECT_TRUE(ParseRequest("0,1,3").ok);
  EXPECT_TRUE(ParseRequest("65535,1,3").ok);
  EXPECT_TRUE(ParseRequest("65528,8,2").ok);
  EXPECT_TRUE(ParseRequest("65281,255,7").ok);  // ends exactly at 64 KiB
  EXPECT_TRUE(ParseRequest("100,1,7").ok);
  ParseResult leadingZeros = ParseRequest("0012144,08,02");
  ASSERT_TRUE(leadingZeros.ok);
  EXPECT_EQ(leadingZeros.request.offset, 12144u);
  EXPECT_EQ(leadingZeros.request.type, TypeCode::Float64);
}

TEST(ServerRequestParse, RefusesMalformedRequestsWithTheRightPlaceholder) {
  struct Case {
    const char* text;
    const char* reply;  // what the server answers instead of a value
  };
  const Case cases[] = {
      {"", "0"},                 {",", "0"},                 {",,", "0"},
      {"12144,8", "0"},          {"12144,8,2,1", "0"},       {"-1,4,5", "0"},
      {"+1,4,5", "0"},           {" 1,4,5", "0"},            {"1,4,5 ", "0"},
      {"1,4,5\n", "0"},          {"0x10,4,5", "0"},          {"1.0,4,5", "0"},
      {"1234567890,4,5", "0"},   {"65536,1,3", "0"},         {"65535,2,4", "0"},
      {"65529,8,2", "0"},        {"1,4,6", "0"},             {"1,4,0", "0"},
      {"1,4,8", "0"},            {"1,4,", "0"},              {"1,,5", "0"},
      {"12144,4,2", "0"},        {"1980,8,5", "0"},          {"3145,2,3", "0"},
      {"2162,1,4", "0"},         {"13092,2,1", "0"},         {"12288,0,7", ""},
      {"12288,256,7", ""},       {"65282,255,7", ""},        {"70000,5,7", ""},
      {"x,5,7", ""},             {"12288,,7", ""},           {"12288,6,7x", "0"},
  };
  for (const Case& c : cases) {
    ParseResult r = ParseRequest(c.text);
    EXPECT_FALSE(r.ok) << '"' << c.text << '"';
    EXPECT_STRNE(r.error, "") << c.text;
    EXPECT_STREQ(server::MalformedReply(r), c.reply) << '"' << c.text << '"';
  }
}

TEST(ServerRequestFraming, PipelinedRequestsComeOutInOrder) {
  RequestFramer framer;
  std::string stream = std::string("12144,8,2") + '\0' + "1980,4,5" + '\0' + '\0' + "12288,6,7" + '\0' + "31";
  framer.Append(stream.data(), stream.size());
  RequestFramer::Next last;
  std::vector<std::string> got = TakeAll(framer, &last);
  EXPECT_EQ(got, (std::vector<std::string>{"12144,8,2", "1980,4,5", "", "12288,6,7"}));
  EXPECT_EQ(last, RequestFramer::Next::NeedMore);
  EXPECT_EQ(framer.Buffered(), 2u);  // the unterminated "31" waits for the rest
  std::string rest = std::string("12,1,3") + '\0';
  framer.Append(rest.data(), rest.size());
  got = TakeAll(framer, &last);
  EXPECT_EQ(got, (std::vector<std::string>{"3112,1,3"}));
  EXPECT_EQ(framer.Buffered(), 0u);
}

TEST(ServerRequestFraming, AnySplitOfTheStreamGivesTheSameRequests) {
  std::string stream;
  std::vector<std::string> expected;
  for (const ReadListRow* row : NetworkRequestOrder()) {
    expected.push_back(BuildRequestText(int32_t(row->offset), row->netSize, row->netType));
    stream += expected.back();
    stream.push_back('\0');
  }
  // Split the stream into pieces of every length from 1 byte up.
  for (size_t piece = 1; piece <= 23; ++piece) {
    RequestFramer framer;
    std::vector<std::string> got;
    RequestFramer::Next last = RequestFramer::Next::NeedMore;
    for (size_t at = 0; at < stream.size(); at += piece) {
      framer.Append(stream.data() + at, std::min(piece, stream.size() - at));
      std::vector<std::string> some = TakeAll(framer, &last);
      got.insert(got.end(), some.begin(), some.end());
      ASSERT_NE(last, RequestFramer::Next::Overlong) << "piece " << piece;
    }
    EXPECT_EQ(got, expected) << "piece " << piece;
  }
}

TEST(ServerRequestFraming, MoreThan64BytesWithoutTerminatorIsOverlong) {
  {
    RequestFramer framer;
    std::string exactly64(64, '1');
    framer.Append(exactly64.data(), exactly64.size());
    std::string r;
    EXPECT_EQ(framer.Take(r), RequestFramer::Next::NeedMore);
    framer.Append("", 1);  // the terminator completes a 64-byte request
    ASSERT_EQ(framer.Take(r), RequestFramer::Next::Request);
    EXPECT_EQ(r, exactly64);
  }
  {
    RequestFramer framer;
    std::string s = std::string("1,1,3") + '\0' + std::string(65, '7');
    framer.Append(s.data(), s.size());
    std::string r;
    ASSERT_EQ(framer.Take(r), RequestFramer::Next::Request);  // what came before is still served
    EXPECT_EQ(r, "1,1,3");
    EXPECT_EQ(framer.Take(r), RequestFramer::Next::Overlong);
  }
  {
    // Long and terminated in the same chunk: still refused, so the bound does not depend on timing.
    RequestFramer framer;
    std::string s = std::string(65, '1') + '\0';
    framer.Append(s.data(), s.size());
    std::string r;
    EXPECT_EQ(framer.Take(r), RequestFramer::Next::Overlong);
  }
  {
    // Byte by byte: the 65th unterminated byte trips it.
    RequestFramer framer;
    std::string r;
    RequestFramer::Next n = RequestFramer::Next::NeedMore;
    int bytes = 0;
    while (n == RequestFramer::Next::NeedMore && bytes < 100) {
      framer.Append("9", 1);
      ++bytes;
      n = framer.Take(r);
    }
    EXPECT_EQ(n, RequestFramer::Next::Overlong);
    EXPECT_EQ(bytes, 65);
  }
}

TEST(ServerReplyText, IntegersAreSignedDecimalOfTheirWidth) {
  EXPECT_EQ(Reply(MakeRequest(0, 1, TypeCode::Int8), {0x7F}), "127");
  EXPECT_EQ(Reply(MakeRequest(0, 1, TypeCode::Int8), {0x80}), "-128");
  EXPECT_EQ(Reply(MakeRequest(0, 1, TypeCode::Int8), {0xC8}), "-56");
  EXPECT_EQ(Reply(MakeRequest(0, 2, TypeCode::Int16), {0x22, 0x02}), "546");
  EXPECT_EQ(Reply(MakeRequest(0, 2, TypeCode::Int16), {0x00, 0x80}), "-32768");
  EXPECT_EQ(Reply(MakeRequest(0, 2, TypeCode::Int16), {0xFF, 0xFF}), "-1");
  EXPECT_EQ(Reply(MakeRequest(0, 4, TypeCode::Int32), {0x01, 0, 0, 0}), "1");
  EXPECT_EQ(Reply(MakeRequest(0, 4, TypeCode::Int32), {0xFF, 0xFF, 0xFF, 0x7F}), "2147483647");
  EXPECT_EQ(Reply(MakeRequest(0, 4, TypeCode::Int32), {0, 0, 0, 0x80}), "-2147483648");
  EXPECT_EQ(Reply(MakeRequest(0, 4, TypeCode::Int32Alt), {0x88, 0x13, 0, 0}), "5000");
  EXPECT_EQ(Reply(MakeRequest(0, 4, TypeCode::Int32Alt), {0x78, 0xEC, 0xFF, 0xFF}), "-5000");
}

TEST(ServerReplyText, FloatsReadBackToTheSameDouble) {
  std::mt19937_64 random(20240611);
  std::vector<double> values = {0.0, -0.0, 0.1, -2.5, 1.0 / 3.0, 1e-5, 123456789.125, 5e-324, 2.2250738585072014e-308,
                                1.7976931348623157e308, -1e300, 3.0e-7, 90.0, -179.99999999999997};
  for (int i = 0; i < 2000; ++i) {
    uint64_t bits = random();
    double v;
    std::memcpy(&v, &bits, 8);
    if (std::isfinite(v)) values.push_back(v);
  }
  for (double v : values) {
    bool finite = false;
    std::string text = Reply(MakeRequest(0, 8, TypeCode::Float64), DoubleBytes(v), &finite);
    EXPECT_TRUE(finite);
    double back = 1234.5;
    ASSERT_TRUE(ParseReplyNumber(text, ',', &back)) << text;  // the display's own reading, comma locale
    EXPECT_EQ(std::memcmp(&back, &v, 8), 0) << text;
    EXPECT_EQ(text.find(','), std::string::npos) << text;
  }
}

TEST(ServerReplyText, NonFiniteFloatsAreAnsweredZero) {
  for (double v : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    bool finite = true;
    EXPECT_EQ(Reply(MakeRequest(0, 8, TypeCode::Float64), DoubleBytes(v), &finite), "0");
    EXPECT_FALSE(finite);
  }
}

TEST(ServerReplyText, TextsStopAtTheFirstZeroAndAtTheSize) {
  EXPECT_EQ(Reply(MakeRequest(0, 6, TypeCode::Text), {'I', 'O', 'R', 'V', 0, 'X'}), "IORV");
  EXPECT_EQ(Reply(MakeRequest(0, 5, TypeCode::Text), {'1', '2', '.', '5', 'N'}), "12.5N");
  EXPECT_EQ(Reply(MakeRequest(0, 5, TypeCode::Text), {0, 'A', 'B', 'C', 'D'}), "");
  std::string high = Reply(MakeRequest(0, 3, TypeCode::Text), {0xE9, 0x01, 0x7F});
  EXPECT_EQ(high, std::string("\xE9\x01\x7F", 3));  // passed as they are
}

// Every value of every requested read-list row comes back to the display with the same bits in its
// field, through the display's own reply parsing and field conversion.
TEST(ServerReplyText, DisplayRecoversTheExactFieldBitsOfEveryRow) {
  std::mt19937 random(7);
  for (const ReadListRow* row : NetworkRequestOrder()) {
    ParseResult parsed = ParseRequest(BuildRequestText(int32_t(row->offset), row->netSize, row->netType));
    ASSERT_TRUE(parsed.ok);
    std::vector<std::vector<uint8_t>> patterns;
    patterns.push_back(std::vector<uint8_t>(row->size, 0x00));
    patterns.push_back(std::vector<uint8_t>(row->size, 0xFF));
    patterns.push_back(std::vector<uint8_t>(row->size, 0x80));
    patterns.push_back(std::vector<uint8_t>(row->size, 0x7F));
    std::vector<uint8_t> top(row->size, 0x00);
    top.back() = 0x80;
    patterns.push_back(top);
    for (int i = 0; i < 200; ++i) {
      std::vector<uint8_t> p(row->size);
      for (uint8_t& b : p) b = uint8_t(random());
      patterns.push_back(p);
    }
    for (const std::vector<uint8_t>& bytes : patterns) {
      if (row->kind == RawKind::Float64) {
        double v;
        std::memcpy(&v, bytes.data(), 8);
        if (!std::isfinite(v)) continue;
      }
      std::string reply = Reply(parsed.request, bytes);
      InterfaceValues state{};
      if (row->kind == RawKind::Text) {
        StoreTextReply(state, *row, reply);
      } else {
        double value = 0;
        ASSERT_TRUE(ParseReplyNumber(reply, '.', &value)) << reply;
        ASSERT_TRUE(StoreNumberReply(state, *row, value)) << "row " << row->row << " reply " << reply;
      }
      if (row->field == FlightVar::None) continue;
      std::vector<uint8_t> back(row->size);
      LoadRawBytes(state, *row, back.data());
      std::vector<uint8_t> expected = bytes;
      if (row->kind == RawKind::Text) {
        size_t n = 0;
        while (n < expected.size() && expected[n] != 0) ++n;
        std::fill(expected.begin() + long(n), expected.end(), uint8_t(0));
      }
      EXPECT_EQ(back, expected) << "row " << row->row << " (" << FieldName(row->field) << ") reply " << reply;
    }
  }
}

TEST(ServerCommandLine, DefaultsAndEveryOption) {
  server::CommandLine cl;
  std::string error;
  ASSERT_TRUE(server::ParseCommandLine({}, &cl, &error)) << error;
  EXPECT_EQ(cl.server.port, 2100);
  EXPECT_EQ(cl.server.bindAddress, "0.0.0.0");
  EXPECT_EQ(cl.source, server::SourceKind::Demo);
  EXPECT_EQ(cl.refreshMs, 20u);
  ASSERT_TRUE(server::ParseCommandLine({"--port", "0", "--bind", "127.0.0.1", "--source", "ipc", "--refresh-ms",
                                        "50", "--duration", "1.5", "--max-clients", "64"},
                                       &cl, &error))
      << error;
  EXPECT_EQ(cl.server.port, 0);
  EXPECT_EQ(cl.server.bindAddress, "127.0.0.1");
  EXPECT_EQ(cl.source, server::SourceKind::Ipc);
  EXPECT_EQ(cl.refreshMs, 50u);
  EXPECT_DOUBLE_EQ(cl.server.durationSeconds, 1.5);
  EXPECT_EQ(cl.server.maxClients, 64);
  ASSERT_TRUE(server::ParseCommandLine({"--demo-time", "42.5", "--freeze"}, &cl, &error)) << error;
  EXPECT_DOUBLE_EQ(cl.demoTime, 42.5);
  EXPECT_TRUE(cl.freeze);
  ASSERT_TRUE(server::ParseCommandLine({"--values", "state.txt"}, &cl, &error)) << error;
  EXPECT_EQ(cl.source, server::SourceKind::Values);
  EXPECT_EQ(cl.valuesFile, "state.txt");
}

TEST(ServerCommandLine, BadValuesNameTheOption) {
  const std::vector<std::vector<std::string>> bad = {
      {"--port", "65536"},      {"--port", "-1"},          {"--port"},
      {"--port", "21x"},        {"--source", "file"},      {"--refresh-ms", "0"},
      {"--duration", "0"},      {"--duration", "nan"},     {"--demo-time", "-3"},
      {"--max-clients", "0"},   {"--source", "values"},    {"--values", "a", "--source", "ipc"},
      {"--frobnicate"},
  };
  for (const auto& args : bad) {
    server::CommandLine cl;
    std::string error;
    EXPECT_FALSE(server::ParseCommandLine(args, &cl, &error)) << args[0];
    EXPECT_NE(error.find(args[0]), std::string::npos) << error;
  }
}
