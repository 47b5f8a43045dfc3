// Shared pieces of the core's fuzz targets: bytes as a peer would send them
// on a connected socket, a callback table that records every event and reads
// every text and buffer it is handed, and a logged-in control object without
// connections whose receive paths the targets feed.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

#include "FuzzSupport.h"
#include "control/QuorixControl.h"
#include "fixtures/ControlTestPeer.h"
#include "interface/QuorixCore.h"
#include "interface/QuorixCoreTypes.h"
#include "network/CommonProc.h"
#include "tessel/TS_Common.h"
#include "tessel/TS_Socket.h"

namespace quorix::fuzz {

// Trace lines carry received texts: each is formatted (so that a bad
// argument shows) and dropped, instead of filling the log.
inline void QuietTrace(int, const char* format, va_list args) {
    char line[2048];
    std::vsnprintf(line, sizeof line, format, args);
    Touch(line);
}
inline const bool g_quietTrace = (SetDTraceFunc(QuietTrace), true);

// A connected stream pair: the input is what the peer sent before closing
// its sending direction; what the client sends piles up unread. The client
// end is a CSocketTCP in non-blocking mode, as the connection layer leaves it.
class PeerBytes {
public:
    PeerBytes(const uint8_t* data, size_t size) {
        int sv[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) std::abort();
        // Room for any input up to the targets' maximum length in one write
        // (the tests run as root, which may pass the system's limit).
        const int room = 4 << 20;
        setsockopt(sv[1], SOL_SOCKET, SO_SNDBUFFORCE, &room, sizeof room);
        setsockopt(sv[0], SOL_SOCKET, SO_RCVBUFFORCE, &room, sizeof room);
        setsockopt(sv[0], SOL_SOCKET, SO_SNDBUFFORCE, &room, sizeof room);
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::send(sv[1], data + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n <= 0) break;  // the rest does not fit: the peer sent less
            done += size_t(n);
        }
        ::shutdown(sv[1], SHUT_WR);
        peer_ = sv[1];
        socket.SetSocket(sv[0]);
    }
    ~PeerBytes() {
        socket.Close();
        ::close(peer_);
    }
    PeerBytes(const PeerBytes&) = delete;
    PeerBytes& operator=(const PeerBytes&) = delete;

    CSocketTCP socket;

private:
    int peer_ = -1;
};

inline std::atomic<uint64_t> g_events{0};

// One recording slot per function type: texts are read whole, a buffer
// followed by its length is read whole, a list of texts after its count is
// read text by text.
template <class Fn>
struct Recorder;
template <class... A>
struct Recorder<void (*)(A...)> {
    static void Call(A... args) {
        ++g_events;
        auto tuple = std::make_tuple(args...);
        Visit(tuple, std::index_sequence_for<A...>{});
    }
    template <class T, size_t... I>
    static void Visit(T& t, std::index_sequence<I...>) {
        (One<I>(t), ...);
    }
    template <size_t I, class T>
    static void One(T& t) {
        using E = std::tuple_element_t<I, T>;
        if constexpr (std::is_same_v<E, const char*>) {
            Touch(std::get<I>(t));
        } else if constexpr (std::is_same_v<E, uint8_t*> || std::is_same_v<E, const uint8_t*>) {
            if constexpr (I + 1 < std::tuple_size_v<T>) {
                if constexpr (std::is_same_v<std::tuple_element_t<I + 1, T>, int>)
                    TouchBytes(std::get<I>(t), std::get<I + 1>(t));
            }
        } else if constexpr (std::is_same_v<E, const char**>) {
            if constexpr (I > 0) {
                if constexpr (std::is_same_v<std::tuple_element_t<I - 1, T>, int>) {
                    const char** list = std::get<I>(t);
                    const int count = std::get<I - 1>(t);
                    for (int k = 0; list != nullptr && k < count; ++k) Touch(list[k]);
                }
            }
        }
    }
};

template <class Fn>
void Record(Fn& slot) {
    slot = &Recorder<Fn>::Call;
}

// Every slot of the table records.
inline ST_FUNCLIST RecordingTable() {
    ST_FUNCLIST t{};
    Record(t.OnEnterMember), Record(t.OnLeaveMember), Record(t.OnStartSpeech), Record(t.OnStopSpeech);
    Record(t.OnChangeOwner), Record(t.OnPushOut), Record(t.OnForceLeave), Record(t.OnSpeechReserveResult);
    Record(t.OnSpeechReserve), Record(t.OnSpeechReserveCancel), Record(t.OnSpeechNominateResult);
    Record(t.OnSpeechNominate), Record(t.OnSpeechEnd), Record(t.OnMessage), Record(t.OnRecvFreeMessage);
    Record(t.OnRecvFreeMessageData), Record(t.OnHold), Record(t.OnHoldRelease), Record(t.OnHoldStatusHold);
    Record(t.OnHoldStatusRelease), Record(t.OnEndCall), Record(t.OnWindowSync), Record(t.OnQuestionStart);
    Record(t.OnQuestionStop), Record(t.OnQuestionAnswer), Record(t.OnQuestionReceived),
        Record(t.OnVideoOutput);
    Record(t.OnAudioOutput), Record(t.OnAudioInitialized), Record(t.OnAudioVolume), Record(t.OnTextBoxData);
    Record(t.OnTextBoxActive), Record(t.OnDocShareData), Record(t.OnDocShareStartResult);
    Record(t.OnDocShareStart), Record(t.OnDocShareStop), Record(t.OnAPShareStart), Record(t.OnAPShareStop);
    Record(t.OnAPShareRect), Record(t.OnAPShareKeyFrame), Record(t.OnAPShareResize),
        Record(t.OnAPShareGetRect);
    Record(t.OnAPShareControlChange), Record(t.OnASStartRefuse), Record(t.OnASStartPermit);
    Record(t.OnASControlReq), Record(t.OnASControlRes), Record(t.OnASControlRet), Record(t.OnASMouseEvent);
    Record(t.OnASMouseWheelEvent), Record(t.OnASClipBoardText), Record(t.OnASKeyEvent);
    Record(t.OnManyMtgStartRes), Record(t.OnManyMtgStart), Record(t.OnManyMtgStop),
        Record(t.OnManyMtgListRes);
    Record(t.OnUserPermissionCmd), Record(t.OnError), Record(t.OnDebug), Record(t.OnQuorixLog);
    return t;
}

// The core with the recording table, and its control object in a logged-in
// session without connections: participant table of `kSlots` slots, the
// session open, no keys (bodies are taken as they are). One per process;
// what a message leaves behind (participants, state) stays for the next,
// as it would in a session.
constexpr uint32_t kSlots = 8;

inline CQuorixControl& LoggedInControl() {
    static CQuorixControl* control = [] {
        static CQuorixCore core;
        static const ST_FUNCLIST table = RecordingTable();
        if (!core.Init("fuzz", &table, nullptr)) std::abort();
        core.SetParam("LogOutput", "true");  // log lines carry received texts: record them too
        CQuorixControl* c = core.GetControl();
        QuorixControlTestPeer::SetSlotCount(*c, kSlots);
        c->CreateParticipantInfo();
        QuorixControlTestPeer::OpenSession(*c);
        return c;
    }();
    return *control;
}

// A receive thread's reading, done on the fuzzing thread: the input is all
// there, so no wait is needed, and the reads end when the stream does. The
// thread itself is started (the resynchronisation reads only while its
// thread is meant to run) but returns at once.
template <class Thread>
class StreamReader : public Thread {
public:
    using Thread::Thread;
    ~StreamReader() override { this->Stop(); }
    void ReadAll() {
        for (int steps = 0; steps < (1 << 20) && this->RecvStep(); ++steps) {
        }
    }

protected:
    void Run() override {}
};

}  // namespace quorix::fuzz
