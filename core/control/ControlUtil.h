// Small helpers private to the control object's files.
#pragma once

#include <cstdint>

#include "common/LLog.h"
#include "tessel/TS_Mutex.h"

// Log levels of CLLog.
constexpr int kLogErr = CLLog::ERR;
constexpr int kLogWrn = CLLog::WRN;
constexpr int kLogInf = CLLog::INF;
constexpr int kLogDbg = CLLog::DBG;

class CSocketTCP;

// The local end of a connected socket: its IPv4 address in network byte order
// (0 when it is not an IPv4 address) and its port; false when the socket
// cannot tell (both stay 0).
bool LocalEndpoint(CSocketTCP* socket, uint32_t& addr, uint32_t& port);
