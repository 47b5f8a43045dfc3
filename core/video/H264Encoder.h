// H.264 encoder on x264 (preset "ultrafast", tune "zerolatency", profile
// "baseline"), fed with packed RGB(A) pictures that it converts to YUV 4:2:0.
#pragma once

#include <cstdarg>
#include <cstdint>

extern "C" {
#include <x264.h>
}

class CH264Encoder {
public:
    CH264Encoder();
    virtual ~CH264Encoder();
    CH264Encoder(const CH264Encoder&) = delete;
    CH264Encoder& operator=(const CH264Encoder&) = delete;

    // Opens the encoder for width x height at fps frames per second and bitRate
    // bit/s (the last argument is not used). On failure everything is closed again.
    bool Init(int width, int height, int bitRate, int fps, int unused);
    // Encodes one picture of srcWidth x srcHeight pixels in pixelFormat (flip code
    // as CPictureConverter) at width x height, re-opening the encoder when size,
    // bit rate or frame rate changed. -1 on failure, 0 when x264 gave no output,
    // otherwise the number of encoded bytes (sum of the NAL payloads).
    int Encode(const uint8_t* pixels, int width, int height, int srcWidth, int srcHeight, int bitRate,
               int fps, int pixelFormat, bool forceKeyFrame, int flip);
    // Copies the NAL units of the last encode, one after the other, into out.
    void GetEncodeBuffer(uint8_t* out) const;
    int GetEncodeSize() const;
    bool IsKeyFrame() const { return m_bKeyFrame; }
    // Closes the encoder, frees the picture and clears all state.
    void Term();
    // The x264 parameter set the encoder opens with (without the log hook).
    static bool FillParam(x264_param_t& p, int width, int height, int bitRate, int fps);

private:
    static void LogCallback(void* priv, int level, const char* format, va_list args);

    x264_t* m_pEncoder = nullptr;
    x264_param_t m_param{};
    x264_picture_t m_picture{};
    bool m_bPictureAllocated = false;
    x264_nal_t* m_pNals = nullptr;
    int m_iNals = 0;
    int m_iWidth = 0;
    int m_iHeight = 0;
    int m_iFps = 0;
    int m_iBitRate = 0;
    int64_t m_iPts = 0;
    bool m_bKeyFrame = false;
};
