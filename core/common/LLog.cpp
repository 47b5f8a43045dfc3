#include "common/LLog.h"

#include <json-c/json.h>
#include <strings.h>
#include <sys/time.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <map>

#include "tessel/TS_Mutex.h"

namespace {
// Configuration and the receiving core are read by every logging thread.
std::atomic<CLLogReceiver*> gCore{nullptr};
std::atomic<const char*> targetId{"-"};
std::atomic<bool> bLogOutput{true};
std::atomic<int> logLevel{CLLog::INF};
std::atomic<bool> bTimeMeasure{false};
std::atomic<CLLog::LocalTimeSource> gTimeSource{nullptr};

const char* const levelStr[] = {"ERR", "WRN", "INF", "DBG"};

CMutex& gTimingMutex() {
    static CMutex* mutex = new CMutex;
    return *mutex;
}
std::map<const char*, timespec>& funcStartTime() {
    static auto* map = new std::map<const char*, timespec>;
    return *map;
}

void RealLocalTime(std::tm* local, int* millisecond) {
    timeval now;
    gettimeofday(&now, nullptr);
    localtime_r(&now.tv_sec, local);
    *millisecond = static_cast<int>(now.tv_usec / 1000);
}

const char* PlatformLetter(const char* platform) {
    if (platform == nullptr) return "-";
    if (strcasecmp(platform, "Android") == 0) return "A";
    if (strcasecmp(platform, "iOS") == 0) return "I";
    if (strcasecmp(platform, "Mac") == 0) return "M";
    return "-";
}
}  // namespace

void CLLog::setTimeSource(LocalTimeSource source) {
    gTimeSource.store(source);
}

void CLLog::init(CLLogReceiver* core, const char* platform) {
    targetId.store(PlatformLetter(platform));
    gCore.store(core);
}

void CLLog::term() {
    gCore.store(nullptr);
    bLogOutput.store(false);
    logLevel.store(INF);
    targetId.store("-");
}

void CLLog::setOutput(bool on) {
    bLogOutput.store(on);
}

bool CLLog::getOutput() {
    return bLogOutput.load();
}

bool CLLog::setLogLevel(int level) {
    if (level < ERR || level > DBG) return false;
    logLevel.store(level);
    return true;
}

int CLLog::getLogLevel() {
    return logLevel.load();
}

void CLLog::setOutputTimeMeasurement(bool on) {
    bTimeMeasure.store(on);
}

bool CLLog::getOutputTimeMeasurement() {
    return bTimeMeasure.load();
}

std::string CLLog::logFormat(int level, const char* kind, const char* message, const char* platform) {
    if (kind == nullptr || message == nullptr) return std::string();
    std::tm local{};
    int millisecond = 0;
    const LocalTimeSource source = gTimeSource.load();
    (source != nullptr ? source : RealLocalTime)(&local, &millisecond);
    char header[64];
    snprintf(header, sizeof(header), "[%04d-%02d-%02d %02d:%02d:%02d.%03d], %s, ", local.tm_year + 1900,
             local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, millisecond,
             (level >= ERR && level <= DBG) ? levelStr[level] : "???");
    std::string line(header);
    line += platform != nullptr ? platform : "";
    line += kind;
    line += ", ";
    line += message;
    return line;
}

void CLLog::write(int level, const char* message) {
    if (message == nullptr || !bLogOutput.load() || level > logLevel.load()) return;
    CLLogReceiver* core = gCore.load();
    if (core == nullptr) return;
    const std::string line = logFormat(level, "c", message, targetId.load());
    core->QuorixLog(level, line.c_str());
}

void CLLog::write(int level, const std::string& message) {
    write(level, message.c_str());
}

void CLLog::writeFormat(int level, const char* format, ...) {
    char text[2048] = {};
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    write(level, text);
}

void CLLog::internalError(int n) {
    writeFormat(ERR, "Internal Error(%d)", n);
}

void CLLog::onLoginEnd(int result) {
    if (!bLogOutput.load() || logLevel.load() < INF) return;
    if (result == 0) {
        write(INF, "Login succeeded.");
    } else {
        writeFormat(INF, "Failed to login(%d).", result);
    }
}

void CLLog::onFuncStart(const char* name) {
    if (bLogOutput.load() && logLevel.load() >= DBG) startTimeMeasurement(name);
}

void CLLog::onFuncEnd(const char* name) {
    if (logLevel.load() < DBG) return;
    const double seconds = endTimeMeasurement(name);
    if (seconds >= 0) write(DBG, paramtoStr(name, "; Process Time: ", seconds, " sec; "));
}

// Durations are measured on the monotonic clock so that a change of the
// system clock cannot produce negative or inflated timings.
void CLLog::startTimeMeasurement(const char* name) {
    if (!bTimeMeasure.load()) return;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    CMutexLock lock(gTimingMutex());
    funcStartTime()[name] = now;
}

double CLLog::endTimeMeasurement(const char* name) {
    if (!bTimeMeasure.load()) return -1;
    timespec end;
    clock_gettime(CLOCK_MONOTONIC, &end);
    timespec start;
    {
        CMutexLock lock(gTimingMutex());
        auto it = funcStartTime().find(name);
        if (it == funcStartTime().end()) return -1;
        start = it->second;
    }
    long nsec = end.tv_nsec - start.tv_nsec;
    long borrow = 0;
    if (nsec < 0) {
        nsec += 1000000000;
        borrow = 1;
    }
    return static_cast<double>(nsec) / 1e9 + static_cast<double>(end.tv_sec - start.tv_sec - borrow);
}

void CLLog::onLoginStart(const char* userAgent, const char* server, int port, int firstConnectType,
                         const char* proxyAddress, int proxyPort, const char* userId, const char* userName,
                         int topRoomId, int roomId, int version, const char* appVersion, int appNumber,
                         bool camera, bool mic, bool wifi, int audioSamplingRate,
                         bool supportAudioSamplingRate, bool hdVideo, bool hwConference, bool question,
                         const char* userOption) {
    const int level = logLevel.load();
    if (level < INF) return;
    if (level == INF) {
        write(WRN, "Trying to login using the old method.");
        return;
    }
    static const char kLogin[] = "Login";
    startTimeMeasurement(kLogin);
    std::string text = paramtoStr("Trying to Login: \n\tServer:", server, ":", port, "\n",
                                  "\tFirstConnect:", firstConnectType, "\n", "\tProxy Addr:", proxyAddress,
                                  " Port:", proxyPort, "\n");
    text += paramtoStr("\tUser: ID:", userId, " name:", userName, "\n");
    text += paramtoStr("\tRoom: tid:", topRoomId, " rid:", roomId, " AudioSamplingRate:", audioSamplingRate,
                       "\n");
    text += paramtoStr("\tVersion:", version, " AppVer:", appVersion, " AppNo:", appNumber, "\n");
    text += paramtoStr("\tDevice: Camera:", camera, " Mic:", mic, " WiFi:", wifi, "\n");
    text += paramtoStr("\tFuncSupport: AudioSamplingRate:", supportAudioSamplingRate, " HDVideo:", hdVideo,
                       " HWConference:", hwConference, " Question:", question, "\n");
    text += paramtoStr("\tUserAgent: {", userAgent, "}", "\n");
    text += paramtoStr("\tUserOption: ", userOption, "\n");
    write(DBG, text);
}

std::string CLLog::stKeyExchangeToStr(const _stKeyExchange* info) {
    if (info == nullptr) return "KeyExchange:NULL";
    return paramtoStr("KeyExchange:\n", "\tstrAddr:", info->strAddr, "\n", "\tiPort:", info->iPort, "\n",
                      "\tiFirstConnectType:", info->iFirstConnectType, "\n",
                      "\tstrProxyIp:", info->strProxyIp, "\n", "\tiProxyPort:", info->iProxyPort, "\n");
}

std::string CLLog::jsonLoginReqStrGroup(json_object* json, int indent, const char* group,
                                        const char* const* keys, int count) {
    if (json == nullptr) return std::string();
    const std::string tabs(static_cast<size_t>(indent < 0 ? 0 : (indent > 10 ? 10 : indent)), '\t');
    json_object* members = nullptr;
    if (group == nullptr || !json_object_object_get_ex(json, group, &members)) members = nullptr;
    std::string text = tabs + "\"" + (group != nullptr ? group : "") + "\":{\n";
    for (int i = 0; keys != nullptr && i < count; ++i) {
        json_object* item = nullptr;
        const char* value = nullptr;
        if (members != nullptr && keys[i] != nullptr && json_object_object_get_ex(members, keys[i], &item)) {
            value = json_object_get_string(item);
        }
        text += tabs + "\t\"" + (keys[i] != nullptr ? keys[i] : "") + "\":\"" +
                (value != nullptr ? value : "") + "\",\n";
    }
    text += tabs + "}\n";
    return text;
}
