// The running program: the application delegate, the conference window and
// the receiver of launch links, wired together. `main` builds one; a start
// while another instance runs only hands its link over.
#pragma once

#include <QStringList>
#include <memory>

#include "platform/URLEventReceiver.h"

class AppDelegate;
class TerminationSignal;
class StartViewController;

class QuorixApplication {
public:
    explicit QuorixApplication(const QStringList& arguments);
    ~QuorixApplication();

    // True when a running instance took this start's link (or reopen).
    bool handOffToRunningInstance();
    // Becomes the running instance: builds the window, opens this start's link.
    void start();
    // Called once before the event loop ends.
    void willTerminate();

    AppDelegate* delegate() const { return delegate_.get(); }
    StartViewController* controller() const { return controller_.get(); }
    // 0, or 1 when the program ends after a failed join.
    int exitStatus() const;

private:
    URLEventReceiver::Event startEvent_;
    std::unique_ptr<AppDelegate> delegate_;
    std::unique_ptr<URLEventReceiver> receiver_;
    std::unique_ptr<StartViewController> controller_;
    std::unique_ptr<TerminationSignal> terminationSignal_;
    bool terminated_ = false;
};
