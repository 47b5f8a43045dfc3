// Small helpers private to the control object's files.
#pragma once

#include "common/LLog.h"
#include "tessel/TS_Mutex.h"

// Log levels of CLLog.
constexpr int kLogErr = CLLog::ERR;
constexpr int kLogWrn = CLLog::WRN;
constexpr int kLogInf = CLLog::INF;
constexpr int kLogDbg = CLLog::DBG;
