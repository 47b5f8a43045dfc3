#include "docshare/DocShareWindows.h"

#include "docshare/DocShareManager.h"
#include "docshare/WebEnginePageView.h"

DocShareWindows::DocShareWindows(std::function<StartViewController*()> controller)
    : controller_(std::move(controller)), webFactory_(WebEnginePageView::factory()) {}

DocShareWindows::~DocShareWindows() {
    if (window_) {
        window_->setViewAction(nullptr);
        delete window_.data();
    }
    delete view_.data();
}

DocShareManager* DocShareWindows::manager() const {
    StartViewController* c = controller_ ? controller_() : nullptr;
    LoginManager* login = c ? c->loginManager() : nullptr;
    return login ? dynamic_cast<DocShareManager*>(login->docShareManager()) : nullptr;
}

void DocShareWindows::startDocShare() {
    StartViewController* c = controller_ ? controller_() : nullptr;
    if (LoginManager* login = c ? c->loginManager() : nullptr) login->startDocShare();
}

QWidget* DocShareWindows::docShareWindow() const {
    return window_ ? window_->window() : nullptr;
}

void DocShareWindows::launchDocShareWindow(const DocShareLaunch& launch, bool startedHere) {
    DocShareManager* m = manager();
    if (!m) return;
    if (startedHere && window_) window_->startDocShare();
    if (!window_ && !view_) {
        DocShareParams params;
        params.rect = launch.frame;
        params.loginUrl = launch.loginUrl;
        params.defaultUrl = launch.defaultUrl;
        params.hostUrl = launch.hostUrl;
        params.roomCategory = launch.roomCategory;
        params.dsData = &m->dsData();
        params.maxUploadSize = launch.maxUploadSize;
        params.isEnabledSave = launch.isEnabledSave;
        params.isEnabledPrint = launch.isEnabledPrint;
        params.isWebinar = true;
        params.makeWebPageView = webFactory_;
        params.delegate = m;
        if (launch.isWebinar) {
            view_ = new DocShareViewController(params);
            view_->setDelegate(m);
            view_->setViewAction(this);
            // The webinar layout has no place for the view yet: it is made
            // and kept, and shows nothing.
        } else {
            window_ = new DocShareWindowController(params);
            window_->setDelegate(m);
            window_->setViewAction(this);
            // A seminar's listener cannot close the window while another operates.
            if (launch.roomCategory == 1 && !m->dsData().hasOperationRight())
                window_->window()->setStyleMask(window_->window()->styleMask() & ~WindowStyleClosable);
        }
    }
    if (window_) window_->showWindow();
    if (launch.isWebinar && startedHere && view_) view_->startDocShare();
}

void DocShareWindows::stopDocShareWindow() {
    if (view_) {
        view_->closeAction();
        view_->deleteLater();
        view_ = nullptr;
    }
    if (window_) window_->close();
}

void DocShareWindows::onCloseDocShareWindow() {
    QRectF frame;
    if (window_) {
        frame = window_->window()->frame();
        window_->setViewAction(nullptr);
        window_->deleteLater();
        window_ = nullptr;
    }
    if (view_) {
        view_->closeAction();
        view_->deleteLater();
        view_ = nullptr;
    }
    if (StartViewController* c = controller_ ? controller_() : nullptr) c->onCloseDocShareWindow(frame);
}

void DocShareWindows::setWindowResizeBtnStatus(bool resizable) {
    StartViewController* c = controller_ ? controller_() : nullptr;
    if (!c || !c->window()) return;
    Window* w = c->window();
    w->setStyleMask(resizable ? (w->styleMask() | WindowStyleResizable)
                              : (w->styleMask() & ~WindowStyleResizable));
}
