// A recording stand-in for the relay side of the sharing encoder: reports a
// settable class-4 queue length and keeps every record handed to it.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "datamanager/ASDataManager.h"
#include "datamanager/ASDataRelay.h"
#include "datamanager/ASRecord.h"
#include "datamanager/LRectMask.h"
#include "tessel/TS_Common.h"

namespace datamanager_test {

struct SentRecord {
    uint32_t type;
    stLRect rect;
    std::vector<uint8_t> jpeg;
};

class FakeRelay : public CASDataRelay {
public:
    std::atomic<int> queueLength{0};  // -1: no send thread

    int VpexSendBufferLength(int index, unsigned sendClass) override {
        lastIndex = index;
        lastClass = int(sendClass);
        return queueLength.load();
    }
    bool VpexSendASShowRect(uint16_t l, uint16_t t, uint16_t r, uint16_t b, const uint8_t* jpeg,
                            uint32_t n) override {
        add({ASPROT_MSG_SHOW_RECT, {l, t, r, b}, std::vector<uint8_t>(jpeg, jpeg + n)});
        return true;
    }
    bool VpexSendASChangeSize(uint16_t l, uint16_t t, uint16_t r, uint16_t b) override {
        add({ASPROT_MSG_CHANGE_WINDOW_SIZE, {l, t, r, b}, {}});
        return true;
    }
    bool VpexSendASKeyFrame(uint16_t l, uint16_t t, uint16_t r, uint16_t b) override {
        add({ASPROT_MSG_KEY_FRAME, {l, t, r, b}, {}});
        return true;
    }

    std::vector<SentRecord> take() {
        std::lock_guard<std::mutex> lock(mu);
        std::vector<SentRecord> out;
        out.swap(sent);
        return out;
    }
    std::vector<stLRect> takeRects() {
        std::vector<stLRect> out;
        for (const SentRecord& r : take()) out.push_back(r.rect);
        return out;
    }

    std::atomic<int> lastIndex{-1};
    std::atomic<int> lastClass{-1};

private:
    void add(SentRecord r) {
        std::lock_guard<std::mutex> lock(mu);
        sent.push_back(std::move(r));
    }
    std::mutex mu;
    std::vector<SentRecord> sent;
};

// The base framework's trace lines while it lives.
class TraceCapture {
public:
    TraceCapture() {
        Instance() = this;
        SetDTraceFunc(Sink);
    }
    ~TraceCapture() {
        SetDTraceFunc(nullptr);
        Instance() = nullptr;
    }
    std::vector<std::string> lines() {
        std::lock_guard<std::mutex> lock(mu);
        return lines_;
    }
    int count(const std::string& part) {
        int n = 0;
        for (const std::string& l : lines()) n += l.find(part) != std::string::npos;
        return n;
    }

private:
    static TraceCapture*& Instance() {
        static TraceCapture* p = nullptr;
        return p;
    }
    static void Sink(int, const char* format, va_list args) {
        char line[512];
        std::vsnprintf(line, sizeof line, format, args);
        if (TraceCapture* t = Instance()) {
            std::lock_guard<std::mutex> lock(t->mu);
            t->lines_.emplace_back(line);
        }
    }
    std::mutex mu;
    std::vector<std::string> lines_;
};

}  // namespace datamanager_test
