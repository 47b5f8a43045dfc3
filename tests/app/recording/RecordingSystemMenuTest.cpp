// The status-bar menu of running recordings: stop items tagged by index, the
// stop-all item only from two recordings on, and what the delegate hears.

#include <gtest/gtest.h>

#include "fixtures/app/AppTestSupport.h"
#include "platform/Menu.h"
#include "platform/StatusItem.h"
#include "recording/RecordingRules.h"
#include "recording/RecordingSystemMenu.h"

namespace {

struct MenuDelegate : RecordingSystemMenuDelegate {
    void stopRecordingFromMenu(std::int64_t tag) override { tags.push_back(tag); }
    void remove() override { ++removed; }
    std::vector<std::int64_t> tags;
    int removed = 0;
};

RecordingInfoRef recording(const QString& name) {
    return std::make_shared<RecordingInfo>(name, name, nullptr, 640, 480, 0, QString(), 0, 3);
}

TEST(RecordingSystemMenuTest, ItemsFollowTheRecordings) {
    ensureQtApplication();
    RecordingSystemMenu menu;
    MenuDelegate delegate;
    menu.setRecordingSystemMenuDelegate(&delegate);
    EXPECT_FALSE(menu.statusItem()->image().isNull());

    menu.reloadMenu({recording("Ann")});
    ASSERT_EQ(menu.menu()->items().size(), 1);
    EXPECT_EQ(menu.menu()->actions().size(), 1);  // no separator, no stop-all
    EXPECT_EQ(menu.menu()->items()[0]->tag(), 0);
    EXPECT_EQ(menu.menu()->items()[0]->text(), QStringLiteral("Stop recording Ann"));

    menu.reloadMenu({recording("Ann"), recording("Bob")});
    const auto items = menu.menu()->items();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(menu.menu()->actions().size(), 4);
    EXPECT_TRUE(menu.menu()->actions()[2]->isSeparator());
    EXPECT_EQ(items[1]->tag(), 1);
    EXPECT_EQ(items[2]->tag(), Rec::kStopAllTag);
    items[1]->trigger();
    items[2]->trigger();
    EXPECT_EQ(delegate.tags, (std::vector<std::int64_t>{1, Rec::kStopAllTag}));

    menu.hidden();
    EXPECT_FALSE(menu.statusItem()->isVisible());
    EXPECT_EQ(delegate.removed, 1);
}

}  // namespace
