#include "model/QuestionnaireInfo.h"

int QuestionnaireInfo::status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

QString QuestionnaireInfo::issuedUserId() const {
    std::lock_guard lock(mutex_);
    return issuedUserId_.value_or(QString());
}

QString QuestionnaireInfo::question() const {
    std::lock_guard lock(mutex_);
    return question_;
}

QStringList QuestionnaireInfo::choices() const {
    std::lock_guard lock(mutex_);
    return choices_;
}

int QuestionnaireInfo::options() const {
    std::lock_guard lock(mutex_);
    return options_;
}

std::map<QString, QList<int>> QuestionnaireInfo::issuedUserAnswers() const {
    std::lock_guard lock(mutex_);
    std::map<QString, QList<int>> answers;
    if (issuedUsers_)
        for (const auto& [id, entry] : *issuedUsers_) answers[id] = entry.answerNum;
    return answers;
}

std::map<QString, QuestionnaireInfo::IssuedUser> QuestionnaireInfo::issuedUsers() const {
    std::lock_guard lock(mutex_);
    return issuedUsers_.value_or(std::map<QString, IssuedUser>{});
}

int QuestionnaireInfo::answeredUserCnt() const {
    std::lock_guard lock(mutex_);
    return answeredUserCnt_;
}

int QuestionnaireInfo::answeredCnt() const {
    std::lock_guard lock(mutex_);
    return answeredCnt_;
}

std::vector<QStringList> QuestionnaireInfo::answeredUsers() const {
    std::lock_guard lock(mutex_);
    return answeredUsers_;
}

void QuestionnaireInfo::startQuestionnaire(const std::optional<QString>& issuer, const QString& question,
                                           const QStringList& choices, int options) {
    std::lock_guard lock(mutex_);
    issuedUserId_ = issuer;
    question_ = question;
    choices_ = choices;
    options_ = options;
    if (!issuer) {
        issuedUsers_.emplace();
        answeredUsers_.assign(size_t(choices.size()), QStringList());
        answeredUserCnt_ = 0;
        answeredCnt_ = 0;
    }
    status_ = QUESTIONNAIRE_STATUS_RUNNING;
}

void QuestionnaireInfo::setQuestionnaireReceiver(const QString& userId, const QString& userName) {
    std::lock_guard lock(mutex_);
    if (status_ != QUESTIONNAIRE_STATUS_RUNNING || !issuedUsers_) return;
    (*issuedUsers_)[userId] = IssuedUser{userId, userName, {}};
}

void QuestionnaireInfo::recvQuestionnaireAnswer(const QString& userId, int choiceCnt,
                                                const QString& choiceItem) {
    std::lock_guard lock(mutex_);
    if (status_ != QUESTIONNAIRE_STATUS_RUNNING || !issuedUsers_) return;
    auto it = issuedUsers_->find(userId);
    // Each receiver counts once, also when the first answer selected nothing.
    if (it == issuedUsers_->end() || it->second.answered || !it->second.answerNum.isEmpty()) return;
    QList<int> answers;
    for (int i = 0; i < choiceCnt && i < choiceItem.size(); ++i) {
        const int k = choiceItem.at(i).digitValue();
        if (k < 1 || k > int(answeredUsers_.size())) continue;
        answers.append(k);
        answeredUsers_[size_t(k - 1)].append(userId);
        ++answeredCnt_;
    }
    it->second.answerNum = answers;
    it->second.answered = true;
    ++answeredUserCnt_;
}

void QuestionnaireInfo::stopQuestionnaire() {
    std::lock_guard lock(mutex_);
    status_ = QUESTIONNAIRE_STATUS_STOPPED;
}

void QuestionnaireInfo::resetQuestionnaire() {
    std::lock_guard lock(mutex_);
    status_ = QUESTIONNAIRE_STATUS_NONE;
    question_.clear();
    choices_.clear();
    issuedUserId_.reset();
    issuedUsers_.reset();
    answeredUsers_.clear();
}
