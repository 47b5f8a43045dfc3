#include "datamanager/RestoreSplittedData.h"

#include <cstdio>
#include <cstring>
#include <new>

CRestoreSplittedData::~CRestoreSplittedData() {
    delete[] m_pData;
}

void CRestoreSplittedData::dropData() {
    delete[] m_pData;
    m_pData = nullptr;
    m_nStored = 0;
}

void CRestoreSplittedData::init() {
    dropData();
    m_nTotal = 0;
    m_nPieces = 0;
    m_nExpected = 0;
    m_bRestoring = false;
    std::memset(m_szError, 0, sizeof m_szError);
}

bool CRestoreSplittedData::start(int total, int pieceCount) {
    dropData();
    m_nExpected = 0;
    m_bRestoring = false;
    m_nTotal = total;
    m_nPieces = pieceCount;
    if (total < 0) return false;
    m_pData = new (std::nothrow) uint8_t[total > 0 ? size_t(total) : 1];
    return m_pData != nullptr;
}

int CRestoreSplittedData::store(const uint8_t* data, int length, int pieceNo) {
    if (m_nPieces > 0 && (pieceNo != m_nExpected || pieceNo >= m_nPieces)) {
        std::snprintf(m_szError, sizeof m_szError, "Illegal Number: miNo/miTotal:%d/%d, as iNo:%d",
                      m_nExpected, m_nPieces, pieceNo);
        dropData();
        m_nExpected = 0;
        m_nPieces = 0;
        m_bRestoring = true;
        return -1;
    }
    if (m_bRestoring) {
        std::snprintf(m_szError, sizeof m_szError, "Restoring, recv %d bytes; %d/%d", m_nTotal, pieceNo,
                      m_nPieces);
        return -2;
    }
    if (m_pData == nullptr) {
        std::snprintf(m_szError, sizeof m_szError, "Not Started, recv %d bytes; %d/%d", m_nTotal, pieceNo,
                      m_nPieces);
        return -3;
    }
    if (data == nullptr) {
        std::snprintf(m_szError, sizeof m_szError, "Invalid Data(NULL) %d/%d", pieceNo, m_nPieces);
        return -6;
    }
    if (length < 0 || (long long)m_nStored + length > m_nTotal) {
        std::snprintf(m_szError, sizeof m_szError, "BufferOverflow:%d/%d total:%d as %d + %d = %d", pieceNo,
                      m_nPieces, m_nTotal, length, m_nStored, int((long long)m_nStored + length));
        dropData();
        m_nExpected = 0;
        m_bRestoring = false;
        return -4;
    }
    std::memcpy(m_pData + m_nStored, data, size_t(length));
    m_nStored += length;
    if (m_nPieces <= 0) return m_nTotal - m_nStored > 0 ? m_nTotal - m_nStored : 0;
    if (pieceNo != m_nPieces - 1) {
        ++m_nExpected;
        return m_nPieces - m_nExpected;
    }
    if (m_nStored >= m_nTotal) return 0;
    std::snprintf(m_szError, sizeof m_szError, "Insuffitient Data:%d/%d total:%d as %d", pieceNo, m_nPieces,
                  m_nTotal, m_nStored);
    dropData();
    m_nExpected = 0;
    m_bRestoring = false;
    return -5;
}
