// MainLoop: the window's life from creation to teardown, one message or one frame per pass.
#include "shell/main_loop.h"

#include <algorithm>

#include "pfd/frames.h"
#include "platform/system.h"
#include "platform/window.h"
#include "shell/frame_pacer.h"
#include "shell/gl_window.h"
#include "shell/settings.h"
#include "shell/snapshot_recorder.h"
#include "sources/network_link.h"

namespace {

// The longest single sleep while waiting for a capped frame, so messages keep flowing.
constexpr uint64_t MaxPacingSleepMicros = 10000;

// Pumps messages and draws until the quit message or a frame that asks to stop.
void RunLoop() {
  FramePacer pacer(MaxFps);
  RecorderInit();
  for (;;) {
    if (UseNetwork) NetworkService();
    const platform::PumpResult pumped = platform::PumpOneMessage();
    RecorderNoteMessagePump(pumped == platform::PumpResult::Handled);
    if (pumped == platform::PumpResult::Quit) return;
    if (pumped == platform::PumpResult::Handled) continue;

    const uint64_t wait = pacer.Check(platform::MonotonicMicros());
    if (wait > 0) {
      platform::SleepMs(static_cast<uint32_t>(std::min(wait, MaxPacingSleepMicros) / 1000));
      continue;
    }
    if (GlWindowActive()) {
      const bool goOn = UseNetwork ? DrawFrameNetwork() : DrawFrameIpc();
      if (!goOn) return;
      if (!RecorderAfterFrame()) {
        platform::SwapGlBuffers();
        return;
      }
    }
    platform::SwapGlBuffers();
  }
}

}  // namespace

int32_t MainLoop() {
  const char* title = UseNetwork ? TitleNetwork : TitleSimulator;
  FullScreen = false;
  if (!CreateGlWindow(title, 500, 740, 32, FullScreen)) return 0;

  if (VSync && !platform::SetSwapInterval(1)) {
    platform::DebugLog("VSYNC=Y: the driver refused a swap interval of 1.");
  }

  // Without a server the run ends here, unless RECONNECT keeps trying from the loop.
  if (UseNetwork && NetworkStartupFailedFatally()) {
    platform::ShowPositionedErrorDialog(ConnectionFailedText, ErrorDialogCoordinate(WindowX),
                                        ErrorDialogCoordinate(WindowY));
  } else {
    RunLoop();
  }
  KillGlWindow();
  return 0;
}
