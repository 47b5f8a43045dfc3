// The sharing encoder: compares each captured frame with the picture last
// sent in blocks of 32 x 32 pixels, gathers the changed blocks into regions,
// cuts them into pieces whose sides are multiples of 16 and queues one JPEG
// record per piece; key-frame and size-change records go through the same
// queue. The queue feeds relay connection 3's class-4 queue with whole
// records only, and a quality controller lowers the JPEG quality while
// records pile up and raises it again slowly.
//
// One instance per process. Every static entry point takes one lock, so
// frames, key frames, size changes and share start and stop from different
// threads reach the manager one at a time.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "datamanager/LBitmap.h"
#include "datamanager/LRectMask.h"
#include "tessel/TS_StreamThread.h"  // COM_BUFFER

class CASDataRelay;

// Messages the relay's class-4 queue holds before it drops its oldest.
constexpr int AS_RELAY_QUEUE_LIMIT = 30;

class CASDataManager {
public:
    CASDataManager();
    virtual ~CASDataManager();
    CASDataManager(const CASDataManager&) = delete;
    CASDataManager& operator=(const CASDataManager&) = delete;

    // --- process-wide entry points (false, or -1 for the getters, without a manager)
    // Replaces the manager by a new one with these values.
    static bool init(CASDataRelay* control, int colourSpace, int allowance, int threshold);
    static bool term();
    // A new, cleared comparison image of width x height; quality back to the default.
    static bool onAPShareStart(uint16_t width, uint16_t height);
    // No comparison image; quality back to the default; the queue stays.
    static bool onAPShareStop();
    // One captured frame: rows of (right - left) pixels of 4 bytes, top row
    // first, in the manager's colour space; left and top must be 0.
    static bool sendASShowRect(const uint8_t* pixels, uint16_t left, uint16_t top, uint16_t right,
                               uint16_t bottom);
    static bool sendASKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom);
    static bool sendASWindowChange(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom);
    static bool setJpegQualityDefault(int quality);
    static bool setJpegQualityMax(int quality);
    static bool setJpegQualityMin(int quality);
    static int getJpegQualityDefault();
    static int getJpegQualityMax();
    static int getJpegQualityMin();
    // The quality the next piece is coded with.
    static int getJpegQualityCurrent();

    // --- the algorithms, on this instance (callers serialise)
    // Fills the changed-region list (in pieces) from a frame whose rectangle
    // starts at (0, 0); false without comparison image or for another colour space.
    bool extractDiffRegion(const uint8_t* frame, int left, int top, int right, int bottom, int colourSpace);
    const std::vector<stLRect>& getDiffRegions() const { return m_regions; }
    // Cuts a region into pieces whose sides are multiples of 16 (a side
    // below 16 pixels stays whole), in sending order.
    static void splitRegion(const stLRect& region, std::vector<stLRect>& pieces);
    void clearASDataBuffer();
    // Queues a record (which the queue then owns) and transfers.
    bool addASDataBuffer(uint8_t* record, int length);
    void reduceASData();
    bool transfarToSendQueue();
    int queuedRecords();
    const CLBitmap* comparisonImage() const { return m_pCompare; }

    // Tests: the clock of the quality controller (milliseconds).
    static void SetClockForTest(uint64_t (*clock)());
    // Tests: the manager of the process (null when none).
    static CASDataManager* instanceForTest();

private:
    bool showRect(const uint8_t* pixels, int left, int top, int right, int bottom);
    // Codes one piece (rows `pitch` bytes apart) and queues its record; a
    // piece of a frame is first written into the comparison image.
    bool sendPiece(const uint8_t* pixels, int pitch, const stLRect& piece, bool fromFrame);
    bool queueSmallRecord(uint32_t type, uint16_t left, uint16_t top, uint16_t right, uint16_t bottom);
    void startShare(uint16_t width, uint16_t height);
    void stopShare();

    CASDataRelay* m_pControl = nullptr;
    CLBitmap* m_pCompare = nullptr;
    int32_t m_nColorSpace = 2;
    int32_t m_nAllowance = 24;
    int32_t m_nThreshold = 24;
    std::deque<COM_BUFFER> m_queue;  // oldest first; records owned (__malloc__)
    int32_t m_nQuality = 40;
    int32_t m_nQualityDefault = 40;
    int32_t m_nQualityMax = 80;
    int32_t m_nQualityMin = 30;
    std::vector<stLRect> m_regions;
    uint64_t m_nQualityTimer = 0;
    bool m_bReducing = false;
};
