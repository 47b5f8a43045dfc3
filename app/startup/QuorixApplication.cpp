#include "startup/QuorixApplication.h"

#include <QApplication>
#include <QLayout>
#include <QMenuBar>
#include <QTimer>

#include "conference/StartViewController.h"
#include "platform/TerminationSignal.h"
#include "startup/AppDelegate.h"
#include "startup/ClientFeatureWindows.h"
#include "startup/ClientFeatures.h"

QuorixApplication::QuorixApplication(const QStringList& arguments)
    : startEvent_(URLEventReceiver::eventFromArguments(arguments)) {}

QuorixApplication::~QuorixApplication() {
    willTerminate();
    terminationSignal_.reset();
    controller_.reset();
    receiver_.reset();
    delegate_.reset();
}

bool QuorixApplication::handOffToRunningInstance() {
    return URLEventReceiver::sendToRunningInstance(startEvent_);
}

void QuorixApplication::start() {
    delegate_ = std::make_unique<AppDelegate>();
    delegate_->applicationWillFinishLaunching();
    receiver_ = std::make_unique<URLEventReceiver>();
    AppDelegate* delegate = delegate_.get();
    receiver_->listen([delegate](const URLEventReceiver::Event& e) {
        if (e.reopen) {
            delegate->applicationShouldHandleReopen();
        } else {
            delegate->handleURLEvent(e.link);
        }
    });

    StartViewController::Services services;
    services.makeLoginManager = [] { return std::make_unique<LoginManager>(ClientFeatures::make()); };
    auto windows = std::make_unique<ClientFeatureWindows>();
    ClientFeatureWindows* featureWindows = windows.get();
    services.windows = std::move(windows);
    controller_ = std::make_unique<StartViewController>(std::move(services));
    featureWindows->setController(controller_.get());
    delegate->setPreferencesAction([featureWindows] { featureWindows->launchSettingWindow(); });
    controller_->viewDidLoad();
    Window* window = controller_->window();
    window->layout()->setMenuBar(delegate->makeMainMenu(window));
    window->show();
    controller_->viewDidAppear();
    delegate->applicationDidFinishLaunching();

    QApplication::setQuitOnLastWindowClosed(delegate->applicationShouldTerminateAfterLastWindowClosed());
    // The session ending the program: leave as the window's close does (a
    // conference is logged out and its recordings finished), then quit.
    terminationSignal_ = TerminationSignal::install([this] {
        if (Window* w = controller_->window()) w->closeWindow();
        QCoreApplication::quit();
    });
    if (startEvent_.link)
        QTimer::singleShot(0, delegate,
                           [delegate, link = startEvent_.link] { delegate->handleURLEvent(link); });
}

void QuorixApplication::willTerminate() {
    if (terminated_ || !delegate_) return;
    terminated_ = true;
    delegate_->applicationWillTerminate();
}

int QuorixApplication::exitStatus() const {
    return controller_ ? controller_->exitStatus() : 0;
}
