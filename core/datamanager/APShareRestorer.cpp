#include "datamanager/APShareRestorer.h"

#include <climits>
#include <cstdio>
#include <new>

#include "datamanager/ASRecord.h"
#include "datamanager/JpegCodec.h"

CAPShareRestorer::~CAPShareRestorer() {
    delete[] m_pBitmap;
}

void CAPShareRestorer::init() {
    CRestoreSplittedData::init();
    delete[] m_pBitmap;
    m_pBitmap = nullptr;
    m_nBitmapSize = 0;
    m_rect[0] = m_rect[1] = m_rect[2] = m_rect[3] = 0;
    m_bCheckFooter = false;
    m_nFooter = 0;
    m_nFormat = 4;
}

int CAPShareRestorer::start(int total, int pieceCount, uint16_t left, uint16_t top, uint16_t right,
                            uint16_t bottom, bool checkFooter, uint32_t footer, int format) {
    CRestoreSplittedData::start(total, pieceCount);
    m_rect[0] = left;
    m_rect[1] = top;
    m_rect[2] = right;
    m_rect[3] = bottom;
    m_bCheckFooter = checkFooter;
    m_nFooter = footer;
    m_nFormat = format;
    return format;
}

int CAPShareRestorer::store(const uint8_t* data, int length, int pieceNo) {
    const int result = CRestoreSplittedData::store(data, length, pieceNo);
    if (result < 0) {
        init();
        return result;
    }
    if (result > 0 || !m_bCheckFooter) return result;
    const uint32_t found = m_nStored >= 4 ? GetLE32(m_pData + m_nStored - 4) : 0;
    if (found != m_nFooter) {
        std::snprintf(m_szError, sizeof m_szError, "Invalid footer %u vs %u", found, m_nFooter);
        return -101;
    }
    return 0;
}

int CAPShareRestorer::decompress(int colourSpace, int orientation, int scaleNum, int scaleDenom,
                                 int divisor) {
    delete[] m_pBitmap;
    m_pBitmap = nullptr;
    m_nBitmapSize = 0;
    if (divisor <= 0) return -1;
    const long long w = (long long)(m_rect[2] - m_rect[0] + 1) / divisor;
    const long long h = (long long)(m_rect[3] - m_rect[1] + 1) / divisor;
    const long long size = JpegBytesPerPixel(colourSpace) * (w > 0 ? w : 0) * (h > 0 ? h : 0);
    if (size > INT_MAX) return -1;
    m_pBitmap = new (std::nothrow) uint8_t[size > 0 ? size_t(size) : 1];
    if (m_pBitmap == nullptr) return -1;
    m_nBitmapSize = int32_t(size);
    if (m_nFormat != 4) return 0;
    return JpegDecompress(m_pData, size_t(m_nStored), m_pBitmap, size_t(size), nullptr, colourSpace,
                          orientation, scaleNum, scaleDenom);
}

void CAPShareRestorer::getBitmapRect(uint16_t& left, uint16_t& top, uint16_t& right, uint16_t& bottom) const {
    left = m_rect[0];
    top = m_rect[1];
    right = m_rect[2];
    bottom = m_rect[3];
}
