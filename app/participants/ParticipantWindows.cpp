#include "participants/ParticipantWindows.h"

ParticipantWindows::ParticipantWindows(std::function<StartViewController*()> controller)
    : controller_(std::move(controller)) {}

ParticipantWindows::~ParticipantWindows() {
    delete listWindow_.data();
    delete clientListWindow_.data();
}

// Beside the conference window (to its right, else to its left), its top
// edge level with the conference window's, when no earlier frame is known.
QRectF ParticipantWindows::defaultFrame(const QRectF& conference, const QRectF& screen) {
    const double width = 260, height = 400, gap = 10;
    double x = conference.right() + gap;
    if (x + width > screen.right()) x = std::max(screen.left(), conference.left() - gap - width);
    const double top = conference.isEmpty() ? screen.bottom() - 80 : conference.bottom();
    return QRectF(x, std::max(screen.top(), top - height), width, height);
}

void ParticipantWindows::launchListWindow() {
    StartViewController* c = controller();
    if (c == nullptr) return;
    const StartViewController::ListLaunch launch = c->listLaunch();
    const QRectF conference = c->window() ? c->window()->frame() : QRectF();
    const QRectF frame =
        launch.frame.isEmpty() ? defaultFrame(conference, Window::mainScreenVisibleFrame()) : launch.frame;
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

QWidget* ParticipantWindows::listWindow() const {
    return listWindow_ ? listWindow_->window() : nullptr;
}
