// Definitions the network-reply fuzzer links against but never reaches: the drawing and the shell's network objects.
#include <cstdio>

#include "pfd/frame_draw.h"
#include "shell/app_globals.h"

// The shell's objects (defined with the window code, which the fuzzers leave out).
THxTcpBlockClient* ClientObject = nullptr;
THxDataExchange* DataExchangeObject = nullptr;

// The drawing needs a GL context; no fuzzer draws.
void DrawFrameDescription(const FrameDescription&, void (*)()) {
  std::fprintf(stderr, "DrawFrameDescription reached in a fuzzer\n");
  __builtin_trap();
}
