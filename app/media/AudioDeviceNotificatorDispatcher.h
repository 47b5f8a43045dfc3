#pragma once

// Observes the notifications of one `AudioDeviceNotificator` (and of no
// other sender) and calls its delegate for each. Notifications arrive on the
// main queue, so the delegate is called on the main thread. Destruction ends
// the observation; whoever set the delegate clears it before it goes away.

#include <cstdint>

#include "media/AudioDeviceInfo.h"

class AudioDeviceNotificator;
class AudioDeviceNotificatorDispatcher;
struct Notification;

class AudioDeviceNotificatorDispatcherDelegate {
public:
    virtual ~AudioDeviceNotificatorDispatcherDelegate() = default;
    virtual void didChangeInputDeviceList(AudioDeviceNotificatorDispatcher*, const AudioDeviceInfoList&, int) {}
    virtual void didChangeOutputDeviceList(AudioDeviceNotificatorDispatcher*, const AudioDeviceInfoList&, int) {}
    virtual void didChangeCurrentInputDevice(AudioDeviceNotificatorDispatcher*, const AudioDeviceInfo&) {}
    virtual void didChangeCurrentOutputDevice(AudioDeviceNotificatorDispatcher*, const AudioDeviceInfo&) {}
    virtual void didChangeInputVolume(AudioDeviceNotificatorDispatcher*, float) {}
    virtual void didChangeOutputVolume(AudioDeviceNotificatorDispatcher*, float) {}
    virtual void didChangeEchoCancelMode(AudioDeviceNotificatorDispatcher*, std::int64_t) {}
};

class AudioDeviceNotificatorDispatcher {
public:
    explicit AudioDeviceNotificatorDispatcher(AudioDeviceNotificator* notificator);
    ~AudioDeviceNotificatorDispatcher();
    AudioDeviceNotificatorDispatcher(const AudioDeviceNotificatorDispatcher&) = delete;
    AudioDeviceNotificatorDispatcher& operator=(const AudioDeviceNotificatorDispatcher&) = delete;

    void setDelegate(AudioDeviceNotificatorDispatcherDelegate* delegate) { delegate_ = delegate; }
    AudioDeviceNotificatorDispatcherDelegate* delegate() const { return delegate_; }
    AudioDeviceNotificator* notificator() const { return notificator_; }

private:
    void updateInputDeviceList(const Notification& n);
    void updateOutputDeviceList(const Notification& n);
    void updateCurrentInputDevice(const Notification& n);
    void updateCurrentOutputDevice(const Notification& n);
    void updateInputVolume(const Notification& n);
    void updateOutputVolume(const Notification& n);
    void updateEchoCancelMode(const Notification& n);

    AudioDeviceNotificator* notificator_;
    AudioDeviceNotificatorDispatcherDelegate* delegate_ = nullptr;
};
