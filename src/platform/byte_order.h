// Little-endian integers in byte buffers: the shared block, the data area and the file formats are
// little-endian whatever the host, so every such access goes through these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace le {

inline uint16_t Get16(const uint8_t* at) { return uint16_t(at[0] | at[1] << 8); }

inline uint32_t Get32(const uint8_t* at) {
  return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

inline void Put16(uint8_t* at, uint16_t v) {
  at[0] = uint8_t(v);
  at[1] = uint8_t(v >> 8);
}

inline void Put32(uint8_t* at, uint32_t v) {
  at[0] = uint8_t(v);
  at[1] = uint8_t(v >> 8);
  at[2] = uint8_t(v >> 16);
  at[3] = uint8_t(v >> 24);
}

inline void Append16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

inline void Append32(std::vector<uint8_t>& out, uint32_t v) {
  Append16(out, v & 0xFFFFu);
  Append16(out, v >> 16);
}

// The first n (at most 8) bytes as an unsigned number.
inline uint64_t GetN(const uint8_t* at, size_t n) {
  uint64_t v = 0;
  for (size_t i = 0; i < n && i < 8; ++i) v |= uint64_t(at[i]) << (8 * i);
  return v;
}

inline void PutN(uint8_t* at, uint64_t v, size_t n) {
  for (size_t i = 0; i < n && i < 8; ++i) at[i] = uint8_t(v >> (8 * i));
}

inline uint64_t Get64(const uint8_t* at) { return GetN(at, 8); }
inline void Put64(uint8_t* at, uint64_t v) { PutN(at, v, 8); }

// A number of type T (integer or floating point, at most 8 bytes) from its little-endian bytes.
template <typename T>
T GetAs(const uint8_t* at) {
  static_assert(sizeof(T) <= 8, "at most 8 bytes");
  const uint64_t bits = GetN(at, sizeof(T));
  T value;
  std::memcpy(&value, &bits, sizeof(T));
  return value;
}

template <typename T>
void PutAs(uint8_t* at, T value) {
  static_assert(sizeof(T) <= 8, "at most 8 bytes");
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof(T));
  PutN(at, bits, sizeof(T));
}

}  // namespace le
