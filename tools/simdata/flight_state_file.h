// Flight-state files: key=value text holding the raw interface values of one frame.
#pragma once

#include <cstddef>
#include <string>

#include "model/interface_values.h"

// Files larger than this are refused.
constexpr size_t kFlightStateFileMaxBytes = 64 * 1024;
// Longest texts a flight-state file may give (the interface's widths of DmeText and Nav1Ident).
constexpr size_t kFlightStateDmeTextMax = 5;
constexpr size_t kFlightStateIdentMax = 6;

// The format, one item per line:
//   # comment            (also ; comment; only whole lines)
//   Pitch=-2.5           (keys: every flight variable of model/flight_variables.h that InterfaceValues
//                         holds, by its member name, exactly; values as the interface holds them)
//   RadioStatus=0x0342   (integers: decimal or 0x hexadecimal, checked against the variable's width)
//   Nav1Ident="IORV"     (texts: printable ASCII, quotes optional, at most 5 / 6 characters;
//                         inside quotes \", \\ and \xHH may be written)
// Blank lines are ignored; a key may appear once; fields not given stay 0 / empty.

// Reads and parses a file. On failure `state` is untouched and `error` names the file, line, key
// and value.
bool ReadFlightStateFile(const std::string& path, InterfaceValues& state, std::string& error);
// Parses text; `sourceName` stands for the file in error messages.
bool ParseFlightStateText(const std::string& text, const std::string& sourceName,
                          InterfaceValues& state, std::string& error);
// Writes every key, one key=value line each, in a form ParseFlightStateText reads back exactly
// (texts longer than the file's limits or with unprintable characters excepted).
std::string FormatFlightStateText(const InterfaceValues& state);
// One line per key: its name, the interface's type and how a value in the frames' unit becomes
// the number to write ("knots x 128": 250 kt is written 32000).
std::string FlightStateKeysText();
