// The demo-flight source and the fixed-area source of the data server.
#include "server/area_sources.h"

#include <cstdio>

#include "platform/system.h"
#include "simdata/demo_flight.h"

namespace server {

DemoSource::DemoSource(double startTime, bool freeze, uint64_t refreshMicros)
    : startTime_(startTime),
      freeze_(freeze),
      refreshMicros_(refreshMicros),
      startMicros_(platform::MonotonicMicros()),
      demoTime_(startTime),
      area_(std::make_unique<SimDataArea>()) {}

std::string DemoSource::Describe() const {
  char text[96];
  std::snprintf(text, sizeof text, "demo flight from t = %.3f s%s", startTime_, freeze_ ? ", frozen" : "");
  return text;
}

void DemoSource::Update() {
  uint64_t now = platform::MonotonicMicros();
  if (computed_ && (freeze_ || now - lastMicros_ < refreshMicros_)) return;
  demoTime_ = freeze_ ? startTime_ : startTime_ + double(now - startMicros_) / 1e6;
  area_->StoreReadings(demo::StateAt(demoTime_));
  lastMicros_ = now;
  computed_ = true;
}

void DemoSource::Read(uint32_t offset, uint32_t size, uint8_t* out) {
  if (!computed_) Update();
  area_->Read(offset, size, out);
}

FixedSource::FixedSource(const SimDataArea& area, std::string description)
    : area_(std::make_unique<SimDataArea>(area)), description_(std::move(description)) {}

void FixedSource::Read(uint32_t offset, uint32_t size, uint8_t* out) { area_->Read(offset, size, out); }

}  // namespace server
