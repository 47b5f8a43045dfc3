#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>

#include "fixtures/app/AppTestSupport.h"
#include "platform/MainBundle.h"
#include "services/Common.h"

TEST(CommonTest, DataFolderAndSubfoldersAreCreatedOnFirstUse) {
    TemporaryHome home;
    const QString base = home.path() + "/.local/share/" + MainBundle::identifier();
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/.local/share"));

    const char* names[] = {"DocumentSharing", "TextBox", "Message", "ApplicationSharing", "Log"};
    for (int index = 0; index < 5; ++index) {
        const auto path = Common::getCommonAppDirectory(index);
        ASSERT_TRUE(path.has_value()) << index;
        EXPECT_EQ(*path, base + "/" + names[index]);
        EXPECT_TRUE(QFileInfo(*path).isDir());
        EXPECT_EQ(Common::getCommonAppDirectory(index), path);  // second use finds it
    }
    EXPECT_FALSE(Common::getCommonAppDirectory(5).has_value());
    EXPECT_FALSE(Common::getCommonAppDirectory(-1).has_value());
    EXPECT_EQ(QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 5);
}

TEST(CommonTest, DataFolderFollowsXdgDataHomeAndRefusesAFileInTheWay) {
    TemporaryHome home;
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    EXPECT_EQ(Common::getCommonAppDirectory(4), home.path() + "/data/" + MainBundle::identifier() + "/Log");

    QFile blocker(home.path() + "/data/" + MainBundle::identifier() + "/TextBox");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(Common::getCommonAppDirectory(1).has_value());
}

TEST(CommonTest, HexColourIgnoresSignAndCaseAndNeedsDigits) {
    for (const char* text : {"#FF8000", "＃FF8000", "FF8000", "ff8000", "#ff8000", "0xFF8000"}) {
        const auto colour = Common::colorWithHexString(QString::fromUtf8(text), 0.5);
        ASSERT_TRUE(colour.has_value()) << text;
        EXPECT_EQ(colour->red(), 255) << text;
        EXPECT_EQ(colour->green(), 128) << text;
        EXPECT_EQ(colour->blue(), 0) << text;
        EXPECT_NEAR(colour->alphaF(), 0.5, 0.01) << text;
    }
    EXPECT_FALSE(Common::colorWithHexString("#", 1).has_value());
    EXPECT_FALSE(Common::colorWithHexString("zz", 1).has_value());
    EXPECT_FALSE(Common::colorWithHexString("##FF8000", 1).has_value());  // only one sign is dropped
    EXPECT_EQ(Common::colorWithHexString("80", 1)->blue(), 128);
}

TEST(CommonTest, PointsAndTunnelFlagUseTheDefaults) {
    TemporaryHome home;
    Common common;
    EXPECT_EQ(common.standardDefaultsCGLoad("Window"), QPointF(0, 0));
    common.standardDefaultsCGSave("Window", QPointF(12.5, -3));
    EXPECT_EQ(Common::standardDefaultsLoad("WindowX"), QString("12.500000"));
    EXPECT_EQ(common.standardDefaultsCGLoad("Window"), QPointF(12.5, -3));

    common.saveConnectType(2);
    EXPECT_EQ(common.loadingConnectType(), -1);  // the room does not allow tunnelling
    common.setConnectMode(false);
    EXPECT_FALSE(common.mbConfigTunnelingY());
    common.setConnectMode(true);
    common.setConnectMode(false);  // can only be set
    EXPECT_EQ(common.loadingConnectType(), 2);
}

TEST(CommonTest, WrappedTextGrowsWithNarrowerWidths) {
    ensureQtApplication();
    const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QString text = "one two three four five six seven eight nine ten eleven twelve";
    const double wide = Common::heightForMessageStr(text, font, 5000);
    const double narrow = Common::heightForMessageStr(text, font, 60);
    EXPECT_GT(wide, 0);
    EXPECT_GT(narrow, wide * 3);
    EXPECT_EQ(Common::heightForMessageStr("", font, 100), Common::heightForMessageStr("x", font, 100));
}
