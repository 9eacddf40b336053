// FlightGear's generic protocol: the fields of one line (the order of dist/flightgear/orvane.xml),
// the property table, and the line parser.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sources/feed_rows.h"

enum class FgFieldKind { Number, Text };
struct FgField {
  const char* path;  // the chunk's <node>
  FgFieldKind kind;
};

// The fields of a line, in order.
const FgField* FlightGearFields();
size_t FlightGearFieldCount();
// The fields every line carries: a protocol file copied before the later fields were added sends
// lines without them (their readings then do not arrive).
constexpr size_t kFgFieldsRequired = 31;
// The properties' conversions into the readings (each row names a field by its path).
const FeedRow* FlightGearRows();
size_t FlightGearRowCount();

struct FgValue {
  double number = 0;
  std::string text;
};
constexpr size_t kMaxFgLine = 1024;
constexpr size_t kMaxFgText = 64;
// Parses one datagram: one line of comma-separated values (an optional final "\n" or "\r\n"),
// `least` up to `count` of them (0: exactly `count`), numbers in the C form, texts printable ASCII
// without commas. False, with the reason, for anything else.
bool ParseGenericLine(const char* data, size_t size, const FgField* fields, size_t count, std::vector<FgValue>* out,
                      std::string* why, size_t least = 0);

