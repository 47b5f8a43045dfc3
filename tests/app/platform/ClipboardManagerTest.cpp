#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "X11Desktop.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/ClipboardManager.h"
#include "platform/Dispatch.h"

namespace {

struct CutCase {
    const char* name;
    QString text;
    qsizetype expectedBytes;  // -1: none
};

TEST(ClipboardManagerTest, TextsAreCutBetweenCharactersAt1023Bytes) {
    const QString hiragana400 = QString(400, QChar(0x3042));
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // 4 bytes, two UTF-16 units
    const CutCase cases[] = {
        {"1023 ASCII bytes go whole", QString(1023, 'a'), 1023},
        {"1024 ASCII bytes lose the last", QString(1024, 'a'), 1023},
        {"400 hiragana keep 341", hiragana400, 341 * 3},
        {"an emoji across the boundary is left out whole", QString(1021, 'a') + emoji, 1021},
        {"an emoji that just fits stays", QString(1019, 'a') + emoji + "b", 1023},
        {"a lone surrogate cannot be converted", QString(5, 'a') + QChar(0xD800) + "b", -1},
        {"a lone surrogate beyond the cut still makes it unconvertible", QString(1100, 'a') + QChar(0xDC00),
         -1},
        {"empty", QString(), 0},
    };
    for (const CutCase& c : cases) {
        const std::optional<QByteArray> cut = ClipboardManager::cutText(c.text);
        if (c.expectedBytes < 0) {
            EXPECT_FALSE(cut.has_value()) << c.name;
            continue;
        }
        ASSERT_TRUE(cut.has_value()) << c.name;
        EXPECT_EQ(cut->size(), c.expectedBytes) << c.name;
        EXPECT_TRUE(c.text.toUtf8().startsWith(*cut)) << c.name;
        EXPECT_EQ(QString::fromUtf8(*cut).toUtf8(), *cut) << c.name << ": valid UTF-8";
    }
}

struct FilterCase {
    const char* name;
    PasteboardContent content;
    bool shared;
};

TEST(ClipboardManagerTest, OnlyPlainTextIsShared) {
    const QString text = "text";
    const FilterCase cases[] = {
        {"plain text", {{"text/plain"}, text, {}}, true},
        {"a web link with its text",
         {{"text/uri-list", "text/plain"}, "https://example.org/", {QUrl("https://example.org/")}},
         true},
        {"a copied file",
         {{"text/uri-list", "text/plain"}, "/tmp/a", {QUrl::fromLocalFile("/tmp/a")}},
         false},
        {"an address without text", {{"text/uri-list"}, std::nullopt, {QUrl("https://example.org/")}}, false},
        {"a picture alone", {{"image/png"}, std::nullopt, {}}, false},
        {"a picture with text", {{"image/png", "text/plain"}, text, {}}, true},
        {"a colour", {{"application/x-color", "text/plain"}, text, {}}, false},
        {"a sound", {{"audio/wav"}, std::nullopt, {}}, false},
        {"tabular text", {{"text/tab-separated-values", "text/plain"}, text, {}}, false},
    };
    for (const FilterCase& c : cases)
        EXPECT_EQ(ClipboardManager::canSharedPasteboardData(c.content), c.shared) << c.name;
}

class FakePasteboard : public Pasteboard {
public:
    std::int64_t changeCount() const override { return count; }
    PasteboardContent content() const override { return {{"text/plain"}, text, {}}; }
    void clearAndSetString(const QString& t) override {
        writerThread = std::this_thread::get_id();
        text = t;
        count += 2;  // clearing and setting each count
    }
    void copyFromElsewhere(const QString& t) {
        text = t;
        ++count;
    }
    std::int64_t count = 0;
    QString text;
    std::thread::id writerThread;
};

class Reports : public ClipboardManagerDelegate {
public:
    void updatePasteboard(const QByteArray& utf8) override { texts.push_back(utf8); }
    std::vector<QByteArray> texts;
};

TEST(ClipboardManagerTest, ChangesAreReportedOwnWritesAreNotAndWritesRunOnTheMainThread) {
    ensureQtApplication();
    ScopedManualDispatcher dispatcher;
    FakePasteboard pasteboard;
    Reports reports;
    ClipboardManager manager(&pasteboard);
    manager.setDelegate(&reports);
    manager.startPasteboardObservation();
    EXPECT_TRUE(manager.isObserving());

    pasteboard.copyFromElsewhere("copied");
    manager.observePasteboard();
    manager.observePasteboard();
    EXPECT_EQ(reports.texts, std::vector<QByteArray>{"copied"});
    // The same text copied again is a new change.
    pasteboard.copyFromElsewhere("copied");
    manager.observePasteboard();
    EXPECT_EQ(reports.texts.size(), 2u);

    // From a receive thread: written only when the main thread runs it.
    std::thread([&] { manager.setPasteboardtext("from the other side"); }).join();
    EXPECT_EQ(pasteboard.text, "copied");
    dispatcher->runPending();
    EXPECT_EQ(pasteboard.text, "from the other side");
    EXPECT_EQ(pasteboard.writerThread, std::this_thread::get_id());
    manager.observePasteboard();
    EXPECT_EQ(reports.texts.size(), 2u) << "the own write is not reported back";
    EXPECT_TRUE(manager.isObserving());

    // Too long or not UTF-8: refused.
    manager.setPasteboardtext(QByteArray(1024, 'x'));
    manager.setPasteboardtext(QByteArray("\xC3\x28", 2));
    manager.setPasteboardtext(QByteArray("\xF0\x9F\x98", 3));  // a character cut off
    dispatcher->runPending();
    EXPECT_EQ(pasteboard.text, "from the other side");
    manager.setPasteboardtext(QByteArray(1023, 'y'));
    dispatcher->runPending();
    EXPECT_EQ(pasteboard.text.size(), 1023);

    manager.stopPasteboardObservation();
    EXPECT_FALSE(manager.isObserving());
    pasteboard.copyFromElsewhere("unseen");
    manager.setPasteboardtext("restarts watching");
    dispatcher->runPending();
    EXPECT_TRUE(manager.isObserving());
}

// The desktop's clipboard on X needs the xcb platform: the test runs itself
// again in a child process on a private display.
TEST(ClipboardManagerX11Test, CopiesWithXclipArriveThroughThePeriodicCheckAndOwnWritesAreNotEchoed) {
    x11test::Desktop desktop("640x480x24", false);
    ASSERT_TRUE(desktop.ready());
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = 0;
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("DISPLAY", desktop.display().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::setenv("QUORIX_CLIPBOARD_CHILD", "1", 1);
        ::execl(self, self, "--gtest_filter=ClipboardManagerX11Child.*", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(child, 0);
    int status = -1;
    const bool ended = x11test::waitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; },
                                        std::chrono::seconds(240));
    if (!ended) ::kill(child, SIGKILL), ::waitpid(child, &status, 0);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the child's test failed (its output is above)";
}

std::string readClipboard(const std::string& display) {
    const std::string cmd = "DISPLAY=" + display + " timeout 60 xclip -o -selection clipboard 2>/dev/null";
    FILE* p = ::popen(cmd.c_str(), "r");
    std::string out;
    char buf[256];
    while (p && ::fgets(buf, sizeof buf, p)) out += buf;
    if (p) ::pclose(p);
    return out;
}

bool spinUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

TEST(ClipboardManagerX11Child, Run) {
    if (qEnvironmentVariable("QUORIX_CLIPBOARD_CHILD") != "1")
        GTEST_SKIP() << "runs as the child of the test above";
    ensureQtApplication();
    const std::string display = qEnvironmentVariable("DISPLAY").toStdString();
    Reports reports;
    ClipboardManager manager;
    manager.setDelegate(&reports);
    manager.startPasteboardObservation();
    ASSERT_TRUE(manager.isObserving());

    // Copied by another program: the periodic check reports it (nothing else
    // looks at the clipboard here).
    x11test::Program copy({"sh", "-c", "printf 'from xclip' | xclip -selection clipboard -quiet"}, display);
    ASSERT_TRUE(spinUntil([&] { return !reports.texts.empty(); }, 60000));
    EXPECT_EQ(reports.texts, std::vector<QByteArray>{"from xclip"});

    // Written from the other side: other programs paste it. From then on the
    // clipboard is also looked at whenever the window system tells of a
    // change, so an own write told back would be reported.
    manager.setPasteboardtext("from the viewer");
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, &manager,
                     [&manager] { manager.observePasteboard(); });
    std::atomic<bool> read{false};
    std::string pasted;
    std::thread reader([&] {
        pasted = readClipboard(display);
        read = true;
    });
    spinUntil([&] { return read.load(); }, 90000);
    reader.join();
    EXPECT_EQ(pasted, "from the viewer");
    // Another program copies after it: the window system tells of changes in
    // order, so once this copy is reported, whatever it said of the own write
    // has been looked at, and nothing of that was reported.
    x11test::Program second({"sh", "-c", "printf 'second copy' | xclip -selection clipboard -quiet"},
                            display);
    ASSERT_TRUE(spinUntil([&] { return reports.texts.back() == "second copy"; }, 60000));
    for (const QByteArray& text : reports.texts) EXPECT_NE(text, "from the viewer");
    EXPECT_EQ(reports.texts.front(), "from xclip");
}

}  // namespace
