// The bridge: its lifecycle over the real core, the camera set-up on the main
// thread, and the forwarding of the callback table (copies, dropped media).
#include "LoginTestSupport.h"

#include <cstring>

#include "fixtures/LoopbackTcp.h"
#include "platform/Dispatch.h"
#include "media/CameraSettings.h"
#include "session/OwnCameraCapture.h"
#include "session/Quorix.h"

namespace login_test {
namespace {

// Records the events it receives as text lines.
struct RecordingReceiver : QuorixInterface {
    void add(const QString& line) {
        std::lock_guard lock(mu);
        lines << line;
    }
    QStringList list() {
        std::lock_guard lock(mu);
        return lines;
    }
    void OnEnterMember(const QString& id, const QString& name, const QString& type) override {
        add("enter " + id + " " + name + " " + type);
    }
    void OnAudioOutput(int level, const QByteArray& data, int size) override {
        add(QString("audio %1 %2 %3").arg(level).arg(QString::fromLatin1(data)).arg(size));
    }
    void OnAudioVolume(int slot, int level) override { add(QString("volume %1 %2").arg(slot).arg(level)); }
    void OnVideoOutput(int client, const QImage& image) override {
        add(QString("video %1 %2x%3").arg(client).arg(image.width()).arg(image.height()));
    }
    void OnAudioInitialized(int slot) override { add(QString("initialized %1").arg(slot)); }
    void OnManyListRes(short code, short sub, const QStringList& ids, const QStringList& names) override {
        add(QString("manylist %1 %2 [%3] [%4]").arg(code).arg(sub).arg(ids.join(',')).arg(names.join(',')));
    }
    void OnQuestionStart(const QString& id, const QString& q, bool, bool, int count, const QStringList& s) override {
        add(QString("question %1 %2 %3 [%4]").arg(id, q).arg(count).arg(s.join(',')));
    }
    void OnAPShareRect(uint16_t, uint16_t, uint16_t, uint16_t, const QByteArray& data, int length) override {
        add(QString("rect %1 %2").arg(QString::fromLatin1(data)).arg(length));
    }
    void OnError(int kind, int no, const QString& text) override { add(QString("error %1 %2 %3").arg(kind).arg(no).arg(text)); }
    std::mutex mu;
    QStringList lines;
};

// A camera that records on which thread and with what it was set up.
struct FakeCamera : BridgeCamera {
    bool init(VIDEO_INPUT_CALLBACK cb, void* user, int position, int w, int h, int fps) override {
        std::lock_guard lock(mu);
        callback = cb;
        userData = user;
        calls << QString("init %1 %2x%3@%4").arg(position).arg(w).arg(h).arg(fps);
        initOnMain = mainQueue().isCurrent();
        return ready;
    }
    void Term() override {
        std::lock_guard lock(mu);
        calls << "term";
        playing = false;
    }
    bool Start() override {
        std::lock_guard lock(mu);
        calls << "start";
        playing = true;
        return true;
    }
    void Stop() override { playing = false; }
    bool IsPlaying() const override { return playing; }
    void SetVideoSize(int, int) override {}
    void SetFrameRate(int) override {}
    std::mutex mu;
    QStringList calls;
    VIDEO_INPUT_CALLBACK callback = nullptr;
    void* userData = nullptr;
    bool ready = true;
    bool initOnMain = false;
    std::atomic<bool> playing{false};
};

class Bridge : public LoginTestBase {
protected:
    Bridge() {
        bridge = Quorix::GetInstance(&receiver);
        auto cam = std::make_unique<FakeCamera>();
        camera = cam.get();
        bridge->setCameraView(std::move(cam));
        bridge->setCameraFormatSource([](int direction) {
            return BridgeCameraFormat{direction * 100, direction * 50, 12};
        });
    }
    ~Bridge() override {
        bridge->Term();
        bridge->setCameraView(std::make_unique<OwnCameraCapture>());
        bridge->setCameraFormatSource([](int direction) {
            return BridgeCameraFormat{CameraSettings::getWidth(direction), CameraSettings::getHeight(direction),
                                      CameraSettings::getFrameRate(direction)};
        });
        Quorix::releaseReceiver(&receiver);
    }
    // A login to a port where nothing listens (the direct method only).
    int failingLogin() {
        QuorixLoginParams p;
        p.strAddr = "127.0.0.1";
        p.iPort = quorix::test::UnusedPort("127.0.0.1");
        p.iFirstConnectType = 0;
        p.strProxyInfoJson = QString("[{\"proxyType\":\"DIRECT\"}]");
        p.strUserId = "u";
        p.strPassword = "p";
        p.strUserName = "n";
        p.strAppVersion = "1.0";
        p.strSupportFunc = "{}";
        return bridge->Login(p);
    }

    RecordingReceiver receiver;
    Quorix* bridge = nullptr;
    FakeCamera* camera = nullptr;
    ScopedManualDispatcher dispatcher;
};

TEST_F(Bridge, LifecycleAnswers) {
    EXPECT_EQ(Quorix::GetInstance(&receiver), bridge);
    EXPECT_EQ(failingLogin(), -2) << "before Init";
    EXPECT_TRUE(camera->calls.isEmpty());
    ASSERT_EQ(bridge->Init(), 0);
    EXPECT_EQ(bridge->status(), Quorix::StatusInitialized);
    EXPECT_EQ(bridge->Init(), -1);
    EXPECT_EQ(bridge->status(), Quorix::StatusInitialized);
    bridge->Logout();  // not logged in: nothing
    EXPECT_TRUE(camera->calls.isEmpty());
    bridge->Term();
    EXPECT_EQ(bridge->status(), Quorix::StatusNone);
    bridge->Term();  // nothing to end
    EXPECT_EQ(bridge->Init(), 0);
}

TEST_F(Bridge, AFailedLoginSetsTheCameraUpOnTheMainThreadAndTearsItDown) {
    ASSERT_EQ(bridge->Init(), 0);
    int result = 0;
    std::atomic<bool> done{false};
    std::thread login([&] {
        result = failingLogin();
        done = true;
    });
    while (!done) dispatcher->waitAndRunPending(20ms);
    login.join();
    EXPECT_LT(result, 0);
    EXPECT_NE(result, -2);
    EXPECT_NE(result, -4);
    EXPECT_TRUE(camera->initOnMain);
    EXPECT_EQ(camera->calls, (QStringList{"term", "init 2 200x100@12", "term"}));
    EXPECT_EQ(bridge->status(), Quorix::StatusInitialized);
    EXPECT_EQ(bridge->userAgent(), QuorixUtils::GetAppUserAgent());
}

TEST_F(Bridge, ForwardedEventsOwnCopiesOfWhatTheCoreLent) {
    const ST_FUNCLIST t = Quorix::callbackTable();
    EXPECT_EQ(t.OnAPShareGetRect, nullptr);
    char id[16], name[16];
    std::strcpy(id, "alice");
    std::strcpy(name, "Alice");
    t.OnEnterMember(id, name, "S0", bridge);
    char rect[] = "pixels";
    t.OnAPShareRect(0, 0, 1, 1, reinterpret_cast<uint8_t*>(rect), 6, bridge);
    std::memset(id, 'x', sizeof id - 1);
    std::memset(rect, 'y', sizeof rect - 1);
    const char* choices[] = {"yes", nullptr, "no"};
    t.OnQuestionStart("chair", "Q?", false, false, 3, choices, bridge);
    const char* ids[] = {"a", nullptr};
    t.OnManyMtgListRes(1, 2, 2, ids, nullptr, bridge);
    t.OnManyMtgListRes(0, 0, -5, nullptr, nullptr, bridge);
    t.OnError(3, 104, nullptr, bridge);
    EXPECT_EQ(receiver.list(), (QStringList{"enter alice Alice S0", "rect pixels 6", "question chair Q? 3 [yes,,no]",
                                            "manylist 1 2 [a,] [,]", "manylist 0 0 [] []", "error 3 104 "}));
}

TEST_F(Bridge, MediaEventsAreDroppedUnlessLoggedInOthersAlwaysGo) {
    const ST_FUNCLIST t = Quorix::callbackTable();
    uint8_t pcm[4] = {'a', 'b', 'c', 'd'};
    std::vector<uint8_t> pixels(4 * 4 * 4, 0);
    for (int status : {0, 1}) {
        SCOPED_TRACE(status);
        if (status == 1) {
            ASSERT_EQ(bridge->Init(), 0);
        }
        t.OnAudioOutput(5, pcm, 4, bridge);
        t.OnAudioVolume(2, 9, bridge);
        t.OnVideoOutput(3, pixels.data(), int(pixels.size()), 4, 4, 4, 4, bridge);
        t.OnAudioInitialized(7, bridge);
    }
    EXPECT_EQ(receiver.list(), (QStringList{"initialized 7", "initialized 7"}));
}

TEST_F(Bridge, ALaterReceiverTakesEveryEvent) {
    RecordingReceiver other;
    EXPECT_EQ(Quorix::GetInstance(&other), bridge);
    Quorix::callbackTable().OnAudioInitialized(1, bridge);
    EXPECT_TRUE(receiver.list().isEmpty());
    EXPECT_EQ(other.list(), QStringList{"initialized 1"});
    Quorix::releaseReceiver(&receiver);  // not the receiver: changes nothing
    Quorix::callbackTable().OnAudioInitialized(2, bridge);
    EXPECT_EQ(other.list().size(), 2);
    Quorix::releaseReceiver(&other);
    Quorix::callbackTable().OnAudioInitialized(3, bridge);
    EXPECT_EQ(other.list().size(), 2);
}

TEST(BridgePictures, DecodedPicturesAreCopiedAndCut) {
    // 4 x 3 display buffer; pixel (x, y) has red = x, green = y.
    std::vector<uint8_t> buf(4 * 3 * 4, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = &buf[size_t((y * 4 + x) * 4)];
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[3] = 255;
        }
    struct Case {
        const char* what;
        int size, width, height, dstWidth, dstHeight;
        QSize expected;  // empty: no picture
    };
    const Case cases[] = {
        {"whole", 48, 4, 3, 4, 3, {4, 3}},
        {"top-left part", 48, 2, 2, 4, 3, {2, 2}},
        {"buffer shorter than claimed", 47, 4, 3, 4, 3, {}},
        {"wider than the display", 48, 5, 3, 4, 3, {}},
        {"no pixels", 48, 0, 3, 4, 3, {}},
        {"negative display", 48, 2, 2, -4, 3, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage image = Quorix::decodedImage(buf.data(), c.size, c.width, c.height, c.dstWidth, c.dstHeight);
        if (c.expected.isEmpty()) {
            EXPECT_TRUE(image.isNull());
            continue;
        }
        ASSERT_EQ(image.size(), c.expected);
        std::fill(buf.begin(), buf.end(), 0xEE);  // the core reuses its buffer
        const QColor last = image.pixelColor(c.width - 1, c.height - 1);
        EXPECT_EQ(last.red(), c.width - 1);
        EXPECT_EQ(last.green(), c.height - 1);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) {
                uint8_t* p = &buf[size_t((y * 4 + x) * 4)];
                p[0] = uint8_t(x);
                p[1] = uint8_t(y);
                p[2] = 0;
                p[3] = 255;
            }
    }
}

}  // namespace
}  // namespace login_test
