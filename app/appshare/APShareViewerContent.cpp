#include "appshare/APShareViewerContent.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "appshare/APShareModel.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"

namespace {

QIcon imageIcon(const QString& name) {
    const auto path = MainBundle::pathForResource(name, QStringLiteral("png"));
    return path ? QIcon(*path) : QIcon();
}

}  // namespace

APShareViewerContent::APShareViewerContent(QWidget* host, bool isWebinar, int barHeight)
    : QObject(host), host_(host), barHeight_(barHeight) {
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    bar_ = new QWidget(host);
    bar_->setObjectName(QStringLiteral("APShareWindow_toolbar"));
    bar_->setFixedHeight(barHeight);
    bar_->setAutoFillBackground(true);
    auto* barLayout = new QHBoxLayout(bar_);
    barLayout->setContentsMargins(10, 2, 10, 2);
    barLayout->setSpacing(5);
    toolBtnFrameFit_ =
        makeButton("frame_fit", "fitwindow", LocalizedString("dfAPSHARE_FIT_WINDOWFRAME"), false);
    toolBtnFullWindow_ =
        makeButton("fullwindow_display", "fullwindow", LocalizedString("dfAPSHARE_DISPLAY_ALL_WINDOW"), true);
    toolBtnScaring_ = new QComboBox(bar_);
    toolBtnScaring_->setObjectName(QStringLiteral("scaling"));
    toolBtnScaring_->setToolTip(LocalizedString("dfAPSHARE_SCALING"));
    toolBtnScaring_->setFocusPolicy(Qt::NoFocus);
    for (int scale : kScales) toolBtnScaring_->addItem(QStringLiteral("%1%").arg(scale));
    toolBtnScaring_->setCurrentText(QStringLiteral("100%"));
    QObject::connect(toolBtnScaring_, &QComboBox::activated, this,
                     [this](int) { didToolButtonClick(toolBtnScaring_); });
    toolBtnOperation_ = makeButton("operation_req_and_release", "control_req",
                                   LocalizedString("dfAPSHARE_ORERATION_REQUEST"), false);
    barLayout->addWidget(toolBtnFrameFit_);
    barLayout->addWidget(toolBtnFullWindow_);
    barLayout->addWidget(toolBtnScaring_);
    barLayout->addStretch(1);
    barLayout->addWidget(toolBtnOperation_);
    layout->addWidget(bar_);

    scrollArea_ = new QScrollArea(host);
    scrollArea_->setObjectName(QStringLiteral("apShareScrollView"));
    scrollArea_->setWidgetResizable(false);
    scrollArea_->setAlignment(Qt::AlignCenter);
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette palette = scrollArea_->palette();
    palette.setColor(QPalette::Window, Qt::black);
    scrollArea_->setPalette(palette);
    scrollArea_->setBackgroundRole(QPalette::Window);
    scrollArea_->viewport()->setAutoFillBackground(true);
    imageView_ = new APShareImageView(isWebinar);
    imageView_->setDelegate(this);
    scrollArea_->setWidget(imageView_);
    imageView_->setFitReference(scrollArea_->viewport());
    layout->addWidget(scrollArea_, 1);

    imageView_->installEventFilter(this);
    scrollArea_->installEventFilter(this);
    scrollArea_->viewport()->installEventFilter(this);
    host->installEventFilter(this);
}

APShareViewerContent::~APShareViewerContent() {
    imageView_->setDelegate(nullptr);
}

QToolButton* APShareViewerContent::makeButton(const char* identifier, const char* image,
                                              const QString& toolTip, bool checkable) {
    auto* button = new QToolButton(bar_);
    button->setObjectName(QString::fromLatin1(identifier));
    button->setIcon(imageIcon(QString::fromLatin1(image)));
    const int side = barHeight_ - 8;
    button->setIconSize(QSize(side * 3 / 4, side * 2 / 3));
    button->setFixedSize(side, side);
    button->setToolTip(toolTip);
    button->setCheckable(checkable);
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::NoFocus);
    QObject::connect(button, &QToolButton::clicked, this, [this, button] { didToolButtonClick(button); });
    return button;
}

void APShareViewerContent::didToolButtonClick(QWidget* control) {
    // The scale pop-up shows the last chosen scale as its title (QComboBox does).
    if (delegate_) delegate_->checkIdentifier(control);
}

void APShareViewerContent::setShare(int desktop, QSizeF screenSize, const QRectF& appRect) {
    mScreenSize_ = screenSize;
    mAppRect_ = appRect;
    mType_ = desktop;
}

bool APShareViewerContent::startImage(float expansion) {
    mfExpansionRate_ = expansion;
    return imageView_->startDrawing(mScreenSize_, APShareModel::ConvertToImgaeRect(mScreenSize_, mAppRect_),
                                    expansion);
}

void APShareViewerContent::scrollTo(double x, double y) {
    scrollArea_->horizontalScrollBar()->setValue(qRound(x));
    scrollArea_->verticalScrollBar()->setValue(qRound(y));
}

void APShareViewerContent::setImageExpansion(float expansion) {
    mfExpansionRate_ = expansion;
    imageView_->setImageExpansion(expansion);
}

void APShareViewerContent::changeScrollEnable(bool enabled) {
    imageView_->setWheelEnabled(enabled);
}

void APShareViewerContent::changeCursorType(const QCursor& cursor) {
    scrollArea_->viewport()->setCursor(cursor);
}

void APShareViewerContent::changeMenuBtnStatus(const QString& identifier, bool enabled) {
    if (auto* control = bar_->findChild<QWidget*>(identifier)) control->setEnabled(enabled);
}

void APShareViewerContent::changeMenuBtnCheckStatus(const QString& identifier, int state) {
    if (identifier == toolBtnFullWindow_->objectName()) toolBtnFullWindow_->setChecked(state != 0);
}

void APShareViewerContent::changeMenuBtnImgStatus(const QString& identifier, const QString& imageName,
                                                  bool enabled) {
    if (identifier != toolBtnOperation_->objectName()) return;
    toolBtnOperation_->setIcon(imageIcon(imageName));
    toolBtnOperation_->setEnabled(enabled);
    toolBtnOperation_->setToolTip(imageName == u"control_req"
                                      ? LocalizedString("dfAPSHARE_ORERATION_REQUEST")
                                      : LocalizedString("dfAPSHARE_ORERATION_RELEASE"));
}

void APShareViewerContent::reportMouse(const APShareViewerMouseEvent& event) {
    if (delegate_)
        delegate_->onMouseButtonEvent(event, mfExpansionRate_, event.location, QSizeF(imageView_->size()));
}

void APShareViewerContent::onScroll(const APShareViewerWheelEvent& event) {
    if (delegate_) delegate_->onMouseScrollEvent(event);
}

void APShareViewerContent::onMouseEntered() {
    if (delegate_) delegate_->onMouseEnteredEvent();
}

bool APShareViewerContent::handleKeyEvent(QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    const auto key = keyAdapter_.translate(*static_cast<QKeyEvent*>(event));
    if (key && delegate_) {
        switch (key->type) {
            case KeyEvent::KeyDown:
                delegate_->onKeyDown(*key);
                break;
            case KeyEvent::KeyUp:
                delegate_->onKeyUp(*key);
                break;
            case KeyEvent::FlagsChanged:
                delegate_->onModifierKeyEvent(*key);
                break;
        }
    }
    return true;
}

bool APShareViewerContent::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        return handleKeyEvent(event);
    // In the fitted mode the view follows the visible area's size.
    if (event->type() == QEvent::Resize && watched == scrollArea_->viewport() &&
        imageView_->mode() == APShareImageView::kModeFitted && imageView_->isStarted())
        imageView_->setImageSize();
    return QObject::eventFilter(watched, event);
}
