// The desktop session's request to end the program (SIGTERM, SIGINT,
// SIGHUP), delivered on the main thread like a Quit command, so the program
// ends through its own leaving path instead of being cut off. One object at a
// time holds the signals; its destruction gives them back to the default.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

class TerminationSignal : public QObject {
    Q_OBJECT

public:
    // The handler runs on the main thread; none when another object holds the signals.
    static std::unique_ptr<TerminationSignal> install(std::function<void()> handler);
    ~TerminationSignal() override;

private:
    TerminationSignal(int readFd, int writeFd, std::function<void()> handler);
    int readFd_, writeFd_;
    QSocketNotifier* notifier_;
    std::function<void()> handler_;
};
