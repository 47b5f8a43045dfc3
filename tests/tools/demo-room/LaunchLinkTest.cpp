// The demo room's launch links read back by the client's own launch parser:
// texts of every length modulo three (each Base64 ending) and with the
// characters a link must carry encoded.
#include <gtest/gtest.h>

#include "LaunchLink.h"
#include "services/QuorixUtils.h"

namespace {

QStringList ToQt(const std::vector<std::string>& fields) {
    QStringList out;
    for (const std::string& f : fields) out << QString::fromStdString(f);
    return out;
}

TEST(LaunchLink, TheClientsParserReadsBackEveryField) {
    const std::vector<std::vector<std::string>> cases = {
        {"a"},
        {"ab"},
        {"abc"},
        {"Quorix", "guest", "demo", "Guest", "1", "1", "http://127.0.0.1:40000/", "", "", "", "key=demo-room"},
        {"two words", "\"quoted\"", "100% & more", "名前", "?p=AAAA", "&cx=1", "a+b/c=d", "~._-"},
        {"", ""},
    };
    for (const auto& fields : cases) {
        const std::string link = demo_room::LaunchLink(fields);
        EXPECT_EQ(link.rfind("quorix://launch?p=", 0), 0u) << link;
        EXPECT_EQ(QuorixUtils::ParseOpenUrlParameter(QString::fromStdString(link)), ToQt(fields)) << link;
    }
}

}  // namespace
