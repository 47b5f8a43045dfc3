// The demo room: a conference on this machine alone, so that the client can
// be seen at work without a conference service. It runs the loopback web
// service (room configuration, start and completion notices, version check),
// conference server and media relay of the tests on 127.0.0.1 at ephemeral
// ports, starts one scripted participant (quorix_demo_participant, built
// beside this program) at once and a second one when the guest of the link
// has entered, writes the launch link that joins the room as the guest on a
// line of its own, and runs until SIGINT or SIGTERM, when it ends the
// participants and then the services, and exits with 0. The first
// participant shares a document of three page pictures that the web service
// serves, and turns its pages; it also issues a questionnaire once a minute,
// and each participant answers the questionnaires of others. Files the guest
// uploads for sharing become documents of plain page pictures. A participant
// whose process ends on its own (killed, or failed) is reaped at once and its
// departure told.
//
// Lines on standard output: "demo-room: ..." for people, the link (beginning
// "quorix://"), "PARTICIPANT <name> <process id>" for each participant
// started, "demo-room: <name> has left" when one ends before the room, and
// "STOPPED" at the end.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "LaunchLink.h"
#include "PagePicture.h"
#include "StopSignals.h"
#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"
#include "fixtures/WebServiceFixture.h"

namespace {

using namespace quorix::test;

// The room as the link and the web service name it.
constexpr const char* kGuestId = "guest";
constexpr const char* kGuestName = "Guest";
constexpr const char* kTopRoom = "1";
constexpr const char* kRoom = "1";
constexpr const char* kOption = R"({"roomlist_max":"8"})";
// The token the conference server's login reply carries, which the relay
// start requests repeat.
constexpr const char* kToken = "demo-room";

struct Participant {
    const char* id;
    const char* name;
    int toneHz;
};
// The shared document: its share file and pages under the web service.
constexpr int kDocumentPages = 3;
constexpr const char* kDocumentPath = "/conv/demo/share.xml";
constexpr Participant kPresent = {"aiko", "Aiko", 440};
constexpr Participant kArriving = {"ben", "Ben", 660};

void Say(const std::string& text) {
    std::fputs((text + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string Beside(const char* program) {
    char exe[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    const std::string path = n > 0 ? std::string(exe, size_t(n)) : std::string();
    return path.substr(0, path.rfind('/') + 1) + program;
}

ConfServerScript RoomScript(const RelayFixture& relay) {
    ConfServerScript s;
    s.loginBody.assign(CONF_LOGIN_RES_SIZE, 0);
    std::copy(kToken, kToken + std::char_traits<char>::length(kToken), s.loginBody.begin());
    s.keyLevel = 2;
    s.keyText = "DemoRoomKey";
    s.owner = kGuestId;
    for (size_t i = 0; i < CONF_RELAY_COUNT; ++i) s.relays[i] = {relay.addr(), relay.port(i)};
    s.keepMessages = false;
    return s;
}

void ServeRoom(WebServiceFixture& web, uint16_t confPort) {
    web.setReply(WebServiceFixture::kCommonParamPath,
                 WebReply::xml(WebServiceFixture::commonParamXml({
                     {"status", "0"},
                     {"SERVERIP", "127.0.0.1:" + std::to_string(confPort)},
                     {"CATEGORY", "0"},
                     {"OWNER", kGuestId},
                     {"USERLISTMODE", "Y"},
                     {"MAXPARTICIPANT", "8"},
                     {"MODE_OPUS", "Y"},
                     {"COMPANYNAME", "Demo"},
                     {"CLASSNAME", "Demo room"},
                     {"OPTION_STR", kOption},
                 })));
    std::vector<std::string> pages;
    for (int k = 0; k < kDocumentPages; ++k) {
        const std::string path = "/conv/demo/p" + std::to_string(k) + ".bmp";
        web.setReply(path, WebReply::binary(demo_room::MakePageBmp(k, 960, 720)));
        pages.push_back(web.baseUrl() + path.substr(1));
    }
    web.setReply(kDocumentPath, WebReply::xml(WebServiceFixture::shareFileXml(pages)));
    // Files the guest shares are turned into page-image documents. The
    // service's address ends in "/", so the client posts to "//uploader/".
    web.serveDocumentUploads("/uploader/");
    web.serveDocumentUploads("//uploader/");
    web.setReply(WebServiceFixture::kNoticePath, WebReply::text("RESULT=0"));
    web.setReply(WebServiceFixture::kUpdatePath,
                 WebReply::xml(WebServiceFixture::updateCheckXml(QUORIX_VERSION, QUORIX_VERSION)));
}

std::unique_ptr<ClientProcess> StartParticipant(const Participant& p, uint16_t confPort,
                                                const std::string& document = std::string()) {
    std::vector<std::string> args{"port=" + std::to_string(confPort), std::string("user=") + p.id,
                                  std::string("name=") + p.name, std::string("top=") + kTopRoom,
                                  std::string("room=") + kRoom, std::string("option=") + kOption,
                                  R"(support={"mode_opus":true})", "tone=" + std::to_string(p.toneHz),
                                  // The participant already present asks for the floor now and then.
                                  std::string("floor=") + (p.id == kPresent.id ? "30000" : "0"),
                                  std::string("question=") + (p.id == kPresent.id ? "60000" : "0"),
                                  // ... and welcomes each newcomer with a private message.
                                  std::string("greet=") + (p.id == kPresent.id ? "1" : "0")};
    if (!document.empty()) {
        args.push_back("document=" + document);
        args.push_back("pages=" + std::to_string(kDocumentPages));
    }
    auto process = std::make_unique<ClientProcess>(Beside("quorix_demo_participant"), args);
    const std::string login = process->waitLine("LOGIN", 20000);
    if (login != "LOGIN 0") {
        Say(std::string("demo-room: ") + p.name + " could not log in (" +
            (login.empty() ? "no answer" : login) + ")");
        return nullptr;
    }
    Say(std::string("PARTICIPANT ") + p.name + " " + std::to_string(process->pid()));
    Say(std::string("demo-room: ") + p.name + " is in the room");
    return process;
}

}  // namespace

int main() {
    // Every thread and child started from here on inherits SIGINT and SIGTERM
    // blocked (the participants read them the same way).
    const int signals = demo_room::BlockStopSignals();
    if (signals < 0) {
        std::perror("demo-room: signalfd");
        return 1;
    }

    int status = 0;
    {
        RelayScript relayScript;
        relayScript.keepMessages = false;
        RelayFixture relay(relayScript);
        ConfServerFixture conf(RoomScript(relay));
        WebServiceFixture web;
        if (!relay.listening() || !conf.listening() || !web.start()) {
            Say("demo-room: could not listen on 127.0.0.1");
            return 1;
        }
        ServeRoom(web, conf.port());
        Say("demo-room: a loopback stand-in for a conference service, on this machine only");
        Say("demo-room: web service " + web.baseUrl() +
            ", conference server 127.0.0.1:" + std::to_string(conf.port()) +
            ", media relay 127.0.0.1:" + std::to_string(relay.port(0)) + "-" + std::to_string(relay.port(4)));

        std::vector<std::pair<std::string, std::unique_ptr<ClientProcess>>> participants;
        const std::string document = web.baseUrl() + std::string(kDocumentPath).substr(1);
        if (auto p = StartParticipant(kPresent, conf.port(), document))
            participants.emplace_back(kPresent.name, std::move(p));
        Say(demo_room::LaunchLink({"Quorix", kGuestId, "demo", kGuestName, kTopRoom, kRoom, web.baseUrl(), "",
                                   "", "", std::string("key=") + kToken}));
        Say("demo-room: the link above joins the room as the guest; Ctrl-C (SIGINT) or SIGTERM stops the "
            "room");

        bool arrived = false;
        for (;;) {
            pollfd fd = {signals, POLLIN, 0};
            if (::poll(&fd, 1, 200) != 0) break;  // a stop signal (or a failed wait)
            if (!arrived && conf.waitEntered(kGuestId, 0)) {
                arrived = true;
                Say("demo-room: the guest has entered");
                if (auto p = StartParticipant(kArriving, conf.port()))
                    participants.emplace_back(kArriving.name, std::move(p));
            }
            for (auto p = participants.begin(); p != participants.end();) {
                if (!p->second->exited()) {
                    ++p;
                    continue;
                }
                Say("demo-room: " + p->first + " has left");
                p = participants.erase(p);
            }
        }
        Say("demo-room: stopping");
        for (auto& p : participants)
            if (p.second->finish() != 0) status = 1;
        participants.clear();
        web.stop();
    }  // the conference server and the relay end with their last connections
    ::close(signals);
    Say("STOPPED");
    return status;
}
