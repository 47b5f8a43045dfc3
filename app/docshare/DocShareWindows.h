// The document-sharing side of the conference window's feature windows: makes
// the one document-sharing window (or, in webinar rooms, view) on the login's
// manager and model, shows it, tears it down, and reports its closing to the
// conference window.
#pragma once

#include <QPointer>
#include <functional>

#include "conference/StartViewController.h"
#include "docshare/DocShareViewController.h"
#include "docshare/DocShareWindowController.h"

class DocShareManager;

class DocShareWindows : public QObject,
                        public ConferenceFeatureWindows,
                        public DocShareWindowControllerViewAction,
                        public DocShareViewControllerViewAction {
    Q_OBJECT

public:
    // `controller` answers the conference window (set after it is made).
    explicit DocShareWindows(std::function<StartViewController*()> controller);
    ~DocShareWindows() override;

    // The web view of the windows made from now on (tests give a stand-in).
    void setWebPageViewFactory(WebPageViewFactory factory) { webFactory_ = std::move(factory); }
    DocShareWindowController* windowController() const { return window_; }
    DocShareViewController* viewController() const { return view_; }

    // ConferenceFeatureWindows
    void startDocShare() override;
    bool isDocShareWindowOpen() const override { return window_ != nullptr || view_ != nullptr; }
    QWidget* docShareWindow() const override;
    void launchDocShareWindow(const DocShareLaunch& launch, bool startedHere) override;
    void stopDocShareWindow() override;

    // DocShareWindowControllerViewAction
    void onCloseDocShareWindow() override;
    // DocShareViewControllerViewAction
    void setWindowResizeBtnStatus(bool resizable) override;

private:
    DocShareManager* manager() const;

    std::function<StartViewController*()> controller_;
    WebPageViewFactory webFactory_;
    QPointer<DocShareWindowController> window_;
    QPointer<DocShareViewController> view_;
};
