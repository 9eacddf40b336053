// Reading and writing flight-state files (key=value lines of raw interface values).
#include "simdata/flight_state_file.h"

#include "model/interface_codec.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

#include "model/interface_codec.h"
#include "platform/byte_order.h"

namespace {

struct IntRange {
  int64_t min;
  int64_t max;
};

IntRange RangeOf(RawKind kind) {
  switch (kind) {
    case RawKind::U32: return {0, 4294967295LL};
    case RawKind::S32: return {-2147483648LL, 2147483647LL};
    case RawKind::U16: return {0, 65535};
    case RawKind::S16: return {-32768, 32767};
    case RawKind::U8: return {0, 255};
    case RawKind::S8: return {-128, 127};
    case RawKind::Float64:
    case RawKind::Text: break;
  }
  return {0, 0};
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsPrintable(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 0x20 && u < 0x7F;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// A value as it may be shown in a message: unprintable bytes escaped, long values shortened.
std::string Shown(const std::string& s) {
  constexpr size_t kMaxShown = 48;
  std::string out;
  for (size_t i = 0; i < s.size() && i < kMaxShown; ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x20 && c < 0x7F) {
      out += char(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  if (s.size() > kMaxShown) out += "...";
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decimal or 0x-hexadecimal integer with an optional sign; false on anything else or when the
// magnitude passes 2^40 (far beyond every field).
bool ParseInteger(const std::string& text, int64_t* value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  constexpr int64_t kLimit = int64_t(1) << 40;
  int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    int d = HexDigit(text[i]);
    if (d < 0 || d >= base) return false;
    magnitude = magnitude * base + d;
    if (magnitude > kLimit) return false;
  }
  *value = negative ? -magnitude : magnitude;
  return true;
}

// A decimal floating-point number, "nan" or "inf" (the frame rules have cases for those).
bool ParseDouble(const std::string& text, double* value) {
  std::string t = text;
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  if (t.empty() || t[0] == '+') return false;
  double v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || end != t.data() + t.size()) return false;
  *value = v;
  return true;
}

// A text value: bare (taken as written) or in double quotes with \\, \" and \xHH escapes.
bool ParseText(const std::string& raw, std::string* out, std::string* why) {
  out->clear();
  if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
    for (size_t i = 1; i + 1 < raw.size(); ++i) {
      char c = raw[i];
      if (c == '\\') {
        if (i + 2 >= raw.size()) {
          *why = "unfinished escape";
          return false;
        }
        char n = raw[++i];
        if (n == '\\' || n == '"') {
          *out += n;
        } else if (n == 'x' && i + 3 < raw.size() && HexDigit(raw[i + 1]) >= 0 &&
                   HexDigit(raw[i + 2]) >= 0) {
          *out += char(HexDigit(raw[i + 1]) * 16 + HexDigit(raw[i + 2]));
          i += 2;
        } else {
          *why = "unknown escape (use \\\\, \\\" or \\xHH)";
          return false;
        }
      } else if (c == '"') {
        *why = "a quote inside a quoted text must be written \\\"";
        return false;
      } else if (!IsPrintable(c)) {
        *why = "unprintable character (write it as \\xHH inside quotes)";
        return false;
      } else {
        *out += c;
      }
    }
  } else {
    if (!raw.empty() && raw.front() == '"') {
      *why = "missing closing quote";
      return false;
    }
    for (char c : raw) {
      if (!IsPrintable(c)) {
        *why = "unprintable character (write it as \\xHH inside quotes)";
        return false;
      }
    }
    *out = raw;
  }
  for (char c : *out) {
    if (c == '\0') {
      *why = "a text cannot hold a zero byte";
      return false;
    }
  }
  return true;
}

// Stores one integer (already range-checked for the variable's kind) through the interface's bytes.
void StoreInteger(InterfaceValues& state, const FlightVarInfo& info, int64_t v) {
  uint8_t bytes[8] = {};
  le::PutN(bytes, uint64_t(v), info.size);
  StoreRawBytes(state, info.var, bytes);
}

void StoreDouble(InterfaceValues& state, const FlightVarInfo& info, double v) {
  uint8_t bytes[8] = {};
  le::PutAs(bytes, v);
  StoreRawBytes(state, info.var, bytes);
}

int64_t LoadInteger(const InterfaceValues& state, const FlightVarInfo& info) {
  uint8_t bytes[8] = {};
  LoadRawBytes(state, info.var, bytes);
  uint64_t bits = 0;
  for (uint32_t i = 0; i < info.size && i < 8; ++i) bits |= uint64_t(bytes[i]) << (8 * i);
  switch (info.kind) {
    case RawKind::S32: return int32_t(uint32_t(bits));
    case RawKind::S16: return int16_t(uint16_t(bits));
    case RawKind::S8: return int8_t(uint8_t(bits));
    default: return int64_t(bits);
  }
}

double LoadDouble(const InterfaceValues& state, const FlightVarInfo& info) {
  uint8_t bytes[8] = {};
  LoadRawBytes(state, info.var, bytes);
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= uint64_t(bytes[i]) << (8 * i);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

const char* KindName(RawKind kind) {
  switch (kind) {
    case RawKind::Float64: return "float64";
    case RawKind::U32: return "uint32";
    case RawKind::S32: return "int32";
    case RawKind::U16: return "uint16";
    case RawKind::S16: return "int16";
    case RawKind::U8: return "uint8";
    case RawKind::S8: return "int8";
    case RawKind::Text: return "text";
  }
  return "";
}

// The variables a file may give: every one an InterfaceValues member holds, in the rows' order.
template <typename Visit>
void ForEachKey(Visit&& visit) {
  for (size_t v = 0; v < kFlightVarCount; ++v) {
    const FlightVarInfo& info = VarInfo(FlightVar(v));
    if (info.hasField) visit(info);
  }
}

std::string QuoteText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

bool ParseFlightStateText(const std::string& text, const std::string& sourceName,
                          InterfaceValues& state, std::string& error) {
  if (text.size() > kFlightStateFileMaxBytes) {
    error = sourceName + ": larger than " + std::to_string(kFlightStateFileMaxBytes) + " bytes";
    return false;
  }
  InterfaceValues parsed{};
  std::map<FlightVar, size_t> seenOnLine;
  size_t lineNo = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string where = sourceName + ":" + std::to_string(lineNo) + ": ";

    std::string content = Trim(line);
    if (content.empty() || content[0] == '#' || content[0] == ';') continue;
    size_t eq = content.find('=');
    if (eq == std::string::npos) {
      error = where + "expected key=value, got '" + Shown(content) + "'";
      return false;
    }
    const std::string key = Trim(content.substr(0, eq));
    const std::string value = Trim(content.substr(eq + 1));
    const std::string item = where + "key '" + Shown(key) + "' value '" + Shown(value) + "': ";

    FlightVar field = FlightVar::None;
    if (!VarFromName(key, &field) || !VarInfo(field).hasField) {
      error = where + "unknown key '" + Shown(key) + "' (value '" + Shown(value) + "')";
      return false;
    }
    const FlightVarInfo& info = VarInfo(field);
    auto seen = seenOnLine.find(field);
    if (seen != seenOnLine.end()) {
      error = item + "key given twice (first on line " + std::to_string(seen->second) + ")";
      return false;
    }
    seenOnLine[field] = lineNo;

    switch (info.kind) {
      case RawKind::Text: {
        std::string decoded, why;
        if (!ParseText(value, &decoded, &why)) {
          error = item + why;
          return false;
        }
        if (decoded.size() > info.size) {
          error = item + "longer than " + std::to_string(info.size) + " characters";
          return false;
        }
        SetText(parsed, field, decoded);
        break;
      }
      case RawKind::Float64: {
        double v = 0;
        if (!ParseDouble(value, &v)) {
          error = item + "not a number";
          return false;
        }
        StoreDouble(parsed, info, v);
        break;
      }
      default: {
        int64_t v = 0;
        const IntRange range = RangeOf(info.kind);
        if (!ParseInteger(value, &v)) {
          error = item + "not an integer (decimal, or hexadecimal with 0x)";
          return false;
        }
        if (v < range.min || v > range.max) {
          error = item + "out of range " + std::to_string(range.min) + ".." +
                  std::to_string(range.max);
          return false;
        }
        StoreInteger(parsed, info, v);
        break;
      }
    }
  }
  state = std::move(parsed);
  return true;
}

bool ReadFlightStateFile(const std::string& path, InterfaceValues& state, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot open file: " + std::strerror(errno);
    return false;
  }
  std::string text(kFlightStateFileMaxBytes + 1, '\0');
  in.read(&text[0], std::streamsize(text.size()));
  const std::streamsize got = in.gcount();
  if (in.bad()) {
    error = path + ": read error";
    return false;
  }
  if (size_t(got) > kFlightStateFileMaxBytes) {
    error = path + ": larger than " + std::to_string(kFlightStateFileMaxBytes) + " bytes";
    return false;
  }
  text.resize(size_t(got));
  return ParseFlightStateText(text, path, state, error);
}

std::string FormatFlightStateText(const InterfaceValues& state) {
  std::string out =
      "# Flight state: raw interface values (orvane-sim --help lists the keys and their units)\n";
  ForEachKey([&](const FlightVarInfo& info) {
    out += info.name;
    out += '=';
    char buf[64];
    switch (info.kind) {
      case RawKind::Text:
        out += QuoteText(TextOf(state, info.var));
        break;
      case RawKind::Float64: {
        const double v = LoadDouble(state, info);
        if (std::isnan(v)) {
          out += "nan";
        } else {
          auto res = std::to_chars(buf, buf + sizeof buf, v);  // shortest exact form
          out.append(buf, res.ptr);
        }
        break;
      }
      default: {
        const int64_t v = LoadInteger(state, info);
        const InterfaceCodecRow* row = CodecRowOf(info.var);
        if (row != nullptr && row->rule == CodecRule::AllBits) {
          std::snprintf(buf, sizeof buf, info.size == 1 ? "0x%02llX" : "0x%04llX",
                        static_cast<unsigned long long>(v));
        } else {
          std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
        }
        out += buf;
        break;
      }
    }
    out += '\n';
  });
  return out;
}

std::string FlightStateKeysText() {
  std::string out;
  ForEachKey([&](const FlightVarInfo& info) {
    char line[128];
    const InterfaceCodecRow* row = CodecRowOf(info.var);
    const CodecRule rule = row != nullptr ? row->rule : CodecRule::FlagIsOne;
    const char* unit = row != nullptr ? UnitName(UnitOf(row->reading)) : "";
    if (row != nullptr && *unit == '\0') unit = "count";  // a number without a unit
    const double factor = row != nullptr ? row->factor : 1.0;
    if (info.kind == RawKind::Text) {
      std::snprintf(line, sizeof line, "  %-22s text     up to %u characters\n", info.name, unsigned(info.size));
    } else if (rule == CodecRule::AllBits) {
      std::snprintf(line, sizeof line, "  %-22s %-8s bits\n", info.name, KindName(info.kind));
    } else if (rule == CodecRule::FlagIsOne) {
      std::snprintf(line, sizeof line, "  %-22s %-8s flag\n", info.name, KindName(info.kind));
    } else if (factor == 1.0 || factor == -1.0) {
      std::snprintf(line, sizeof line, "  %-22s %-8s %s%s\n", info.name, KindName(info.kind), unit,
                    factor < 0 ? " (nose down / left wing down positive)" : "");
    } else {
      std::snprintf(line, sizeof line, "  %-22s %-8s %s x %.9g\n", info.name, KindName(info.kind), unit,
                    1.0 / factor);
    }
    out += line;
  });
  return out;
}
