// The issuer's result window: the rates and bars it shows, who chose what,
// the result file, and when closing asks first.
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "ChatWindowTestSupport.h"
#include "QuestionnaireTestSupport.h"
#include "chat/QuesResultWindowController.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Localization.h"
#include "ui/SheetWindowController.h"

namespace {

using namespace chat_test;

struct RecordingDelegate : QuesResultWindowControllerDelegate {
    explicit RecordingDelegate(QuestionnaireInfo& m) : model(m) {}
    void stopQuestionnaire() override {
        ++stops;
        model.stopQuestionnaire();
    }
    void onCloseQuestionnaireResultWindow(QuesResultWindowController*) override { ++closes; }
    QuestionnaireInfo& model;
    int stops = 0;
    int closes = 0;
};

struct Receiver {
    const char* id;
    const char* name;
    int count;  // -1: no answer
    const char* answer;
};

class QuesResultTest : public ::testing::Test {
protected:
    QuesResultTest() {
        ensureQtApplication();
        Localization::setLanguage("en");
    }
    std::unique_ptr<QuesResultWindowController> make(const QString& question, const QStringList& choices,
                                                     bool multiple, bool anonymous,
                                                     const std::vector<Receiver>& receivers) {
        model.startQuestionnaire(std::nullopt, question, choices,
                                 QuestionnaireOptionsValue(multiple, anonymous));
        auto w = std::make_unique<QuesResultWindowController>(&model);
        w->setDelegate(&delegate);
        for (const Receiver& r : receivers) model.setQuestionnaireReceiver(r.id, r.name);
        for (const Receiver& r : receivers)
            if (r.count >= 0) model.recvQuestionnaireAnswer(r.id, r.count, r.answer);
        w->updateResult(&model);
        return w;
    }
    static QString rates(const QuesResultWindowController& w, int rows) {
        QStringList out;
        for (int i = 0; i < rows; ++i)
            out << w.answerRateLbl(i)->text() + " bar " + QString::number(w.answerIndicator(i)->value());
        return out.join(" | ");
    }
    // Saves to `path` and waits for the write to end.
    static void save(QuesResultWindowController& w, const QString& path) {
        w.saveQuestionnaireResult(path);
        EXPECT_TRUE(processEventsUntil([&] { return !w.isSaving(); }, 10000));
    }
    // Asks to close as the title bar's button does; answers the sheet, if one comes, with OK or Cancel.
    static QString askToClose(QuesResultWindowController& w, std::optional<bool> ok) {
        w.window()->performClose();
        processEventsUntil([&] { return w.sheetWindowController() != nullptr; }, 300);
        SheetWindowController* sheet = w.sheetWindowController();
        if (!sheet) return {};
        const QString text = sheet->text();
        if (ok) (*ok ? sheet->okButton() : sheet->cancelButton())->click();
        processEventsFor(30);
        return text;
    }

    QuestionnaireInfo model;
    RecordingDelegate delegate{model};
};

TEST_F(QuesResultTest, RatesCountAnswersOverReceiversAndChoicesOverSelectedItems) {
    struct Case {
        const char* what;
        bool multiple;
        std::vector<Receiver> receivers;
        QString responseRate;  // empty: hidden
        QString rows;
        bool saveEnabled;
    };
    const Case cases[] = {
        {"no receipt yet", false, {}, "", "0/0 (0.0%) bar 0 | 0/0 (0.0%) bar 0 | 0/0 (0.0%) bar 0", false},
        {"receipts, no answer",
         false,
         {{"ann", "Ann", -1, ""}, {"bob", "Bob", -1, ""}},
         "Response rate: 0/2 (0.0%)",
         "0/0 (0.0%) bar 0 | 0/0 (0.0%) bar 0 | 0/0 (0.0%) bar 0",
         false},
        {"two of four, multiple choice",
         true,
         {{"ann", "Ann", 2, "12"}, {"bob", "Bob", 1, "2"}, {"cid", "Cid", -1, ""}, {"dan", "Dan", -1, ""}},
         "Response rate: 2/4 (50.0%)",
         "1/3 (33.3%) bar 33 | 2/3 (66.7%) bar 67 | 0/3 (0.0%) bar 0",
         true},
        {"an answer without choices",
         false,
         {{"ann", "Ann", 0, ""}, {"bob", "Bob", 1, "3"}},
         "Response rate: 2/2 (100.0%)",
         "0/1 (0.0%) bar 0 | 0/1 (0.0%) bar 0 | 1/1 (100.0%) bar 100",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        model.resetQuestionnaire();
        auto w = make("Lunch?", {"soup", "salad", "pasta"}, c.multiple, false, c.receivers);
        w->showWindow();
        EXPECT_EQ(w->answerRateAllLbl()->isVisible(), !c.responseRate.isEmpty());
        if (!c.responseRate.isEmpty()) EXPECT_EQ(w->answerRateAllLbl()->text(), c.responseRate);
        EXPECT_EQ(rates(*w, 3), c.rows);
        EXPECT_EQ(w->saveBtn()->isEnabled(), c.saveEnabled);
        w->closeWindowForce();
    }
}

TEST_F(QuesResultTest, RowsFollowTheChoicesAndTipsNameWhoChoseUnlessAnonymous) {
    const std::vector<Receiver> receivers{{"ann", "Ann", 2, "12"}, {"bob", "Bob", 1, "2"}};
    auto named = make("", {"a", "b"}, true, false, receivers);
    named->showWindow();
    EXPECT_FALSE(named->questionLbl()->isVisible()) << "no question: no label";
    EXPECT_TRUE(named->multipleLbl()->isVisible());
    EXPECT_FALSE(named->annonymousLbl()->isVisible());
    EXPECT_EQ(named->answerIndicator(0)->toolTip(), "<a>\nAnn(ann) ");
    EXPECT_EQ(named->answerIndicator(1)->toolTip(), "<b>\nAnn(ann) Bob(bob) ");
    for (int i = 2; i < 5; ++i) {
        EXPECT_FALSE(named->answerLbl(i)->isVisible()) << i;
        EXPECT_FALSE(named->answerIndicator(i)->isVisible()) << i;
        EXPECT_FALSE(named->answerRateLbl(i)->isVisible()) << i;
    }
    named->closeWindowForce();

    model.resetQuestionnaire();
    auto anonymous = make("Q", {"a", "b"}, true, true, receivers);
    anonymous->showWindow();
    EXPECT_TRUE(anonymous->annonymousLbl()->isVisible());
    EXPECT_EQ(anonymous->answerIndicator(0)->toolTip(), "");
    EXPECT_EQ(anonymous->answerIndicator(1)->toolTip(), "");
    anonymous->closeWindowForce();
}

TEST_F(QuesResultTest, TheResultFileHoldsWhatTheWindowShows) {
    auto w = make(
        "Lunch?", {"Soup", "Salad", "Pasta"}, false, false,
        {{"ann", "Ann", 1, "1"}, {"cid", "Cid", 1, "2"}, {"bob", "Bob", 1, "1"}, {"dan", "Dan", -1, ""}});
    // Answers are listed in arrival order: ann and bob chose soup.
    QTemporaryDir dir;
    const QString path = dir.filePath("result.txt");
    save(*w, path);
    EXPECT_TRUE(w->isSaved());
    QFile written(path),
        fixture(QStringLiteral(QUORIX_SOURCE_DIR "/tests/app/chat/fixtures/questionnaire-result.txt"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), fixture.readAll());
    w->closeWindowForce();

    // Anonymous, multiple choice: three fields a line, both options named.
    model.resetQuestionnaire();
    auto anon = make("Tea?", {"yes", "no"}, true, true, {{"ann", "Ann", 2, "12"}, {"bob", "Bob", 1, "1"}});
    EXPECT_EQ(anon->makeSaveTextFormat(),
              "Question: Tea? (Multiple choice) (Anonymous)\r\nResponse rate: 2/2 (100.0%)\r\n"
              "\r\nyes,2/3,66.7%\r\nno,1/3,33.3%");
    anon->closeWindowForce();
}

TEST_F(QuesResultTest, TheSavePanelProposesADatedTextName) {
    auto w = make("Q", {"a", "b"}, false, false, {{"ann", "Ann", 1, "1"}});
    QString proposed;
    w->setSavePanel([&](const QString& name) -> std::optional<QString> {
        proposed = name;
        return std::nullopt;  // cancelled: nothing happens
    });
    w->saveBtn()->click();
    EXPECT_TRUE(QRegularExpression("^Questionnaire_\\d{4}-\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d\\d$")
                    .match(proposed)
                    .hasMatch())
        << proposed.toStdString();
    EXPECT_FALSE(w->isSaved());
    EXPECT_FALSE(w->isSaving());
    w->closeWindowForce();
}

TEST_F(QuesResultTest, AFailedSaveShowsTheErrorAndClosingStillAsks) {
    QTemporaryDir dir;
    struct Target {
        const char* what;
        QString path;
    };
    std::vector<Target> targets{{"a folder where the file should go", dir.filePath("taken.txt")},
                                {"a missing folder", dir.filePath("missing/result.txt")}};
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.txt"));
    QString readOnly = dir.filePath("locked");
    if (geteuid() != 0) {  // a read-only folder does not stop the superuser
        ASSERT_TRUE(QDir(dir.path()).mkdir("locked"));
        QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner);
        targets.push_back({"a read-only folder", readOnly + "/result.txt"});
    }
    for (const Target& t : targets) {
        SCOPED_TRACE(t.what);
        delegate.closes = 0;
        model.resetQuestionnaire();
        auto w = make("Q", {"a", "b"}, false, false, {{"ann", "Ann", 1, "1"}});
        w->showWindow();
        w->deadlineBtn()->click();
        {
            ModalAlertRecorder alerts;
            save(*w, t.path);
            EXPECT_TRUE(processEventsUntil([&] { return !alerts.messages.isEmpty(); }, 5000));
            EXPECT_EQ(alerts.messages.value(0).isEmpty(), false) << "the error is shown";
        }
        EXPECT_FALSE(w->isSaved());
        EXPECT_EQ(askToClose(*w, false), LocalizedString("dfQUESTIONNAIRE_CLOSE_ALERT_NOT_SAVED"));
        EXPECT_EQ(delegate.closes, 0);
        EXPECT_TRUE(w->window()->isVisible());
        w->closeWindowForce();
    }
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(QuesResultTest, ClosingAsksWhileRunningOrUnsaved) {
    QTemporaryDir dir;
    struct Case {
        const char* what;
        bool answered, deadline, saved;
        QString asks;  // empty: closes at once
    };
    const Case cases[] = {
        {"running, no answers", false, false, false,
         LocalizedString("dfQUESTIONNAIRE_CLOSE_ALERT_NOT_DEADLINE")},
        {"running, saved", true, false, true, LocalizedString("dfQUESTIONNAIRE_CLOSE_ALERT_NOT_DEADLINE")},
        {"stopped, unsaved answers", true, true, false,
         LocalizedString("dfQUESTIONNAIRE_CLOSE_ALERT_NOT_SAVED")},
        {"stopped, saved", true, true, true, ""},
        {"stopped, no answers", false, true, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool ok : {false, true}) {
            delegate.stops = delegate.closes = 0;
            model.resetQuestionnaire();
            std::vector<Receiver> receivers{{"ann", "Ann", c.answered ? 1 : -1, "1"}};
            auto w = make("Q", {"a", "b"}, false, false, receivers);
            w->showWindow();
            if (c.saved) save(*w, dir.filePath("r.txt"));
            if (c.deadline) {
                w->deadlineBtn()->click();
                EXPECT_EQ(delegate.stops, 1);
                EXPECT_FALSE(w->deadlineBtn()->isEnabled());
            }
            EXPECT_EQ(askToClose(*w, ok), c.asks);
            const bool closes = c.asks.isEmpty() || ok;
            EXPECT_EQ(delegate.closes, closes ? 1 : 0) << "OK " << ok;
            EXPECT_EQ(w->window()->isVisible(), !closes);
            if (!closes) w->closeWindowForce();
        }
    }
}

TEST_F(QuesResultTest, TheWindowShowsLevelBarsInProportion) {
    auto w = make(
        "Which day suits you?", {"Monday", "Tuesday", "Friday"}, false, false,
        {{"ann", "Ann", 1, "2"}, {"bob", "Bob", 1, "2"}, {"cid", "Cid", 1, "2"}, {"dan", "Dan", 1, "1"}});
    const QImage shot = shoot(w->window(), "questionnaire-result");
    auto area = [&](QWidget* widget) {
        return QRect(widget->mapTo(w->window(), QPoint(0, 0)), widget->size());
    };
    // The bar's filled part differs from its empty groove: count the columns
    // along the middle line whose colour is not the groove's (right end).
    auto filledColumns = [&](QProgressBar* bar) {
        const QRect r = area(bar);
        const int y = r.center().y();
        const QColor groove = shot.pixelColor(r.right() - 3, y);
        int n = 0;
        for (int x = r.left() + 2; x < r.right() - 2; ++x) {
            const QColor p = shot.pixelColor(x, y);
            if (std::abs(p.red() - groove.red()) + std::abs(p.green() - groove.green()) +
                    std::abs(p.blue() - groove.blue()) >
                40)
                ++n;
        }
        return n;
    };
    const int monday = filledColumns(w->answerIndicator(0));
    const int tuesday = filledColumns(w->answerIndicator(1));
    const int width = w->answerIndicator(0)->width();
    EXPECT_NEAR(monday, width / 4, width / 8) << "one of four";
    EXPECT_NEAR(tuesday, width * 3 / 4, width / 8) << "three of four";
    EXPECT_LT(filledColumns(w->answerIndicator(2)), 4) << "none";
    EXPECT_GT(inkIn(shot, area(w->answerRateLbl(1))), 20);
    EXPECT_GT(inkIn(shot, area(w->answerRateAllLbl())), 20);
    EXPECT_GT(inkIn(shot, area(w->questionLbl())), 20);
    w->closeWindowForce();
}

}  // namespace
