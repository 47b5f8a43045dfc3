#pragma once

// A top-level window with its frame in bottom-up screen coordinates (origin
// at the lower left of the main screen), a content view, minimum and maximum
// sizes, a content aspect ratio, a level, a delegate and window-modal sheets.
// The frame is the content rectangle: title bar and borders belong to the
// window manager.

#include <QRectF>
#include <QSizeF>
#include <QWidget>
#include <functional>

class View;
class Window;

// Window levels: normal windows, floating panels and windows above all others.
enum WindowLevel : int {
    NormalWindowLevel = 0,
    FloatingWindowLevel = 3,
    AboveAllWindowLevel = 1000,
};

enum WindowStyleMask : unsigned {
    WindowStyleBorderless = 0,
    WindowStyleTitled = 1,
    WindowStyleClosable = 2,
    WindowStyleMiniaturizable = 4,
    WindowStyleResizable = 8,
};

// The answers a sheet ends with.
enum ModalResponse : int {
    ModalResponseCancel = 0,
    ModalResponseOK = 1,
    AlertFirstButtonReturn = 1000,
    AlertSecondButtonReturn = 1001,
    AlertThirdButtonReturn = 1002,
};

class WindowDelegate {
public:
    virtual ~WindowDelegate() = default;
    // False keeps the window open when the user asks to close it.
    virtual bool windowShouldClose(Window* window) { (void)window; return true; }
    // Runs exactly once per opening, whatever closes the window.
    virtual void windowWillClose(Window* window) { (void)window; }
    // The size a resize by the user (or window manager) to `proposed` ends in.
    virtual QSizeF windowWillResize(Window* window, QSizeF proposed) {
        (void)window;
        return proposed;
    }
    virtual void windowDidResize(Window* window) { (void)window; }
    virtual void windowDidMove(Window* window) { (void)window; }
    virtual void windowDidMiniaturize(Window* window) { (void)window; }
    virtual void windowDidDeminiaturize(Window* window) { (void)window; }
    virtual void windowDidBecomeKey(Window* window) { (void)window; }
    virtual void windowDidResignKey(Window* window) { (void)window; }
    virtual void windowDidEndSheet(Window* window) { (void)window; }
};

class Window : public QWidget {
    Q_OBJECT

public:
    Window(const QRectF& contentRect, unsigned styleMask, QWidget* parent = nullptr);
    ~Window() override;

    // Geometry rules, pure.
    // The size a resize to `proposed` ends in: within the minimum and maximum
    // sizes (an empty maximum means none) and, with an aspect ratio, the
    // height following the width.
    static QSizeF constrainSize(QSizeF proposed, QSizeF minSize, QSizeF maxSize, QSizeF aspect);
    // The height of the main screen, against which window frames are flipped.
    static double screenHeight();
    static QRectF mainScreenFrame();         // bottom-up
    static QRectF mainScreenVisibleFrame();  // bottom-up

    void setFrame(const QRectF& frame, bool display = true);
    QRectF frame() const;
    void setFrameOrigin(QPointF origin);
    void center();

    View* contentView() const { return contentView_; }
    void setContentView(View* view);

    void setTitle(const QString& title) { setWindowTitle(title); }
    QString title() const { return windowTitle(); }

    unsigned styleMask() const { return styleMask_; }
    void setStyleMask(unsigned styleMask);

    void setMinSize(QSizeF size);
    QSizeF minSize() const { return minSize_; }
    void setMaxSize(QSizeF size);
    QSizeF maxSize() const { return maxSize_; }
    // Holds for resizes by the user (or window manager), not for setFrame.
    void setContentAspectRatio(QSizeF aspect);
    QSizeF contentAspectRatio() const { return aspect_; }

    void setLevel(int level);
    int level() const { return level_; }

    void setDelegate(WindowDelegate* delegate) { delegate_ = delegate; }
    WindowDelegate* delegate() const { return delegate_; }

    // The window deletes itself (later) once closed.
    void setReleasedWhenClosed(bool on) { releasedWhenClosed_ = on; }

    void makeKeyAndOrderFront();
    void orderFrontRegardless();
    void orderOut();
    // The user's close (title-bar button): asks windowShouldClose first.
    void performClose();
    // Closes without asking; windowWillClose runs once.
    void closeWindow();
    bool isOpen() const { return isVisible(); }

    // Sheets: `sheet` becomes window-modal on this window; endSheet hides it,
    // runs the completion with the code, then tells this window's delegate.
    void beginSheet(Window* sheet, std::function<void(int returnCode)> completion);
    void endSheet(Window* sheet, int returnCode);
    Window* attachedSheet() const { return attachedSheet_; }
    Window* sheetParent() const { return sheetParent_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyFlags();
    void reportClose();

    View* contentView_ = nullptr;
    unsigned styleMask_;
    QSizeF minSize_;
    QSizeF maxSize_;
    QSizeF aspect_;
    int level_ = NormalWindowLevel;
    WindowDelegate* delegate_ = nullptr;
    bool releasedWhenClosed_ = false;
    bool closeReported_ = false;
    bool constraining_ = false;
    Window* attachedSheet_ = nullptr;
    Window* sheetParent_ = nullptr;
    std::function<void(int)> sheetCompletion_;
};
