#include "datamanager/LBitmap.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "datamanager/JpegCodec.h"

CLBitmap::CLBitmap(int width, int height, int colourSpace) {
    if (width <= 0 || height <= 0) return;
    const long long length = (long long)width * height * JpegBytesPerPixel(colourSpace);
    if (length > INT_MAX) return;
    m_pPixels = new (std::nothrow) uint8_t[size_t(length)];
    if (m_pPixels == nullptr) return;
    m_nWidth = width;
    m_nHeight = height;
    m_nLength = int32_t(length);
    m_nColorSpace = colourSpace;
    clear();
}

CLBitmap::~CLBitmap() {
    init();
}

int CLBitmap::getBytesPerPixel() const {
    return JpegBytesPerPixel(m_nColorSpace);
}

void CLBitmap::clear() {
    if (m_pPixels == nullptr) return;
    std::memset(m_pPixels, 0, size_t(m_nLength));
    if (getBytesPerPixel() == 4)
        for (int32_t i = 3; i < m_nLength; i += 4) m_pPixels[i] = 255;
}

bool CLBitmap::setImage(int x, int y, const uint8_t* source, int width, int height, int colourSpace) {
    const long long pitch = (long long)std::max(width, 0) * getBytesPerPixel();
    if (pitch > INT_MAX) return false;
    return setImage(x, y, source, width, height, colourSpace, int(pitch));
}

bool CLBitmap::setImage(int x, int y, const uint8_t* source, int width, int height, int colourSpace,
                        int sourcePitch) {
    if (m_pPixels == nullptr || source == nullptr || colourSpace != m_nColorSpace) return false;
    if (x < 0 || y < 0 || x > m_nWidth || y > m_nHeight) return false;
    const int bpp = getBytesPerPixel();
    const int w = std::min(width, m_nWidth - x);
    const int h = std::min(height, m_nHeight - y);
    if (w <= 0 || h <= 0) return true;
    for (int row = 0; row < h; ++row)
        std::memcpy(m_pPixels + (size_t(y + row) * m_nWidth + x) * bpp, source + size_t(row) * sourcePitch,
                    size_t(w) * bpp);
    return true;
}

bool CLBitmap::setImage(const uint8_t* pixels) {
    if (m_pPixels == nullptr || pixels == nullptr) return false;
    std::memcpy(m_pPixels, pixels, size_t(m_nLength));
    return true;
}

bool CLBitmap::setImage(int x, int y, const CLBitmap& other) {
    return setImage(x, y, other.m_pPixels, other.m_nWidth, other.m_nHeight, other.m_nColorSpace);
}

bool CLBitmap::getImage(int left, int top, int right, int bottom, uint8_t* destination, int destinationLength,
                        int colourSpace) const {
    if (m_pPixels == nullptr || destination == nullptr || colourSpace != m_nColorSpace) return false;
    if (left < 0 || top < 0 || right < left || bottom < top || right > m_nWidth || bottom > m_nHeight)
        return false;
    const int bpp = getBytesPerPixel();
    const size_t row = size_t(right - left) * bpp;
    if ((long long)row * (bottom - top) > destinationLength) return false;
    for (int y = top; y < bottom; ++y)
        std::memcpy(destination + size_t(y - top) * row, m_pPixels + (size_t(y) * m_nWidth + left) * bpp,
                    row);
    return true;
}

void CLBitmap::init() {
    delete[] m_pPixels;
    m_pPixels = nullptr;
    m_nWidth = 0;
    m_nHeight = 0;
    m_nLength = 0;
    m_nColorSpace = 2;
}
