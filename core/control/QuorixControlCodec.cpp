// Codecs of one login: the two own-video encoders, per-participant video
// decoders, the audio encoder and one audio decoder per participant slot, the
// audio player that mixes the speakers, the echo canceller and two resamplers.
#include "video/VideoDecoder.h"
#include "video/VideoEncoder.h"
#include "control/QuorixControl.h"

bool CQuorixControl::CreateVideoCodec() {
    if (m_pVideoEncoderMobile == nullptr) m_pVideoEncoderMobile = new CVideoEncoder();
    if (m_pVideoEncoderMain == nullptr) m_pVideoEncoderMain = new CVideoEncoder();
    return true;
}

void CQuorixControl::DeleteVideoCodec() {
    delete m_pVideoEncoderMobile;
    m_pVideoEncoderMobile = nullptr;
    delete m_pVideoEncoderMain;
    m_pVideoEncoderMain = nullptr;
    RemoveAllVideoDecoder();
}

namespace {
void ClearDecoders(CMutex& mutex, std::map<int, CVideoDecoder*>& decoders) {
    CMutexLock lock(mutex);
    for (auto& entry : decoders) delete entry.second;
    decoders.clear();
}

void MakeDecoder(CMutex& mutex, std::map<int, CVideoDecoder*>& decoders, int index) {
    CMutexLock lock(mutex);
    if (decoders.find(index) == decoders.end()) decoders[index] = new CVideoDecoder();
}

void RemoveDecoder(CMutex& mutex, std::map<int, CVideoDecoder*>& decoders, int index) {
    CMutexLock lock(mutex);
    auto it = decoders.find(index);
    if (it == decoders.end()) return;
    delete it->second;
    decoders.erase(it);
}
}  // namespace

void CQuorixControl::RemoveAllVideoDecoder() {
    ClearDecoders(m_mutexDecoderMobile, m_mapVideoDecoderMobile);
    ClearDecoders(m_mutexDecoderMain, m_mapVideoDecoderMain);
}

void CQuorixControl::MakeVideoDecoder(int index) {
    MakeDecoder(m_mutexDecoderMain, m_mapVideoDecoderMain, index);
    MakeDecoder(m_mutexDecoderMobile, m_mapVideoDecoderMobile, index);
}

void CQuorixControl::RemoveVideoDecoder(int index) {
    RemoveDecoder(m_mutexDecoderMain, m_mapVideoDecoderMain, index);
    RemoveDecoder(m_mutexDecoderMobile, m_mapVideoDecoderMobile, index);
}
