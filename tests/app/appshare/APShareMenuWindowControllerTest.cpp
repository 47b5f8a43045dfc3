// The sharing menu offscreen: what it offers by the room's options, what its
// buttons start, the application list following the workspace, and the
// options it keeps for the next time.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "AppShareTestSupport.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"

namespace appshare_test {
namespace {

struct MenuLog : APShareMenuWindowControllerDelegate {
    QStringList calls;
    void startDesktopSharing(bool fullScreen) override {
        calls << QStringLiteral("desktop %1").arg(fullScreen);
    }
    void startApplicationSharing(const ApplicationInfo& app, bool fullScreen) override {
        calls << QStringLiteral("app %1 %2").arg(app.name).arg(fullScreen);
    }
    void stopSharing() override { calls << QStringLiteral("stop"); }
    void onCloseMenuWindow() override { calls << QStringLiteral("closed"); }
};

class APShareMenuTest : public ::testing::Test {
protected:
    APShareMenuTest() {
        ensureQtApplication();
        LaunchAppManager::setWorkspaceFactory([this] {
            auto w = std::make_unique<FakeWorkspace>(&running);
            workspace = w.get();
            return w;
        });
    }
    ~APShareMenuTest() override {
        menu.reset();
        dispatcher->runPending();
        LaunchAppManager::terminate();
        LaunchAppManager::setWorkspaceFactory({});
    }
    APShareMenuWindowController& open(bool fullScreenMenu = true, bool desktopOnly = false,
                                      bool roomIgnores = false) {
        menu = std::make_unique<APShareMenuWindowController>();
        menu->setDelegate(&log);
        menu->setIsShowFullScreenMenu(fullScreenMenu);
        menu->setDisableApplication(desktopOnly);
        menu->setIsASControlIgnoreOption(roomIgnores);
        menu->window()->show();
        return *menu;
    }
    template <typename T>
    T* child(const char* name) {
        return menu->window()->findChild<T*>(QString::fromLatin1(name));
    }
    QString stored(const char* key) {
        return UserDefaults::standard().stringForKey(QString::fromLatin1(key)).value_or("none");
    }

    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    std::vector<ApplicationInfo> running{app("xclock", 11), app("xeyes", 12)};
    FakeWorkspace* workspace = nullptr;
    MenuLog log;
    std::unique_ptr<APShareMenuWindowController> menu;
};

TEST_F(APShareMenuTest, WhatTheMenuOffersFollowsTheRoom) {
    struct Case {
        const char* what;
        bool fullScreenMenu, desktopOnly;
        bool appRadioEnabled, listVisible, fullScreenVisible;
        int program;
    };
    const Case cases[] = {
        {"everything", true, false, true, true, true, 0},
        {"no full-screen option", false, false, true, true, false, 0},
        {"desktop only: the desktop is chosen, no list", true, true, false, false, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.fullScreenMenu, c.desktopOnly);
        EXPECT_EQ(child<QRadioButton>("apshare_menu_radio_application")->isEnabled(), c.appRadioEnabled);
        EXPECT_EQ(child<QRadioButton>("apshare_menu_radio_desktop")->isChecked(), c.desktopOnly);
        EXPECT_EQ(child<QListWidget>("applist")->isVisible(), c.listVisible);
        EXPECT_EQ(child<QCheckBox>("apshare_menu_start_fullscreen")->isVisible(), c.fullScreenVisible);
        EXPECT_FALSE(child<QPushButton>("apshare_menu_button_stop")->isEnabled());
        EXPECT_EQ(menu->selectProgram(), c.program);
    }
}

TEST_F(APShareMenuTest, TheStartButtonStartsWhatIsChosen) {
    open();
    child<QPushButton>("apshare_menu_button_start")->click();
    EXPECT_TRUE(log.calls.isEmpty()) << "an application without a selection starts nothing";
    auto* list = child<QListWidget>("applist");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), "xeyes");
    list->setCurrentRow(1);
    child<QCheckBox>("apshare_menu_start_fullscreen")->setChecked(true);
    child<QPushButton>("apshare_menu_button_start")->click();
    child<QRadioButton>("apshare_menu_radio_desktop")->setChecked(true);
    EXPECT_FALSE(list->isVisible());
    child<QPushButton>("apshare_menu_button_start")->click();
    EXPECT_EQ(log.calls, (QStringList{"app xeyes 1", "desktop 1"}));

    menu->onStartSharing();
    EXPECT_FALSE(child<QPushButton>("apshare_menu_button_start")->isEnabled());
    EXPECT_FALSE(child<QRadioButton>("apshare_menu_radio_application")->isEnabled());
    child<QPushButton>("apshare_menu_button_stop")->click();
    EXPECT_EQ(log.calls.last(), "stop");
    menu->onStopSharing();
    EXPECT_TRUE(child<QPushButton>("apshare_menu_button_start")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("apshare_menu_button_stop")->isEnabled());
    EXPECT_TRUE(menu->window()->isVisible());
}

TEST_F(APShareMenuTest, TheListFollowsLaunchesAndEnds) {
    open();
    ASSERT_NE(workspace, nullptr);
    workspace->launched_(app("xterm", 13));
    workspace->launched_(app("xclock", 14));  // a second instance is not listed
    dispatcher->runPending();
    QCoreApplication::processEvents();
    auto* list = child<QListWidget>("applist");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(2)->text(), "xterm");
    workspace->terminated_(app("xclock", 11));
    dispatcher->runPending();
    QCoreApplication::processEvents();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "xeyes");

    const QString dir = QStringLiteral(QUORIX_TEST_BINARY_DIR "/ui-screenshots");
    QDir().mkpath(dir);
    const QImage shot = menu->window()->grab().toImage();
    EXPECT_TRUE(shot.save(dir + "/apshare-menu.png"));
    EXPECT_EQ(shot.size(), QSize(320, 330));
}

TEST_F(APShareMenuTest, ClosingKeepsTheOptionsExceptTheRoomsRefusal) {
    open();
    child<QCheckBox>("apshare_menu_ignore_operation")->setChecked(true);
    EXPECT_TRUE(menu->isIgnoreControlReq());
    child<QCheckBox>("apshare_menu_start_fullscreen")->setChecked(true);
    menu->window()->performClose();
    EXPECT_EQ(log.calls, QStringList{"closed"});
    EXPECT_EQ(stored("KeyASMenuCheckStatusIgnoreOpReq"), "Y");
    EXPECT_EQ(stored("KeyASMenuCheckStatusFullScreen"), "Y");

    // The next menu starts from them.
    open();
    EXPECT_TRUE(child<QCheckBox>("apshare_menu_ignore_operation")->isChecked());
    EXPECT_TRUE(menu->isIgnoreControlReq());

    // The room's refusal: on, fixed, and the user's own choice left alone.
    menu.reset();  // saves as it goes
    UserDefaults::standard().setString("KeyASMenuCheckStatusIgnoreOpReq", "N");
    open(true, false, true);
    auto* ignore = child<QCheckBox>("apshare_menu_ignore_operation");
    EXPECT_TRUE(ignore->isChecked());
    EXPECT_FALSE(ignore->isEnabled());
    EXPECT_TRUE(menu->isIgnoreControlReq());
    menu->window()->performClose();
    EXPECT_EQ(stored("KeyASMenuCheckStatusIgnoreOpReq"), "N");
}

}  // namespace
}  // namespace appshare_test
