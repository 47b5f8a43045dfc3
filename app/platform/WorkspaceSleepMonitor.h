// The workspace's will-sleep and did-wake notifications: logind's
// PrepareForSleep signal on the system bus (true before the system sleeps,
// false after it woke up).
#pragma once

#include <QObject>
#include <functional>

class WorkspaceSleepMonitor : public QObject {
    Q_OBJECT

public:
    explicit WorkspaceSleepMonitor(QObject* parent = nullptr);
    ~WorkspaceSleepMonitor() override;

    // Starts observing; false when there is no system bus to observe.
    bool start(std::function<void()> willSleep, std::function<void()> didWake);
    void stop();

private slots:
    void prepareForSleep(bool sleeping);

private:
    std::function<void()> willSleep_, didWake_;
    bool observing_ = false;
};
