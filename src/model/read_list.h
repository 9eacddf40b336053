// The read list: which variables a frame asks for, in which order, by IPC and over the network.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/interface_values.h"

struct ReadListRow {
  int row;               // 1..30 as numbered in the list; extra rows of a plan count on from 31
  FlightVar var;         // the variable read
  FlightVar field;       // where it lands: `var`, or None for a row that is read and dropped
  uint32_t offset;       // the variable's offset, size and kind, from its row of flight_variables.h
  uint32_t size;
  RawKind kind;
  const char* netSize;   // the size field of the network request ("" when not requested)
  const char* netType;   // the type code of the network request ("" when not requested)
  int netPosition;       // 0-based position in the network frame's request order, -1 = not requested
};

constexpr int kReadListRows = 30;
constexpr int kNetworkRequests = 29;

// The 30 rows in IPC order.
const std::array<ReadListRow, kReadListRows>& ReadList();
// The 29 rows the network frame asks for, in its order (row 20 left out, row 30 before row 29).
const std::array<const ReadListRow*, kNetworkRequests>& NetworkRequestOrder();

// The member name of a row's field ("" for None); the first row of the read list that lands in
// `field` (nullptr when none does).
const char* FieldName(FlightVar field);
const ReadListRow* RowForField(FlightVar field);

// Stores / loads a row's bytes (nothing for a row that is dropped).
void StoreRawBytes(InterfaceValues& state, const ReadListRow& row, const uint8_t* bytes);
void LoadRawBytes(const InterfaceValues& state, const ReadListRow& row, uint8_t* out);

// What one frame reads: the read list, then one row for each further variable a layout shows
// (in the order of flight_variables.h). Without further variables it is exactly the read list, and
// the network order exactly NetworkRequestOrder().
struct ReadPlan {
  std::vector<ReadListRow> ipc;      // the IPC exchange's reads, in order
  std::vector<ReadListRow> network;  // the network frame's requests, in order
  VarSet extra;                      // the further variables asked for

  // The read list alone.
  static ReadPlan Classic();
  // The read list and `extra`.
  static ReadPlan With(const VarSet& extra);
};
