// Restores the JPEG of one shared rectangle and decodes it.
#pragma once

#include <cstdint>

#include "datamanager/RestoreSplittedData.h"

class CAPShareRestorer : public CRestoreSplittedData {
public:
    CAPShareRestorer() { init(); }
    ~CAPShareRestorer() override;

    void init();
    int start(int total, int pieceCount, uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
              bool checkFooter, uint32_t footer, int format);
    // The base store; on completion with the footer check on, the last 4
    // bytes must be the expected footer (-101 otherwise).
    int store(const uint8_t* data, int length, int pieceNo);
    // Decodes the data (format 4, JPEG) into a new pixel buffer of
    // ⌊(right - left + 1) / divisor⌋ x ⌊(bottom - top + 1) / divisor⌋ pixels.
    int decompress(int colourSpace, int orientation, int scaleNum, int scaleDenom, int divisor);
    const uint8_t* getBitmap() const { return m_pBitmap; }
    int getBitmapSize() const { return m_nBitmapSize; }
    void getBitmapRect(uint16_t& left, uint16_t& top, uint16_t& right, uint16_t& bottom) const;

private:
    uint8_t* m_pBitmap = nullptr;
    int32_t m_nBitmapSize = 0;
    uint16_t m_rect[4] = {};
    int32_t m_nFormat = 4;
    bool m_bCheckFooter = false;
    uint32_t m_nFooter = 0;
};
