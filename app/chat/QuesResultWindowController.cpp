#include "chat/QuesResultWindowController.h"

#include <QDateTime>
#include <QFileDialog>
#include <QIcon>
#include <QLayout>
#include <QPalette>

#include "chat/ChatText.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/View.h"
#include "ui/CommonAlert.h"
#include "ui/SheetWindowController.h"

namespace {
constexpr double kWidth = 480, kHeight = 330;
}

QuesResultWindowController::QuesResultWindowController(const QuestionnaireInfo* model, QObject* parent)
    : QObject(parent), model_(model) {
    window_ = new Window(QRectF(0, 0, kWidth, kHeight), WindowStyleTitled | WindowStyleClosable);
    window_->setObjectName(QStringLiteral("quesResultWindow"));
    window_->setTitle(LocalizedString("dfQUESTIONNAIRE"));
    window_->setAutoFillBackground(true);
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, QColor::fromRgbF(0.98f, 0.98f, 0.98f, 1.0f));
    window_->setPalette(palette);

    toolbar_ = new QToolBar(window_);
    toolbar_->setObjectName(QStringLiteral("quesResultToolbar"));
    toolbar_->setMovable(false);
    toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto* spacer = new QWidget(toolbar_);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar_->addWidget(spacer);
    saveBtn_ = new QToolButton(toolbar_);
    saveBtn_->setObjectName(QStringLiteral("id_questionnaire_toolbar_save"));
    saveBtn_->setToolTip(LocalizedString("dfQUESTIONNAIRE_SAVE_TOOL_TIP"));
    if (const auto path = MainBundle::pathForResource(QStringLiteral("save_textbox"), QStringLiteral("png")))
        saveBtn_->setIcon(QIcon(*path));
    if (saveBtn_->icon().isNull()) {
        // Without its picture the button shows a word.
        saveBtn_->setText(LocalizedString("dfSAVE"));
        saveBtn_->setToolButtonStyle(Qt::ToolButtonTextOnly);
        saveBtn_->setFixedHeight(28);
    } else {
        saveBtn_->setFixedSize(44, 28);
    }
    saveBtn_->setEnabled(false);
    toolbar_->addWidget(saveBtn_);
    connect(saveBtn_, &QToolButton::clicked, this, [this] { onClickSave(); });
    if (window_->layout()) window_->layout()->setMenuBar(toolbar_);

    View* content = window_->contentView();
    questionLbl_ = new QLabel(content);
    questionLbl_->setObjectName(QStringLiteral("questionLbl"));
    questionLbl_->setTextFormat(Qt::PlainText);
    questionLbl_->setWordWrap(true);
    View::setFrameOf(questionLbl_, QRectF(20, kHeight - 84, kWidth - 40, 44));
    multipleLbl_ = new QLabel(LocalizedString("dfQUESTIONNAIRE_MULTI_SELECT"), content);
    multipleLbl_->setObjectName(QStringLiteral("multipleLbl"));
    View::setFrameOf(multipleLbl_, QRectF(20, kHeight - 108, 160, 20));
    annonymousLbl_ = new QLabel(LocalizedString("dfQUESTIONNAIRE_ANONYMOUS"), content);
    annonymousLbl_->setObjectName(QStringLiteral("annonymousLbl"));
    View::setFrameOf(annonymousLbl_, QRectF(190, kHeight - 108, 160, 20));
    for (int i = 0; i < 5; ++i) {
        const double y = kHeight - 142 - i * 30;
        auto* choice = new QLabel(content);
        choice->setObjectName(QStringLiteral("answer%1Lbl").arg(i + 1));
        choice->setTextFormat(Qt::PlainText);
        View::setFrameOf(choice, QRectF(20, y, 150, 22));
        auto* bar = new QProgressBar(content);
        bar->setObjectName(QStringLiteral("answer%1Indicator").arg(i + 1));
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        View::setFrameOf(bar, QRectF(176, y + 4, 150, 14));
        auto* rate = new QLabel(content);
        rate->setObjectName(QStringLiteral("answerRate%1Lbl").arg(i + 1));
        View::setFrameOf(rate, QRectF(334, y, kWidth - 344, 22));
        answerLbl_[size_t(i)] = choice;
        answerIndicator_[size_t(i)] = bar;
        answerRateLbl_[size_t(i)] = rate;
    }
    answerRateAllLbl_ = new QLabel(content);
    answerRateAllLbl_->setObjectName(QStringLiteral("answerRateAllLbl"));
    View::setFrameOf(answerRateAllLbl_, QRectF(20, 20, 260, 22));
    deadlineBtn_ = new QPushButton(LocalizedString("dfQUESTIONNAIRE_DEADLINE"), content);
    deadlineBtn_->setObjectName(QStringLiteral("deadlineBtn"));
    View::setFrameOf(deadlineBtn_, QRectF(kWidth - 140, 16, 120, 30));
    connect(deadlineBtn_, &QPushButton::clicked, this, [this] { onClickDeadline(); });

    savePanel_ = [this](const QString& proposed) -> std::optional<QString> {
        const QString path = QFileDialog::getSaveFileName(
            window_, QString(), proposed + QStringLiteral(".txt"), QStringLiteral("Text (*.txt)"));
        if (path.isEmpty()) return std::nullopt;
        return path;
    };

    const QuestionnaireInfo::Snapshot q = current();
    loadTexts(q);
    calcAnswerResult(q);
    updateAnsweredUser(q);
    window_->setDelegate(this);
}

QuesResultWindowController::~QuesResultWindowController() {
    delete sheet_.data();
    if (window_) {
        window_->setDelegate(nullptr);
        delete window_.data();
    }
}

void QuesResultWindowController::showWindow() {
    window_->show();
    window_->makeKeyAndOrderFront();
}

QuestionnaireInfo::Snapshot QuesResultWindowController::current() const {
    return model_ ? model_->snapshot() : QuestionnaireInfo::Snapshot{};
}

void QuesResultWindowController::loadTexts(const QuestionnaireInfo::Snapshot& q) {
    questionLbl_->setText(q.question);
    questionLbl_->setVisible(!q.question.isEmpty());
    multiple_ = QuestionnaireIsMultiple(q.options);
    anonymous_ = QuestionnaireIsAnonymous(q.options);
    multipleLbl_->setVisible(multiple_);
    annonymousLbl_->setVisible(anonymous_);
    choiceCount_ = int(qMin<qsizetype>(q.choices.size(), 5));
    for (int i = 0; i < 5; ++i) {
        const bool used = i < choiceCount_;
        answerLbl_[size_t(i)]->setText(used ? q.choices.at(i) : QString());
        answerLbl_[size_t(i)]->setVisible(used);
        answerIndicator_[size_t(i)]->setVisible(used);
        answerRateLbl_[size_t(i)]->setVisible(used);
    }
}

void QuesResultWindowController::calcAnswerResult(const QuestionnaireInfo::Snapshot& q) {
    const int receivers = int(q.issuedUsers.size());
    answers_ = q.answeredUserCnt;
    if (receivers < 1) {
        answerRateAllLbl_->hide();
    } else {
        answerRateAllLbl_->setText(QuestionnaireText::responseRateText(
            LocalizedString("dfQUESTINNAIRE_RESPONSE_RATE"), answers_, receivers));
        answerRateAllLbl_->show();
    }
    saveBtn_->setEnabled(answers_ > 0);
    for (int i = 0; i < choiceCount_; ++i) {
        const qsizetype count = size_t(i) < q.answeredUsers.size() ? q.answeredUsers[size_t(i)].size() : 0;
        const float ratio = QuestionnaireText::choiceRatio(count, q.answeredCnt);
        answerIndicator_[size_t(i)]->setValue(qRound(ratio * 100.0f));
        answerRateLbl_[size_t(i)]->setText(QuestionnaireText::choiceRateText(count, q.answeredCnt));
    }
}

void QuesResultWindowController::updateAnsweredUser(const QuestionnaireInfo::Snapshot& q) {
    chosenBy_.assign(size_t(choiceCount_), {});
    for (int i = 0; i < choiceCount_; ++i) {
        if (size_t(i) >= q.answeredUsers.size()) break;
        QString tip = QStringLiteral("<%1>\n").arg(answerLbl_[size_t(i)]->text());
        for (const QString& id : q.answeredUsers[size_t(i)]) {
            const auto it = q.issuedUsers.find(id);
            const QString name = it == q.issuedUsers.end() ? QString() : it->second.userName;
            chosenBy_[size_t(i)].emplace_back(name, id);
            tip += name + QLatin1Char('(') + id + QStringLiteral(") ");
        }
        answerIndicator_[size_t(i)]->setToolTip(anonymous_ ? QString() : tip);
    }
}

void QuesResultWindowController::updateResult(const QuestionnaireInfo* model) {
    model_ = model;
    const QuestionnaireInfo::Snapshot q = current();
    calcAnswerResult(q);
    updateAnsweredUser(q);
}

void QuesResultWindowController::closeWindowForce() {
    forceClose_ = true;
    if (window_) window_->closeWindow();
}

void QuesResultWindowController::onClickDeadline() {
    if (delegate_) delegate_->stopQuestionnaire();
    deadlineBtn_->setEnabled(false);
}

void QuesResultWindowController::onClickSave() {
    if (!savePanel_) return;
    const QString proposed =
        LocalizedString("dfQUESTIONNAIRE") + QLatin1Char('_') +
        QLocale().toString(QDateTime::currentDateTime(), QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
    if (const auto path = savePanel_(proposed)) saveQuestionnaireResult(*path);
}

QString QuesResultWindowController::makeSaveTextFormat() const {
    QuestionnaireText::ResultTexts t;
    t.questionLabel = LocalizedString("dfQUESTION");
    t.multipleLabel = LocalizedString("dfQUESTIONNAIRE_MULTI_SELECT");
    t.anonymousLabel = LocalizedString("dfQUESTIONNAIRE_ANONYMOUS");
    t.question = questionLbl_->text();
    t.multiple = multiple_;
    t.anonymous = anonymous_;
    t.responseRate = answerRateAllLbl_->text();
    for (int i = 0; i < choiceCount_; ++i) {
        QuestionnaireText::ResultRow row;
        row.choice = answerLbl_[size_t(i)]->text();
        row.rateText = answerRateLbl_[size_t(i)]->text();
        if (size_t(i) < chosenBy_.size()) row.users = chosenBy_[size_t(i)];
        t.rows.push_back(std::move(row));
    }
    return QuestionnaireText::resultFileText(t);
}

void QuesResultWindowController::saveQuestionnaireResult(const QString& path) {
    // Composed here from what the window shows, written on a worker.
    const QString text = makeSaveTextFormat();
    ++pendingSaves_;
    QPointer<QuesResultWindowController> self(this);
    DispatchQueue::global().async([self, path, text] {
        const std::optional<QString> error = ChatText::writeTextFile(path, text);
        mainQueue().async([self, error] {
            if (!self) return;
            --self->pendingSaves_;
            if (!error) {
                self->saved_ = true;
                return;
            }
            // Not saved: closing still asks.
            if (self->window_)
                CommonAlert::sharedInstance().showModalSheet(self->window_, std::nullopt,
                                                             LocalizedString("dfQUESTIONNAIRE_SAVE_ERR"),
                                                             *error, QStringLiteral("OK"), nullptr, {});
        });
    });
}

bool QuesResultWindowController::windowShouldClose(Window*) {
    if (forceClose_) return true;
    const QuestionnaireInfo::Snapshot q = current();
    if (q.status != QUESTIONNAIRE_STATUS_RUNNING && (saved_ || q.answeredUserCnt == 0)) return true;
    mainQueue().async(this, [this] { showCloseAlert(); });
    return false;
}

void QuesResultWindowController::showCloseAlert() {
    if (sheet_ || !window_) return;
    const QuestionnaireInfo::Snapshot q = current();
    QString text;
    if (q.status == QUESTIONNAIRE_STATUS_RUNNING)
        text = LocalizedString("dfQUESTIONNAIRE_CLOSE_ALERT_NOT_DEADLINE");
    else if (!saved_ && q.answeredUserCnt >= 1)
        text = LocalizedString("dfQUESTIONNAIRE_CLOSE_ALERT_NOT_SAVED");
    else
        return;
    sheet_ = new SheetWindowController(text);
    window_->beginSheet(sheet_->window(), [this](int code) {
        if (code != 1) return;
        forceClose_ = true;
        mainQueue().async(this, [this] {
            if (window_) window_->closeWindow();
        });
    });
}

void QuesResultWindowController::windowWillClose(Window*) {
    if (delegate_) delegate_->onCloseQuestionnaireResultWindow(this);
}

void QuesResultWindowController::windowDidEndSheet(Window*) {
    if (sheet_) sheet_->deleteLater();
    sheet_ = nullptr;
}
