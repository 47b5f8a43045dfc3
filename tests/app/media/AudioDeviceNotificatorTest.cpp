#include <gtest/gtest.h>

#include "media/AudioDeviceNotificator.h"
#include "media/AudioDeviceNotificatorDispatcher.h"
#include "platform/Dispatch.h"

namespace {

struct RecordingDelegate : AudioDeviceNotificatorDispatcherDelegate {
    QStringList calls;
    AudioDeviceInfoList list;
    int index = -1;
    AudioDeviceInfo device;
    float volume = -1;
    std::int64_t mode = -1;
    void didChangeInputDeviceList(AudioDeviceNotificatorDispatcher*, const AudioDeviceInfoList& l, int i) override {
        calls << "inputList";
        list = l;
        index = i;
    }
    void didChangeOutputDeviceList(AudioDeviceNotificatorDispatcher*, const AudioDeviceInfoList& l, int i) override {
        calls << "outputList";
        list = l;
        index = i;
    }
    void didChangeCurrentInputDevice(AudioDeviceNotificatorDispatcher*, const AudioDeviceInfo& d) override {
        calls << "currentInput";
        device = d;
    }
    void didChangeCurrentOutputDevice(AudioDeviceNotificatorDispatcher*, const AudioDeviceInfo& d) override {
        calls << "currentOutput";
        device = d;
    }
    void didChangeInputVolume(AudioDeviceNotificatorDispatcher*, float v) override {
        calls << "inputVolume";
        volume = v;
    }
    void didChangeOutputVolume(AudioDeviceNotificatorDispatcher*, float v) override {
        calls << "outputVolume";
        volume = v;
    }
    void didChangeEchoCancelMode(AudioDeviceNotificatorDispatcher*, std::int64_t m) override {
        calls << "echoCancel";
        mode = m;
    }
};

}  // namespace

TEST(AudioDeviceNotificatorTest, EachRequestReachesTheDelegateOnTheMainQueueWithItsValues) {
    ScopedManualDispatcher dispatcher;
    AudioDeviceNotificator& shared = AudioDeviceNotificator::sharedNotificator();
    AudioDeviceNotificatorDispatcher observer(&shared);
    RecordingDelegate delegate;
    observer.setDelegate(&delegate);

    AudioDeviceInfo usb{"usb-1", "Headset", AUDIO_DEVICE_TYPE_USB, 0};
    AudioDeviceInfoList list{{kSystemAudioDeviceUid, "System", AUDIO_DEVICE_TYPE_SYSTEM, 0}, usb};
    shared.requestChangeInputDeviceListNotification(list, 1);
    EXPECT_TRUE(delegate.calls.isEmpty()) << "delivered only after the request returned";
    list.clear();  // the values of the moment of the request travel
    dispatcher->runPending();
    EXPECT_EQ(delegate.calls, QStringList{"inputList"});
    ASSERT_EQ(delegate.list.size(), 2);
    EXPECT_EQ(delegate.list[1], usb);
    EXPECT_EQ(delegate.index, 1);

    shared.requestChangeOutputDeviceListNotification({usb}, 0);
    shared.requestChangeCurrentOutputDeviceNotification(usb);
    dispatcher->runPending();
    EXPECT_EQ(delegate.index, 0);
    EXPECT_EQ(delegate.device, usb);

    shared.requestChangeInputVolumeNotification(0.5f);
    dispatcher->runPending();
    EXPECT_EQ(delegate.volume, 0.5f);
    shared.requestChangeOutputVolumeNotification(0.123456f);
    dispatcher->runPending();
    EXPECT_FLOAT_EQ(delegate.volume, 0.123456f);
    shared.requestChangeEchoCancelNotification(0);
    shared.requestChangeCurrentInputDeviceNotification(AudioDeviceInfo{"mic", "Mic", AUDIO_DEVICE_TYPE_BUILTIN, 0});
    dispatcher->runPending();
    EXPECT_EQ(delegate.mode, 0);
    EXPECT_EQ(delegate.device.deviceUid, QString("mic"));
    EXPECT_EQ(delegate.calls, (QStringList{"inputList", "outputList", "currentOutput", "inputVolume", "outputVolume",
                                           "echoCancel", "currentInput"}));
    observer.setDelegate(nullptr);
}

TEST(AudioDeviceNotificatorTest, ADispatcherHearsOnlyItsOwnNotificatorAndNothingAfterItIsGone) {
    ScopedManualDispatcher dispatcher;
    AudioDeviceNotificator other;
    RecordingDelegate delegate;
    {
        AudioDeviceNotificatorDispatcher observer(&other);
        observer.setDelegate(&delegate);
        AudioDeviceNotificator::sharedNotificator().requestChangeEchoCancelNotification(1);
        dispatcher->runPending();
        EXPECT_TRUE(delegate.calls.isEmpty());
        other.requestChangeEchoCancelNotification(1);
        dispatcher->runPending();
        EXPECT_EQ(delegate.calls, QStringList{"echoCancel"});
        other.requestChangeEchoCancelNotification(0);
    }
    dispatcher->runPending();  // posted while the dispatcher lived, delivered after
    EXPECT_EQ(delegate.calls, QStringList{"echoCancel"});
    EXPECT_EQ(delegate.mode, 1);
}
