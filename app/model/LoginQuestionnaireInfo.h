// What the session asks of the user's questionnaire (the model's
// QuestionnaireInfo implements it): the login resets and stops it, the
// free messages start it and record the receivers and their answers.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>

class LoginQuestionnaireInfo {
public:
    virtual ~LoginQuestionnaireInfo() = default;
    virtual void resetQuestionnaire() = 0;
    virtual void stopQuestionnaire() = 0;
    virtual int status() const = 0;  // 1 while a questionnaire runs
    virtual QString issuedUserId() const = 0;
    virtual QString question() const { return {}; }
    virtual QStringList choices() const { return {}; }
    virtual int options() const { return 0; }
    // Receiver id -> his answers (1-based choices; empty: not answered).
    virtual std::map<QString, QList<int>> issuedUserAnswers() const { return {}; }
    // No issuer: the user issues it.
    virtual void startQuestionnaire(const std::optional<QString>& /*issuer*/, const QString& /*question*/,
                                    const QStringList& /*choices*/, int /*options*/) {}
    virtual void setQuestionnaireReceiver(const QString& /*userId*/, const QString& /*userName*/) {}
    virtual void recvQuestionnaireAnswer(const QString& /*userId*/, int /*choiceCnt*/,
                                         const QString& /*choiceItem*/) {}
};
