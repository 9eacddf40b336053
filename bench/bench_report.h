// Shared by the benchmark programs: interleaved repetitions, their medians, and the result lines of scripts/bench.sh.
//
// Every program measures a figure and its floor in the same run. Repetitions of all benchmarks are
// interleaved at random, so a burst of load on the machine spreads over both sides instead of
// spoiling one. The figure of a benchmark is the median over its repetitions. At the end each
// program prints lines
//   RESULT<TAB>benchmark<TAB>measured<TAB>floor<TAB>ratio<TAB>goal<TAB>met
// which scripts/bench.sh gathers into one table.
#pragma once

#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace bench {

// The real time of one iteration in seconds, and the counters, of every repetition by benchmark name.
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  CollectingReporter() : benchmark::ConsoleReporter(OO_Tabular) {}  // no colour codes: the output goes to logs

  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> shown;
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration) {
        if (run.error_occurred || run.iterations == 0) {
          errors_[Name(run)] = run.error_message;
          shown.push_back(run);
          continue;
        }
        Sample& s = samples_[Name(run)];
        s.seconds.push_back(run.real_accumulated_time / double(run.iterations));
        for (const auto& [key, counter] : run.counters) s.counters[key].push_back(counter.value);
      } else if (run.aggregate_name == "median") {
        shown.push_back(run);  // the console shows the medians only
      }
    }
    if (!shown.empty()) benchmark::ConsoleReporter::ReportRuns(shown);
  }

  // Median seconds per iteration of a benchmark; negative when it never ran successfully.
  double MedianSeconds(const std::string& name) const {
    auto it = samples_.find(name);
    return it == samples_.end() ? -1.0 : Median(it->second.seconds);
  }
  // Median of one counter of a benchmark; negative when absent.
  double MedianCounter(const std::string& name, const std::string& counter) const {
    auto it = samples_.find(name);
    if (it == samples_.end()) return -1.0;
    auto c = it->second.counters.find(counter);
    return c == it->second.counters.end() ? -1.0 : Median(c->second);
  }
  // The error a benchmark stopped with, or "".
  std::string Error(const std::string& name) const {
    auto it = errors_.find(name);
    return it == errors_.end() ? std::string() : it->second;
  }

  static double Median(std::vector<double> values) {
    if (values.empty()) return -1.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
  }

 private:
  struct Sample {
    std::vector<double> seconds;
    std::map<std::string, std::vector<double>> counters;
  };
  // The benchmark's name without the decorations the library adds (repeats, real_time, ...).
  static std::string Name(const Run& run) {
    std::string name = run.run_name.function_name;
    if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
    return name;
  }
  std::map<std::string, Sample> samples_;
  std::map<std::string, std::string> errors_;
};

// Paired sampling: within one benchmark the floor and the figure (and any parts) are timed one right
// after the other, iteration by iteration, so both see the same load on the machine. Every series
// is published as a counter "<name>_us" holding the median of its durations in this repetition.
// With `processCpu`, each series also gets "<name>_cpu_us": the CPU time of the whole process
// (all its threads, e.g. the GL driver's) spent meanwhile, which other load on the machine does not
// inflate the way it inflates waiting.
class Series {
 public:
  using Clock = std::chrono::steady_clock;

  explicit Series(bool processCpu = false) : processCpu_(processCpu) {}

  // Times `work` under `name`; returns its duration in seconds.
  template <typename Work>
  double Time(const std::string& name, Work&& work) {
    const double cpuStart = processCpu_ ? ProcessCpuSeconds() : 0;
    const auto start = Clock::now();
    work();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    samples_[name].push_back(seconds);
    if (processCpu_) samples_[name + "_cpu"].push_back(ProcessCpuSeconds() - cpuStart);
    return seconds;
  }
  void Publish(benchmark::State& state) const {
    for (const auto& [name, values] : samples_)
      state.counters[name + "_us"] = CollectingReporter::Median(values) * 1e6;
  }

 private:
  static double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
  }
  bool processCpu_;
  std::map<std::string, std::vector<double>> samples_;
};

// CPU placement. On this kind of machine (a virtual machine with two cores) a thread that wakes a
// thread sleeping on the other core pays a wake-up of that core, which varies from a few to more
// than a hundred microseconds with the host's mood; a ping-pong between two threads then measures
// mostly that. Benchmarks that compare ping-pongs therefore keep both ends on one core, where a
// wake-up is a plain switch, so that the figure and its floor differ only by their own work.

// The CPUs this process may run on, in order.
inline std::vector<int> AllowedCpus() {
  std::vector<int> cpus;
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return cpus;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
    if (CPU_ISSET(cpu, &set)) cpus.push_back(cpu);
  return cpus;
}

// Pins a thread to one CPU; false when that is refused.
inline bool PinThread(pthread_t thread, int cpu) {
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(cpu, &set);
  return pthread_setaffinity_np(thread, sizeof set, &set) == 0;
}

// Pins the calling thread, and with it every thread and process it starts later, to the first
// allowed CPU. Returns that CPU, or -1 when nothing was pinned.
inline int PinToOneCpu() {
  const std::vector<int> cpus = AllowedCpus();
  if (cpus.empty() || !PinThread(pthread_self(), cpus[0])) return -1;
  return cpus[0];
}

// Runs the registered benchmarks with interleaved repetitions (the caller's flags win).
inline void RunAll(int argc, char** argv, CollectingReporter& reporter, int repetitions, double minTimeSeconds) {
  std::vector<std::string> storage = {argv[0],
                                      "--benchmark_repetitions=" + std::to_string(repetitions),
                                      "--benchmark_enable_random_interleaving=true",
                                      "--benchmark_min_time=" + std::to_string(minTimeSeconds)};
  for (int i = 1; i < argc; ++i) storage.push_back(argv[i]);
  std::vector<char*> args;
  for (std::string& s : storage) args.push_back(s.data());
  int count = int(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}

// A figure in a readable unit: "12.3 us", "4.56 ms", "789 ns".
inline std::string Duration(double seconds) {
  char text[64];
  if (seconds < 0) return "n/a";
  if (seconds >= 1.0)
    std::snprintf(text, sizeof text, "%.3g s", seconds);
  else if (seconds >= 1e-3)
    std::snprintf(text, sizeof text, "%.3g ms", seconds * 1e3);
  else if (seconds >= 1e-6)
    std::snprintf(text, sizeof text, "%.3g us", seconds * 1e6);
  else
    std::snprintf(text, sizeof text, "%.3g ns", seconds * 1e9);
  return text;
}

inline std::string Number(double value, const char* format = "%.3g") {
  if (value < 0) return "n/a";
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// One line of the table. `met` is "yes", "NO" or "n/a".
inline void PrintResult(const std::string& benchmark, const std::string& measured, const std::string& floor,
                        const std::string& ratio, const std::string& goal, const std::string& met) {
  std::printf("RESULT\t%s\t%s\t%s\t%s\t%s\t%s\n", benchmark.c_str(), measured.c_str(), floor.c_str(), ratio.c_str(),
              goal.c_str(), met.c_str());
  std::fflush(stdout);
}

// A ratio line: measured / floor against "at most `limit`" (or "at least" when `atLeast`); no goal when limit <= 0.
inline void PrintRatio(const std::string& benchmark, const std::string& measured, const std::string& floor,
                       double ratio, double limit, bool atLeast) {
  const bool known = ratio > 0;
  const std::string shown = known ? Number(ratio, "%.2f x") : "n/a";
  if (limit <= 0) return PrintResult(benchmark, measured, floor, shown, "-", "n/a");  // reported, no goal
  const bool met = known && (atLeast ? ratio >= limit : ratio <= limit);
  char goal[32];
  std::snprintf(goal, sizeof goal, "%s %.2g x", atLeast ? ">=" : "<=", limit);
  PrintResult(benchmark, measured, floor, shown, goal, known ? (met ? "yes" : "NO") : "n/a");
}

}  // namespace bench
