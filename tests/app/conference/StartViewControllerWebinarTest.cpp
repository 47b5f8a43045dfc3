// Webinar layouts in the conference window: what each mode prepares and puts
// into which pane, the layout menus' tags, and a picture of every mode with
// the own tile in the speaker grid and the waiting picture.

#include <gtest/gtest.h>

#include <QScopeGuard>
#include <memory>

#include "app/tiles/VideoTestSupport.h"
#include "conference/MainViewController.h"
#include "conference/PopupWebinarMenu.h"
#include "conference/StartViewController.h"
#include "platform/Dispatch.h"
#include "platform/MainBundle.h"
#include "platform/View.h"
#include "platform/Window.h"
#include "tiles/CameraView.h"

namespace {

using SVC = StartViewController;

TEST(StartViewControllerWebinar, ModeTablePreparesAndPlacesTheContents) {
    const struct {
        int mode;
        bool flag;
        std::vector<SVC::WebinarStep> steps;
        SVC::WebinarContent left, right, bottom;
    } cases[] = {
        {1,
         false,
         {SVC::WB_CLOSE_DOC, SVC::WB_CLOSE_WB, SVC::WB_REMOVE_TB, SVC::WB_CLOSE_AP},
         SVC::WC_VIDEO,
         SVC::WC_NONE,
         SVC::WC_NONE},
        {0,
         true,
         {SVC::WB_CLOSE_DOC, SVC::WB_CLOSE_WB, SVC::WB_REMOVE_TB, SVC::WB_CLOSE_AP},
         SVC::WC_VIDEO,
         SVC::WC_NONE,
         SVC::WC_NONE},
        {99,
         false,
         {SVC::WB_CLOSE_DOC, SVC::WB_CLOSE_WB, SVC::WB_REMOVE_TB, SVC::WB_CLOSE_AP},
         SVC::WC_VIDEO,
         SVC::WC_NONE,
         SVC::WC_NONE},
        {2,
         true,
         {SVC::WB_CLOSE_WB, SVC::WB_REMOVE_TB, SVC::WB_CLOSE_AP, SVC::WB_OPEN_DOC},
         SVC::WC_DOC,
         SVC::WC_NONE,
         SVC::WC_NONE},
        {3,
         false,
         {SVC::WB_OPEN_WB, SVC::WB_CLOSE_DOC, SVC::WB_REMOVE_TB, SVC::WB_CLOSE_AP},
         SVC::WC_WB,
         SVC::WC_NONE,
         SVC::WC_NONE},
        {4,
         false,
         {SVC::WB_CLOSE_DOC, SVC::WB_CLOSE_WB, SVC::WB_REMOVE_TB, SVC::WB_AP_PANE},
         SVC::WC_AP,
         SVC::WC_NONE,
         SVC::WC_NONE},
        {5,
         false,
         {SVC::WB_CLOSE_WB, SVC::WB_REMOVE_TB, SVC::WB_CLOSE_AP, SVC::WB_OPEN_DOC},
         SVC::WC_VIDEO,
         SVC::WC_DOC,
         SVC::WC_NONE},
        {5,
         true,
         {SVC::WB_CLOSE_WB, SVC::WB_REMOVE_TB, SVC::WB_CLOSE_AP, SVC::WB_OPEN_DOC},
         SVC::WC_DOC,
         SVC::WC_VIDEO,
         SVC::WC_NONE},
        {6,
         true,
         {SVC::WB_CLOSE_DOC, SVC::WB_REMOVE_TB, SVC::WB_CLOSE_AP, SVC::WB_OPEN_WB},
         SVC::WC_WB,
         SVC::WC_VIDEO,
         SVC::WC_NONE},
        {7,
         false,
         {SVC::WB_CLOSE_DOC, SVC::WB_CLOSE_WB, SVC::WB_REMOVE_TB, SVC::WB_AP_PANE},
         SVC::WC_VIDEO,
         SVC::WC_AP,
         SVC::WC_NONE},
        {8,
         true,
         {SVC::WB_CLOSE_DOC, SVC::WB_CLOSE_WB, SVC::WB_CLOSE_AP, SVC::WB_OPEN_TB},
         SVC::WC_VIDEO,
         SVC::WC_NONE,
         SVC::WC_TB},
        {9,
         false,
         {SVC::WB_CLOSE_WB, SVC::WB_CLOSE_AP, SVC::WB_OPEN_DOC, SVC::WB_OPEN_TB},
         SVC::WC_DOC,
         SVC::WC_NONE,
         SVC::WC_TB},
        {10,
         false,
         {SVC::WB_CLOSE_DOC, SVC::WB_CLOSE_AP, SVC::WB_OPEN_TB, SVC::WB_OPEN_WB},
         SVC::WC_WB,
         SVC::WC_NONE,
         SVC::WC_TB},
        {11,
         false,
         {SVC::WB_CLOSE_DOC, SVC::WB_CLOSE_WB, SVC::WB_OPEN_TB, SVC::WB_AP_PANE},
         SVC::WC_AP,
         SVC::WC_NONE,
         SVC::WC_TB},
        {12,
         false,
         {SVC::WB_CLOSE_AP, SVC::WB_CLOSE_WB, SVC::WB_OPEN_DOC, SVC::WB_OPEN_TB},
         SVC::WC_VIDEO,
         SVC::WC_DOC,
         SVC::WC_TB},
        {13,
         true,
         {SVC::WB_CLOSE_DOC, SVC::WB_CLOSE_AP, SVC::WB_OPEN_WB, SVC::WB_OPEN_TB},
         SVC::WC_WB,
         SVC::WC_VIDEO,
         SVC::WC_TB},
        {14,
         true,
         {SVC::WB_CLOSE_DOC, SVC::WB_CLOSE_WB, SVC::WB_OPEN_TB, SVC::WB_AP_PANE},
         SVC::WC_AP,
         SVC::WC_VIDEO,
         SVC::WC_TB},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << "/" << c.flag);
        const SVC::WebinarLayoutPlan plan = SVC::webinarLayoutPlan(c.mode, c.flag);
        EXPECT_EQ(plan.steps, c.steps);
        EXPECT_EQ(plan.left, c.left);
        EXPECT_EQ(plan.right, c.right);
        EXPECT_EQ(plan.bottom, c.bottom);
    }
}

TEST(StartViewControllerWebinar, MenuTagsChooseModeAndFlag) {
    const struct {
        int tag, mode;
        bool flag;
    } cases[] = {{0, 1, false},   {1, 2, false},   {3, 4, false},  {4, 5, false},   {5, 5, true},
                 {7, 6, true},    {9, 7, true},    {10, 8, false}, {13, 11, false}, {15, 12, true},
                 {16, 13, false}, {18, 14, false}, {19, 14, true}};
    for (const auto& c : cases)
        EXPECT_EQ(SVC::webinarMenuChoice(c.tag), std::make_pair(c.mode, c.flag)) << c.tag;
    for (int tag : {-1, 20, 1000}) EXPECT_FALSE(SVC::webinarMenuChoice(tag)) << tag;
}

// The own camera as the capture object would serve it: one fixed picture.
struct StillCapture : CameraCaptureSource {
    QImage displayPicture(uint64_t* serial) const override {
        if (serial != nullptr) *serial = 1;
        return picture;
    }
    void setMyVideoHandler(std::function<void(const QImage&)>) override {}
    void recMyVideo(bool) override {}
    void setBgMode(int, const QImage&) override {}
    QImage picture;
};

QWidget* colouredView(QColor colour) {
    auto* view = new QWidget;
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, colour);
    view->setPalette(palette);
    return view;
}

// Every mode on screen: the own tile (green) inside the speaker grid's pane,
// the contents in theirs, the waiting picture over all of them.
TEST(StartViewControllerWebinar, EveryModeOnScreen) {
    QtApplicationFirst app;
    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    View host(QRectF(0, 0, 1200, 700), nullptr);
    host.show();
    auto self = std::make_shared<SpeakerInfo>(CLIENT_NO_SELF, QStringLiteral("chair"),
                                              QStringLiteral("Chair"), QStringLiteral("S0"));
    auto* own = new VideoInfo(new CameraView(QRectF(0, 0, 320, 240)), true, true, true, false);
    own->setSpeakerInfo(self);
    MainViewController::Params p;
    p.roomCategory = ROOM_CATEGORY_SEMINAR;
    p.isWebinar = true;
    p.ownerUserId = QStringLiteral("chair");
    p.myVideoInfo = own;
    auto area = std::make_unique<MainViewController>(p);
    View* v = area->view();
    v->setParent(&host);
    View::setFrameOf(v, QRectF(0, 0, 1200, 700));
    v->show();
    const auto cleanup = qScopeGuard([&] {
        static_cast<CameraView*>(own->video())->setCapture(nullptr);
        own->video()->setParent(nullptr);
        area.reset();
        delete own;
    });
    area->addSpeaker(self);
    StillCapture capture;
    capture.picture = solidPicture(320, 240, QColor(40, 180, 60));
    static_cast<CameraView*>(own->video())->setCapture(&capture);
    dispatcher->runPending();

    const QColor docColour(250, 250, 250), apColour(70, 130, 200), tbColour(250, 230, 120),
        wbColour(200, 200, 200);
    std::unique_ptr<QWidget> doc(colouredView(docColour)), ap(colouredView(apColour)),
        tb(colouredView(tbColour)), wb(colouredView(wbColour));
    const auto content = [&](SVC::WebinarContent c) -> QWidget* {
        switch (c) {
            case SVC::WC_VIDEO:
                return area->getWebinarVideoView();
            case SVC::WC_DOC:
                return doc.get();
            case SVC::WC_WB:
                return wb.get();
            case SVC::WC_AP:
                return ap.get();
            case SVC::WC_TB:
                return tb.get();
            default:
                return nullptr;
        }
    };
    const auto colourOf = [&](SVC::WebinarContent c) {
        switch (c) {
            case SVC::WC_DOC:
                return docColour;
            case SVC::WC_WB:
                return wbColour;
            case SVC::WC_AP:
                return apColour;
            default:
                return tbColour;
        }
    };
    // Bottom-up pane rectangle to a point of the top-down picture.
    const auto centreOf = [](const View* pane) {
        const QRectF f = pane->frame();
        return QPoint(int(f.center().x()), int(700 - f.center().y()));
    };
    for (int mode = 1; mode <= 14; ++mode) {
        for (bool flag : {false, true}) {
            SCOPED_TRACE(testing::Message() << mode << "/" << flag);
            const SVC::WebinarLayoutPlan plan = SVC::webinarLayoutPlan(mode, flag);
            area->setMainViewLayout(content(plan.left), content(plan.right), content(plan.bottom));
            own->video()->refreshLayerImage();
            const QImage shot = host.grab().toImage().convertToFormat(QImage::Format_ARGB32);
            if (mode == 14 && flag)
                EXPECT_TRUE(shot.save(videoScreenshotPath(QStringLiteral("webinar-mode-14-content-main"))));
            if (mode == 12 && !flag)
                EXPECT_TRUE(shot.save(videoScreenshotPath(QStringLiteral("webinar-mode-12"))));
            const std::pair<SVC::WebinarContent, View*> panes[] = {
                {plan.left, area->leftViewForWebinar()},
                {plan.right, area->rightViewForWebinar()},
                {plan.bottom, area->bottomViewForWebinar()}};
            for (const auto& [kind, pane] : panes) {
                if (kind == SVC::WC_NONE) {
                    EXPECT_EQ(pane, nullptr);
                    continue;
                }
                ASSERT_NE(pane, nullptr);
                if (kind == SVC::WC_VIDEO) {
                    // The own tile sits inside the grid's pane.
                    const QRect tile = own->video()->geometry().translated(
                        own->video()->mapTo(&host, QPoint(0, 0)) - own->video()->pos());
                    const QRect paneRect(pane->mapTo(&host, QPoint(0, 0)), pane->size());
                    EXPECT_TRUE(paneRect.contains(tile.center()));
                    EXPECT_TRUE(nearColor(shot.pixelColor(tile.center()), QColor(40, 180, 60)));
                } else {
                    EXPECT_TRUE(nearColor(shot.pixelColor(centreOf(pane)), colourOf(kind)));
                }
            }
        }
    }
    // The waiting picture covers the area: grey, with its blue text.
    area->makeNotStartWebinarView(true);
    const QImage waiting = host.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(waiting.save(videoScreenshotPath(QStringLiteral("webinar-waiting"))));
    EXPECT_TRUE(nearColor(waiting.pixelColor(5, 5), QColor(217, 217, 217)));
    EXPECT_TRUE(nearColor(waiting.pixelColor(1195, 695), QColor(217, 217, 217)));
    int blue = 0;
    for (int y = 0; y < 700; y += 2)
        for (int x = 0; x < 1200; x += 2)
            blue += nearColor(waiting.pixelColor(x, y), QColor(33, 150, 243), 40) ? 1 : 0;
    EXPECT_GT(blue, 200);  // the presenter image and the text
    area->getWebinarVideoView()->setParent(nullptr);
}

}  // namespace

namespace {

TEST(PopupWebinarMenu, ItemsFollowTheRoomAndCheckTheCurrentLayout) {
    const QVariantMap all{{"DOCSHAREMODE", "Y"}, {"ASMODE", "Y"}, {"TEXTBOXMODE", "Y"}};
    const auto tags = [](const std::vector<PopupWebinarMenu::Item>& items) {
        std::vector<int> t;
        for (const auto& i : items) t.push_back(i.tag);
        return t;
    };
    const auto checked = [](const std::vector<PopupWebinarMenu::Item>& items) {
        std::vector<int> t;
        for (const auto& i : items)
            if (i.checked) t.push_back(i.tag);
        return t;
    };
    EXPECT_EQ(tags(PopupWebinarMenu::items(1, all, false, 1)), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(tags(PopupWebinarMenu::items(2, all, false, 1)), (std::vector<int>{4, 5, 8, 9, 10, 11, 13}));
    EXPECT_EQ(tags(PopupWebinarMenu::items(3, all, false, 1)), (std::vector<int>{14, 15, 18, 19}));
    // Only the keys that are "Y" offer their items.
    EXPECT_EQ(tags(PopupWebinarMenu::items(1, {}, false, 1)), (std::vector<int>{0}));
    EXPECT_EQ(tags(PopupWebinarMenu::items(2, {{"TEXTBOXMODE", "Y"}}, false, 1)), (std::vector<int>{10}));
    EXPECT_TRUE(PopupWebinarMenu::items(3, {{"DOCSHAREMODE", "Y"}, {"ASMODE", "Y"}}, false, 1).empty());
    // Checked: the mode, and the flag where the layout has both panes.
    EXPECT_EQ(checked(PopupWebinarMenu::items(1, all, true, 1)), (std::vector<int>{0}));
    EXPECT_EQ(checked(PopupWebinarMenu::items(2, all, true, 5)), (std::vector<int>{5}));
    EXPECT_EQ(checked(PopupWebinarMenu::items(2, all, false, 7)), (std::vector<int>{8}));
    EXPECT_EQ(checked(PopupWebinarMenu::items(2, all, true, 8)), (std::vector<int>{10}));
    EXPECT_EQ(checked(PopupWebinarMenu::items(3, all, true, 14)), (std::vector<int>{19}));
    EXPECT_TRUE(checked(PopupWebinarMenu::items(2, all, false, 0)).empty());
    for (int menu = 1; menu <= 3; ++menu)
        for (const auto& item : PopupWebinarMenu::items(menu, all, false, 0))
            EXPECT_TRUE(MainBundle::pathForResource(item.image, QStringLiteral("png")))
                << item.image.toStdString();
}

}  // namespace
