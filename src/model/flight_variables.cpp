// The interface variables' rows as data: names, kinds, offsets and network fields.
#include "model/flight_variables.h"

#include <type_traits>

namespace {

template <typename T>
constexpr RawKind KindOf() {
  if constexpr (std::is_same_v<T, double>) return RawKind::Float64;
  if constexpr (std::is_same_v<T, uint32_t>) return RawKind::U32;
  if constexpr (std::is_same_v<T, int32_t>) return RawKind::S32;
  if constexpr (std::is_same_v<T, uint16_t>) return RawKind::U16;
  if constexpr (std::is_same_v<T, int16_t>) return RawKind::S16;
  if constexpr (std::is_same_v<T, uint8_t>) return RawKind::U8;
  if constexpr (std::is_same_v<T, int8_t>) return RawKind::S8;
  return RawKind::Text;
}

template <typename T>
constexpr bool SizeFits(uint32_t size) {
  if constexpr (std::is_same_v<T, std::string>) return size > 0;
  return sizeof(T) == size;
}

constexpr const char* TypeText(NetType code) {
  switch (code) {
    case NetType::Int32Alt: return "1";
    case NetType::Float64: return "2";
    case NetType::Int8: return "3";
    case NetType::Int16: return "4";
    case NetType::Int32: return "5";
    case NetType::Text: return "7";
  }
  return "";
}

constexpr bool kHas_field = true;
constexpr bool kHas_none = false;

const FlightVarInfo kInfo[] = {
#define ORVANE_VAR_INFO(name, member, type, offset, size, netSize, netType, wide)                        \
  {FlightVar::name, #name, kHas_##member, KindOf<type>(), offset, size, #netSize, NetType::netType,       \
   TypeText(NetType::netType), ReplyRule::wide},
    ORVANE_FLIGHT_VARIABLES(ORVANE_VAR_INFO)
#undef ORVANE_VAR_INFO
};
static_assert(sizeof kInfo / sizeof kInfo[0] == kFlightVarCount, "one row per variable");

// Every row's size matches its type.
#define ORVANE_VAR_SIZE_CHECK(name, member, type, offset, size, netSize, netType, wide) \
  static_assert(SizeFits<type>(size), #name ": the size does not match the type");      \
  static_assert(size == netSize, #name ": the network asks for another size");
ORVANE_FLIGHT_VARIABLES(ORVANE_VAR_SIZE_CHECK)
#undef ORVANE_VAR_SIZE_CHECK

}  // namespace

const FlightVarInfo& VarInfo(FlightVar var) {
  const size_t i = size_t(var);
  return kInfo[i < kFlightVarCount ? i : 0];
}

const char* VarName(FlightVar var) { return size_t(var) < kFlightVarCount ? kInfo[size_t(var)].name : ""; }

bool VarFromName(const std::string& name, FlightVar* var) {
  for (const FlightVarInfo& info : kInfo) {
    if (name == info.name) {
      *var = info.var;
      return true;
    }
  }
  return false;
}

const char* NetTypeText(NetType code) { return TypeText(code); }
