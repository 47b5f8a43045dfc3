// The chat's text rules: cuts that never split a character, the soft line
// break on the wire, blank and unencodable texts, and the chat file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include "chat/ChatText.h"

namespace {

const QString kEmoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // one code point, two units

TEST(ChatText, CutsNeverSplitACharacter) {
    struct Case {
        const char* what;
        QString text;
        int limit;
        QString expected;
    };
    const QString a510(510, u'a'), a511(511, u'a');
    const Case cases[] = {
        {"513 plain units become 512", QString(513, u'x'), 512, QString(512, u'x')},
        {"512 units stay whole", QString(512, u'x'), 512, QString(512, u'x')},
        {"an emoji ending exactly at the limit is kept whole", a510 + kEmoji + "b", 512, a510 + kEmoji},
        {"an emoji across the limit is left out whole", a511 + kEmoji, 512, a511},
        {"the question's 40", QString(39, u'q') + kEmoji, 40, QString(39, u'q')},
        {"a choice's 20", QString(18, u'c') + kEmoji + "d", 20, QString(18, u'c') + kEmoji},
        {"Japanese text is cut at its units", QString::fromUtf8("\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86"), 2,
         QString::fromUtf8("\xE3\x81\x82\xE3\x81\x84")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString cut = ChatText::cutToUnits(c.text, c.limit);
        EXPECT_EQ(cut, c.expected);
        EXPECT_LE(cut.size(), c.limit);
        EXPECT_TRUE(ChatText::hasUtf8Form(cut));
    }
}

TEST(ChatText, SoftLineBreaksBlanksAndUnencodableTexts) {
    EXPECT_EQ(ChatText::replaceLineSeparators(QString(" a") + QChar(0x2028) + "b "), " a\r\nb ");
    EXPECT_TRUE(ChatText::isBlank(" \t\r\n\n "));
    EXPECT_TRUE(ChatText::isBlank(QString(QChar(0x2028))));
    EXPECT_FALSE(ChatText::isBlank(" . "));
    EXPECT_TRUE(ChatText::hasUtf8Form(QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC") + kEmoji));
    EXPECT_FALSE(ChatText::hasUtf8Form(QString("a") + QChar(0xD800)));
    EXPECT_FALSE(ChatText::hasUtf8Form(QString(QChar(0xDC00)) + "a"));
}

class ChatFile : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

TEST_F(ChatFile, TheSaveFileMatchesTheFixtureByteForByte) {
    const QDate day(2026, 12, 11);
    const std::vector<TextBoxDataRef> lines = {
        std::make_shared<TextBoxData>("Ann", QDateTime(day, QTime(9, 5)), "hello\r\nworld", true),
        // An empty name: the heading begins with the blank before the date.
        std::make_shared<TextBoxData>(
            "", QDateTime(day, QTime(9, 6)),
            QString::fromUtf8("\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF"), false),
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("chat.txt");
    ASSERT_FALSE(ChatText::writeTextFile(path, ChatText::makeSaveTextFormat(lines)).has_value());
    QFile written(path),
        fixture(QStringLiteral(QUORIX_SOURCE_DIR "/tests/app/chat/fixtures/chat-two-lines.txt"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), fixture.readAll());
    EXPECT_EQ(ChatText::makeSaveTextFormat({}), "");
}

TEST_F(ChatFile, AFailedWriteAnswersItsError) {
    QTemporaryDir dir;
    EXPECT_TRUE(ChatText::writeTextFile(dir.filePath("missing/folder/chat.txt"), "x").has_value());
    // A folder where the file should go.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.txt"));
    EXPECT_TRUE(ChatText::writeTextFile(dir.filePath("taken.txt"), "x").has_value());
}

TEST_F(ChatFile, AFailedWriteLeavesTheOldFile) {
    if (geteuid() == 0) GTEST_SKIP() << "a read-only folder does not stop the superuser";
    QTemporaryDir dir;
    const QString path = dir.filePath("chat.txt");
    ASSERT_FALSE(ChatText::writeTextFile(path, "old").has_value());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_TRUE(ChatText::writeTextFile(path, "new").has_value());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "old");
}

TEST_F(ChatFile, TheProposedNameCarriesTheDate) {
    EXPECT_EQ(ChatText::saveFileName("Text box", QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))),
              "Text box_2026-01-02-03-04-05");
}

}  // namespace
