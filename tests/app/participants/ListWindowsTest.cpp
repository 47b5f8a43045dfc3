// The participant list windows: rows, marks, menus and buttons from their own
// copies of the lists, the copies following the participant model's notices
// (run on a manual main queue), and both windows rendered offscreen with four
// participants, their names, the chair and the floor states read back from
// the picture.
#include <gtest/gtest.h>

#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

#include "../../fixtures/app/AppTestSupport.h"
#include "model/UserListInfo.h"
#include "participants/ClientListWindowController.h"
#include "participants/ListWindow.h"
#include "participants/ParticipantWindows.h"
#include "platform/Dispatch.h"
#include "platform/Menu.h"

namespace {

UserInfoRef user(const char* id, const char* name) {
    return std::make_shared<UserInfo>(id, name, "S0");
}
SpeakerInfoRef speaker(int no, const char* id, const char* name) {
    return std::make_shared<SpeakerInfo>(no, id, name, "S0");
}

// Records which participants' menus were asked for and gives an empty menu.
struct MenuDelegate : ListWindowDelegate, ClientListWindowDelegate {
    Menu* makePopupClientMenu(const UserInfoRef& u) override {
        return menu("client " + u->userId().toStdString());
    }
    Menu* makePopupSpeakerMenu(const UserInfoRef& u) override {
        return menu("speaker " + u->userId().toStdString());
    }
    Menu* makePopupReserverMenu(const UserInfoRef& u) override {
        return menu("reserver " + u->userId().toStdString());
    }
    void closeListWindow(const QRectF& frame) override { closed.push_back(frame); }
    void endSpeech(const SpeakerInfoRef& s) override { calls.push_back("end " + s->userId().toStdString()); }
    void changeReserveState(bool permit, const UserInfoRef& u) override {
        calls.push_back((permit ? "allow " : "deny ") + u->userId().toStdString());
    }
    Menu* menu(std::string what) {
        calls.push_back(std::move(what));
        auto* m = new Menu();
        m->addItem("item", 0);
        return m;
    }
    std::vector<std::string> calls;
    std::vector<QRectF> closed;
};

std::vector<std::string> names(QTableWidget* table, int column) {
    std::vector<std::string> out;
    for (int r = 0; r < table->rowCount(); ++r)
        out.push_back(table->item(r, column) ? table->item(r, column)->text().toStdString() : "(none)");
    return out;
}

bool markIs(QTableWidget* table, int row, ListMark mark) {
    QTableWidgetItem* icon = table->item(row, 0);
    if (icon == nullptr) return false;
    const QVariant shown = icon->data(Qt::DecorationRole);
    if (mark == ListMark::None) return !shown.isValid();
    return shown.isValid() && shown.value<QPixmap>().toImage() == ListWindow::markImage(mark).toImage();
}

bool hasMark(QTableWidget* table, int row) {
    QTableWidgetItem* icon = table->item(row, 0);
    return icon != nullptr && icon->data(Qt::DecorationRole).isValid();
}

class ListWindowsTest : public ::testing::Test {
protected:
    ListWindowsTest() { ensureQtApplication(); }
    ScopedManualDispatcher mainThread;
    TemporaryHome home;
    MenuDelegate delegate;
    UserInfoRef me = user("me", "Me");
};

TEST_F(ListWindowsTest, ANormalRoomListsTheSpeakersOwnUserFirstAndMarksTheChair) {
    UserListInfo lists(ROOM_CATEGORY_NORMAL, me, "u2", std::nullopt);
    lists.addSpeaker(speaker(2, "u2", "Two"));
    lists.addSpeaker(speaker(3, "u3", "Three"));
    mainThread->runPending();
    ListWindow w(QRectF(0, 0, 240, 300));
    w.makeListView(me, "u2", ROOM_CATEGORY_NORMAL, false, false);
    w.setListDelegate(&delegate);
    const auto speakers = *lists.speakerList();
    w.setListArray(std::vector<UserInfoRef>(speakers.begin(), speakers.end()));
    EXPECT_EQ(names(w.table(), 1), (std::vector<std::string>{"Me", "Two", "Three"}));
    EXPECT_EQ(w.table()->item(0, 1)->foreground().color(), QColor(Qt::blue));
    EXPECT_NE(w.table()->item(1, 1)->foreground().color(), QColor(Qt::blue));
    EXPECT_FALSE(hasMark(w.table(), 0));
    EXPECT_TRUE(hasMark(w.table(), 1));

    // A right click on the first row opens the own user's menu.
    w.table()->selectRow(0);
    Menu* shown = w.rightClick(QPoint(10, 10));
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    shown->close();
    EXPECT_EQ(delegate.calls, std::vector<std::string>{"client me"});

    // An owner change moves the mark at once; a new speaker is listed.
    lists.addSpeaker(speaker(4, "u4", "Four"));
    ListNotificator::sharedNotificator().requestChangeOwnerNotification("u3");
    mainThread->runPending();
    EXPECT_EQ(names(w.table(), 1), (std::vector<std::string>{"Me", "Two", "Three", "Four"}));
    EXPECT_FALSE(hasMark(w.table(), 1));
    EXPECT_TRUE(hasMark(w.table(), 2));
}

TEST_F(ListWindowsTest, MarksOfTheListWindows) {
    EXPECT_EQ(ListWindow::markFor("u2", "u2", false), ListMark::Chair);
    EXPECT_EQ(ListWindow::markFor("u2", "u2", true), ListMark::None);  // a room without chair
    EXPECT_EQ(ListWindow::markFor("u3", "u2", false), ListMark::None);

    struct Case {
        const char* name;
        const char* id;
        std::vector<SpeakerInfoRef> speakers;
        std::vector<UserInfoRef> waiting;
        ListMark mark;
    };
    const std::vector<Case> cases = {
        {"the chair", "boss", {speaker(1, "u2", "Two")}, {}, ListMark::Chair},
        {"the chair, nobody speaking", "boss", {}, {}, ListMark::Chair},
        {"speaking and waiting", "u2", {speaker(1, "u2", "Two")}, {user("u2", "Two")}, ListMark::Speaking},
        {"waiting while another speaks",
         "u3",
         {speaker(1, "u2", "Two")},
         {user("u3", "Three")},
         ListMark::Waiting},
        {"waiting while nobody speaks", "u3", {}, {user("u3", "Three")}, ListMark::None},
        {"listening", "u4", {speaker(1, "u2", "Two")}, {user("u3", "Three")}, ListMark::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClientListWindowController::clientMarkFor(c.id, "boss", c.speakers, c.waiting), c.mark)
            << c.name;
}

TEST_F(ListWindowsTest, ASeminarListShowsTheOwnUserFirstWithoutMenuThenTheAudience) {
    UserListInfo lists(ROOM_CATEGORY_SEMINAR, me, "boss", std::nullopt);
    ListWindow w(QRectF(0, 0, 240, 300));
    w.makeListView(me, "boss", ROOM_CATEGORY_SEMINAR, false, false);
    w.setListDelegate(&delegate);
    w.setListArray({});
    lists.addClient(user("boss", "Boss"));
    lists.addClient(user("u5", "Five"));
    lists.addSpeaker(speaker(9, "u9", "Nine"));  // speakers are no concern of this list
    mainThread->runPending();
    EXPECT_EQ(names(w.table(), 1), (std::vector<std::string>{"Me", "Boss", "Five"}));
    EXPECT_TRUE(hasMark(w.table(), 1));
    w.table()->selectRow(0);
    EXPECT_EQ(w.rightClick(QPoint(10, 10)), nullptr);
    w.table()->selectRow(2);
    Menu* shown = w.rightClick(QPoint(10, 10));
    ASSERT_NE(shown, nullptr);
    shown->close();
    EXPECT_EQ(delegate.calls, std::vector<std::string>{"client u5"});

    // The selection stays with its participant when the list puts someone before him.
    lists.updateList({user("u6", "Six"), user("boss", "Boss"), user("u5", "Five")});
    mainThread->runPending();
    EXPECT_EQ(names(w.table(), 1), (std::vector<std::string>{"Me", "Six", "Boss", "Five"}));
    EXPECT_EQ(w.selectedRow(), 3);
    shown = w.rightClick(QPoint(10, 10));
    ASSERT_NE(shown, nullptr);
    shown->close();
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"client u5", "client u5"}));

    // A notice without a list empties the copy; the selection goes with the row.
    lists.resetData(true);
    mainThread->runPending();
    EXPECT_EQ(names(w.table(), 1), std::vector<std::string>{"Me"});
    EXPECT_EQ(w.selectedRow(), -1);
    EXPECT_EQ(w.rightClick(QPoint(10, 10)), nullptr);
}

TEST_F(ListWindowsTest, TheWebinarWindowsButtonsActForTheChairOnly) {
    struct Case {
        const char* owner;
        std::vector<SpeakerInfoRef> speakers;
        std::vector<UserInfoRef> waiting;
        bool remove, answer;
    };
    const std::vector<Case> cases = {
        {"me", {speaker(CLIENT_NO_SELF, "me", "Me")}, {}, false, false},
        {"me",
         {speaker(CLIENT_NO_SELF, "me", "Me"), speaker(2, "u2", "Two")},
         {user("u3", "Three")},
         true,
         true},
        // Another participant's window never changes its buttons.
        {"boss", {speaker(1, "boss", "Boss"), speaker(2, "u2", "Two")}, {user("u3", "Three")}, false, false},
    };
    for (const Case& c : cases) {
        ClientListWindowController w(QRectF(0, 0, 260, 320), me, c.owner, ROOM_CATEGORY_SEMINAR, false, true);
        w.setListArray({}, c.speakers, c.waiting);
        EXPECT_EQ(w.removeBtn()->isEnabled(), c.remove) << c.owner;
        EXPECT_EQ(w.allowBtn()->isEnabled(), c.answer) << c.owner;
        EXPECT_EQ(w.denyBtn()->isEnabled(), c.answer) << c.owner;
    }
}

TEST_F(ListWindowsTest, TheWebinarWindowActsOnTheSelectedRowOfItsCopies) {
    UserListInfo lists(ROOM_CATEGORY_SEMINAR, me, "me", std::nullopt);
    ClientListWindowController w(QRectF(0, 0, 260, 320), me, "me", ROOM_CATEGORY_SEMINAR, false, true);
    w.setClientListDelegate(&delegate);
    w.setListArray({}, *lists.speakerList(), {});
    lists.addClient(user("u2", "Two"));
    lists.addClient(user("u3", "Three"));
    lists.addSpeaker(speaker(2, "u2", "Two"));
    lists.addReserver(user("u3", "Three"));
    mainThread->runPending();
    EXPECT_EQ(names(w.clientTable(), 1), (std::vector<std::string>{"Me", "Two", "Three"}));
    EXPECT_EQ(names(w.speakerTable(), 1), (std::vector<std::string>{"Me", "Two"}));
    EXPECT_EQ(names(w.reserveTable(), 0), std::vector<std::string>{"Three"});
    EXPECT_TRUE(w.removeBtn()->isEnabled());
    EXPECT_TRUE(w.allowBtn()->isEnabled());

    // The own speaker row can be selected but nothing acts on it.
    w.speakerTable()->selectRow(0);
    EXPECT_EQ(w.selectedRow(), ClientListWindowController::kOwnSpeakerRow);
    w.onClickRemoveBtn();
    EXPECT_EQ(w.validateFirstResponder(w.speakerTable()), nullptr);
    w.speakerTable()->selectRow(1);
    w.onClickRemoveBtn();
    w.reserveTable()->selectRow(0);
    w.onClickDenyBtn();
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"end u2", "deny u3"}));

    // A table taking the focus with a selected row opens that row's menu and deselects.
    delegate.calls.clear();
    w.clientTable()->selectRow(2);
    Menu* shown = w.validateFirstResponder(w.clientTable());
    ASSERT_NE(shown, nullptr);
    shown->close();
    EXPECT_EQ(w.selectedRow(), -1);
    EXPECT_TRUE(w.clientTable()->selectedItems().isEmpty());
    w.clientTable()->selectRow(0);  // the own user: no menu
    EXPECT_EQ(w.validateFirstResponder(w.clientTable()), nullptr);
    EXPECT_EQ(delegate.calls, std::vector<std::string>{"client u3"});

    // A row that left the list meanwhile does nothing.
    delegate.calls.clear();
    w.reserveTable()->selectRow(0);
    lists.deleteReserver("u3");
    mainThread->runPending();
    w.onClickAllowBtn();
    EXPECT_TRUE(delegate.calls.empty());
    EXPECT_FALSE(w.allowBtn()->isEnabled());

    // Another tab deselects every table.
    w.speakerTable()->selectRow(1);
    w.tabView()->setCurrentIndex(2);
    EXPECT_EQ(w.selectedRow(), -1);
    EXPECT_TRUE(w.speakerTable()->selectedItems().isEmpty());

    // An owner change moves the mark at once but leaves the buttons as they are.
    EXPECT_TRUE(markIs(w.clientTable(), 0, ListMark::Chair));
    EXPECT_TRUE(markIs(w.clientTable(), 1, ListMark::Speaking));
    ListNotificator::sharedNotificator().requestChangeOwnerNotification("u2");
    mainThread->runPending();
    EXPECT_TRUE(markIs(w.clientTable(), 0, ListMark::Speaking));
    EXPECT_TRUE(markIs(w.clientTable(), 1, ListMark::Chair));
    EXPECT_TRUE(w.removeBtn()->isEnabled());
}

TEST_F(ListWindowsTest, ANewListWindowOpensBesideTheConferenceWindowNotOverIt) {
    const QRectF screen(0, 0, 1280, 1000);
    struct Case {
        QRectF conference, list;
    };
    const std::vector<Case> cases = {
        {QRectF(0, 700, 609, 300), QRectF(619, 600, 260, 400)},    // room on the right
        {QRectF(900, 600, 370, 300), QRectF(630, 500, 260, 400)},  // no room on the right: to the left
        {QRectF(100, 0, 600, 200), QRectF(710, 0, 260, 400)},      // low on the screen: kept on it
    };
    for (const Case& c : cases) {
        const QRectF list = ParticipantWindows::defaultFrame(c.conference, screen);
        EXPECT_EQ(list, c.list) << c.conference.x() << "," << c.conference.y();
        EXPECT_FALSE(list.intersects(c.conference));
    }
}

// ---- As the user sees them ----

QString screenshotPath(const char* name) {
    const QString dir = QStringLiteral(QUORIX_TEST_BINARY_DIR "/ui-screenshots");
    QDir().mkpath(dir);
    return dir + "/" + name;
}

// Pixels of a cell of a table in the window's picture.
struct CellInk {
    int marked = 0;                // pixels that differ from the row's background
    int blue = 0;                  // clearly blue pixels
    int dark = 0;                  // dark (text) pixels
    int left = 10000, right = -1;  // extent of the dark and blue pixels
    int orange = 0, green = 0;     // the hand's and the speaker's colours
};

CellInk inkOf(const QImage& picture, QWidget* window, QTableWidget* table, int row, int column) {
    const QRect cell = table->visualRect(table->model()->index(row, column));
    const QPoint origin = table->viewport()->mapTo(window, cell.topLeft());
    const QRect r(origin, cell.size());
    const QRgb background = picture.pixel(r.right() - 1, r.bottom() - 1);
    CellInk ink;
    for (int y = r.top() + 1; y < r.bottom(); ++y)
        for (int x = r.left() + 1; x < r.right(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            if (picture.pixel(x, y) != background) ++ink.marked;
            const bool blue = c.blue() > c.red() + 60 && c.blue() > c.green() + 60;
            const bool dark = c.lightness() < 110;
            if (blue) ++ink.blue;
            if (dark) ++ink.dark;
            if (c.red() > 200 && c.green() > 120 && c.green() < 200 && c.blue() < 110) ++ink.orange;
            if (c.green() > c.red() + 50 && c.green() > c.blue() + 20) ++ink.green;
            if (blue || dark) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
            }
        }
    return ink;
}

QImage grab(Window* window) {
    window->show();
    QCoreApplication::processEvents();
    return window->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST_F(ListWindowsTest, TheListWindowAsTheUserSeesItWithFourParticipants) {
    ListWindow w(QRectF(0, 0, 260, 220));
    w.makeListView(me, "u3", ROOM_CATEGORY_NORMAL, false, false);
    const std::vector<UserInfoRef> people = {speaker(CLIENT_NO_SELF, "me", "Me"), speaker(2, "u2", "Al"),
                                             speaker(3, "u3", "Beatrice Longname"), speaker(4, "u4", "Cy")};
    w.setListArray(people);
    const QImage picture = grab(w.window());
    ASSERT_TRUE(picture.save(screenshotPath("participant-list-window.png")));

    const QFontMetrics metrics(w.table()->font());
    for (int r = 0; r < 4; ++r) {
        SCOPED_TRACE(people[size_t(r)]->userName().toStdString());
        const CellInk name = inkOf(picture, w.window(), w.table(), r, 1);
        // The name is written out: its ink is as wide as the text.
        EXPECT_NEAR(name.right - name.left + 1, metrics.horizontalAdvance(people[size_t(r)]->userName()), 4);
        // The own name is blue, the others are not.
        if (r == 0) {
            EXPECT_GT(name.blue, 10);
        } else {
            EXPECT_EQ(name.blue, 0);
            EXPECT_GT(name.dark, 10);
        }
        // Only the chair's row carries a mark.
        const CellInk icon = inkOf(picture, w.window(), w.table(), r, 0);
        if (r == 2) {
            EXPECT_GT(icon.marked, 20);
        } else {
            EXPECT_EQ(icon.marked, 0);
        }
    }
}

TEST_F(ListWindowsTest, TheWebinarWindowAsTheUserSeesItWithFourParticipants) {
    ClientListWindowController w(QRectF(0, 0, 280, 260), me, "me", ROOM_CATEGORY_SEMINAR, false, true);
    const std::vector<UserInfoRef> audience = {user("u2", "Al"), user("u3", "Beatrice"), user("u4", "Cy")};
    w.setListArray(audience, {speaker(CLIENT_NO_SELF, "me", "Me"), speaker(2, "u2", "Al")},
                   {user("u3", "Beatrice")});
    const QImage picture = grab(w.window());
    ASSERT_TRUE(picture.save(screenshotPath("participant-webinar-window.png")));

    const std::vector<std::string> shown = {"Me", "Al", "Beatrice", "Cy"};
    const QFontMetrics metrics(w.clientTable()->font());
    for (int r = 0; r < 4; ++r) {
        SCOPED_TRACE(shown[size_t(r)]);
        const CellInk name = inkOf(picture, w.window(), w.clientTable(), r, 1);
        EXPECT_NEAR(name.right - name.left + 1,
                    metrics.horizontalAdvance(QString::fromStdString(shown[size_t(r)])), 4);
    }
    // The chair (the own user), the speaker, the waiting participant, a listener.
    const CellInk chair = inkOf(picture, w.window(), w.clientTable(), 0, 0);
    const CellInk speaking = inkOf(picture, w.window(), w.clientTable(), 1, 0);
    const CellInk waiting = inkOf(picture, w.window(), w.clientTable(), 2, 0);
    const CellInk listening = inkOf(picture, w.window(), w.clientTable(), 3, 0);
    EXPECT_GT(chair.marked, 20);
    EXPECT_GT(speaking.green, 10);
    EXPECT_EQ(speaking.orange, 0);
    EXPECT_GT(waiting.orange, 40);
    EXPECT_EQ(waiting.green, 0);
    EXPECT_EQ(listening.marked, 0);
    // The chair's tab shows its buttons of the moment.
    w.tabView()->setCurrentIndex(2);
    EXPECT_TRUE(w.allowBtn()->isEnabled());
}

}  // namespace
