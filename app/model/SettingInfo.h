#pragma once

// A plain record of the user's settings.

#include <QSizeF>
#include <QString>

class SettingInfo {
public:
    SettingInfo() = default;
    SettingInfo(const QString& micDevice, const QString& speakerDevice, bool isMicOffStartUp,
                const QString& cameraDevice, int frameRate, QSizeF videoSize, const QString& docShareDefUrl,
                int connectionType, const QString& proxyHost, int proxyPort);

    bool isMicOffStartUp() const { return isMicOffStartUp_; }
    void setIsMicOffStartUp(bool value) { isMicOffStartUp_ = value; }
    int frameRate() const { return frameRate_; }
    void setFrameRate(int value) { frameRate_ = value; }
    int connectionType() const { return connectionType_; }
    void setConnectionType(int value) { connectionType_ = value; }
    int proxyPort() const { return proxyPort_; }
    void setProxyPort(int value) { proxyPort_ = value; }
    const QString& micDevice() const { return micDevice_; }
    void setMicDevice(const QString& value) { micDevice_ = value; }
    const QString& speakerDevice() const { return speakerDevice_; }
    void setSpeakerDevice(const QString& value) { speakerDevice_ = value; }
    const QString& cameraDevice() const { return cameraDevice_; }
    void setCameraDevice(const QString& value) { cameraDevice_ = value; }
    const QString& docShareDefUrl() const { return docShareDefUrl_; }
    void setDocShareDefUrl(const QString& value) { docShareDefUrl_ = value; }
    const QString& proxyHost() const { return proxyHost_; }
    void setProxyHost(const QString& value) { proxyHost_ = value; }
    QSizeF videoSize() const { return videoSize_; }
    void setVideoSize(QSizeF value) { videoSize_ = value; }

private:
    bool isMicOffStartUp_ = false;
    int frameRate_ = 0;
    int connectionType_ = 0;
    int proxyPort_ = 0;
    QString micDevice_;
    QString speakerDevice_;
    QString cameraDevice_;
    QString docShareDefUrl_;
    QString proxyHost_;
    QSizeF videoSize_;
};
