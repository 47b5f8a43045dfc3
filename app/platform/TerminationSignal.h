// The desktop session's request to end the program (SIGTERM, SIGINT,
// SIGHUP), delivered on the main thread like a Quit command, so the program
// ends through its own leaving path instead of being cut off.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

class TerminationSignal : public QObject {
    Q_OBJECT

public:
    // Installs the handlers once per process; `handler` runs on the main thread.
    static bool install(std::function<void()> handler, QObject* parent);

private:
    TerminationSignal(int readFd, std::function<void()> handler, QObject* parent);
    QSocketNotifier* notifier_;
    std::function<void()> handler_;
};
