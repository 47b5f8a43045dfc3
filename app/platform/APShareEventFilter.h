#pragma once

// The operator's mouse, wheel and key messages of application sharing as
// input events on the sharer's desktop, posted through an `EventTap`.
//
// Mouse codes (512 move, 513/514 left down/up, 516/517 right, 519/520
// middle) come with points in pixels of the sharer's main screen; keys as X11
// keysyms with 1 for a press and 0 for a release; the wheel as a delta of 120
// per notch. Left clicks are held for up to 0.5 s and posted together, so a
// double or triple click survives the network's timing: a single click goes
// out 0.5 s after its release, a double click as two pairs 0.5 s after the
// second release, a triple click at once on the third release; a press held
// longer than 0.5 s goes out alone, its release 0.5 s after it arrives; moves
// in between go out at once.
//
// Only the shared region is operated: presses and moves at points outside it
// are dropped, and the wheel turns only while the pointer is inside it. A
// release outside the region still releases a button pressed inside, at the
// last point inside. The region is empty (nothing is operated) until the
// sharer sets it. Unknown mouse codes, keysym 0 and VoidSymbol are dropped.
//
// Main thread only; the click timer runs on the main queue.

#include <QObject>
#include <QPoint>
#include <QRegion>
#include <cstdint>
#include <memory>

#include "platform/EventTap.h"

namespace APShareMouseEvent {
inline constexpr std::uint16_t Move = 512;
inline constexpr std::uint16_t LeftDown = 513;
inline constexpr std::uint16_t LeftUp = 514;
inline constexpr std::uint16_t RightDown = 516;
inline constexpr std::uint16_t RightUp = 517;
inline constexpr std::uint16_t MiddleDown = 519;
inline constexpr std::uint16_t MiddleUp = 520;
}  // namespace APShareMouseEvent

class APShareEventFilter : public QObject {
    Q_OBJECT
public:
    static constexpr int kClickDelayMs = 500;
    static constexpr int kWheelDeltaPerNotch = 120;

    explicit APShareEventFilter(std::unique_ptr<EventTap> tap, QObject* parent = nullptr);
    ~APShareEventFilter() override;

    // What of the main screen may be operated (pixels, origin top-left): the
    // whole screen for a desktop share, the shared windows for an application.
    void setSharedRegion(const QRegion& region);
    const QRegion& sharedRegion() const { return region_; }

    // Drops a pending click series without posting it and releases the
    // buttons and keys the operator still holds (the sharer operates again).
    void initialize();

    void mouseEvent(std::uint16_t code, std::uint16_t x, std::uint16_t y);
    void scrollEvent(std::int32_t delta);
    void keyEvent(std::uint32_t keysym, std::uint32_t updown);

    EventTap& tap() { return *tap_; }

private:
    void leftDown(QPoint p);
    void leftUp(QPoint p);
    void otherButton(EventTap::MouseButton button, bool down, QPoint p);
    void confirm();
    void startTimer();
    void stopTimer();
    bool inside(QPoint p) const { return region_.contains(p); }

    std::unique_ptr<EventTap> tap_;
    QRegion region_;
    // Click series: where the pending left-button event happened (none: idle),
    // completed press-and-release pairs there, and what is pending.
    QPoint mCursorLocation_{-1, -1};
    int miClickCount_ = 0;
    bool mbClickDown_ = false;
    bool mbClickUp_ = false;
    bool mbDragging_ = false;
    // The timer runs while its generation is current; stopping moves it on.
    std::uint64_t timerGeneration_ = 0;
    bool timerRunning_ = false;
    // Buttons pressed through the tap and not yet released, and the last
    // point inside the region that the operator reached.
    bool leftHeld_ = false;
    bool rightHeld_ = false;
    bool middleHeld_ = false;
    QPoint lastInside_{-1, -1};
};
