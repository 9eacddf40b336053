// The read list table and the byte-level moves between simulator bytes and FlightState fields.
#include "pfd/read_list.h"

#include <cstring>
#include <type_traits>
#include "platform/byte_order.h"

namespace {

using F = StateField;
using K = RawKind;

// Network positions: rows 1-19 are requests 0-18, row 20 is not asked for, rows 21-28 are 19-26,
// row 30 is 27 and row 29 is 28.
const std::array<ReadListRow, kReadListRows> kRows = {{
    {1, 0x2F70, 8, F::Pitch, K::Float64, "8", "2", 0},
    {2, 0x2F78, 8, F::Bank, K::Float64, "8", "2", 1},
    {3, 0x07BC, 4, F::ApMaster, K::U32, "4", "5", 2},
    {4, 0x07C8, 4, F::ApHeadingHold, K::U32, "4", "5", 3},
    {5, 0x07D0, 4, F::ApAltitudeHold, K::U32, "4", "5", 4},
    {6, 0x07FC, 4, F::ApGlideSlopeHold, K::U32, "4", "5", 5},
    {7, 0x0800, 4, F::ApApproachHold, K::U32, "4", "5", 6},
    {8, 0x0C4A, 1, F::None, K::U8, "1", "3", 7},
    {9, 0x0C4C, 2, F::None, K::U16, "2", "4", 8},
    {10, 0x0C49, 1, F::GsNeedle, K::S8, "1", "3", 9},
    {11, 0x0C48, 1, F::LocNeedle, K::S8, "1", "3", 10},
    {12, 0x31E4, 4, F::RadioAltitudeRaw, K::S32, "4", "5", 11},
    {13, 0x0BB0, 2, F::OuterMarker, K::U16, "2", "4", 12},
    {14, 0x0BAE, 2, F::MiddleMarker, K::U16, "2", "4", 13},
    {15, 0x0BAC, 2, F::InnerMarker, K::U16, "2", "4", 14},
    {16, 0x3300, 2, F::RadioStatus, K::U16, "2", "4", 15},
    {17, 0x2EE0, 4, F::FdActive, K::U32, "4", "5", 16},
    {18, 0x2EE8, 8, F::FdPitch, K::Float64, "8", "2", 17},
    {19, 0x2EF0, 8, F::FdBank, K::Float64, "8", "2", 18},
    {20, 0x07CC, 2, F::None, K::U16, "", "", -1},
    {21, 0x07F2, 2, F::None, K::S16, "2", "4", 19},
    {22, 0x02C8, 4, F::None, K::S32, "4", "5", 20},
    {23, 0x3324, 4, F::Altimeter, K::S32, "4", "1", 21},
    {24, 0x07D4, 4, F::ApAltitudeRaw, K::S32, "4", "5", 22},
    {25, 0x0C4A, 1, F::Nav1BcFlags, K::U8, "1", "3", 23},
    {26, 0x0C4D, 1, F::Nav1CodeFlags, K::U8, "1", "3", 24},
    {27, 0x0C4C, 2, F::None, K::U16, "2", "4", 25},
    {28, 0x0872, 2, F::GsInclinationRaw, K::S16, "2", "4", 26},
    {29, 0x0C29, 5, F::DmeText, K::Text, "5", "7", 28},
    {30, 0x3000, 6, F::Nav1Ident, K::Text, "6", "7", 27},
}};

struct FieldInfo {
  StateField field;
  const char* name;
};

const FieldInfo kFieldNames[] = {
    {F::Pitch, "Pitch"}, {F::Bank, "Bank"}, {F::ApMaster, "ApMaster"},
    {F::ApHeadingHold, "ApHeadingHold"}, {F::ApAltitudeHold, "ApAltitudeHold"},
    {F::ApGlideSlopeHold, "ApGlideSlopeHold"}, {F::ApApproachHold, "ApApproachHold"},
    {F::GsNeedle, "GsNeedle"}, {F::LocNeedle, "LocNeedle"},
    {F::RadioAltitudeRaw, "RadioAltitudeRaw"}, {F::OuterMarker, "OuterMarker"},
    {F::MiddleMarker, "MiddleMarker"}, {F::InnerMarker, "InnerMarker"},
    {F::RadioStatus, "RadioStatus"}, {F::FdActive, "FdActive"}, {F::FdPitch, "FdPitch"},
    {F::FdBank, "FdBank"}, {F::Altimeter, "Altimeter"}, {F::ApAltitudeRaw, "ApAltitudeRaw"},
    {F::Nav1BcFlags, "Nav1BcFlags"}, {F::Nav1CodeFlags, "Nav1CodeFlags"},
    {F::GsInclinationRaw, "GsInclinationRaw"}, {F::DmeText, "DmeText"},
    {F::Nav1Ident, "Nav1Ident"},
};

// Calls `visit` with a reference to the member behind `field` (texts excluded).
template <typename State, typename Visit>
void WithNumberField(State& s, StateField field, Visit&& visit) {
  switch (field) {
    case F::Pitch: visit(s.Pitch); break;
    case F::Bank: visit(s.Bank); break;
    case F::ApMaster: visit(s.ApMaster); break;
    case F::ApHeadingHold: visit(s.ApHeadingHold); break;
    case F::ApAltitudeHold: visit(s.ApAltitudeHold); break;
    case F::ApGlideSlopeHold: visit(s.ApGlideSlopeHold); break;
    case F::ApApproachHold: visit(s.ApApproachHold); break;
    case F::GsNeedle: visit(s.GsNeedle); break;
    case F::LocNeedle: visit(s.LocNeedle); break;
    case F::RadioAltitudeRaw: visit(s.RadioAltitudeRaw); break;
    case F::OuterMarker: visit(s.OuterMarker); break;
    case F::MiddleMarker: visit(s.MiddleMarker); break;
    case F::InnerMarker: visit(s.InnerMarker); break;
    case F::RadioStatus: visit(s.RadioStatus); break;
    case F::FdActive: visit(s.FdActive); break;
    case F::FdPitch: visit(s.FdPitch); break;
    case F::FdBank: visit(s.FdBank); break;
    case F::Altimeter: visit(s.Altimeter); break;
    case F::ApAltitudeRaw: visit(s.ApAltitudeRaw); break;
    case F::Nav1BcFlags: visit(s.Nav1BcFlags); break;
    case F::Nav1CodeFlags: visit(s.Nav1CodeFlags); break;
    case F::GsInclinationRaw: visit(s.GsInclinationRaw); break;
    case F::None:
    case F::DmeText:
    case F::Nav1Ident: break;
  }
}

}  // namespace

const std::array<ReadListRow, kReadListRows>& ReadList() { return kRows; }

const std::array<const ReadListRow*, kNetworkRequests>& NetworkRequestOrder() {
  static const std::array<const ReadListRow*, kNetworkRequests> order = [] {
    std::array<const ReadListRow*, kNetworkRequests> o{};
    for (const ReadListRow& r : kRows)
      if (r.netPosition >= 0) o[size_t(r.netPosition)] = &r;
    return o;
  }();
  return order;
}

const char* FieldName(StateField field) {
  for (const FieldInfo& f : kFieldNames)
    if (f.field == field) return f.name;
  return "";
}

bool FieldFromName(const std::string& name, StateField* field) {
  for (const FieldInfo& f : kFieldNames) {
    if (name == f.name) {
      *field = f.field;
      return true;
    }
  }
  return false;
}

const ReadListRow* RowForField(StateField field) {
  if (field == F::None) return nullptr;
  for (const ReadListRow& r : kRows)
    if (r.field == field) return &r;
  return nullptr;
}

void StoreRawBytes(FlightState& state, const ReadListRow& row, const uint8_t* bytes) {
  if (row.field == F::DmeText || row.field == F::Nav1Ident) {
    size_t n = 0;
    while (n < row.size && bytes[n] != 0) ++n;
    std::string text(reinterpret_cast<const char*>(bytes), n);
    (row.field == F::DmeText ? state.DmeText : state.Nav1Ident) = std::move(text);
    return;
  }
  WithNumberField(state, row.field, [&](auto& member) {
    using T = std::remove_reference_t<decltype(member)>;
    if (sizeof(T) == row.size) member = le::GetAs<T>(bytes);
  });
}

void LoadRawBytes(const FlightState& state, const ReadListRow& row, uint8_t* out) {
  std::memset(out, 0, row.size);
  if (row.field == F::DmeText || row.field == F::Nav1Ident) {
    const std::string& text = row.field == F::DmeText ? state.DmeText : state.Nav1Ident;
    std::memcpy(out, text.data(), text.size() < row.size ? text.size() : row.size);
    return;
  }
  WithNumberField(state, row.field, [&](const auto& member) {
    using T = std::remove_cv_t<std::remove_reference_t<decltype(member)>>;
    if (sizeof(T) == row.size) le::PutAs<T>(out, member);
  });
}
