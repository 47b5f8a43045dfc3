// A clock the test moves by hand. Threads that wait through it poll their event
// every real millisecond and time out when the fake time passes their deadline.
// Settle(n) returns once n threads are waiting and each of them has looked at its
// event since the last time any thread began to wait (a thread notifies others only
// while it is busy, before it waits again), so everything set in motion has happened.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

#include "audio/AudioClock.h"
#include "tessel/TS_Event.h"

namespace audio_test {

class FakeClock : public CAudioClock {
public:
    static constexpr uint64_t kStart = 10'000'000;

    uint64_t NowMs() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_now;
    }

    bool Wait(CEvent& event, int ms) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        const uint64_t deadline = ms < 0 ? UINT64_MAX : m_now + static_cast<uint64_t>(ms);
        const auto self = std::this_thread::get_id();
        ++m_waiting;
        ++m_generation;
        for (;;) {
            lock.unlock();
            const bool notified = event.Wait(1);
            lock.lock();
            if (notified || m_now >= deadline) {
                --m_waiting;
                m_polled.erase(self);
                m_changed.notify_all();
                return notified;
            }
            m_polled[self] = m_generation;
            m_changed.notify_all();
        }
    }

    void Advance(uint64_t ms) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_now += ms;
    }

    // Waits (at most 5 s of real time) until `threads` threads wait on this clock and
    // each has found nothing to do since this call began. False on time-out.
    bool Settle(int threads) {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_generation;
        return m_changed.wait_for(lock, std::chrono::seconds(5), [&] {
            if (m_waiting != threads) return false;
            int fresh = 0;
            for (const auto& [id, polled] : m_polled) fresh += polled >= m_generation ? 1 : 0;
            return fresh == threads;
        });
    }

    // Moves the time on in steps of at most `step` ms, settling after each.
    bool Run(uint64_t ms, uint64_t step, int threads) {
        for (uint64_t done = 0; done < ms; done += step) {
            Advance(std::min(step, ms - done));
            if (!Settle(threads)) return false;
        }
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    uint64_t m_now = kStart;
    uint64_t m_generation = 0;
    int m_waiting = 0;
    std::map<std::thread::id, uint64_t> m_polled;
};

}  // namespace audio_test
