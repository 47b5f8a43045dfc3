// The header and footer bars of the conference window and the sizes of the
// conference view: which buttons a room shows and where, the footer texts,
// the window frame and the minimum sizes.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "conference/MVFooterView.h"
#include "conference/MVHeaderView.h"
#include "conference/StartViewController.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Localization.h"
#include "platform/UserDefaults.h"
#include "session/LoginManager.h"

namespace {

QVariantMap flags(std::initializer_list<const char*> keys) {
    QVariantMap m;
    for (const char* k : keys) m.insert(QString::fromLatin1(k), QStringLiteral("Y"));
    return m;
}

std::vector<int> tagsOf(const MVHeaderView::Layout& layout, bool rightArea) {
    std::vector<int> tags;
    for (const auto& b : layout.buttons)
        if (b.rightArea == rightArea) tags.push_back(b.tag);
    return tags;
}

const MVHeaderView::ButtonPlace* placeOf(const MVHeaderView::Layout& layout, int tag) {
    for (const auto& b : layout.buttons)
        if (b.tag == tag) return &b;
    return nullptr;
}

struct HeaderCase {
    const char* name;
    QVariantMap conf;
    bool owner;
    int category;
    bool webinar;
    std::vector<int> left;
    std::vector<int> right;
    double minWidth;
};

TEST(MVHeaderViewLayout, ButtonsOfEachRoomAndTheSmallestWidth) {
    const QVariantMap all = flags({"CONFIGMODE", "DOCSHAREMODE", "TEXTBOXMODE", "MODE_SMARTPHONE_TEXTBOX",
                                   "MODE_SMARTPHONE_SEND_MESSAGE", "SEND_MESSAGE", "MODE_SMARTPHONE_AP_SHARE",
                                   "ASMODE", "USERLISTMODE", "EXITMODE", "HELPMODE"});
    const int S = HEADER_DEVICE_SPEAKER, M = HEADER_DEVICE_MIC, C = HEADER_DEVICE_CAMERA;
    const std::vector<HeaderCase> cases = {
        {"settings, exit and help",
         flags({"CONFIGMODE", "EXITMODE", "HELPMODE"}),
         false,
         0,
         false,
         {1001},
         {5002, 5001, S, M, C},
         42.0 * 7},
        {"devices only", {}, false, 0, false, {}, {S, M, C}, 42.0 * 4},
        {"every function in a normal room",
         all,
         false,
         0,
         false,
         {1001, 1003, 1004, 1005, 1006, 1002},
         {5002, 5001, S, M, C},
         42.0 * (6 + 6)},
        {"a webinar keeps settings and the list only",
         all,
         false,
         1,
         true,
         {1001, 1002},
         {5002, 5001, S, M, C},
         42.0 * (2 + 6)},
        {"text box needs its smartphone key",
         flags({"TEXTBOXMODE"}),
         false,
         0,
         false,
         {},
         {S, M, C},
         42.0 * 4},
        {"many-meeting room without its sharing key",
         all,
         false,
         2,
         false,
         {1001, 1003, 1004, 1005, 1002},
         {5002, 5001, S, M, C, 4001},
         42.0 * (5 + 8)},
        {"many-meeting room with its sharing key",
         [&] {
             QVariantMap m = all;
             m.insert("MODE_MANY_MTG_AS", "Y");
             return m;
         }(),
         false,
         2,
         false,
         {1001, 1003, 1004, 1005, 1006, 1002},
         {5002, 5001, S, M, C, 4001},
         42.0 * (6 + 8)},
        {"webinar owner with every layout",
         all,
         true,
         1,
         true,
         {1001, 1002},
         {5002, 5001, S, M, C, 2003, 2002, 2001},
         42.0 * (2 + 9)},
        {"webinar owner with documents only",
         flags({"DOCSHAREMODE"}),
         true,
         1,
         true,
         {},
         {S, M, C, 2002, 2001},
         42.0 * 6},
        {"webinar owner without features", {}, true, 1, true, {}, {S, M, C, 2001}, 42.0 * 5},
        {"a webinar participant gets no layout buttons",
         all,
         false,
         1,
         true,
         {1001, 1002},
         {5002, 5001, S, M, C},
         42.0 * 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto layout = MVHeaderView::layoutButtons(c.conf, c.owner, c.category, c.webinar, 800, 42);
        EXPECT_EQ(tagsOf(layout, false), c.left);
        EXPECT_EQ(tagsOf(layout, true), c.right);
        EXPECT_DOUBLE_EQ(layout.minSizeWidth, c.minWidth);
    }
}

TEST(MVHeaderViewLayout, PlacesButtonsFromBothEdges) {
    QVariantMap conf =
        flags({"CONFIGMODE", "USERLISTMODE", "EXITMODE", "HELPMODE", "DOCSHAREMODE", "TEXTBOXMODE"});
    const double W = 800, H = 40;
    auto layout = MVHeaderView::layoutButtons(conf, false, 0, false, W, H);
    struct Expect {
        int tag;
        QRectF frame;
    };
    const std::vector<Expect> normal = {
        {1001, QRectF(7, 5, 32, 32)},
        {1003, QRectF(49, 5, 32, 32)},
        {1002, QRectF(91, 5, 32, 32)},
        {5002, QRectF(W - 42 - 8, 5, 32, 32)},
        {5001, QRectF(W - 84 - 8, 5, 32, 32)},
        {HEADER_DEVICE_SPEAKER, QRectF(W - 126 - 12, 5, 32, 32)},
        {HEADER_DEVICE_MIC, QRectF(W - 168 - 9, 5, 32, 32)},
        {HEADER_DEVICE_CAMERA, QRectF(W - 210 - 9, 5, 32, 32)},
    };
    for (const auto& e : normal) {
        SCOPED_TRACE(e.tag);
        const auto* p = placeOf(layout, e.tag);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->frame, e.frame);
    }

    // Webinar layout buttons are 39 wide in steps of 48 from index r + 3.
    layout = MVHeaderView::layoutButtons(conf, true, 1, true, W, H);
    EXPECT_EQ(placeOf(layout, 2003)->frame, QRectF(W - 48 * 6 - 8, 5, 39, 32));
    EXPECT_EQ(placeOf(layout, 2002)->frame, QRectF(W - 48 * 7 - 8, 5, 39, 32));
    EXPECT_EQ(placeOf(layout, 2001)->frame, QRectF(W - 48 * 8 - 8, 5, 39, 32));

    // The style button leaves one index empty after the camera.
    layout = MVHeaderView::layoutButtons({}, false, 2, false, W, H);
    EXPECT_EQ(placeOf(layout, 4001)->frame, QRectF(W - 42 * 5 - 8, 5, 32, 32));
}

TEST(MVHeaderViewLayout, ManyMeetingStyleImages) {
    const std::vector<std::pair<int, const char*>> cases = {
        {0, "up_bar"},   {1, "down_bar"}, {2, "left_bar"}, {3, "right_bar"}, {4, "own_bar"},
        {5, "only_bar"}, {6, "only_bar"}, {7, "up_bar"},   {-1, "up_bar"}};
    for (const auto& [style, name] : cases)
        EXPECT_EQ(MVHeaderView::getManyMtgStyleName(style), name) << style;
}

class HeaderDelegate : public MVHeaderViewDelegate {
public:
    void onClickFunctionMenu(int tag) override { clicks.push_back(tag); }
    void onSelectMenuItemFromManyMtgMenu(int item, int old) override { styles.push_back({item, old}); }
    void onClickVideoOptionBtn(const SpeakerInfo& s, int option) override {
        options.push_back(option);
        clientNo = s.clientNo();
    }
    void onSlideVideoOptionBtn(const SpeakerInfo&, int option, float value) override {
        slides.push_back({option, value});
    }
    std::optional<std::pair<bool, int>> getConvertFromStrWinSyncToModeForWebinar() override { return mode; }
    int64_t getLoginManagerStatus() override { return status; }
    bool getIsMainUserStatusLogin() override { return mainUserIn; }

    std::vector<int> clicks, options;
    std::vector<std::pair<int, int>> styles;
    std::vector<std::pair<int, float>> slides;
    int clientNo = 0;
    std::optional<std::pair<bool, int>> mode;
    int64_t status = LOGIN_STATUS_LOGGED_IN;
    bool mainUserIn = false;
};

class MVHeaderViewTest : public ::testing::Test {
protected:
    void SetUp() override { ensureQtApplication(); }
    std::unique_ptr<MVHeaderView> make(const QVariantMap& conf, bool owner, int category, bool webinar,
                                       bool speaker = false) {
        return std::make_unique<MVHeaderView>(QRectF(0, 0, 600, 42), conf, owner, category, webinar, me, 0.3f,
                                              0.7f, speaker, &delegate);
    }
    QPushButton* button(MVHeaderView& v, int tag) {
        return v.findChild<QPushButton*>(QStringLiteral("headerButton%1").arg(tag));
    }
    TemporaryHome home;
    UserInfoRef me = std::make_shared<UserInfo>("me", "Me", "M0");
    HeaderDelegate delegate;
};

TEST_F(MVHeaderViewTest, FunctionButtonsActOnlyWhileLoggedIn) {
    auto header = make(flags({"CONFIGMODE", "EXITMODE"}), false, 0, false);
    button(*header, 1001)->click();
    delegate.status = LOGIN_STATUS_RECONNECTING;
    button(*header, 5002)->click();
    delegate.status = LOGIN_STATUS_LOGGED_IN;
    button(*header, 5002)->click();
    EXPECT_EQ(delegate.clicks, (std::vector<int>{1001, 5002}));
}

TEST_F(MVHeaderViewTest, DeviceButtonsReportTheOwnUser) {
    auto header = make({}, false, 0, false);
    header->findChild<QPushButton*>("headerMicButton")->click();
    header->findChild<QPushButton*>("headerSpeakerButton")->click();
    header->findChild<QPushButton*>("headerCameraButton")->click();
    header->onChangeSpeakerSliderValue(0.25f);
    EXPECT_EQ(delegate.options, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(delegate.clientNo, CLIENT_NO_SELF);
    ASSERT_EQ(delegate.slides.size(), 1u);
    EXPECT_EQ(delegate.slides[0], (std::pair<int, float>{1, 0.25f}));
}

TEST_F(MVHeaderViewTest, DeviceButtonsOfAWebinarListenerStartDisabled) {
    struct Case {
        bool webinar, owner, speaker, enabled;
    };
    for (const Case c : {Case{true, false, false, false}, Case{true, false, true, true},
                         Case{true, true, false, true}, Case{false, false, false, true}}) {
        auto header = make({}, c.owner, c.webinar ? 1 : 0, c.webinar, c.speaker);
        EXPECT_EQ(header->findChild<QPushButton*>("headerMicButton")->isEnabled(), c.enabled);
        header->setHeaderBtnEnable(false);
        EXPECT_EQ(header->findChild<QPushButton*>("headerCameraButton")->isEnabled(), !c.webinar);
    }
}

TEST_F(MVHeaderViewTest, MicrophoneStartsOffInManyMeetingRoomsAndByTheSetting) {
    EXPECT_TRUE(
        make({}, false, 0, false)->findChild<QPushButton*>("headerMicButton")->property("on").toBool());
    EXPECT_FALSE(
        make({}, false, 2, false)->findChild<QPushButton*>("headerMicButton")->property("on").toBool());
    UserDefaults::standard().setInteger("SettingView_micsetting", 1);
    EXPECT_FALSE(
        make({}, false, 0, false)->findChild<QPushButton*>("headerMicButton")->property("on").toBool());
}

TEST_F(MVHeaderViewTest, WebinarListButtonFollowsTheMainUser) {
    EXPECT_FALSE(button(*make(flags({"USERLISTMODE"}), false, 1, true), 1002)->isEnabled());
    delegate.mainUserIn = true;
    EXPECT_TRUE(button(*make(flags({"USERLISTMODE"}), false, 1, true), 1002)->isEnabled());
    delegate.mainUserIn = false;
    EXPECT_TRUE(button(*make(flags({"USERLISTMODE"}), true, 1, true), 1002)->isEnabled());
}

TEST_F(MVHeaderViewTest, WebinarLayoutButtonsFollowTheMode) {
    auto header = make(flags({"TEXTBOXMODE", "DOCSHAREMODE"}), true, 1, true);
    auto states = [&] {
        return std::vector<bool>{button(*header, 2001)->isChecked(), button(*header, 2002)->isChecked(),
                                 button(*header, 2003)->isChecked()};
    };
    const std::vector<std::pair<int, std::vector<bool>>> cases = {
        {1, {true, false, false}},  {4, {true, false, false}},  {5, {false, true, false}},
        {11, {false, true, false}}, {12, {false, false, true}}, {14, {false, false, true}},
        {15, {false, false, true}}, {-1, {false, false, true}},
    };
    for (const auto& [mode, expected] : cases) {
        header->webinarBtnsStatusChange(mode);
        EXPECT_EQ(states(), expected) << mode;
    }
    // 0 asks the delegate; without an answer nothing changes.
    header->webinarBtnsStatusChange(0);
    EXPECT_EQ(states(), (std::vector<bool>{false, false, true}));
    delegate.mode = std::pair<bool, int>{true, 2};
    header->webinarBtnsStatusChange(0);
    EXPECT_EQ(states(), (std::vector<bool>{true, false, false}));
}

TEST_F(MVHeaderViewTest, ChoosingTheActiveStyleChangesNothing) {
    auto header = make({}, false, 2, false);
    UserDefaults::standard().setInteger("KeyManyMtgStyle", 3);
    header->onSelectMenuItemFromManyMtgMenu(3);
    EXPECT_TRUE(delegate.styles.empty());
    header->onSelectMenuItemFromManyMtgMenu(1);
    EXPECT_EQ(delegate.styles, (std::vector<std::pair<int, int>>{{1, 3}}));
    EXPECT_EQ(UserDefaults::standard().integerForKey("KeyManyMtgStyle"), 1);
    EXPECT_EQ(button(*header, 4001)->property("image").toString(), "down_bar");
}

TEST(MVFooterViewTest, TextsOfEveryConnectionMethodAndTheReconnectNotice) {
    ensureQtApplication();
    const QVariantMap conf{{"CLASSNAME", "Room A"}};
    const std::vector<std::pair<int, QString>> cases = {
        {CONNECT_TYPE_DIRECT, LocalizedString("dfCONNECTIONMETHOD_KEY3")},
        {CONNECT_TYPE_TUNNELING, LocalizedString("dfCONNECTIONMETHOD_KEY4")},
        {CONNECT_TYPE_TUNNELING2, LocalizedString("dfCONNECTIONMETHOD_KEY4")},
        {CONNECT_TYPE_PROXY, LocalizedString("dfCONNECTIONMETHOD_PROXY")},
    };
    for (const auto& [type, method] : cases) {
        MVFooterView footer(QRectF(0, 0, 600, 25), conf, 0, false, type);
        auto* label = footer.findChild<QLabel*>("footerLabel");
        ASSERT_NE(label, nullptr);
        EXPECT_FALSE(method.isEmpty());
        EXPECT_EQ(label->text(), QString("Room A") + QChar(0x3000) + "<<<<< " + method + " >>>>>") << type;
        EXPECT_EQ(View::frameOf(label), QRectF(4, 2, 400 - 4, 21));
        footer.setReconnectLable();
        EXPECT_EQ(label->text(), QString("   Room A") + QChar(0x3000) + "<<<<< " +
                                     LocalizedString("dfMAINVIEW_RECONNECT_LBL") + " >>>>>");
    }
    // The footer text byte for byte (English table).
    Localization::setLanguage("en");
    MVFooterView proxy(QRectF(0, 0, 600, 25), conf, 0, false, CONNECT_TYPE_PROXY);
    EXPECT_EQ(proxy.getTextFooterConfInfo().toUtf8(),
              QByteArray("Room A\xE3\x80\x80<<<<< ") + LocalizedString("dfCONNECTIONMETHOD_PROXY").toUtf8() +
                  " >>>>>");
}

TEST(ConferenceGeometry, HeaderHeightReadsTheVersionAsADecimal) {
    const std::vector<std::pair<const char*, double>> cases = {
        {"10.9.5", 42}, {"10.12.6", 37}, {"10.15.7", 37}, {"10.16.0", 42}, {"11.2.0", 42}, {"6.8.0", 37}};
    for (const auto& [version, height] : cases)
        EXPECT_EQ(StartViewController::headerHeightForVersion(version), height) << version;
}

TEST(ConferenceGeometry, WindowFrameFromSavedAndComputedSizes) {
    const QRectF screen(0, 0, 1920, 1080), visible(0, 0, 1920, 1050);
    struct Case {
        const char* name;
        QSizeF computed;
        QRectF saved;
        QRectF visible;
        QRectF frame;
        double videoW, videoH;
    };
    const std::vector<Case> cases = {
        {"saved 600 high",
         {700, 400},
         QRectF(100, 200, 520, 600),
         visible,
         QRectF(100, 200, 520, 605),
         520,
         510},
        {"no saved frame: top left of the screen",
         {700, 400},
         QRectF(),
         visible,
         QRectF(0, 1080 - 495, 700, 495),
         700,
         400},
        {"narrow area widens to 520",
         {300, 400},
         QRectF(),
         visible,
         QRectF(0, 1080 - 495, 520, 495),
         520,
         400},
        {"low screen shrinks the area only",
         {700, 900},
         QRectF(),
         QRectF(0, 0, 1920, 800),
         QRectF(0, 1080 - 995, 700, 995),
         700,
         900 - 195},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto g = StartViewController::conferenceGeometry(c.computed, c.saved, 42, screen, c.visible);
        EXPECT_EQ(g.windowFrame, c.frame);
        EXPECT_DOUBLE_EQ(g.videoWidth, c.videoW);
        EXPECT_DOUBLE_EQ(g.videoHeight, c.videoH);
    }
}

TEST(ConferenceGeometry, MinimumSizeOfEveryRoomKind) {
    std::vector<std::pair<int, int>> asked;
    auto calc = [&](int c, int n) {
        asked.push_back({c, n});
        return QSizeF(1000 + c, 100 + n);
    };
    struct Case {
        int category, count;
        bool webinar;
        QSizeF size;
        std::pair<int, int> asked;
    };
    const std::vector<Case> cases = {
        {0, 10, false, {294, 20 + 42 + 60 + 25 + 6}, {-1, -1}},
        {1, 10, false, {294, 20 + 42 + 360 + 25 + 6}, {-1, -1}},
        {1, 10, true, {1002, 190}, {2, 90}},
        {2, 59, false, {294, 130}, {0, 30}},
        {2, 60, false, {294, 160}, {0, 60}},
        {2, 109, false, {294, 190}, {0, 90}},
        {2, 110, false, {392, 200}, {0, 100}},
        {2, 139, false, {392, 200}, {0, 100}},
        {2, 140, false, {441, 230}, {2, 130}},
    };
    for (const auto& c : cases) {
        asked.clear();
        EXPECT_EQ(StartViewController::calcMinWindowSize(c.category, c.count, c.webinar, 294, 42, 20, calc),
                  c.size)
            << c.category << " " << c.count;
        if (c.asked.first >= 0)
            EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{c.asked}));
        else
            EXPECT_TRUE(asked.empty());
    }
}

TEST(ConferenceLook, SpeakingColourAndThreshold) {
    using S = StartViewController;
    EXPECT_FALSE(S::speakingColor({{"MODE_SPEAKING_COLOR", "50505"}}));
    EXPECT_FALSE(S::speakingColor({{"MODE_SPEAKING_COLOR", "5050505"}}));
    EXPECT_FALSE(S::speakingColor({}));
    EXPECT_EQ(*S::speakingColor({{"MODE_SPEAKING_COLOR", "505050"}}), QColor::fromRgbF(0.5f, 0.5f, 0.5f));
    // Letters read as 0: a hexadecimal red reads as black.
    EXPECT_EQ(*S::speakingColor({{"MODE_SPEAKING_COLOR", "FF0000"}}), QColor::fromRgbF(0, 0, 0));
    for (const auto& [value, expected] : std::vector<std::pair<const char*, std::optional<int>>>{
             {"0", std::nullopt}, {"100", std::nullopt}, {"1", 1}, {"99", 99}, {"x", std::nullopt}})
        EXPECT_EQ(S::speakThreshold({{"MODE_SPEAK_THRESH_OLD", value}}), expected) << value;
}

TEST(ConferenceLook, AutomaticRecordingAtEntry) {
    using S = StartViewController;
    struct Case {
        const char* name;
        QVariantMap conf;
        QString user;
        int category;
        bool webinar;
        std::optional<std::tuple<int, int, int>> result;
    };
    const QVariantMap rec{{"RECORDING", "Y"}};
    auto with = [&](std::initializer_list<std::pair<const char*, const char*>> kv) {
        QVariantMap m = rec;
        for (auto [k, v] : kv) m.insert(k, v);
        return m;
    };
    const std::vector<Case> cases = {
        {"no recording key", {{"MODE_AUTO_SAVE_REC", "1"}}, "u", 0, false, std::nullopt},
        {"mode 0", rec, "u", 0, false, std::nullopt},
        {"camera mode", with({{"MODE_AUTO_SAVE_REC", "1"}}), "u", 0, false, std::tuple{1, 640, 480}},
        {"normal-user mode refuses a one-time user", with({{"MODE_AUTO_SAVE_REC_ONLY_NORMALUSER", "1"}}),
         "/once", 0, false, std::nullopt},
        {"plain mode records a one-time user", with({{"MODE_AUTO_SAVE_REC", "1"}}), "/once", 0, false,
         std::tuple{1, 640, 480}},
        {"normal-user mode wins",
         with({{"MODE_AUTO_SAVE_REC_ONLY_NORMALUSER", "2"}, {"MODE_AUTO_SAVE_REC", "1"}}), "u", 0, false,
         std::tuple{2, 3840, 2160}},
        {"mode 1 in a webinar", with({{"MODE_AUTO_SAVE_REC", "1"}}), "u", 1, true, std::nullopt},
        {"mode 10 in a many-meeting room", with({{"MODE_AUTO_SAVE_REC", "10"}}), "u", 2, false, std::nullopt},
        {"mode 9 in a webinar", with({{"MODE_AUTO_SAVE_REC", "9"}}), "u", 1, true, std::tuple{9, 640, 480}},
        {"screen mode 12", with({{"MODE_AUTO_SAVE_REC", "12"}}), "u", 2, false, std::tuple{12, 3840, 2160}},
        {"unknown mode", with({{"MODE_AUTO_SAVE_REC", "4"}}), "u", 0, false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r =
            S::autoSaveRecording({c.conf, c.user, c.category, c.webinar, QSize(640, 480), QSize(3840, 2160)});
        ASSERT_EQ(r.has_value(), c.result.has_value());
        if (r) {
            EXPECT_EQ(std::tuple(r->mode, r->width, r->height), *c.result);
        }
    }
}

}  // namespace
