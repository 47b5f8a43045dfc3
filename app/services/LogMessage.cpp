#include "services/LogMessage.h"

#include "platform/StringFormat.h"

QString LogMessage::conversionSetConnectType(int type, const QString& port, const QString& host) {
    switch (type) {
        case 1:
            return kLogMsgValTunneling;
        case 2:
        case 3:
            return StringWithFormat(kLogMsgValProxy, host, port);
        default:
            return kLogMsgValDirect;
    }
}

QString LogMessage::conversionBootType(bool afterUpdate) { return afterUpdate ? kLogMsgValUpdate : kLogMsgValScheme; }

QString LogMessage::conversionStrRoomSamplingRate(int code) {
    static const char* const kRates[] = {"8KHz", "11KHz", "16KHz", "22KHz", "32KHz"};
    return code >= 0 && code < 5 ? QString(kRates[code]) : QString("");
}

QString LogMessage::conversionConfCategory(int category) {
    switch (category) {
        case 1:
            return kLogMsgValSeminar;
        case 2:
            return kLogMsgValLarge;
        default:
            return kLogMsgValNormal;
    }
}

QString LogMessage::conversionASType(int type, const QString& selectAppName) {
    switch (type) {
        case 0:
            return StringWithFormat(kLogMsgValASTypeApp, selectAppName);
        case 1:
            return kLogMsgValASTypeDesktop;
        default:
            return QString("");
    }
}

QString LogMessage::conversionSwitch(bool on) { return on ? kLogMsgValON : kLogMsgValOFF; }

QString LogMessage::conversionSwitchYesNO(bool on) { return on ? kLogMsgValON : kLogMsgValOFF; }

QString LogMessage::conversionASCommndType(int code) {
    switch (code) {
        case 10004:
            return kLogMsgValForceStart;
        case 10005:
            return kLogMsgValForceStop;
        case 10020:
            return kLogMsgValWaiting;
        case 10021:
            return kLogMsgValOK;
        case 10022:
            return kLogMsgValReject;
        case 10023:
            return kLogMsgValRequestCancel;
        case 10024:
            return kLogMsgValStop;
        default:
            return kLogMsgValRequest;
    }
}

QString LogMessage::conversionASRequestRejectType(int result) {
    switch (result) {
        case 2:
            return kLogMsgValNoResponse;
        case 3:
            return kLogMsgValBusy1;
        case 4:
            return kLogMsgValBusy2;
        case 99:
            return kLogMsgValReset;
        default:
            return kLogMsgValReject;
    }
}

QString LogMessage::conversionRecordingTargetToString(int target) {
    switch (target) {
        case 1:
            return kLogMsgValRecordingConf;
        case 2:
            return kLogMsgValRecordingDesktop;
        case 3:
            return QStringLiteral("Other");
        default:
            return kLogMsgValRecordingSelf;
    }
}

QString LogMessage::conversionRecordingFileTypeToString(int fileType) {
    switch (fileType) {
        case 1:
            return kLogMsgValRecordingMp4;
        case 2:
            return kLogMsgValRecordingAudioOnly;
        case 3:
            return kLogMsgValRecordingVideoOnly;
        default:
            return kLogMsgValRecordingMov;
    }
}

QString LogMessage::conversionBgModeToString(int mode) {
    switch (mode) {
        case 1:
            return kLogMsgValBgModeBlur;
        case 2:
            return kLogMsgValBgModeCustom;
        default:
            return kLogMsgValBgModeNone;
    }
}
