// Pieces of the remote-settings tests: a delegate that stands for the login
// (device state to answer from, appliers that record and can refuse, sent
// free messages as lines), a view interface that records and answers the
// consent alert later, and a recorder of the model's notices.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "fixtures/app/AppTestSupport.h"
#include "platform/Dispatch.h"
#include "remotestg/RemoteStgManager.h"
#include "remotestg/RemoteStgNotificator.h"

namespace remotestg_test {

inline UserInfoRef User(const QString& id) {
    return std::make_shared<UserInfo>(id, "Name " + id, USER_TYPE_S0);
}

struct Sent {
    unsigned code;
    std::string to;
    int value;
    std::string text;
    bool operator==(const Sent&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Sent& s) {
    return os << s.code << " " << s.to << " " << s.value << " [" << s.text << "]";
}

struct FakeDevices : RemoteStgManagerDelegate {
    // The local state the answers are made from.
    bool micOn = true, echoOn = false, spkOn = true, camOn = false;
    int micVolume = 70, spkVolume = 40, fps = 15;
    std::optional<QString> mic = QString("Mic B"), spk = QString("Speaker A"), cam = QString("Cam 1");
    QSize size{640, 480};
    std::optional<QStringList> mics = QStringList{"Mic A", "Mic B"};
    std::optional<QStringList> spks = QStringList{"Speaker A"};
    QStringList cams{"Cam 1", "Cam 2"};
    std::vector<QSize> sizes{{320, 240}, {640, 480}, {1280, 720}};
    QStringList rates{"5", "10", "15", "30"};
    std::map<QString, UserInfoRef> users;
    // Appliers answer this, unless the key is listed in `refuse`.
    std::set<std::string> refuse;
    std::function<void(const std::string&)> onApply;

    std::vector<Sent> sent() const {
        std::lock_guard lock(mu);
        return sentList;
    }
    std::vector<std::string> applied() const {
        std::lock_guard lock(mu);
        return appliedList;
    }
    void clear() {
        std::lock_guard lock(mu);
        sentList.clear();
        appliedList.clear();
    }

    bool getCurrentMicOnOff() override { return micOn; }
    bool getCurrentEchoOnOff() override { return echoOn; }
    bool getCurrentSpkOnOff() override { return spkOn; }
    bool getCurrentCamOnOff() override { return camOn; }
    int getCurrentMicVolume() override { return micVolume; }
    int getCurrentSpkVolume() override { return spkVolume; }
    int getCurrentFrameRate() override { return fps; }
    std::optional<QString> getCurrentMicDevice() override { return mic; }
    std::optional<QString> getCurrentSpkDevice() override { return spk; }
    std::optional<QString> getCurrentCamDevice() override { return cam; }
    QSize getCurrentResolution() override { return size; }
    std::optional<QStringList> getAllMicDevice() override { return mics; }
    std::optional<QStringList> getAllSpkDevice() override { return spks; }
    QStringList getAllCamDevice() override { return cams; }
    std::vector<QSize> getAllResolution() override { return sizes; }
    QStringList getAllFrameRate() override { return rates; }
    UserInfoRef getUserInfo(const QString& id) override {
        auto it = users.find(id);
        return it == users.end() ? nullptr : it->second;
    }
    QString osVersion() override { return "6.1.0"; }
    QString machineModel() override { return "Test Box"; }
    void sendRemoteStgMsg(unsigned code, const QString& to, int value, const QString& data) override {
        std::lock_guard lock(mu);
        sentList.push_back({code, to.toStdString(), value, data.toStdString()});
    }
    bool apply(const std::string& line) {
        {
            std::lock_guard lock(mu);
            appliedList.push_back(line);
        }
        if (onApply) onApply(line);
        return refuse.count(line.substr(0, line.find(' '))) == 0;
    }
    bool remoteChangeMicOnOff(const QString&, bool on) override {
        return apply("MICONOFF " + std::to_string(on));
    }
    bool remoteChangeMicVolume(const QString&, int v) override {
        return apply("MICVOL " + std::to_string(v));
    }
    bool remoteChangeMicDevice(const QString&, const QString& n) override {
        return apply("MICDEV " + n.toStdString());
    }
    bool remoteChangeEchoCancel(const QString&, bool on) override {
        return apply("ECHO " + std::to_string(on));
    }
    bool remoteChangeSpeakerOnOff(const QString&, bool on) override {
        return apply("SPKONOFF " + std::to_string(on));
    }
    bool remoteChangeSpeakerVolume(const QString&, int v) override {
        return apply("SPKVOL " + std::to_string(v));
    }
    bool remoteChangeSpeakerDevice(const QString&, const QString& n) override {
        return apply("SPKDEV " + n.toStdString());
    }
    bool remoteChangeCameraOnOff(const QString&, bool on) override {
        return apply("CAMONOFF " + std::to_string(on));
    }
    bool remoteChangeCameraDevice(const QString&, const QString& n) override {
        return apply("CAMDEV " + n.toStdString());
    }
    bool remoteChangeResolution(const QString&, QSize s) override {
        return apply("RESO " + std::to_string(s.width()) + "x" + std::to_string(s.height()));
    }
    bool remoteChangeFps(const QString&, int f) override { return apply("FPS " + std::to_string(f)); }

    mutable std::mutex mu;
    std::vector<Sent> sentList;
    std::vector<std::string> appliedList;
};

inline std::string Items(const RemoteStgItems& items) {
    std::string s;
    for (const auto& [k, v] : items) s += k.toStdString() + "=" + v.toStdString() + ";";
    return s;
}

struct RecordingView : RemoteStgViewInterface {
    bool confirmOpen = false;
    std::atomic<bool> allWindowOpen{false};
    std::function<void(bool)> pending;
    std::vector<std::string> lines;
    bool isShowConfirmAlert() override { return confirmOpen; }
    bool isShowRemoteStgAllWindow() override { return allWindowOpen; }
    void showConfirmAlert(const QString& id, const RemoteStgItems& items,
                          std::function<void(bool)> h) override {
        lines.push_back("confirm " + id.toStdString() + " " + Items(items));
        confirmOpen = true;
        pending = std::move(h);
    }
    void answer(bool yes) {
        confirmOpen = false;
        auto h = std::move(pending);
        h(yes);
    }
    void showUpdateAlert(const QString& id, const RemoteStgItems& items) override {
        lines.push_back("notice " + id.toStdString() + " " + Items(items));
    }
    void respondedChangeReq(const QString& id, bool ok) override {
        lines.push_back("responded " + id.toStdString() + " " + std::to_string(ok));
    }
};

// The model's notices as lines: "user <id>", "list <id> <type>", "model".
struct NoticeRecorder : RemoteStgNotificatorDispatcherDelegate {
    NoticeRecorder() : dispatcher(RemoteStgNotificator::sharedNotificator()) { dispatcher.setDelegate(this); }
    void didChangeListInfo(const QString& id, int type, const RemoteStgListInfo& l) override {
        lines.push_back("list " + id.toStdString() + " " + std::to_string(type));
        lists.push_back(l);
    }
    void didChangeUserInfo(const QString& id, const RemoteStgUserInfo& e) override {
        lines.push_back("user " + id.toStdString());
        entries.push_back(e);
    }
    void didChangeRemoteStgInfo(RemoteStgInfo*) override { lines.push_back("model"); }
    RemoteStgNotificatorDispatcher dispatcher;
    std::vector<std::string> lines;
    std::vector<RemoteStgListInfo> lists;
    std::vector<RemoteStgUserInfo> entries;
};

// A manager with the fake devices, the local participant "me" and the
// participants "bob" and "carol", on a manual main queue.
class ManagerTest : public ::testing::Test {
protected:
    ManagerTest() {
        ensureQtApplication();
        devices.users = {{"me", me}, {"bob", User("bob")}, {"carol", User("carol")}};
        manager.setDelegate(&devices);
        manager.setViewInterface(&view);
        manager.setMyInfo(me);
        manager.setOptions({});
    }
    void options(std::initializer_list<std::pair<const char*, const char*>> entries) {
        QVariantMap config;
        for (const auto& [k, v] : entries) config.insert(k, QString::fromUtf8(v));
        manager.setOptions(config);
    }
    ScopedManualDispatcher dispatcher;
    UserInfoRef me = User("me");
    FakeDevices devices;
    RecordingView view;
    RemoteStgManager manager;
};

}  // namespace remotestg_test
