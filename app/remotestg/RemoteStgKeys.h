// The keys of the remote-settings texts. A text is a sequence of lines
// "#KEY=value\n"; "*R*" directly after a key marks the item read-only, and
// "DATA" takes the rest of the text (the entries of a list, each ending with
// a line feed).
#pragma once

#include "control/FreeMessageCodes.h"  // FREEMSG_REMOTE_STG_*

inline constexpr char kRemoteStgLineFeed[] = "\n";
inline constexpr char kRemoteStgReadOnly[] = "*R*";
inline constexpr char kRemoteStgOn[] = "1";
inline constexpr char kRemoteStgOff[] = "0";

inline constexpr char kRemoteStgOs[] = "OS";
inline constexpr char kRemoteStgType[] = "TYPE";
inline constexpr char kRemoteStgModel[] = "MODEL";
inline constexpr char kRemoteStgMicVol[] = "MICVOL";
inline constexpr char kRemoteStgMicDev[] = "MICDEV";
inline constexpr char kRemoteStgMicOnOff[] = "MICONOFF";
inline constexpr char kRemoteStgEcho[] = "ECHO";
inline constexpr char kRemoteStgSpkVol[] = "SPKVOL";
inline constexpr char kRemoteStgSpkDev[] = "SPKDEV";
inline constexpr char kRemoteStgSpkOnOff[] = "SPKONOFF";
inline constexpr char kRemoteStgCamOnOff[] = "CAMONOFF";
inline constexpr char kRemoteStgCamDev[] = "CAMDEV";
inline constexpr char kRemoteStgFps[] = "FPS";
inline constexpr char kRemoteStgReso[] = "RESO";
inline constexpr char kRemoteStgAesOnOff[] = "AESONOFF";
inline constexpr char kRemoteStgAesLevel[] = "AESPER";
inline constexpr char kRemoteStgImgOther[] = "IMGOTHER";
inline constexpr char kRemoteStgImgHigh[] = "IMGHIGH";
inline constexpr char kRemoteStgImgNum[] = "IMGNUM";
inline constexpr char kRemoteStgZoom[] = "ZOOM";
inline constexpr char kRemoteStgLight[] = "LIGHT";
inline constexpr char kRemoteStgWhiteBalance[] = "WHITEBALANCE";
inline constexpr char kRemoteStgExposure[] = "EXPOSURE";

// List texts: the count key names the list.
inline constexpr char kRemoteStgMicNum[] = "MICNUM";
inline constexpr char kRemoteStgSpkNum[] = "SPKNUM";
inline constexpr char kRemoteStgCamNum[] = "CAMNUM";
inline constexpr char kRemoteStgResoNum[] = "RESONUM";
inline constexpr char kRemoteStgFpsNum[] = "FPSNUM";
inline constexpr char kRemoteStgOtherNum[] = "OTHERNUM";
inline constexpr char kRemoteStgZoomNum[] = "ZOOMNUM";
inline constexpr char kRemoteStgWhbaNum[] = "WHBANUM";
inline constexpr char kRemoteStgExpoNum[] = "EXPONUM";
inline constexpr char kRemoteStgActive[] = "ACTIVE";
inline constexpr char kRemoteStgData[] = "DATA";

// The lists (also the list type of the list notices).
enum RemoteStgListType : int {
    REMOTESTG_LIST_NONE = 0,
    REMOTESTG_LIST_MIC = 1,
    REMOTESTG_LIST_SPK = 2,
    REMOTESTG_LIST_CAM = 3,
    REMOTESTG_LIST_RESO = 4,
    REMOTESTG_LIST_FPS = 5,
    REMOTESTG_LIST_OTHER = 6,
    REMOTESTG_LIST_ZOOM = 7,
    REMOTESTG_LIST_WHBA = 8,
    REMOTESTG_LIST_EXPO = 9,
};

// The request kinds (the value of a settings request): 1 all settings, K > 1
// the list of type K - 1.
enum RemoteStgReqKind : int {
    REMOTESTG_REQ_ALL = 1,
    REMOTESTG_REQ_MIC = 2,
    REMOTESTG_REQ_SPK = 3,
    REMOTESTG_REQ_CAM = 4,
    REMOTESTG_REQ_RESO = 5,
    REMOTESTG_REQ_FPS = 6,
    REMOTESTG_REQ_OTHER = 7,
    REMOTESTG_REQ_ZOOM = 8,
    REMOTESTG_REQ_WHBA = 9,
    REMOTESTG_REQ_EXPO = 10,
};

inline constexpr int REMOTESTG_RESULT_OK = 0;
inline constexpr int REMOTESTG_RESULT_NG = -1;
inline constexpr int REMOTESTG_RESULT_BUSY = -4;
