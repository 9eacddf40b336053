// Where a frame's flight values come from: the simulator on this PC or the data server. The display
// owns one source for its whole run; the source owns its transport, names itself for the window
// title and says what a failed start-up does. Each frame asks it for the values once.
#pragma once

#include <string>

#include "model/interface_codec.h"

// The window title's last word while no values arrive, for the sources that say so.
constexpr const char* kTitleWordNotConnected = "[NOT CONNECTED]";

// What opening a source came to.
struct SourceStart {
  enum class Outcome {
    Ready,               // the link is up
    Waiting,             // no link yet: the window opens and the source keeps trying from Service()
    FailNow,             // the start-up fails here: `message` in a dialog, then the window closes
    FailOnceWindowIsUp,  // the window opens, then `message` in a dialog and the run ends undrawn
  };
  Outcome outcome = Outcome::Ready;
  std::string message;
};

class FlightDataSource {
 public:
  virtual ~FlightDataSource() = default;

  // The window title's last word now: the source's own ("[FSUIPC]", "[NETWORK]") while its link is
  // up, kTitleWordNotConnected while a source that waits for its link has none.
  virtual std::string TitleWord() const = 0;
  // True when the link opens before the artwork is loaded, false when after it.
  virtual bool OpensBeforeArtwork() const { return false; }
  // False when the source's link alone decides whether the display starts, artwork or not.
  virtual bool NeedsArtwork() const { return true; }
  // Opens the transport, bounded in time (called once, with the GL context current).
  virtual SourceStart Open() = 0;
  // Releases the transport at the end of the run.
  virtual void Close() {}

  // Fills `frame` (zero-filled by the caller) for one frame: the readings that arrived, each marked
  // valid, and the classic panel's view of them; the others stay zero. True when every value of the
  // read list arrived (false puts the attitude failure flag on the frame).
  virtual bool Fetch(FlightFrame& frame) = 0;
  // The frame's pause between the panel and the guidance, when the source has one.
  virtual void PauseAfterPanel() {}
  // Called once per main-loop pass: a source that reconnects does it from here, bounded in time.
  virtual void Service() {}
  // True while the link to the values is up.
  virtual bool LinkUp() const = 0;
};
