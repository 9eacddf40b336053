// The read list: the 30 simulator variables of a frame, the single table both frames and all peers use.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "pfd/flight_state.h"

// The FlightState field a read-list row lands in (None: read and dropped).
enum class StateField : uint8_t {
  None,
  Pitch, Bank, ApMaster, ApHeadingHold, ApAltitudeHold, ApGlideSlopeHold, ApApproachHold,
  GsNeedle, LocNeedle, RadioAltitudeRaw, OuterMarker, MiddleMarker, InnerMarker, RadioStatus,
  FdActive, FdPitch, FdBank, Altimeter, ApAltitudeRaw, Nav1BcFlags, Nav1CodeFlags,
  GsInclinationRaw, DmeText, Nav1Ident,
};

// How a row's bytes are to be read.
enum class RawKind : uint8_t { Float64, U32, S32, U16, S16, U8, S8, Text };

struct ReadListRow {
  int row;               // 1..30, as numbered in the list
  uint32_t offset;       // offset in the simulator's data area
  uint32_t size;         // bytes
  StateField field;
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

// "Pitch", "Bank", ... (the member names of FlightState); "" for None.
const char* FieldName(StateField field);
// The field of that member name (exact spelling); false when there is none.
bool FieldFromName(const std::string& name, StateField* field);
// The first read-list row that lands in `field`, or nullptr.
const ReadListRow* RowForField(StateField field);

// Stores the little-endian bytes of a row (as the IPC interface delivers them) into its field.
// Texts take the bytes up to, not including, the first zero byte and never more than n.
void StoreRawBytes(FlightState& state, const ReadListRow& row, const uint8_t* bytes);
// Writes a field's raw value as the row's little-endian bytes (texts: zero-padded to the size).
void LoadRawBytes(const FlightState& state, const ReadListRow& row, uint8_t* out);
