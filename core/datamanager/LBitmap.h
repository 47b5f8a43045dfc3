// A picture of width x height pixels, rows top-down without padding, in one
// of the JPEG colour-space codes (4 bytes per pixel for codes 2 and 3, else
// 3). A new bitmap is cleared; an empty one has no pixels and code 2.
#pragma once

#include <cstdint>

class CLBitmap {
public:
    CLBitmap() = default;
    // A size whose byte length does not fit 31 bits gives an empty bitmap.
    CLBitmap(int width, int height, int colourSpace);
    virtual ~CLBitmap();
    CLBitmap(const CLBitmap&) = delete;
    CLBitmap& operator=(const CLBitmap&) = delete;

    // Every byte 0; for codes 2 and 3 the fourth byte of each pixel 255.
    void clear();
    // Copies a width x height source (rows of width pixels) to (x, y), cutting
    // off what lies outside. False without pixels or source, for another
    // colour space, or when x or y is negative or beyond the picture.
    bool setImage(int x, int y, const uint8_t* source, int width, int height, int colourSpace);
    // The same with the source's rows `sourcePitch` bytes apart.
    bool setImage(int x, int y, const uint8_t* source, int width, int height, int colourSpace,
                  int sourcePitch);
    // A whole picture of this size.
    bool setImage(const uint8_t* pixels);
    bool setImage(int x, int y, const CLBitmap& other);
    // Copies the half-open rectangle as rows of (right - left) pixels. False
    // without pixels or destination, for a rectangle outside the picture, a
    // destination shorter than the rectangle, or another colour space; an
    // empty rectangle copies nothing and is true.
    bool getImage(int left, int top, int right, int bottom, uint8_t* destination, int destinationLength,
                  int colourSpace) const;
    const uint8_t* getImage() const { return m_pPixels; }
    int getWidth() const { return m_nWidth; }
    int getHeight() const { return m_nHeight; }
    int getColorSpace() const { return m_nColorSpace; }
    int getLength() const { return m_nLength; }
    int getBytesPerPixel() const;
    // Back to the empty bitmap.
    void init();

private:
    int32_t m_nWidth = 0;
    int32_t m_nHeight = 0;
    uint8_t* m_pPixels = nullptr;
    int32_t m_nLength = 0;
    int32_t m_nColorSpace = 2;
};
