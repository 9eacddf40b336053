// FaultDisplay and the frame log reader: the real display run headless for fault, load and soak tests.
#include "support/faults_display.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <list>
#include <sstream>

#include "platform/system.h"

namespace fs = std::filesystem;

namespace orvane_test {

namespace {

// The artwork a user's folder holds next to the program.
const char* const kArtwork[] = {"pfd_2.txr",  "static_mask.txr", "static_ind.txr", "window_mask.txr", "window.txr",
                                "roll_needle.txr", "ILS.txr", "no_ILS.txr", "ILS_ind.txr", "ILS_H.txr",
                                "ILSH_ind.txr", "SPD.txr", "fdH.txr", "fdH_mask.txr", "fdV.txr", "fdV_mask.txr",
                                "font.bmp", "plane2.ico"};

}  // namespace

void SetEnvironment(const std::string& name, const std::string& value) {
  // putenv keeps the pointer: the texts live as long as the test process.
  static std::list<std::string> texts;
  texts.push_back(name + "=" + value);
  putenv(const_cast<char*>(texts.back().c_str()));
}

std::vector<FrameRecord> ReadFrameLog(const std::string& path) {
  std::vector<FrameRecord> frames;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    FrameRecord r;
    int flag = 0;
    char flags[64] = {};
    if (std::sscanf(line.c_str(), "%" SCNu64 " %" SCNu64 " %d %" SCNu64 " %" SCNu64 " %" SCNu64 " %d %lf %lf %63s",
                    &r.index, &r.endUs, &flag, &r.sincePumpUs, &r.frameUs, &r.messages, &r.snapshot, &r.pitchDeg,
                    &r.bankDeg, flags) != 10)
      continue;  // a line being written at this moment
    r.flag = flag != 0;
    r.flags = flags;
    frames.push_back(r);
  }
  return frames;
}

std::vector<std::pair<uint64_t, uint64_t>> FlagRuns(const std::vector<FrameRecord>& frames) {
  std::vector<std::pair<uint64_t, uint64_t>> runs;
  for (const FrameRecord& f : frames) {
    if (!f.flag) continue;
    if (!runs.empty() && runs.back().second + 1 == f.index)
      runs.back().second = f.index;
    else
      runs.push_back({f.index, f.index});
  }
  return runs;
}

uint64_t LongestFrameGapUs(const std::vector<FrameRecord>& frames) {
  uint64_t longest = 0;
  for (const FrameRecord& f : frames) longest = std::max(longest, f.frameUs);
  return longest;
}

std::string DescribeFrames(const std::vector<FrameRecord>& frames) {
  std::ostringstream out;
  out << frames.size() << " frames";
  if (frames.empty()) return out.str();
  const uint64_t origin = frames.front().StartUs();
  out << " over " << (frames.back().endUs - origin) / 1000 << " ms; longest gap " << LongestFrameGapUs(frames) / 1000
      << " ms; flag runs:";
  const auto runs = FlagRuns(frames);
  if (runs.empty()) out << " none";
  for (const auto& run : runs) {
    const FrameRecord& first = frames[run.first];
    const FrameRecord& last = frames[run.second];
    out << " [" << run.first << ".." << run.second << " from " << (first.StartUs() - origin) / 1000 << " to "
        << (last.endUs - origin) / 1000 << " ms]";
  }
  return out.str();
}

FaultDisplay::FaultDisplay() {
  const fs::path runDir = fs::current_path();
  for (const char* name : kArtwork) {
    std::string bytes;
    if (platform::ReadWholeFile((runDir / name).string(), bytes, 16u << 20)) run_.Write(name, bytes);
  }
  frameLog_ = (run_.Folder() / "frames.log").string();
}

void FaultDisplay::UseNetwork(uint16_t port, bool reconnect, bool pipeline) {
  std::string ini = "[LAN]\nUSELAN=Y\nORVANEGCSERVER=127.0.0.1\nORVANEGCPORT=" + std::to_string(port) + "\n";
  if (reconnect) ini += "RECONNECT=Y\n";
  if (pipeline) ini += "PIPELINE=Y\n";
  run_.Write("OrvaneGCPfd.INI", ini);
}

bool FaultDisplay::Start(uint32_t runSeconds, uint32_t snapshotEveryMs) {
  SetEnvironment("ORVANE_FRAME_LOG", frameLog_);
  SetEnvironment("ORVANE_RUN_SECONDS", std::to_string(runSeconds));
  SetEnvironment("ORVANE_SNAPSHOT_DIR", snapshotEveryMs > 0 ? run_.Folder().string() : "");
  SetEnvironment("ORVANE_SNAPSHOT_EVERY_MS", std::to_string(snapshotEveryMs > 0 ? snapshotEveryMs : 5000));
  // In a sanitizer build the GL driver's own blocks, left behind when it is unloaded, would be
  // reported as leaks at exit and turn the exit code; tests/soak.sh checks the display for leaks
  // with the driver kept loaded. Other builds ignore the variable.
  const char* given = std::getenv("ASAN_OPTIONS");
  const std::string asanOptions = given != nullptr ? given : "";
  SetEnvironment("ASAN_OPTIONS", asanOptions.empty() ? "detect_leaks=0" : asanOptions + ":detect_leaks=0");
  const bool started = run_.Start();
  // Later programs of this test process start without the display's recording.
  SetEnvironment("ASAN_OPTIONS", asanOptions);
  SetEnvironment("ORVANE_FRAME_LOG", "");
  SetEnvironment("ORVANE_RUN_SECONDS", "");
  SetEnvironment("ORVANE_SNAPSHOT_DIR", "");
  return started;
}

std::vector<FrameRecord> FaultDisplay::Frames() const { return ReadFrameLog(frameLog_); }

bool FaultDisplay::WaitFrames(const std::function<bool(const std::vector<FrameRecord>&)>& done,
                              uint32_t timeoutMs) const {
  const uint64_t deadline = platform::MonotonicMicros() + uint64_t(timeoutMs) * 1000u;
  for (;;) {
    if (done(Frames())) return true;
    if (platform::MonotonicMicros() >= deadline) return false;
    platform::SleepMs(10);
  }
}

std::string FaultDisplay::SnapshotBytes(int index) const {
  char name[32];
  std::snprintf(name, sizeof name, "pfd-%04d.png", index);
  std::string bytes;
  platform::ReadWholeFile((run_.Folder() / name).string(), bytes, 16u << 20);
  return bytes;
}

}  // namespace orvane_test
