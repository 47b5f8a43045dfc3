#include "datamanager/LRectMask.h"

#include <algorithm>
#include <cstring>

CLRectMask::CLRectMask(int width, int height) {
    if (width <= 0 || height <= 0) return;
    m_nWidth = width;
    m_nHeight = height;
    m_mask.assign(size_t(width) * size_t(height), 0);
}

void CLRectMask::setRectOn(int left, int top, int right, int bottom) {
    if (m_mask.empty()) return;
    if (left < 0 || top < 0 || right < left || bottom < top || right > m_nWidth || bottom > m_nHeight) return;
    for (int y = top; y < bottom; ++y)
        std::memset(m_mask.data() + size_t(y) * m_nWidth + left, 1, size_t(right - left));
    m_nLeft = std::min(m_nLeft, left);
    m_nTop = std::min(m_nTop, top);
    m_nRight = std::max(m_nRight, right);
    m_nBottom = std::max(m_nBottom, bottom);
}

std::vector<stLRect> CLRectMask::getMaskedArea() const {
    std::vector<stLRect> areas;
    if (m_mask.empty() || m_nLeft >= m_nRight || m_nTop >= m_nBottom) return areas;
    std::vector<stLRect> rows;
    for (int y = m_nTop; y < m_nBottom; ++y) {
        const uint8_t* line = m_mask.data() + size_t(y) * m_nWidth;
        int x = m_nLeft;
        while (x < m_nRight) {
            if (line[x] == 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < m_nRight && line[x] != 0) ++x;
            rows.push_back({start, y, x, y + 1});
        }
    }
    std::vector<bool> used(rows.size(), false);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (used[i]) continue;
        used[i] = true;
        stLRect area = rows[i];
        for (size_t j = i + 1; j < rows.size(); ++j) {
            if (used[j] || rows[j].top == area.top) continue;
            if (rows[j].top != area.bottom) break;
            if (rows[j].left == area.left && rows[j].right == area.right) {
                ++area.bottom;
                used[j] = true;
            }
        }
        areas.push_back(area);
    }
    return areas;
}

uint8_t CLRectMask::getMask(int x, int y) const {
    if (m_mask.empty() || x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight) return 255;
    return m_mask[size_t(y) * m_nWidth + x];
}

void CLRectMask::clear() {
    std::fill(m_mask.begin(), m_mask.end(), 0);
}

void CLRectMask::init() {
    m_mask.clear();
    m_mask.shrink_to_fit();
    m_nWidth = 0;
    m_nHeight = 0;
    m_nLeft = m_nTop = 32767;
    m_nRight = m_nBottom = -32767;
}
