// The answer window: what it shows for a questionnaire, which buttons can be
// on together, what a submit sends, and its picture.
#include <QApplication>

#include "ChatWindowTestSupport.h"
#include "chat/QuesAnswerWindowController.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Localization.h"

namespace {

using namespace chat_test;

struct RecordingDelegate : QuesAnswerWindowControllerDelegate {
    void sendQuestionnaireAnswer(int count, const QString& choiceItem) override {
        sent.push_back({count, choiceItem});
    }
    void onCloseQuestionnaireAnswerWindow(QuesAnswerWindowController*) override { ++closes; }
    std::vector<std::pair<int, QString>> sent;
    int closes = 0;
};

class QuesAnswerTest : public ::testing::Test {
protected:
    QuesAnswerTest() {
        ensureQtApplication();
        Localization::setLanguage("en");
    }
    std::unique_ptr<QuesAnswerWindowController> make(const QString& question, const QStringList& choices,
                                                     bool multiple, bool anonymous) {
        model.startQuestionnaire(QString("boss"), question, choices,
                                 QuestionnaireOptionsValue(multiple, anonymous));
        auto w = std::make_unique<QuesAnswerWindowController>(model);
        w->setDelegate(&delegate);
        return w;
    }
    QuestionnaireInfo model;
    RecordingDelegate delegate;
};

TEST_F(QuesAnswerTest, OpeningShowsTheQuestionItsOptionsAndOneButtonPerChoice) {
    struct Case {
        QString question;
        QStringList choices;
        bool multiple, anonymous;
    };
    for (const Case& c : {Case{"Tea?", {"yes", "no", "later"}, false, true},
                          Case{"", {"a", "b", "c", "d", "e"}, true, false}}) {
        auto w = make(c.question, c.choices, c.multiple, c.anonymous);
        w->window()->show();
        EXPECT_EQ(w->questionLbl()->isVisible(), !c.question.isEmpty());
        EXPECT_EQ(w->questionLbl()->text(), c.question);
        EXPECT_EQ(w->multipleLbl()->isVisible(), c.multiple);
        EXPECT_EQ(w->anonymousLbl()->isVisible(), c.anonymous);
        EXPECT_EQ(w->answerAreaMultiple()->isVisible(), c.multiple);
        EXPECT_EQ(w->answerAreaSingle()->isVisible(), !c.multiple);
        for (int i = 0; i < 5; ++i) {
            QAbstractButton* b = w->answerButton(i);
            EXPECT_EQ(b->inherits("QCheckBox"), c.multiple);
            const bool used = i < c.choices.size();
            EXPECT_EQ(b->isVisible(), used) << i;
            EXPECT_EQ(b->isEnabled(), used) << i;
            if (used) EXPECT_EQ(b->text(), c.choices[i]);
        }
        EXPECT_FALSE(w->submitAnswerBtn()->isEnabled());
        w->window()->closeWindow();
    }
}

TEST_F(QuesAnswerTest, ClicksDecideWhatTheSubmitSends) {
    struct Case {
        const char* what;
        bool multiple;
        std::vector<int> clicks;  // 1-based buttons
        bool submitEnabled;
        int count;
        QString text;
    };
    const Case cases[] = {
        {"single: the last click wins", false, {1, 3}, true, 1, "3"},
        {"multiple: two and four", true, {2, 4}, true, 2, "24"},
        {"multiple: in button order", true, {4, 1}, true, 2, "14"},
        {"multiple: clicked off again", true, {2, 4, 2}, true, 1, "4"},
        {"multiple: all off again", true, {3, 3}, false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        delegate = RecordingDelegate();
        auto w = make("Q", {"a", "b", "c", "d"}, c.multiple, false);
        w->showWindow();
        for (int k : c.clicks) {
            w->answerButton(k - 1)->click();
            int on = 0;
            for (int i = 0; i < 5; ++i) on += w->answerButton(i)->isChecked();
            if (!c.multiple) EXPECT_EQ(on, 1) << "a single-choice window never has two buttons on";
        }
        EXPECT_EQ(w->submitAnswerBtn()->isEnabled(), c.submitEnabled);
        if (!c.submitEnabled) continue;
        w->submitAnswerBtn()->click();
        ASSERT_EQ(delegate.sent.size(), 1u);
        EXPECT_EQ(delegate.sent[0].first, c.count);
        EXPECT_EQ(delegate.sent[0].second, c.text);
        EXPECT_EQ(delegate.closes, 1) << "the window closes after submitting";
        EXPECT_FALSE(w->window()->isVisible());
    }
}

TEST_F(QuesAnswerTest, ClosingByTheUserSendsNothing) {
    auto w = make("Q", {"a", "b"}, false, false);
    w->showWindow();
    w->answerButton(0)->click();
    w->window()->performClose();
    EXPECT_TRUE(delegate.sent.empty());
    EXPECT_EQ(delegate.closes, 1);
}

TEST_F(QuesAnswerTest, TheWindowShowsTheChoicesItHasAndNothingBelow) {
    auto w = make("Which day suits you?", {"Monday", "Tuesday", "Friday"}, false, false);
    w->answerButton(1)->click();
    const QImage shot = shoot(w->window(), "questionnaire-answer");
    auto area = [&](QWidget* widget) {
        return QRect(widget->mapTo(w->window(), QPoint(0, 0)), widget->size());
    };
    const QColor corner = shot.pixelColor(3, shot.height() - 3);
    EXPECT_NEAR(corner.green(), 250, 2);
    EXPECT_GT(inkIn(shot, area(w->questionLbl())), 30);
    for (int i = 0; i < 3; ++i) EXPECT_GT(inkIn(shot, area(w->answerButton(i))), 20) << i;
    for (int i = 3; i < 5; ++i) EXPECT_EQ(inkIn(shot, area(w->answerButton(i))), 0) << i;
    EXPECT_GT(inkIn(shot, area(w->submitAnswerBtn())), 5) << "the submit button is enabled";
}

}  // namespace
