// MainLoop: the window's life from creation to teardown, one message or one frame per pass.
#include <algorithm>
#include <string>

#include "platform/dialogs.h"
#include "platform/system.h"
#include "platform/window.h"
#include "shell/display.h"
#include "shell/frame.h"
#include "shell/frame_pacer.h"
#include "shell/snapshot_recorder.h"

namespace {

// The longest single sleep while waiting for a capped frame, so messages keep flowing.
constexpr uint64_t MaxPacingSleepMicros = 10000;

}  // namespace

FlightFrame Display::DrawFrame(PanelPicture* decided) {
  renderer_.BeginFrame();
  if (!renderer_.Layout().standard) EnableGlClip();  // a fitted frame clips to the panel
  return ::DrawFrame(*source_, rules_, renderer_, double(platform::MonotonicMicros()) / 1e6, decided);
}

// Pumps messages and draws until the quit message or a frame that asks to stop.
void Display::RunLoop(double frameCap) {
  FramePacer pacer(frameCap);
  SnapshotRecorder recorder;
  recorder.RecorderInit(renderer_.Layout());
  for (;;) {
    source_->Service();
    ShowLinkInTitle();
    const platform::PumpResult pumped = window_.PumpOneMessage();
    recorder.RecorderNoteMessagePump(pumped == platform::PumpResult::Handled);
    if (pumped == platform::PumpResult::Quit) return;
    if (pumped == platform::PumpResult::Handled) continue;

    const uint64_t wait = pacer.Check(platform::MonotonicMicros());
    if (wait > 0) {
      platform::SleepMs(static_cast<uint32_t>(std::min(wait, MaxPacingSleepMicros) / 1000));
      continue;
    }
    if (GlWindowActive()) {
      PanelPicture picture;
      const FlightFrame drawn = DrawFrame(&picture);
      if (!recorder.RecorderAfterFrame(drawn.readings, picture)) {
        window_.SwapBuffers();
        return;
      }
    }
    window_.SwapBuffers();
  }
}

int32_t Display::MainLoop() {
  startupFailed_ = true;
  if (!CreateGlWindow(WindowTitle(source_->TitleWord()), 500, 740, 32, false)) return 0;

  // Without the retrace to wait for (software GL, remote desktops, virtual displays) the loop
  // would draw as fast as it can: it is paced to the monitor's refresh rate instead.
  int refreshHz = 0;
  if (settings_.VSync && !window_.SetSwapInterval(1)) {
    const int reported = window_.RefreshRateHz();
    refreshHz = PacingRefreshHz(reported);
    platform::DebugLog("VSYNC=Y: the driver refused a swap interval of 1; frames are paced to " +
                       std::to_string(refreshHz) + " per second instead (" +
                       (reported == refreshHz ? "the monitor's refresh rate" : "the monitor's refresh rate is unknown") +
                       ").");
  }

  // A source that could not open (no server) ends the run here, once the window is up.
  if (sourceStart_.outcome == SourceStart::Outcome::FailOnceWindowIsUp) {
    platform::ShowPositionedErrorDialog(sourceStart_.message, ErrorDialogCoordinate(settings_.WindowX),
                                        ErrorDialogCoordinate(settings_.WindowY));
  } else {
    startupFailed_ = false;
    RunLoop(FrameCap(settings_.MaxFps, refreshHz));
  }
  KillGlWindow();
  return 0;
}
