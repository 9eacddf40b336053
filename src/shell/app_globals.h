// Network-mode objects shared by the window set-up, the requests and the teardown.
#pragma once

class THxTcpBlockClient;
class THxDataExchange;

// Created by InitGl in network mode only; freed by KillGlWindow.
extern THxTcpBlockClient* ClientObject;
extern THxDataExchange* DataExchangeObject;
