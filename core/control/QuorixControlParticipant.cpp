// The participant table: one entry per participant slot, tying the conference
// server's record of a participant to its client ids on the five relay
// connections. An entry's index is the participant's slot in every event.
#include <cstring>

#include "control/ControlUtil.h"
#include "control/QuorixControl.h"

namespace {
bool SameUser(const PARTICIPANT_INFO& e, const char* userId) {
    return std::strncmp(e.userId, userId, sizeof e.userId) == 0;
}
}  // namespace

void CQuorixControl::CreateParticipantInfo() {
    CMutexLock lock(m_mutexParticipant);
    delete[] m_pParticipant;
    m_pParticipant = nullptr;
    m_nTableSize = 0;
    // Should the allocation fail, the table stays empty (and the login ends).
    m_pParticipant = m_nParticipantMax > 0 ? new PARTICIPANT_INFO[m_nParticipantMax]() : nullptr;
    m_nTableSize = m_nParticipantMax;
}

void CQuorixControl::DeleteParticipantInfo() {
    CMutexLock lock(m_mutexParticipant);
    delete[] m_pParticipant;
    m_pParticipant = nullptr;
    m_nTableSize = 0;
}

int CQuorixControl::IsExistsParticpant(const char* userId) {
    if (userId == nullptr) return -1;
    for (uint32_t i = 0; i < m_nTableSize; ++i)
        if (m_pParticipant[i].status != PARTICIPANT_FREE && SameUser(m_pParticipant[i], userId))
            return int(i);
    return -1;
}

int CQuorixControl::GetFreeParticipantIndex() {
    for (uint32_t i = 0; i < m_nTableSize; ++i) {
        if (m_pParticipant[i].status == PARTICIPANT_FREE) {
            m_pParticipant[i].status = PARTICIPANT_IN_USE;
            return int(i);
        }
    }
    return -1;
}

void CQuorixControl::JoinedLine(int index) {
    const PARTICIPANT_INFO& e = m_pParticipant[index];
    CLLog::writeFormat(kLogInf, "[No.%d] %.48s(%.48s):%.16s joined.", index, e.userId, e.userName,
                       e.userType);
}

bool CQuorixControl::CheckClientId(int index) {
    if (index < 0 || uint32_t(index) >= m_nTableSize) return false;
    PARTICIPANT_INFO& e = m_pParticipant[index];
    int known = 0;
    for (uint32_t id : e.clientId)
        if (id != 0) ++known;
    if (known == VPEX_CONNECTION_COUNT) e.status = PARTICIPANT_COMPLETE;
    return known == VPEX_CONNECTION_COUNT;
}

int CQuorixControl::InsertParticipantInfo(const PROT_DATA_USER_INFO_T& info) {
    CMutexLock lock(m_mutexParticipant);
    int index = IsExistsParticpant(info.userId);
    if (index < 0) index = GetFreeParticipantIndex();
    if (index < 0) return -1;
    PARTICIPANT_INFO& e = m_pParticipant[index];
    if (e.status != PARTICIPANT_COMPLETE) {
        uint8_t wire[sizeof(PROT_DATA_USER_INFO_T)];
        WriteUserInfo(info, wire);
        std::memcpy(e.userId, wire, 48);
        std::memcpy(e.userName, wire + 48, 48);
        std::memcpy(e.userType, wire + 96, 16);
        std::memcpy(e.extra, wire + 112, 8);
        e.startReported = false;
        if (CheckClientId(index)) JoinedLine(index);
    }
    return index;
}

int CQuorixControl::RemoveParticipantInfo(const char* userId) {
    CMutexLock lock(m_mutexParticipant);
    const int index = IsExistsParticpant(userId);
    if (index < 0) return -1;
    PARTICIPANT_INFO& e = m_pParticipant[index];
    CLLog::writeFormat(kLogInf, "[No.%d] %.48s(%.48s):%.16s left.", index, e.userId, e.userName, e.userType);
    e = PARTICIPANT_INFO{};
    e.extra[0] = 'N';
    e.extra[1] = 'N';
    return index;
}

int CQuorixControl::SetClientId(int connection, const char* userId, uint32_t clientId) {
    if (connection < 0 || connection >= VPEX_CONNECTION_COUNT || userId == nullptr) return -1;
    CMutexLock lock(m_mutexParticipant);
    int index = IsExistsParticpant(userId);
    if (index < 0) index = GetFreeParticipantIndex();
    if (index < 0) return -1;
    PARTICIPANT_INFO& e = m_pParticipant[index];
    if (e.status == PARTICIPANT_COMPLETE) {
        e.clientId[connection] = clientId;
    } else {
        CopyTextField(e.userId, sizeof e.userId, userId);
        if (e.clientId[connection] == 0) e.clientId[connection] = clientId;
        if (CheckClientId(index)) JoinedLine(index);
    }
    return index;
}

uint32_t CQuorixControl::GetClientId(int connection, const char* userId) {
    if (connection < 0 || connection >= VPEX_CONNECTION_COUNT) return 0;
    CMutexLock lock(m_mutexParticipant);
    const int index = IsExistsParticpant(userId);
    return index < 0 ? 0 : m_pParticipant[index].clientId[connection];
}

int CQuorixControl::FindClientIndex(int connection, uint32_t clientId) {
    // Client id 0 means "unknown": it never names a participant.
    if (connection < 0 || connection >= VPEX_CONNECTION_COUNT || clientId == 0) return -1;
    for (uint32_t i = 0; i < m_nTableSize; ++i)
        if (m_pParticipant[i].status != PARTICIPANT_FREE &&
            m_pParticipant[i].clientId[connection] == clientId)
            return int(i);
    return -1;
}

int CQuorixControl::GetClientIndex(int connection, uint32_t clientId) {
    CMutexLock lock(m_mutexParticipant);
    return FindClientIndex(connection, clientId);
}

int CQuorixControl::GetClientIndex(const char* userId) {
    CMutexLock lock(m_mutexParticipant);
    return IsExistsParticpant(userId);
}

bool CQuorixControl::GetUserIdWithClientNo(int index, char userId[48]) {
    if (index < 0) return false;
    CMutexLock lock(m_mutexParticipant);
    if (uint32_t(index) >= m_nTableSize || m_pParticipant[index].status == PARTICIPANT_FREE) return false;
    std::memcpy(userId, m_pParticipant[index].userId, 48);
    return true;
}

bool CQuorixControl::GetUserIdWithClientId(int connection, uint32_t clientId, char userId[48]) {
    CMutexLock lock(m_mutexParticipant);
    const int index = FindClientIndex(connection, clientId);
    if (index < 0) return false;
    std::memcpy(userId, m_pParticipant[index].userId, 48);
    return true;
}

bool CQuorixControl::hasSentStartRep(int index) {
    if (index < 0) return false;
    CMutexLock lock(m_mutexParticipant);
    return uint32_t(index) < m_nTableSize && m_pParticipant[index].startReported;
}

void CQuorixControl::setSentStartRep(int index, bool sent) {
    if (index < 0) return;
    CMutexLock lock(m_mutexParticipant);
    if (uint32_t(index) < m_nTableSize) m_pParticipant[index].startReported = sent;
}

int CQuorixControl::getParticipantStatus(int index) {
    if (index < 0) return -1;
    CMutexLock lock(m_mutexParticipant);
    return uint32_t(index) < m_nTableSize ? m_pParticipant[index].status : -1;
}

void CQuorixControl::setParticipantStatus(int index, int status) {
    if (index < 0) return;
    CMutexLock lock(m_mutexParticipant);
    if (uint32_t(index) < m_nTableSize) m_pParticipant[index].status = status;
}
