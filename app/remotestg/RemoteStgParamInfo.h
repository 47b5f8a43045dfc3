// One participant's current remote-settings values. -1 means that the
// participant has not reported the item.
#pragma once

#include <QSizeF>
#include <QString>
#include <optional>

struct RemoteStgParamInfo {
    int type = -1;
    std::optional<QString> osName;
    std::optional<QString> model;

    int cameraOnOff = 0;
    std::optional<QString> cameraDevice;
    int fps = -1;
    QSizeF resolution{0, 0};

    int micOnOff = 0;
    int micVolume = -1;
    std::optional<QString> micDevice;
    int echoCancel = -1;
    int aesOnOff = 0;
    int aesLevel = -1;

    int speakerOnOff = 0;
    int speakerVolume = -1;
    std::optional<QString> speakerDevice;

    int imgOther = 0;
    int imgHigh = 0;
    int imgNum = -1;
    std::optional<QString> zoom;
    int light = 0;
    std::optional<QString> whiteBalance;
    std::optional<QString> exposure;
};
