#pragma once

// The gate that callers of a login's objects pass through. Senders and media
// commands may run on any thread (the application's, the camera's, the
// microphone's, a connection's own); a logout closes the gate and waits until
// every caller inside has left before it stops threads and frees the sockets,
// send threads, codecs and keys those callers would touch. Nothing waits while
// holding a use, so closing never deadlocks; a thread that closes the gate
// from inside its own use (a callback of a failing send that logs out) waits
// only for the others.

#include <condition_variable>
#include <mutex>

class CSessionGate {
public:
    // A scoped pass through the gate; false when the gate was closed.
    class Use {
    public:
        explicit Use(CSessionGate& gate) : m_gate(gate), m_entered(gate.Enter()) {}
        ~Use() {
            if (m_entered) m_gate.Leave();
        }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        explicit operator bool() const { return m_entered; }

    private:
        CSessionGate& m_gate;
        bool m_entered;
    };

    void Open() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = true;
    }

    // Refuses new uses and returns once only the calling thread's own uses remain.
    void Close() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_open = false;
        const int own = t_depth;
        m_left.wait(lock, [&] { return m_inside <= own; });
    }

    bool IsOpen() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_open;
    }

private:
    bool Enter() {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_open) return false;
        ++m_inside;
        ++t_depth;
        return true;
    }
    void Leave() {
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_inside;
        --t_depth;
        m_left.notify_all();
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_left;
    bool m_open = false;
    int m_inside = 0;
    static inline thread_local int t_depth = 0;  // uses held by this thread
};
