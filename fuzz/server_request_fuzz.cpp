// libFuzzer harness for the data server's requests: stream framing in any pieces, then the "offset,size,type" parser.
//
// A model of the stream says which requests the framer must hand out and when the stream is
// overlong; every request is parsed, and an accepted one must describe bytes inside the data
// area in a size its type code allows, and read back the same from its own canonical text.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "server/request_parser.h"

namespace {

void CheckRequest(const std::string& text) {
  const server::ParseResult r = server::ParseRequest(text);
  const std::string reply = server::MalformedReply(r);
  FUZZ_CHECK(reply == (r.wantsText ? "" : "0"));
  if (!r.ok) {
    FUZZ_CHECK(r.error != nullptr && r.error[0] != '\0');
    return;
  }
  const server::Request& q = r.request;
  FUZZ_CHECK(q.offset < server::kAreaSize);
  FUZZ_CHECK(uint64_t(q.offset) + q.size <= server::kAreaSize);
  if (q.type == server::TypeCode::Text) {
    FUZZ_CHECK(r.wantsText && q.size >= 1 && q.size <= server::kMaxTextSize);
  } else {
    FUZZ_CHECK(!r.wantsText && q.size == server::FixedSizeOf(q.type) && q.size != 0);
  }
  // Only digits and the two commas were accepted.
  size_t commas = 0;
  for (char c : text) {
    FUZZ_CHECK((c >= '0' && c <= '9') || c == ',');
    commas += c == ',';
  }
  FUZZ_CHECK(commas == 2);
  const std::string canonical =
      std::to_string(q.offset) + "," + std::to_string(q.size) + "," + std::to_string(int(q.type));
  const server::ParseResult again = server::ParseRequest(canonical);
  FUZZ_CHECK(again.ok && again.request.offset == q.offset && again.request.size == q.size &&
             again.request.type == q.type);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fdp(data, size);
  server::RequestFramer framer;
  std::string model;  // bytes appended and not yet taken
  bool overlong = false;
  while (fdp.remaining_bytes() > 0 && !overlong) {
    const std::string piece = fdp.ConsumeBytesAsString(fdp.ConsumeIntegralInRange<size_t>(0, 80));
    framer.Append(piece.data(), piece.size());
    model += piece;
    // The server may take fewer requests than are waiting before more bytes arrive.
    for (int takes = fdp.ConsumeIntegralInRange<int>(1, 6); takes > 0; --takes) {
      const size_t zero = model.find('\0');
      std::string request = "unchanged";
      const server::RequestFramer::Next next = framer.Take(request);
      if (zero != std::string::npos && zero <= server::kMaxRequestLength) {
        FUZZ_CHECK(next == server::RequestFramer::Next::Request);
        FUZZ_CHECK(request == model.substr(0, zero));
        model.erase(0, zero + 1);
        CheckRequest(request);
        continue;
      }
      FUZZ_CHECK(request == "unchanged");
      const bool tooLong = zero != std::string::npos || model.size() > server::kMaxRequestLength;
      FUZZ_CHECK(next == (tooLong ? server::RequestFramer::Next::Overlong : server::RequestFramer::Next::NeedMore));
      overlong = tooLong;  // the server closes such a connection
      break;
    }
    FUZZ_CHECK(framer.Buffered() == model.size());
  }
  // Each whole input, as one request text.
  CheckRequest(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
