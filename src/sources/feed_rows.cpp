// Simulator values into flight variables, row by row, and the age of each row's last refresh.
#include "sources/feed_rows.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr double kFullScaleDots = 2.5;

bool OneOf(std::string_view text, const char* words) {
  if (words == nullptr) return false;
  std::string_view list(words);
  while (!list.empty()) {
    size_t bar = list.find('|');
    std::string_view word = list.substr(0, bar);
    if (word == text) return true;
    if (bar == std::string_view::npos) break;
    list.remove_prefix(bar + 1);
  }
  return false;
}

// The integer value of a flag word sent as a float; negative or huge values have no bits.
uint32_t Bits(double v) {
  if (!(v >= 0) || v > 4294967295.0) return 0;
  return uint32_t(std::llround(v));
}

void SetFlag(InterfaceValues& state, FlightVar var, bool on) { SetFromUnit(state, var, on ? 1.0 : 0.0); }

void SetBit(InterfaceValues& state, FlightVar var, uint32_t mask, bool on) {
  uint32_t word = Bits(RawNumber(state, var));
  word = on ? (word | mask) : (word & ~mask);
  SetRawNumber(state, var, double(word));
  state.Valid.Add(var);
}

void SetLimitedText(InterfaceValues& state, FlightVar var, std::string_view text) {
  const size_t size = VarInfo(var).size;
  SetText(state, var, std::string(text.substr(0, text.size() < size ? text.size() : size)));
  state.Valid.Add(var);
}

// A localiser channel: 108.10 to 111.95 MHz with an odd tenths digit (108.10, 108.15, 108.30 ...).
bool IsLocaliserChannel(double mhz) {
  const long hundredths = std::lround(mhz * 100);
  return hundredths >= 10810 && hundredths <= 11195 && (hundredths / 10) % 2 == 1;
}

}  // namespace

bool ApplyFeedRow(const FeedRow& row, double v, std::string_view text, InterfaceValues& state) {
  if (!std::isfinite(v)) return false;
  const FlightVar var = row.var;
  switch (row.conv) {
    case FeedConv::Value:
      SetFromUnit(state, var, v * row.param);
      break;
    case FeedConv::Heading: {
      double degrees = std::fmod(v, 360.0);
      if (degrees < 0) degrees += 360.0;
      // Just below 360 may round up to the full circle in the variable's steps: that is north.
      const double steps = std::round(degrees / VarInfo(var).factor);
      SetFromUnit(state, var, steps * VarInfo(var).factor >= 360.0 ? 0.0 : degrees);
      break;
    }
    case FeedConv::AtLeast:
      if (!(v >= row.param)) return false;
      SetFromUnit(state, var, v);
      break;
    case FeedConv::OnlyAbove:
      if (v > 0) SetFromUnit(state, var, v);
      break;
    case FeedConv::Needle: {
      const double dots = v * row.param;
      SetFromUnit(state, var, dots > kFullScaleDots ? kFullScaleDots : dots < -kFullScaleDots ? -kFullScaleDots : dots);
      break;
    }
    case FeedConv::Inclination:
      SetFromUnit(state, var, v >= 0.5 ? row.param : 0.0);
      break;
    case FeedConv::FlagAtLeast:
      SetFlag(state, var, v >= row.param);
      break;
    case FeedConv::FlagAnyBit:
      SetFlag(state, var, (Bits(v) & row.mask) != 0);
      break;
    case FeedConv::FlagText:
      SetFlag(state, var, OneOf(text, row.match));
      break;
    case FeedConv::FlagTextNotEmpty:
      SetFlag(state, var, !text.empty());
      break;
    case FeedConv::FlagTextNotEmptyToo:
      if (!text.empty()) SetFlag(state, var, true);
      break;
    case FeedConv::BitAtLeast:
      SetBit(state, var, row.mask, v >= row.param);
      break;
    case FeedConv::BitAnyBit:
      SetBit(state, var, row.mask, (Bits(v) & Bits(row.param)) != 0);
      break;
    case FeedConv::BitText:
      SetBit(state, var, row.mask, OneOf(text, row.match));
      break;
    case FeedConv::BitIlsChannel:
      SetBit(state, var, row.mask, IsLocaliserChannel(v * row.param));
      break;
    case FeedConv::DmeText: {
      char t[32] = {};
      if (v > 0 && v < 1000) std::snprintf(t, sizeof t, "%05.1f", v);
      else if (v >= 1000 && v < 10000) std::snprintf(t, sizeof t, "%4.0f", v);
      SetLimitedText(state, var, t);
      break;
    }
    case FeedConv::BlankUnless:
      if (!(v >= row.param)) SetLimitedText(state, var, {});
      break;
    case FeedConv::TextChar: {
      const size_t size = VarInfo(var).size;
      if (row.mask >= size) return false;
      std::string chars = TextOf(state, var);
      chars.resize(size, '\0');  // the characters after a zero stay, as in the interface's bytes
      const long c = std::lround(v);
      chars[row.mask] = char(c >= 32 && c < 127 ? c : 0);
      SetText(state, var, chars);
      state.Valid.Add(var);
      break;
    }
    case FeedConv::Text:
      SetLimitedText(state, var, text);
      break;
  }
  return true;
}

void EndTextsAtZero(InterfaceValues& state) {
  for (size_t v = 0; v < kFlightVarCount; ++v) {
    const FlightVarInfo& info = VarInfo(FlightVar(v));
    if (info.kind != RawKind::Text) continue;
    const std::string& text = TextOf(state, info.var);
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) SetText(state, info.var, text.substr(0, zero));
  }
}

PathIndex IndexPaths(const FeedRow* rows, size_t count) {
  PathIndex index;
  for (size_t r = 0; r < count; ++r) {
    size_t p = 0;
    while (p < index.paths.size() && std::strcmp(index.paths[p], rows[r].path) != 0) ++p;
    if (p == index.paths.size()) index.paths.push_back(rows[r].path);
    index.rowPath.push_back(p);
  }
  return index;
}

FeedFreshness::FeedFreshness(const FeedRow* rows, size_t count, uint64_t maxAgeMicros)
    : rows_(rows), count_(count), maxAge_(maxAgeMicros), last_(count, 0) {
  for (size_t r = 0; r < count; ++r) written_.Add(rows[r].var);
}

VarSet FeedFreshness::FreshVars(uint64_t nowMicros) const {
  VarSet fresh = written_;
  for (size_t r = 0; r < count_; ++r)
    if (last_[r] == 0 || nowMicros - last_[r] > maxAge_) fresh.Remove(rows_[r].var);
  return fresh;
}

bool FeedFreshness::Fresh(uint32_t offset, uint32_t size, uint64_t nowMicros) const {
  const VarSet fresh = FreshVars(nowMicros);
  for (size_t v = 0; v < kFlightVarCount; ++v) {
    const FlightVarInfo& info = VarInfo(FlightVar(v));
    if (!written_.Has(info.var) || offset >= info.offset + info.size || offset + size <= info.offset) continue;
    if (!fresh.Has(info.var)) return false;
  }
  return true;
}

bool FeedFreshness::AllStale(uint64_t nowMicros) const {
  for (uint64_t t : last_)
    if (t != 0 && nowMicros - t <= maxAge_) return false;
  return true;
}

