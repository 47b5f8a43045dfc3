#include "conference/SpeakerBtnWindowController.h"

#include <QPixmap>

#include "conference/SpeakerBtnImageView.h"
#include "platform/MainBundle.h"
#include "platform/View.h"
#include "platform/Window.h"

namespace {
constexpr int kSeminarCategory = 1;
}

SpeakerBtnWindowController::SpeakerBtnWindowController(int roomCategory, QObject* parent)
    : QObject(parent), miRoomCategory(roomCategory) {
    window_ = new Window(QRectF(0, 0, kButtonSize, kButtonSize), WindowStyleBorderless);
    window_->setObjectName(QStringLiteral("speakerBtnWindow"));
    mSpeakerBtnImageView = new SpeakerBtnImageView();
    mSpeakerBtnImageView->setOnClick([this] { mouseUp(); });
    windowDidLoad();
}

SpeakerBtnWindowController::~SpeakerBtnWindowController() {
    delete window_.data();
}

QString SpeakerBtnWindowController::imageName(int roomCategory, bool on) {
    if (roomCategory == kSeminarCategory) return on ? QStringLiteral("hand") : QStringLiteral("handstop");
    return on ? QStringLiteral("speaker_on") : QStringLiteral("speaker_off");
}

void SpeakerBtnWindowController::windowDidLoad() {
    const QRectF screen = Window::mainScreenFrame();
    const QRectF visible = Window::mainScreenVisibleFrame();
    const QRectF frame = window_->frame();
    const double x = screen.width() - frame.width() - 50;
    const double y = visible.y() + (miRoomCategory == kSeminarCategory ? 100 : 50);
    window_->setFrame(QRectF(QPointF(x, y), frame.size()), false);
    window_->setLevel(AboveAllWindowLevel);
    window_->setAttribute(Qt::WA_TranslucentBackground);
    window_->setContentView(new View(window_));
    window_->contentView()->setObjectName(QStringLiteral("speakerBtnContent"));
    auto* content = qobject_cast<QWidget*>(window_->contentView());
    mSpeakerBtnImageView->setParent(content);
    mSpeakerBtnImageView->setGeometry(QRect(QPoint(0, 0), frame.size().toSize()));
    mSpeakerBtnImageView->show();
    changeSpeakerStatus(false);
}

void SpeakerBtnWindowController::showWindow() {
    if (window_ != nullptr) window_->makeKeyAndOrderFront();
}

void SpeakerBtnWindowController::close() {
    if (window_ != nullptr) window_->closeWindow();
}

void SpeakerBtnWindowController::changeSpeakerStatus(bool on) {
    if (mSpeakerBtnImageView == nullptr) return;
    mSpeakerBtnImageView->setIsBtnStatus(on);
    shownImage_ = imageName(miRoomCategory, on);
    const auto path = MainBundle::pathForResource(shownImage_, QStringLiteral("png"));
    QPixmap picture = path ? QPixmap(*path) : QPixmap();
    if (!picture.isNull())
        picture = picture.scaled(mSpeakerBtnImageView->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    mSpeakerBtnImageView->setPixmap(picture);
    mSpeakerBtnImageView->setProperty("image", shownImage_);
    mSpeakerBtnImageView->update();
}

bool SpeakerBtnWindowController::getSpeakerBtnStatus() const {
    return mSpeakerBtnImageView != nullptr && mSpeakerBtnImageView->isBtnStatus();
}

void SpeakerBtnWindowController::mouseUp() {
    if (delegate_ != nullptr) delegate_->speakerButtonAction();
}
