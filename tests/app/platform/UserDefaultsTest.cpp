#include <gtest/gtest.h>

#include <QFile>

#include "fixtures/app/AppTestSupport.h"
#include "platform/UserDefaults.h"

namespace {

QByteArray fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(UserDefaultsTest, StoreLivesInTheXdgConfigFolderAndEveryWriteReachesTheFile) {
    TemporaryHome home;
    UserDefaults& defaults = UserDefaults::standard();
    EXPECT_EQ(defaults.filePath(), home.path() + "/.config/Quorix/Quorix.conf");

    defaults.setInteger("KeyConnectType", 2);
    EXPECT_TRUE(fileText(defaults.filePath()).contains("KeyConnectType=2"));
    defaults.setString("SettingView_Host", "proxy.example");
    EXPECT_TRUE(fileText(defaults.filePath()).contains("SettingView_Host=proxy.example"));
    defaults.removeObjectForKey("KeyConnectType");
    EXPECT_FALSE(fileText(defaults.filePath()).contains("KeyConnectType"));

    qputenv("XDG_CONFIG_HOME", (home.path() + "/elsewhere").toUtf8());
    UserDefaults::resetStandard();
    EXPECT_EQ(UserDefaults::standard().filePath(), home.path() + "/elsewhere/Quorix/Quorix.conf");
}

TEST(UserDefaultsTest, ValuesKeepTheirTypeAcrossAFreshStoreAndMissingKeysReadEmpty) {
    TemporaryHome home;
    const QString path = home.path() + "/store.conf";
    {
        UserDefaults defaults(path);
        defaults.setInteger("int", -7);
        defaults.setFloat("float", 0.65f);
        defaults.setBool("bool", true);
        defaults.setString("text", "a/b = c; d");
        defaults.setObject("dict", QVariantMap{{"https://a.example/x", QVariantMap{{"user/1", 0.5}}}});
    }
    UserDefaults defaults(path);
    EXPECT_EQ(defaults.integerForKey("int"), -7);
    EXPECT_FLOAT_EQ(defaults.floatForKey("float"), 0.65f);
    EXPECT_TRUE(defaults.boolForKey("bool"));
    EXPECT_EQ(defaults.stringForKey("text"), QString("a/b = c; d"));
    EXPECT_DOUBLE_EQ(
        defaults.dictionaryForKey("dict").value("https://a.example/x").toMap().value("user/1").toDouble(),
        0.5);

    EXPECT_FALSE(defaults.hasKey("missing"));
    EXPECT_EQ(defaults.integerForKey("missing"), 0);
    EXPECT_EQ(defaults.floatForKey("missing"), 0.0f);
    EXPECT_FALSE(defaults.boolForKey("missing"));
    EXPECT_FALSE(defaults.stringForKey("missing").has_value());
    EXPECT_TRUE(defaults.dictionaryForKey("missing").isEmpty());

    // Texts read as numbers and booleans the way the platform store reads them.
    defaults.setString("numeric", "12abc");
    defaults.setString("yes", "YES");
    EXPECT_EQ(defaults.integerForKey("numeric"), 12);
    EXPECT_TRUE(defaults.boolForKey("yes"));
    EXPECT_TRUE(defaults.boolForKey("numeric"));
}
