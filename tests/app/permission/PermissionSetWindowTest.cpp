// The permission window on a live table: its width per enabled function,
// ticks and unticks, closing without applying, hyphens at a maximum, the
// select-all row, search with an ideographic space, the sort by a column,
// the apply pause on the main queue's clock, a participant who leaves with a
// pending change, and the window as it is drawn (grabbed offscreen and
// saved under the build folder as permission-window.png).
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "fixtures/app/AppTestSupport.h"
#include "permission/PermissionManager.h"
#include "permission/PermissionSetWindowController.h"
#include "platform/Dispatch.h"
#include "services/LogFileManager.h"
#include "ui/CustomCheckButton.h"

namespace {

using namespace std::chrono_literals;
constexpr int DS = PERMISSION_TYPE_DS;
constexpr int AS = PERMISSION_TYPE_AS;
constexpr int RS = PERMISSION_TYPE_REMOTESTG;

struct Delegate : PermissionManagerDelegate, PermissionSetWindowControllerDelegate {
    void sendPermissionCmd(const QString& to, int, int code, int, int permit) override {
        sent << QString("%1 %2 %3").arg(to).arg(code).arg(permit);
    }
    void sendPermissionChangeReq(const PermissionDataList& list) override {
        applied.push_back(list.size());
        manager->sendChangePermissionWithList(list);
    }
    void onClosePermissionSetWindow(PermissionSetWindowController*) override { ++closed; }
    PermissionManager* manager = nullptr;
    QStringList sent;
    std::vector<size_t> applied;
    int closed = 0;
};

class PermissionSetWindowTest : public testing::Test {
protected:
    PermissionSetWindowTest() {
        ensureQtApplication();
        LogFileManager::resetForTesting();
        LogFileManager::createLogFile();
        delegate.manager = &manager;
        manager.setDelegate(&delegate);
    }
    ~PermissionSetWindowTest() override {
        window.reset();
        manager.setDelegate(nullptr);
        LogFileManager::resetForTesting();
    }
    // The chair "me" with the given room keys and participants (id, name),
    // each announcing `enable` and no grant.
    void enter(const QVariantMap& more, const std::vector<std::pair<QString, QString>>& people,
               int enable = 7) {
        QVariantMap config{
            {"MODE_USER_PERMISSION", "Y"}, {"DOCSHAREMODE", "Y"}, {"ASMODE", "Y"}, {"MODE_REMOTESTG", "Y"}};
        for (auto it = more.begin(); it != more.end(); ++it) config.insert(it.key(), it.value());
        manager.setParameters(std::make_shared<UserInfo>("me", "Chair Me", USER_TYPE_S0), config);
        for (const auto& [id, name] : people) {
            manager.addUser(std::make_shared<UserInfo>(id, name, USER_TYPE_S0));
            manager.recvPermissionCmd(id, 3, 2, enable, 0);
        }
        dispatcher->runPending();
    }
    void open() {
        window = std::make_unique<PermissionSetWindowController>(&manager.permissionInfo(), QVariantMap{});
        window->setDelegate(&delegate);
        window->show();
    }
    CustomCheckButton* cell(const QString& id, int type) {
        return window->findChild<CustomCheckButton*>(
            QString("check_%1_%2").arg(PermissionSetWindowController::columnIdForType(type), id));
    }
    void click(const QString& id, int type) {
        CustomCheckButton* b = cell(id, type);
        ASSERT_NE(b, nullptr) << id.toStdString();
        b->click();
    }
    int permit(const QString& id) { return manager.permissionInfo().getPermissionData(id)->permitFlgs(); }
    QStringList shownIds() const {
        QStringList ids;
        for (const PermissionDataRef& e : window->dispList()) ids << e->userId();
        return ids;
    }

    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    Delegate delegate;
    PermissionManager manager;
    std::unique_ptr<PermissionSetWindowController> window;
    const std::vector<std::pair<QString, QString>> people{
        {"u1", "Alice Smith"}, {"u2", "Bob Jones"}, {"u3", "Alice Jones"}, {"u4", "Carol Smith"}};
};

}  // namespace

TEST_F(PermissionSetWindowTest, WidthFollowsTheFunctionsEnabledLocally) {
    struct Case {
        QVariantMap config;
        int functions, width;
    };
    const Case cases[] = {
        {{{"DOCSHAREMODE", "N"}, {"ASMODE", "N"}}, 1, 500},
        {{{"ASMODE", "N"}}, 2, 654},
        {{}, 3, 830},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        enter(c.config, people);
        open();
        EXPECT_EQ(window->width(), c.width);
        EXPECT_EQ(PermissionSetWindowController::contentWidthFor(c.functions), c.width);
        EXPECT_EQ(window->settingTable()->columnCount(), 1 + c.functions);
        EXPECT_EQ(window->settingTable()->columnWidth(0), 260);
        EXPECT_EQ(window->settingTable()->rowCount(), 1 + 5) << "the select-all row and five participants";
        window.reset();
    }
    EXPECT_EQ(PermissionSetWindowController::contentWidthFor(5), 964);
}

TEST_F(PermissionSetWindowTest, TickUntickAndCloseWithoutApplying) {
    enter({}, people);
    open();
    EXPECT_FALSE(window->applyButton()->isEnabled());
    click("u1", RS);
    EXPECT_EQ(permit("u1"), 4) << "the table's entry changes at once";
    EXPECT_EQ(window->changeList().size(), 1u);
    EXPECT_TRUE(window->applyButton()->isEnabled());
    EXPECT_EQ(cell("u1", RS)->type(), CustomCheckButton::Checked);
    click("u1", RS);
    EXPECT_EQ(permit("u1"), 0);
    EXPECT_TRUE(window->changeList().empty());
    EXPECT_FALSE(window->applyButton()->isEnabled());

    click("u1", DS);
    click("u2", AS);
    click("u1", RS);
    EXPECT_EQ(permit("u1"), 5);
    EXPECT_EQ(window->changeList().size(), 2u);
    window->close();
    EXPECT_EQ(delegate.closed, 1);
    EXPECT_EQ(permit("u1"), 0);
    EXPECT_EQ(permit("u2"), 0);
    EXPECT_TRUE(delegate.sent.isEmpty());
}

TEST_F(PermissionSetWindowTest, AtTheMaximumTheOtherCellsBecomeHyphens) {
    enter({{"MODE_USER_PERMISSION_REMOTESTG_MAX", "2"}}, people);
    open();
    // A type with a maximum has a label in the first row, not a select-all cell.
    EXPECT_EQ(window->findChild<CustomCheckButton*>("select_all_id_remotestg_column"), nullptr);
    ASSERT_NE(window->findChild<QPushButton*>("max_id_remotestg_column"), nullptr);
    EXPECT_NE(window->findChild<CustomCheckButton*>("select_all_id_ds_column"), nullptr);

    click("u1", RS);
    click("u2", RS);
    for (const char* id : {"u3", "u4", "me"}) {
        EXPECT_EQ(cell(id, RS)->type(), CustomCheckButton::Disabled) << id;
        EXPECT_FALSE(cell(id, RS)->isEnabled());
    }
    window->onClickUserCheckBtn("u3", RS);  // what a click would do, were the cell enabled
    EXPECT_EQ(permit("u3"), 0);
    click("u1", RS);
    EXPECT_EQ(cell("u3", RS)->type(), CustomCheckButton::Normal);
    click("u3", RS);
    EXPECT_EQ(permit("u3"), 4);

    // A participant whose client lacks a function has an empty, disabled cell.
    manager.recvPermissionCmd("u4", 3, 2, 1, 0);
    dispatcher->runPending();
    EXPECT_EQ(cell("u4", AS)->type(), CustomCheckButton::Invalid);
    window->onClickUserCheckBtn("u4", AS);
    EXPECT_EQ(permit("u4"), 0);
}

TEST_F(PermissionSetWindowTest, SelectAllGrantsAndWithdrawsTheShownParticipants) {
    enter({}, people);
    manager.recvPermissionCmd("u4", 3, 2, 4, 0);  // no document sharing on u4's client
    dispatcher->runPending();
    open();
    auto* all = window->findChild<CustomCheckButton*>("select_all_id_ds_column");
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->type(), CustomCheckButton::Normal);
    all->click();
    for (const char* id : {"me", "u1", "u2", "u3"}) EXPECT_EQ(permit(id) & 1, 1) << id;
    EXPECT_EQ(permit("u4"), 0);
    all = window->findChild<CustomCheckButton*>("select_all_id_ds_column");
    EXPECT_EQ(all->type(), CustomCheckButton::Checked);
    all->click();
    for (const char* id : {"me", "u1", "u2", "u3"}) EXPECT_EQ(permit(id), 0) << id;
    EXPECT_TRUE(window->changeList().empty());
}

TEST_F(PermissionSetWindowTest, SearchWithAnIdeographicSpaceAndSortByAColumn) {
    enter({}, people);
    open();
    window->searchField()->setText(QString::fromUtf8("  aLiCe\u3000smi "));
    EXPECT_EQ(shownIds(), QStringList{"u1"});
    EXPECT_TRUE(window->isSearching());
    EXPECT_EQ(window->settingTable()->rowCount(), 1) << "no select-all row while searching";
    window->searchField()->setText("jones");
    EXPECT_EQ(shownIds(), (QStringList{"u2", "u3"}));
    window->searchField()->setText("u4");
    EXPECT_EQ(shownIds(), QStringList{"u4"}) << "ids are searched too";
    window->searchField()->setText("nobody");
    EXPECT_TRUE(shownIds().isEmpty());
    EXPECT_FALSE(window->searchResultLabel()->isHidden());
    window->searchField()->setText(QString::fromUtf8("\u3000"));
    EXPECT_FALSE(window->isSearching());
    EXPECT_TRUE(window->searchResultLabel()->isHidden());
    EXPECT_EQ(window->settingTable()->rowCount(), 6);

    click("u3", RS);
    click("u2", RS);
    window->tableViewDidClickTableColumn("id_remotestg_column");
    EXPECT_EQ(shownIds(), (QStringList{"u2", "u3", "me", "u1", "u4"}));
    window->searchField()->setText("u");
    window->searchField()->setText("");
    EXPECT_EQ(shownIds(), (QStringList{"me", "u1", "u2", "u3", "u4"}))
        << "a sort lasts until the next rebuild";
}

TEST_F(PermissionSetWindowTest, ApplySendsAndPausesTheButtonForThreeSeconds) {
    enter({}, people);
    open();
    click("u1", RS);
    click("u2", DS);
    window->applyButton()->click();
    EXPECT_EQ(delegate.applied, std::vector<size_t>{2});
    EXPECT_EQ(delegate.sent, (QStringList{"u1 1 4", "u2 1 1"}));
    EXPECT_TRUE(window->changeList().empty());
    EXPECT_FALSE(window->applyButton()->isEnabled());

    click("u3", RS);
    EXPECT_FALSE(window->applyButton()->isEnabled()) << "ticks during the pause never enable it";
    dispatcher->advance(2990ms);
    EXPECT_FALSE(window->applyButton()->isEnabled());
    dispatcher->advance(10ms);
    EXPECT_TRUE(window->applyButton()->isEnabled());
    EXPECT_FALSE(window->isApplyPauseRunning());

    // A second apply restarts the pause; after it, nothing pending: disabled.
    window->applyButton()->click();
    dispatcher->advance(3000ms);
    EXPECT_FALSE(window->applyButton()->isEnabled());
    EXPECT_EQ(delegate.sent.size(), 3);
}

TEST_F(PermissionSetWindowTest, APendingChangeOfADepartedParticipantIsDropped) {
    enter({}, people);
    open();
    click("u1", RS);
    click("u2", RS);
    // u1 leaves: the notice reaches the window, which drops the change.
    manager.deleteUser("u1");
    dispatcher->runPending();
    EXPECT_EQ(window->changeList().size(), 1u);
    EXPECT_FALSE(shownIds().contains("u1"));

    // u2 leaves and the user applies before the notice arrives: nothing is
    // sent for u2, and the others still are.
    click("u3", AS);
    manager.deleteUser("u2");
    window->applyButton()->click();
    EXPECT_EQ(delegate.sent, QStringList{"u3 1 2"});
    dispatcher->runPending();

    // Leaving with a pending change, then closing: nothing to put back, no crash.
    click("u4", DS);
    manager.deleteUser("u4");
    manager.addUser(std::make_shared<UserInfo>("u4", "Carol again", USER_TYPE_S0));
    window->close();
    dispatcher->runPending();
    EXPECT_EQ(permit("u4"), 0);
}

TEST_F(PermissionSetWindowTest, TheWindowAsDrawn) {
    enter({{"MODE_USER_PERMISSION_REMOTESTG_MAX", "1"}}, people);
    manager.recvPermissionCmd("u4", 3, 2, 0, 0);  // a client without any function
    manager.permissionInfo().getPermissionData("u3")->setIsSupportFunc(false);
    dispatcher->runPending();
    open();
    click("u1", RS);
    click("u2", DS);
    window->resize(window->size());
    const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QString dir = QStringLiteral(QUORIX_TEST_BINARY_DIR "/ui-screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + "/permission-window.png"));

    // The check mark (blue) in u1's remote-settings cell, a hyphen (grey,
    // disabled) in u2's, and nothing in the empty cell of u3's document sharing.
    const auto inside = [&](QWidget* w) { return QRect(w->mapTo(window.get(), QPoint(0, 0)), w->size()); };
    const auto count = [&](const QRect& r, auto match) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (match(QColor(shot.pixel(x, y)))) ++n;
        return n;
    };
    const auto blue = [](const QColor& c) { return c.blue() > 150 && c.red() < 100 && c.green() < 160; };
    const auto grey = [](const QColor& c) {
        return std::abs(c.red() - c.green()) < 12 && std::abs(c.green() - c.blue()) < 12 && c.red() < 180 &&
               c.red() > 60;
    };
    EXPECT_GT(count(inside(cell("u1", RS)), blue), 20);
    EXPECT_GT(count(inside(cell("u2", RS)), grey), 10);
    EXPECT_EQ(count(inside(cell("u2", RS)), blue), 0);
    EXPECT_EQ(count(inside(cell("u3", DS)), blue), 0);
    EXPECT_EQ(count(inside(cell("u3", DS)), grey), 0);
    // The caution in red above the table.
    auto* caution = window->findChild<QLabel*>("cautionLabel");
    ASSERT_NE(caution, nullptr);
    EXPECT_GT(count(inside(caution), [](const QColor& c) { return c.red() > 180 && c.green() < 80; }), 20);
}
