// The companion tools' command lines: a bad option or value is named, with its value, and ends the
// tool with exit code 2 before it does anything.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/system.h"

namespace {

struct ToolRun {
  bool ended = false;
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};

ToolRun RunTool(const std::string& tool, const std::vector<std::string>& args) {
  ToolRun run;
  const std::string log = std::string(ORVANE_RUN_DIR) + "/" + tool + "-command-line-" +
                          std::to_string(platform::CurrentProcessId()) + ".log";
  platform::ChildProcess child;
  if (!platform::StartProcess(std::string(ORVANE_RUN_DIR) + "/" + tool + ORVANE_EXE_SUFFIX, args, child, log)) {
    ADD_FAILURE() << "cannot start " << tool;
    return run;
  }
  run.ended = platform::WaitProcess(child, 20000, &run.exitCode);
  if (!run.ended) platform::StopProcess(child, 2000);
  platform::ReadWholeFile(log, run.output, 1 << 20);
  std::remove(log.c_str());
  return run;
}

}  // namespace

TEST(ToolCommandLines, ABadOptionIsNamedWithItsValueAndEndsWithExitCode2) {
  struct Case {
    std::string tool;
    std::vector<std::string> args;
    std::vector<std::string> named;  // what the message must name
  };
  const Case cases[] = {
      {"orvane-snapshot", {"--pitch", "level", "--describe"}, {"--pitch", "'level'"}},
      {"orvane-snapshot", {"--colour", "red", "--describe"}, {"--colour"}},
      {"orvane-snapshot", {"--describe", "--out"}, {"--out"}},
      {"OrvaneGCServer", {"--port", "65536"}, {"--port", "'65536'"}},
      {"OrvaneGCServer", {"--sauce", "demo"}, {"--sauce"}},
      {"orvane-sim", {"--duration", "-1"}, {"--duration", "'-1'"}},
      {"orvane-sim", {"--freeze", "--clas", "UIPCMAIN"}, {"--clas"}},
      {"orvane-assetgen", {"--scale", "9", "--geometry"}, {"--scale", "'9'"}},
      {"orvane-assetgen", {"--geometry", "--preveiw", "p.png"}, {"--preveiw"}},
  };
  for (const Case& c : cases) {
    const ToolRun r = RunTool(c.tool, c.args);
    ASSERT_TRUE(r.ended) << c.tool << " " << c.args[0] << " still running after 20 s";
    EXPECT_EQ(r.exitCode, 2) << c.tool << " " << c.args[0] << "\n" << r.output;
    for (const std::string& n : c.named) EXPECT_NE(r.output.find(n), std::string::npos) << c.tool << ": " << r.output;
    // One line saying what is wrong, not the help text.
    EXPECT_EQ(r.output.find("Usage:"), std::string::npos) << c.tool << ": " << r.output;
    EXPECT_EQ(r.output.find('\n'), r.output.size() - 1) << c.tool << ": " << r.output;
  }
}
