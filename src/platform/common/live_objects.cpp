// Tallies of live objects by kind, for lifetime checks.
#include "platform/system.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<int> g_liveCounts[static_cast<int>(LiveKind::Count)];
}  // namespace

int AdjustLiveCount(LiveKind kind, int delta) {
  return g_liveCounts[static_cast<int>(kind)].fetch_add(delta) + delta;
}

int LiveCount(LiveKind kind) { return g_liveCounts[static_cast<int>(kind)].load(); }

}  // namespace platform
