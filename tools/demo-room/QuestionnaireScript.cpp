#include "QuestionnaireScript.h"

#include <algorithm>
#include <cstdio>

#include "interface/QuorixCoreAPI.h"

namespace demo_room {

namespace {

struct Question {
    const char* text;
    bool multiSelect;
    std::vector<const char*> choices;
};
const Question kQuestions[] = {
    {"Which page was clearest?", false, {"The first", "The second", "The last"}},
    {"Which days suit you?", true, {"Monday", "Wednesday", "Friday"}},
    {"Tea or coffee?", false, {"Tea", "Coffee"}},
};

const Question& QuestionNumber(int n) {
    return kQuestions[size_t(n) % (sizeof kQuestions / sizeof kQuestions[0])];
}

void Log(const std::string& text) {
    std::fprintf(stderr, "demo-room: %s\n", text.c_str());
    std::fflush(stderr);
}

}  // namespace

QuestionnaireScript::QuestionnaireScript(std::string userId, std::string name, int periodMs)
    : userId_(std::move(userId)),
      name_(std::move(name)),
      periodMs_(periodMs),
      nextIssue_(periodMs > 0 ? Clock::now() + std::chrono::seconds(5) : Clock::time_point::max()) {}

void QuestionnaireScript::onStart(const std::string& issuerId, bool multiSelect, int count) {
    if (issuerId == userId_ || count < 1) return;
    std::lock_guard lock(mu_);
    acks_.push_back(issuerId);
    // The first choice, and with several allowed the last one as well.
    std::string text = "1";
    if (multiSelect && count > 1) text += std::to_string(std::min(count, 9));
    answers_.push_back({issuerId, int(text.size()), text, Clock::now() + std::chrono::seconds(4)});
}

void QuestionnaireScript::onReceived(const std::string& userId) {
    std::lock_guard lock(mu_);
    if (issued_ > 0) receivers_.insert(userId);
}

void QuestionnaireScript::onAnswer(const std::string& userId, int count, const std::string& text) {
    std::lock_guard lock(mu_);
    if (!receivers_.count(userId)) return;
    answered_.insert(userId);
    Log(name_ + " got the answer " + std::to_string(count) + " \"" + text + "\" from " + userId);
}

void QuestionnaireScript::onEnteringRoom(const std::string& userId) {
    std::lock_guard lock(mu_);
    if (issued_ > 0 && !answered_.count(userId)) newcomers_.push_back(userId);
}

QuestionnaireScript::Clock::time_point QuestionnaireScript::tick(Clock::time_point now) {
    // Taken under the lock, sent after it: the core may be in a callback
    // that waits for the lock.
    std::vector<std::string> acks, newcomers, stops;
    std::vector<PendingAnswer> due;
    const Question* current = nullptr;
    const Question* issue = nullptr;
    Clock::time_point next;
    {
        std::lock_guard lock(mu_);
        acks.swap(acks_);
        for (auto it = answers_.begin(); it != answers_.end();) {
            if (it->due > now) {
                ++it;
                continue;
            }
            due.push_back(*it);
            it = answers_.erase(it);
        }
        if (issued_ > 0) current = &QuestionNumber(issued_ - 1);
        newcomers.swap(newcomers_);
        if (now >= nextIssue_) {
            // The one before ends for those who acknowledged it.
            stops.assign(receivers_.begin(), receivers_.end());
            receivers_.clear();
            answered_.clear();
            issue = &QuestionNumber(issued_++);
            nextIssue_ = now + std::chrono::milliseconds(periodMs_);
        }
        next = nextIssue_;
        for (const PendingAnswer& a : answers_) next = std::min(next, a.due);
    }
    for (const std::string& issuer : acks) QuorixCoreReceivedQuestionnaire(issuer.c_str(), userId_.c_str());
    for (const PendingAnswer& a : due) {
        QuorixCoreAnswerQuestionnaire(a.issuerId.c_str(), a.count, a.text.c_str());
        Log(name_ + " answers " + a.issuerId + "'s questionnaire with \"" + a.text + "\"");
    }
    if (current && !issue) {
        std::vector<const char*> choices = current->choices;
        for (const std::string& user : newcomers)
            QuorixCoreStartQuestionnaire(user.c_str(), current->text, false, current->multiSelect,
                                         int(choices.size()), choices.data());
    }
    for (const std::string& user : stops) QuorixCoreStopQuestionnaire(user.c_str());
    if (issue) {
        std::vector<const char*> choices = issue->choices;
        QuorixCoreStartQuestionnaire("", issue->text, false, issue->multiSelect, int(choices.size()),
                                     choices.data());
        Log(name_ + " asks: " + issue->text);
    }
    return next;
}

}  // namespace demo_room
