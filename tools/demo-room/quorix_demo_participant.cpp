// One scripted participant of the demo room (one core per process): logs in
// with the key=value arguments of the test client (fixtures/CoreClientArgs.h)
// and, until its standard input ends or SIGINT or SIGTERM arrives, takes the
// floor and sends
//   a moving picture: 640 x 480 at 15 pictures a second, its name written in it;
//   a tone: tone=HZ (default 440) for one second in every four, silence between,
//           coded as Opus at 48 kHz in 60 ms frames (the room's codec);
//   a line in the text box: every=MS (default 4000), the first one second in;
//   with floor=MS, a request for the floor every MS, given back half a period later;
//   with greet=1, a private message of welcome to each participant who enters.
// With document=URL (a share file) and pages=N it starts document sharing,
// shows that document and turns to the next page every turn=MS (default
// 5000), going back to the first after the last; a participant who comes later
// follows from the next turn.
// It writes "LOGIN <code>" after the login and "TERM" when it has left; a
// failed login ends it with status 1. What it hears of the room's mix goes to
// standard error (the room's log): "demo-room: <name> hears <Hz> Hz" each time
// the strongest tone of a loud second changes.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FloorScript.h"
#include "PictureLabel.h"
#include "QuestionnaireScript.h"
#include "StopSignals.h"
#include "fixtures/CoreClientArgs.h"
#include "fixtures/ToneAnalysis.h"
#include "fixtures/ToneSource.h"
#include "fixtures/VideoPattern.h"
#include "interface/QuorixCoreAPI.h"

namespace {

using Clock = std::chrono::steady_clock;
using quorix::test::ClientArgs;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kFps = 15;
constexpr int kAudioRate = 48000;
constexpr int kAudioFrame = 2880;          // 60 ms
constexpr uint32_t kEnteringRoom = 10006;  // the free message a participant who enters sends

// The questionnaires, told by the core's callbacks.
demo_room::QuestionnaireScript* g_questions = nullptr;

void Line(const std::string& text) {
    std::fputs((text + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void SendPictures(const std::atomic<bool>& running, const std::string& name) {
    const auto period = std::chrono::microseconds(1000000 / kFps);
    auto due = Clock::now();
    for (int frame = 0; running; ++frame) {
        std::vector<uint8_t> pixels = MakeVideoPattern(kWidth, kHeight, frame);
        // Below the middle: the tile shows the participant's name in its top band.
        demo_room::DrawLabel(pixels, kWidth, kHeight, 24, kHeight / 2 + 60, 6, name);
        QuorixCoreSendVideo(pixels.data(), int(pixels.size()), kWidth, kHeight, kFps, 0, 0);
        due += period;
        std::this_thread::sleep_until(due);
    }
}

void SendSound(const std::atomic<bool>& running, double hz) {
    const auto period = std::chrono::microseconds(int64_t(kAudioFrame) * 1000000 / kAudioRate);
    const int framesPerSecond = kAudioRate / kAudioFrame;
    quorix::test::ToneSource tone(hz, kAudioRate);
    std::vector<int16_t> pcm(kAudioFrame);
    auto due = Clock::now();
    for (int frame = 0; running; ++frame) {
        tone.fill(pcm.data(), pcm.size(), frame % (4 * framesPerSecond) < framesPerSecond);
        QuorixCoreSendAudio(reinterpret_cast<const uint8_t*>(pcm.data()), uint32_t(pcm.size() * 2), 1.0,
                            kAudioRate);
        due += period;
        std::this_thread::sleep_until(due);
    }
}

// The text block of one text-box line, as the client writes it.
std::string TextBoxBlock(const std::string& userId, const std::string& userName, const std::string& message) {
    return "Type: TEXTBOXMESSAGE\r\nSrceUserID: " + userId + "\r\nSrceUserName: " + userName +
           "\r\nFontHeight: -10\r\nFontWidth: 0\r\nFontEscapement: 0\r\nFontOrientation: 0\r\n"
           "FontWeight: FALSE\r\nFontItalic: FALSE\r\nFontUnderline: FALSE\r\nFontStrikeOut: FALSE\r\n"
           "FontCharSet: 128\r\nFontOutPrecision: 3\r\nFontClipPrecision: 2\r\nFontQuality: 1\r\n"
           "FontPitchAndFamily: 18\r\nFontFaceName: Sans\r\nFontColor: 0,0,0\r\nFontSize: 9\r\nMessage: " +
           message + "\r\n\r\n";
}

// The document-sharing texts of the operator showing page `page` of a document.
std::string DocumentText(const std::string& url) {
    return "Type: WEBESCORT\r\nKey: -1\r\nUrl: " + url + "\r\nTarget: ," + url + "\r\n\r\n";
}
std::string PageText(const std::string& url, int page) {
    return "Type: WEBESCORT_PAGE_INFO\r\nKey: -1\r\nUrl: " + url + "\r\nPage: " + std::to_string(page) +
           "\r\n\r\n";
}

// The room's mix as the core hands it over (200 ms a call); the callback only copies.
struct Heard {
    std::mutex mu;
    std::vector<int16_t> pcm;
    int rate = 0;
    int lastHz = 0;
    int quietSeconds = 0;
};
Heard g_heard;

// The participants who entered and wait for their welcome (filled on the
// core's thread, sent from the main loop).
struct Arrivals {
    std::mutex mu;
    std::vector<std::string> waiting, greeted;
};
Arrivals g_arrivals;

// Called once a second: the strongest tone of the last second's loud part,
// reported when it changes (or sounds again after a quiet spell).
void ReportWhatWasHeard(const std::string& name) {
    std::vector<int16_t> pcm;
    int rate = 0;
    {
        std::lock_guard<std::mutex> lock(g_heard.mu);
        pcm.swap(g_heard.pcm);
        rate = g_heard.rate;
    }
    if (rate <= 0) return;
    // A guest's microphone may come through the desktop's echo canceller and
    // gain control much quieter than the participants' own tones.
    const std::vector<int16_t> loud = quorix::test::LoudPart(pcm, rate, 150);
    if (loud.size() < size_t(rate / 4)) {
        if (++g_heard.quietSeconds >= 2) g_heard.lastHz = 0;
        return;
    }
    g_heard.quietSeconds = 0;
    const int hz = int(quorix::test::PeakFrequency(loud, rate, 100, 2000));
    if (std::abs(hz - g_heard.lastHz) <= 10) return;
    g_heard.lastHz = hz;
    std::fprintf(stderr, "demo-room: %s hears %d Hz\n", name.c_str(), hz);
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
    ClientArgs arg = quorix::test::ParseClientArgs(argc, argv);
    arg.emplace("tone", "440");
    arg.emplace("every", "4000");
    const std::string user = arg["user"];
    const std::string name = arg["name"];

    // Every thread started from here on keeps SIGINT and SIGTERM blocked.
    const int signals = demo_room::BlockStopSignals();
    if (signals < 0) return 1;

    QuorixCore_OnLoad();
    ST_FUNCLIST table{};
    table.OnError = [](int code, int errorNo, const char* text, void*) {
        std::fprintf(stderr, "participant: connection error %d (%d) %s\n", code, errorNo,
                     text != nullptr ? text : "");
    };
    table.OnAudioOutput = [](int, uint8_t* pcm, int size, void*) {
        std::lock_guard<std::mutex> lock(g_heard.mu);
        const int16_t* p = reinterpret_cast<const int16_t*>(pcm);
        g_heard.rate = size / 2 * 5;  // 200 ms a mix
        if (g_heard.pcm.size() < size_t(g_heard.rate) * 4)
            g_heard.pcm.insert(g_heard.pcm.end(), p, p + size / 2);
    };
    demo_room::QuestionnaireScript questions(user, name, quorix::test::IntArg(arg, "question", 0));
    g_questions = &questions;
    table.OnQuestionStart = [](const char* id, const char*, bool, bool multi, int count, const char**,
                               void*) { g_questions->onStart(id ? id : "", multi, count); };
    table.OnQuestionReceived = [](const char* id, void*) { g_questions->onReceived(id ? id : ""); };
    table.OnQuestionAnswer = [](const char* id, int count, const char* text, void*) {
        g_questions->onAnswer(id ? id : "", count, text ? text : "");
    };
    table.OnRecvFreeMessage = [](uint32_t code, const char* id, void*) {
        if (code == kEnteringRoom) g_questions->onEnteringRoom(id ? id : "");
    };
    if (quorix::test::IntArg(arg, "greet", 0) != 0)
        table.OnEnterMember = [](const char* id, const char*, const char*, void*) {
            if (id == nullptr) return;
            std::lock_guard<std::mutex> lock(g_arrivals.mu);
            const std::string who = id;
            if (std::find(g_arrivals.greeted.begin(), g_arrivals.greeted.end(), who) ==
                g_arrivals.greeted.end()) {
                g_arrivals.greeted.push_back(who);
                g_arrivals.waiting.push_back(who);
            }
        };
    QuorixCoreInit("Mac", nullptr, table);
    const int code = quorix::test::LoginCore(arg, "QuorixDemo/1.0");
    Line("LOGIN " + std::to_string(code));
    if (code != 0) {
        QuorixCoreTerm();
        return 1;
    }
    QuorixCoreStartSpeech();
    demo_room::FloorScript floor(user, name, quorix::test::IntArg(arg, "floor", 0));

    std::atomic<bool> running{true};
    std::thread pictures([&] { SendPictures(running, name); });
    std::thread sound([&] { SendSound(running, quorix::test::IntArg(arg, "tone", 440)); });

    const std::string document = arg.count("document") ? arg["document"] : std::string();
    const int pages = std::max(1, quorix::test::IntArg(arg, "pages", 1));
    const int turn = std::max(1000, quorix::test::IntArg(arg, "turn", 5000));
    if (!document.empty()) QuorixCoreStartDocShare();
    int page = 0;

    const int every = std::max(500, quorix::test::IntArg(arg, "every", 4000));
    auto nextLine = Clock::now() + std::chrono::seconds(1);
    auto nextHearing = Clock::now() + std::chrono::seconds(1);
    auto nextTurn = document.empty() ? Clock::time_point::max() : Clock::now() + std::chrono::seconds(2);
    int lines = 0;
    auto nextQuestion = Clock::now();
    for (;;) {
        // Answers and acknowledgements are due within half a second.
        const auto due = std::min(
            {nextLine, nextHearing, nextTurn, nextQuestion, Clock::now() + std::chrono::milliseconds(500)});
        const int wait =
            int(std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count());
        pollfd fds[2] = {{0, POLLIN, 0}, {signals, POLLIN, 0}};
        const int ready = ::poll(fds, 2, std::max(0, wait));
        if (ready < 0) break;
        if (fds[1].revents != 0) break;
        if (fds[0].revents != 0) {
            char buf[256];
            if (::read(0, buf, sizeof buf) <= 0) break;  // the room closed our input
        }
        if (Clock::now() >= nextHearing) {
            std::vector<std::string> arrived;
            {
                std::lock_guard<std::mutex> lock(g_arrivals.mu);
                arrived.swap(g_arrivals.waiting);
            }
            for (const std::string& who : arrived) {
                if (who == user) continue;
                const bool sent = QuorixCoreSendMessage(
                    who.c_str(), ("Welcome! This is a private message from " + name + ".").c_str());
                std::fprintf(stderr, "demo-room: %s welcomes %s%s\n", name.c_str(), who.c_str(),
                             sent ? "" : " (not sent)");
                std::fflush(stderr);
            }
            ReportWhatWasHeard(name);
            nextHearing += std::chrono::seconds(1);
        }
        if (Clock::now() >= nextTurn) {
            QuorixCoreSendDocShareData(DocumentText(document).c_str());
            QuorixCoreSendDocShareData(PageText(document, page).c_str());
            std::fprintf(stderr, "demo-room: %s shows page %d\n", name.c_str(), page + 1);
            std::fflush(stderr);
            page = (page + 1) % pages;
            nextTurn += std::chrono::milliseconds(turn);
        }
        nextQuestion = questions.tick(Clock::now());
        if (Clock::now() >= nextLine) {
            ++lines;
            QuorixCoreSendTextBoxData(
                TextBoxBlock(user, name, "Hello from " + name + ", line " + std::to_string(lines) + ".")
                    .c_str());
            nextLine += std::chrono::milliseconds(every);
        }
    }
    running = false;
    pictures.join();
    sound.join();
    floor.stop();
    QuorixCoreLogout();
    QuorixCoreTerm();
    g_questions = nullptr;
    ::close(signals);
    Line("TERM");
    return 0;
}
