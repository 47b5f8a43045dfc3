// The core's logger: lines of the form
//   [2024-05-01 09:30:05.042], INF, Mc, message
// handed to the receiving core object on the caller's thread.
#pragma once

#include <ctime>
#include <sstream>
#include <string>

struct json_object;

// What the logger hands its finished lines to (the core object).
class CLLogReceiver {
public:
    virtual ~CLLogReceiver() = default;
    virtual void QuorixLog(int level, const char* line) = 0;
};

// Connection parameters of a key exchange, as the logger prints them.
struct _stKeyExchange {
    std::string strAddr;
    int iPort = 0;
    int iFirstConnectType = 0;
    std::string strProxyIp;
    int iProxyPort = 0;
};

class CLLog {
public:
    enum level { ERR = 0, WRN = 1, INF = 2, DBG = 3 };

    // Source of the local time in the line header; tests inject a fixed
    // clock, nullptr restores the real one.
    using LocalTimeSource = void (*)(std::tm* local, int* millisecond);
    static void setTimeSource(LocalTimeSource source);

    static void init(CLLogReceiver* core, const char* platform);
    static void term();

    static void setOutput(bool on);
    static bool getOutput();
    static bool setLogLevel(int level);
    static int getLogLevel();
    static void setOutputTimeMeasurement(bool on);
    static bool getOutputTimeMeasurement();

    // The line text; empty when kind or message is missing. level is 0 to 3.
    static std::string logFormat(int level, const char* kind, const char* message, const char* platform);
    static void write(int level, const char* message);
    static void write(int level, const std::string& message);
    // At most 2047 characters of formatted text; longer texts are cut.
    static void writeFormat(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
    static void internalError(int n);
    static void onLoginEnd(int result);

    // Timing of named functions; the name is compared by address.
    static void onFuncStart(const char* name);
    static void onFuncEnd(const char* name);
    static void startTimeMeasurement(const char* name);
    // Seconds since the stored start, -1 when timing is off or nothing is stored.
    static double endTimeMeasurement(const char* name);

    static void onLoginStart(const char* userAgent, const char* server, int port, int firstConnectType,
                             const char* proxyAddress, int proxyPort, const char* userId,
                             const char* userName, int topRoomId, int roomId, int version,
                             const char* appVersion, int appNumber, bool camera, bool mic, bool wifi,
                             int audioSamplingRate, bool supportAudioSamplingRate, bool hdVideo,
                             bool hwConference, bool question, const char* userOption);

    // All arguments written as an output text stream writes them, joined.
    template <typename First, typename... Rest>
    static std::string paramtoStr(const First& first, const Rest&... rest) {
        std::ostringstream out;
        out << first;
        ((out << rest), ...);
        return out.str();
    }

    static std::string stKeyExchangeToStr(const _stKeyExchange* info);
    static std::string jsonLoginReqStrGroup(json_object* json, int indent, const char* group,
                                            const char* const* keys, int count);
};
