// A scripted participant's questionnaires: every period it issues one to the
// room (stopping the one before), asks a participant who enters later, and
// answers the questionnaires of others a few seconds after they arrive. The
// core's callbacks only record what came; tick() on the participant's main
// loop sends. A period of 0 issues nothing but still answers.
#pragma once

#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace demo_room {

class QuestionnaireScript {
public:
    using Clock = std::chrono::steady_clock;

    QuestionnaireScript(std::string userId, std::string name, int periodMs);

    // From the core's callbacks (any thread).
    void onStart(const std::string& issuerId, bool multiSelect, int count);
    void onReceived(const std::string& userId);
    void onAnswer(const std::string& userId, int count, const std::string& text);
    void onEnteringRoom(const std::string& userId);

    // Sends what is due; answers when it wants to be called next.
    Clock::time_point tick(Clock::time_point now);

private:
    struct PendingAnswer {
        std::string issuerId;
        int count;
        std::string text;
        Clock::time_point due;
    };

    const std::string userId_, name_;
    const int periodMs_;
    int issued_ = 0;
    Clock::time_point nextIssue_;
    std::mutex mu_;
    std::vector<std::string> acks_;       // issuers to acknowledge
    std::vector<PendingAnswer> answers_;  // answers to send
    std::set<std::string> receivers_;     // of the running questionnaire
    std::set<std::string> answered_;
    std::vector<std::string> newcomers_;  // to ask again
};

}  // namespace demo_room
