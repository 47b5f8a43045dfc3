#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <thread>

#include "fixtures/app/AppTestSupport.h"
#include "platform/Dispatch.h"
#include "services/SettingNotificator.h"
#include "services/SettingNotificatorDispatcher.h"

namespace {

// Like the settings window: hears the camera notices, not the chat or speaker-button ones.
struct CameraDelegate : SettingNotificatorDispatcherDelegate {
    QStringList calls;
    QString device;
    QStringList all;
    int index = -1;
    QSizeF size;
    int fps = -1;
    bool onMainThread = true;
    void note(const QString& call) {
        calls << call;
        onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    }
    void didChangeCamDevice(SettingNotificatorDispatcher*, const QString& d, const QStringList& a,
                            int i) override {
        note("camera");
        device = d;
        all = a;
        index = i;
    }
    void didChangeResolution(SettingNotificatorDispatcher*, const QSizeF& s) override {
        note("resolution");
        size = s;
    }
    void didChangeFps(SettingNotificatorDispatcher*, int f) override {
        note("fps");
        fps = f;
    }
};

// Like the conference window and the text box: only the saved switches.
struct SwitchDelegate : SettingNotificatorDispatcherDelegate {
    QStringList calls;
    bool onMainThread = true;
    void note(const QString& call) {
        calls << call;
        onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    }
    void didChangeChatNotify(SettingNotificatorDispatcher*, bool on) override {
        note(on ? "chat on" : "chat off");
    }
    void didChangeDispSpeakerBtnNotify(SettingNotificatorDispatcher*, bool on) override {
        note(on ? "speaker on" : "speaker off");
    }
};

bool processEventsUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return done();
}

}  // namespace

TEST(SettingNotificatorTest, WorkerThreadPostsReachEachDispatcherOnTheMainThreadWhereItsDelegateListens) {
    ensureQtApplication();
    SettingNotificator& shared = SettingNotificator::sharedNotificator();
    SettingNotificatorDispatcher windowDispatcher(&shared);
    SettingNotificatorDispatcher conferenceDispatcher(&shared);
    CameraDelegate window;
    SwitchDelegate conference;
    windowDispatcher.setDelegate(&window);
    conferenceDispatcher.setDelegate(&conference);

    std::thread worker([&] {
        shared.requestChangeCamDeviceNotification("Cam B", {"Cam A", "Cam B"}, 1);
        shared.requestChangeResolutionNotification(QSizeF(640, 480));
        shared.requestChangeFpsNotification(15);
        shared.requestChangeChatNotifyNotification(false);
        shared.requestChangeDispSpeakerBtnNotification(true);
    });
    worker.join();  // the requests returned before anything was delivered
    EXPECT_TRUE(window.calls.isEmpty());
    EXPECT_TRUE(conference.calls.isEmpty());

    ASSERT_TRUE(processEventsUntil([&] { return window.calls.size() == 3 && conference.calls.size() == 2; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.calls, (QStringList{"camera", "resolution", "fps"}));
    EXPECT_EQ(window.device, QString("Cam B"));
    EXPECT_EQ(window.all, (QStringList{"Cam A", "Cam B"}));
    EXPECT_EQ(window.index, 1);
    EXPECT_EQ(window.size, QSizeF(640, 480));
    EXPECT_EQ(window.fps, 15);
    // The chat switch off arrives as "off", not as a missing value.
    EXPECT_EQ(conference.calls, (QStringList{"chat off", "speaker on"}));
    EXPECT_TRUE(window.onMainThread);
    EXPECT_TRUE(conference.onMainThread);
    windowDispatcher.setDelegate(nullptr);
    conferenceDispatcher.setDelegate(nullptr);
}

TEST(SettingNotificatorTest, ADispatcherHearsOnlyItsNotificatorWhileItLivesAndHasADelegate) {
    ensureQtApplication();
    ScopedManualDispatcher dispatcher;
    SettingNotificator other;
    SwitchDelegate delegate;
    {
        SettingNotificatorDispatcher observer(&other);
        observer.setDelegate(&delegate);
        SettingNotificator::sharedNotificator().requestChangeChatNotifyNotification(true);
        dispatcher->runPending();
        EXPECT_TRUE(delegate.calls.isEmpty());
        other.requestChangeChatNotifyNotification(true);
        dispatcher->runPending();
        EXPECT_EQ(delegate.calls, QStringList{"chat on"});

        observer.setDelegate(nullptr);  // the delegate went away
        other.requestChangeChatNotifyNotification(false);
        dispatcher->runPending();
        EXPECT_EQ(delegate.calls, QStringList{"chat on"});

        observer.setDelegate(&delegate);
        other.requestChangeDispSpeakerBtnNotification(false);
    }
    dispatcher->runPending();  // posted while the dispatcher lived, delivered after
    EXPECT_EQ(delegate.calls, QStringList{"chat on"});
}
