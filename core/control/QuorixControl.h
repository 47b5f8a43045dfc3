// CQuorixControl: the conference control object, one per core object. It holds
// everything of one login: the login data, the conference-server connection
// and the five media-relay connections, the codecs and the participant table.
//
// Its methods are split by protocol and direction over several files
// (ARCHITECTURE.md keeps the map). Its events go to a CQuorixControlEvents
// receiver (the core object), never to the function interface.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "network/CommonProc.h"
#include "control/ConfProtocol.h"
#include "control/ConnectMethod.h"
#include "control/SessionGate.h"
#include "control/VpexProtocol.h"
#include "datamanager/ASDataRelay.h"
#include "tessel/TS_Mutex.h"

class CQuorixControlEvents;
class CSocketTCP;
class CThreadSendConf;
class CThreadRecvConf;
class CThreadSendVpex;
class CThreadRecvVpex;
class CVideoEncoder;
class CVideoDecoder;
class GSMCodec;
class COpusEncoder;
class COpusDecoder;
class CAudioPlayerThread;
class CEchoCtrl;
class CResampler;
class CVideoThreadTransferBuffer;
class CAudioThreadTransferBuffer;
class CThreadTransferBuffer;
class CRestoreSplittedData;

// Relay connection labels, index N = relay connection N.
constexpr int VPEX_CONNECTION_COUNT = 5;
extern const char* const kVpexLabels[VPEX_CONNECTION_COUNT];
constexpr const char* kConfLabel = "Type:CONFERENCE";

// One entry of the participant table; its index is the participant's slot.
struct PARTICIPANT_INFO {
    int32_t status;  // 0 free, 1 in use, 2 complete (all five relay client ids known)
    uint32_t clientId[VPEX_CONNECTION_COUNT];
    char userId[48];
    char userName[48];
    char userType[16];  // bytes 96..111 of the participant's PROT_DATA_USER_INFO_T
    uint8_t extra[8];   // camera, microphone and the six bytes after them
    bool startReported;
};

enum : int32_t { PARTICIPANT_FREE = 0, PARTICIPANT_IN_USE = 1, PARTICIPANT_COMPLETE = 2 };

struct QuorixControlTestPeer;

class CQuorixControl : public CASDataRelay {
public:
    explicit CQuorixControl(CQuorixControlEvents* owner);
    virtual ~CQuorixControl();

    CQuorixControl(const CQuorixControl&) = delete;
    CQuorixControl& operator=(const CQuorixControl&) = delete;

    // The most participant slots a login sets up: as many participants as
    // one room-entry reply can list. A larger "roomlist_max" is cut to it.
    static constexpr uint32_t MAX_PARTICIPANT_SLOTS =
        (CONF_MAX_BODY_SIZE - CONF_ENTER_RES_FIXED) / sizeof(PROT_DATA_USER_INFO_T);

    // --- session state read by the function interface ----------------------
    int GetConnectionType() const { return m_nConnectType; }
    int GetConnectionError() const { return m_nConnectionError; }
    bool IsLoggedIn() const { return m_bLogin.load(); }

    // --- synchronous I/O while no stream thread runs -----------------------
    bool SendSync(CSocketTCP* socket, const uint8_t* data, int len);
    uint8_t* RecvSync(CSocketTCP* socket, int size, int timeoutMs);

    // --- connection methods and proxy tunnel -------------------------------
    int Connect(const char* host, uint32_t port, const char* label, const char* userAgent, CSocketTCP* socket,
                const HTTPACCESS_PROXY_CONFIG* proxy, HTTPACCESS_CONNECTION_INFO* info);
    int ConnectByDirectly(const char* host, uint32_t port, const char* label, CSocketTCP* socket);
    int ConnectByTunneling(const char* host, uint32_t port, const char* label, const char* userAgent,
                           CSocketTCP* socket, const HTTPACCESS_PROXY_CONFIG* proxy,
                           HTTPACCESS_CONNECTION_INFO* info);
    int ConnectByProxy(const char* host, uint32_t port, const char* label, const char* userAgent,
                       CSocketTCP* socket, const HTTPACCESS_PROXY_CONFIG* proxy,
                       HTTPACCESS_CONNECTION_INFO* info);
    int SendChopProtocol(CSocketTCP* socket, const char* label, uint32_t flag);
    int SendConnectMethod2ProxyServer(CSocketTCP* socket, const char* userAgent, const char* host,
                                      uint32_t port);
    unsigned GetSendPacketCount();
    unsigned GetRecvPacketCount();
    unsigned GetLostPacketCount();
    unsigned GetSendBytes();
    unsigned GetRecvBytes();
    unsigned GetLostBytes();

    // --- conference server: sending and the room entry ----------------------
    bool ConfSend(uint32_t msgId, const uint8_t* body, uint32_t len, int32_t param);
    int ConfEnterRoom(const char* host, uint32_t port, const char* userAgent, const char* optionJson,
                      const HTTPACCESS_PROXY_CONFIG* proxy, HTTPACCESS_CONNECTION_INFO* info = nullptr);
    int ConfConnect(const char* userAgent, const HTTPACCESS_PROXY_CONFIG* proxy,
                    HTTPACCESS_CONNECTION_INFO* info);
    bool ConfSendSyncLoginReq(const char* optionJson);
    int ConfRecvSyncLoginRes();
    bool ConfSendSyncEnterReq();
    int ConfRecvSyncEnterRes();
    // One message read synchronously; the body (decrypted, owned by the caller,
    // freed with __free__) is null for a message without body.
    bool ConfRecvSync(PROT_STD_T& header, uint8_t*& body);
    void ConfDisconnect();
    void ConfLeaveRoom() { ConfDisconnect(); }
    bool ConfIsEnterRoom() const { return m_pSocketConf != nullptr; }
    static int ConfCompareUserList(const PROT_DATA_USER_INFO_T* a, const PROT_DATA_USER_INFO_T* b) {
        return ::ConfCompareUserList(a, b);
    }
    static uint32_t ConfOnGetHeaderSize() { return CONF_HEADER_SIZE; }
    static uint32_t ConfOnGetBodySize(const uint8_t* header) { return GetLE32(header + 4); }

    // --- conference server: receive path, keep-alive, connection errors ------
    static void _ConfOnRecv(uint8_t* frame, int len, void* self);
    static void _ConfOnRecvError(int code, int errorNo, const char* text, void* self);
    static void _ConfOnSendError(int code, int errorNo, const char* text, void* self);
    static void _ConfSendAliveCheck(void* self);
    void ConfOnRecv(const uint8_t* frame, int len);
    void ConfOnRecvNoData(const PROT_STD_T& header);
    void ConfOnRecvWithData(const PROT_STD_T& header, const uint8_t* body, uint32_t len);
    // Hands one received message to its handler; false when no handler takes the id.
    bool ConfDispatch(const PROT_STD_T& header, const uint8_t* body, uint32_t len);
    // A participant entered the room (0x1004): slot 0.
    void ConfOnRecvEnterRep(const uint8_t* body, uint32_t len);
    void ConfOnRecvError(int code, int errorNo, const char* text);
    void ConfOnSendError(int code, int errorNo, const char* text);
    void ConfSendAliveCheck();
    // True for the first connection failure of a logged-in session (it sets the
    // error-reported flag); every later one, and any while not logged in, false.
    bool TakeErrorReport();

    // --- conference commands and events (QuorixControlConfCmd.cpp) -------------
    // Each sender answers false without sending when not logged in, when an id
    // does not fit its 48-byte field or when ConfSend refuses.
    bool ConfSendStartRep();
    bool ConfSendStopRep();
    bool ConfSendSpeechReserve();
    bool ConfSendSpeechReserveCancel(const char* userId);
    bool ConfSendSpeechNominate(int kind, const char* userId);
    bool ConfSendSpeechEnd(const char* userId);
    bool ConfSendMessage(const char* userId, const char* text);
    bool ConfSendChangeOwner(const char* userId);
    bool ConfSendForceLeave(const char* userId);
    bool ConfSendClientInfo(int kind, const char* version, const char* first, const char* second);
    // Logs and dispatches one decrypted message (a null body: one without
    // body); what the receive thread does after decryption.
    void ConfOnRecvPlain(const PROT_STD_T& header, const uint8_t* body, uint32_t len);
    void ConfOnRecvLeaveRep(const uint8_t* body, uint32_t len);
    void ConfOnRecvStartRep(const uint8_t* body, uint32_t len);
    void ConfOnRecvStopRep(const uint8_t* body, uint32_t len);
    void ConfOnRecvSpeechReserveRep(const uint8_t* body, uint32_t len);
    void ConfOnRecvReserveListRes(const uint8_t* body, uint32_t len);
    void ConfOnRecvMessage(const uint8_t* body, uint32_t len);
    void ConfOnRecvBandWidth(const uint8_t* body, uint32_t len);

    // --- free messages (QuorixControlFreeMsg.cpp) --------------------------------
    bool ConfSendFreeMessageRep(uint32_t code, int value, const char* userId, const char* text);
    bool ConfSendHold(const char* userId);
    bool ConfSendHoldRelease(const char* userId);
    bool ConfSendHoldStatusHold(const char* userId);
    bool ConfSendHoldStatusRelease(const char* userId);
    bool ConfSendEndCall(const char* userId);
    bool ConfSendStartQuestionnaire(const char* userId, const char* question, bool anonymous, bool multiSelect,
                                    int count, const char* const* choices);
    bool ConfSendStopQuestionnaire(const char* userId);
    bool ConfSendAnswerQuestionnaire(const char* userId, int answer, const char* text);
    bool ConfSendReceivedQuestionnaire(const char* userId, const char* text);
    void ConfOnRecvFreeMsgRep(const uint8_t* body, uint32_t len);

    // --- stream threads -------------------------------------------------------
    bool CreateStreamThread();
    void DeleteStreamThread();
    void DeleteConfStreamThread();  // receive thread first, then send thread

    // --- login sequence, logout, runtime parameters (QuorixControlLogin.cpp) --
    // 0, or the failure code of the first step that failed (everything of the
    // attempt is then torn down again).
    int Login(const char* userAgent, const char* host, int port, int firstConnectType, const char* proxyJson,
              const char* userId, const char* password, const char* userName, const char* userType, int topRoomId,
              int roomId, int version, const char* appVersion, bool camera, bool microphone, bool wifi,
              int samplingRateCode, const char* supportFuncJson, const char* optionJson);
    // Joins every connection and transfer thread before it frees what they use;
    // false when no session was running.
    bool Logout();
    bool SetLoginOptionJson(const char* json);
    void SetSupportFuncJson(const char* json);
    bool CreateDataBufferThread();
    void DeleteDataBufferThread();
    void DeleteStream();
    void CloseAES();
    bool setParam(const std::string& key, const std::string& value);
    bool getParam(const std::string& key, std::string& value);
    bool SetDstAudioSampleRate(uint16_t rate);
    bool SetAudioBoostLevel(int slot, double level);
    bool StartVideo(int) { return true; }
    bool StopVideo(int) { return true; }
    bool SetVideoMode(int mode) { return unsigned(mode) < 3; }
    bool EchoCapture(const int16_t* captured, int16_t* output);
    bool EchoPlayback(const int16_t* played);
    float GetSelfViewZoom() const { return m_fSelfViewZoom.load(); }

    // --- received media handed to the decoders (QuorixControlMedia.cpp) -------
    static void _OnBufferVideo(int clientIndex, void* packet, int size, uint64_t queuedMs, void* self);
    static void _OnBufferAudio(int slot, void* packet, int size, void* self);
    // Each takes over and frees the packet.
    void OnBufferVideo(int clientIndex, uint8_t* packet, int size, uint64_t queuedMs);
    void OnBufferAudio(int slot, uint8_t* packet, int size);
    void OnBufferPlayAudio(int32_t level, uint8_t* pcm, int32_t size);
    // A new RGBA picture (__malloc__) when `output` is set and a frame came out, else null.
    uint8_t* DecodeVideo(int clientIndex, const uint8_t* data, int size, int width, int height, int frameNo,
                         uint16_t videoType, bool output);

    // --- media relay (QuorixControlVpexSend.cpp, QuorixControlVpexRecv.cpp) ----
    int VpexEnterRoom(const char* userId, const char* userAgent, const HTTPACCESS_PROXY_CONFIG* proxy,
                      HTTPACCESS_CONNECTION_INFO* info = nullptr);
    int VpexConnect(int index, const char* userAgent, const HTTPACCESS_PROXY_CONFIG* proxy,
                    HTTPACCESS_CONNECTION_INFO* info);
    bool VpexSendSyncStartReq(int index);
    int VpexRecvSyncStartRes(int index);
    // One message read synchronously; the body (decrypted, the caller's, freed
    // with __free__) is null for a message without body.
    bool VpexRecvSync(int index, VPX_STD_PROT& header, uint8_t*& body);
    void VpexDisconnect();
    void VpexLeaveRoom() { VpexDisconnect(); }
    bool VpexIsEnterRoom() const;
    bool VpexSend(int index, uint32_t msgId, uint32_t target, uint32_t sender, const uint8_t* data, uint32_t length,
                  unsigned sendClass, bool clear);
    bool VpexSendSplit(int index, uint32_t msgId, uint32_t target, uint32_t sender, const uint8_t* data,
                       uint32_t length, unsigned sendClass, uint32_t footer, uint16_t pieceIndex, uint16_t pieceCount,
                       bool clear);
    int VpexSendBufferLength(int index, unsigned sendClass) override;
    void VpexSetBandwidth(int index, int kbps);
    static void _VpexSendAliveCheck(int index, void* self);
    void VpexSendAliveCheck(int index);
    bool VpexSendStartRep();
    bool VpexSendStopRep();
    bool VpexSendSyncPreInfo(int index);
    uint32_t VpexOwnClientId(int index) const;
    static void _VpexOnRecv(int index, uint8_t* packet, int size, void* self, int pieceIndex, int pieceCount);
    static void _VpexOnRecvError(int index, int code, int errorNo, const char* text, void* self);
    static void _VpexOnSendError(int index, int code, int errorNo, const char* text, void* self);
    void VpexOnRecv(int index, const uint8_t* packet, int size, int pieceIndex, int pieceCount);
    void VpexOnRecvNoData(int index, const VPX_STD_PROT& header);
    void VpexOnRecvWithData(int index, const VPX_STD_PROT& header, const uint8_t* body, uint32_t length,
                            int pieceIndex, int pieceCount);
    // Hands one decrypted body to its handler, which takes over the buffer.
    void VpexDispatch(int index, const VPX_STD_PROT& header, uint8_t* body, uint32_t length, int pieceIndex,
                      int pieceCount);
    void VpexOnRecvStart(int index, const uint8_t* body, uint32_t length);
    void VpexOnRecvStop(int index, const uint8_t* body, uint32_t length);
    void VpexOnRecvError(int index, int code, int errorNo, const char* text);
    void VpexOnSendError(int index, int code, int errorNo, const char* text);

    // --- relay audio and video (QuorixControlVpexMedia.cpp) ---------------------
    bool VpexSendVideo(const uint8_t* rgb, int width, int height, int frameRate, int mode, int flag);
    bool VpexSendVideoPacketMain(const uint8_t* rgb, int width, int height, int frameRate, int flag,
                                 bool rateFlag, int mode);
    bool VpexSendVideoPacketMobile(const uint8_t* rgb, int width, int height, int frameRate, int flag,
                                   bool rateFlag, int mode);
    bool VpexSendAudioPacket(const uint8_t* pcm, uint32_t bytes, double gain, int rate);
    bool VpexSendAudioPacketUseOpus(const uint8_t* pcm, uint32_t bytes, double gain, int rate);
    bool VpexSendAudioPacketUseGsm(const uint8_t* pcm, uint32_t bytes, double gain, int rate);
    bool VpexSendJitterCheck(uint32_t slot);
    // Each takes over the body.
    void VpexOnRecvAudio(uint32_t sender, uint8_t* body, uint32_t length);
    void VpexOnRecvVideo(uint32_t sender, uint8_t* body, uint32_t length);

    // --- relay text box, many-meeting, permission, cloud recording -------------
    // (QuorixControlVpexText.cpp)
    bool VpexSendTextBoxData(const char* block);
    bool VpexSendTextBoxActive(const char* userId, const char* userName);
    bool VpexSendManyMtgStartReq(const char* userId, const char* userName);
    bool VpexSendManyMtgStopSend(const char* userId, const char* userName);
    bool VpexSendManyMtgSpeakerListReq();
    bool VpexSendUserPermissionCmd(const char* senderUserId, const char* addresseeUserId, int command,
                                   int code, int functionFlags, int permitFlags);
    bool VpexSendCloudRecStart(const char* userId, const char* userName, const char* targetUserId, int first,
                               int second, const char* optionsJson);
    bool VpexSendCloudRecStop(const char* userId, const char* userName, const char* targetUserId, int first,
                              int second);
    void VpexOnRecvTextData(uint32_t ignored, const uint8_t* body, uint32_t length);
    void VpexOnRecvManyMtgCmd(uint32_t ignored, const uint8_t* body, uint32_t length);
    void VpexOnRecvUserPermissionCmd(uint32_t ignored, const uint8_t* body, uint32_t length);
    void VpexOnRecvFileData() {}

    // --- document sharing (QuorixControlDocShare.cpp) ---------------------------
    bool VpexSendDocShareData(const char* text);
    bool VpexSendStartDocShare();
    bool VpexSendStopDocShare();
    static int DSGetClientId(const char* text);
    void VpexOnRecvWebEscortData(uint32_t sender, const uint8_t* body, uint32_t length);
    void VpexOnRecvWebEscortCmd(uint32_t sender, const uint8_t* body, uint32_t length);

    // --- relay application sharing (QuorixControlVpexAS.cpp, QuorixControlASData.cpp)
    bool VpexSendASStart(uint16_t windowed, uint16_t shareType, uint16_t width, uint16_t height, uint16_t left,
                         uint16_t top, uint16_t right, uint16_t bottom, const char* sharerId, const char* sharerName,
                         const char* operatorId, const char* operatorName);
    bool VpexSendASStop(uint32_t kind, const char* userId, const char* userName);
    bool VpexSendASStartPermit(uint32_t value);
    bool VpexSendASCommand(int command, const char* text);
    bool VpexSendASControlReq(uint32_t kind, const char* userId, const char* userName);
    bool VpexSendASControlRes(uint32_t result, const char* userId, const char* userName);
    bool VpexSendASControlRet();
    bool VpexSendASControlChange(const char* userId, const char* userName);
    bool VpexSendASMousePointerEvent(uint16_t kind, uint16_t x, uint16_t y);
    bool VpexSendASMouseWheelEvent(uint32_t delta);
    bool VpexSendASClipboardText(const char* text, int length);
    bool VpexSendASKeyEvent(uint32_t key, uint32_t upDown);
    bool VpexSendASShowRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, const uint8_t* jpeg,
                            uint32_t jpegLength) override;
    bool VpexSendASChangeSize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) override;
    bool VpexSendASKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) override;
    bool VpexSendASData(const uint8_t* record, uint32_t length);
    bool VpexSendASCmd(const uint8_t* record, uint32_t length);
    // Receivers, on relay connection 3's receive thread.
    void VpexOnRecvASCmd(int index, const uint8_t* body, uint32_t length);
    // Joins one piece of an image record; the piece stays the caller's.
    void VpexOnRecvASData(int index, const uint8_t* piece, uint32_t length, int pieceIndex, int pieceCount);
    void VpexOnRecvAPShareStart(const uint8_t* data, uint32_t length);
    void VpexOnRecvAPShareStop(const uint8_t* data, uint32_t length);
    // Decoders of whole records, on the sharing transfer thread; body = the
    // record after its type and length, length = the body's bytes.
    void VpexOnRecvAPShareRect(const uint8_t* body, uint32_t length);
    void VpexOnRecvAPShareKeyFrame(const uint8_t* body);
    void VpexOnRecvAPShareChangeSize(const uint8_t* body);
    // Record reassembly: true when the piece completed a record whose end
    // mark is right; the record (__malloc__) then belongs to the caller.
    // With OnBufferASData this is also the way for tests to feed raw pieces
    // without threads (the logged-in flag set through QuorixControlTestPeer).
    bool ASDataCreatePacket(const uint8_t* piece, uint32_t length, uint16_t pieceIndex, uint16_t pieceCount,
                            uint8_t*& record, uint32_t& recordLength);
    bool ASDataEnsureBuffer(const uint8_t* piece, uint32_t length);
    static bool ASDataCheckFooter(const uint8_t* data, uint32_t length);
    bool ASDataBuildASPacket(const uint8_t* piece, uint32_t length);
    // No resynchronisation pending, index 0, no partly joined record.
    void ASDataReset();
    // The record dispatcher (the record stays the caller's) and the sharing
    // transfer thread's consumer (which frees the record).
    void OnBufferASData(const uint8_t* record, uint32_t length);
    static void _OnBufferASData(void* data, int size, void* self);

    // --- codecs ---------------------------------------------------------------
    bool CreateVideoCodec();
    void DeleteVideoCodec();
    void RemoveAllVideoDecoder();
    void MakeVideoDecoder(int index);
    void RemoveVideoDecoder(int index);
    bool CreateAudioCodec();
    void DeleteAudioCodec();
    static void _OnBufferPlayAudio(int32_t level, uint8_t* pcm, int32_t size, void* self);
    static void _OnSendAudioJitter(uint32_t slot, void* self);
    static void _OnAudioVolume(uint32_t slot, int32_t level, void* self);
    void InvertH264Send() {}
    void ReEncH264Send() {}

    // --- participant table -----------------------------------------------------
    void CreateParticipantInfo();
    void DeleteParticipantInfo();
    int InsertParticipantInfo(const PROT_DATA_USER_INFO_T& info);
    int IsExistsParticpant(const char* userId);  // table lock held by the caller
    int GetFreeParticipantIndex();               // table lock held by the caller
    bool CheckClientId(int index);
    int RemoveParticipantInfo(const char* userId);
    int SetClientId(int connection, const char* userId, uint32_t clientId);
    uint32_t GetClientId(int connection, const char* userId);
    int GetClientIndex(int connection, uint32_t clientId);
    int GetClientIndex(const char* userId);
    bool GetUserIdWithClientNo(int index, char userId[48]);
    bool GetUserIdWithClientId(int connection, uint32_t clientId, char userId[48]);
    bool hasSentStartRep(int index);
    void setSentStartRep(int index, bool sent);
    int getParticipantStatus(int index);
    void setParticipantStatus(int index, int status);

    // --- text helpers ------------------------------------------------------------
    static void ConvertCRorLFtoCRLF(const std::string& text, std::string& out);
    static void ConvertCRLFtoLF(const std::string& text, std::string& out);
    static size_t strlen_UTF_8(const char* text);
    static std::string URLDecode(const std::string& text);
    static std::string URLEncode(const std::string& text);
    static int hex2int(char c);
    static char int2hex(int v);
    static std::string cFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static std::string Trim(const std::string& text);
    static int GetContent(const std::string& text, const std::string& key, std::string& out, size_t start);
    static int GetContent2(const std::string& text, const std::string& key, std::string& out, size_t endPos,
                           size_t start);

protected:
    friend struct QuorixControlTestPeer;

    // A client's id on relay connection `index` became known (start reply or
    // start notice): completes its participant entry and, once complete, gives
    // it a decoder and a mixer slot. A null name is taken from the table.
    void VpexClientStarted(int index, uint32_t clientId, const char* userId, const char* userName);
    // The pieces of a sequence record queued together on the connection's send
    // thread; false (nothing queued) without send thread or when refused.
    bool VpexSendRecord(int index, uint32_t msgId, uint32_t target, uint32_t sender, const uint8_t* data,
                        uint32_t length, unsigned sendClass, uint32_t footer, uint16_t pieces, bool clear);
    // One whole message (header, body encrypted under the connection's lock,
    // trailer, footer) in a __malloc__ buffer of `total` bytes; null on failure.
    uint8_t* VpexBuildFrame(int index, uint32_t msgId, uint32_t target, uint32_t sender, const uint8_t* data,
                            uint32_t length, uint32_t footer, uint16_t pieceIndex, uint16_t pieceCount,
                            uint32_t& total);
    // Sends the header-only notice `msgId` on connections 0 to 4; false at the first failure.
    bool VpexSendNotice(uint32_t msgId);
    // A copy of a table entry; false for an index outside the table.
    bool GetParticipantEntry(int index, PARTICIPANT_INFO& entry);
    // Everything of a login attempt, torn down after a failed step.
    void TearDownLogin();
    // The relay connections' send and receive threads, connection 0 to 4.
    bool CreateVpexStreamThread();
    void DeleteVpexStreamThread();

    void LogConnectFailure(const char* host, uint32_t port, const char* label, int code, CSocketTCP* socket);
    void JoinedLine(int index);
    int FindClientIndex(int connection, uint32_t clientId);  // table lock held
    void RaiseEnterEvents(const CONF_ENTER_RES& res);
    // A participant holds the floor (enter reply or start of speech): table
    // entry, decoders and mixer slot once complete, start-of-speech event once.
    void ConfStartSpeaker(const PROT_DATA_USER_INFO_T& user);
    // Logs a received body too short or inconsistent for its id.
    static void ConfDropBroken(uint32_t msgId, uint32_t len);
    // Names the audio player's slot for a participant (when the player exists).
    void SetAudioPlayerUser(int index, const char* userId, const char* userName);

    // login data (filled by the login)
    char m_strUserId[256] = {};
    char m_strPassword[256] = {};
    char m_strUserName[256] = {};
    char m_strUserType[256] = {};
    int32_t m_nTopRoomId = 0;
    int32_t m_nRoomId = 0;
    bool m_bCamera = false;
    bool m_bMic = false;

    int32_t m_nConfCipherLevel = 0;
    char m_strConfHost[48] = {};
    uint32_t m_nConfPort = 0;
    CONF_RELAY_ADDR m_stVpexAddr[VPEX_CONNECTION_COUNT];
    char m_strOwnerId[48] = {};
    // Round mode (free messages): written by the free-message handler, read by
    // the leave handler, both on the conference receive thread.
    uint32_t m_nRoundMode = 0;
    bool m_bRoundModeNominated = false;

    CQuorixControlEvents* m_pOwner;

    int32_t m_nConnectType = CONNECT_DIRECT;
    int32_t m_nConnectionError = 0;

    // conference connection
    CSocketTCP* m_pSocketConf = nullptr;
    CThreadRecvConf* m_pThreadRecvConf = nullptr;
    CThreadSendConf* m_pThreadSendConf = nullptr;
    AES_INFO m_aesConf;
    CMutex m_mutexAesConf;  // held around every encryption and decryption with m_aesConf

    // relay connections (index N = relay connection N)
    CSocketTCP* m_pSocketVpex[VPEX_CONNECTION_COUNT] = {};
    CThreadRecvVpex* m_pThreadRecvVpex[VPEX_CONNECTION_COUNT] = {};
    CThreadSendVpex* m_pThreadSendVpex[VPEX_CONNECTION_COUNT] = {};
    AES_INFO m_aesVpex[VPEX_CONNECTION_COUNT];
    CMutex m_mutexAesVpex[VPEX_CONNECTION_COUNT];

    uint8_t m_LoginRes[CONF_LOGIN_RES_SIZE] = {};
    uint32_t m_nOwnClientId[VPEX_CONNECTION_COUNT] = {};

    // participant table
    PARTICIPANT_INFO* m_pParticipant = nullptr;
    CMutex m_mutexParticipant;
    uint32_t m_nParticipantMax = 0;  // slot count from the login options
    uint32_t m_nTableSize = 0;       // entries of the table of this login

    // codecs
    CVideoEncoder* m_pVideoEncoderMobile = nullptr;
    CVideoEncoder* m_pVideoEncoderMain = nullptr;
    std::map<int, CVideoDecoder*> m_mapVideoDecoderMain;
    std::map<int, CVideoDecoder*> m_mapVideoDecoderMobile;
    CMutex m_mutexDecoderMain;
    CMutex m_mutexDecoderMobile;
    GSMCodec* m_pGsmEncoder = nullptr;
    GSMCodec** m_ppGsmDecoder = nullptr;
    COpusEncoder* m_pOpusEncoder = nullptr;
    COpusDecoder** m_ppOpusDecoder = nullptr;
    CAudioPlayerThread* m_pAudioPlayer = nullptr;
    CEchoCtrl* m_pEchoCtrl = nullptr;
    CResampler* m_pResampler = nullptr;
    CResampler* m_pResamplerOutput = nullptr;
    uint32_t m_nCodecSlots = 0;  // decoder arrays' size, fixed per login

    bool m_bOpusMode = false;
    int32_t m_nOpusSamplingRate = 48000;
    int32_t m_nOpusBitrate = 32000;
    uint16_t m_nRoomRate = 32000;
    std::atomic<uint16_t> m_nOutputRate{32000};  // rate of the mix handed to the application

    // transfer threads for received media (started by the login)
    CVideoThreadTransferBuffer* m_pVideoTransfer = nullptr;
    CAudioThreadTransferBuffer* m_pAudioTransfer = nullptr;
    CThreadTransferBuffer* m_pASTransfer = nullptr;

    // sharing record reassembly (relay connection 3's receive thread only)
    bool m_bASResync = false;
    uint16_t m_nASExpectedPiece = 0;
    int32_t m_nASRecordLength = 0;
    int32_t m_nASJoined = 0;
    uint8_t* m_pASRecord = nullptr;
    // the record dispatcher's restorer and its lock
    CRestoreSplittedData* m_pASRestorer = nullptr;
    CMutex m_mutexASRestore;

    // room options of the login and runtime parameters
    int32_t m_nRoomCategory = 0;
    bool m_bSeminar = false;
    bool m_bManyMtg = false;
    uint8_t m_nManySpeaker = 0;
    char m_strRoomName[128] = {};
    char m_strRoomOwner[128] = {};
    int32_t m_nSamplingRateCode = 4;
    uint32_t m_nGsmPacketSize[2] = {};  // GSM sender sizes of sampling-rate codes 1 and 3
    uint32_t m_nGsmSwitchCount = 0;
    std::atomic<uint64_t> m_nVideoDispDelay{0};  // ms
    std::atomic<float> m_fSelfViewZoom{1.0f};

    // relay media senders: the GSM chunk of the sending thread and the time of
    // the last jitter report (ms, wall clock; 0 before the first)
    std::vector<uint8_t> m_gsmChunk;  // empty: no chunk started
    uint32_t m_nGsmChunkFree = 0;
    int32_t m_nGsmDrift = 0;
    std::atomic<uint64_t> m_nLastJitterTick{0};

    // Passed by every sender and media command; closed by the logout and by
    // the teardown of a failed login before anything they use is freed.
    CSessionGate m_sessionGate;
    std::atomic<bool> m_bLogin{false};
    std::atomic<bool> m_bErrorReported{false};
};
