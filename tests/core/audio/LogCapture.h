// Collects the core logger's lines (all levels) while it lives.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "common/LLog.h"

namespace audio_test {

class LogCapture : public CLLogReceiver {
public:
    LogCapture() {
        CLLog::init(this, "Mac");
        CLLog::setOutput(true);
        CLLog::setLogLevel(CLLog::DBG);
    }
    ~LogCapture() override {
        CLLog::init(nullptr, "Mac");
        CLLog::setLogLevel(CLLog::INF);
    }

    void QuorixLog(int, const char* line) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.emplace_back(line);
    }

    // How many lines contain the text.
    int Count(const std::string& text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        int n = 0;
        for (const auto& line : m_lines) n += line.find(text) != std::string::npos ? 1 : 0;
        return n;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

}  // namespace audio_test
