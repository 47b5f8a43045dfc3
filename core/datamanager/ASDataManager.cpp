#include "datamanager/ASDataManager.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "control/VpexProtocol.h"
#include "datamanager/ASDataRelay.h"
#include "datamanager/ASRecord.h"
#include "datamanager/JpegCodec.h"
#include "tessel/TS_Common.h"
#include "tessel/TS_Mutex.h"

namespace {

constexpr int kBlock = 32;       // comparison block side
constexpr int kRunCap = 480;     // widest run, and the side of a region that takes no more runs
constexpr int kJoinSlack = 200;  // how far a run may lie from a region it joins
constexpr int kPieceUnit = 16;   // piece sides are multiples of this
constexpr int kQualityStep = 10;

CASDataManager* gASDataManager = nullptr;
// Serialises every entry point (and so every use of the manager).
CMutex& EntryMutex() {
    static CMutex m;
    return m;
}
// The record queue's lock.
CMutex& g_MtxAsDataQueue() {
    static CMutex m;
    return m;
}

std::atomic<uint64_t (*)()> gClock{GetMonotonicTickCount};

bool ValidQuality(int q) {
    return q >= 0 && q <= 100;
}

uint32_t WirePieces(int queuedLength) {
    const uint32_t wire = uint32_t(queuedLength) + ASPROT_FOOTER_SIZE;
    return VpexPieceCount(wire);
}

}  // namespace

CASDataManager::CASDataManager() = default;

CASDataManager::~CASDataManager() {
    delete m_pCompare;
    m_pCompare = nullptr;
    m_pControl = nullptr;
    m_regions.clear();
    clearASDataBuffer();
}

// --- entry points -----------------------------------------------------------------

bool CASDataManager::init(CASDataRelay* control, int colourSpace, int allowance, int threshold) {
    CMutexLock lock(EntryMutex());
    delete gASDataManager;
    gASDataManager = new CASDataManager();
    gASDataManager->m_pControl = control;
    gASDataManager->m_nColorSpace = colourSpace;
    gASDataManager->m_nAllowance = allowance;
    gASDataManager->m_nThreshold = threshold;
    return true;
}

bool CASDataManager::term() {
    CMutexLock lock(EntryMutex());
    if (gASDataManager == nullptr) return false;
    delete gASDataManager;
    gASDataManager = nullptr;
    return true;
}

bool CASDataManager::onAPShareStart(uint16_t width, uint16_t height) {
    CMutexLock lock(EntryMutex());
    if (gASDataManager == nullptr) return false;
    gASDataManager->startShare(width, height);
    return true;
}

bool CASDataManager::onAPShareStop() {
    CMutexLock lock(EntryMutex());
    if (gASDataManager == nullptr) return false;
    gASDataManager->stopShare();
    return true;
}

bool CASDataManager::sendASShowRect(const uint8_t* pixels, uint16_t left, uint16_t top, uint16_t right,
                                    uint16_t bottom) {
    CMutexLock lock(EntryMutex());
    return gASDataManager != nullptr && gASDataManager->showRect(pixels, left, top, right, bottom);
}

bool CASDataManager::sendASKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    CMutexLock lock(EntryMutex());
    CASDataManager* m = gASDataManager;
    if (m == nullptr || m->m_pControl == nullptr) return false;
    m->clearASDataBuffer();
    // The next frame is compared with the cleared picture and so sent whole.
    if (m->m_pCompare != nullptr) m->m_pCompare->clear();
    return m->queueSmallRecord(ASPROT_MSG_KEY_FRAME, left, top, right, bottom);
}

bool CASDataManager::sendASWindowChange(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    CMutexLock lock(EntryMutex());
    CASDataManager* m = gASDataManager;
    if (m == nullptr || m->m_pControl == nullptr) return false;
    return m->queueSmallRecord(ASPROT_MSG_CHANGE_WINDOW_SIZE, left, top, right, bottom);
}

#define AS_QUALITY_ACCESSORS(Name, field)                                      \
    bool CASDataManager::setJpegQuality##Name(int quality) {                   \
        CMutexLock lock(EntryMutex());                                         \
        if (gASDataManager == nullptr || !ValidQuality(quality)) return false; \
        gASDataManager->field = quality;                                       \
        return true;                                                           \
    }                                                                          \
    int CASDataManager::getJpegQuality##Name() {                               \
        CMutexLock lock(EntryMutex());                                         \
        return gASDataManager != nullptr ? gASDataManager->field : -1;         \
    }
AS_QUALITY_ACCESSORS(Default, m_nQualityDefault)
AS_QUALITY_ACCESSORS(Max, m_nQualityMax)
AS_QUALITY_ACCESSORS(Min, m_nQualityMin)
#undef AS_QUALITY_ACCESSORS

int CASDataManager::getJpegQualityCurrent() {
    CMutexLock lock(EntryMutex());
    return gASDataManager != nullptr ? gASDataManager->m_nQuality : -1;
}

void CASDataManager::SetClockForTest(uint64_t (*clock)()) {
    gClock = clock != nullptr ? clock : GetMonotonicTickCount;
}

CASDataManager* CASDataManager::instanceForTest() {
    return gASDataManager;
}

// --- share state ------------------------------------------------------------------

void CASDataManager::startShare(uint16_t width, uint16_t height) {
    delete m_pCompare;
    m_pCompare = new CLBitmap(width, height, m_nColorSpace);
    m_nQuality = m_nQualityDefault;
    m_nQualityTimer = 0;
}

void CASDataManager::stopShare() {
    delete m_pCompare;
    m_pCompare = nullptr;
    m_nQuality = m_nQualityDefault;
    m_nQualityTimer = 0;
}

// --- comparison -------------------------------------------------------------------

void CASDataManager::splitRegion(const stLRect& region, std::vector<stLRect>& pieces) {
    stLRect columns[2];
    int nColumns = 0;
    const int width = region.right - region.left;
    const int r = width % kPieceUnit;
    if (r == 0 || width < kPieceUnit) {
        columns[nColumns++] = region;
    } else {
        columns[nColumns++] = {region.left, region.top, region.right - r, region.bottom};
        columns[nColumns++] = {region.right - kPieceUnit, region.top, region.right, region.bottom};
    }
    for (int i = 0; i < nColumns; ++i) {
        const stLRect& c = columns[i];
        const int height = c.bottom - c.top;
        const int s = height % kPieceUnit;
        if (s == 0 || height < kPieceUnit) {
            pieces.push_back(c);
        } else {
            pieces.push_back({c.left, c.bottom - kPieceUnit, c.right, c.bottom});
            pieces.push_back({c.left, c.top, c.right, c.bottom - s});
        }
    }
}

bool CASDataManager::extractDiffRegion(const uint8_t* frame, int left, int /*top*/, int right, int bottom,
                                       int colourSpace) {
    m_regions.clear();
    if (m_pCompare == nullptr || m_pCompare->getImage() == nullptr) {
        DTrace(2, "There is no comparison source data.");
        return false;
    }
    if (colourSpace != m_nColorSpace) {
        DTrace(2, "Different color space.");
        return false;
    }
    const int bpp = m_pCompare->getBytesPerPixel();
    const int cols = std::min(right, m_pCompare->getWidth());
    const int rows = std::min(bottom, m_pCompare->getHeight());
    const size_t frameStride = size_t(right - left) * bpp;
    const size_t compStride = size_t(m_pCompare->getWidth()) * bpp;
    const uint8_t* comp = m_pCompare->getImage();
    const size_t rowBytes = size_t(std::max(cols, 0)) * bpp;

    std::vector<stLRect> regions;
    auto closeRun = [&](int runLeft, int runRight, int y0, int y1) {
        for (auto it = regions.rbegin(); it != regions.rend(); ++it) {
            stLRect& g = *it;
            if (g.right - g.left >= kRunCap && g.bottom - g.top >= kRunCap) continue;
            if (std::abs(g.left - runLeft) > kJoinSlack || std::abs(g.right - runRight) > kJoinSlack)
                continue;
            if (y1 > g.bottom + kJoinSlack) continue;
            g.left = std::min(g.left, runLeft);
            g.right = std::max(g.right, runRight);
            g.bottom = y1;
            return;
        }
        regions.push_back({runLeft, y0, runRight, y1});
    };

    for (int y0 = 0; y0 < rows; y0 += kBlock) {
        const int y1 = std::min(y0 + kBlock, rows);
        // A block row whose rows are all equal has no changed block.
        int firstDiff = y1;
        for (int y = y0; y < y1; ++y)
            if (std::memcmp(frame + y * frameStride, comp + y * compStride, rowBytes) != 0) {
                firstDiff = y;
                break;
            }
        if (firstDiff == y1) continue;
        bool open = false;
        int runLeft = 0;
        for (int x0 = 0; x0 < cols; x0 += kBlock) {
            const int x1 = std::min(x0 + kBlock, cols);
            const size_t off = size_t(x0) * bpp;
            const size_t len = size_t(x1 - x0) * bpp;
            bool changed = false;
            // Rows above the first differing one are equal over the whole width.
            for (int y = firstDiff; y < y1 && !changed; ++y)
                changed = std::memcmp(frame + y * frameStride + off, comp + y * compStride + off, len) != 0;
            if (changed) {
                if (!open) {
                    open = true;
                    runLeft = x0;
                }
                if (x1 - runLeft >= kRunCap || x1 == cols) {
                    closeRun(runLeft, x1, y0, y1);
                    open = false;
                }
            } else if (open) {
                closeRun(runLeft, x0, y0, y1);
                open = false;
            }
        }
    }
    for (const stLRect& g : regions) splitRegion(g, m_regions);
    return true;
}

// --- frames -----------------------------------------------------------------------

bool CASDataManager::showRect(const uint8_t* pixels, int left, int top, int right, int bottom) {
    if (m_pCompare == nullptr || m_pControl == nullptr || pixels == nullptr) return false;
    // Frames start at (0, 0): rows of another origin would be read past their end.
    if (left != 0 || top != 0) return false;
    if (!extractDiffRegion(pixels, left, top, right, bottom, m_nColorSpace)) return false;
    if (m_regions.empty()) {
        // Nothing changed: records still waiting for room in the relay's queue move now.
        if (queuedRecords() > 0) transfarToSendQueue();
        return true;
    }
    const int bpp = m_pCompare->getBytesPerPixel();
    const int pitch = (right - left) * bpp;
    const std::vector<stLRect> pieces = m_regions;
    for (const stLRect& p : pieces) {
        const uint8_t* at = pixels + size_t(p.top) * pitch + size_t(p.left) * bpp;
        if (!sendPiece(at, pitch, p, true)) return false;
    }
    return true;
}

bool CASDataManager::sendPiece(const uint8_t* pixels, int pitch, const stLRect& piece, bool fromFrame) {
    const int w = piece.right - piece.left;
    const int h = piece.bottom - piece.top;
    if (w <= 0 || h <= 0) return false;
    if (fromFrame && !m_pCompare->setImage(piece.left, piece.top, pixels, w, h, m_nColorSpace, pitch))
        return false;
    const size_t bound = JpegCompressBound(w, h);
    if (bound == 0 || bound > size_t(INT32_MAX) - 16) return false;
    auto* record = static_cast<uint8_t*>(__malloc__(16 + bound));
    if (record == nullptr) return false;
    size_t length = 0;
    if (!JpegCompress(pixels, w, h, m_nColorSpace, true, record + 16, bound, &length, m_nQuality, pitch)) {
        __free__(record);
        return false;
    }
    std::memset(record, 0, 16);
    PutLE32(record, ASPROT_MSG_SHOW_RECT);
    PutLE32(record + 4, uint32_t(length + ASPROT_RECT_SIZE));
    AS_RECT{uint16_t(piece.left), uint16_t(piece.top), uint16_t(piece.right), uint16_t(piece.bottom)}.Write(
        record + 8);
    if (auto* shrunk = static_cast<uint8_t*>(__realloc__(record, 16 + length))) record = shrunk;
    return addASDataBuffer(record, int(16 + length));
}

bool CASDataManager::queueSmallRecord(uint32_t type, uint16_t left, uint16_t top, uint16_t right,
                                      uint16_t bottom) {
    auto* record = static_cast<uint8_t*>(__malloc__(ASPROT_QUEUED_SMALL_SIZE));
    if (record == nullptr) return false;
    PutLE32(record, type);
    PutLE32(record + 4, ASPROT_RECT_SIZE);
    AS_RECT{left, top, right, bottom}.Write(record + 8);
    return addASDataBuffer(record, int(ASPROT_QUEUED_SMALL_SIZE));
}

// --- queue ------------------------------------------------------------------------

void CASDataManager::clearASDataBuffer() {
    CMutexLock lock(g_MtxAsDataQueue());
    for (COM_BUFFER& e : m_queue) __free__(e.pData);
    m_queue.clear();
}

int CASDataManager::queuedRecords() {
    CMutexLock lock(g_MtxAsDataQueue());
    return int(m_queue.size());
}

bool CASDataManager::addASDataBuffer(uint8_t* record, int length) {
    if (m_pControl == nullptr) {
        __free__(record);
        return false;
    }
    // Records re-sent by a reduction do not start another one.
    if (!m_bReducing) reduceASData();
    {
        CMutexLock lock(g_MtxAsDataQueue());
        m_queue.push_back(COM_BUFFER{length, 0, record});
    }
    return transfarToSendQueue();
}

bool CASDataManager::transfarToSendQueue() {
    if (m_pControl == nullptr) return false;
    const int waiting = m_pControl->VpexSendBufferLength(VPEX_CONN_AS, 4);
    if (waiting < 0) return false;
    CMutexLock lock(g_MtxAsDataQueue());
    const int allowed = std::max(1, m_nAllowance - waiting);
    int moved = 0;
    int inRelay = waiting;
    while (!m_queue.empty() && moved < allowed) {
        COM_BUFFER entry = m_queue.front();
        const auto* r = static_cast<const uint8_t*>(entry.pData);
        const int pieces = int(WirePieces(entry.iLen));
        // Only whole records: a full relay queue would drop single pieces, and
        // a lost piece spoils every record after it until the next key frame.
        // (A record larger than the whole queue goes when the queue is empty.)
        if (inRelay + pieces > AS_RELAY_QUEUE_LIMIT && !(inRelay == 0 && moved == 0)) break;
        m_queue.pop_front();
        const uint32_t type = entry.iLen >= int(ASPROT_QUEUED_SMALL_SIZE) ? GetLE32(r) : 0;
        const AS_RECT rect = type != 0 ? AS_RECT::Read(r + 8) : AS_RECT{};
        switch (type) {
            case ASPROT_MSG_KEY_FRAME:
                m_pControl->VpexSendASKeyFrame(rect.left, rect.top, rect.right, rect.bottom);
                break;
            case ASPROT_MSG_CHANGE_WINDOW_SIZE:
                m_pControl->VpexSendASChangeSize(rect.left, rect.top, rect.right, rect.bottom);
                break;
            case ASPROT_MSG_SHOW_RECT:
                m_pControl->VpexSendASShowRect(rect.left, rect.top, rect.right, rect.bottom, r + 16,
                                               uint32_t(entry.iLen - 16));
                break;
            default:
                break;
        }
        __free__(entry.pData);
        ++moved;
        inRelay += pieces;
    }
    return true;
}

void CASDataManager::reduceASData() {
    const uint64_t now = gClock.load()();
    if (m_nQualityTimer == 0) m_nQualityTimer = now;
    if (queuedRecords() <= m_nThreshold) {
        const uint64_t wait = uint64_t(std::max(0, m_nQuality - m_nQualityMin)) * 10000 + 100000;
        if (wait < now - m_nQualityTimer && m_nQuality < m_nQualityMax) {
            m_nQuality = std::min(m_nQualityMax, m_nQuality + kQualityStep);
            DTrace(4, "AS Compress quality up. [Value:%d]", m_nQuality);
            m_nQualityTimer = now;
        }
        return;
    }
    // Records left from a share that has stopped: no picture to merge them with.
    if (m_pCompare == nullptr || m_pCompare->getImage() == nullptr) return;
    if (m_nQuality > m_nQualityMin) {
        m_nQuality = std::max(m_nQualityMin, m_nQuality - kQualityStep);
        DTrace(4, "AS Compress quality down. [Value:%d]", m_nQuality);
        m_nQualityTimer = now;
    }
    CLRectMask mask(m_pCompare->getWidth(), m_pCompare->getHeight());
    {
        CMutexLock lock(g_MtxAsDataQueue());
        bool keyPassed = false;
        bool sizeSeen = false;
        for (auto it = m_queue.begin(); it != m_queue.end();) {
            const auto* r = static_cast<const uint8_t*>(it->pData);
            const uint32_t type = it->iLen >= int(ASPROT_QUEUED_SMALL_SIZE) ? GetLE32(r) : 0;
            bool drop = false;
            if (type == ASPROT_MSG_KEY_FRAME) {
                keyPassed = true;
            } else if (type == ASPROT_MSG_CHANGE_WINDOW_SIZE) {
                drop = sizeSeen;
                sizeSeen = true;
            } else if (type == ASPROT_MSG_SHOW_RECT) {
                if (!keyPassed) {
                    const AS_RECT rect = AS_RECT::Read(r + 8);
                    mask.setRectOn(rect.left, rect.top, rect.right, rect.bottom);
                    drop = true;
                }
            } else {
                drop = true;
            }
            if (drop) {
                __free__(it->pData);
                it = m_queue.erase(it);
            } else {
                ++it;
            }
        }
    }
    // The merged areas again, from the picture as last sent, at the new quality.
    m_bReducing = true;
    const int bpp = m_pCompare->getBytesPerPixel();
    std::vector<uint8_t> buffer;
    for (const stLRect& area : mask.getMaskedArea()) {
        std::vector<stLRect> pieces;
        splitRegion(area, pieces);
        for (const stLRect& p : pieces) {
            const int w = p.right - p.left;
            const int h = p.bottom - p.top;
            buffer.resize(size_t(w) * h * bpp);
            if (!m_pCompare->getImage(p.left, p.top, p.right, p.bottom, buffer.data(), int(buffer.size()),
                                      m_nColorSpace))
                continue;
            sendPiece(buffer.data(), w * bpp, p, false);
        }
    }
    m_bReducing = false;
}
