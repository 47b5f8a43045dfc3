// The bridge's room commands: each hands its values to the core's function
// of the same name, texts as UTF-8.
#include <string>
#include <vector>

#include "interface/QuorixCoreAPI.h"
#include "session/Quorix.h"

namespace {

std::string u8(const QString& text) {
    return text.toStdString();
}

}  // namespace

bool Quorix::StartSpeech() {
    return QuorixCoreStartSpeech();
}
bool Quorix::StopSpeech() {
    return QuorixCoreStopSpeech();
}
bool Quorix::ChangeOwner(const QString& userId) {
    return QuorixCoreChangeOwner(u8(userId).c_str());
}
bool Quorix::ForceLeave(const QString& userId) {
    return QuorixCoreForceLeave(u8(userId).c_str());
}
bool Quorix::SpeechReserve() {
    return QuorixCoreSpeechReserve();
}
bool Quorix::SpeechReserveCancel(const QString& userId) {
    return QuorixCoreSpeechReserveCancel(u8(userId).c_str());
}
bool Quorix::SpeechNominate(int kind, const QString& userId) {
    return QuorixCoreSpeechNominate(kind, u8(userId).c_str());
}
bool Quorix::SpeechEnd(const QString& userId) {
    return QuorixCoreSpeechEnd(u8(userId).c_str());
}

bool Quorix::SendMessage(const QString& userId, const QString& message) {
    return QuorixCoreSendMessage(u8(userId).c_str(), u8(message).c_str());
}
bool Quorix::SendFreeMessage(uint32_t code, const QString& userId) {
    return QuorixCoreSendFreeMessage(code, u8(userId).c_str());
}
bool Quorix::SendFreeMessageData(uint32_t code, const QString& userId, int value, const QString& text) {
    return QuorixCoreSendFreeMessageData(code, u8(userId).c_str(), value, u8(text).c_str());
}

bool Quorix::StartQuestionnaire(const QString& userId, const QString& question, bool anonymous,
                                bool multiSelect, const QStringList& choices) {
    std::vector<std::string> texts;
    texts.reserve(size_t(choices.size()));
    for (const QString& c : choices) texts.push_back(u8(c));
    std::vector<const char*> pointers;
    for (const std::string& t : texts) pointers.push_back(t.c_str());
    return QuorixCoreStartQuestionnaire(u8(userId).c_str(), u8(question).c_str(), anonymous, multiSelect,
                                        int(pointers.size()), pointers.data());
}
bool Quorix::ReceivedQuestionnaire(const QString& userId, const QString& text) {
    return QuorixCoreReceivedQuestionnaire(u8(userId).c_str(), u8(text).c_str());
}
bool Quorix::StopQuestionnaire(const QString& userId) {
    return QuorixCoreStopQuestionnaire(u8(userId).c_str());
}
bool Quorix::AnswerQuestionnaire(const QString& userId, int answer, const QString& text) {
    return QuorixCoreAnswerQuestionnaire(u8(userId).c_str(), answer, u8(text).c_str());
}

bool Quorix::SendVideo(const uint8_t* pixels, int size, int width, int height, int frameRate, int optionA,
                       int optionB) {
    return QuorixCoreSendVideo(pixels, size, width, height, frameRate, optionA, optionB);
}
bool Quorix::SendAudio(const QByteArray& pcm, double boost, int samplingRate) {
    return QuorixCoreSendAudio(reinterpret_cast<const uint8_t*>(pcm.constData()), uint32_t(pcm.size()), boost,
                               samplingRate);
}
bool Quorix::SetDstAudioSampleRate(int rate) {
    return QuorixCoreSetDstAudioSampleRate(uint16_t(rate));
}
bool Quorix::SendTextBoxData(const QByteArray& block) {
    return QuorixCoreSendTextBoxData(block.constData());
}
bool Quorix::SendTextBoxActive(const QString& userId, const QString& userName) {
    return QuorixCoreSendTextBoxActive(u8(userId).c_str(), u8(userName).c_str());
}
bool Quorix::SendDocShareData(const QString& block) {
    return QuorixCoreSendDocShareData(u8(block).c_str());
}
bool Quorix::StartDocShare() {
    return QuorixCoreStartDocShare();
}
bool Quorix::StopDocShare() {
    return QuorixCoreStopDocShare();
}
bool Quorix::ManyMtgStartReq(const QString& userId, const QString& userName) {
    return QuorixCoreManyMtgStartReq(u8(userId).c_str(), u8(userName).c_str());
}
bool Quorix::ManyMtgStopSend(const QString& userId, const QString& userName) {
    return QuorixCoreManyMtgStopSend(u8(userId).c_str(), u8(userName).c_str());
}
bool Quorix::SendUserPermissionCmd(const QString& fromId, const QString& toId, int cmd, int code,
                                   int funcFlags, int permitFlags) {
    return QuorixCoreSendUserPermissionCmd(u8(fromId).c_str(), u8(toId).c_str(), cmd, code, funcFlags,
                                           permitFlags);
}
bool Quorix::SendCloudRecStart(const QString& userId, const QString& userName, const QString& text, int d,
                               int e, const QString& option) {
    return QuorixCoreSendCloudRecStart(u8(userId).c_str(), u8(userName).c_str(), u8(text).c_str(), d, e,
                                       u8(option).c_str());
}

bool Quorix::APShareSendCommand(int command, const QString& text) {
    return QuorixCoreAPShareSendCommand(command, u8(text).c_str());
}
bool Quorix::ASSendStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                         uint16_t top, uint16_t right, uint16_t bottom, const QString& sharerId,
                         const QString& sharerName, const QString& operatorId, const QString& operatorName) {
    return QuorixCoreASSendStart(first, stype, width, height, left, top, right, bottom, u8(sharerId).c_str(),
                                 u8(sharerName).c_str(), u8(operatorId).c_str(), u8(operatorName).c_str());
}
bool Quorix::ASSendStop(uint32_t kind, const QString& userId, const QString& userName) {
    return QuorixCoreASSendStop(kind, u8(userId).c_str(), u8(userName).c_str());
}
bool Quorix::ASSendControlReq(uint32_t kind, const QString& userId, const QString& userName) {
    return QuorixCoreASSendControlReq(kind, u8(userId).c_str(), u8(userName).c_str());
}
bool Quorix::ASSendControlRes(uint32_t result, const QString& userId, const QString& userName) {
    return QuorixCoreASSendControlRes(result, u8(userId).c_str(), u8(userName).c_str());
}
bool Quorix::ASSendControlRet() {
    return QuorixCoreASSendControlRet();
}
bool Quorix::ASSendMousePointerEvent(uint16_t kind, uint16_t x, uint16_t y) {
    return QuorixCoreASSendMousePointerEvent(kind, x, y);
}
bool Quorix::ASSendMouseWheelEvent(int delta) {
    return QuorixCoreASSendMouseWheelEvent(uint32_t(delta));
}
bool Quorix::ASSendKeyEvent(uint32_t key, uint32_t upDown) {
    return QuorixCoreASSendKeyEvent(key, upDown);
}
bool Quorix::ASSendClipboardText(const QByteArray& text) {
    return QuorixCoreASSendClipboardText(text.constData(), int(text.size()));
}
bool Quorix::ASSendShowRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                            const uint8_t* pixels) {
    return QuorixCoreASSendShowRect(left, top, right, bottom, pixels);
}
bool Quorix::ASSendKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    return QuorixCoreASSendKeyFrame(left, top, right, bottom);
}
bool Quorix::ASSendChangeSize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    return QuorixCoreASSendChangeSize(left, top, right, bottom);
}
