// Framed, encrypted messages through the connection threads over loopback
// TCP, beside raw loopback TCP and raw AES in the same run; the latency of a
// small class-0 message while classes 3 and 4 are saturated; the CPU that
// connected, idle connections take.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "crypto/aes.h"
#include "network/ThreadConf.h"
#include "tessel/TS_Common.h"
#include "tessel/TS_Socket.h"

namespace {

constexpr const char* kKeyText = "Bench123";
constexpr int kKeyBytes = 32;  // key level 3
// Messages queued but not yet received, at most: keeps class 0 (unbounded)
// from growing without limit when the producer outruns the connection.
constexpr long kInFlight = 256;

uint64_t NowNs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A connected loopback pair: `client` from Connect, `server` accepted.
struct Loopback {
    Loopback() {
        const int listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(listener, 1);
        getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
        client.Connect("127.0.0.1", ntohs(addr.sin_port), 5000);
        server.SetSocket(accept(listener, nullptr, nullptr));
        close(listener);
        client.SetTCP_NODELAY(true);
        server.SetTCP_NODELAY(true);
    }
    CSocketTCP client;
    CSocketTCP server;
};

struct Cipher {
    Cipher() { aes_set_key(handle, kKeyText, 0, kKeyBytes); }
    ~Cipher() { aes_free_handle(handle); }
    CQXCrypt* handle = aes_get_handle();
};

// The receiving end: a conference receive thread that decrypts every body
// and counts the messages (and notes the latency of stamped ones).
struct Receiver {
    explicit Receiver(CSocketTCP* socket) : thread(socket, OnPacket, nullptr, this) { thread.Start(); }

    static void OnPacket(uint8_t* packet, int length, void* user) {
        auto* r = static_cast<Receiver*>(user);
        const uint32_t size = static_cast<uint32_t>(length) - 16;
        if (r->plain.size() < size) r->plain.resize(size);
        const uint32_t n = aes_decrypt(r->cipher.handle, packet + 16, size, r->plain.data(), size);
        if (n >= 8 && GetU32(packet) == 0) {
            uint64_t sent;
            memcpy(&sent, r->plain.data(), 8);
            std::lock_guard<std::mutex> lock(r->mutex);
            r->latencies.push_back(NowNs() - sent);
        }
        r->received.fetch_add(1, std::memory_order_release);
    }
    void WaitFor(long count) const {
        while (received.load(std::memory_order_acquire) < count) std::this_thread::yield();
    }

    Cipher cipher;
    std::vector<uint8_t> plain;
    std::atomic<long> received{0};
    std::mutex mutex;
    std::vector<uint64_t> latencies;
    CThreadRecvConf thread;
};

// A loopback pair in non-blocking mode with a conference send thread on the
// client end and a receiver on the server end.
struct FramedLink {
    FramedLink()
        : receiver(Async(&link.server)),
          sender(Async(&link.client), STREAM_IDLE_NONE, nullptr, nullptr, nullptr) {
        sender.Start();
    }
    static CSocketTCP* Async(CSocketTCP* socket) {
        socket->SetAsync(true);
        return socket;
    }
    Loopback link;
    Receiver receiver;
    CThreadSendConf sender;
};

// An encrypted framed message {class, cipher size, 0, 0} + cipher block, in a
// buffer from __malloc__ as the send thread takes it.
void* Frame(CQXCrypt* handle, const uint8_t* body, uint32_t length, uint32_t cls, int* frameLength) {
    const uint32_t size = aes_get_encrypted_size(handle, length);
    auto* frame = static_cast<uint8_t*>(__malloc__(16 + size));
    PutU32(frame, cls);
    PutU32(frame + 4, size);
    PutU32(frame + 8, 0);
    PutU32(frame + 12, 0);
    aes_encrypt(handle, body, length, frame + 16);
    *frameLength = static_cast<int>(16 + size);
    return frame;
}

void BM_RawAes(benchmark::State& state) {
    const auto length = static_cast<uint32_t>(state.range(0));
    Cipher cipher;
    std::vector<uint8_t> body(length, 0x5A);
    std::vector<uint8_t> out(aes_get_encrypted_size(cipher.handle, length));
    for (auto _ : state) {
        benchmark::DoNotOptimize(aes_encrypt(cipher.handle, body.data(), length, out.data()));
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(length));
}

void BM_RawLoopbackTcp(benchmark::State& state) {
    const auto length = static_cast<size_t>(state.range(0));
    Loopback link;
    const int out = link.client.GetSocket();
    const int in = link.server.GetSocket();
    std::atomic<uint64_t> readBytes{0};
    std::thread reader([&] {
        std::vector<uint8_t> buffer(1 << 16);
        while (true) {
            const ssize_t n = recv(in, buffer.data(), buffer.size(), 0);
            if (n <= 0) break;
            readBytes.fetch_add(static_cast<uint64_t>(n), std::memory_order_release);
        }
    });
    std::vector<uint8_t> message(16 + length, 0x5A);
    uint64_t written = 0;
    for (auto _ : state) {
        size_t done = 0;
        while (done < message.size()) {
            const ssize_t n = send(out, message.data() + done, message.size() - done, MSG_NOSIGNAL);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        written += message.size();
    }
    while (readBytes.load(std::memory_order_acquire) < written) std::this_thread::yield();
    shutdown(out, SHUT_WR);
    reader.join();
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(length));
}

void BM_EncryptedFramed(benchmark::State& state) {
    const auto length = static_cast<uint32_t>(state.range(0));
    FramedLink framed;
    Receiver& receiver = framed.receiver;
    CThreadSendConf& sender = framed.sender;
    Cipher cipher;  // the sending side's handle, keyed alike
    std::vector<uint8_t> body(length, 0x5A);
    long sent = 0;
    for (auto _ : state) {
        while (sent - receiver.received.load(std::memory_order_acquire) >= kInFlight)
            std::this_thread::yield();
        int frameLength = 0;
        void* frame = Frame(cipher.handle, body.data(), length, 1, &frameLength);
        sender.Send(frame, frameLength, 0);
        ++sent;
    }
    receiver.WaitFor(sent);
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(length));
}

// Latency of a 100-byte class-0 message while classes 3 and 4 are kept full
// of 64 KiB messages.
void BM_Class0LatencyUnderLoad(benchmark::State& state) {
    FramedLink framed;
    Receiver& receiver = framed.receiver;
    CThreadSendConf& sender = framed.sender;
    std::atomic<bool> stop{false};
    std::thread load([&] {
        Cipher cipher;
        std::vector<uint8_t> big(64 * 1024, 0x33);
        while (!stop) {
            for (uint32_t cls : {3u, 4u}) {
                if (sender.GetBufferingCount(cls) < 10) {
                    int frameLength = 0;
                    void* frame = Frame(cipher.handle, big.data(), static_cast<uint32_t>(big.size()), cls,
                                        &frameLength);
                    sender.Send(frame, frameLength, cls);
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    });
    Cipher cipher;
    std::vector<uint8_t> body(100, 0);
    for (auto _ : state) {
        for (int i = 0; i < 2000; ++i) {
            const uint64_t now = NowNs();
            memcpy(body.data(), &now, 8);
            int frameLength = 0;
            void* frame = Frame(cipher.handle, body.data(), 100, 0, &frameLength);
            sender.Send(frame, frameLength, 0);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }
    stop = true;
    load.join();
    while (true) {
        std::lock_guard<std::mutex> lock(receiver.mutex);
        if (receiver.latencies.size() >= 2000) break;
    }
    std::vector<uint64_t> l;
    {
        std::lock_guard<std::mutex> lock(receiver.mutex);
        l = receiver.latencies;
    }
    std::sort(l.begin(), l.end());
    state.counters["p50_us"] = static_cast<double>(l[l.size() / 2]) / 1000.0;
    state.counters["p99_us"] = static_cast<double>(l[l.size() * 99 / 100]) / 1000.0;
    sender.Stop();
    receiver.thread.Stop();
}

// CPU taken by six connected, idle connections (twelve threads) over 2 s.
void BM_IdleCpu(benchmark::State& state) {
    std::vector<std::unique_ptr<Loopback>> links;
    std::vector<std::unique_ptr<CThreadSendConf>> senders;
    std::vector<std::unique_ptr<CThreadRecvConf>> receivers;
    for (int i = 0; i < 6; ++i) {
        links.push_back(std::make_unique<Loopback>());
        links.back()->client.SetAsync(true);
        senders.push_back(
            std::make_unique<CThreadSendConf>(&links.back()->client, 20000, nullptr, nullptr, nullptr));
        receivers.push_back(
            std::make_unique<CThreadRecvConf>(&links.back()->client, nullptr, nullptr, nullptr));
        senders.back()->Start();
        receivers.back()->Start();
    }
    for (auto _ : state) {
        timespec cpu0, cpu1;
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu0);
        const uint64_t wall0 = NowNs();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu1);
        const double cpuNs =
            (cpu1.tv_sec - cpu0.tv_sec) * 1e9 + static_cast<double>(cpu1.tv_nsec - cpu0.tv_nsec);
        state.counters["cpu_percent"] = 100.0 * cpuNs / static_cast<double>(NowNs() - wall0);
    }
    receivers.clear();
    senders.clear();
}

}  // namespace

BENCHMARK(BM_RawAes)->Arg(100)->Arg(1024)->Arg(64 * 1024);
BENCHMARK(BM_RawLoopbackTcp)->Arg(100)->Arg(1024)->Arg(64 * 1024)->UseRealTime();
BENCHMARK(BM_EncryptedFramed)->Arg(100)->Arg(1024)->Arg(64 * 1024)->UseRealTime();
BENCHMARK(BM_Class0LatencyUnderLoad)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleCpu)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
