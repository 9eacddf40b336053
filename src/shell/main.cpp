// OrvaneGCPfd entry point: icon check, settings, the main loop; every failure ends with a message.
#include <exception>
#include <string>

#include "platform/dialogs.h"
#include "platform/system.h"
#include "platform/window.h"
#include "shell/app_icon.h"
#include "shell/display.h"
#include "shell/settings.h"

namespace {

// Start-up up to the end of the main loop; 0 on an orderly end, 1 when the panel did not start.
int Run() {
  std::string error;
  Settings settings;
  if (!CheckAppIcon(AppIconFileName, error) || !ReadSettings(settings, error)) {
    platform::ShowMessageBox(error, "Error", platform::MessageIcon::Error);
    return 1;
  }
  Display display(settings);
  display.MainLoop();
  return display.StartupFailed() ? 1 : 0;
}

// An error nobody handled: say what happened, exit 1. The window, if it was open, went with the
// display as the error left Run.
int Fail(const std::string& text) {
  platform::ShowMessageBox(text, "Error", platform::MessageIcon::Error);
  return 1;
}

}  // namespace

// The program takes no arguments; any given are ignored.
int main(int, char**) {
  try {
    return Run();
  } catch (const std::exception& e) {
    return Fail(e.what());
  } catch (...) {
    return Fail("An unexpected error ended the program.");
  }
}
