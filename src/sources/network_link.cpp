// Network mode's link to the data server: creates, connects, services and frees the client objects.
#include "sources/network_link.h"

#include "shell/app_globals.h"

THxTcpBlockClient* ClientObject = nullptr;
THxDataExchange* DataExchangeObject = nullptr;

// First version: the socket layer is being written; until then network mode never connects.
void NetworkStartup() {}

bool NetworkConnected() { return false; }

void NetworkService() {}

void NetworkShutdown() {}
