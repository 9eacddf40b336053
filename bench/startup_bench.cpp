// Start-up: from starting OrvaneGCPfd in simulator mode (headless, against
// orvane-sim) to its first frame swapped.
//
// Each repetition starts the display once in a user-like folder (settings for
// simulator mode, the artwork linked from the run folder) with SDL's offscreen
// driver. The display writes its start-up times to ORVANE_STARTUP_LOG (main
// loop entered, first frame drawn, first frame swapped, all on the monotonic
// clock) and ends after its next frame. The figure is the time from just before
// the process is started to the first swap; the floor is the start and end of a
// program that does nothing (orvane-sim --version), the part of the figure that
// is the operating system's. The panel is started at 1 x (no window key), 2 x
// and 3 x (`SCALE=2`, `SCALE=3`), each with today's panel and with the full one
// ([PFD] LAYOUT=FULL; goal: within 10 % of today's), all interleaved. Every
// iteration starts the display twice, with each renderer ([WINDOW]
// RENDERER=GL1, then GLES2), so that the machine's load falls on both alike.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bench_report.h"
#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
#include "platform/system.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kRunBoundMs = 15000; // one start of the display, at most
constexpr double kGoalSeconds = 0.300;
constexpr double kCpuGoalMs = 150;
constexpr int kScales[] = {1, 2, 3};

const std::string kRunDir = ORVANE_RUN_DIR;

// orvane-sim and the scratch folder, for the whole benchmark run.
struct Setup {
  fs::path folder;
  platform::ChildProcess sim;
  bool ready = false;
  std::string problem;

  Setup() {
    folder = fs::temp_directory_path() /
             ("orvane-startup-bench-" +
              std::to_string(platform::CurrentProcessId()));
    fs::create_directories(folder);
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(kRunDir, ec)) {
      const std::string ext = entry.path().extension().string();
      if (ext == ".txr" || ext == ".bmp" || ext == ".ico")
        fs::create_symlink(entry.path(), folder / entry.path().filename(), ec);
    }
    platform::SetIpcNamespace("bench-startup-" +
                              std::to_string(platform::CurrentProcessId()));
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ORVANE_NO_DIALOGS", "1", 1);
    setenv("ORVANE_STARTUP_LOG", (folder / "startup.log").c_str(), 1);
    if (!fs::exists(kRunDir + "/OrvaneGCPfd") ||
        !fs::exists(kRunDir + "/pfd_2.txr")) {
      problem = "OrvaneGCPfd or its artwork is missing in " + kRunDir;
      return;
    }
    if (!platform::StartProcess(kRunDir + "/orvane-sim",
                                {"--freeze", "--demo-time", "264"}, sim,
                                (folder / "orvane-sim.log").string())) {
      problem = "orvane-sim did not start";
      return;
    }
    platform::IpcClient probe;
    for (int i = 0; i < 500 && platform::FindIpcWindow(probe, "UIPCMAIN") == 0; ++i)
      platform::SleepMs(10);
    ready = platform::FindIpcWindow(probe, "UIPCMAIN") != 0;
    if (!ready)
      problem = "orvane-sim does not answer";
  }
  ~Setup() {
    if (sim.id != 0)
      platform::StopProcess(sim, 5000);
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
};

Setup &Shared() {
  static Setup setup;
  return setup;
}

// Starts `program` in the scratch folder and waits for its end; false when it
// did not end in time.
bool RunInFolder(const std::string &program,
                 const std::vector<std::string> &args, int *exitCode) {
  Setup &s = Shared();
  const fs::path back = fs::current_path();
  fs::current_path(s.folder);
  platform::ChildProcess child;
  const bool started = platform::StartProcess(
      program, args, child, (s.folder / "program.log").string());
  fs::current_path(back);
  if (!started)
    return false;
  if (platform::WaitProcess(child, kRunBoundMs, exitCode))
    return true;
  platform::StopProcess(child, 2000);
  return false;
}

// User and system time of every child process that has ended so far.
double ChildrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The settings for simulator mode with the panel at `scale` times its size (1:
// no window key), today's panel or the full one.
void WriteSettings(int scale, bool fullPanel, const char *renderer = "GL1") {
  std::ofstream ini(Shared().folder / "OrvaneGCPfd.INI", std::ios::trunc);
  ini << "[LAN]\nUSELAN=N\n[WINDOW]\nX=0\nY=0\nMAXFPS=0\nRENDERER=" << renderer
      << "\n";
  if (scale != 1)
    ini << "SCALE=" << scale << "\n";
  ini << "[PFD]\nLAYOUT=" << (fullPanel ? "FULL" : "CLASSIC") << "\n";
}

// Another build of the display to start beside this one (--reference=PATH): a
// before/after comparison under the same load. Empty: none.
std::string &ReferenceDisplay() {
  static std::string path;
  return path;
}

// One start of a display: its times from the start of the process, in
// milliseconds.
struct Start {
  double loop = 0, drawn = 0, swap = 0, exit = 0, cpu = 0;
};

// Starts `program` in the scratch folder and reads its start-up log; false with
// the reason.
bool StartDisplay(const std::string &program, Start &start,
                  std::string &problem) {
  Setup &s = Shared();
  const fs::path log = s.folder / "startup.log";
  fs::remove(log);
  int code = -1;
  const double cpuBefore = ChildrenCpuSeconds();
  const uint64_t t0 = platform::MonotonicMicros();
  const bool ended = RunInFolder(program, {}, &code);
  const uint64_t t1 = platform::MonotonicMicros();
  start.cpu = (ChildrenCpuSeconds() - cpuBefore) *
              1e3; // the whole run of the display, its exit included
  std::ifstream in(log);
  uint64_t loop = 0, drawn = 0, swapped = 0;
  if (!ended || code != 0 || !(in >> loop >> drawn >> swapped) || loop < t0 ||
      swapped < drawn) {
    std::string output;
    platform::ReadWholeFile((s.folder / "program.log").string(), output, 4096);
    problem = program + " did not start and end cleanly: " + output;
    return false;
  }
  start.loop = double(loop - t0) / 1e3;
  start.drawn = double(drawn - t0) / 1e3;
  start.swap = double(swapped - t0) / 1e3;
  start.exit = double(t1 - t0) / 1e3;
  return true;
}

// Per iteration, one right after the other: the floor (orvane-sim --version
// started and ended), one start of the display at the scale of the argument
// and, with --reference, one of the other build; the iteration time is the
// display's, start to first swap.
void BM_StartupPair(benchmark::State &state) {
  Setup &s = Shared();
  if (!s.ready)
    return state.SkipWithError(s.problem.c_str());
  const int scale = static_cast<int>(state.range(0));
  const bool full = state.range(1) == 1;
  double floor = 0;
  Start sum, referenceSum, gles2Sum;
  for (auto _ : state) {
    const uint64_t f0 = platform::MonotonicMicros();
    int code = -1;
    if (!RunInFolder(kRunDir + "/orvane-sim", {"--version"}, &code) ||
        code != 0) {
      state.SkipWithError("orvane-sim --version did not run");
      break;
    }
    floor += double(platform::MonotonicMicros() - f0) / 1e3;
    Start start, reference, gles2;
    std::string problem;
    WriteSettings(scale, full, "GL1");
    bool started = StartDisplay(kRunDir + "/OrvaneGCPfd", start, problem) &&
                   (ReferenceDisplay().empty() ||
                    StartDisplay(ReferenceDisplay(), reference, problem));
    WriteSettings(scale, full, "GLES2");
    started = started && StartDisplay(kRunDir + "/OrvaneGCPfd", gles2, problem);
    if (!started) {
      state.SkipWithError(problem.c_str());
      break;
    }
    state.SetIterationTime(start.swap / 1e3);
    for (auto [total, one] : {std::pair<Start *, const Start *>{&sum, &start},
                              {&referenceSum, &reference},
                              {&gles2Sum, &gles2}}) {
      total->loop += one->loop;
      total->drawn += one->drawn;
      total->swap += one->swap;
      total->exit += one->exit;
      total->cpu += one->cpu;
    }
  }
  const double n = double(state.iterations());
  if (n == 0)
    return;
  state.counters["floor_ms"] = floor / n;
  for (auto [prefix, total] : {std::pair<std::string, const Start *>{"", &sum},
                               {"ref_", &referenceSum},
                               {"gles2_", &gles2Sum}}) {
    if (prefix == "ref_" && ReferenceDisplay().empty())
      continue;
    state.counters[prefix + "loop_ms"] = total->loop / n;
    state.counters[prefix + "drawn_ms"] = total->drawn / n;
    state.counters[prefix + "swap_ms"] = total->swap / n;
    state.counters[prefix + "exit_ms"] = total->exit / n;
    state.counters[prefix + "cpu_ms"] = total->cpu / n;
  }
}

// Arguments: the scale, then 0 for today's panel or 1 for the full one.
BENCHMARK(BM_StartupPair)
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({2, 0})
    ->Args({2, 1})
    ->Args({3, 0})
    ->Args({3, 1})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::printf("usage: startup_bench [--reference=PATH] [benchmark flags]\n"
                "Starts OrvaneGCPfd from %s headless in simulator mode against "
                "orvane-sim, several times, and\n"
                "prints the time from process start to the first frame swapped "
                "and the display's CPU time as a\n"
                "RESULT line per panel scale (1 x, 2 x, 3 x; goal: under 300 "
                "ms and under 150 ms of CPU), with\n"
                "the start of a program that does nothing as the floor, for "
                "today's panel and for the full one\n"
                "([PFD] LAYOUT=FULL; goal: within 10 %% of today's). "
                "--benchmark_filter=BM_StartupPair/3/ runs one\n"
                "scale only; --reference=PATH also starts another build of "
                "OrvaneGCPfd in every iteration\n"
                "(a before/after comparison under the same load). Each "
                "iteration starts the display with [WINDOW]\n"
                "RENDERER=GL1 and with RENDERER=GLES2, one after the other.\n",
                ORVANE_RUN_DIR);
    return 0;
  }
  std::vector<char *> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--reference=", 12) == 0) {
      ReferenceDisplay() = argv[i] + 12;
    } else {
      args.push_back(argv[i]);
    }
  }
  bench::CollectingReporter reporter;
  bench::RunAll(static_cast<int>(args.size()), args.data(), reporter, 7, 0);
  for (const int scale : kScales) {
    for (const int full : {0, 1}) {
      const std::string name = "BM_StartupPair/" + std::to_string(scale) + "/" +
                               std::to_string(full);
      const char *panel = full ? "full panel" : "today's panel";
      if (reporter.MedianCounter(name, "swap_ms") < 0 &&
          reporter.Error(name).empty())
        continue; // filtered out
      if (!reporter.Error(name).empty())
        std::fprintf(stderr, "%s: %s\n", name.c_str(),
                     reporter.Error(name).c_str());
      const double startup = reporter.MedianCounter(name, "swap_ms") / 1e3;
      const double floor = reporter.MedianCounter(name, "floor_ms") / 1e3;
      const double cpu = reporter.MedianCounter(name, "cpu_ms");
      const std::string parts =
          "main loop at " +
          bench::Number(reporter.MedianCounter(name, "loop_ms"), "%.0f") +
          " ms, frame drawn at " +
          bench::Number(reporter.MedianCounter(name, "drawn_ms"), "%.0f") +
          " ms, CPU " + bench::Number(cpu, "%.0f") + " ms for the whole run";
      std::fprintf(stderr, "startup_bench %d x, %s: %s\n", scale, panel,
                   parts.c_str());
      if (!ReferenceDisplay().empty()) {
        std::fprintf(
            stderr,
            "startup_bench %d x, %s, reference %s: first swap at %s ms, main "
            "loop at %s ms, CPU %s ms\n",
            scale, panel, ReferenceDisplay().c_str(),
            bench::Number(reporter.MedianCounter(name, "ref_swap_ms"), "%.0f")
                .c_str(),
            bench::Number(reporter.MedianCounter(name, "ref_loop_ms"), "%.0f")
                .c_str(),
            bench::Number(reporter.MedianCounter(name, "ref_cpu_ms"), "%.0f")
                .c_str());
      }
      const bool known = startup > 0 && cpu > 0;
      const std::string title =
          "Start-up to first swap (simulator mode, headless, " +
          std::to_string(scale) + " x, " + panel + ")";
      bench::PrintResult(
          title, bench::Duration(startup) + " (" + parts + ")",
          bench::Duration(floor),
          known && floor > 0 ? bench::Number(startup / floor, "%.1f x") : "n/a",
          "< 300 ms, CPU < 150 ms",
          known ? (startup < kGoalSeconds && cpu < kCpuGoalMs ? "yes" : "NO")
                : "n/a");
      const double gles2 = reporter.MedianCounter(name, "gles2_swap_ms") / 1e3;
      std::fprintf(stderr,
                   "startup_bench %d x, %s, GLES2: first swap at %s ms, main "
                   "loop at %s ms, CPU %s ms\n",
                   scale, panel, bench::Number(gles2 * 1e3, "%.0f").c_str(),
                   bench::Number(reporter.MedianCounter(name, "gles2_loop_ms"), "%.0f").c_str(),
                   bench::Number(reporter.MedianCounter(name, "gles2_cpu_ms"), "%.0f").c_str());
      bench::PrintResult(
          "Start-up to first swap (simulator mode, headless, " + std::to_string(scale) + " x, " + panel +
              ", GLES2)",
          bench::Duration(gles2), bench::Duration(startup),
          gles2 > 0 && startup > 0 ? bench::Number(gles2 / startup, "%.2f x GL1") : "n/a", "< 300 ms",
          gles2 > 0 ? (gles2 < kGoalSeconds ? "yes" : "NO") : "n/a");
      if (full == 1) {
        const std::string classic =
            "BM_StartupPair/" + std::to_string(scale) + "/0";
        const double today = reporter.MedianCounter(classic, "swap_ms") / 1e3;
        if (today > 0 && startup > 0)
          bench::PrintRatio("Start-up at " + std::to_string(scale) +
                                " x: full panel vs today's",
                            bench::Duration(startup), bench::Duration(today),
                            startup / today, 1.10, false);
      }
    }
  }
  return 0;
}
