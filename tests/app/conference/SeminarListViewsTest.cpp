// The floor lists of the seminar list pane: their buttons for the owner and
// for a participant, what a click asks of the delegate, the selection rules,
// the list notifications and what the pane looks like.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <memory>
#include <thread>
#include <vector>

#include "app/tiles/VideoTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "conference/SpeakerListView.h"
#include "conference/WaitingListView.h"
#include "model/ListNotificator.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/Menu.h"

namespace {

// A press and release of `button` at `at`, as the window system delivers them.
void click(QWidget* target, Qt::MouseButton button, QPoint at) {
    const QPointF global = target->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, button, button, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

SpeakerInfoRef person(int clientNo, const QString& id) {
    return std::make_shared<SpeakerInfo>(clientNo, id, QStringLiteral("Name ") + id, QStringLiteral("S0"));
}

struct ListDelegate : WaitingListViewDelegate, SpeakerListViewDelegate {
    Menu* makePopupReserverMenu(const UserInfoRef& u) override {
        calls.push_back("reserverMenu " + u->userId());
        return nullptr;
    }
    void permitSpeech(const UserInfoRef& u) override { calls.push_back("permit " + u->userId()); }
    void rejectSpeechReserve(const UserInfoRef& u) override { calls.push_back("reject " + u->userId()); }
    void reserveSpeech() override { calls.push_back("reserve"); }
    void cancelReserveSpeech() override { calls.push_back("cancel"); }
    Menu* makePopupSpeakerMenu(const SpeakerInfoRef& s) override {
        calls.push_back("speakerMenu " + s->userId());
        return nullptr;
    }
    void stopSpeech() override { calls.push_back("stop"); }
    void endSpeech(const SpeakerInfoRef& s) override { calls.push_back("end " + s->userId()); }
    std::vector<QString> calls;
};

class SeminarListViewsTest : public ::testing::Test {
protected:
    void rightClickRow(FloorListView& view) {
        QWidget* viewport = view.tableView()->viewport();
        click(viewport, Qt::RightButton, QPoint(viewport->width() / 2, viewport->height() - 2));
    }

    QtApplicationFirst app;
    ScopedManualDispatcher dispatcher;
    ListDelegate delegate;
    SpeakerInfoRef me = person(CLIENT_NO_SELF, QStringLiteral("me"));
    SpeakerInfoRef owner = person(3, QStringLiteral("owner"));
    SpeakerInfoRef other = person(4, QStringLiteral("u1"));
};

TEST_F(SeminarListViewsTest, SpeakerListDoneButtonByRole) {
    const struct {
        const char* name;
        QString ownerId;
        std::vector<SpeakerInfoRef> list;
        QString title;
        bool enabled;
    } cases[] = {
        {"owner, nobody speaks", "me", {}, "dfREMOVE", false},
        {"owner, someone speaks", "me", {owner, other}, "dfREMOVE", true},
        {"participant, not listed", "owner", {owner, other}, "dfSPEAKER_STOP", false},
        {"participant, listed", "owner", {owner, me}, "dfSPEAKER_STOP", true},
    };
    for (const auto& k : cases) {
        SpeakerListView view(QRectF(0, 0, 200, 250));
        EXPECT_FALSE(view.doneButton()->isEnabled()) << k.name;
        view.setParams(k.ownerId, me);
        view.setSpeakerList(k.list);
        EXPECT_EQ(view.doneButton()->text(), LocalizedStringForKey(k.title)) << k.name;
        EXPECT_EQ(view.doneButton()->isEnabled(), k.enabled) << k.name;
        EXPECT_EQ(view.numberOfRows(), int(k.list.size())) << k.name;
    }
}

TEST_F(SeminarListViewsTest, WaitingListButtonsByRoleAndState) {
    const struct {
        const char* name;
        QString ownerId;
        std::vector<UserInfoRef> list;
        QString requestTitle;
        bool request, cancel;
    } cases[] = {
        {"owner, nobody waits", "me", {}, "dfALLOW", false, false},
        {"owner, someone waits", "me", {other}, "dfALLOW", true, true},
        {"participant, not waiting", "owner", {other}, "dfRESVATION", true, false},
        {"participant, waiting", "owner", {other, me}, "dfRESVATION", false, true},
    };
    for (const auto& k : cases) {
        WaitingListView view(QRectF(0, 0, 200, 250));
        EXPECT_TRUE(view.requestButton()->isEnabled()) << k.name;
        EXPECT_FALSE(view.cancelButton()->isEnabled()) << k.name;
        view.setParams(k.ownerId, me);
        view.setReserverList(k.list);
        EXPECT_EQ(view.requestButton()->text(), LocalizedStringForKey(k.requestTitle)) << k.name;
        EXPECT_EQ(view.requestButton()->isEnabled(), k.request) << k.name;
        EXPECT_EQ(view.cancelButton()->isEnabled(), k.cancel) << k.name;
    }
    // The own floor disables both until the next list change.
    WaitingListView view(QRectF(0, 0, 200, 250));
    view.setParams(QStringLiteral("owner"), me);
    view.setReserverList({me});
    view.becameSpeaker();
    EXPECT_FALSE(view.requestButton()->isEnabled());
    EXPECT_FALSE(view.cancelButton()->isEnabled());
    view.setReserverList({});
    EXPECT_TRUE(view.requestButton()->isEnabled());
}

TEST_F(SeminarListViewsTest, OwnerActsOnTheSelectedRowOnly) {
    SpeakerListView speakers(QRectF(0, 0, 200, 250));
    speakers.setDelegate(&delegate);
    speakers.setParams(QStringLiteral("me"), me);
    speakers.setSpeakerList({me, other});
    speakers.onClickDoneBtn();  // no selection: nothing
    speakers.selectRow(0);      // the own row
    EXPECT_EQ(speakers.selectedRow(), FloorListView::kOwnRowSelected);
    speakers.onClickDoneBtn();
    EXPECT_TRUE(delegate.calls.empty());
    speakers.selectRow(1);
    speakers.onClickDoneBtn();
    EXPECT_EQ(delegate.calls, std::vector<QString>{"end u1"});
    EXPECT_EQ(speakers.selectedRow(), FloorListView::kNoSelection);

    delegate.calls.clear();
    WaitingListView waiting(QRectF(0, 0, 200, 250));
    waiting.setDelegate(&delegate);
    waiting.setParams(QStringLiteral("me"), me);
    waiting.setReserverList({other, owner});
    waiting.onClickRequestBtn();
    waiting.selectRow(0);
    waiting.onClickRequestBtn();
    waiting.selectRow(1);
    waiting.onClickCancelBtn();
    // A row the list no longer has counts as no selection.
    waiting.selectRow(1);
    waiting.setReserverList({other});
    waiting.onClickCancelBtn();
    EXPECT_EQ(delegate.calls, (std::vector<QString>{"permit u1", "reject owner"}));
}

TEST_F(SeminarListViewsTest, ParticipantReservesWithdrawsAndStops) {
    WaitingListView waiting(QRectF(0, 0, 200, 250));
    waiting.setDelegate(&delegate);
    waiting.setParams(QStringLiteral("owner"), me);
    waiting.onClickRequestBtn();
    waiting.onClickCancelBtn();
    SpeakerListView speakers(QRectF(0, 0, 200, 250));
    speakers.setDelegate(&delegate);
    speakers.setParams(QStringLiteral("owner"), me);
    speakers.setSpeakerList({owner, me});
    ASSERT_TRUE(speakers.doneButton()->isEnabled());
    click(speakers.doneButton(), Qt::LeftButton, speakers.doneButton()->rect().center());
    EXPECT_EQ(delegate.calls, (std::vector<QString>{"reserve", "cancel", "stop"}));
    EXPECT_FALSE(speakers.doneButton()->isEnabled());
    // From another thread the button changes on the main queue.
    std::thread([&] { speakers.changeSpeechState(true); }).join();
    EXPECT_FALSE(speakers.doneButton()->isEnabled());
    dispatcher->runPending();
    EXPECT_TRUE(speakers.doneButton()->isEnabled());
}

TEST_F(SeminarListViewsTest, RightClickMenusFollowTheSelection) {
    WaitingListView waiting(QRectF(0, 0, 200, 250));
    waiting.setDelegate(&delegate);
    waiting.setParams(QStringLiteral("me"), me);
    waiting.setReserverList({me, other});
    waiting.show();
    rightClickRow(waiting);  // nothing selected
    waiting.selectRow(0);    // the own entry: no menu
    rightClickRow(waiting);
    waiting.selectRow(1);
    rightClickRow(waiting);
    SpeakerListView speakers(QRectF(0, 0, 200, 250));
    speakers.setDelegate(&delegate);
    speakers.setParams(QStringLiteral("me"), me);
    speakers.setSpeakerList({owner, other});
    speakers.show();
    speakers.selectRow(0);
    rightClickRow(speakers);
    speakers.selectRow(1);
    speakers.setSpeakerList({owner});  // the selected row is gone
    rightClickRow(speakers);
    EXPECT_EQ(delegate.calls, (std::vector<QString>{"reserverMenu u1", "speakerMenu owner"}));
    EXPECT_EQ(speakers.selectedRow(), FloorListView::kNoSelection);
}

TEST_F(SeminarListViewsTest, ListNotificationsKeepTheListsCurrent) {
    WaitingListView waiting(QRectF(0, 0, 200, 250));
    waiting.setParams(QStringLiteral("owner"), me);
    SpeakerListView speakers(QRectF(0, 0, 200, 250));
    speakers.setParams(QStringLiteral("owner"), me);
    std::vector<SpeakerInfoRef> speakerList{owner, me};
    ListNotificator::sharedNotificator().requestChangeSpeakerNotification(QVariant::fromValue(speakerList));
    ListNotificator::sharedNotificator().requestChangeReserverNotification(
        QVariant::fromValue(std::vector<UserInfoRef>{other, me}));
    dispatcher->runPending();
    EXPECT_EQ(speakers.numberOfRows(), 2);
    EXPECT_TRUE(speakers.doneButton()->isEnabled());
    EXPECT_EQ(waiting.numberOfRows(), 2);
    EXPECT_TRUE(waiting.cancelButton()->isEnabled());
    // The view keeps its own copy: a later change of the source is not seen.
    speakerList.clear();
    EXPECT_EQ(speakers.speakerList().size(), 2u);
}

TEST_F(SeminarListViewsTest, ThePaneShowsNamesWithTheOwnRowInBlue) {
    View pane(QRectF(0, 0, 200, 500), nullptr);
    auto* waiting = new WaitingListView(QRectF(0, 260, 200, 240));
    auto* speakers = new SpeakerListView(QRectF(0, 0, 200, 240));
    pane.addSubview(waiting);
    pane.addSubview(speakers);
    waiting->setParams(QStringLiteral("owner"), me);
    speakers->setParams(QStringLiteral("owner"), me);
    waiting->setReserverList({other});
    speakers->setSpeakerList({owner, me});
    pane.show();
    const QImage shot = pane.grab().toImage();
    shot.save(videoScreenshotPath(QStringLiteral("seminar-lists")));
    // The own row's name is drawn in blue; the others' are not.
    const auto hasBlue = [&](QWidget* table, int row) {
        auto* t = static_cast<QTableWidget*>(table);
        const QRect cell = t->visualRect(t->model()->index(row, 1));
        const QPoint origin = t->viewport()->mapTo(&pane, cell.topLeft());
        for (int y = origin.y(); y < origin.y() + cell.height(); ++y)
            for (int x = origin.x(); x < origin.x() + cell.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                if (c.blue() > 150 && c.red() < 100 && c.green() < 100) return true;
            }
        return false;
    };
    EXPECT_TRUE(hasBlue(speakers->tableView(), 1));
    EXPECT_FALSE(hasBlue(speakers->tableView(), 0));
    EXPECT_FALSE(hasBlue(waiting->tableView(), 0));
    // The owner's row carries the chair mark in the icon column.
    EXPECT_FALSE(speakers->tableView()->item(0, 0)->icon().isNull());
    EXPECT_TRUE(speakers->tableView()->item(1, 0)->icon().isNull());
    EXPECT_EQ(speakers->tableView()->item(0, 1)->text(), QStringLiteral("Name owner"));
    EXPECT_EQ(speakers->tableView()->horizontalHeaderItem(1)->text(),
              LocalizedString("dfMAINVIEW_SELECT_LIST2"));
    EXPECT_EQ(waiting->tableView()->horizontalHeaderItem(1)->text(),
              LocalizedString("dfMAINVIEW_SELECT_LIST3"));
}

}  // namespace
