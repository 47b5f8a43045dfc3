#include "participants/ParticipantWindows.h"

ParticipantWindows::ParticipantWindows(std::function<StartViewController*()> controller)
    : controller_(std::move(controller)) {}

ParticipantWindows::~ParticipantWindows() {
    delete listWindow_.data();
    delete clientListWindow_.data();
}

// Beside the conference window's usual place, when no earlier frame is known.
QRectF ParticipantWindows::defaultFrame() {
    const QRectF screen = Window::mainScreenVisibleFrame();
    const double height = 400;
    return QRectF(screen.x() + 40, screen.y() + std::max(0.0, screen.height() - height - 80), 260, height);
}

void ParticipantWindows::launchListWindow() {
    StartViewController* c = controller();
    if (c == nullptr) return;
    const StartViewController::ListLaunch launch = c->listLaunch();
    const QRectF frame = launch.frame.isEmpty() ? defaultFrame() : launch.frame;
    if (launch.isWebinar) {
        if (!clientListWindow_) {
            clientListWindow_ = new ClientListWindowController(frame, launch.myInfo, launch.ownerId,
                                                               launch.roomCategory, launch.captainFree, true);
            clientListWindow_->setClientListDelegate(this);
            clientListWindow_->setListArray(launch.clientList, launch.speakerList, launch.reserveList);
        }
        clientListWindow_->window()->makeKeyAndOrderFront();
        return;
    }
    if (!listWindow_) {
        listWindow_ = new ListWindow(frame);
        listWindow_->makeListView(launch.myInfo, launch.ownerId, launch.roomCategory, launch.captainFree,
                                  false);
        listWindow_->setListDelegate(this);
        if (launch.roomCategory == ROOM_CATEGORY_SEMINAR) {
            listWindow_->setListArray(launch.clientList);
        } else {
            listWindow_->setListArray(
                std::vector<UserInfoRef>(launch.speakerList.begin(), launch.speakerList.end()));
        }
    }
    listWindow_->window()->makeKeyAndOrderFront();
}

void ParticipantWindows::closeListWindows() {
    if (listWindow_ && listWindow_->window()) listWindow_->window()->closeWindow();
    if (clientListWindow_ && clientListWindow_->window()) clientListWindow_->window()->closeWindow();
}

Menu* ParticipantWindows::makePopupClientMenu(const UserInfoRef& user) {
    StartViewController* c = controller();
    return c ? c->makePopupClientMenu(user) : nullptr;
}

Menu* ParticipantWindows::makePopupSpeakerMenu(const UserInfoRef& user) {
    StartViewController* c = controller();
    return c ? c->makePopupSpeakerMenu(user) : nullptr;
}

Menu* ParticipantWindows::makePopupReserverMenu(const UserInfoRef& user) {
    StartViewController* c = controller();
    return c ? c->makePopupReserverMenu(user) : nullptr;
}

void ParticipantWindows::closeListWindow(const QRectF& frame) {
    if (StartViewController* c = controller()) c->closeListWindow(frame);
    // The window is in its close report: let it go afterwards.
    if (listWindow_ && listWindow_->isClosing()) {
        listWindow_->setListDelegate(nullptr);
        listWindow_->deleteLater();
        listWindow_ = nullptr;
    }
    if (clientListWindow_ && clientListWindow_->isClosing()) {
        clientListWindow_->setClientListDelegate(nullptr);
        clientListWindow_->deleteLater();
        clientListWindow_ = nullptr;
    }
}

void ParticipantWindows::endSpeech(const SpeakerInfoRef& speaker) {
    if (StartViewController* c = controller()) c->endSpeech(speaker);
}

void ParticipantWindows::changeReserveState(bool permit, const UserInfoRef& user) {
    if (StartViewController* c = controller()) c->changeReserveStateUserInfo(permit, user);
}
