#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include "platform/Localization.h"

namespace {

struct SourceUse {
    QString file;
    QString key;
    int arguments;  // -1 for LocalizedString
};

// The top-level arguments of the call whose "(" is at `open`; empty on a parse failure.
QStringList callArguments(const QString& text, qsizetype open) {
    QStringList arguments;
    QString current;
    int depth = 0;
    for (qsizetype i = open; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"' || c == u'\'') {
            const qsizetype start = i;
            for (++i; i < text.size() && text[i] != c; ++i) {
                if (text[i] == u'\\') {
                    ++i;
                }
            }
            current += QStringView(text).mid(start, i - start + 1);
            continue;
        }
        if (c == u'(' || c == u'{' || c == u'[') {
            if (depth++ == 0) {
                continue;
            }
        } else if (c == u')' || c == u'}' || c == u']') {
            if (--depth == 0) {
                arguments.append(current.trimmed());
                return arguments;
            }
        } else if (c == u',' && depth == 1) {
            arguments.append(current.trimmed());
            current.clear();
            continue;
        }
        current += c;
    }
    return {};
}

// Every LocalizedString / LocalizedFormat call of the application's sources.
QVector<SourceUse> sourceUses(QSet<QString>* literalKeys) {
    static const QRegularExpression call(R"(\bLocalized(String|Format)\s*\()");
    static const QRegularExpression literal(R"re("(df[A-Z][A-Za-z0-9_]*)")re");
    QVector<SourceUse> uses;
    QDirIterator it(QStringLiteral(QUORIX_SOURCE_DIR "/app"), {"*.cpp", "*.h"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains("/platform/Localization.")) {
            continue;  // the lookup functions themselves
        }
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QString text = QString::fromUtf8(file.readAll());
        for (auto m = literal.globalMatch(text); m.hasNext();) {
            literalKeys->insert(m.next().captured(1));
        }
        for (auto m = call.globalMatch(text); m.hasNext();) {
            const auto match = m.next();
            const QStringList arguments = callArguments(text, match.capturedEnd() - 1);
            const auto key = literal.match(arguments.value(0));
            EXPECT_TRUE(key.hasMatch() && arguments.value(0) == '"' + key.captured(1) + '"')
                << path.toStdString() << ": the key must be a literal: " << arguments.value(0).toStdString();
            uses.append({path, key.captured(1),
                         match.captured(1) == "String" ? -1 : static_cast<int>(arguments.size() - 1)});
        }
    }
    return uses;
}

}  // namespace

TEST(LocalizationTest, BothTablesHaveTheSameKeysWithTheSamePlaceholders) {
    const QStringList english = Localization::keys("en");
    const QStringList japanese = Localization::keys("ja");
    ASSERT_GT(english.size(), 250);
    EXPECT_EQ(QSet<QString>(english.begin(), english.end()), QSet<QString>(japanese.begin(), japanese.end()));
    for (const QString& key : english) {
        const QString en = Localization::text("en", key);
        const QString ja = Localization::text("ja", key);
        EXPECT_FALSE(en.isEmpty()) << key.toStdString();
        EXPECT_FALSE(ja.isEmpty()) << key.toStdString();
        EXPECT_EQ(FormatArgumentKinds(en), FormatArgumentKinds(ja)) << key.toStdString();
    }
}

TEST(LocalizationTest, EveryKeyInTheSourcesExistsAndGetsItsArguments) {
    QSet<QString> literalKeys;
    const QVector<SourceUse> uses = sourceUses(&literalKeys);
    ASSERT_FALSE(uses.isEmpty());
    for (const QString& key : literalKeys) {
        EXPECT_TRUE(Localization::hasKey("en", key)) << key.toStdString() << " missing from en";
        EXPECT_TRUE(Localization::hasKey("ja", key)) << key.toStdString() << " missing from ja";
    }
    for (const SourceUse& use : uses) {
        const int placeholders =
            static_cast<int>(FormatArgumentKinds(Localization::text("en", use.key)).size());
        if (use.arguments < 0) {
            EXPECT_EQ(placeholders, 0) << use.file.toStdString() << ": " << use.key.toStdString()
                                       << " has placeholders; use LocalizedFormat";
        } else {
            EXPECT_EQ(use.arguments, placeholders) << use.file.toStdString() << ": " << use.key.toStdString();
        }
    }
}

TEST(LocalizationTest, LanguageFollowsPreferenceAndMissingKeysAnswerTheKey) {
    EXPECT_EQ(Localization::chooseLanguage({"ja-JP", "en-US"}), "ja");
    EXPECT_EQ(Localization::chooseLanguage({"de-DE", "ja_JP.UTF-8"}), "ja");
    EXPECT_EQ(Localization::chooseLanguage({"fr-FR", "de"}), "en");
    EXPECT_EQ(Localization::chooseLanguage({"en-GB", "ja"}), "en");
    EXPECT_EQ(Localization::chooseLanguage({}), "en");

    Localization::setLanguage("ja");
    EXPECT_EQ(LocalizedString("dfYES"), QString::fromUtf8("はい"));
    EXPECT_EQ(LocalizedFormat("dfMAINVIEW_LOGIN_ERROR17", 61),
              StringWithFormat(Localization::text("ja", "dfMAINVIEW_LOGIN_ERROR17"), 61));
    Localization::setLanguage("en");
    EXPECT_EQ(LocalizedString("dfYES"), "Yes");
    EXPECT_TRUE(LocalizedFormat("dfMAINVIEW_LOGIN_ERROR17", 61).contains("61"));
    EXPECT_EQ(LocalizedString("dfNO_SUCH_KEY"), "dfNO_SUCH_KEY");
    Localization::setLanguage("xx");  // unknown: back to the user's preference
    EXPECT_TRUE(Localization::language() == "en" || Localization::language() == "ja");
    Localization::setLanguage({});
}
