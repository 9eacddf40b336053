// libFuzzer harness for network replies: assembly from received pieces, number parsing, storing into fields, frame rules.
//
// The input is cut into the pieces the connection delivers. A model of the byte stream says which
// replies must come out of the assembly, and when it must report a bad stream. Each reply is then
// parsed as a number (checked against the C library's reading of the same text), stored into a
// read-list row's field or text, and the finished state goes through the conversions and the
// frame rules.
#include <fuzzer/FuzzedDataProvider.h>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "model/interface_codec.h"
#include "simdata/flight_state_file.h"
#include "model/network_reply.h"
#include "pfd/frame_rules.h"
#include "model/read_list.h"
#include "sources/hx_data_exchange.h"
#include "sources/net_requests.h"

namespace {

// True for the plain decimal numbers every server sends: blanks, sign, digits, one separator.
bool IsPlainDecimal(const std::string& text, char separator) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  while (n > i && text[n - 1] == ' ') --n;
  if (i < n && (text[i] == '-' || text[i] == '+')) ++i;
  size_t digits = 0;
  bool point = false;
  for (; i < n; ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      ++digits;
    } else if ((text[i] == '.' || text[i] == separator) && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits > 0 && digits < 300;
}

// The C library's reading of an accepted reply (blanks trimmed, the separator made a full stop).
void CheckAgainstStrtod(const std::string& text, char separator, double parsed) {
  std::string t;
  for (char c : text) {
    if (c != ' ') t += (c == separator ? '.' : c);
  }
  char* end = nullptr;
  errno = 0;
  const double reference = std::strtod(t.c_str(), &end);
  FUZZ_CHECK(end == t.c_str() + t.size());
  // Values too small to hold read as 0; the C library may give a subnormal for them instead.
  FUZZ_CHECK(parsed == reference || (parsed == 0 && std::fabs(reference) < DBL_MIN));
}

void CheckNumber(const std::string& reply, char separator, double* value, bool* ok) {
  *value = -1;
  *ok = ParseReplyNumber(reply, separator, value);
  if (!*ok) {
    FUZZ_CHECK(*value == -1);  // a refused reply leaves the value alone
    FUZZ_CHECK(!IsPlainDecimal(reply, separator));
    return;
  }
  FUZZ_CHECK(std::isfinite(*value));
  for (char c : reply) {
    FUZZ_CHECK((c >= '0' && c <= '9') || c == ' ' || c == '+' || c == '-' || c == '.' || c == separator ||
               c == 'e' || c == 'E');
  }
  CheckAgainstStrtod(reply, separator, *value);
}

// Stores a reply the way the network frame does and checks the field took what it should.
void StoreReply(InterfaceValues& state, const ReadListRow& row, const std::string& reply, char separator) {
  if (row.kind == RawKind::Text) {
    StoreTextReply(state, row, reply);
    if (row.field == FlightVar::DmeText) FUZZ_CHECK(state.DmeText == reply);
    if (row.field == FlightVar::Nav1Ident) FUZZ_CHECK(state.Nav1Ident == reply);
    return;
  }
  double value = 0;
  bool ok = false;
  CheckNumber(reply, separator, &value, &ok);
  if (!ok) return;
  const InterfaceValues before = state;
  if (!StoreNumberReply(state, row, value)) {
    // A number that does not fit changes nothing.
    FUZZ_CHECK(FormatFlightStateText(state) == FormatFlightStateText(before));
    FUZZ_CHECK(row.kind != RawKind::Float64);
    return;
  }
  if (row.field == FlightVar::Pitch) FUZZ_CHECK(state.Pitch == value);
  if (row.field == FlightVar::Altimeter) FUZZ_CHECK(double(state.Altimeter) == std::nearbyint(value));
  if (row.field == FlightVar::LocNeedle) FUZZ_CHECK(uint8_t(state.LocNeedle) == uint8_t(int32_t(std::nearbyint(value))));
}

void CheckFrame(const FrameDescription& f) {
  FUZZ_CHECK(f.ilsState == 0 || f.ilsState == 1 || f.ilsState == 4);
  FUZZ_CHECK(f.bars.size() <= 4);
  for (const FrameBar& b : f.bars) FUZZ_CHECK(std::isfinite(b.offset) && std::fabs(b.offset) <= 1.0);
  for (const FrameText& t : f.texts) FUZZ_CHECK(!t.text.empty() && t.text.size() <= 8);
  FUZZ_CHECK(std::fabs(f.glideSlopeOffset) <= 127 * 0.0094488 + 1e-9);
  FUZZ_CHECK(std::fabs(f.localizerOffset) <= 127 * 0.0108661417 + 1e-9);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fdp(data, size);
  const char separator = fdp.ConsumeBool() ? ',' : '.';
  THxDataExchange exchange(separator);
  FUZZ_CHECK(exchange.DecimalSeparator() == separator);
  std::string model;  // bytes received; those from modelStart on are held
  size_t modelStart = 0;
  InterfaceValues state{};
  size_t replies = 0;

  while (fdp.remaining_bytes() > 0) {
    // A piece as the socket delivers it; now and then a long one, to reach the limits.
    size_t length = fdp.ConsumeIntegralInRange<size_t>(0, 64);
    const uint8_t repeat = fdp.ConsumeIntegral<uint8_t>();
    std::string piece = fdp.ConsumeBytesAsString(length);
    if (repeat >= 250 && !piece.empty()) {
      while (piece.size() < 5000) piece += piece;
    }
    exchange.Append(reinterpret_cast<const uint8_t*>(piece.data()), piece.size());
    model.erase(0, modelStart);
    modelStart = 0;
    model += piece;

    for (;;) {
      const size_t found = model.find('\0', modelStart);
      const size_t zero = found == std::string::npos ? found : found - modelStart;  // reply length
      const bool complete = zero != std::string::npos && zero <= THxDataExchange::kMaxReplyBytes;
      std::string reply = "unchanged";
      const bool took = exchange.TakeReply(&reply);
      FUZZ_CHECK(took == complete);
      if (!took) {
        FUZZ_CHECK(reply == "unchanged");
        break;
      }
      FUZZ_CHECK(reply.size() == zero && model.compare(modelStart, zero, reply) == 0);
      modelStart += zero + 1;
      ++replies;
      const ReadListRow& row = ReadList()[fdp.ConsumeIntegralInRange<size_t>(0, kReadListRows - 1)];
      StoreReply(state, row, reply, separator);
    }
    const size_t held = model.size() - modelStart;
    FUZZ_CHECK(exchange.PendingBytes() == held);
    const size_t found = model.find('\0', modelStart);
    const bool overflowed = held > THxDataExchange::kMaxPendingBytes ||
                            (held > THxDataExchange::kMaxReplyBytes &&
                             (found == std::string::npos || found - modelStart > THxDataExchange::kMaxReplyBytes));
    FUZZ_CHECK(exchange.Overflowed() == overflowed);
    if (overflowed) {
      // The requests drop the connection and everything held.
      exchange.Reset();
      model.clear();
      modelStart = 0;
      FUZZ_CHECK(exchange.PendingBytes() == 0 && !exchange.Overflowed());
    }
  }

  ApplyConversions(state, InclinationRule::Raw);
  CheckFrame(DecideFrame(state, replies % 2 == 1));
  return 0;
}
