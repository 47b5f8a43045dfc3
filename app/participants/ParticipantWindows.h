// The participant side of the conference window's feature windows: opens the
// list window of the room (the webinar window in a webinar, the plain list
// elsewhere) with the lists of the moment, keeps at most one of each, brings
// an open one to the front, and passes the windows' requests and close
// reports to the conference window.
#pragma once

#include <QPointer>
#include <functional>

#include "conference/StartViewController.h"
#include "participants/ClientListWindowController.h"
#include "participants/ListWindow.h"

class ParticipantWindows : public ConferenceFeatureWindows,
                           public ListWindowDelegate,
                           public ClientListWindowDelegate {
public:
    // `controller` answers the conference window (set after it is made).
    explicit ParticipantWindows(std::function<StartViewController*()> controller);
    ~ParticipantWindows() override;

    // ConferenceFeatureWindows
    void launchListWindow() override;
    void closeListWindows() override;

    // Where a list window opens without an earlier frame (bottom-up screen coordinates).
    static QRectF defaultFrame(const QRectF& conferenceFrame, const QRectF& visibleScreen);

    ListWindow* listWindowController() const { return listWindow_; }
    // The list window itself, for its saved frame.
    QWidget* listWindow() const override;
    ClientListWindowController* clientListWindow() const { return clientListWindow_; }

    // ListWindowDelegate, ClientListWindowDelegate
    Menu* makePopupClientMenu(const UserInfoRef& user) override;
    Menu* makePopupSpeakerMenu(const UserInfoRef& user) override;
    Menu* makePopupReserverMenu(const UserInfoRef& user) override;
    void closeListWindow(const QRectF& frame) override;
    void endSpeech(const SpeakerInfoRef& speaker) override;
    void changeReserveState(bool permit, const UserInfoRef& user) override;

private:
    StartViewController* controller() const { return controller_ ? controller_() : nullptr; }

    std::function<StartViewController*()> controller_;
    QPointer<ListWindow> listWindow_;
    QPointer<ClientListWindowController> clientListWindow_;
};
