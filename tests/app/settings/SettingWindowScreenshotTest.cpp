#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include "fixtures/app/AppTestSupport.h"
#include "media/CameraSettings.h"
#include "platform/Dispatch.h"
#include "settings/SettingWindowController.h"

namespace {

struct QuietDelegate : SettingWindowControllerDelegate {
    void closeSettingWindow(int) override {}
    void changeAudioSettings(const std::optional<AudioDeviceInfo>&, const std::optional<AudioDeviceInfo>&,
                             std::int64_t, std::int64_t) override {}
    void changeVideoSettings(QSize, int, const std::optional<CaptureDevice>&) override {}
    void changeVideoBg(int, const std::optional<QByteArray>&) override {}
    void selectedCustomImgData(std::function<void(const QByteArray&)>) override {}
    void settingTimeRecCheck(bool) override {}
};

// Every shown control of the page lies inside it and is at least as wide and
// tall as it asks to be, so no text is cut off.
QStringList cutOffControls(QWidget* page) {
    QStringList problems;
    const QRect area = page->rect();
    for (QWidget* w : page->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
                             qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w);
        if (!control || !w->isVisibleTo(page) || w->objectName().isEmpty() ||
            w->objectName().startsWith("qt_")) {
            continue;  // unnamed parts and the insides of Qt's own controls
        }
        const QRect r(w->mapTo(page, QPoint(0, 0)), w->size());
        if (!area.contains(r)) problems << w->objectName() + " outside the page";
        const auto* label = qobject_cast<QLabel*>(w);
        if (label && label->wordWrap()) continue;
        const QSize wanted = w->minimumSizeHint().expandedTo(
            qobject_cast<QAbstractButton*>(w) || label ? w->sizeHint() : QSize());
        if (w->width() < wanted.width() || w->height() < wanted.height()) {
            problems << QStringLiteral("%1 %2x%3 < %4x%5")
                            .arg(w->objectName())
                            .arg(w->width())
                            .arg(w->height())
                            .arg(wanted.width())
                            .arg(wanted.height());
        }
    }
    return problems;
}

}  // namespace

TEST(SettingWindowScreenshotTest, EveryPageShowsAllItsControlsAtTheMinimumSize) {
    ensureQtApplication();
    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    CameraSettings::initCameraSettings({{"HDMODE", "Y"}});
    for (const bool bgBlur : {true, false}) {
        SCOPED_TRACE(bgBlur ? "with background choices" : "with the information text");
        SettingWindowParams p;
        p.inputDevices = {{"mic-a", "Built-in Microphone (analogue stereo)", AUDIO_DEVICE_TYPE_BUILTIN, 0},
                          {"mic-b", "USB Headset", AUDIO_DEVICE_TYPE_USB, 0}};
        p.outputDevices = {{"spk-a", "Built-in Speakers", AUDIO_DEVICE_TYPE_BUILTIN, 0}};
        p.isHDMode = true;
        p.isShowDocShareTab = true;
        p.isShowNotifyChatBtn = true;
        p.roomCategory = ROOM_CATEGORY_MANYMTG_SETTING;
        p.isShowRecordTab = true;
        p.isShowRecordTimeStamp = true;
        p.isBgBlur = bgBlur;
        p.dsDefaultUrl = "https://docs.example/start";
        p.cameraList = [] {
            return QVector<CaptureDevice>{{"/dev/video0", "Integrated Camera: Integrated C", 0}};
        };
        p.showNotice = [](const QString&) {};
        QuietDelegate delegate;
        SettingWindowController controller(p, &delegate);
        Window* window = controller.window();
        controller.showWindow();
        window->resize(int(SettingWindowController::kMinWidth), int(SettingWindowController::kMinHeight));
        QApplication::processEvents();
        auto* tabs = window->findChild<QTabWidget*>("sections");
        ASSERT_NE(tabs, nullptr);
        ASSERT_EQ(tabs->count(), 7);
        const QString dir = QDir::currentPath() + "/settings-window";
        QDir().mkpath(dir);
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            QWidget* page = tabs->widget(i);
            SCOPED_TRACE(page->objectName().toStdString());
            EXPECT_EQ(cutOffControls(page).join(", ").toStdString(), "");
            const QImage shot = window->grab().toImage();
            EXPECT_EQ(shot.size(), QSize(int(SettingWindowController::kMinWidth),
                                         int(SettingWindowController::kMinHeight)));
            EXPECT_TRUE(
                shot.save(QStringLiteral("%1/%2%3.png").arg(dir, page->objectName(), bgBlur ? "" : "-info")));
        }
        // The buttons stay in the window too.
        for (const char* name : {"buttonOk", "buttonCancel", "buttonApply"}) {
            auto* b = window->findChild<QAbstractButton*>(name);
            ASSERT_NE(b, nullptr);
            EXPECT_TRUE(window->rect().contains(QRect(b->mapTo(window, QPoint(0, 0)), b->size()))) << name;
        }
    }
    CameraSettings::releaseCameraSettings();
}
