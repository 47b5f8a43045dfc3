#include "platform/Window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "platform/View.h"
#include "platform/X11WindowHints.h"

namespace {

QRectF flipScreenRect(const QRectF& rect) { return ViewGeometry::flipRect(rect, Window::screenHeight()); }

}  // namespace

Window::Window(const QRectF& contentRect, unsigned styleMask, QWidget* parent)
    : QWidget(parent, Qt::Window), styleMask_(styleMask) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    contentView_ = new View(this);
    layout->addWidget(contentView_);
    applyFlags();
    setFrame(contentRect, false);
}

Window::~Window() {
    if (sheetParent_ != nullptr && sheetParent_->attachedSheet_ == this) {
        sheetParent_->attachedSheet_ = nullptr;
    }
}

QSizeF Window::constrainSize(QSizeF proposed, QSizeF minSize, QSizeF maxSize, QSizeF aspect) {
    double width = proposed.width();
    double height = proposed.height();
    if (aspect.width() > 0 && aspect.height() > 0) {
        height = width * aspect.height() / aspect.width();
    }
    width = std::max(width, minSize.width());
    height = std::max(height, minSize.height());
    if (maxSize.width() > 0) {
        width = std::min(width, maxSize.width());
    }
    if (maxSize.height() > 0) {
        height = std::min(height, maxSize.height());
    }
    return QSizeF(width, height);
}

double Window::screenHeight() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().height() : 0;
}

QRectF Window::mainScreenFrame() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? flipScreenRect(QRectF(screen->geometry())) : QRectF();
}

QRectF Window::mainScreenVisibleFrame() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? flipScreenRect(QRectF(screen->availableGeometry())) : QRectF();
}

void Window::setFrame(const QRectF& frame, bool display) {
    const QRectF topDown = flipScreenRect(frame);
    // A frame set by the code is taken as it is; the aspect ratio holds for
    // the user's resizes.
    const bool wasConstraining = constraining_;
    constraining_ = true;
    setGeometry(QRect(int(std::lround(topDown.x())), int(std::lround(topDown.y())),
                      int(std::lround(frame.width())), int(std::lround(frame.height()))));
    constraining_ = wasConstraining;
    // Qt rewrote the size hints: the aspect goes back in.
    if (!aspect_.isEmpty()) X11WindowHints::setAspectRatio(this, aspect_);
    if (display && isVisible()) {
        update();
    }
}

QRectF Window::frame() const { return flipScreenRect(QRectF(geometry())); }

void Window::setFrameOrigin(QPointF origin) { setFrame(QRectF(origin, frame().size()), false); }

void Window::center() {
    const QRectF screen = mainScreenFrame();
    setFrameOrigin(ViewGeometry::centeredOrigin(screen, frame().size()));
}

void Window::setContentView(View* view) {
    if (view == contentView_) {
        return;
    }
    delete layout()->replaceWidget(contentView_, view);  // the layout hands the old item back
    contentView_->deleteLater();
    contentView_ = view;
    view->show();
}

void Window::setStyleMask(unsigned styleMask) {
    styleMask_ = styleMask;
    applyFlags();
}

void Window::setMinSize(QSizeF size) {
    minSize_ = size;
    setMinimumSize(int(std::ceil(size.width())), int(std::ceil(size.height())));
    if (!aspect_.isEmpty()) X11WindowHints::setAspectRatio(this, aspect_);
}

void Window::setMaxSize(QSizeF size) {
    maxSize_ = size;
    setMaximumSize(size.width() > 0 ? int(size.width()) : QWIDGETSIZE_MAX,
                   size.height() > 0 ? int(size.height()) : QWIDGETSIZE_MAX);
    if (!aspect_.isEmpty()) X11WindowHints::setAspectRatio(this, aspect_);
}

void Window::setContentAspectRatio(QSizeF aspect) {
    aspect_ = aspect;
    // The window manager keeps the user's resizes to it as well.
    X11WindowHints::setAspectRatio(this, aspect_);
}

void Window::setLevel(int level) {
    level_ = level;
    applyFlags();
}

void Window::applyFlags() {
    const bool wasVisible = isVisible();
    Qt::WindowFlags flags = Qt::Window;
    if ((styleMask_ & WindowStyleTitled) == 0) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::WindowTitleHint;
        if (styleMask_ & WindowStyleClosable) {
            flags |= Qt::WindowCloseButtonHint;
        }
        if (styleMask_ & WindowStyleMiniaturizable) {
            flags |= Qt::WindowMinimizeButtonHint;
        }
        if (styleMask_ & WindowStyleResizable) {
            flags |= Qt::WindowMaximizeButtonHint;
        }
    }
    if (level_ > NormalWindowLevel) {
        flags |= Qt::WindowStaysOnTopHint;
    }
    if (sheetParent_ != nullptr) {
        flags |= Qt::Sheet;
    }
    setWindowFlags(flags);
    if (wasVisible) {
        show();
    }
}

void Window::makeKeyAndOrderFront() {
    show();
    raise();
    activateWindow();
}

void Window::orderFrontRegardless() {
    show();
    raise();
}

void Window::orderOut() { hide(); }

void Window::performClose() {
    if (delegate_ != nullptr && !delegate_->windowShouldClose(this)) {
        return;
    }
    closeWindow();
}

void Window::closeWindow() {
    reportClose();
    hide();
    if (releasedWhenClosed_) {
        deleteLater();
    }
}

void Window::reportClose() {
    if (closeReported_) {
        return;
    }
    closeReported_ = true;
    if (attachedSheet_ != nullptr) {
        endSheet(attachedSheet_, ModalResponseCancel);
    }
    if (delegate_ != nullptr) {
        delegate_->windowWillClose(this);
    }
}

void Window::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    closeReported_ = false;  // a new opening gets its own close report
    // Qt writes the size hints once more as it maps the window, after this.
    if (!aspect_.isEmpty())
        QMetaObject::invokeMethod(
            this, [this] { X11WindowHints::setAspectRatio(this, aspect_); }, Qt::QueuedConnection);
}

void Window::closeEvent(QCloseEvent* event) {
    // The title-bar button or the window manager.
    if (!closeReported_ && delegate_ != nullptr && !delegate_->windowShouldClose(this)) {
        event->ignore();
        return;
    }
    event->accept();
    reportClose();
    if (releasedWhenClosed_) {
        deleteLater();
    }
}

void Window::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!constraining_ && aspect_.width() > 0 && aspect_.height() > 0) {
        const QSizeF wanted = constrainSize(QSizeF(size()), minSize_, maxSize_, aspect_);
        const QSize rounded(int(std::lround(wanted.width())), int(std::lround(wanted.height())));
        if (rounded != size()) {
            constraining_ = true;
            resize(rounded);
            constraining_ = false;
            return;
        }
    }
    if (!constraining_ && delegate_ != nullptr) {
        const QSizeF wanted = delegate_->windowWillResize(this, QSizeF(size()));
        const QSize rounded(int(std::ceil(wanted.width())), int(std::ceil(wanted.height())));
        if (rounded != size()) {
            constraining_ = true;
            resize(rounded);
            constraining_ = false;
            return;
        }
    }
    if (delegate_ != nullptr) {
        delegate_->windowDidResize(this);
    }
}

void Window::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (delegate_ != nullptr) {
        delegate_->windowDidMove(this);
    }
}

void Window::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (delegate_ == nullptr) {
        return;
    }
    if (event->type() == QEvent::WindowStateChange) {
        auto* change = static_cast<QWindowStateChangeEvent*>(event);
        const bool was = change->oldState() & Qt::WindowMinimized;
        const bool is = windowState() & Qt::WindowMinimized;
        if (!was && is) {
            delegate_->windowDidMiniaturize(this);
        } else if (was && !is) {
            delegate_->windowDidDeminiaturize(this);
        }
    } else if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) {
            delegate_->windowDidBecomeKey(this);
        } else {
            delegate_->windowDidResignKey(this);
        }
    }
}

void Window::beginSheet(Window* sheet, std::function<void(int)> completion) {
    if (sheet == nullptr || attachedSheet_ != nullptr) {
        return;
    }
    attachedSheet_ = sheet;
    sheetCompletion_ = std::move(completion);
    sheet->sheetParent_ = this;
    sheet->setParent(this, Qt::Window | Qt::Sheet | Qt::FramelessWindowHint);
    sheet->setWindowModality(Qt::WindowModal);
    // Hangs from the top edge of this window, centred.
    const QRectF parentFrame = frame();
    const QSizeF size = sheet->frame().size();
    sheet->setFrame(QRectF(parentFrame.x() + (parentFrame.width() - size.width()) / 2,
                           parentFrame.y() + parentFrame.height() - size.height(), size.width(), size.height()),
                    false);
    sheet->show();
    sheet->raise();
}

void Window::endSheet(Window* sheet, int returnCode) {
    if (sheet == nullptr || sheet != attachedSheet_) {
        return;
    }
    attachedSheet_ = nullptr;
    auto completion = std::move(sheetCompletion_);
    sheetCompletion_ = nullptr;
    sheet->hide();
    if (completion) {
        completion(returnCode);
    }
    if (delegate_ != nullptr) {
        delegate_->windowDidEndSheet(this);
    }
}
