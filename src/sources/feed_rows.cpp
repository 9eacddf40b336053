// Simulator values into flight variables, row by row, and the age of each row's last refresh.
#include "sources/feed_rows.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "model/interface_codec.h"

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

void SetTerm(FeedState& state, ReadingId reading, uint32_t term, bool on) {
  uint32_t& word = state.terms[size_t(reading)];
  word = on ? (word | term) : (word & ~term);
}

void SetLimitedText(FlightState& state, ReadingId reading, std::string_view text, size_t size) {
  state.SetText(reading, std::string(text.substr(0, text.size() < size ? text.size() : size)));
}

// A localiser channel: 108.10 to 111.95 MHz with an odd tenths digit (108.10, 108.15, 108.30 ...).
bool IsLocaliserChannel(double mhz) {
  const long hundredths = std::lround(mhz * 100);
  return hundredths >= 10810 && hundredths <= 11195 && (hundredths / 10) % 2 == 1;
}

}  // namespace

bool ApplyFeedRow(const FeedRow& row, double v, std::string_view text, FeedState& feed) {
  if (!std::isfinite(v)) return false;
  FlightState& state = feed.readings;
  const ReadingId id = row.reading;
  switch (row.conv) {
    case FeedConv::Value:
      state.Set(id, v * row.param);
      break;
    case FeedConv::Heading: {
      double degrees = std::fmod(v, 360.0);
      if (degrees < 0) degrees += 360.0;
      state.Set(id, degrees);
      break;
    }
    case FeedConv::AtLeast:
      if (!(v >= row.param)) return false;
      state.Set(id, v);
      break;
    case FeedConv::Below:
      if (!(v > 0 && v < row.param)) return false;
      state.Set(id, v);
      break;
    case FeedConv::Fraction: {
      const double f = v * row.param;
      state.Set(id, f > 1 ? 1.0 : f < -1 ? -1.0 : f);
      break;
    }
    case FeedConv::OnlyAbove:
      if (v > 0) state.Set(id, v);
      break;
    case FeedConv::Needle: {
      const double dots = v * row.param;
      state.Set(id, dots > kFullScaleDots ? kFullScaleDots : dots < -kFullScaleDots ? -kFullScaleDots : dots);
      break;
    }
    case FeedConv::FlagAtLeast:
      state.SetFact(id, v >= row.param);
      break;
    case FeedConv::FlagIs:
      state.SetFact(id, std::fabs(v - row.param) < 0.5);
      break;
    case FeedConv::FlagAnyBit:
      state.SetFact(id, (Bits(v) & row.mask) != 0);
      break;
    case FeedConv::FlagText:
      state.SetFact(id, OneOf(text, row.match));
      break;
    case FeedConv::FlagTextNotEmpty:
      state.SetFact(id, !text.empty());
      break;
    case FeedConv::FlagTextNotEmptyToo:
      if (!text.empty()) state.SetFact(id, true);
      break;
    case FeedConv::TermAtLeast:
      SetTerm(feed, id, row.mask, v >= row.param);
      state.Valid.Add(id);
      break;
    case FeedConv::TermIlsChannel:
      SetTerm(feed, id, row.mask, IsLocaliserChannel(v * row.param));
      state.Valid.Add(id);
      break;
    case FeedConv::DmeText: {
      char t[32] = {};
      if (v > 0 && v < 1000) std::snprintf(t, sizeof t, "%05.1f", v);
      else if (v >= 1000 && v < 10000) std::snprintf(t, sizeof t, "%4.0f", v);
      SetLimitedText(state, id, t, row.mask);
      break;
    }
    case FeedConv::BlankUnless:
      if (!(v >= row.param)) state.SetText(id, {});
      break;
    case FeedConv::TextChar: {
      if (row.mask >= kMaxFeedText) return false;
      std::string chars = state.Text(id);
      if (chars.size() <= row.mask) chars.resize(row.mask + 1, '\0');  // later characters stay, as in bytes
      const long c = std::lround(v);
      chars[row.mask] = char(c >= 32 && c < 127 ? c : 0);
      state.SetText(id, chars);
      break;
    }
    case FeedConv::Text:
      SetLimitedText(state, id, text, row.mask);
      break;
  }
  return true;
}

void SettleTerms(const FeedRow* rows, size_t count, FeedState& feed) {
  std::array<uint32_t, kReadingCount> need{};
  for (size_t r = 0; r < count; ++r)
    if (rows[r].conv == FeedConv::TermAtLeast || rows[r].conv == FeedConv::TermIlsChannel)
      need[size_t(rows[r].reading)] |= rows[r].mask;
  for (size_t i = 0; i < kReadingCount; ++i) {
    if (need[i] == 0) continue;
    const bool valid = feed.readings.Valid.Has(ReadingId(i));
    feed.readings.SetFact(ReadingId(i), (feed.terms[i] & need[i]) == need[i]);
    if (!valid) feed.readings.Valid.Remove(ReadingId(i));
  }
}

void EndTextsAtZero(FlightState& state) {
  for (size_t i = 0; i < kReadingCount; ++i) {
    const ReadingId id = ReadingId(i);
    if (KindOf(id) != ReadingKind::Text) continue;
    const std::string& text = state.Text(id);
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) {
      const bool valid = state.Valid.Has(id);
      state.SetText(id, text.substr(0, zero));
      if (!valid) state.Valid.Remove(id);
    }
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
  for (size_t r = 0; r < count; ++r) written_.Add(rows[r].reading);
}

ReadingSet FeedFreshness::FreshReadings(uint64_t nowMicros) const {
  ReadingSet fresh = written_;
  for (size_t r = 0; r < count_; ++r)
    if (last_[r] == 0 || nowMicros - last_[r] > maxAge_) fresh.Remove(rows_[r].reading);
  return fresh;
}

bool FeedFreshness::Fresh(uint32_t offset, uint32_t size, uint64_t nowMicros) const {
  ReadingSet carried = ReadingsAt(offset, size);
  carried &= written_;
  return FreshReadings(nowMicros).Covers(carried);
}

bool FeedFreshness::AllStale(uint64_t nowMicros) const {
  for (uint64_t t : last_)
    if (t != 0 && nowMicros - t <= maxAge_) return false;
  return true;
}
