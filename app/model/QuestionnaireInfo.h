// The one questionnaire of a participant: at the issuer it records the
// receivers and tallies their answers, at a receiver it holds the question
// being answered. Core threads change it while windows read it: every access
// takes its lock and readers get copies.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <map>
#include <mutex>
#include <optional>

#include "model/LoginQuestionnaireInfo.h"

enum QuestionnaireStatus : int {
    QUESTIONNAIRE_STATUS_NONE = 0,
    QUESTIONNAIRE_STATUS_RUNNING = 1,
    QUESTIONNAIRE_STATUS_ANSWERED = 2,
    QUESTIONNAIRE_STATUS_STOPPED = 3,
};

// Options as one 16-bit value: multiple selection in the low byte, anonymous
// in the high byte.
inline int QuestionnaireOptionsValue(bool multiple, bool anonymous) {
    return (multiple ? 1 : 0) | ((anonymous ? 1 : 0) << 8);
}
inline bool QuestionnaireIsMultiple(int options) {
    return (options & 0xFF) != 0;
}
inline bool QuestionnaireIsAnonymous(int options) {
    return options > 255;
}

class QuestionnaireInfo final : public LoginQuestionnaireInfo {
public:
    struct IssuedUser {
        QString userId;
        QString userName;
        QList<int> answerNum;   // 1-based choices, in the answer's order
        bool answered = false;  // also for an answer without choices
    };

    QuestionnaireInfo() = default;

    int status() const override;
    // Empty when the user issued it.
    QString issuedUserId() const override;
    QString question() const override;
    QStringList choices() const override;
    int options() const override;
    std::map<QString, QList<int>> issuedUserAnswers() const override;
    std::map<QString, IssuedUser> issuedUsers() const;
    int answeredUserCnt() const;
    int answeredCnt() const;
    // Per choice, the ids that chose it in arrival order.
    std::vector<QStringList> answeredUsers() const;

    // No issuer: issued here (the receiver table and the tally start empty).
    void startQuestionnaire(const std::optional<QString>& issuer, const QString& question,
                            const QStringList& choices, int options) override;
    void setQuestionnaireReceiver(const QString& userId, const QString& userName) override;
    void recvQuestionnaireAnswer(const QString& userId, int choiceCnt, const QString& choiceItem) override;
    void stopQuestionnaire() override;
    void resetQuestionnaire() override;

private:
    mutable std::mutex mutex_;
    int status_ = QUESTIONNAIRE_STATUS_NONE;
    QString question_;
    QStringList choices_;
    std::optional<QString> issuedUserId_;
    int options_ = 0;
    std::optional<std::map<QString, IssuedUser>> issuedUsers_;
    int answeredUserCnt_ = 0;
    int answeredCnt_ = 0;
    std::vector<QStringList> answeredUsers_;
};
