// One participant's entry of the remote-settings model: the participant, its
// values, the lists it sent, which items it reported (and which read-only),
// and where its chain of list requests stands. A value: the model hands out
// copies, so a window never reads an entry that a receive thread writes.
#pragma once

#include <optional>

#include "model/UserInfo.h"
#include "remotestg/RemoteStgFlgInfo.h"
#include "remotestg/RemoteStgKeys.h"
#include "remotestg/RemoteStgListInfo.h"
#include "remotestg/RemoteStgParamInfo.h"

struct RemoteStgUserInfo {
    RemoteStgUserInfo() = default;
    RemoteStgUserInfo(UserInfoRef user, const std::optional<RemoteStgParamInfo>& params)
        : userInfo(std::move(user)), paramInfo(params.value_or(RemoteStgParamInfo())) {}

    QString userId() const { return userInfo ? userInfo->userId() : QString(); }

    // The list property of a list type (1 to 9); none for other types.
    std::optional<RemoteStgListInfo>* listForType(int type) {
        switch (type) {
            case REMOTESTG_LIST_MIC:
                return &micDeviceList;
            case REMOTESTG_LIST_SPK:
                return &speakerDeviceList;
            case REMOTESTG_LIST_CAM:
                return &cameraDeviceList;
            case REMOTESTG_LIST_RESO:
                return &resolutionList;
            case REMOTESTG_LIST_FPS:
                return &fpsList;
            case REMOTESTG_LIST_OTHER:
                return &imgNumList;
            case REMOTESTG_LIST_ZOOM:
                return &zoomList;
            case REMOTESTG_LIST_WHBA:
                return &whiteBalanceList;
            case REMOTESTG_LIST_EXPO:
                return &exposureList;
            default:
                return nullptr;
        }
    }
    const std::optional<RemoteStgListInfo>* listForType(int type) const {
        return const_cast<RemoteStgUserInfo*>(this)->listForType(type);
    }

    UserInfoRef userInfo;
    RemoteStgParamInfo paramInfo;
    std::optional<RemoteStgListInfo> cameraDeviceList, fpsList, resolutionList, micDeviceList,
        speakerDeviceList, imgNumList, zoomList, whiteBalanceList, exposureList;
    RemoteStgFlgInfo enabledFlg;
    RemoteStgFlgInfo readOnlyFlg;
    int nowRequest = 0;
};
