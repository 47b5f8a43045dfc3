// The recording manager on fake recorders: sizes, the limit of two also under
// concurrent automatic starts, stop paths and menu tags, splits continued in
// a new file, the audio and video feeds, and the automatic folders and names.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <mutex>
#include <thread>

#include "fixtures/app/AppTestSupport.h"
#include "platform/UserDefaults.h"
#include "recording/RecordingManager.h"

using namespace std::chrono_literals;

namespace {

struct FakeRecorder : RecordingRecorder {
    explicit FakeRecorder(RecorderParams p) : params(std::move(p)) {}
    void setDelegate(FuncRecorderDelegate* d) override { delegate = d; }
    std::int64_t recordMic(const AudioSample& s) override {
        std::lock_guard lock(mutex);
        mic.push_back(s.pcm);
        return result;
    }
    std::int64_t recordSpk(const AudioSample& s) override {
        std::lock_guard lock(mutex);
        spk.push_back(s.pcm);
        return result;
    }
    std::int64_t onMyVideo(const QImage&) override { return ++frames, result; }
    std::int64_t onOtherVideo(const QImage&) override { return ++frames, result; }
    void setCameraOffForRec(bool off) override { cameraOff = off; }
    void stop() override { ++stops; }
    bool waitUntilFinished(std::chrono::milliseconds) override { return true; }
    void setIsStopProcessing(bool s) override { stopping = s; }
    QString filePath() const override { return params.filePath; }
    int timerCountVal() const override { return params.timerCountVal; }
    QDateTime recStartTime() const override { return startTime; }

    RecorderParams params;
    FuncRecorderDelegate* delegate = nullptr;
    std::mutex mutex;
    std::vector<QByteArray> mic, spk;
    std::atomic<int> frames{0}, stops{0};
    std::atomic<std::int64_t> result{Rec::REC_APPEND_OK};
    bool cameraOff = false;
    bool stopping = false;
    QDateTime startTime = QDateTime::currentDateTime();
};

struct Delegate : RecordingManagerDelegate {
    void onStartRecording(const RecordingInfoRef& info, std::int64_t, std::int64_t) override {
        std::lock_guard lock(mutex);
        events << QStringLiteral("start ") + info->userId();
    }
    void onStopRecording(const RecordingInfoRef& info, std::int64_t, std::int64_t,
                         bool isStopAudio) override {
        std::lock_guard lock(mutex);
        events << QStringLiteral("stop %1 %2").arg(info->userId()).arg(isStopAudio);
    }
    void onRecordingError(const QString& e) override {
        std::lock_guard lock(mutex);
        events << QStringLiteral("error ") + e;
    }
    void onRecordingErrorStr(const QString& m, const std::optional<QString>&, int type) override {
        std::lock_guard lock(mutex);
        events << QStringLiteral("errorStr %1 %2").arg(m).arg(type);
    }
    void updateRecSystemMenu() override {
        std::lock_guard lock(mutex);
        events << QStringLiteral("menu");
    }
    QStringList take() {
        std::lock_guard lock(mutex);
        return std::exchange(events, {});
    }
    std::mutex mutex;
    QStringList events;
};

class RecordingManagerTest : public ::testing::Test {
protected:
    RecordingManagerTest() { ensureQtApplication(); }

    std::unique_ptr<RecordingManager> make(RecordingParams p = {}) {
        if (p.autoSaveDir.isEmpty()) p.autoSaveDir = dir.filePath(QStringLiteral("auto"));
        p.myUserId = QStringLiteral("me");
        RecordingEnvironment env;
        env.makeRecorder = [this](const RecorderParams& params) {
            auto r = std::make_shared<FakeRecorder>(params);
            std::lock_guard lock(mutex);
            recorders.push_back(r);
            return r;
        };
        env.cameraSize = [] { return QSize(640, 480); };
        env.screenPoints = [] { return QSize(1440, 900); };
        env.screenScale = [] { return 2.0; };
        env.now = [this] { return when; };
        env.runSavePanel = [this](const RecordingChoiceParams& c, QWidget*) {
            dialogs << QStringLiteral("panel %1 %2").arg(c.isSelf).arg(c.targetName);
            return panelChoice;
        };
        env.runStartSheet = [this](const RecordingChoiceParams& c, QWidget*) {
            dialogs << QStringLiteral("sheet %1 %2").arg(c.isSelf).arg(c.targetName);
            return panelChoice;
        };
        env.confirmOverwrite = [this](const QString& path, QWidget*) {
            dialogs << QStringLiteral("overwrite ") + QFileInfo(path).fileName();
            return overwrite;
        };
        env.showAlert = [this](const QString& message) { dialogs << QStringLiteral("alert ") + message; };
        return std::make_unique<RecordingManager>(p, &delegate, env);
    }

    std::shared_ptr<FakeRecorder> recorder(std::size_t i) {
        std::lock_guard lock(mutex);
        return i < recorders.size() ? recorders[i] : nullptr;
    }

    TemporaryHome home;
    QTemporaryDir dir;
    Delegate delegate;
    std::mutex mutex;
    std::vector<std::shared_ptr<FakeRecorder>> recorders;
    QDateTime when{QDate(2026, 12, 31), QTime(10, 20, 30)};
    // The record button's dialogs: what they answer and what was shown.
    std::optional<RecordingPanelChoice> panelChoice;
    bool overwrite = false;
    QStringList dialogs;
};

TEST_F(RecordingManagerTest, SizeTable) {
    auto m = make();
    struct Case {
        std::int64_t target;
        bool isSelf, overlay;
        QSize tile, expected;
    };
    const Case cases[] = {
        {Rec::REC_TARGET_CONF, true, false, {}, {1920, 1080}},
        {Rec::REC_TARGET_DESKTOP, true, true, {}, {1920, 1080}},
        {Rec::REC_TARGET_DESKTOP, true, false, {}, {2880, 1800}},
        {Rec::REC_TARGET_SELF, true, false, {1280, 720}, {640, 480}},
        {Rec::REC_TARGET_OTHER,
         false,
         false,
         {0, 0},
         {640, 480}},  // a tile without area keeps the camera size
        {Rec::REC_TARGET_OTHER, false, false, {801, 451}, {800, 450}},
        {Rec::REC_TARGET_OTHER, false, false, {2560, 1440}, {1920, 1080}},
    };
    for (const auto& c : cases) {
        m->setIsEnableTimeStamp(c.overlay);
        EXPECT_EQ(m->recordingSize(c.target, c.isSelf, c.tile), c.expected) << c.target << " " << c.overlay;
    }
}

TEST_F(RecordingManagerTest, EightConcurrentAutomaticStartsGiveExactlyTwo) {
    auto m = make();
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&m, i] {
            m->startAutoSaveRecording(4, QStringLiteral("u%1").arg(i), QStringLiteral("User%1").arg(i),
                                      QStringLiteral("Room"), 640, 480, 600);
        });
    for (auto& t : threads) t.join();
    m->drainQueues();
    EXPECT_EQ(m->recordingArray().size(), 2u);
    EXPECT_EQ(recorders.size(), 2u);
    EXPECT_TRUE(m->isMaxAutoRecOtherVideoCount());
    // A free count lifts the limit.
    RecordingParams free;
    free.param = true;
    auto f = make(free);
    for (int i = 0; i < 3; ++i)
        f->startAutoSaveRecording(8, QStringLiteral("v%1").arg(i), QStringLiteral("V"),
                                  QStringLiteral("Room"), 640, 480, 600);
    f->drainQueues();
    EXPECT_EQ(f->recordingArray().size(), 3u);
    EXPECT_FALSE(f->isMaxAutoRecOtherVideoCount());
}

TEST_F(RecordingManagerTest, StopsReportAudioAndMenuTags) {
    auto m = make();
    ASSERT_TRUE(m->startRecording("a", "A", dir.filePath("a.mov"), 0, 3, 640, 480, 0, {}, 600));
    ASSERT_TRUE(m->startRecording("b", "B", dir.filePath("b.mov"), 0, 3, 640, 480, 0, {}, 600));
    ASSERT_TRUE(m->startRecording("c", "C", dir.filePath("c.mov"), 0, 3, 640, 480, 0, {}, 600));
    delegate.take();
    m->stopRecordingFromMenu(5);  // no such index: nothing changes
    EXPECT_TRUE(delegate.take().isEmpty());
    m->stopRecordingFromMenu(1);  // the second recording
    EXPECT_EQ(delegate.take(), (QStringList{"stop b 0", "menu"}));
    EXPECT_EQ(recorder(1)->stops, 1);
    m->stopRecording("a");
    EXPECT_EQ(delegate.take(), (QStringList{"stop a 0", "menu"}));
    m->stopRecording("c");  // the last one
    EXPECT_EQ(delegate.take(), (QStringList{"stop c 1", "menu"}));
    m->stopRecording("c");  // not recording: nothing
    EXPECT_TRUE(delegate.take().isEmpty());
    ASSERT_TRUE(m->startRecording("d", "D", dir.filePath("d.mov"), 0, 3, 640, 480, 0, {}, 600));
    ASSERT_TRUE(m->startRecording("e", "E", dir.filePath("e.mov"), 0, 3, 640, 480, 0, {}, 600));
    delegate.take();
    m->stopRecordingFromMenu(Rec::kStopAllTag);
    EXPECT_EQ(delegate.take(), (QStringList{"stop d 1", "stop e 1", "menu"}));
    EXPECT_TRUE(m->recordingArray().empty());
}

TEST_F(RecordingManagerTest, SplitContinuesInANewFileOrStopsWhenNoTimeIsLeft) {
    auto m = make();
    const QString old = dir.filePath(QStringLiteral("Alice_2026-01-01-00-00-00.mov"));
    ASSERT_TRUE(m->startRecording("a", "Alice", old, 0, 3, 640, 480, 0, {}, 600));
    delegate.take();
    m->onDivideFileOf(recorder(0).get());
    m->drainQueues();
    ASSERT_EQ(m->recordingArray().size(), 1u);
    auto next = recorder(1);
    ASSERT_TRUE(next);
    EXPECT_EQ(recorder(0)->stops, 1);
    EXPECT_EQ(next->params.filePath, dir.filePath(QStringLiteral("Alice_2026-12-31-10-20-30.mov")));
    EXPECT_GT(next->params.timerCountVal, 590);
    EXPECT_LE(next->params.timerCountVal, 600);
    EXPECT_EQ(delegate.take(), (QStringList{"start a"}));  // no stop notice: for the user it goes on

    next->startTime = QDateTime::currentDateTime().addSecs(-700);
    m->onDivideFileOf(next.get());
    m->drainQueues();
    EXPECT_TRUE(m->recordingArray().empty());
    EXPECT_EQ(delegate.take(), (QStringList{"stop a 1", "menu"}));
}

TEST_F(RecordingManagerTest, AudioFeedsMuteAndSkipVideoOnly) {
    auto m = make();
    ASSERT_TRUE(m->startRecording("a", "A", dir.filePath("a.mov"), 0, 0, 640, 480, 0, {}, 600));
    ASSERT_TRUE(m->startRecording("b", "B", dir.filePath("b.mp4"), 3, 3, 640, 480, 0, {}, 600));
    const QByteArray pcm(960, '\x11');
    m->onAudioRecoderSampleBuffer(pcm, 48000, false);
    m->onAudioPlayerSampleBuffer(pcm, 48000, true);
    ASSERT_EQ(recorder(0)->mic.size(), 1u);
    EXPECT_EQ(recorder(0)->mic[0], QByteArray(960, '\0'));
    EXPECT_EQ(recorder(0)->spk[0], pcm);
    EXPECT_TRUE(recorder(1)->mic.empty());
    EXPECT_TRUE(recorder(1)->spk.empty());
}

TEST_F(RecordingManagerTest, FailedAppendStopsTheRecordingOnce) {
    auto m = make();
    ASSERT_TRUE(m->startRecording("me", "Me", dir.filePath("me.mov"), 0, 0, 640, 480, 0, {}, 600));
    recorder(0)->result = Rec::REC_APPEND_FAILED;
    delegate.take();
    QImage frame(64, 48, QImage::Format_RGB32);
    frame.fill(Qt::blue);
    m->onMyVideo(frame);
    m->drainQueues();
    m->onAudioRecoderSampleBuffer(QByteArray(960, '\0'), 48000, true);
    EXPECT_EQ(delegate.take(), (QStringList{"stop me 1", "menu"}));
    EXPECT_TRUE(recorder(0)->stopping);
    EXPECT_TRUE(m->recordingArray().empty());
}

TEST_F(RecordingManagerTest, AutomaticFoldersAndNames) {
    for (const int pattern : {0, 1}) {
        RecordingParams p;
        p.autoSaveDirPattern = pattern;
        p.autoSaveDir = dir.filePath(QStringLiteral("auto%1").arg(pattern));
        auto m = make(p);
        m->startAutoSaveRecording(9, "/guest", "Nina", "Room/../x", 640, 480, 600);
        m->startAutoSaveRecording(14, "I", "N", "Room/../x", 640, 480, 600);
        m->drainQueues();
        // The calendar year: the last day of 2026 is "261231", not the week-based "27".
        const QString date = QStringLiteral("261231"), room = QStringLiteral("Room_.._x");
        const QString folder =
            p.autoSaveDir + u'/' + (pattern == 1 ? room + u'/' + date : date + u'/' + room);
        EXPECT_TRUE(QFileInfo(folder).isDir()) << folder.toStdString();
        ASSERT_EQ(m->recordingArray().size(), 2u);
        QStringList paths;
        for (const auto& r : m->recordingArray()) paths << r->recorder()->filePath();
        paths.sort();
        EXPECT_EQ(paths,
                  (QStringList{folder + "/REC_10-20-30_N(I).mov", folder + "/REC_10-20-30_Nina(---).m4a"}));
        m->stopAllRecording();
        std::lock_guard lock(mutex);
        recorders.clear();
    }
    EXPECT_EQ(Rec::safeFileName(QStringLiteral("..")), QStringLiteral("_"));
    EXPECT_EQ(Rec::safeFileName(QString(300, u'é')).toUtf8().size(), 254);
}

TEST_F(RecordingManagerTest, AutoFolderThatCannotBeMadeIsReported) {
    RecordingParams p;
    p.autoSaveDir = dir.filePath(QStringLiteral("missing/parent/auto"));  // parents are not created
    auto m = make(p);
    m->startAutoSaveRecording(1, "me", "Me", "Room", 640, 480, 600);
    m->drainQueues();
    EXPECT_EQ(delegate.take(), (QStringList{"errorStr dfRECORD_FAILED_MAKE_DIR 0"}));
    EXPECT_TRUE(m->recordingArray().empty());
    // The failed start gave its place back.
    ASSERT_TRUE(m->startRecording("a", "A", dir.filePath("a.mov"), 0, 3, 640, 480, 0, {}, 600));
    ASSERT_TRUE(QDir().mkpath(p.autoSaveDir));
    m->startAutoSaveRecording(4, "b", "B", "Room", 640, 480, 600);
    m->drainQueues();
    EXPECT_EQ(m->recordingArray().size(), 2u);
}

TEST_F(RecordingManagerTest, OtherVideoCountFollowsModes) {
    auto m = make();
    EXPECT_TRUE(m->setAutoRecStartOtherVideoCount(4, true));
    EXPECT_TRUE(m->setAutoRecStartOtherVideoCount(13, true));
    EXPECT_FALSE(m->setAutoRecStartOtherVideoCount(5, true));
    EXPECT_EQ(m->autoRecStartOtherVideoCount(), 2);
    EXPECT_TRUE(m->isMaxAutoRecOtherVideoCount());
    m->stopAllRecording();
    EXPECT_EQ(m->autoRecStartOtherVideoCount(), 0);
    EXPECT_EQ(m->getTimerCountVal(), 10800);
}

}  // namespace

namespace {

TEST_F(RecordingManagerTest, RecordButtonStopsRefusesOrAsks) {
    auto manager = make();
    const QString path = dir.filePath(QStringLiteral("bob.mp4"));
    panelChoice = RecordingPanelChoice{path, Rec::REC_FILE_TYPE_MP4, Rec::REC_TARGET_OTHER};
    manager->dispRecordingMenu(QStringLiteral("bob"), QStringLiteral("Bob"), nullptr, QSize(321, 241), 0,
                               false, false);
    manager->drainQueues();
    EXPECT_EQ(dialogs, QStringList{QStringLiteral("panel 0 Bob")});
    ASSERT_NE(recorder(0), nullptr);
    EXPECT_EQ(recorder(0)->params.filePath, path);
    EXPECT_EQ(recorder(0)->params.fileType, Rec::REC_FILE_TYPE_MP4);
    // The tile's pixels, rounded down to even.
    EXPECT_EQ(QSize(recorder(0)->params.width, recorder(0)->params.height), QSize(320, 240));
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("KeyRecordingFileTypeOther")),
              Rec::REC_FILE_TYPE_MP4);
    // Cancelled: nothing starts.
    panelChoice.reset();
    manager->dispRecordingMenu(QStringLiteral("me"), QStringLiteral("Me"), nullptr, QSize(), 0, false, false);
    manager->drainQueues();
    EXPECT_EQ(manager->recordingArray().size(), 1u);

    panelChoice = RecordingPanelChoice{dir.filePath(QStringLiteral("me.mov")), 0, Rec::REC_TARGET_SELF};
    manager->dispRecordingMenu(QStringLiteral("me"), QStringLiteral("Me"), nullptr, QSize(), 0, false, false);
    manager->drainQueues();
    ASSERT_EQ(manager->recordingArray().size(), 2u);
    dialogs.clear();
    delegate.take();

    // A third tile is refused with the alert; a recorded tile's button still stops it.
    manager->dispRecordingMenu(QStringLiteral("cy"), QStringLiteral("Cy"), nullptr, QSize(), 0, false, false);
    EXPECT_EQ(dialogs, QStringList{QStringLiteral("alert No more recordings can be started.")});
    manager->dispRecordingMenu(QStringLiteral("bob"), QStringLiteral("Bob"), nullptr, QSize(), 0, false,
                               false);
    EXPECT_EQ(delegate.take(), (QStringList{QStringLiteral("stop bob 0"), QStringLiteral("menu")}));
    EXPECT_EQ(dialogs.size(), 1);
    EXPECT_EQ(recorder(0)->stops.load(), 1);
}

TEST_F(RecordingManagerTest, SavePanelAsksBeforeReplacingAFile) {
    auto manager = make();
    const QString path = dir.filePath(QStringLiteral("old.mov"));
    auto writeOld = [&path] {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    };
    writeOld();
    panelChoice = RecordingPanelChoice{path, 0, Rec::REC_TARGET_SELF};
    overwrite = false;
    manager->dispRecordingMenu(QStringLiteral("me"), QStringLiteral("Me"), nullptr, QSize(), 0, false, false);
    manager->drainQueues();
    EXPECT_EQ(dialogs.last(), QStringLiteral("overwrite old.mov"));
    EXPECT_TRUE(manager->recordingArray().empty());
    EXPECT_EQ(QFileInfo(path).size(), 3);  // declined: the file stays

    overwrite = true;
    manager->dispRecordingMenu(QStringLiteral("me"), QStringLiteral("Me"), nullptr, QSize(), 0, false, false);
    manager->drainQueues();
    EXPECT_FALSE(QFileInfo::exists(path));  // removed, the recorder makes it anew
    ASSERT_EQ(manager->recordingArray().size(), 1u);
    manager->stopAllRecording();

    // A file that cannot be removed (its folder is read-only) is reported and nothing starts.
    const QString locked = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(locked));
    const QString inside = locked + QStringLiteral("/kept.mov");
    {
        QFile f(inside);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFile(inside).remove()) GTEST_SKIP() << "running with rights that ignore folder permissions";
    delegate.take();
    panelChoice = RecordingPanelChoice{inside, 0, Rec::REC_TARGET_SELF};
    manager->dispRecordingMenu(QStringLiteral("me"), QStringLiteral("Me"), nullptr, QSize(), 0, false, false);
    manager->drainQueues();
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QStringList events = delegate.take();
    ASSERT_EQ(events.size(), 1);
    EXPECT_TRUE(events[0].startsWith(QStringLiteral("errorStr The existing file could not be replaced.")));
    EXPECT_TRUE(manager->recordingArray().empty());
}

TEST_F(RecordingManagerTest, StartSheetWritesIntoTheFixedFolder) {
    RecordingParams p;
    p.configRecDirSpecify = QStringLiteral("~/Recordings");
    auto manager = make(p);
    // The typed name is one file in the folder, also when it holds a "/".
    panelChoice =
        RecordingPanelChoice{QStringLiteral("../up/talk"), Rec::REC_FILE_TYPE_AUDIO, Rec::REC_TARGET_SELF};
    manager->dispRecordingMenu(QStringLiteral("me"), QStringLiteral("Me"), nullptr, QSize(), 0, false, false);
    manager->drainQueues();
    EXPECT_EQ(dialogs, QStringList{QStringLiteral("sheet 1 Me")});
    ASSERT_NE(recorder(0), nullptr);
    const QString folder = QDir::homePath() + QStringLiteral("/Recordings");
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(recorder(0)->params.filePath, folder + QStringLiteral("/.._up_talk.m4a"));
    manager->stopAllRecording();

    // A fixed folder whose parent is missing is not made; the user hears why.
    RecordingParams deep;
    deep.configRecDirSpecify = QStringLiteral("~/missing/Recordings");
    auto second = make(deep);
    delegate.take();
    panelChoice = RecordingPanelChoice{QStringLiteral("talk"), 0, Rec::REC_TARGET_SELF};
    second->dispRecordingMenu(QStringLiteral("me"), QStringLiteral("Me"), nullptr, QSize(), 0, false, false);
    second->drainQueues();
    const QStringList events = delegate.take();
    ASSERT_EQ(events.size(), 1);
    EXPECT_TRUE(events[0].startsWith(QStringLiteral("errorStr "))) << events[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(QDir::homePath() + QStringLiteral("/missing")));
    EXPECT_EQ(second->recordingArray().size(), 0u);
}

}  // namespace
