// Network mode's connection to the data server: start-up, per-pass service, teardown.
#pragma once

// Creates DataExchangeObject and ClientObject, sets port then address from the settings, connects
// once, and switches the title to "[NOT CONNECTED]" when that failed.
void NetworkStartup();
// True while ClientObject exists and is connected.
bool NetworkConnected();
// True when the start-up connect failed and RECONNECT is off: MainLoop then shows the connection
// dialog and ends. With RECONNECT on a missing server is not fatal (the title says
// "[NOT CONNECTED]" and NetworkService keeps trying), so MainLoop should test this, not
// !NetworkConnected().
bool NetworkStartupFailedFatally();
// Called once per main-loop pass: with RECONNECT on, retries a lost connection every 2 s (the
// connect bounded to 1 s) and keeps the window title in step.
void NetworkService();
// Frees DataExchangeObject and then ClientObject when they exist and the client is connected.
void NetworkShutdown();
