#include "video/VideoDecoder.h"

#include "common/LLog.h"
#include "tessel/TS_Common.h"

CVideoDecoder::CVideoDecoder() {
    m_decoder.Init();
}

CVideoDecoder::~CVideoDecoder() = default;

bool CVideoDecoder::CheckSize(int width, int height) {
    if (width != m_iWidth || height != m_iHeight) {
        m_iWidth = width;
        m_iHeight = height;
        m_decoder.Term();
        m_decoder.Init();
        m_iNextFrameNo = 0;
        m_bWaitForKeyFrame = true;
        m_bWaitLogged = false;
    }
    return true;
}

bool CVideoDecoder::CheckFrame(int frameNo) {
    if (frameNo == 0) {
        m_iNextFrameNo = 1;
        return true;
    }
    if (frameNo != m_iNextFrameNo) {
        m_iNextFrameNo = 0;
        return false;
    }
    m_iNextFrameNo = frameNo + 1;
    return true;
}

uint8_t* CVideoDecoder::Decode(const uint8_t* data, int bytes, int width, int height, int frameNo,
                               bool wantPicture, bool flipVertical, bool swapRedBlue, bool withAlpha,
                               bool checkSequence) {
    CheckSize(width, height);
    const bool inSequence = !checkSequence || CheckFrame(frameNo);
    if (frameNo == 0) {
        m_bWaitForKeyFrame = false;
    } else if (!inSequence && !m_bWaitForKeyFrame) {
        m_bWaitForKeyFrame = true;
        m_bWaitLogged = false;
    }
    if (m_bWaitForKeyFrame) {
        if (!m_bWaitLogged) {
            m_bWaitLogged = true;
            CLLog::writeFormat(CLLog::DBG, "Video %dx%d: frame %d has no reference, waiting for a key frame",
                               width, height, frameNo);
        }
        return nullptr;
    }
    uint8_t* out = nullptr;
    if (wantPicture && width > 0 && height > 0) {
        out = static_cast<uint8_t*>(__malloc__(static_cast<size_t>(width) * height * 4));
        if (!out) return nullptr;
    }
    const bool decoded =
        m_decoder.Decode(data, bytes, out, width, height, flipVertical, swapRedBlue, withAlpha);
    if (m_decoder.LastPictureDamaged()) {
        // The decoder patched up damaged data; the pictures that follow refer to it.
        m_bWaitForKeyFrame = true;
        m_bWaitLogged = true;
        CLLog::writeFormat(CLLog::DBG, "Video %dx%d: frame %d is damaged, waiting for a key frame", width,
                           height, frameNo);
    }
    if (!decoded || m_bWaitForKeyFrame) {
        __free__(out);
        return nullptr;
    }
    return out;
}
