#pragma once

// Fakes around the sharer: a delegate that records what goes out, a desktop
// with a screen, windows per process, a focus, a capture log and key monitors
// the test presses keys on, and a workspace for the application list.

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <ostream>
#include <set>

#include "app/platform/FakeEventTap.h"
#include "appshare/APShareServer.h"
#include "platform/LaunchAppManager.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"

// Texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace appshare_test {

struct RecordingSharerDelegate : APShareServerDelegate {
    QStringList sent;
    QStringList take() { return std::exchange(sent, {}); }
    void sendStart(uint16_t windowed, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                   uint16_t top, uint16_t right, uint16_t bottom) override {
        sent << QStringLiteral("start %1 %2 %3x%4 %5,%6,%7,%8")
                    .arg(windowed)
                    .arg(stype)
                    .arg(width)
                    .arg(height)
                    .arg(left)
                    .arg(top)
                    .arg(right)
                    .arg(bottom);
    }
    void sendStop() override { sent << QStringLiteral("stop"); }
    void sendKeyFrame(uint16_t l, uint16_t t, uint16_t r, uint16_t b) override {
        sent << QStringLiteral("keyframe %1,%2,%3,%4").arg(l).arg(t).arg(r).arg(b);
    }
    void sendRect(uint16_t l, uint16_t t, uint16_t r, uint16_t b, const uint8_t*) override {
        sent << QStringLiteral("rect %1,%2,%3,%4").arg(l).arg(t).arg(r).arg(b);
    }
    void sendWindowChange(uint16_t l, uint16_t t, uint16_t r, uint16_t b) override {
        sent << QStringLiteral("change %1,%2,%3,%4").arg(l).arg(t).arg(r).arg(b);
    }
    void sendControlRes(uint32_t result, const QString& userId, const QString&) override {
        sent << QStringLiteral("control %1 %2").arg(result).arg(userId);
    }
    void regainControl() override { sent << QStringLiteral("regain"); }
    void sendClipboardAsServer(const QByteArray& utf8) override {
        sent << QStringLiteral("clipboard ") + QString::fromUtf8(utf8);
    }
};

struct RecordingViewAction : LoginAPShareServerViewAction {
    QStringList notices;
    void showASServerMessageAlert(const QString& alertId, const QString& message) override {
        notices << alertId + QLatin1Char(' ') + message;
    }
    void endAPShareForWebinar() override { notices << QStringLiteral("webinar end"); }
};

struct FakePasteboard : Pasteboard {
    std::int64_t changeCount() const override { return count; }
    PasteboardContent content() const override { return {{"text/plain"}, text, {}}; }
    void clearAndSetString(const QString& t) override {
        text = t;
        count += 2;
    }
    std::int64_t count = 0;
    QString text;
};

struct FakeDesktop : APShareServerPlatform {
    QRectF screen{0, 0, 1366, 768};
    double scale = 1.0;
    std::map<std::int64_t, QRectF> windows;  // per process, in points
    // The answers of the window look-up when they should differ by call (empty: `windows`).
    std::vector<QRectF> windowAnswers;
    std::set<std::int64_t> running;
    std::int64_t focused = 0;
    int sleeps = 0;
    QStringList capture;
    std::vector<std::int64_t> broughtToFront;
    std::shared_ptr<FakeEventTapLog> tapLog = std::make_shared<FakeEventTapLog>();
    FakePasteboard board;
    KeyDownMonitor::Handler globalKeys, localKeys;
    std::chrono::steady_clock::time_point clock{};

    double backingScaleFactor() override { return scale; }
    QRectF mainScreenFrame() override { return screen; }
    QRectF windowRect(std::int64_t pid, QRegion* visible) override {
        QRectF r = windows.count(pid) ? windows[pid] : QRectF();
        if (!windowAnswers.empty()) {
            r = windowAnswers.front();
            windowAnswers.erase(windowAnswers.begin());
        }
        if (visible) *visible = QRegion(r.toRect());
        return r;
    }
    void bringAppToTheFore(std::int64_t pid) override { broughtToFront.push_back(pid); }
    bool isAppRunning(std::int64_t pid) override { return running.count(pid) != 0; }
    std::int64_t focusedProcessId() override { return focused; }
    void sleepBeforeRetry() override { ++sleeps; }
    void startCapture(ScreenRecorderDelegate*, bool desktop, std::int64_t pid) override {
        capture << (desktop ? QStringLiteral("start desktop") : QStringLiteral("start app %1").arg(pid));
    }
    void stopCapture(ScreenRecorderDelegate*, bool desktop) override {
        capture << (desktop ? QStringLiteral("stop desktop") : QStringLiteral("stop app"));
    }
    std::unique_ptr<EventTap> makeEventTap() override { return std::make_unique<FakeEventTap>(tapLog); }
    Pasteboard* pasteboard() override { return &board; }
    std::unique_ptr<KeyDownMonitor> addGlobalMonitor(KeyDownMonitor::Handler handler) override {
        globalKeys = std::move(handler);
        return nullptr;
    }
    std::unique_ptr<KeyDownMonitor> addLocalMonitor(KeyDownMonitor::Handler handler) override {
        localKeys = std::move(handler);
        return nullptr;
    }
    std::chrono::steady_clock::time_point now() override { return clock; }
};

class FakeWorkspace : public Workspace {
public:
    explicit FakeWorkspace(std::vector<ApplicationInfo>* running) : running_(running) {}
    std::vector<ApplicationInfo> runningApplications() override { return *running_; }
    void setObservers(Observer launched, Observer terminated) override {
        launched_ = std::move(launched);
        terminated_ = std::move(terminated);
    }
    bool activate(std::int64_t) override { return true; }
    Observer launched_, terminated_;

private:
    std::vector<ApplicationInfo>* running_;
};

inline ApplicationInfo app(const char* name, std::int64_t pid) {
    return ApplicationInfo{QString::fromLatin1(name), QString::fromLatin1(name), pid, {}};
}

}  // namespace appshare_test
