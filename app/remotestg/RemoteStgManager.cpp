#include "remotestg/RemoteStgManager.h"

#include <QRegularExpression>

#include "platform/Dispatch.h"
#include "platform/StringFormat.h"
#include "remotestg/RemoteStgKeys.h"
#include "remotestg/RemoteStgNotificator.h"
#include "services/QuorixUtils.h"
#include "session/LoginManager.h"

namespace {

QString L(const char* s) {
    return QString::fromLatin1(s);
}

// The login as the manager's delegate.
class LoginDelegate final : public RemoteStgManagerDelegate {
public:
    explicit LoginDelegate(LoginManager& login) : login_(login) {}
    bool getCurrentMicOnOff() override { return login_.getCurrentMicOnOff(); }
    bool getCurrentEchoOnOff() override { return login_.getCurrentEchoOnOff(); }
    bool getCurrentSpkOnOff() override { return login_.getCurrentSpkOnOff(); }
    bool getCurrentCamOnOff() override { return login_.getCurrentCamOnOff(); }
    int getCurrentMicVolume() override { return login_.getCurrentMicVolume(); }
    int getCurrentSpkVolume() override { return login_.getCurrentSpkVolume(); }
    int getCurrentFrameRate() override { return login_.getCurrentFrameRate(); }
    std::optional<QString> getCurrentMicDevice() override { return login_.getCurrentMicDevice(); }
    std::optional<QString> getCurrentSpkDevice() override { return login_.getCurrentSpkDevice(); }
    std::optional<QString> getCurrentCamDevice() override { return login_.getCurrentCamDevice(); }
    QSize getCurrentResolution() override { return login_.getCurrentResolution(); }
    std::optional<QStringList> getAllMicDevice() override { return login_.getAllMicDevice(); }
    std::optional<QStringList> getAllSpkDevice() override { return login_.getAllSpkDevice(); }
    QStringList getAllCamDevice() override { return login_.getAllCamDevice(); }
    std::vector<QSize> getAllResolution() override { return login_.getAllResolution(); }
    QStringList getAllFrameRate() override { return login_.getAllFrameRate(); }
    UserInfoRef getUserInfo(const QString& userId) override {
        const UserInfoRef me = login_.myInfo();
        if (me && me->userId() == userId) return me;
        return login_.getUserInfo(userId);
    }
    QString osVersion() override { return QuorixUtils::GetOSVersion(); }
    QString machineModel() override { return QuorixUtils::GetDeviceModel(); }
    void sendRemoteStgMsg(unsigned code, const QString& userId, int value, const QString& data) override {
        login_.sendRemoteStgMsg(code, userId, value, data);
    }
    bool remoteChangeMicOnOff(const QString& r, bool on) override {
        return login_.remoteChangeMicOnOff(requester(r), on);
    }
    bool remoteChangeMicVolume(const QString& r, int v) override {
        return login_.remoteChangeMicVolume(requester(r), v);
    }
    bool remoteChangeMicDevice(const QString& r, const QString& n) override {
        return login_.remoteChangeMicDevice(requester(r), n);
    }
    bool remoteChangeEchoCancel(const QString& r, bool on) override {
        return login_.remoteChangeEchoCancel(requester(r), on);
    }
    bool remoteChangeSpeakerOnOff(const QString& r, bool on) override {
        return login_.remoteChangeSpeakerOnOff(requester(r), on);
    }
    bool remoteChangeSpeakerVolume(const QString& r, int v) override {
        return login_.remoteChangeSpeakerVolume(requester(r), v);
    }
    bool remoteChangeSpeakerDevice(const QString& r, const QString& n) override {
        return login_.remoteChangeSpeakerDevice(requester(r), n);
    }
    bool remoteChangeCameraOnOff(const QString& r, bool on) override {
        return login_.remoteChangeCameraOnOff(requester(r), on);
    }
    bool remoteChangeCameraDevice(const QString& r, const QString& n) override {
        return login_.remoteChangeCameraDevice(requester(r), n);
    }
    bool remoteChangeResolution(const QString& r, QSize s) override {
        return login_.remoteChangeResolution(requester(r), s);
    }
    bool remoteChangeFps(const QString& r, int f) override { return login_.remoteChangeFps(requester(r), f); }

private:
    UserInfoRef requester(const QString& id) { return getUserInfo(id); }
    LoginManager& login_;
};

// The twenty item keys a change request may carry.
const char* const kChangeKeys[] = {
    kRemoteStgCamOnOff, kRemoteStgCamDev,   kRemoteStgReso,     kRemoteStgFps,          kRemoteStgSpkOnOff,
    kRemoteStgSpkVol,   kRemoteStgSpkDev,   kRemoteStgMicOnOff, kRemoteStgMicVol,       kRemoteStgMicDev,
    kRemoteStgEcho,     kRemoteStgAesOnOff, kRemoteStgAesLevel, kRemoteStgImgOther,     kRemoteStgImgHigh,
    kRemoteStgImgNum,   kRemoteStgLight,    kRemoteStgZoom,     kRemoteStgWhiteBalance, kRemoteStgExposure,
};

bool isChangeKey(const QString& key) {
    for (const char* k : kChangeKeys)
        if (key == QLatin1String(k)) return true;
    return false;
}

bool isOneOf(const QString& key, std::initializer_list<const char*> keys) {
    for (const char* k : keys)
        if (key == QLatin1String(k)) return true;
    return false;
}

// "640 * 480" or "640*480": two pieces around "*", as integers.
std::optional<QSize> splitSize(const QString& text) {
    const QStringList pieces = text.trimmed().split(u'*');
    if (pieces.size() != 2) return std::nullopt;
    return QSize(IntValue(pieces[0]), IntValue(pieces[1]));
}

QString listText(const char* countKey, const QStringList& entries, int active, bool readOnly) {
    return StringWithFormat("#%@=%d\n#%@%@=%d\n#%@=%@\n", L(countKey), int(entries.size()),
                            L(kRemoteStgActive), readOnly ? L(kRemoteStgReadOnly) : QString(), active,
                            L(kRemoteStgData), entries.join(u'\n'));
}

// The 1-based position of the last entry equal to `current`, 0 when none is.
int lastPosition(const QStringList& entries, const QString& current) {
    for (qsizetype i = entries.size(); i > 0; --i)
        if (entries[i - 1] == current) return int(i);
    return 0;
}

void setValue(QString& text, const QString& key, const QString& value) {
    text += StringWithFormat("#%@=%@\n", key, value);
}

}  // namespace

RemoteStgManager::RemoteStgManager() : remoteStgInfo_(std::make_unique<RemoteStgInfo>()) {}

RemoteStgManager::~RemoteStgManager() {
    *alive_ = false;
}

std::unique_ptr<LoginRemoteStgManager> RemoteStgManager::make(LoginManager& login) {
    auto manager = std::make_unique<RemoteStgManager>();
    manager->ownedDelegate_ = std::make_unique<LoginDelegate>(login);
    manager->delegate_ = manager->ownedDelegate_.get();
    return manager;
}

void RemoteStgManager::onMain(std::function<void()> task) {
    std::weak_ptr<bool> alive = alive_;
    mainQueue().async([alive, task = std::move(task)] {
        const auto token = alive.lock();
        if (token && *token) task();
    });
}

// ---- Options, participants, end ----

void RemoteStgManager::setOptions(const QVariantMap& configData) {
    auto mask = [&](const char* key) -> std::optional<QString> {
        const QVariant v = configData.value(L(key));
        return v.isValid() ? std::optional<QString>(v.toString()) : std::nullopt;
    };
    std::lock_guard lock(optionsMutex_);
    options_ = configData;
    mReadOnlyFlg = RemoteStgFlgInfo::fromMask(mask("MODE_REMOTESTG_READONLY_ITEM"));
    mAllDlgHideFlg = RemoteStgFlgInfo::fromMask(mask("MODE_REMOTESTG_DLGALL_HIDE_ITEM"));
    mOneDlgHideFlg = RemoteStgFlgInfo::fromMask(mask("MODE_REMOTESTG_DLGONE_HIDE_ITEM"));
    // A many-meeting room never offers the bulk microphone switch.
    if (IntValue(configData.value(QStringLiteral("CATEGORY")).toString()) == 2)
        mAllDlgHideFlg.bMicOnOff = true;
}

void RemoteStgManager::setMyInfo(const UserInfoRef& myInfo) {
    std::lock_guard lock(optionsMutex_);
    myInfo_ = myInfo;
}

UserInfoRef RemoteStgManager::myInfo() const {
    std::lock_guard lock(optionsMutex_);
    return myInfo_;
}

RemoteStgFlgInfo RemoteStgManager::getReadOnlyFlg() const {
    std::lock_guard lock(optionsMutex_);
    return mReadOnlyFlg;
}

RemoteStgFlgInfo RemoteStgManager::getAllDlgHideFlg() const {
    std::lock_guard lock(optionsMutex_);
    return mAllDlgHideFlg;
}

RemoteStgFlgInfo RemoteStgManager::getOneDlgHideFlg() const {
    std::lock_guard lock(optionsMutex_);
    return mOneDlgHideFlg;
}

QString RemoteStgManager::option(const char* key) const {
    std::lock_guard lock(optionsMutex_);
    return options_.value(L(key)).toString();
}

bool RemoteStgManager::isMe(const QString& userId) const {
    const UserInfoRef me = myInfo();
    return me && me->userId() == userId;
}

std::optional<RemoteStgUserInfo> RemoteStgManager::getUserInfo(const QString& userId) const {
    return remoteStgInfo_->getUserInfo(userId);
}

void RemoteStgManager::removeUserSettings(const QString& userId) {
    if (remoteStgInfo_->removeUserSettings(userId))
        RemoteStgNotificator::sharedNotificator().requestChangeStgInfoNotification(remoteStgInfo_.get());
}

void RemoteStgManager::resetInfo() {
    remoteStgInfo_->resetInfo();
    std::lock_guard lock(holdMutex_);
    isManyMtgMicChanging_ = false;
    resMessage_.reset();
    earlyOutcome_.reset();
}

// ---- The reader ----

void RemoteStgManager::updateSettingInfo(const QString& userId, const QString& text) {
    std::lock_guard reader(readerMutex_);
    std::optional<RemoteStgUserInfo> found = remoteStgInfo_->getUserInfo(userId);
    if (!found) {
        // Only a participant somebody knows gets an entry.
        const UserInfoRef user = delegate_ ? delegate_->getUserInfo(userId) : nullptr;
        if (!user) return;
        remoteStgInfo_->addUserSettings(user, std::nullopt, false);
        found = remoteStgInfo_->getUserInfo(userId);
        if (!found) return;
    }
    RemoteStgUserInfo entry = *found;
    RemoteStgParamInfo& p = entry.paramInfo;
    RemoteStgFlgInfo enabled = entry.enabledFlg, readOnly = entry.readOnlyFlg;
    RemoteStgListInfo list;
    int listType = REMOTESTG_LIST_NONE;
    int count = 0;
    bool activeSeen = false;

    const qsizetype length = text.size();
    qsizetype pos = 0;
    while (pos < length) {
        const qsizetype hash = text.indexOf(u'#', pos);
        if (hash < 0) break;
        pos = hash + 1;
        const qsizetype eq = text.indexOf(u'=', pos);
        if (eq < 0) break;
        QString key = text.mid(pos, eq - pos);
        if (key.isEmpty()) continue;
        const qsizetype marker = key.indexOf(L(kRemoteStgReadOnly));
        const bool markedReadOnly = marker >= 0;
        if (markedReadOnly) key = key.left(marker);
        QString value;
        if (key == L(kRemoteStgData)) {
            value = text.mid(eq + 1);
            pos = length;
        } else {
            const qsizetype nl = text.indexOf(u'\n', eq + 1);
            if (nl < 0) break;
            value = text.mid(eq + 1, nl - eq - 1);
            pos = nl + 1;
        }

        auto flag = [&](RemoteStgFlgInfo::Field field) {
            enabled.*field = true;
            readOnly.*field = markedReadOnly;
        };
        const int number = IntValue(value);
        if (key == L(kRemoteStgType)) {
            p.type = number;
        } else if (key == L(kRemoteStgOs)) {
            p.osName = value;
        } else if (key == L(kRemoteStgModel)) {
            p.model = value;
        } else if (key == L(kRemoteStgReso)) {
            if (const auto size = splitSize(value)) p.resolution = QSizeF(*size);
            flag(&RemoteStgFlgInfo::bReso);
        } else if (RemoteStgFlgInfo::Field field = RemoteStgFlgInfo::fieldForKey(key)) {
            if (key == L(kRemoteStgMicVol))
                p.micVolume = number;
            else if (key == L(kRemoteStgMicDev))
                p.micDevice = value;
            else if (key == L(kRemoteStgMicOnOff))
                p.micOnOff = number;
            else if (key == L(kRemoteStgEcho))
                p.echoCancel = number;
            else if (key == L(kRemoteStgSpkVol))
                p.speakerVolume = number;
            else if (key == L(kRemoteStgSpkDev))
                p.speakerDevice = value;
            else if (key == L(kRemoteStgSpkOnOff))
                p.speakerOnOff = number;
            else if (key == L(kRemoteStgCamOnOff))
                p.cameraOnOff = number;
            else if (key == L(kRemoteStgCamDev))
                p.cameraDevice = value;
            else if (key == L(kRemoteStgFps))
                p.fps = number;
            else if (key == L(kRemoteStgAesOnOff))
                p.aesOnOff = number;
            else if (key == L(kRemoteStgAesLevel))
                p.aesLevel = number;
            else if (key == L(kRemoteStgImgOther))
                p.imgOther = number;
            else if (key == L(kRemoteStgImgHigh))
                p.imgHigh = number;
            else if (key == L(kRemoteStgImgNum))
                p.imgNum = number;
            else if (key == L(kRemoteStgZoom))
                p.zoom = value;
            else if (key == L(kRemoteStgLight))
                p.light = number;
            else if (key == L(kRemoteStgWhiteBalance))
                p.whiteBalance = value;
            else if (key == L(kRemoteStgExposure))
                p.exposure = value;
            flag(field);
        } else if (key == L(kRemoteStgActive)) {
            list.active = number;
            activeSeen = true;
        } else if (key == L(kRemoteStgData)) {
            QStringList entries = value.split(u'\n');
            if (!entries.isEmpty() && entries.last().isEmpty())
                entries.removeLast();  // after the last line feed
            list.list = entries.mid(0, std::max(0, count));
        } else {
            static const std::pair<const char*, int> kCountKeys[] = {
                {kRemoteStgMicNum, REMOTESTG_LIST_MIC},   {kRemoteStgSpkNum, REMOTESTG_LIST_SPK},
                {kRemoteStgCamNum, REMOTESTG_LIST_CAM},   {kRemoteStgResoNum, REMOTESTG_LIST_RESO},
                {kRemoteStgFpsNum, REMOTESTG_LIST_FPS},   {kRemoteStgOtherNum, REMOTESTG_LIST_OTHER},
                {kRemoteStgZoomNum, REMOTESTG_LIST_ZOOM}, {kRemoteStgWhbaNum, REMOTESTG_LIST_WHBA},
                {kRemoteStgExpoNum, REMOTESTG_LIST_EXPO},
            };
            for (const auto& [countKey, type] : kCountKeys) {
                if (key == QLatin1String(countKey)) {
                    count = number;
                    listType = type;
                }
            }
        }
    }

    if (listType != REMOTESTG_LIST_NONE) {
        // A current position outside the list points at nothing.
        if (activeSeen && (list.active < 0 || list.active > list.list.size())) list.active = 0;
        remoteStgInfo_->updateUserInfo(userId, [&](RemoteStgUserInfo& e) {
            if (auto* slot = e.listForType(listType)) *slot = list;
            e.paramInfo = p;
        });
        RemoteStgNotificator::sharedNotificator().requestChangeListInfoNotification(userId, listType, list);
        return;
    }
    entry.enabledFlg = enabled;
    entry.readOnlyFlg = readOnly;
    // Keep the chain position and lists as they stand now (a list may have
    // been stored since the copy was taken).
    RemoteStgUserInfo stored;
    remoteStgInfo_->updateUserInfo(userId, [&](RemoteStgUserInfo& e) {
        e.paramInfo = entry.paramInfo;
        e.enabledFlg = enabled;
        e.readOnlyFlg = readOnly;
        stored = e;
    });
    RemoteStgNotificator::sharedNotificator().requestChangeUserInfoNotification(userId, stored);
}

// ---- Reading settings ----

void RemoteStgManager::sendRemoteStgRequest(const UserInfoRef& user) {
    if (!user) return;
    const QString id = user->userId();
    const bool me = isMe(id);
    if (!remoteStgInfo_->getUserInfo(id)) remoteStgInfo_->addUserSettings(user, std::nullopt, me);
    if (me) {
        updateSettingInfo(id, createResMessageAll());
        updateSettingInfo(id, createResMessageCamera());
        updateSettingInfo(id, createResMessageFps());
        updateSettingInfo(id, createResMessageResolution());
        updateSettingInfo(id, createResMessageSpeaker());
        updateSettingInfo(id, createResMessageMic());
        return;
    }
    if (delegate_) delegate_->sendRemoteStgMsg(FREEMSG_REMOTE_STG_REQ, id, REMOTESTG_REQ_ALL, QString());
}

void RemoteStgManager::sendRemoteStgRequestAll() {
    if (const UserInfoRef me = myInfo()) {
        if (!remoteStgInfo_->getUserInfo(me->userId()))
            remoteStgInfo_->addUserSettings(me, std::nullopt, true);
        updateSettingInfo(me->userId(), createResMessageAll());
    }
    if (delegate_)
        delegate_->sendRemoteStgMsg(FREEMSG_REMOTE_STG_REQ, QString(), REMOTESTG_REQ_ALL, QString());
}

void RemoteStgManager::updateClientList(const UserInfoRef& info, bool isDispCheck) {
    if (isDispCheck) {
        RemoteStgViewInterface* view = viewInterface_.load();
        if (!view || !view->isShowRemoteStgAllWindow()) return;
    }
    sendRemoteStgRequest(info);
}

void RemoteStgManager::recvRemoteStgReq(const QString& senderId, int code, const QString& /*data*/) {
    if (isMe(senderId)) return;  // a request to all reaches its sender too
    QString text;
    int result = REMOTESTG_RESULT_OK;
    switch (code) {
        case REMOTESTG_REQ_ALL:
            text = createResMessageAll();
            break;
        case REMOTESTG_REQ_MIC:
            text = createResMessageMic();
            break;
        case REMOTESTG_REQ_SPK:
            text = createResMessageSpeaker();
            break;
        case REMOTESTG_REQ_CAM:
            text = createResMessageCamera();
            break;
        case REMOTESTG_REQ_RESO:
            text = createResMessageResolution();
            break;
        case REMOTESTG_REQ_FPS:
            text = createResMessageFps();
            break;
        case REMOTESTG_REQ_OTHER:
        case REMOTESTG_REQ_ZOOM:
        case REMOTESTG_REQ_WHBA:
        case REMOTESTG_REQ_EXPO:
            result = REMOTESTG_RESULT_NG;
            break;
        default:
            break;
    }
    if (delegate_) delegate_->sendRemoteStgMsg(FREEMSG_REMOTE_STG_RES, senderId, result, text);
}

void RemoteStgManager::recvRemoteStgRes(const QString& senderId, int code, const QString& data) {
    if (code != REMOTESTG_RESULT_OK) return;  // a refused step ends the chain
    updateSettingInfo(senderId, data);
    sendNextRequest(senderId);
}

void RemoteStgManager::sendNextRequest(const QString& userId) {
    static const RemoteStgFlgInfo::Field kSteps[] = {
        &RemoteStgFlgInfo::bMicDev, &RemoteStgFlgInfo::bSpkDev,       &RemoteStgFlgInfo::bCamDev,
        &RemoteStgFlgInfo::bReso,   &RemoteStgFlgInfo::bFps,          &RemoteStgFlgInfo::bImgNum,
        &RemoteStgFlgInfo::bZoom,   &RemoteStgFlgInfo::bWhiteBalance, &RemoteStgFlgInfo::bExposure,
    };
    constexpr int kStepCount = int(std::size(kSteps));
    std::optional<int> kind;
    remoteStgInfo_->updateUserInfo(userId, [&](RemoteStgUserInfo& e) {
        for (int step = std::max(0, e.nowRequest); step < kStepCount; ++step) {
            if (e.enabledFlg.*kSteps[step]) {
                kind = step + REMOTESTG_REQ_MIC;
                e.nowRequest = step + 1;
                return;
            }
        }
        e.nowRequest = 0;
    });
    if (kind && delegate_) delegate_->sendRemoteStgMsg(FREEMSG_REMOTE_STG_REQ, userId, *kind, QString());
}

// ---- The answer texts ----

QString RemoteStgManager::createResMessageAll() {
    if (!delegate_) return QString();
    return StringWithFormat("#%@=Mac %@\n#%@=%d\n#%@=%@\n%@%@%@", L(kRemoteStgOs), delegate_->osVersion(),
                            L(kRemoteStgType), 0, L(kRemoteStgModel), delegate_->machineModel(),
                            createResMessageAudio(), createResMessageVideo(), createResMessageOther());
}

QString RemoteStgManager::createResMessageAudio() {
    if (!delegate_) return QString();
    const RemoteStgFlgInfo ro = getReadOnlyFlg();
    auto mark = [](bool r) { return r ? L(kRemoteStgReadOnly) : QString(); };
    QString t;
    t += StringWithFormat("#%@%@=%d\n", L(kRemoteStgMicVol), mark(ro.bMicVol),
                          delegate_->getCurrentMicVolume());
    if (const auto mic = delegate_->getCurrentMicDevice())
        t += StringWithFormat("#%@%@=%@\n", L(kRemoteStgMicDev), mark(ro.bMicDev), *mic);
    t += StringWithFormat("#%@%@=%d\n", L(kRemoteStgMicOnOff), mark(ro.bMicOnOff),
                          delegate_->getCurrentMicOnOff() ? 1 : 0);
    t += StringWithFormat("#%@%@=%d\n", L(kRemoteStgEcho), mark(ro.bEcho),
                          delegate_->getCurrentEchoOnOff() ? 1 : 0);
    t += StringWithFormat("#%@%@=%d\n", L(kRemoteStgSpkVol), mark(ro.bSpkVol),
                          delegate_->getCurrentSpkVolume());
    if (const auto spk = delegate_->getCurrentSpkDevice())
        t += StringWithFormat("#%@%@=%@\n", L(kRemoteStgSpkDev), mark(ro.bSpkDev), *spk);
    t += StringWithFormat("#%@%@=%d\n", L(kRemoteStgSpkOnOff), mark(ro.bSpkOnOff),
                          delegate_->getCurrentSpkOnOff() ? 1 : 0);
    return t;
}

QString RemoteStgManager::createResMessageVideo() {
    if (!delegate_) return QString();
    const RemoteStgFlgInfo ro = getReadOnlyFlg();
    auto mark = [](bool r) { return r ? L(kRemoteStgReadOnly) : QString(); };
    QString t;
    t += StringWithFormat("#%@%@=%d\n", L(kRemoteStgCamOnOff), mark(ro.bCamOnOff),
                          delegate_->getCurrentCamOnOff() ? 1 : 0);
    if (const auto cam = delegate_->getCurrentCamDevice())
        t += StringWithFormat("#%@%@=%@\n", L(kRemoteStgCamDev), mark(ro.bCamDev), *cam);
    t += StringWithFormat("#%@%@=%d\n", L(kRemoteStgFps), mark(ro.bFps), delegate_->getCurrentFrameRate());
    const QSize size = delegate_->getCurrentResolution();
    t += StringWithFormat("#%@%@=%@\n", L(kRemoteStgReso), mark(ro.bReso),
                          StringWithFormat("%d * %d", size.width(), size.height()));
    return t;
}

QString RemoteStgManager::createResMessageMic() {
    const QStringList entries =
        delegate_ ? delegate_->getAllMicDevice().value_or(QStringList()) : QStringList();
    const auto current = delegate_ ? delegate_->getCurrentMicDevice() : std::nullopt;
    const int k = entries.isEmpty() ? 0 : lastPosition(entries, current.value_or(entries.first()));
    return listText(kRemoteStgMicNum, entries, k, getReadOnlyFlg().bMicDev);
}

QString RemoteStgManager::createResMessageSpeaker() {
    const QStringList entries =
        delegate_ ? delegate_->getAllSpkDevice().value_or(QStringList()) : QStringList();
    const auto current = delegate_ ? delegate_->getCurrentSpkDevice() : std::nullopt;
    const int k = entries.isEmpty() ? 0 : lastPosition(entries, current.value_or(entries.first()));
    return listText(kRemoteStgSpkNum, entries, k, getReadOnlyFlg().bSpkDev);
}

QString RemoteStgManager::createResMessageCamera() {
    const auto current = delegate_ ? delegate_->getCurrentCamDevice() : std::nullopt;
    const QStringList entries = current && delegate_ ? delegate_->getAllCamDevice() : QStringList();
    const int k = current ? lastPosition(entries, *current) : 0;
    return listText(kRemoteStgCamNum, entries, k, getReadOnlyFlg().bCamDev);
}

QString RemoteStgManager::createResMessageResolution() {
    QStringList entries;
    int k = 0;
    if (delegate_) {
        const QSize current = delegate_->getCurrentResolution();
        const std::vector<QSize> sizes = delegate_->getAllResolution();
        for (size_t i = 0; i < sizes.size(); ++i) {
            entries << StringWithFormat("%d * %d", sizes[i].width(), sizes[i].height());
            if (sizes[i] == current) k = int(i) + 1;
        }
    }
    return listText(kRemoteStgResoNum, entries, k, getReadOnlyFlg().bReso);
}

QString RemoteStgManager::createResMessageFps() {
    QStringList entries;
    int k = 0;
    if (delegate_) {
        entries = delegate_->getAllFrameRate();
        const int current = delegate_->getCurrentFrameRate();
        for (qsizetype i = 0; i < entries.size(); ++i)
            if (IntValue(entries[i]) == current) k = int(i) + 1;
    }
    return listText(kRemoteStgFpsNum, entries, k, getReadOnlyFlg().bFps);
}

// ---- Changing settings ----

void RemoteStgManager::sendRemoteStgChangeReq(const QString& userId, const RemoteStgItems& reqData) {
    sendChangeRequest(userId, reqData);
}

void RemoteStgManager::sendRemoteStgChangeReqAll(const QStringList& userIds, const RemoteStgItems& reqData) {
    for (const QString& id : userIds)
        if (!id.isEmpty()) sendChangeRequest(id, reqData);
}

void RemoteStgManager::sendChangeRequest(const QString& userId, const RemoteStgItems& reqData) {
    QString text = StringWithFormat("#%@=0\n", L(kRemoteStgType));
    for (const auto& [key, value] : reqData)
        if (isChangeKey(key)) setValue(text, key, value);
    if (!delegate_) return;
    if (isMe(userId)) {
        const RemoteStgItems items = parseChangeText(text);
        if (mainQueue().isCurrent())
            handleChangeReq(userId, 1, items);
        else
            onMain([this, userId, items] { handleChangeReq(userId, 1, items); });
        return;
    }
    delegate_->sendRemoteStgMsg(FREEMSG_REMOTE_STG_CHANGE_REQ, userId, 1, text);
}

RemoteStgItems RemoteStgManager::parseChangeText(const QString& text) {
    RemoteStgItems items;
    QStringList lines = text.split(u'\n');
    lines.removeLast();  // the piece after the last line feed
    for (const QString& line : lines) {
        if (!line.startsWith(u'#')) continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || eq + 1 >= line.size()) continue;
        const QString key = line.mid(1, eq - 1);
        const QString value = line.mid(eq + 1);
        auto it = std::find_if(items.begin(), items.end(), [&](const auto& i) { return i.first == key; });
        if (it != items.end())
            it->second = value;
        else
            items.emplace_back(key, value);
    }
    return items;
}

std::optional<int> RemoteStgManager::volumeValue(const QString& text) {
    if (text.isEmpty()) return std::nullopt;
    QString digits;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9')
            digits += c;
        else if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19)  // full-width digits
            digits += QChar(u'0' + (c.unicode() - 0xFF10));
        else
            return std::nullopt;
    }
    while (digits.size() > 1 && digits.startsWith(u'0')) digits.remove(0, 1);
    if (digits.size() > 3) return std::nullopt;
    const int value = digits.toInt();
    if (value < 0 || value > 100) return std::nullopt;
    return value;
}

RemoteStgItems RemoteStgManager::checkChangeReqData(const RemoteStgItems& items) {
    RemoteStgItems passed;
    for (const auto& [key, value] : items) {
        if (isOneOf(key, {kRemoteStgMicOnOff, kRemoteStgEcho, kRemoteStgSpkOnOff, kRemoteStgCamOnOff,
                          kRemoteStgImgOther, kRemoteStgImgHigh, kRemoteStgLight})) {
            if (value == L(kRemoteStgOn) || value == L(kRemoteStgOff)) passed.emplace_back(key, value);
        } else if (isOneOf(key, {kRemoteStgMicVol, kRemoteStgSpkVol})) {
            if (const auto v = volumeValue(value)) passed.emplace_back(key, QString::number(*v));
        } else if (key == L(kRemoteStgFps)) {
            if (delegate_ && delegate_->getAllFrameRate().contains(value)) passed.emplace_back(key, value);
        } else if (key == L(kRemoteStgReso)) {
            const QStringList pieces = value.split(u'*');
            if (pieces.size() != 2 || !delegate_) continue;
            const QSize wanted(IntValue(pieces[0]), IntValue(pieces[1]));
            const auto sizes = delegate_->getAllResolution();
            if (std::find(sizes.begin(), sizes.end(), wanted) != sizes.end()) passed.emplace_back(key, value);
        } else {
            passed.emplace_back(key, value);  // devices (the applier decides), "TYPE" and others
        }
    }
    return passed;
}

RemoteStgItems RemoteStgManager::checkChangeReqDataEnable(const RemoteStgItems& items) const {
    static const char* const kShown[] = {kRemoteStgMicOnOff, kRemoteStgMicVol,   kRemoteStgMicDev,
                                         kRemoteStgEcho,     kRemoteStgSpkOnOff, kRemoteStgSpkVol,
                                         kRemoteStgSpkDev,   kRemoteStgCamOnOff, kRemoteStgCamDev,
                                         kRemoteStgReso,     kRemoteStgFps};
    const RemoteStgFlgInfo ro = getReadOnlyFlg();
    RemoteStgItems shown;
    for (const auto& [key, value] : items) {
        bool listed = false;
        for (const char* k : kShown) listed = listed || key == QLatin1String(k);
        if (!listed) continue;
        if (ro.*RemoteStgFlgInfo::fieldForKey(key)) continue;
        shown.emplace_back(key, value);
    }
    return shown;
}

void RemoteStgManager::recvRemoteStgChangeReq(const QString& senderId, int code, const QString& data) {
    // Only parsed here: the receive thread never waits for the main thread.
    const RemoteStgItems items = parseChangeText(data);
    onMain([this, senderId, code, items] { handleChangeReq(senderId, code, items); });
}

void RemoteStgManager::handleChangeReq(const QString& requester, int code, const RemoteStgItems& items) {
    const RemoteStgItems valid = checkChangeReqData(items);
    if (isMe(requester)) {
        changeSettings(requester, valid);
        return;
    }
    if (code != 1 || valid.empty() || (valid.size() == 1 && valid.front().first == L(kRemoteStgType))) {
        answerChange(requester, REMOTESTG_RESULT_NG, QString());
        return;
    }
    RemoteStgViewInterface* view = viewInterface_.load();
    if (view && view->isShowConfirmAlert()) {
        answerChange(requester, REMOTESTG_RESULT_BUSY, QString());
        return;
    }
    if (option("MODE_REMOTESTG_USER_MESSAGE_BOX") != QStringLiteral("1")) {
        changeSettings(requester, valid);
        return;
    }
    if (!view) return;  // no consent can be asked
    std::weak_ptr<bool> alive = alive_;
    view->showConfirmAlert(requester, checkChangeReqDataEnable(valid),
                           [this, alive, requester, valid](bool yes) {
                               const auto token = alive.lock();
                               if (!token || !*token) return;
                               if (yes)
                                   changeSettings(requester, valid);
                               else
                                   answerChange(requester, REMOTESTG_RESULT_NG, QString());
                           });
}

void RemoteStgManager::changeSettings(const QString& requester, const RemoteStgItems& items) {
    if (!delegate_) return;
    const RemoteStgFlgInfo ro = getReadOnlyFlg();
    QString answer = StringWithFormat("#%@=0\n", L(kRemoteStgType));
    RemoteStgItems notice;
    auto onOff = [](const QString& v) {
        return v == L(kRemoteStgOn) ? QStringLiteral("ON") : QStringLiteral("OFF");
    };
    for (const auto& [key, value] : items) {
        const RemoteStgFlgInfo::Field field = RemoteStgFlgInfo::fieldForKey(key);
        if (!field || ro.*field) continue;
        const bool on = value == L(kRemoteStgOn);
        bool applied = false;
        QString line = StringWithFormat("#%@=%@\n", key, value);
        QString shown = value;
        if (key == L(kRemoteStgMicOnOff)) {
            applied = delegate_->remoteChangeMicOnOff(requester, on);
            shown = onOff(value);
        } else if (key == L(kRemoteStgMicVol)) {
            applied = delegate_->remoteChangeMicVolume(requester, IntValue(value));
            line = StringWithFormat("#%@=%d\n", key, IntValue(value));
        } else if (key == L(kRemoteStgMicDev)) {
            applied = delegate_->remoteChangeMicDevice(requester, value);
        } else if (key == L(kRemoteStgEcho)) {
            applied = delegate_->remoteChangeEchoCancel(requester, on);
        } else if (key == L(kRemoteStgSpkOnOff)) {
            applied = delegate_->remoteChangeSpeakerOnOff(requester, on);
            shown = onOff(value);
        } else if (key == L(kRemoteStgSpkVol)) {
            applied = delegate_->remoteChangeSpeakerVolume(requester, IntValue(value));
            line = StringWithFormat("#%@=%d\n", key, IntValue(value));
        } else if (key == L(kRemoteStgSpkDev)) {
            applied = delegate_->remoteChangeSpeakerDevice(requester, value);
        } else if (key == L(kRemoteStgCamOnOff)) {
            applied = delegate_->remoteChangeCameraOnOff(requester, on);
            shown = onOff(value);
        } else if (key == L(kRemoteStgCamDev)) {
            applied = delegate_->remoteChangeCameraDevice(requester, value);
        } else if (key == L(kRemoteStgReso)) {
            const QStringList pieces = value.split(u'*');
            const QSize size(IntValue(pieces.value(0)), IntValue(pieces.value(1)));
            applied = delegate_->remoteChangeResolution(requester, size);
            shown = StringWithFormat("%d * %d", size.width(), size.height());
        } else if (key == L(kRemoteStgFps)) {
            applied = delegate_->remoteChangeFps(requester, IntValue(value));
        } else {
            continue;  // items only other clients apply
        }
        if (!applied) continue;
        answer += line;
        notice.emplace_back(key, shown);
    }

    if (isMe(requester)) {
        updateSettingInfo(requester, answer);
        return;
    }
    // A microphone switched on in a many-meeting room: the answer waits for
    // the outcome of the speaking start (which may already have arrived).
    std::optional<std::pair<QString, bool>> outcome;
    bool held = false;
    {
        std::lock_guard lock(holdMutex_);
        if (isManyMtgMicChanging_) {
            if (earlyOutcome_) {
                outcome = earlyOutcome_;
                earlyOutcome_.reset();
                isManyMtgMicChanging_ = false;
            } else {
                resMessage_ = answer;
                held = true;
            }
        }
    }
    if (outcome) {
        if (outcome->second) answer += StringWithFormat("#%@=%@\n", L(kRemoteStgMicOnOff), L(kRemoteStgOn));
        answerChange(outcome->first, REMOTESTG_RESULT_OK, answer);
    } else if (!held) {
        answerChange(requester, REMOTESTG_RESULT_OK, answer);
    }
    if (option("MODE_REMOTESTG_USER_MESSAGE_BOX") == QStringLiteral("0")) {
        if (RemoteStgViewInterface* view = viewInterface_.load()) view->showUpdateAlert(requester, notice);
    }
}

void RemoteStgManager::answerChange(const QString& requester, int result, const QString& text) {
    if (delegate_) delegate_->sendRemoteStgMsg(FREEMSG_REMOTE_STG_CHANGE_RES, requester, result, text);
}

void RemoteStgManager::recvRemoteStgChangeRes(const QString& senderId, int code, const QString& data) {
    if (code == REMOTESTG_RESULT_OK) updateSettingInfo(senderId, data);
    if (RemoteStgViewInterface* view = viewInterface_.load())
        view->respondedChangeReq(senderId, code == REMOTESTG_RESULT_OK);
}

// ---- The many-meeting microphone hold ----

bool RemoteStgManager::isManyMtgMicChanging() const {
    std::lock_guard lock(holdMutex_);
    return isManyMtgMicChanging_;
}

void RemoteStgManager::setIsManyMtgMicChanging(bool changing) {
    std::lock_guard lock(holdMutex_);
    isManyMtgMicChanging_ = changing;
    if (!changing) earlyOutcome_.reset();
}

void RemoteStgManager::setResMessage(const std::optional<QString>& message) {
    std::lock_guard lock(holdMutex_);
    resMessage_ = message;
}

std::optional<QString> RemoteStgManager::resMessage() const {
    std::lock_guard lock(holdMutex_);
    return resMessage_;
}

void RemoteStgManager::changeManySpeaker(const QString& ownerId, bool isMicOn) {
    QString answer;
    {
        std::lock_guard lock(holdMutex_);
        if (!resMessage_) {
            // The outcome came before the answer was held: the answer goes
            // out with it as soon as it is complete.
            if (isManyMtgMicChanging_) earlyOutcome_ = std::make_pair(ownerId, isMicOn);
            return;
        }
        answer = *resMessage_;
        if (isMicOn) answer += StringWithFormat("#%@=%@\n", L(kRemoteStgMicOnOff), L(kRemoteStgOn));
        isManyMtgMicChanging_ = false;
        resMessage_.reset();
    }
    answerChange(ownerId, REMOTESTG_RESULT_OK, answer);
}
