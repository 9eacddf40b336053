// Access to InterfaceValues's members by variable: bytes in and out, raw numbers and texts.
#include "model/interface_values.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "platform/byte_order.h"

namespace {

// Calls `visit` with a reference to the member that holds `var`; false when it has none.
#define ORVANE_VISIT_field(name)   \
  case FlightVar::name:            \
    visit(state.name);             \
    return true;
#define ORVANE_VISIT_none(name) \
  case FlightVar::name:         \
    return false;
#define ORVANE_VAR_VISIT(name, member, type, offset, size, netSize, netType, wide) \
  ORVANE_VISIT_##member(name)

template <typename State, typename Visit>
bool WithMember(State& state, FlightVar var, Visit&& visit) {
  switch (var) {
    ORVANE_FLIGHT_VARIABLES(ORVANE_VAR_VISIT)
    case FlightVar::None:
      return false;
  }
  return false;
}

#undef ORVANE_VAR_VISIT
#undef ORVANE_VISIT_none
#undef ORVANE_VISIT_field

template <typename T>
constexpr bool kIsText = std::is_same_v<std::remove_cv_t<T>, std::string>;

// `value` limited to T's range (NaN counts as 0) and converted, truncating toward zero.
template <typename T>
T LimitTo(double value) {
  if constexpr (std::is_floating_point_v<T>) {
    return T(value);
  } else {
    if (std::isnan(value)) return T(0);
    if (value <= double(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
    if (value >= double(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    return T(value);
  }
}

const std::string kNoText;

}  // namespace

double RawNumber(const InterfaceValues& state, FlightVar var) {
  double out = 0;
  WithMember(state, var, [&](const auto& member) {
    using T = std::remove_cv_t<std::remove_reference_t<decltype(member)>>;
    if constexpr (!kIsText<T>) out = double(member);
  });
  return out;
}

void SetRawNumber(InterfaceValues& state, FlightVar var, double value) {
  WithMember(state, var, [&](auto& member) {
    using T = std::remove_reference_t<decltype(member)>;
    if constexpr (!kIsText<T>) member = LimitTo<T>(value);
  });
}

const std::string& TextOf(const InterfaceValues& state, FlightVar var) {
  const std::string* out = &kNoText;
  WithMember(state, var, [&](const auto& member) {
    using T = std::remove_cv_t<std::remove_reference_t<decltype(member)>>;
    if constexpr (kIsText<T>) out = &member;
  });
  return *out;
}

void SetText(InterfaceValues& state, FlightVar var, const std::string& text) {
  WithMember(state, var, [&](auto& member) {
    using T = std::remove_reference_t<decltype(member)>;
    if constexpr (kIsText<T>) member = text;
  });
}

void StoreRawBytes(InterfaceValues& state, FlightVar var, const uint8_t* bytes) {
  const uint32_t size = VarInfo(var).size;
  WithMember(state, var, [&](auto& member) {
    using T = std::remove_reference_t<decltype(member)>;
    if constexpr (kIsText<T>) {
      size_t n = 0;
      while (n < size && bytes[n] != 0) ++n;
      member.assign(reinterpret_cast<const char*>(bytes), n);
    } else {
      member = le::GetAs<T>(bytes);
    }
  });
}

void LoadRawBytes(const InterfaceValues& state, FlightVar var, uint8_t* out) {
  const uint32_t size = VarInfo(var).size;
  std::memset(out, 0, size);
  WithMember(state, var, [&](const auto& member) {
    using T = std::remove_cv_t<std::remove_reference_t<decltype(member)>>;
    if constexpr (kIsText<T>) {
      std::memcpy(out, member.data(), member.size() < size ? member.size() : size);
    } else {
      le::PutAs<T>(out, member);
    }
  });
}
