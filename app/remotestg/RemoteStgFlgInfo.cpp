#include "remotestg/RemoteStgFlgInfo.h"

#include <array>
#include <utility>

#include "remotestg/RemoteStgKeys.h"

namespace {

constexpr std::array<RemoteStgFlgInfo::Field, RemoteStgFlgInfo::kCount> kFields = {
    &RemoteStgFlgInfo::bCamOnOff, &RemoteStgFlgInfo::bCamDev,   &RemoteStgFlgInfo::bFps,
    &RemoteStgFlgInfo::bReso,     &RemoteStgFlgInfo::bMicOnOff, &RemoteStgFlgInfo::bMicDev,
    &RemoteStgFlgInfo::bMicVol,   &RemoteStgFlgInfo::bEcho,     &RemoteStgFlgInfo::bSpkOnOff,
    &RemoteStgFlgInfo::bSpkDev,   &RemoteStgFlgInfo::bSpkVol,   &RemoteStgFlgInfo::bDummy,
    &RemoteStgFlgInfo::bImgOther, &RemoteStgFlgInfo::bImgHigh,  &RemoteStgFlgInfo::bImgNum,
    &RemoteStgFlgInfo::bZoom,     &RemoteStgFlgInfo::bLight,    &RemoteStgFlgInfo::bWhiteBalance,
    &RemoteStgFlgInfo::bExposure, &RemoteStgFlgInfo::bAesOnOff, &RemoteStgFlgInfo::bAesLevel,
};

const std::array<std::pair<const char*, RemoteStgFlgInfo::Field>, 20> kKeyFields = {{
    {kRemoteStgCamOnOff, &RemoteStgFlgInfo::bCamOnOff},
    {kRemoteStgCamDev, &RemoteStgFlgInfo::bCamDev},
    {kRemoteStgFps, &RemoteStgFlgInfo::bFps},
    {kRemoteStgReso, &RemoteStgFlgInfo::bReso},
    {kRemoteStgMicOnOff, &RemoteStgFlgInfo::bMicOnOff},
    {kRemoteStgMicDev, &RemoteStgFlgInfo::bMicDev},
    {kRemoteStgMicVol, &RemoteStgFlgInfo::bMicVol},
    {kRemoteStgEcho, &RemoteStgFlgInfo::bEcho},
    {kRemoteStgSpkOnOff, &RemoteStgFlgInfo::bSpkOnOff},
    {kRemoteStgSpkDev, &RemoteStgFlgInfo::bSpkDev},
    {kRemoteStgSpkVol, &RemoteStgFlgInfo::bSpkVol},
    {kRemoteStgImgOther, &RemoteStgFlgInfo::bImgOther},
    {kRemoteStgImgHigh, &RemoteStgFlgInfo::bImgHigh},
    {kRemoteStgImgNum, &RemoteStgFlgInfo::bImgNum},
    {kRemoteStgZoom, &RemoteStgFlgInfo::bZoom},
    {kRemoteStgLight, &RemoteStgFlgInfo::bLight},
    {kRemoteStgWhiteBalance, &RemoteStgFlgInfo::bWhiteBalance},
    {kRemoteStgExposure, &RemoteStgFlgInfo::bExposure},
    {kRemoteStgAesOnOff, &RemoteStgFlgInfo::bAesOnOff},
    {kRemoteStgAesLevel, &RemoteStgFlgInfo::bAesLevel},
}};

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

}  // namespace

RemoteStgFlgInfo::Field RemoteStgFlgInfo::fieldAt(int i) {
    return i >= 0 && i < kCount ? kFields[size_t(i)] : nullptr;
}

RemoteStgFlgInfo::Field RemoteStgFlgInfo::fieldForKey(const QString& key) {
    for (const auto& [name, field] : kKeyFields)
        if (key == QLatin1String(name)) return field;
    return nullptr;
}

RemoteStgFlgInfo RemoteStgFlgInfo::fromMask(const std::optional<QString>& text) {
    RemoteStgFlgInfo flags;
    if (!text) return flags;
    qsizetype i = 0;
    while (i < text->size() && text->at(i).isSpace()) ++i;
    if (i + 1 < text->size() && text->at(i) == u'0' && (text->at(i + 1) == u'x' || text->at(i + 1) == u'X') &&
        i + 2 < text->size() && hexDigit(text->at(i + 2)) >= 0)
        i += 2;
    unsigned long long value = 0;
    for (; i < text->size(); ++i) {
        const int d = hexDigit(text->at(i));
        if (d < 0) break;
        value = value * 16 + unsigned(d);
        if (value > 0xFFFFFFFFull) value = 0xFFFFFFFFull;  // an overlong number saturates
    }
    for (int bit = 0; bit < kCount; ++bit)
        if (value & (1ull << bit)) flags.*kFields[size_t(bit)] = true;
    return flags;
}
