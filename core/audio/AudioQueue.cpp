#include "audio/AudioQueue.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/LLog.h"
#include "tessel/TS_Common.h"

namespace {

constexpr int32_t kMaxRateAdjust = 50;  // per mille
constexpr uint32_t kJitterEventsPerCheck = 5;
constexpr uint32_t kJitterWindowMs = 149999;
constexpr uint64_t kQuietPeriodMs = 30000;
constexpr uint64_t kUnderrunResetMs = 999;
constexpr int kSampleLimit = 32760;

void FreeBuffer(CAudioBuffer* buffer) {
    __free__(buffer->data);
    delete buffer;
}

}  // namespace

CAudioQueue::CAudioQueue(AUDIO_JITTER_CALLBACK jitterCallback, AUDIO_LEVEL_CALLBACK levelCallback, void* user,
                         uint32_t slot, uint32_t /*slotCount*/, uint16_t rate, uint32_t initialTarget,
                         uint32_t maxQueued, CMutex& slotLock, CAudioClock& clock)
    : m_pJitterCallback(jitterCallback),
      m_pLevelCallback(levelCallback),
      m_pUser(user),
      m_uiSlot(slot),
      m_usRate(rate),
      m_uiMaxQueued(maxQueued),
      m_slotLock(slotLock),
      m_clock(clock),
      m_uiInitialTarget(initialTarget) {
    m_uiChunkSize = (static_cast<uint32_t>(rate) * 400 / 1000 + 1) & ~1u;
    m_uiChunkDuration = rate > 0 ? m_uiChunkSize * 1000 / (2 * rate) : 200;
    if (m_uiChunkDuration == 0) m_uiChunkDuration = 200;
    m_uiMaxTarget = 800 / m_uiChunkDuration;
    m_uiMinTarget = m_uiChunkDuration < 401 ? 2 : 800 / m_uiChunkDuration;
    m_uiTarget = std::max(initialTarget, m_uiMinTarget);
}

CAudioQueue::~CAudioQueue() {
    Stop();
    ClearLists();
    m_event.Term();
}

bool CAudioQueue::Start() {
    return CThread::Start();
}

void CAudioQueue::Stop() {
    StopContinue();
    m_event.Notify();
    CThread::Stop();
    CMutexLock lock(m_slotLock);
    Clear();
}

void CAudioQueue::SetUserInfo(const char* userId, const char* userName) {
    std::snprintf(m_szUserId, sizeof(m_szUserId), "%s", userId != nullptr ? userId : "");
    std::snprintf(m_szUserName, sizeof(m_szUserName), "%s", userName != nullptr ? userName : "");
    m_bUnderrun = false;
    m_ullUnderrunStart = kNoUnderrun;
    m_uiTarget = 0;
    m_uiRaiseCount = 0;
}

size_t CAudioQueue::GetPlayCount() {
    CMutexLock lock(m_listLock);
    return m_playList.size();
}

bool CAudioQueue::IsPreBuffering() {
    CMutexLock lock(m_listLock);
    return m_bPreBuffering;
}

bool CAudioQueue::Push(const uint8_t* pcm, uint32_t bytes) {
    if ((bytes & 1) != 0) return false;
    const size_t queued = GetPlayCount();
    if (queued > m_uiMaxQueued) return true;  // far too much waiting: this packet is dropped
    AdjustRate(queued);
    const uint32_t samples = bytes / 2;
    // Read the PCM through a copy: packets need not be aligned for 16-bit access.
    std::vector<int16_t> in(samples);
    if (samples > 0) std::memcpy(in.data(), pcm, bytes);
    std::vector<int16_t> out(samples * 2 + 1);
    uint32_t outSamples = 0;
    AdjustBuffer(in.data(), samples, out.data(), &outSamples);
    StoreBuffer(out.data(), outSamples);
    return true;
}

void CAudioQueue::AdjustRate(size_t queued) {
    const auto L = static_cast<int64_t>(queued);
    const auto T = static_cast<int64_t>(m_uiTarget);
    int64_t wanted = 0;
    if (L > T) {
        const int64_t step = std::max<int64_t>((static_cast<int64_t>(m_uiMaxQueued) - T) / 4, 1);
        wanted = -10 - 10 * ((L - T) / step);
    } else if (L < T) {
        wanted = 10 * (T - L);
    }
    if (m_iRateAdjust < wanted) {
        ++m_iRateAdjust;
    } else if (m_iRateAdjust > wanted) {
        --m_iRateAdjust;
    }
    m_iRateAdjust = std::clamp(m_iRateAdjust, -kMaxRateAdjust, kMaxRateAdjust);
}

void CAudioQueue::AdjustBuffer(const int16_t* in, uint32_t samples, int16_t* out, uint32_t* outSamples) {
    uint32_t n = 0;
    if (m_iRateAdjust == 0) {
        std::copy(in, in + samples, out);
        n = samples;
    } else if (m_iRateAdjust < 0) {
        // Shrink: leave out every sample whose running position is a multiple of the step.
        const uint32_t step = 1000 / static_cast<uint32_t>(-m_iRateAdjust);
        for (uint32_t i = 0; i < samples; ++i) {
            if ((m_uiShrinkCounter + i) % step != 0) out[n++] = in[i];
        }
        m_uiShrinkCounter += samples;
    } else {
        // Stretch: write every such sample twice.
        const uint32_t step = 1000 / static_cast<uint32_t>(m_iRateAdjust);
        for (uint32_t i = 0; i < samples; ++i) {
            out[n++] = in[i];
            if ((m_uiStretchCounter + i) % step == 0) out[n++] = in[i];
        }
        m_uiStretchCounter += samples;
    }
    *outSamples = n;
}

void CAudioQueue::StoreBuffer(const int16_t* pcm, uint32_t samples) {
    CMutexLock lock(m_accumLock);
    uint32_t bytes = samples * 2;
    const auto* src = reinterpret_cast<const uint8_t*>(pcm);
    while (bytes > 0) {
        if (m_pAccum == nullptr) {
            m_pAccum = static_cast<uint8_t*>(__malloc__(m_uiChunkSize));
            m_uiAccumBytes = 0;
            if (m_pAccum == nullptr) return;
        }
        const uint32_t take = std::min(bytes, m_uiChunkSize - m_uiAccumBytes);
        std::memcpy(m_pAccum + m_uiAccumBytes, src, take);
        m_uiAccumBytes += take;
        src += take;
        bytes -= take;
        if (m_uiAccumBytes == m_uiChunkSize) {
            uint8_t* chunk = m_pAccum;
            m_pAccum = nullptr;
            m_uiAccumBytes = 0;
            const int32_t level = GetWaveVolume(reinterpret_cast<int16_t*>(chunk), m_uiChunkSize / 2);
            TransferBuffer(chunk, level);
        }
    }
}

int32_t CAudioQueue::GetWaveVolume(int16_t* pcm, uint32_t samples) {
    const double gain = m_dGain;
    const bool scale = std::fabs(gain - 1.0) > DBL_EPSILON;
    int peak = 0;
    for (uint32_t i = 0; i < samples; ++i) {
        if (scale) {
            const double v = pcm[i] * gain;
            pcm[i] = static_cast<int16_t>(v > kSampleLimit    ? kSampleLimit
                                          : v < -kSampleLimit ? -kSampleLimit
                                                              : v);
        }
        peak = std::max(peak, std::abs(static_cast<int>(pcm[i])));
    }
    return static_cast<int32_t>(std::floor(peak / 32767.0 * 100.0 + 0.5));
}

void CAudioQueue::TransferBuffer(uint8_t* chunk, int32_t level) {
    auto* buffer = new CAudioBuffer{chunk, m_uiChunkSize, level};
    CMutexLock lock(m_listLock);
    if (!m_bPreBuffering) {
        m_playList.push_back(buffer);
        return;
    }
    m_preList.push_back(buffer);
    if (m_preList.size() > m_uiTarget) {
        m_playList.insert(m_playList.end(), m_preList.begin(), m_preList.end());
        m_preList.clear();
        m_bPreBuffering = false;
    }
}

CAudioBuffer* CAudioQueue::Pop() {
    CAudioBuffer* buffer = nullptr;
    size_t remaining = 0;
    bool preBuffering = false;
    {
        CMutexLock lock(m_listLock);
        if (!m_playList.empty()) {
            buffer = m_playList.front();
            m_playList.pop_front();
        }
        remaining = m_playList.size();
        preBuffering = m_bPreBuffering;
    }
    if (buffer == nullptr) {
        if (!preBuffering && !m_bUnderrun) {
            m_ullUnderrunStart = m_clock.NowMs();
            m_bUnderrun = true;
            m_event.Notify();  // the slot thread now watches how long the underrun lasts
        }
        return nullptr;
    }
    if (m_pLevelCallback != nullptr) m_pLevelCallback(m_uiSlot, buffer->level, m_pUser);
    CheckJitter(remaining);
    return buffer;
}

void CAudioQueue::CheckJitter(size_t remaining) {
    const uint64_t now = m_clock.NowMs();
    if (m_bUnderrun) {
        m_bUnderrun = false;
        m_ullUnderrunStart = kNoUnderrun;
        CLLog::writeFormat(CLLog::DBG, "%s(%s)Audio Packet Jitter was detected(%u).\n", m_szUserId,
                           m_szUserName, m_uiJitterCount);
        m_bQuietRunning = false;
        const uint32_t before = m_uiJitterCount++;
        if (before == 0) {
            m_uiFirstJitterTime = static_cast<uint32_t>(now);
            CLLog::writeFormat(CLLog::DBG, "%s(%s)Audio Jitter First(%u).\n", m_szUserId, m_szUserName,
                               m_uiFirstJitterTime);
        } else if (before == kJitterEventsPerCheck - 1) {
            const uint32_t interval = static_cast<uint32_t>(now) - m_uiFirstJitterTime;
            CLLog::writeFormat(CLLog::INF, "%s(%s) Audio Jitter Interval Avarage(%u msec).\n", m_szUserId,
                               m_szUserName, interval / kJitterEventsPerCheck);
            if (interval <= kJitterWindowMs) {
                if (m_uiTarget < m_uiMaxTarget) {
                    ++m_uiTarget;
                    CLLog::writeFormat(
                        CLLog::INF, "%s(%s) Audio Jitter Buffering Count Up(%d). Buffering Delay(%d msec).\n",
                        m_szUserId, m_szUserName, static_cast<int>(m_uiTarget),
                        static_cast<int>((m_uiTarget + 1) * 200));
                }
                ++m_uiRaiseCount;
                m_bJitterPending = true;
                m_event.Notify();
            }
            m_uiJitterCount = 0;
            m_uiFirstJitterTime = 0;
        }
        return;
    }
    if (remaining == 0 || !m_bQuietRunning) {
        m_bQuietRunning = true;
        m_ullQuietStart = now;
    }
    if (now - m_ullQuietStart > kQuietPeriodMs * (1 + m_uiRaiseCount)) {
        m_bQuietRunning = false;
        m_uiJitterCount = 0;
        m_uiFirstJitterTime = 0;
        if (m_uiTarget > m_uiMinTarget) {
            --m_uiTarget;
            CLLog::writeFormat(CLLog::INF,
                               "%s(%s) Audio Jitter Buffering Count Down(%d). Buffering Delay(%d msec).\n",
                               m_szUserId, m_szUserName, static_cast<int>(m_uiTarget),
                               static_cast<int>((m_uiTarget + 1) * 200));
        }
    }
}

void CAudioQueue::ClearLists() {
    {
        CMutexLock lock(m_listLock);
        for (CAudioBuffer* buffer : m_playList) FreeBuffer(buffer);
        for (CAudioBuffer* buffer : m_preList) FreeBuffer(buffer);
        m_playList.clear();
        m_preList.clear();
        m_bPreBuffering = true;
    }
    CMutexLock lock(m_accumLock);
    __free__(m_pAccum);
    m_pAccum = nullptr;
    m_uiAccumBytes = 0;
}

void CAudioQueue::Clear() {
    ClearLists();
    m_uiJitterCount = 0;
    m_uiFirstJitterTime = 0;
    m_bQuietRunning = false;
    m_ullQuietStart = 0;
    m_uiRaiseCount = 0;
    m_bJitterPending = false;
}

uint64_t CAudioQueue::UnderrunWait() {
    const uint64_t start = m_ullUnderrunStart;
    if (!m_bUnderrun || start == kNoUnderrun) return kNoUnderrun;
    const uint64_t elapsed = m_clock.NowMs() - start;
    return elapsed > kUnderrunResetMs ? 0 : kUnderrunResetMs + 1 - elapsed;
}

void CAudioQueue::Service() {
    if (UnderrunWait() == 0) {
        // Checked again under the slot lock: a pop may have ended the underrun meanwhile.
        CMutexLock lock(m_slotLock);
        if (UnderrunWait() == 0) {
            CLLog::writeFormat(CLLog::DBG, "%s(%s) stop audio.", m_szUserId, m_szUserName);
            m_bUnderrun = false;
            m_ullUnderrunStart = kNoUnderrun;
            Clear();
        }
    }
    if (m_bJitterPending.exchange(false)) {
        if (m_pJitterCallback != nullptr) m_pJitterCallback(m_uiSlot, m_pUser);
        CLLog::writeFormat(CLLog::INF, "%s(%s) Audio Jitter check message sended.\n", m_szUserId,
                           m_szUserName);
    }
}

void CAudioQueue::Run() {
    // Waits instead of polling: an idle speaker costs no processor time. Pop wakes the
    // thread when an underrun begins or a jitter report is due; an underrun is
    // re-examined when it has lasted long enough to reset the queue.
    while (IsContinue()) {
        const uint64_t wait = UnderrunWait();
        if (wait != 0 && !m_bJitterPending) {
            m_clock.Wait(m_event, wait == kNoUnderrun ? -1 : static_cast<int>(wait));
        }
        if (!IsContinue()) break;
        Service();
    }
}
