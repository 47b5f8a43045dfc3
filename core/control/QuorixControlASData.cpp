// Application-sharing image records on the viewer's side: the pieces of each
// record joined on relay connection 3's receive thread (with resynchronisation
// and a key-frame request after a loss), and the record dispatcher and the
// decoders on the sharing transfer thread.
#include <climits>
#include <cstring>

#include "common/ThreadTransferBuffer.h"
#include "control/ControlUtil.h"
#include "control/QuorixControl.h"
#include "control/QuorixControlEvents.h"
#include "datamanager/ASRecord.h"
#include "datamanager/JpegCodec.h"
#include "datamanager/RestoreSplittedData.h"
#include "tessel/TS_Common.h"

namespace {

// The largest record a viewer joins; a larger announced length is taken as
// damage (the sharer's largest records, whole-screen rectangles, stay far below).
constexpr uint64_t kMaxASRecord = 64u << 20;

bool EndsWithMark(const uint8_t* data, uint32_t length) {
    return data != nullptr && length >= ASPROT_FOOTER_SIZE &&
           GetLE32(data + length - ASPROT_FOOTER_SIZE) == AS_DATA_FOOTER_MAGIC;
}

}  // namespace

void CQuorixControl::VpexOnRecvASData(int /*index*/, const uint8_t* piece, uint32_t length, int pieceIndex,
                                      int pieceCount) {
    if (!m_bLogin) return;
    uint8_t* record = nullptr;
    uint32_t recordLength = 0;
    if (!ASDataCreatePacket(piece, length, uint16_t(pieceIndex), uint16_t(pieceCount), record, recordLength))
        return;
    if (m_pASTransfer == nullptr || !m_pASTransfer->Push(record, int(recordLength))) __free__(record);
}

void CQuorixControl::ASDataReset() {
    m_bASResync = false;
    m_nASExpectedPiece = 0;
    m_nASRecordLength = 0;
    m_nASJoined = 0;
    __free__(m_pASRecord);
    m_pASRecord = nullptr;
}

bool CQuorixControl::ASDataCheckFooter(const uint8_t* data, uint32_t length) {
    if (EndsWithMark(data, length)) return true;
    CLLog::write(kLogInf, "AS data packet Footer check error.\n");
    return false;
}

bool CQuorixControl::ASDataEnsureBuffer(const uint8_t* piece, uint32_t length) {
    // A first piece shorter than the record header cannot start a record.
    const uint32_t type = length >= ASPROT_HEADER_SIZE ? GetLE32(piece) : 0;
    if (!IsASRecordType(type)) {
        DTrace(1, "AS data packet Message ID check error[MSG:0x%04X].\n", type);
        return false;
    }
    const uint64_t total = uint64_t(GetLE32(piece + 4)) + ASPROT_HEADER_SIZE;
    if (total > kMaxASRecord) {
        DTrace(1, "AS data packet length error[%llu].\n", static_cast<unsigned long long>(total));
        return false;
    }
    m_pASRecord = static_cast<uint8_t*>(__malloc__(size_t(total)));
    if (m_pASRecord == nullptr) return false;
    m_nASRecordLength = int32_t(total);
    m_nASJoined = 0;
    return true;
}

bool CQuorixControl::ASDataBuildASPacket(const uint8_t* piece, uint32_t length) {
    const uint32_t room = uint32_t(m_nASRecordLength - m_nASJoined);
    const uint32_t n = length < room ? length : room;  // bytes beyond the record are dropped
    if (n > 0) std::memcpy(m_pASRecord + m_nASJoined, piece, n);
    m_nASJoined += int32_t(n);
    return m_nASJoined >= m_nASRecordLength;
}

bool CQuorixControl::ASDataCreatePacket(const uint8_t* piece, uint32_t length, uint16_t pieceIndex,
                                        uint16_t /*pieceCount*/, uint8_t*& record, uint32_t& recordLength) {
    record = nullptr;
    recordLength = 0;
    if (piece == nullptr) length = 0;
    if (m_bASResync) {
        // Skipping to the end of a record: its last piece ends with the end mark.
        if (EndsWithMark(piece, length)) {
            CLLog::write(kLogInf, "AS data packet Footer check has been restored.\n");
            m_bASResync = false;
        } else {
            CLLog::write(kLogInf, "AS data packet Footer check error.\n");
        }
        return false;
    }
    // Every error drops the record, asks the sharer for a key frame and skips ahead.
    auto fail = [&] {
        ASDataReset();
        VpexSendASStartPermit(1);
        m_bASResync = true;
        return false;
    };
    const uint16_t expected = m_nASExpectedPiece++;
    if (pieceIndex != expected) {
        CLLog::write(kLogErr, "AS data packet sequence error.\n");
        return fail();
    }
    if (m_pASRecord == nullptr && !ASDataEnsureBuffer(piece, length)) return fail();
    if (!ASDataBuildASPacket(piece, length)) return false;
    if (!ASDataCheckFooter(m_pASRecord, uint32_t(m_nASRecordLength))) return fail();
    record = m_pASRecord;
    recordLength = uint32_t(m_nASRecordLength);
    m_pASRecord = nullptr;
    ASDataReset();
    return true;
}

// --- the record dispatcher and the decoders -------------------------------------------

void CQuorixControl::_OnBufferASData(void* data, int size, void* self) {
    if (size > 0 && data != nullptr && self != nullptr)
        static_cast<CQuorixControl*>(self)->OnBufferASData(static_cast<const uint8_t*>(data), uint32_t(size));
    __free__(data);
}

void CQuorixControl::OnBufferASData(const uint8_t* record, uint32_t length) {
    if (!m_bLogin || m_pOwner == nullptr || record == nullptr) return;
    if (length < ASPROT_HEADER_SIZE || length > kMaxASRecord) {
        DTrace(1, "[A/S] restore failed dataSize=%d, reason=%s", int(length), "Broken record");
        return;
    }
    CMutexLock lock(m_mutexASRestore);
    if (m_pASRestorer == nullptr) {
        m_pASRestorer = new CRestoreSplittedData();
        const uint64_t total = uint64_t(GetLE32(record + 4)) + ASPROT_HEADER_SIZE;
        m_pASRestorer->start(total <= kMaxASRecord ? int(total) : -1, 0);
    }
    const int result = m_pASRestorer->store(record, int(length), 0);
    if (result > 0) return;  // more bytes to come
    if (result < 0) {
        DTrace(1, "[A/S] restore failed dataSize=%d, reason=%s", int(length),
               m_pASRestorer->getErrorReason());
    } else {
        const uint8_t* data = m_pASRestorer->getData();
        const uint32_t stored = uint32_t(m_pASRestorer->getDataSize());
        const uint32_t type = GetLE32(data);
        const bool hasRect = stored >= ASPROT_HEADER_SIZE + ASPROT_RECT_SIZE;
        if (type == ASPROT_MSG_KEY_FRAME && hasRect) {
            VpexOnRecvAPShareKeyFrame(data + ASPROT_HEADER_SIZE);
        } else if (type == ASPROT_MSG_CHANGE_WINDOW_SIZE && hasRect) {
            VpexOnRecvAPShareChangeSize(data + ASPROT_HEADER_SIZE);
        } else if (type == ASPROT_MSG_SHOW_RECT) {
            VpexOnRecvAPShareRect(data + ASPROT_HEADER_SIZE, stored - ASPROT_HEADER_SIZE);
        } else {
            DTrace(1, "[A/S] Illegal ASData, MsgID=0x%08X\n", type);
        }
    }
    delete m_pASRestorer;
    m_pASRestorer = nullptr;
}

void CQuorixControl::VpexOnRecvAPShareRect(const uint8_t* body, uint32_t length) {
    if (body == nullptr || length <= ASPROT_RECT_SIZE + ASPROT_FOOTER_SIZE) {
        CLLog::write(kLogDbg, "[A/S] ShowRect: failed to decompress!\n");
        return;
    }
    const AS_RECT r = AS_RECT::Read(body);
    if (r.right <= r.left || r.bottom <= r.top) {
        CLLog::writeFormat(kLogDbg, "[A/S] ShowRect: refused rectangle (%u, %u, %u, %u).\n", r.left, r.top,
                           r.right, r.bottom);
        return;
    }
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const uint64_t size = uint64_t(width) * uint64_t(height) * 4;
    const uint8_t* jpeg = body + ASPROT_RECT_SIZE;
    const size_t jpegLength = length - ASPROT_RECT_SIZE - ASPROT_FOOTER_SIZE;
    int jw = 0, jh = 0;
    // The picture must fill its rectangle exactly; the callback's length is an int.
    if (size > uint64_t(INT_MAX) || !JpegPictureSize(jpeg, jpegLength, &jw, &jh) || jw != width ||
        jh != height) {
        CLLog::write(kLogDbg, "[A/S] ShowRect: failed to decompress!\n");
        return;
    }
    auto* pixels = static_cast<uint8_t*>(__malloc__(size_t(size)));
    if (pixels == nullptr) {
        CLLog::write(kLogDbg, "[A/S] ShowRect: memory allocation error!\n");
        return;
    }
    if (JpegDecompress(jpeg, jpegLength, pixels, size_t(size), nullptr, 3, 2, 1, 1) != 0) {
        CLLog::write(kLogDbg, "[A/S] ShowRect: failed to decompress!\n");
    } else {
        m_pOwner->OnAPShareRect(r.left, r.top, r.right, r.bottom, pixels, int(size));
    }
    __free__(pixels);
}

void CQuorixControl::VpexOnRecvAPShareKeyFrame(const uint8_t* body) {
    // Records queued behind the key frame are the sharer's newest picture and
    // stay queued: dropping them would leave the viewer without it.
    const AS_RECT r = AS_RECT::Read(body);
    m_pOwner->OnAPShareKeyFrame(r.left, r.top, r.right, r.bottom);
}

void CQuorixControl::VpexOnRecvAPShareChangeSize(const uint8_t* body) {
    const AS_RECT r = AS_RECT::Read(body);
    m_pOwner->OnAPShareChangeSize(r.left, r.top, r.right, r.bottom);
}
