#include "model/SettingInfo.h"

SettingInfo::SettingInfo(const QString& micDevice, const QString& speakerDevice, bool isMicOffStartUp,
                         const QString& cameraDevice, int frameRate, QSizeF videoSize,
                         const QString& docShareDefUrl, int connectionType, const QString& proxyHost,
                         int proxyPort)
    : isMicOffStartUp_(isMicOffStartUp),
      frameRate_(frameRate),
      connectionType_(connectionType),
      proxyPort_(proxyPort),
      micDevice_(micDevice),
      speakerDevice_(speakerDevice),
      cameraDevice_(cameraDevice),
      docShareDefUrl_(docShareDefUrl),
      proxyHost_(proxyHost),
      videoSize_(videoSize) {}
