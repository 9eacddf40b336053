// Message boxes: part of the display library, as they need the window system. Programs without a
// window (the data server, the simulator stand-in) report on standard error and their log instead.
#pragma once

#include <string>

namespace platform {

enum class MessageIcon { Error, Exclamation, Information };

// A platform message box with one OK button; the text also goes to stderr. Without a display (or
// with ORVANE_NO_DIALOGS set, on Linux) only to stderr.
void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon);

// The modal error dialog (caption "Error", error icon, one OK button) with its top-left corner at
// (x, y): a coordinate below zero keeps the dialog's default for it, both below zero centre it.
void ShowPositionedErrorDialog(const std::string& text, int x, int y);

}  // namespace platform
