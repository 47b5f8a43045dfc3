// Pieces of the feature hook-up tests: a bridge that records the room's
// commands as text lines (and hands free messages to a bus), a delegate
// that records what the window is told, a free-message bus between several
// LoginManagers in one process (one receive thread, as a core has), and a
// fixture that logs managers in through the loopback web service.
#pragma once

#include <QImage>
#include <condition_variable>
#include <deque>
#include <map>
#include <thread>

#include "LoginTestSupport.h"
#include "model/MessageInfo.h"
#include "platform/StringFormat.h"

namespace login_test {

inline std::string Str(const QString& s) {
    return s.toStdString();
}

// Records every command it is given as one line, e.g. "free 10019 bob".
class CommandBridge : public FakeBridge {
public:
    std::function<void(uint32_t code, const QString& to)> freeMessageBus;

    void record(std::string line) {
        std::lock_guard lock(cmdMu);
        commandLines.push_back(std::move(line));
    }
    std::vector<std::string> commands() const {
        std::lock_guard lock(cmdMu);
        return commandLines;
    }
    // The lines that begin with `prefix`.
    std::vector<std::string> commands(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& c : commands())
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        return out;
    }
    void clearCommands() {
        std::lock_guard lock(cmdMu);
        commandLines.clear();
    }

    bool StartSpeech() override { return record("startSpeech"), true; }
    bool StopSpeech() override { return record("stopSpeech"), true; }
    bool ChangeOwner(const QString& id) override { return record("changeOwner " + Str(id)), true; }
    bool ForceLeave(const QString& id) override { return record("forceLeave " + Str(id)), true; }
    bool SpeechReserve() override { return record("reserve"), true; }
    bool SpeechReserveCancel(const QString& id) override { return record("reserveCancel " + Str(id)), true; }
    bool SpeechNominate(int kind, const QString& id) override {
        return record("nominate " + std::to_string(kind) + " " + Str(id)), true;
    }
    bool SpeechEnd(const QString& id) override { return record("speechEnd " + Str(id)), true; }
    bool SendMessage(const QString& id, const QString& text) override {
        return record("message " + Str(id) + " " + Str(text)), true;
    }
    bool SendFreeMessage(uint32_t code, const QString& to) override {
        record("free " + std::to_string(code) + " " + Str(to));
        if (freeMessageBus) freeMessageBus(code, to);
        return true;
    }
    bool SendFreeMessageData(uint32_t code, const QString& to, int value, const QString& text) override {
        return record("freeData " + std::to_string(code) + " " + Str(to) + " " + std::to_string(value) + " " +
                      Str(text)),
               true;
    }
    bool StartQuestionnaire(const QString& to, const QString& q, bool anonymous, bool multi,
                            const QStringList& choices) override {
        return record("questionStart " + Str(to) + " " + Str(q) + " " + std::to_string(anonymous) +
                      std::to_string(multi) + " " + Str(choices.join(','))),
               true;
    }
    bool ReceivedQuestionnaire(const QString& to, const QString& me) override {
        return record("questionReceived " + Str(to) + " " + Str(me)), true;
    }
    bool StopQuestionnaire(const QString& to) override { return record("questionStop " + Str(to)), true; }
    bool AnswerQuestionnaire(const QString& to, int answer, const QString& text) override {
        return record("questionAnswer " + Str(to) + " " + std::to_string(answer) + " " + Str(text)), true;
    }
    bool SendVideo(const uint8_t* pixels, int size, int w, int h, int fps, int a, int b) override {
        std::lock_guard lock(cmdMu);
        lastVideo.assign(reinterpret_cast<const char*>(pixels), size_t(size));
        commandLines.push_back("video " + std::to_string(w) + "x" + std::to_string(h) + " " +
                               std::to_string(fps) + " " + std::to_string(a) + " " + std::to_string(b));
        return true;
    }
    bool SendAudio(const QByteArray& pcm, double, int rate) override {
        return record("audio " + std::to_string(pcm.size()) + " " + std::to_string(rate)), true;
    }
    bool SetDstAudioSampleRate(int rate) override { return record("dstRate " + std::to_string(rate)), true; }
    bool SendTextBoxData(const QByteArray& block) override {
        std::lock_guard lock(cmdMu);
        textBoxBlocks.push_back(block);
        commandLines.push_back("textBox");
        return true;
    }
    bool SendTextBoxActive(const QString& id, const QString& name) override {
        return record("textBoxActive " + Str(id) + " " + Str(name)), true;
    }
    bool SendDocShareData(const QString& block) override {
        return record("docShareData " + Str(block)), true;
    }
    bool StartDocShare() override { return record("docShareStart"), true; }
    bool StopDocShare() override { return record("docShareStop"), true; }
    bool ManyMtgStartReq(const QString& id, const QString&) override {
        return record("manyStart " + Str(id)), true;
    }
    bool ManyMtgStopSend(const QString& id, const QString&) override {
        return record("manyStop " + Str(id)), true;
    }
    bool SendUserPermissionCmd(const QString& from, const QString& to, int cmd, int code, int f,
                               int p) override {
        return record("permission " + Str(from) + " " + Str(to) + " " + std::to_string(cmd) + " " +
                      std::to_string(code) + " " + std::to_string(f) + " " + std::to_string(p)),
               true;
    }
    bool SendCloudRecStart(const QString& id, const QString& name, const QString& text, int d, int e,
                           const QString& option) override {
        return record("cloudRec " + Str(id) + " " + Str(name) + " [" + Str(text) + "] " + std::to_string(d) +
                      std::to_string(e) + " " + Str(option)),
               true;
    }
    bool ASSendStop(uint32_t kind, const QString& id, const QString&) override {
        return record("asStop " + std::to_string(kind) + " " + Str(id)), true;
    }
    bool StartCamera() override { return record("startCamera"), true; }
    void StopCamera() override { record("stopCamera"); }
    bool hasCameraDevice() const override { return hasCamera; }
    int cameraFrameRate() const override { return frameRate; }
    bool setSelfVideoSize(int w, int h) override {
        return record("videoSize " + std::to_string(w) + "x" + std::to_string(h)), true;
    }
    bool setSelfVideoFrameRate(int fps) override {
        frameRate = fps;
        return record("videoFps " + std::to_string(fps)), true;
    }
    void setSpeakerVolume(int slot, float v) override {
        record(StringWithFormat("volume %d %.2f", slot, double(v)).toStdString());
    }
    bool StartVideo(int n) override { return record("startVideo " + std::to_string(n)), true; }
    bool StopVideo(int n) override { return record("stopVideo " + std::to_string(n)), true; }

    mutable std::mutex cmdMu;
    std::vector<std::string> commandLines;
    std::vector<QByteArray> textBoxBlocks;
    std::string lastVideo;
    std::atomic<bool> hasCamera{true};
    std::atomic<int> frameRate{15};
};

// Records the window's side as text lines.
struct WindowRecorder : RecordingDelegate {
    void add(std::string line) {
        std::lock_guard lock(mu);
        lines.push_back(std::move(line));
        cv.notify_all();
    }
    std::vector<std::string> list() const {
        std::lock_guard lock(mu);
        return lines;
    }
    std::vector<std::string> list(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& l : list())
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        return out;
    }
    void clear() {
        std::lock_guard lock(mu);
        lines.clear();
    }
    void onForceLogout(int kind, const QString& id, const QString&) override {
        add("forceLogout " + std::to_string(kind) + " " + Str(id));
    }
    void onChangeOwner(const QString& id, const QString& old) override {
        add("owner " + Str(id) + " " + Str(old));
    }
    void onSpeechReserve(const UserInfoRef& u) override {
        add("reserve " + Str(u->userId()) + " " + Str(u->userName()));
    }
    void onSpeechReserveCancel(int kind) override { add("reserveCancel " + std::to_string(kind)); }
    void onSpeechReserveResult(int r) override { add("reserveResult " + std::to_string(r)); }
    void onStartSpeech(const SpeakerInfoRef& s) override {
        add("startSpeech " + std::to_string(s->clientNo()) + " " + Str(s->userId()) + " [" +
            Str(s->userName()) + "]");
    }
    void onEndSpeech(const SpeakerInfoRef& s) override {
        add("endSpeech " + std::to_string(s->clientNo()) + " " + Str(s->userId()));
    }
    void onStartManySpeech(const SpeakerInfoRef& s) override { add("startMany " + Str(s->userId())); }
    void onEndManySpeech(const SpeakerInfoRef& s) override { add("endMany " + Str(s->userId())); }
    void onErrorStartManySpeech(int r) override { add("errorMany " + std::to_string(r)); }
    void stopSpeechForWebinar() override { add("stopSpeechForWebinar"); }
    void onChangeCameraStatus(bool on) override { add(std::string("camera ") + (on ? "on" : "off")); }
    void onChangeMicStatus(bool on, float) override { add(std::string("mic ") + (on ? "on" : "off")); }
    void onChangeSpeakerStatus(bool on, float) override {
        add(std::string("speaker ") + (on ? "on" : "off"));
    }
    void onAudioVolume(int n, int v) override { add("level " + std::to_string(n) + " " + std::to_string(v)); }
    void updateMessage(const std::shared_ptr<MessageInfo>& t, bool notify) override {
        add("message " + Str(t->destUser()->userId()) + " " + std::to_string(notify));
    }
    void updateTextBox(bool open) override { add("textBox " + std::to_string(open)); }
    void onQuestionStart(const QString& issuer, const QString& q, int count, const QStringList&,
                         int options) override {
        add("questionStart " + Str(issuer) + " " + Str(q) + " " + std::to_string(count) + " " +
            std::to_string(options));
    }
    void onQuestionResult() override { add("questionResult"); }
    void onQuestionStop() override { add("questionStop"); }
    void startDocShare(const UserInfoRef& leader, bool isNew) override {
        add("docStart " + (leader ? Str(leader->userId()) : std::string("none")) + " " +
            std::to_string(isNew));
    }
    void stopDocShare(const QString& id) override { add("docStop " + Str(id)); }
    void startDocShareError(int code) override { add("docError " + std::to_string(code)); }
    void onDocShareActive() override { add("docActive"); }
    void onASStartRequest(bool ask, const QString& id) override {
        add(std::string("asRequest ") + (ask ? "ask " : "start ") + Str(id));
    }
    void onASStartRequestCancel() override { add("asRequestCancel"); }
    void onASStartRequestRes(bool ok) override { add("asRequestRes " + std::to_string(ok)); }
    void onASStopRequest() override { add("asStopRequest"); }
    void onChangeLayoutOfWebinarView(bool flag, int mode) override {
        add("layout " + std::to_string(flag) + " " + std::to_string(mode));
    }
    std::vector<std::string> lines;
};

// Free messages between the managers of one process: each is delivered, in
// order, on the bus's own thread (standing in for a conference receive thread).
class FreeMessageBus {
public:
    FreeMessageBus() : thread_([this] { run(); }) {}
    ~FreeMessageBus() {
        {
            std::lock_guard lock(mu_);
            stop_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    void join(const QString& userId, LoginManager& manager, CommandBridge& bridge) {
        {
            std::lock_guard lock(mu_);
            members_[userId] = &manager;
        }
        bridge.freeMessageBus = [this, userId](uint32_t code, const QString& to) { post(userId, code, to); };
    }
    // Sends a message as `from` that no manager sent (a rogue participant).
    void post(const QString& from, uint32_t code, const QString& to) {
        std::lock_guard lock(mu_);
        queue_.push_back({from, code, to});
        cv_.notify_all();
    }
    // Holds back delivery until release(), so that messages posted meanwhile
    // queue in the order they were sent.
    void hold() {
        std::lock_guard lock(mu_);
        held_ = true;
    }
    void release() {
        {
            std::lock_guard lock(mu_);
            held_ = false;
        }
        cv_.notify_all();
    }
    // Waits until every message sent so far and those they caused are delivered.
    void settle() {
        std::unique_lock lock(mu_);
        cv_.wait_for(lock, std::chrono::seconds(10), [&] { return queue_.empty() && !busy_; });
    }

private:
    struct Message {
        QString from;
        uint32_t code;
        QString to;
    };
    void run() {
        std::unique_lock lock(mu_);
        for (;;) {
            cv_.wait(lock, [&] { return stop_ || (!held_ && !queue_.empty()); });
            if (stop_) return;
            Message m = queue_.front();
            queue_.pop_front();
            busy_ = true;
            std::vector<LoginManager*> to;
            for (auto& [id, manager] : members_)
                if (id != m.from && (m.to.isEmpty() || m.to == id)) to.push_back(manager);
            lock.unlock();
            for (LoginManager* manager : to) manager->OnRecvFreeMessage(m.code, m.from);
            lock.lock();
            busy_ = false;
            cv_.notify_all();
        }
    }
    std::mutex mu_;
    std::condition_variable cv_;
    std::deque<Message> queue_;
    std::map<QString, LoginManager*> members_;
    bool busy_ = false, stop_ = false, held_ = false;
    std::thread thread_;
};

// One participant: a manager on a recording bridge with a recording window.
struct Participant {
    explicit Participant(LoginManagerFeatures features = {})
        : manager(std::move(features), [this](QuorixInterface*) { return &bridge; }) {
        manager.setDelegate(&window);
        manager.setLogoutRunner([](std::function<void()> task) { task(); });
    }
    ~Participant() {
        manager.waitForLoginQueue();
        manager.setDelegate(nullptr);
    }
    // Logs in as `userId` to the room the web service describes.
    bool login(RoomWebService& web, const QString& userId) {
        manager.launch(LinkFields(web.address(), userId), false);
        manager.waitForLoginQueue();
        bridge.clearCommands();
        window.clear();
        return manager.status() == LOGIN_STATUS_LOGGED_IN;
    }
    CommandBridge bridge;
    WindowRecorder window;
    LoginManager manager;
};

using Config = std::vector<std::pair<std::string, std::string>>;

// Logs `p` out and in again as `userId` to a normal room chaired by
// "owner-id", with the configuration entries of `extra` added (or replacing).
inline bool EnterRoom(RoomWebService& web, Participant& p, const Config& extra = {},
                      const QString& userId = "me") {
    Config config{{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"OWNER", "owner-id"}};
    config.insert(config.end(), extra.begin(), extra.end());
    web.setConfig(config);
    p.manager.logout(false);
    return p.login(web, userId);
}

}  // namespace login_test
