// A byte per pixel (1 marked, 0 not) and the bounding box of everything
// marked; merges marked rectangles into areas.
#pragma once

#include <cstdint>
#include <vector>

struct stLRect {
    int32_t left, top, right, bottom;
    bool operator==(const stLRect&) const = default;
};

class CLRectMask {
public:
    CLRectMask(int width, int height);
    virtual ~CLRectMask() = default;

    // Marks the half-open rectangle; ignored when it does not lie inside.
    void setRectOn(int left, int top, int right, int bottom);
    // The marked areas: runs of marked bytes per row, joined downward while
    // the run of the next row has the same left and right.
    std::vector<stLRect> getMaskedArea() const;
    // The byte at (x, y); 255 outside or without bytes.
    uint8_t getMask(int x, int y) const;
    // Every byte 0; the box stays.
    void clear();
    // No bytes, empty box.
    void init();
    stLRect getBox() const { return {m_nLeft, m_nTop, m_nRight, m_nBottom}; }

private:
    int32_t m_nWidth = 0;
    int32_t m_nHeight = 0;
    std::vector<uint8_t> m_mask;
    int32_t m_nLeft = 32767, m_nTop = 32767, m_nRight = -32767, m_nBottom = -32767;
};
