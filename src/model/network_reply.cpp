// The network requests' wire format and the rules that store a reply into its read-list field.
#include "model/network_reply.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

// The rewritten number: in a fixed buffer when it fits, else in a string.
class NormalText {
 public:
  explicit NormalText(size_t most) : data_(fixed_) {
    if (most > sizeof fixed_) {
      spill_.resize(most);
      data_ = spill_.data();
    }
  }
  NormalText& operator+=(char c) {
    data_[size_++] = c;
    return *this;
  }
  const char* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  char fixed_[64];
  std::string spill_;
  char* data_;
  size_t size_ = 0;
};

// Rounds halves to even; false when the result lies outside [low, high].
bool RoundWithin(double value, double low, double high, double* rounded) {
  if (!std::isfinite(value)) return false;
  double r = std::nearbyint(value);
  if (r < low || r > high) return false;
  *rounded = r;
  return true;
}

constexpr double kInt64Low = -9223372036854775808.0;
constexpr double kInt64High = 9223372036854774784.0;  // the largest double below 2^63
constexpr double kInt32Low = -2147483648.0;
constexpr double kInt32High = 2147483647.0;

// The low 32 bits of the value rounded into a 64-bit integer.
bool Low32Of64(double value, uint32_t* out) {
  double r = 0;
  if (!RoundWithin(value, kInt64Low, kInt64High, &r)) return false;
  *out = static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(r)));
  return true;
}

// The value rounded into a signed 32-bit integer (then cut by the caller to the field's width).
bool Int32Of(double value, uint32_t* out) {
  double r = 0;
  if (!RoundWithin(value, kInt32Low, kInt32High, &r)) return false;
  *out = static_cast<uint32_t>(static_cast<int32_t>(r));
  return true;
}

}  // namespace

namespace {

void AppendRequest(int32_t offset, const std::string& size, const std::string& typeCode, std::string* out) {
  // The decimal offset, then the two texts with their commas, with one allocation at most.
  char digits[16];
  const auto written = std::to_chars(digits, digits + sizeof digits, offset);
  const size_t length = size_t(written.ptr - digits);
  out->reserve(out->size() + length + 2 + size.size() + typeCode.size());
  out->append(digits, length);
  *out += ',';
  *out += size;
  *out += ',';
  *out += typeCode;
}

}  // namespace

std::string BuildRequestText(int32_t offset, const std::string& size, const std::string& typeCode) {
  std::string text;
  AppendRequest(offset, size, typeCode, &text);
  return text;
}

void AppendRequestText(const ReadListRow& row, std::string* out) {
  AppendRequest(int32_t(row.offset), row.netSize, row.netType, out);
}

bool ParseReplyNumber(const std::string& text, char localeSeparator, double* value) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  size_t end = n;
  while (end > i && text[end - 1] == ' ') --end;
  // The number in the form from_chars reads: sign, digits, '.', digits, exponent. It is never
  // longer than the text, so a reply of usual length is rewritten on the stack.
  NormalText normal(end - i);
  size_t p = i;
  if (p < end && (text[p] == '+' || text[p] == '-')) {
    if (text[p] == '-') normal += '-';
    ++p;
  }
  int digits = 0;
  bool separator = false;
  for (; p < end; ++p) {
    char c = text[p];
    if (c >= '0' && c <= '9') {
      normal += c;
      ++digits;
    } else if ((c == '.' || c == localeSeparator) && !separator) {
      normal += '.';
      separator = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  bool negativeExponent = false;
  if (p < end && (text[p] == 'e' || text[p] == 'E')) {
    normal += 'e';
    ++p;
    if (p < end && (text[p] == '+' || text[p] == '-')) {
      negativeExponent = text[p] == '-';
      normal += text[p];
      ++p;
    }
    int exponentDigits = 0;
    for (; p < end && text[p] >= '0' && text[p] <= '9'; ++p) {
      normal += text[p];
      ++exponentDigits;
    }
    if (exponentDigits == 0) return false;
  }
  if (p != end) return false;
  double v = 0;
#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 170000
  // libc++ before 17 (the browser build's) reads no floating-point text with from_chars: strtod,
  // whose locale is always "C" there, reads the same normalized text.
  errno = 0;
  // strtod wants the text ended by a zero byte, which the stack buffer does not hold.
  const std::string ended(normal.data(), normal.size());
  char* stop = nullptr;
  v = std::strtod(ended.c_str(), &stop);
  const char* ptr = normal.data() + (stop - ended.c_str());
  // A subnormal result is a number, as from_chars takes it; only zero and infinity are out of range.
  const bool outOfRange = errno == ERANGE && (v == 0 || std::isinf(v));
  const std::errc ec = outOfRange ? std::errc::result_out_of_range : std::errc();
#else
  auto [ptr, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), v);
#endif
  if (ec == std::errc::result_out_of_range) {
    // Too small to hold is zero; too large is not a usable number.
    if (!negativeExponent) return false;
    v = 0;
  } else if (ec != std::errc() || ptr != normal.data() + normal.size()) {
    return false;
  }
  if (!std::isfinite(v)) return false;
  *value = v;
  return true;
}

std::string RequestTextOf(const ReadListRow& row) {
  return BuildRequestText(int32_t(row.offset), row.netSize, row.netType);
}

bool StoreNumberReply(InterfaceValues& s, const ReadListRow& row, double value) {
  if (row.field == FlightVar::None) return true;
  const FlightVarInfo& info = VarInfo(row.field);
  if (info.kind == RawKind::Text) return true;
  if (info.kind == RawKind::Float64) {
    SetRawNumber(s, row.field, value);
    return true;
  }
  uint32_t bits = 0;
  if (!(info.replyRule == ReplyRule::Wide ? Low32Of64(value, &bits) : Int32Of(value, &bits))) return false;
  // The low-order bits of the field's width, read with the field's signedness.
  uint8_t bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = uint8_t(bits >> (8 * i));
  StoreRawBytes(s, row.field, bytes);
  return true;
}

void StoreTextReply(InterfaceValues& state, const ReadListRow& row, const std::string& text) {
  if (row.field != FlightVar::None && VarInfo(row.field).kind == RawKind::Text) SetText(state, row.field, text);
}
