// The read list, built from the flight-variable rows, and the plans that extend it.
#include "model/read_list.h"

namespace {

using V = FlightVar;

// The read list as the frames ask for it: each row's variable, whether it is kept, and its place in
// the network frame's order (rows 1-19 are requests 0-18, row 20 is not asked for, rows 21-28 are
// 19-26, row 30 is 27 and row 29 is 28).
struct ListEntry {
  V var;
  bool kept;
  int netPosition;
};
constexpr ListEntry kList[kReadListRows] = {
    {V::Pitch, true, 0},
    {V::Bank, true, 1},
    {V::ApMaster, true, 2},
    {V::ApHeadingHold, true, 3},
    {V::ApAltitudeHold, true, 4},
    {V::ApGlideSlopeHold, true, 5},
    {V::ApApproachHold, true, 6},
    {V::Nav1BcFlags, false, 7},   // a first copy, dropped: row 25 is the one used
    {V::Nav1FlagBytes, false, 8},
    {V::GsNeedle, true, 9},
    {V::LocNeedle, true, 10},
    {V::RadioAltitudeRaw, true, 11},
    {V::OuterMarker, true, 12},
    {V::MiddleMarker, true, 13},
    {V::InnerMarker, true, 14},
    {V::RadioStatus, true, 15},
    {V::FdActive, true, 16},
    {V::FdPitch, true, 17},
    {V::FdBank, true, 18},
    {V::ApHeadingRaw, true, -1},
    {V::ApVerticalSpeed, true, 19},
    {V::VerticalSpeedRaw, true, 20},
    {V::Altimeter, true, 21},
    {V::ApAltitudeRaw, true, 22},
    {V::Nav1BcFlags, true, 23},
    {V::Nav1CodeFlags, true, 24},
    {V::Nav1FlagBytes, false, 25},
    {V::GsInclinationRaw, true, 26},
    {V::DmeText, true, 28},
    {V::Nav1Ident, true, 27},
};

ReadListRow MakeRow(int number, V var, bool kept, int netPosition) {
  const FlightVarInfo& info = VarInfo(var);
  const bool asked = netPosition >= 0;
  return {number, var, kept ? var : V::None, info.offset, info.size, info.kind,
          asked ? info.netSize : "", asked ? info.netType : "", netPosition};
}

}  // namespace

const std::array<ReadListRow, kReadListRows>& ReadList() {
  static const std::array<ReadListRow, kReadListRows> rows = [] {
    std::array<ReadListRow, kReadListRows> r{};
    for (int i = 0; i < kReadListRows; ++i) r[size_t(i)] = MakeRow(i + 1, kList[i].var, kList[i].kept, kList[i].netPosition);
    return r;
  }();
  return rows;
}

const std::array<const ReadListRow*, kNetworkRequests>& NetworkRequestOrder() {
  static const std::array<const ReadListRow*, kNetworkRequests> order = [] {
    std::array<const ReadListRow*, kNetworkRequests> o{};
    for (const ReadListRow& r : ReadList())
      if (r.netPosition >= 0) o[size_t(r.netPosition)] = &r;
    return o;
  }();
  return order;
}

const char* FieldName(FlightVar field) { return VarName(field); }

const ReadListRow* RowForField(FlightVar field) {
  if (field == V::None) return nullptr;
  for (const ReadListRow& r : ReadList())
    if (r.field == field) return &r;
  return nullptr;
}

void StoreRawBytes(InterfaceValues& state, const ReadListRow& row, const uint8_t* bytes) {
  if (row.field != V::None) StoreRawBytes(state, row.field, bytes);
}

void LoadRawBytes(const InterfaceValues& state, const ReadListRow& row, uint8_t* out) {
  LoadRawBytes(state, row.var, out);
}

ReadPlan ReadPlan::Classic() { return With(VarSet{}); }

ReadPlan ReadPlan::With(const VarSet& extra) {
  ReadPlan plan;
  plan.extra = extra;
  plan.ipc.assign(ReadList().begin(), ReadList().end());
  for (const ReadListRow* r : NetworkRequestOrder()) plan.network.push_back(*r);
  VarSet read, asked;
  for (const ReadListRow& r : plan.ipc) read.Add(r.field);
  for (const ReadListRow& r : plan.network) asked.Add(r.field);
  // A further variable gets an IPC row unless the read list reads it already, and a network
  // request unless the network frame asks for it already (the autopilot heading is read by IPC only).
  int number = kReadListRows;
  for (size_t v = 0; v < kFlightVarCount; ++v) {
    const FlightVar var = FlightVar(v);
    if (!extra.Has(var) || !VarInfo(var).hasField || (read.Has(var) && asked.Has(var))) continue;
    const ReadListRow row = MakeRow(++number, var, true, asked.Has(var) ? -1 : int(plan.network.size()));
    if (!read.Has(var)) plan.ipc.push_back(row);
    if (!asked.Has(var)) plan.network.push_back(row);
  }
  return plan;
}
