// One flag per remote-settings item: which items a participant reported,
// which it reported read-only, which a window hides. Room options give such a
// record as a hexadecimal mask whose bit i sets field i.
#pragma once

#include <QString>
#include <optional>

struct RemoteStgFlgInfo {
    bool bCamOnOff = false;      // 0x1
    bool bCamDev = false;        // 0x2
    bool bFps = false;           // 0x4
    bool bReso = false;          // 0x8
    bool bMicOnOff = false;      // 0x10
    bool bMicDev = false;        // 0x20
    bool bMicVol = false;        // 0x40
    bool bEcho = false;          // 0x80
    bool bSpkOnOff = false;      // 0x100
    bool bSpkDev = false;        // 0x200
    bool bSpkVol = false;        // 0x400
    bool bDummy = false;         // 0x800
    bool bImgOther = false;      // 0x1000
    bool bImgHigh = false;       // 0x2000
    bool bImgNum = false;        // 0x4000
    bool bZoom = false;          // 0x8000
    bool bLight = false;         // 0x10000
    bool bWhiteBalance = false;  // 0x20000
    bool bExposure = false;      // 0x40000
    bool bAesOnOff = false;      // 0x80000
    bool bAesLevel = false;      // 0x100000

    static constexpr int kCount = 21;
    using Field = bool RemoteStgFlgInfo::*;
    // Field i (0 to 20) in mask-bit order.
    static Field fieldAt(int i);
    // The field of an item key ("MICVOL" ...), none for other keys.
    static Field fieldForKey(const QString& key);

    // The mask text read as an unsigned 32-bit hexadecimal number (an
    // optional "0x"; text that does not start with one reads as 0); bits 21
    // to 31 are ignored. No text: all clear.
    static RemoteStgFlgInfo fromMask(const std::optional<QString>& text);

    bool operator==(const RemoteStgFlgInfo&) const = default;
};
