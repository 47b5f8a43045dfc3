// Audio codecs of one login and the audio player that mixes the speakers.
#include "audio/AudioPlayerThread.h"
#include "audio/EchoCtrl.h"
#include "audio/GSMCodec.h"
#include "audio/OpusCodec.h"
#include "audio/Resampler.h"
#include "control/QuorixControl.h"
#include "tessel/TS_Common.h"

bool CQuorixControl::CreateAudioCodec() {
    // The decoder arrays are sized once per login; the slot count cannot change under them.
    m_nCodecSlots = m_nParticipantMax;
    if (m_bOpusMode) {
        m_pOpusEncoder = new COpusEncoder(m_nOpusSamplingRate);
        m_pOpusEncoder->setBitRate(m_nOpusBitrate);
        m_ppOpusDecoder = new COpusDecoder*[m_nCodecSlots]();
        for (uint32_t i = 0; i < m_nCodecSlots; ++i)
            m_ppOpusDecoder[i] = new COpusDecoder(m_nOpusSamplingRate);
    } else {
        m_pGsmEncoder = new GSMCodec();
        m_ppGsmDecoder = new GSMCodec*[m_nCodecSlots]();
        for (uint32_t i = 0; i < m_nCodecSlots; ++i) m_ppGsmDecoder[i] = new GSMCodec();
    }
    m_pAudioPlayer = new CAudioPlayerThread(m_nCodecSlots, m_nRoomRate, 200, _OnBufferPlayAudio,
                                            _OnSendAudioJitter, _OnAudioVolume, this);
    m_pAudioPlayer->Start();
    m_pEchoCtrl = new CEchoCtrl(m_nRoomRate);
    m_pResampler = new CResampler();
    m_pResamplerOutput = new CResampler();
    return true;
}

void CQuorixControl::DeleteAudioCodec() {
    if (m_pAudioPlayer != nullptr) {
        m_pAudioPlayer->Stop();
        delete m_pAudioPlayer;
        m_pAudioPlayer = nullptr;
    }
    delete m_pEchoCtrl;
    m_pEchoCtrl = nullptr;
    delete m_pResampler;
    m_pResampler = nullptr;
    delete m_pResamplerOutput;
    m_pResamplerOutput = nullptr;
    if (m_ppGsmDecoder != nullptr) {
        for (uint32_t i = 0; i < m_nCodecSlots; ++i) delete m_ppGsmDecoder[i];
        delete[] m_ppGsmDecoder;
        m_ppGsmDecoder = nullptr;
    }
    delete m_pGsmEncoder;
    m_pGsmEncoder = nullptr;
    delete m_pOpusEncoder;
    m_pOpusEncoder = nullptr;
    if (m_ppOpusDecoder != nullptr) {
        for (uint32_t i = 0; i < m_nCodecSlots; ++i) delete m_ppOpusDecoder[i];
        delete[] m_ppOpusDecoder;
        m_ppOpusDecoder = nullptr;
    }
    m_nCodecSlots = 0;
}

void CQuorixControl::SetAudioPlayerUser(int index, const char* userId, const char* userName) {
    if (m_pAudioPlayer != nullptr && index >= 0)
        m_pAudioPlayer->SetUserInfo(uint32_t(index), userId, userName);
}

void CQuorixControl::_OnSendAudioJitter(uint32_t slot, void* self) {
    static_cast<CQuorixControl*>(self)->VpexSendJitterCheck(slot);
}
