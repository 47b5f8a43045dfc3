#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QWidget>

#include "fixtures/app/AppTestSupport.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "startup/AppDelegate.h"
#include "startup/ClientFeatureWindows.h"

namespace {

QAction* findAction(QMenuBar* bar, const QString& title) {
    for (QAction* top : bar->actions()) {
        if (!top->menu()) continue;
        for (QAction* item : top->menu()->actions()) {
            if (item->text() == title) return item;
        }
    }
    return nullptr;
}

}  // namespace

TEST(ClientFeatureWindowsTest, PreferencesItemOpensOneSettingsWindowThatCloseReleases) {
    ensureQtApplication();
    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    ClientFeatureWindows windows;
    AppDelegate delegate;
    delegate.setPreferencesAction([&windows] { windows.launchSettingWindow(); });
    QWidget parent;
    QMenuBar* bar = delegate.makeMainMenu(&parent);
    QAction* preferences = findAction(bar, LocalizedString("dfMENU_PREFERENCES"));
    ASSERT_NE(preferences, nullptr);

    preferences->trigger();
    SettingWindowController* first = windows.settingWindowController();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->window()->isVisible());
    // Before any login: audio, video and connection.
    auto* tabs = first->window()->findChild<QTabWidget*>("sections");
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->count(), 3);

    preferences->trigger();  // the same window again
    EXPECT_EQ(windows.settingWindowController(), first);

    // Cancel without a conference window closes it; the closing releases it.
    first->onClickCancelButton();
    EXPECT_EQ(windows.settingWindowController(), nullptr);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    preferences->trigger();
    EXPECT_NE(windows.settingWindowController(), nullptr);
}
