#pragma once

// A PulseAudio server of the test program's own, started on first use and
// stopped when the program ends: a private runtime folder and socket, one
// null output (48 kHz mono), one null input and one pipe input that the test
// feeds with PCM. PULSE_SERVER points the program's clients at it.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/PulseAudioConnection.h"

extern char** environ;

class PulseAudioTestServer {
public:
    static constexpr const char* kOutput = "quorix_test_out";
    static constexpr const char* kOutputName = "TestOutput";
    static constexpr const char* kNullInput = "quorix_test_null";
    static constexpr const char* kPipeInput = "quorix_test_pipe";
    static constexpr const char* kPipeInputName = "TestPipe";
    static constexpr int kRate = 48000;

    // The running server, started on the first call; null when it cannot start.
    static PulseAudioTestServer* get() {
        static PulseAudioTestServer* server = [] {
            auto* s = new PulseAudioTestServer();
            if (!s->startDaemon()) {
                delete s;
                return static_cast<PulseAudioTestServer*>(nullptr);
            }
            current() = s;
            return s;
        }();
        return server;
    }

    // Stops the server (the program's end).
    static void shutdown() {
        if (current() != nullptr) current()->stopDaemon();
    }

    QString folder() const { return dir_.path(); }
    QString pipePath() const { return dir_.path() + QStringLiteral("/pipe"); }

    // Runs pactl against the server; true when it succeeded.
    bool pactl(const QString& arguments) const {
        QByteArray command = QStringLiteral("pactl %1 >/dev/null 2>&1").arg(arguments).toUtf8();
        return std::system(command.constData()) == 0;
    }

    // Writes mono 16-bit PCM at 48 kHz into the pipe input, paced in real time,
    // from a thread of its own until stopped.
    class PipeWriter {
    public:
        PipeWriter(const QString& path, double frequency, double amplitude) {
            fd_ = ::open(path.toUtf8().constData(), O_WRONLY | O_NONBLOCK);
            thread_ = std::thread([this, frequency, amplitude] {
                const int block = kRate / 100;  // 10 ms
                std::vector<std::int16_t> pcm(block);
                std::uint64_t n = 0;
                auto next = std::chrono::steady_clock::now();
                while (!stop_.load()) {
                    for (int i = 0; i < block; ++i, ++n)
                        pcm[i] = std::int16_t(std::lround(amplitude * 32767.0 *
                                                          std::sin(2 * M_PI * frequency * double(n) / kRate)));
                    if (fd_ >= 0) {
                        ssize_t ignored = ::write(fd_, pcm.data(), pcm.size() * 2);
                        (void)ignored;
                    }
                    next += std::chrono::milliseconds(10);
                    std::this_thread::sleep_until(next);
                }
            });
        }
        ~PipeWriter() {
            stop_.store(true);
            thread_.join();
            if (fd_ >= 0) ::close(fd_);
        }
        bool opened() const { return fd_ >= 0; }

    private:
        int fd_ = -1;
        std::atomic<bool> stop_{false};
        std::thread thread_;
    };

private:
    static PulseAudioTestServer*& current() {
        static PulseAudioTestServer* s = nullptr;
        return s;
    }

    bool startDaemon() {
        if (!dir_.isValid()) return false;
        const std::string base = dir_.path().toStdString();
        const std::string socket = base + "/native";
        ::mkdir((base + "/runtime").c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
        ::setenv("PULSE_RUNTIME_PATH", (base + "/runtime").c_str(), 1);
        ::setenv("PULSE_STATE_PATH", (base + "/state").c_str(), 1);
        ::setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
        ::unsetenv("PULSE_SINK");
        ::unsetenv("PULSE_SOURCE");
        std::vector<std::string> args = {
            "pulseaudio",
            "-n",
            "--daemonize=no",
            "--exit-idle-time=10",  // an orphan of a crashed test ends on its own
            "--use-pid-file=no",
            "--realtime=no",
            "--high-priority=no",
            "--disable-shm=yes",
            "--log-target=file:" + base + "/daemon.log",
            "-L",
            "module-native-protocol-unix socket=" + socket + " auth-anonymous=1",
            "-L",
            std::string("module-null-sink sink_name=") + kOutput + " rate=48000 channels=1 sink_properties=device.description=" +
                kOutputName,
            "-L",
            std::string("module-pipe-source source_name=") + kPipeInput + " file=" + base +
                "/pipe rate=48000 channels=1 format=s16le source_properties=device.description=" + kPipeInputName,
            "-L",
            std::string("module-null-source source_name=") + kNullInput + " rate=48000 channels=1",
        };
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, "pulseaudio", nullptr, nullptr, argv.data(), environ) != 0) return false;
        for (int i = 0; i < 100; ++i) {
            if (::access(socket.c_str(), F_OK) == 0 && PulseAudioConnection::shared().connected()) {
                return pactl(QStringLiteral("set-default-sink %1").arg(kOutput)) &&
                       pactl(QStringLiteral("set-default-source %1").arg(kPipeInput));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    void stopDaemon() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

    QTemporaryDir dir_;
    pid_t pid_ = -1;
};

// Stops the server when the test program ends.
class PulseAudioTestEnvironment : public ::testing::Environment {
public:
    void TearDown() override { PulseAudioTestServer::shutdown(); }
};

inline ::testing::Environment* const kPulseAudioTestEnvironment =
    ::testing::AddGlobalTestEnvironment(new PulseAudioTestEnvironment);

// Tests that need the server fail when it cannot start (the machine needs pulseaudio).
#define REQUIRE_PULSEAUDIO_SERVER()                                                       \
    PulseAudioTestServer* server = PulseAudioTestServer::get();                           \
    if (server == nullptr) GTEST_FAIL() << "the test PulseAudio server did not start"; \
    (void)server
