#include <gtest/gtest.h>

#include <QRegularExpression>

#include "fixtures/app/AppTestSupport.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "services/QuorixUtils.h"

namespace {

QString launchLink(const QByteArray& text, const QString& tail = {}) {
    return "quorix://open?p=" + QString::fromLatin1(text.toBase64()) + tail;
}

const QByteArray kElevenFields =
    "'skip' 'user1' 'pass%25word' 'Name%20A' 'top' 'room' 'https%3A%2F%2Fw.example%2Fconf%2F' '7' '8' '9' 'tok%3Dx'";

}  // namespace

TEST(QuorixUtilsTest, LaunchLinkFieldsAreUnwrappedAndPercentDecoded) {
    const QStringList expected = {"skip", "user1", "pass%word", "Name A", "top", "room",
                                  "https://w.example/conf/", "7", "8", "9", "tok=x"};
    EXPECT_EQ(QuorixUtils::ParseOpenUrlParameter(launchLink(kElevenFields)), expected);
    EXPECT_EQ(QuorixUtils::ParseOpenUrlParameter(launchLink(kElevenFields, "&cx=whatever?p=AAAA")), expected);
    EXPECT_EQ(QuorixUtils::ParseOpenUrlParameter(launchLink("\"\xE5\xAE\x9F\" [%E5%90%8D]")),
              (QStringList{"\u5B9F", "\u540D"}));
}

TEST(QuorixUtilsTest, MalformedLaunchLinksNeverCrash) {
    struct Case {
        const char* name;
        QString link;
        QStringList expected;
    };
    const QByteArray sample = QByteArray("'a' 'b'").toBase64();
    const Case cases[] = {
        {"no ?p=", "quorix://open?q=" + QString::fromLatin1(sample), {}},
        {"line break inside", "quorix://open?p=" + QString::fromLatin1(sample.left(4) + "\n" + sample.mid(4)), {}},
        {"space inside", "quorix://open?p=" + QString::fromLatin1(sample.left(4) + " " + sample.mid(4)), {}},
        {"not Base64", "quorix://open?p=****", {}},
        {"unpadded", "quorix://open?p=" + QString::fromLatin1(QByteArray("'ab'").toBase64()).remove('='), {}},
        {"not UTF-8", launchLink("'\xFF\xFE'"), {}},
        {"short fields", launchLink("'a' x  ''"), {"a", "", "", ""}},
        {"empty payload", "quorix://open?p=", {""}},
        {"broken escapes stay literal", launchLink("'100%' '%zz' '%4' '%C3%28'"), {"100%", "%zz", "%4", "%C3%28"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QuorixUtils::ParseOpenUrlParameter(c.link), c.expected) << c.name;
    }
}

TEST(QuorixUtilsTest, UserAgentHasThePlatformShapeWithThisMachine) {
    const QString agent = QuorixUtils::GetAppUserAgent();
    static const QRegularExpression shape(R"(^\(Macintosh; ([^;()]+); Mac OS X (\d+)_(\d+)_(\d+); QuorixMac/(.+)\)$)");
    const auto match = shape.match(agent);
    ASSERT_TRUE(match.hasMatch()) << agent.toStdString();
    EXPECT_EQ(match.captured(1), QuorixUtils::GetDeviceModel());
    EXPECT_EQ(match.captured(2) + "." + match.captured(3) + "." + match.captured(4), QuorixUtils::GetOSVersion());
    EXPECT_EQ(match.captured(5), MainBundle::shortVersion());
}

TEST(QuorixUtilsTest, VersionsCompareNumericallyComponentByComponent) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        {"3.2.1", "3.10.0", 1}, {"3.10.0", "3.2.1", -1}, {"3.2", "3.2", 0},     {"3.2.0", "3.2", -1},
        {"1.2", "1.2.0", 1},    {"2", "10", 1},          {"1.0.9", "1.0.10", 1}, {"1.a", "1.0", 0},
        {"", "", 0},            {"1.2.3", "1.2.3", 0},   {"4.0", "3.99.99", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QuorixUtils::CompareVersion(c.a, c.b), c.expected) << c.a << " vs " << c.b;
    }
}

TEST(QuorixUtilsTest, RoomConfigurationLookups) {
    const QVariantMap envs = {{"MODE_A", "Y"},  {"MODE_B", "y"},   {"MODE_C", "YES"},
                              {"COUNT", "12x"}, {"NAME", "abc"},   {"EMPTY", ""},
                              {"NEG", " -3"}};
    EXPECT_TRUE(QuorixUtils::IsSystemEnableFunc("MODE_A", envs));
    EXPECT_FALSE(QuorixUtils::IsSystemEnableFunc("MODE_B", envs));
    EXPECT_FALSE(QuorixUtils::IsSystemEnableFunc("MODE_C", envs));
    EXPECT_FALSE(QuorixUtils::IsSystemEnableFunc("MODE_MISSING", envs));

    EXPECT_EQ(QuorixUtils::GetSystemEnvInteger("COUNT", envs, 5), 12);
    EXPECT_EQ(QuorixUtils::GetSystemEnvInteger("NAME", envs, 5), 0);
    EXPECT_EQ(QuorixUtils::GetSystemEnvInteger("EMPTY", envs, 5), 0);
    EXPECT_EQ(QuorixUtils::GetSystemEnvInteger("NEG", envs, 5), -3);
    EXPECT_EQ(QuorixUtils::GetSystemEnvInteger("MISSING", envs, 5), 5);

    EXPECT_EQ(QuorixUtils::GetSystemEnvString("NAME", envs), QString("abc"));
    EXPECT_EQ(QuorixUtils::GetSystemEnvString("EMPTY", envs), QString(""));
    EXPECT_FALSE(QuorixUtils::GetSystemEnvString("MISSING", envs).has_value());
}

TEST(QuorixUtilsTest, LoginFailureTextsPickTheirKeyAndNumber) {
    Localization::setLanguage("en");
    auto text = [](const char* key, std::optional<int> number = std::nullopt) {
        const QString format = Localization::text("en", key);
        return number ? StringWithFormat(format, *number) : format;
    };
    struct Case {
        int result;
        int subCode;
        QString expected;
    };
    const Case cases[] = {
        {1, 0, text("dfMAINVIEW_LOGIN_ERROR7")},       {2, 0, text("dfMAINVIEW_LOGIN_ERROR8")},
        {3, 0, text("dfMAINVIEW_LOGIN_ERROR9")},       {4, 9, text("dfMAINVIEW_LOGIN_ERROR5", 4)},
        {-17, 9, text("dfMAINVIEW_LOGIN_ERROR5", -17)}, {6, 0, text("dfMAINVIEW_LOGIN_ERROR11")},
        {11, 0, text("dfMAINVIEW_LOGIN_ERROR15")},     {-9, 3, text("dfMAINVIEW_LOGIN_ERROR6", -9)},
        {-8, 3, text("dfMAINVIEW_LOGIN_ERROR6", 3)},   {-6, 0, text("dfMAINVIEW_LOGIN_ERROR4")},
        {-5, 61, text("dfMAINVIEW_LOGIN_ERROR17", 61)}, {-5, 0, text("dfMAINVIEW_LOGIN_ERROR19")},
        {-3, 0, text("dfMAINVIEW_LOGIN_ERROR2")},      {0, 7, text("dfMAINVIEW_LOGIN_ERROR17", 0)},
        {13, 7, text("dfMAINVIEW_LOGIN_ERROR17", 13)}, {-10, 7, text("dfMAINVIEW_LOGIN_ERROR17", -10)},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(c.expected.startsWith("df")) << c.result;
        EXPECT_EQ(QuorixUtils::GetMessageForLoginError(c.result, c.subCode), c.expected) << c.result;
    }
    EXPECT_EQ(QuorixUtils::GetMessageForLoginError(-5, 61),
              StringWithFormat(Localization::text("en", "dfMAINVIEW_LOGIN_ERROR17"), 61));
    EXPECT_TRUE(QuorixUtils::GetMessageForLoginError(-5, 61).contains("61"));

    EXPECT_EQ(QuorixUtils::GetMessageForPrepareLoginFailed(-301), text("dfMAINVIEW_LOGIN_PARAM_ERROR", -301));
    EXPECT_EQ(QuorixUtils::GetMessageForPrepareLoginFailed(1), text("dfMAINVIEW_LOGIN_ERROR8"));
    EXPECT_EQ(QuorixUtils::GetMessageForPrepareLoginFailed(2), text("dfMAINVIEW_LOGIN_ERROR13"));
    EXPECT_EQ(QuorixUtils::GetMessageForPrepareLoginFailed(-201), text("dfMAINVIEW_XMLPARSE_OTHER_ERROR", -201));
    Localization::setLanguage({});
}

TEST(QuorixUtilsTest, RectanglesAreFittedIntoTheVisibleFrame) {
    struct Case {
        QRectF rect;
        QRectF frame;
        QRectF expected;
    };
    const Case cases[] = {
        {{0, 0, 2000, 1500}, {0, 25, 1440, 875}, {0, 25, 1440, 875}},
        {{100, 100, 400, 300}, {0, 25, 1440, 875}, {100, 100, 400, 300}},
        {{1300, 800, 400, 300}, {0, 25, 1440, 875}, {1040, 600, 400, 300}},
        {{-50, 0, 400, 300}, {0, 25, 1440, 875}, {0, 25, 400, 300}},
        {{10, 10, 400, 300}, {}, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QuorixUtils::adjustInitalRect(c.rect, c.frame), c.expected);
    }
    ensureQtApplication();
    const QRectF fitted = QuorixUtils::adjustInitalRect(QRectF(-10000, -10000, 100000, 100000));
    EXPECT_GT(fitted.width(), 0);
}

TEST(QuorixUtilsTest, MessageDataLinesSplitAtTheFirstSeparator) {
    const QVariantMap data = QuorixUtils::analyzeMessageData("Type: A\r\nno separator\r\nUrl: http://x: y\r\nType: B");
    EXPECT_EQ(data, (QVariantMap{{"Type", "B"}, {"Url", "http://x: y"}}));
}

TEST(QuorixUtilsTest, NotificationIdsCarryTheBundleNamePrefixAndTime) {
    static const QRegularExpression shape("^Quorix_alert\\d{8}_\\d{6}$");
    EXPECT_TRUE(shape.match(QuorixUtils::createNotificationId("alert")).hasMatch());
    EXPECT_TRUE(QRegularExpression("^Quorix_\\d{8}_\\d{6}$").match(QuorixUtils::createNotificationId("")).hasMatch());
}
