// Simulator mode's source: the read list in one IPC exchange per frame.
#pragma once

#include <array>
#include <vector>

#include "model/read_list.h"
#include "sources/flight_data_source.h"
#include "sources/sim_ipc_client.h"

class SimulatorSource : public FlightDataSource {
 public:
  static constexpr uint64_t kRetryEveryMicros = 2000000;  // reconnect: one attempt every 2 s

  // With `reconnect`, a link whose simulator has gone is closed, and a closed link is opened
  // again every 2 s from Service(), so a simulator that is restarted is found again.
  explicit SimulatorSource(bool reconnect = false, ReadPlan plan = ReadPlan::Classic());

  static constexpr const char* kTitleWord = "[FSUIPC]";
  static constexpr const char* kOpenFailedText = "FSUIPC connection failed.";

  // Opens the link to any simulator; false with the result code otherwise.
  bool Open(uint32_t* resultCode);
  // The display's start-up: the link opened after the artwork; without a simulator the start-up
  // fails, or with `reconnect` the window opens and waits for one.
  SourceStart Open() override;
  // "[FSUIPC]"; with `reconnect`, "[NOT CONNECTED]" while no simulator answers once it was tried. Without it a lost
  // link leaves the title as it is: the failure flag tells.
  std::string TitleWord() const override;
  // The simulator link, not the artwork, decides whether the display starts.
  bool NeedsArtwork() const override { return false; }
  // DrawFrameIpc's data part: the plan's reads (the read list's 30 and those the layout adds) queued
  // and performed with one exchange, then the frame's 1 ms pause. Every variable read is valid when
  // the exchange succeeded; a failed exchange or a read that could not be queued leaves zeros, not
  // valid. False when a read-list row did not arrive. The readings follow from them (the inclination
  // in whole degrees).
  bool Fetch(FlightFrame& frame) override;
  // The data part alone: the interface values as they arrived, not converted.
  bool FetchInterface(InterfaceValues& state);
  bool LinkUp() const override { return client_.IsOpen(); }
  void Service() override;
  SimIpcClient& Client() { return client_; }

 private:
  // True when the window the link talks to is no longer the simulator's (closed, or replaced by
  // a simulator started again).
  bool SimulatorGone();

  SimIpcClient client_;
  bool reconnect_ = false;
  bool attempted_ = false;  // the link was tried at least once
  ReadPlan plan_;
  std::vector<std::array<uint8_t, 8>> scratch_;  // one zeroed slot per read, filled by the exchange
  uint64_t lastAttemptMicros_ = 0;
};
