// Joins numbered pieces into one buffer of known size. With a piece count of
// 0 or less the pieces are not counted, only their bytes.
#pragma once

#include <cstdint>

class CRestoreSplittedData {
public:
    CRestoreSplittedData() = default;
    virtual ~CRestoreSplittedData();
    CRestoreSplittedData(const CRestoreSplittedData&) = delete;
    CRestoreSplittedData& operator=(const CRestoreSplittedData&) = delete;

    // Frees the data; every field 0.
    void init();
    // A fresh buffer of `total` bytes; false when it cannot be allocated.
    bool start(int total, int pieceCount);
    // Appends one piece. Uncounted: the bytes still missing (0 = complete).
    // Counted: the pieces still to come, 0 when the last one completed the
    // data. Errors (the reason text tells which): -1 wrong piece number, -2
    // refusing after a numbering error, -3 not started, -4 overflow, -5 last
    // piece with too few bytes, -6 no data.
    int store(const uint8_t* data, int length, int pieceNo);
    const uint8_t* getData() const { return m_pData; }
    int getDataSize() const { return m_nStored; }
    const char* getErrorReason() const { return m_szError; }

protected:
    void dropData();

    uint8_t* m_pData = nullptr;
    int32_t m_nStored = 0;
    int32_t m_nTotal = 0;
    int32_t m_nPieces = 0;
    int32_t m_nExpected = 0;
    bool m_bRestoring = false;
    char m_szError[207] = {};
};
