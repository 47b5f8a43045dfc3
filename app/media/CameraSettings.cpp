#include "media/CameraSettings.h"

#include <sys/utsname.h>

#include <QVector>
#include <algorithm>
#include <climits>
#include <optional>

#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"

namespace {

struct Resolution {
    int width, height;
};
constexpr Resolution kResolutions[] = {{80, 60},   {160, 120}, {176, 144}, {320, 240}, {640, 480},
                                       {720, 480}, {800, 600}, {960, 720}, {1280, 720}};
constexpr int kFrameRates[] = {1, 5, 10, 15, 20, 25, 30};
constexpr int kResolutionCount = 9;
constexpr int kFrameRateCount = 7;
constexpr int kNoLimit = INT_MAX;

enum { kWidth = 0, kHeight = 1, kFrameRate = 2 };

using List = std::optional<QVector<int>>;

struct State {
    List width[2], height[2];  // by direction - 1
    List frameRate;
    List camDevice;  // created and emptied, never filled
    bool supportHD = false;
    bool limited = false;
    int limitedWidth = kNoLimit, limitedHeight = kNoLimit, limitedFrameRate = kNoLimit;
    int machineLimits[2][3] = {{kNoLimit, kNoLimit, kNoLimit}, {kNoLimit, kNoLimit, kNoLimit}};
    bool startingParameterSet = false;
    int startingWidth = 0, startingHeight = 0, startingFrameRate = 0;
};

State& state() {
    static State s;
    return s;
}

bool validDirection(int direction) {
    return direction == CAMERA_DIRECTION_FRONT || direction == CAMERA_DIRECTION_BACK;
}

List* settingArray(int direction, int type) {
    State& s = state();
    if (type == kFrameRate) return &s.frameRate;
    if (!validDirection(direction)) return nullptr;
    if (type == kWidth) return &s.width[direction - 1];
    if (type == kHeight) return &s.height[direction - 1];
    return nullptr;
}

void createOrEmpty(List& list) {
    if (list)
        list->clear();
    else
        list.emplace();
}

int configInt(const QVariantMap& config, const char* key) {
    return IntValue(config.value(QString::fromLatin1(key)).toString());
}

bool configIs(const QVariantMap& config, const char* key, const char* value) {
    return config.value(QString::fromLatin1(key)).toString() == QLatin1String(value);
}

int defaultValue(int type) {
    switch (type) {
        case kWidth:
            return 320;
        case kHeight:
            return 240;
        case kFrameRate:
            return 5;
        default:
            return 0;
    }
}

}  // namespace

void CameraSettings::initCameraSettings(const QVariantMap& config) {
    State& s = state();
    for (int d = 0; d < 2; ++d) {
        createOrEmpty(s.width[d]);
        createOrEmpty(s.height[d]);
    }
    createOrEmpty(s.frameRate);
    s.supportHD = configIs(config, "HDMODE", "Y");
    createOrEmpty(s.camDevice);
    setServerLimit(config);
    setVideoSizeAlternative();
    setFrameRateAlternatives();
    setStartingParameter(config);
    resetVideoSettings();
}

void CameraSettings::releaseCameraSettings() {
    State& s = state();
    for (int d = 0; d < 2; ++d) {
        s.width[d].reset();
        s.height[d].reset();
    }
    s.frameRate.reset();
    s.camDevice.reset();
}

int CameraSettings::getWidth(int direction) {
    return getValueByDirection(direction, kWidth);
}
int CameraSettings::getHeight(int direction) {
    return getValueByDirection(direction, kHeight);
}
int CameraSettings::getFrameRate(int direction) {
    return getValueByDirection(direction, kFrameRate);
}
void CameraSettings::setWidth(int direction, int width) {
    setValueByDirection(direction, kWidth, width);
}
void CameraSettings::setHeight(int direction, int height) {
    setValueByDirection(direction, kHeight, height);
}
void CameraSettings::setFrameRate(int direction, int frameRate) {
    setValueByDirection(direction, kFrameRate, frameRate);
}

int CameraSettings::getWidthAt(int direction, int index) {
    return getValueAt(direction, kWidth, index);
}
int CameraSettings::getHeightAt(int direction, int index) {
    return getValueAt(direction, kHeight, index);
}
int CameraSettings::getFrameRateAt(int index) {
    return getValueAt(CAMERA_DIRECTION_BACK, kFrameRate, index);
}

int CameraSettings::getResolutionCount(int direction) {
    const List* w = settingArray(direction, kWidth);
    const List* h = settingArray(direction, kHeight);
    if (!w || !h || !*w || !*h || (*w)->size() != (*h)->size()) return -1;
    return static_cast<int>((*w)->size());
}

int CameraSettings::getFrameRateCount() {
    return getValueCount(CAMERA_DIRECTION_BACK, kFrameRate);
}

int CameraSettings::getResolutionPos(int direction, int witdh, int) {
    // The table's widths all differ, so the width alone finds the resolution.
    return getIndexOfValue(direction, kWidth, witdh);
}

int CameraSettings::getCurrentResolutionPos(int direction) {
    return getResolutionPos(direction, getWidth(direction), getHeight(direction));
}

int CameraSettings::getFrameRatePos(int frameRate) {
    return getIndexOfValue(CAMERA_DIRECTION_BACK, kFrameRate, frameRate);
}

int CameraSettings::getCurrentFrameRatePos(int direction) {
    return getFrameRatePos(getFrameRate(direction));
}

bool CameraSettings::isLimited() {
    return state().limited;
}
double CameraSettings::getLimitedWidth() {
    return state().limitedWidth;
}
double CameraSettings::getLimitedHeight() {
    return state().limitedHeight;
}
double CameraSettings::getLimitedFrameRate() {
    return state().limitedFrameRate;
}

void CameraSettings::setServerLimit(const QVariantMap& config) {
    State& st = state();
    st.limitedWidth = st.limitedHeight = st.limitedFrameRate = kNoLimit;
    st.limited = false;
    // The room gives 1-based indexes; 0, a negative number or no value is no limit.
    int s = configInt(config, "MODE_MAX_VIDEO_SIZE");
    int f = configInt(config, "MODE_MAX_VIDEO_FPS");
    s = s < 1 ? kNoLimit : s - 1;
    f = f < 1 ? kNoLimit : f - 1;
    if (configIs(config, "DEF_MAX_FLAG", "1")) {
        s = std::min(s, configInt(config, "DEF_VIDEO_SIZE_MAX"));
        f = std::min(f, configInt(config, "DEF_VIDEO_FRAMERATE_MAX"));
    }
    // 1280 x 720 and 30 per second are never limits.
    if (s >= 0 && s <= 7) {
        st.limited = true;
        st.limitedWidth = kResolutions[s].width;
        st.limitedHeight = kResolutions[s].height;
    }
    if (f >= 0 && f <= 5) {
        st.limited = true;
        st.limitedFrameRate = kFrameRates[f];
    }
}

int CameraSettings::getMachineLimit(int direction, int type) {
    if (!validDirection(direction) || type < 0 || type > 2) return kNoLimit;
    return state().machineLimits[direction - 1][type];
}

void CameraSettings::setMachineLimit(int direction, int type, int value) {
    if (!validDirection(direction) || type < 0 || type > 2) return;
    state().machineLimits[direction - 1][type] = value;
}

void CameraSettings::setVideoSizeAlternative() {
    if (isMachineLimited(machineName())) {
        for (int direction : {CAMERA_DIRECTION_FRONT, CAMERA_DIRECTION_BACK}) {
            setMachineLimit(direction, kWidth, 640);
            setMachineLimit(direction, kHeight, 480);
        }
    }
    for (int direction : {CAMERA_DIRECTION_FRONT, CAMERA_DIRECTION_BACK}) {
        for (const Resolution& r : kResolutions) {
            if (r.width <= getMachineLimit(direction, kWidth) &&
                r.height <= getMachineLimit(direction, kHeight))
                addResolution(direction, r.width, r.height);
        }
    }
    State& st = state();
    for (int direction : {CAMERA_DIRECTION_FRONT, CAMERA_DIRECTION_BACK}) {
        if (getValueCount(direction, kWidth) > 0) continue;
        // Nothing fits: offer 320 x 240 whatever the server limits say.
        const int w = st.limitedWidth, h = st.limitedHeight;
        st.limitedWidth = st.limitedHeight = kNoLimit;
        addResolution(direction, 320, 240);
        st.limitedWidth = w;
        st.limitedHeight = h;
    }
}

void CameraSettings::setFrameRateAlternatives() {
    if (!state().frameRate) return;
    for (int rate : kFrameRates)
        if (rate <= state().limitedFrameRate) addFrameRate(rate);
}

void CameraSettings::setStartingParameter(const QVariantMap& config) {
    State& st = state();
    if (!configIs(config, "DEF_PARAM_VALID", "1")) {
        st.startingParameterSet = false;
        return;
    }
    st.startingParameterSet = true;
    const int size = configInt(config, "DEF_VIDEO_SIZE");
    if (size >= 0 && size < kResolutionCount) {
        st.startingWidth = kResolutions[size].width;
        st.startingHeight = kResolutions[size].height;
    }
    const int rate = configInt(config, "DEF_VIDEO_FRAMERATE");
    if (rate >= 0) st.startingFrameRate = rate < kFrameRateCount ? kFrameRates[rate] : 0;
}

void CameraSettings::resetResolution(int direction, int width, int height) {
    for (int i = getValueCount(direction, kWidth) - 1; i >= 0; --i) {
        const int w = getValueAt(direction, kWidth, i), h = getValueAt(direction, kHeight, i);
        if (w <= width && h <= height) {
            setWidth(direction, w);
            setHeight(direction, h);
            return;
        }
    }
    setWidth(direction, 320);
    setHeight(direction, 240);
}

bool CameraSettings::resetVideoByStartingParameter(int direction) {
    const State& st = state();
    if (st.startingParameterSet) {
        if (st.startingWidth > 0 && st.startingHeight > 0)
            resetResolution(direction, st.startingWidth, st.startingHeight);
        // The starting rate is taken as it is, even above the allowed list.
        if (st.startingFrameRate > 0) setFrameRate(direction, st.startingFrameRate);
    }
    return st.startingParameterSet;
}

bool CameraSettings::resetVideoByLimit(int direction) {
    const State& st = state();
    if (st.limited) {
        if (getWidth(direction) > st.limitedWidth || getHeight(direction) > st.limitedHeight)
            resetResolution(direction, st.limitedWidth, st.limitedHeight);
        if (getFrameRate(direction) > st.limitedFrameRate) setFrameRate(direction, st.limitedFrameRate);
    }
    return st.limited;
}

bool CameraSettings::resetVideoByHDMode(int direction) {
    const State& st = state();
    if (!st.supportHD && (getWidth(direction) > 640 || getHeight(direction) > 480))
        resetResolution(direction, 640, 480);
    return st.supportHD;
}

void CameraSettings::resetVideoSettings() {
    for (int direction : {CAMERA_DIRECTION_FRONT, CAMERA_DIRECTION_BACK}) {
        if (!resetVideoByStartingParameter(direction) && !resetVideoByLimit(direction))
            resetVideoByHDMode(direction);
    }
}

void CameraSettings::addResolution(int direction, int witdh, int height) {
    const State& st = state();
    if (witdh > st.limitedWidth || height > st.limitedHeight) return;
    if (!st.supportHD && (witdh > 640 || height > 480)) return;
    if (witdh < 80 || witdh > 1280 || height < 60 || height > 720) return;
    addCameraSettingsArray(direction, kWidth, witdh);
    addCameraSettingsArray(direction, kHeight, height);
}

void CameraSettings::addFrameRate(int frameRate) {
    addCameraSettingsArray(CAMERA_DIRECTION_BACK, kFrameRate, frameRate);
}

void CameraSettings::addCameraSettingsArray(int direction, int type, int value) {
    List* list = settingArray(direction, type);
    if (list && *list) (*list)->append(value);
}

int CameraSettings::getValueAt(int direction, int type, int index) {
    const List* list = settingArray(direction, type);
    if (!list || !*list) return 0;
    if (index < 0 || index >= (*list)->size()) return -1;
    return (**list)[index];
}

int CameraSettings::getIndexOfValue(int direction, int type, int value) {
    const List* list = settingArray(direction, type);
    if (!list || !*list) return -1;
    return static_cast<int>((*list)->indexOf(value));
}

int CameraSettings::getValueCount(int direction, int type) {
    const List* list = settingArray(direction, type);
    if (!list || !*list) return -1;
    return static_cast<int>((*list)->size());
}

bool CameraSettings::getFlagAndKeyByDirection(int direction, int type, QString* flag, QString* key) {
    static const char* const kKeys[2][3][2] = {
        {{"SetMyImageVideoSizeFlagFront", "KeyMyImageVideoSizeWidthFront"},
         {"SetMyImageVideoSizeFlagFront", "KeyMyImageVideoSizeHeightFront"},
         {"SetMyImageFrameRateFlagFront", "KeyMyImageFrameRateFront"}},
        {{"SetMyImageVideoSizeFlagBack", "KeyMyImageVideoSizeWidthBack"},
         {"SetMyImageVideoSizeFlagBack", "KeyMyImageVideoSizeHeightBack"},
         {"SetMyImageFrameRateFlagBack", "KeyMyImageFrameRateBack"}},
    };
    if (!validDirection(direction) || type < 0 || type > 2) return false;
    if (flag) *flag = QString::fromLatin1(kKeys[direction - 1][type][0]);
    if (key) *key = QString::fromLatin1(kKeys[direction - 1][type][1]);
    return true;
}

int CameraSettings::getValueByDirection(int direction, int type) {
    QString flag, key;
    if (!getFlagAndKeyByDirection(direction, type, &flag, &key)) return defaultValue(type);
    UserDefaults& defaults = UserDefaults::standard();
    if (defaults.integerForKey(flag) == 0) return defaultValue(type);
    return static_cast<int>(defaults.integerForKey(key));
}

void CameraSettings::setValueByDirection(int direction, int type, int value) {
    QString flag, key;
    if (!getFlagAndKeyByDirection(direction, type, &flag, &key)) return;
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setInteger(flag, 1);
    defaults.setInteger(key, value);
}

QString CameraSettings::machineName() {
    utsname name{};
    if (uname(&name) != 0) return {};
    return QString::fromLatin1(name.machine);
}

bool CameraSettings::isMachineLimited(const QString& machine) {
    auto firstNumber = [&machine](int prefix) { return IntValue(QStringView(machine).mid(prefix)); };
    if (machine.startsWith(QLatin1String("iPhone"))) return firstNumber(6) < 5;
    if (machine.startsWith(QLatin1String("iPad"))) return firstNumber(4) < 4;
    return machine != QLatin1String("i386") && machine != QLatin1String("x86_64");
}
