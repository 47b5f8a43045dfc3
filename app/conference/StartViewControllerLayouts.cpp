// Saved window layouts: the frame a window takes from the start-up layout of
// the room's kind, and the capture of the current arrangement for a new
// layout (the settings window stores it).

#include "conference/StartViewController.h"
#include "platform/UserDefaults.h"

QRectF StartViewController::checkSavedWindowSize(const QString& rectKey) const {
    if (!mLoginManager) return QRectF();
    SaveLayoutInfo::Room room;
    room.confDict = mLoginManager->configDataDict();
    room.roomCategory = mLoginManager->iRoomCategory();
    room.myUserId = mLoginManager->myInfo() ? mLoginManager->myInfo()->userId() : QString();
    const int maxParticipants = mLoginManager->iMaxParticipant();
    const bool isWebinar = mLoginManager->isWebinar();
    // While the view is being built there is no header yet: it adds nothing.
    const auto minimum = [&] {
        return calcMinWindowSize(room.roomCategory, maxParticipants, isWebinar, 0, 0, 0,
                                 services_.calcMainViewSize);
    };
    return SaveLayoutInfo::savedFrame(rectKey, room, UserDefaults::standard(), minimum);
}

SaveLayoutInfo StartViewController::getSaveLayoutInfo(const QString& title) const {
    const auto frameOf = [](QWidget* w) {
        auto* window = qobject_cast<Window*>(w);
        if (window == nullptr || !window->isVisible()) return QRectF();
        return window->frame();
    };
    const QRectF main = window_ ? window_->frame() : QRectF();
    return SaveLayoutInfo(title, main, frameOf(services_.windows->listWindow()),
                          frameOf(services_.windows->textBoxWindow()),
                          frameOf(services_.windows->docShareWindow()), QRectF());
}
