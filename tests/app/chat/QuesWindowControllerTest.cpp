// The questionnaire editor: what an issue sends or refuses, the length cuts
// while typing, the history of earlier questionnaires and its picture.
#include <QApplication>

#include "ChatWindowTestSupport.h"
#include "QuestionnaireTestSupport.h"
#include "chat/QuesWindowController.h"
#include "fixtures/app/AppTestSupport.h"
#include "model/QuestionnaireInfo.h"
#include "platform/Localization.h"
#include "platform/UserDefaults.h"

namespace {

using namespace chat_test;

struct Issue {
    QString question;
    QStringList choices;
    int options;
};

struct RecordingDelegate : QuesWindowControllerDelegate {
    void startQuestionnaire(const QString& question, const QStringList& choices, int options) override {
        issued.push_back({question, choices, options});
    }
    void onCloseQuestionnireWindow(QuesWindowController*) override { ++closes; }
    std::vector<Issue> issued;
    int closes = 0;
};

class QuesEditorTest : public ::testing::Test {
protected:
    QuesEditorTest() {
        ensureQtApplication();
        Localization::setLanguage("en");
    }
    std::unique_ptr<QuesWindowController> make() {
        auto w = std::make_unique<QuesWindowController>(12);
        w->setDelegate(&delegate);
        return w;
    }
    // Fills the editor, issues, answers the alerts; the alerts shown.
    QStringList issue(QuesWindowController& w, const QString& question, const QStringList& fields,
                      bool multiple = false, bool anonymous = false) {
        ModalAlertRecorder alerts;
        w.questionField()->setText(question);
        for (int i = 0; i < 5; ++i) w.choiceField(i)->setText(fields.value(i));
        w.multiSelectBtn()->setChecked(multiple);
        w.anonymousBtn()->setChecked(anonymous);
        w.issueBtn()->click();
        return alerts.messages;
    }

    TemporaryHome home;
    RecordingDelegate delegate;
};

TEST_F(QuesEditorTest, IssuingSendsCleanedChoicesOrRefusesWithOneAlert) {
    const QString ideographic(QChar(0x3000));
    const QString lone(QChar(0xD800));
    struct Case {
        const char* what;
        QString question;
        QStringList fields;
        QString alert;  // empty: issued
        QString sentQuestion;
        QStringList sentChoices;
    };
    const Case cases[] = {
        {"same text in fields 1 and 3",
         "Lunch?",
         {"a", "", "a"},
         LocalizedString("dfQUESTIONNAIRE_CHOICES_DUPLICATE")},
        {"same after trimming",
         "Lunch?",
         {"a", "a" + ideographic},
         LocalizedString("dfQUESTIONNAIRE_CHOICES_DUPLICATE")},
        {"one choice", "Lunch?", {"", "a"}, LocalizedString("dfQUESTIONNAIRE_CHOICES_LESS")},
        {"ideographic spaces only",
         "Lunch?",
         {"a", ideographic + ideographic},
         LocalizedString("dfQUESTIONNAIRE_CHOICES_LESS")},
        {"lone surrogate in a choice",
         "Lunch?",
         {"a", "b" + lone},
         LocalizedString("dfQUESTION_CHOICES_UNSUPPORTED_CHARACTERS")},
        {"lone surrogate in the question",
         "Q" + lone,
         {"a", "b"},
         LocalizedString("dfQUESTION_TITLE_UNSUPPORTED_CHARACTERS")},
        {"gaps closed, spaces cut",
         ideographic + " Lunch? \n",
         {"soup", "", " salad", "", "pasta" + ideographic},
         {},
         "Lunch?",
         {"soup", "salad", "pasta"}},
        {"empty question", "", {"x", "y"}, {}, "", {"x", "y"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        delegate = RecordingDelegate();
        auto w = make();
        w->showWindow();
        const QStringList alerts = issue(*w, c.question, c.fields);
        if (c.alert.isEmpty()) {
            EXPECT_TRUE(alerts.isEmpty()) << alerts.join('|').toStdString();
            ASSERT_EQ(delegate.issued.size(), 1u);
            EXPECT_EQ(delegate.issued[0].question, c.sentQuestion);
            EXPECT_EQ(delegate.issued[0].choices, c.sentChoices);
            EXPECT_EQ(delegate.closes, 1) << "the editor closes after issuing";
        } else {
            EXPECT_EQ(alerts, QStringList{c.alert});
            EXPECT_TRUE(delegate.issued.empty());
            EXPECT_EQ(delegate.closes, 0);
            EXPECT_EQ(w->questionField()->text(), c.question) << "a refusal leaves the fields as they are";
        }
    }
}

TEST_F(QuesEditorTest, TheOptionsTravelAsOneValue) {
    struct Case {
        bool multiple, anonymous;
        int value;
    };
    for (const Case& c :
         {Case{false, false, 0}, Case{true, false, 1}, Case{false, true, 256}, Case{true, true, 257}}) {
        delegate = RecordingDelegate();
        auto w = make();
        issue(*w, "Q", {"a", "b"}, c.multiple, c.anonymous);
        ASSERT_EQ(delegate.issued.size(), 1u);
        EXPECT_EQ(delegate.issued[0].options, c.value);
        EXPECT_EQ(QuestionnaireIsMultiple(c.value), c.multiple);
        EXPECT_EQ(QuestionnaireIsAnonymous(c.value), c.anonymous);
    }
}

TEST_F(QuesEditorTest, LongTextsAreCutWhileTypingWithoutSplittingACharacter) {
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");  // two UTF-16 units
    struct Case {
        const char* what;
        int field;  // -1: the question
        QString typed;
        QString kept;
        QString alert;
    };
    const Case cases[] = {
        {"question of 40", -1, QString(40, 'q'), QString(40, 'q'), {}},
        {"question of 41", -1, QString(41, 'q'), QString(40, 'q'),
         LocalizedString("dfQUESTIONNAIRE_TITLE_OVER_BYTES")},
        {"choice of 20", 0, QString(20, 'c'), QString(20, 'c'), {}},
        {"choice of 21", 2, QString(21, 'c'), QString(20, 'c'),
         LocalizedString("dfQUESTION_CHOICES_OVER_BYTES")},
        {"pair across the limit", 4, QString(19, 'c') + smile, QString(19, 'c'),
         LocalizedString("dfQUESTION_CHOICES_OVER_BYTES")},
        {"pair across the question's limit", -1, QString(39, 'q') + smile + "x", QString(39, 'q'),
         LocalizedString("dfQUESTIONNAIRE_TITLE_OVER_BYTES")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto w = make();
        QLineEdit* field = c.field < 0 ? w->questionField() : w->choiceField(c.field);
        ModalAlertRecorder alerts;
        field->setText(c.typed);
        EXPECT_EQ(field->text(), c.kept);
        EXPECT_EQ(alerts.messages, c.alert.isEmpty() ? QStringList() : QStringList{c.alert});
    }
}

TEST_F(QuesEditorTest, TheHistoryKeepsTheLatestTwelveNewestFirstWithoutRepeats) {
    auto issueOne = [&](const QString& q, const QStringList& choices) {
        auto w = make();
        EXPECT_TRUE(issue(*w, q, choices).isEmpty());
    };
    issueOne("Tea?", {"yes", "no"});
    issueOne("Tea?", {"yes", "no", "later"});  // other choices: a second entry
    issueOne("Tea?", {"yes", "no"});           // the same: moves to the front
    EXPECT_EQ(QuesWindowController::getIssuedHistory(),
              (QList<QStringList>{{"Tea?", "yes", "no"}, {"Tea?", "yes", "no", "later"}}));

    for (int i = 1; i <= 13; ++i) issueOne(QString("Q%1").arg(i), {"a", "b"});
    UserDefaults::resetStandard();  // read back from the file
    const QList<QStringList> history = QuesWindowController::getIssuedHistory();
    ASSERT_EQ(history.size(), 12);
    EXPECT_EQ(history.first(), (QStringList{"Q13", "a", "b"}));
    EXPECT_EQ(history.last(), (QStringList{"Q2", "a", "b"}));

    // A new editor lists them; choosing one fills the fields.
    issueOne("", {"x", "y", "z"});
    auto w = make();
    ASSERT_EQ(w->historyBox()->count(), 12);
    EXPECT_EQ(w->historyBox()->itemText(0), " [ x / y / z ]");
    EXPECT_EQ(w->historyBox()->itemText(1), "Q13 [ a / b ]");
    for (int i = 0; i < 5; ++i) w->choiceField(i)->setText("old");
    w->selectHistory(1);
    EXPECT_EQ(w->questionField()->text(), "Q13");
    EXPECT_EQ(w->choiceField(0)->text(), "a");
    EXPECT_EQ(w->choiceField(1)->text(), "b");
    EXPECT_EQ(w->choiceField(2)->text(), "") << "fields beyond the entry's choices are emptied";
    EXPECT_EQ(w->choiceField(4)->text(), "");
}

TEST_F(QuesEditorTest, TheEditorShowsItsFieldsOnItsLightBackground) {
    auto w = make();
    w->questionField()->setText("What do we eat?");
    w->choiceField(0)->setText("Soup");
    const QImage shot = shoot(w->window(), "questionnaire-editor");
    ASSERT_FALSE(shot.isNull());
    const QColor corner = shot.pixelColor(3, shot.height() - 3);
    EXPECT_NEAR(corner.red(), 250, 2);
    EXPECT_NEAR(corner.blue(), 250, 2);
    auto area = [&](QWidget* widget) {
        return QRect(widget->mapTo(w->window(), QPoint(0, 0)), widget->size());
    };
    EXPECT_GT(inkIn(shot, area(w->questionField())), 20) << "the question is shown";
    EXPECT_GT(inkIn(shot, area(w->choiceField(0))), 10) << "the first choice is shown";
    EXPECT_EQ(inkIn(shot, area(w->choiceField(1)).adjusted(4, 4, -4, -4)), 0) << "the second field is empty";
    EXPECT_GT(inkIn(shot, area(w->issueBtn())), 5);
}

}  // namespace
