// Saved window layouts: the stored form of a layout and of its frames, the
// keys by room and user, and the lookup of the start-up layout's frames.

#include <gtest/gtest.h>

#include <QDataStream>
#include <limits>

#include "fixtures/app/AppTestSupport.h"
#include "platform/UserDefaults.h"
#include "services/DataSaveManager.h"
#include "services/SaveLayoutInfo.h"

namespace {

const QRectF kMain(100, 200, 800, 600), kList(10, 20, 300, 400), kTB(5, 6, 200, 150), kDS(40, 50, 640, 480);

SaveLayoutInfo layout(const QString& title, const QRectF& main = kMain) {
    return SaveLayoutInfo(title, main, kList, QRectF(), kDS, QRectF());
}

TEST(SaveLayoutInfo, FramesRoundTripThroughTheStoredDictionary) {
    const SaveLayoutInfo made("Desk", kMain, kList, kTB, kDS, QRectF());
    const QVariantMap dict = made.dict();
    EXPECT_EQ(dict.size(), 6);
    EXPECT_EQ(dict.value("KeySaveLayoutTitle").toString(), "Desk");
    const SaveLayoutInfo read(dict);
    EXPECT_EQ(read.title(), "Desk");
    EXPECT_EQ(read.dict(), dict);
    EXPECT_EQ(read.mainWindowRect(), kMain);
    EXPECT_EQ(read.userListWindowRect(), kList);
    EXPECT_EQ(read.tbWindowRect(), kTB);
    EXPECT_EQ(read.dsWindowRect(), kDS);
    EXPECT_EQ(read.wbWindowRect(), QRectF());

    // Fractional frames keep every digit.
    const QRectF fine(0.125, -33.75, 1e3 / 3, 2.5);
    EXPECT_EQ(SaveLayoutInfo::fromDataToRect(SaveLayoutInfo::fromRectToData(fine)), fine);

    // Data that is no stored frame gives the zero rectangle.
    const QByteArray good = SaveLayoutInfo::fromRectToData(kMain);
    QByteArray wrongTag = good;
    wrongTag[0] = 'X';
    QByteArray notFinite;
    {
        QDataStream out(&notFinite, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::BigEndian);
        out << quint32(0x52656374) << 1.0 << std::numeric_limits<double>::quiet_NaN() << 3.0 << 4.0;
    }
    for (const QByteArray& bad : {QByteArray(), good.left(good.size() - 1), good + "x", wrongTag, notFinite,
                                  QByteArray("KeySaveLayoutRectMain")})
        EXPECT_EQ(SaveLayoutInfo::fromDataToRect(bad), QRectF()) << bad.toHex().toStdString();
    const SaveLayoutInfo damaged(QVariantMap{{"KeySaveLayoutTitle", "x"}, {"KeySaveLayoutRectMain", "junk"}});
    EXPECT_EQ(damaged.mainWindowRect(), QRectF());
}

TEST(SaveLayoutInfo, LayoutsRoundTripThroughTheSettingsStore) {
    TemporaryHome home;
    DataSaveManager::saveLayouts(0, "u1", {layout("One"), layout("Two", QRectF(1, 2, 3, 4))}, 2);
    DataSaveManager::saveLayouts(2, "", {layout("Many")}, 1);
    UserDefaults::resetStandard();  // read back from the file

    EXPECT_TRUE(UserDefaults::standard().hasKey("KeySaveLayoutArrayNormalu1"));
    EXPECT_EQ(UserDefaults::standard().integerForKey("KeySaveLayoutLaunchNormalu1"), 2);
    const std::vector<SaveLayoutInfo> normal = DataSaveManager::loadLayouts(0, "u1");
    ASSERT_EQ(normal.size(), 2u);
    EXPECT_EQ(normal[0].title(), "One");
    EXPECT_EQ(normal[1].mainWindowRect(), QRectF(1, 2, 3, 4));
    EXPECT_EQ(normal[0].userListWindowRect(), kList);
    EXPECT_EQ(normal[0].dict(), layout("One").dict());
    EXPECT_EQ(DataSaveManager::loadLayoutLaunchIndex(0, "u1"), 2);
    ASSERT_EQ(DataSaveManager::loadLayouts(2, "").size(), 1u);
    EXPECT_TRUE(DataSaveManager::loadLayouts(1, "u1").empty());
    EXPECT_EQ(DataSaveManager::loadLayoutLaunchIndex(1, "u1"), 0);
}

TEST(SaveLayoutInfo, KeysByRoomCategory) {
    EXPECT_EQ(SaveLayoutInfo::arrayKey(0, "u1"), "KeySaveLayoutArrayNormalu1");
    EXPECT_EQ(SaveLayoutInfo::launchKey(0, "u1"), "KeySaveLayoutLaunchNormalu1");
    EXPECT_EQ(SaveLayoutInfo::arrayKey(1, ""), "KeySaveLayoutArraySeminar");
    EXPECT_EQ(SaveLayoutInfo::launchKey(1, "x"), "KeySaveLayoutLaunchSeminarx");
    for (int other : {2, 3, -1}) {
        EXPECT_EQ(SaveLayoutInfo::arrayKey(other, ""), "KeySaveLayoutArrayManymtg");
        EXPECT_EQ(SaveLayoutInfo::launchKey(other, ""), "KeySaveLayoutLaunchManymtg");
    }
}

// The start-up lookup, case by case.
TEST(SaveLayoutInfo, TheStartUpLayoutsFrames) {
    TemporaryHome home;
    const QVariantMap on{{"MODE_SAVE_LAYOUT", "Y"}};
    const QVariantMap shared{{"MODE_SAVE_LAYOUT", "Y"}, {"MODE_SAVE_LAYOUT_ALLUSER", "Y"}};
    DataSaveManager::saveLayouts(0, "u1", {layout("A", QRectF(0, 0, 700, 500)), layout("B")}, 2);
    DataSaveManager::saveLayouts(0, "u2", {layout("C")}, 2);  // index beyond the one layout
    DataSaveManager::saveLayouts(0, "", {layout("Shared", QRectF(9, 9, 900, 900))}, 1);
    DataSaveManager::saveLayouts(1, "u1", {layout("Small", QRectF(0, 0, 100, 100))}, 1);
    DataSaveManager::saveLayouts(2, "u1", {layout("Small", QRectF(0, 0, 100, 100))}, 1);
    DataSaveManager::saveLayouts(0, "u3", {layout("None")}, 0);
    const auto minimum = [] { return QSizeF(400, 300); };
    const struct {
        QVariantMap conf;
        int category;
        const char* user;
        QString key;
        QRectF expected;
    } cases[] = {
        {on, 0, "u1", SaveLayoutInfo::kRectMain, kMain},                       // the second layout
        {on, 0, "u1", SaveLayoutInfo::kRectList, kList},                       //
        {on, 0, "u1", SaveLayoutInfo::kRectTB, QRectF()},                      // hidden when saved
        {on, 0, "u1", SaveLayoutInfo::kRectDS, kDS},                           //
        {on, 0, "u1", SaveLayoutInfo::kRectWB, QRectF()},                      //
        {on, 0, "u1", QStringLiteral("KeySomethingElse"), QRectF()},           //
        {QVariantMap{}, 0, "u1", SaveLayoutInfo::kRectMain, QRectF()},         // layouts not used
        {on, 0, "u2", SaveLayoutInfo::kRectMain, QRectF()},                    // index 2 of one layout
        {on, 0, "u3", SaveLayoutInfo::kRectMain, QRectF()},                    // index 0
        {on, 0, "u9", SaveLayoutInfo::kRectMain, QRectF()},                    // nothing stored
        {shared, 0, "u1", SaveLayoutInfo::kRectMain, QRectF(9, 9, 900, 900)},  // no suffix
        {on, 1, "u1", SaveLayoutInfo::kRectMain, QRectF(0, 0, 100, 100)},      // seminar: smaller is kept
        {on, 2, "u1", SaveLayoutInfo::kRectMain, QRectF()},                    // many-meeting: too small
    };
    for (const auto& c : cases) {
        const SaveLayoutInfo::Room room{c.conf, c.category, QString::fromLatin1(c.user)};
        EXPECT_EQ(SaveLayoutInfo::savedFrame(c.key, room, UserDefaults::standard(), minimum), c.expected)
            << c.category << " " << c.user << " " << c.key.toStdString();
    }
}

}  // namespace
