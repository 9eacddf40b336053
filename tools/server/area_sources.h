// In-process data sources: the demo flight over time, and a fixed data area (values file, tests).
#pragma once

#include <cstdint>
#include <memory>

#include "server/data_source.h"
#include "simdata/sim_data_area.h"

namespace server {

// The built-in demo flight written into a data area, recomputed at most every `refreshMicros`.
class DemoSource : public DataSource {
 public:
  // Demo time starts at `startTime` seconds; with `freeze` it stays there.
  DemoSource(double startTime, bool freeze, uint64_t refreshMicros = 5000);
  std::string Describe() const override;
  void Update() override;
  void Read(uint32_t offset, uint32_t size, uint8_t* out) override;
  // Demo time of the values being served, in seconds.
  double CurrentDemoTime() const { return demoTime_; }

 private:
  double startTime_;
  bool freeze_;
  uint64_t refreshMicros_;
  uint64_t startMicros_;
  uint64_t lastMicros_ = 0;
  bool computed_ = false;
  double demoTime_ = 0;
  std::unique_ptr<SimDataArea> area_;
};

// A data area that never changes: the values of a file, or bytes a test put there.
class FixedSource : public DataSource {
 public:
  FixedSource(const SimDataArea& area, std::string description);
  std::string Describe() const override { return description_; }
  void Read(uint32_t offset, uint32_t size, uint8_t* out) override;

 private:
  std::unique_ptr<SimDataArea> area_;
  std::string description_;
};

}  // namespace server
