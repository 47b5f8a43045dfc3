#include "control/ConfMessages.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/StringUtil.h"

bool ConfIdFits(const char* userId) {
    return userId != nullptr && strnlen(userId, CONF_TEXT_FIELD) < CONF_TEXT_FIELD;
}

std::vector<uint8_t> BuildConfIdBody(const char* userId) {
    if (!ConfIdFits(userId)) return {};
    std::vector<uint8_t> body(CONF_TEXT_FIELD, 0);
    std::memcpy(body.data(), userId, std::strlen(userId));
    return body;
}

std::string ConfFieldText(const uint8_t* field, size_t size) {
    const void* nul = std::memchr(field, 0, size);
    const size_t n = nul != nullptr ? size_t(static_cast<const uint8_t*>(nul) - field) : size;
    return std::string(reinterpret_cast<const char*>(field), n);
}

bool ConfTextToField(const std::string& text, uint8_t* field, size_t size) {
    std::memset(field, 0, size);
    if (text.empty()) return true;
    return UTF8ToUTF16(text.data(), int(text.size()), field, int(size));
}

std::string ConfFieldToText(const uint8_t* field, size_t bytes) {
    size_t units = 0;
    while (units < bytes / 2 && (field[2 * units] != 0 || field[2 * units + 1] != 0)) ++units;
    if (units == 0) return std::string();
    // A unit is at most three UTF-8 bytes (a surrogate pair, two units, four).
    std::vector<char> out(units * 3 + 1, 0);
    UTF16ToUTF8(field, int(units * 2), out.data(), int(out.size()));
    return std::string(out.data());
}

std::vector<uint8_t> BuildConfMessageBody(const char* userId, const char* senderName,
                                          const std::string& text) {
    if (!ConfIdFits(userId)) return {};
    std::vector<uint8_t> body(CONF_MESSAGE_SIZE, 0);
    std::memcpy(body.data(), userId, std::strlen(userId));
    CopyTextField(reinterpret_cast<char*>(body.data() + CONF_TEXT_FIELD), CONF_TEXT_FIELD, senderName);
    // A longer text is cut where the field ends, never inside a character.
    ConfTextToField(text, body.data() + CONF_MESSAGE_HEADER, CONF_MESSAGE_TEXT);
    return body;
}

bool ParseConfMessage(const uint8_t* body, size_t len, CONF_MESSAGE& out) {
    if (body == nullptr || len < CONF_MESSAGE_HEADER) return false;
    out.userId = ConfFieldText(body, CONF_TEXT_FIELD - 1);
    out.userName = ConfFieldText(body + CONF_TEXT_FIELD, CONF_TEXT_FIELD - 1);
    out.text = ConfFieldToText(body + CONF_MESSAGE_HEADER, len - CONF_MESSAGE_HEADER);
    return true;
}

std::vector<uint8_t> BuildConfClientInfoBody(int32_t kind, const char* version, const char* first,
                                             const char* second) {
    std::vector<uint8_t> body(CONF_CLIENT_INFO_SIZE, 0);
    PutLE32(body.data(), uint32_t(kind));
    const std::vector<std::string> parts = splitStr(version != nullptr ? version : "", ".");
    for (size_t i = 0; i < 3 && i < parts.size(); ++i)
        PutLE32(body.data() + 4 + 4 * i, uint32_t(std::atoi(parts[i].c_str())));
    CopyTextField(reinterpret_cast<char*>(body.data() + 16), 16, first);
    CopyTextField(reinterpret_cast<char*>(body.data() + 32), 32, second);
    return body;
}

bool BuildConfFreeMsgBody(const CONF_FREEMSG& m, std::vector<uint8_t>& body) {
    if (!ConfIdFits(m.userId.c_str()) || m.userId.size() != std::strlen(m.userId.c_str())) return false;
    std::vector<uint8_t> b(CONF_FREEMSG_SIZE, 0);
    PutLE32(b.data(), uint32_t(m.topRoomId));
    PutLE32(b.data() + 4, uint32_t(m.roomId));
    std::memcpy(b.data() + CONF_FREEMSG_USER, m.userId.data(), m.userId.size());
    CopyTextField(reinterpret_cast<char*>(b.data() + CONF_FREEMSG_NAME), CONF_TEXT_FIELD, m.userName.c_str());
    PutLE32(b.data() + CONF_FREEMSG_CODE, m.code);
    PutLE32(b.data() + CONF_FREEMSG_VALUE, uint32_t(m.value));
    // A cut text would hand the addressee a different request: refuse it.
    if (!ConfTextToField(m.text, b.data() + CONF_FREEMSG_TEXT, CONF_FREEMSG_TEXT_SIZE)) return false;
    body.swap(b);
    return true;
}

bool ParseConfFreeMsg(const uint8_t* body, size_t len, CONF_FREEMSG& out) {
    if (body == nullptr || len < CONF_FREEMSG_TEXT) return false;
    out.topRoomId = int32_t(GetLE32(body));
    out.roomId = int32_t(GetLE32(body + 4));
    out.userId = ConfFieldText(body + CONF_FREEMSG_USER, CONF_TEXT_FIELD - 1);
    out.userName = ConfFieldText(body + CONF_FREEMSG_NAME, CONF_TEXT_FIELD - 1);
    out.code = GetLE32(body + CONF_FREEMSG_CODE);
    out.value = int32_t(GetLE32(body + CONF_FREEMSG_VALUE));
    out.text =
        ConfFieldToText(body + CONF_FREEMSG_TEXT, std::min(len - CONF_FREEMSG_TEXT, CONF_FREEMSG_TEXT_SIZE));
    return true;
}

bool ParseConfReserveList(const uint8_t* body, size_t len, std::vector<PROT_DATA_USER_INFO_T>& out) {
    out.clear();
    if (body == nullptr || len < CONF_RESERVE_LIST_FIXED) return false;
    const int32_t count = int32_t(GetLE32(body));
    if (count <= 0) return true;
    if (uint64_t(count) * CONF_USER_INFO_SIZE > uint64_t(len - CONF_RESERVE_LIST_FIXED)) return false;
    out.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i)
        out.push_back(ReadUserInfo(body + CONF_RESERVE_LIST_FIXED + CONF_USER_INFO_SIZE * size_t(i)));
    std::stable_sort(out.begin(), out.end(),
                     [](const PROT_DATA_USER_INFO_T& a, const PROT_DATA_USER_INFO_T& b) {
                         return ConfCompareUserList(&a, &b) < 0;
                     });
    return true;
}

bool ParseConfBandwidth(const uint8_t* body, size_t len,
                        CONF_BANDWIDTH_ENTRY (&out)[CONF_BANDWIDTH_ENTRIES]) {
    if (body == nullptr || len < CONF_BANDWIDTH_SIZE) return false;
    for (size_t i = 0; i < CONF_BANDWIDTH_ENTRIES; ++i) {
        out[i].connection = int32_t(GetLE32(body + 8 * i));
        out[i].kbps = int32_t(GetLE32(body + 8 * i + 4));
    }
    return true;
}

namespace {

size_t Utf8Chars(const std::string& text) {
    size_t n = 0;
    for (const char c : text)
        if ((uint8_t(c) & 0xC0) != 0x80) ++n;
    return n;
}

// Appends a cell of `chars` characters: the text, then LF up to the width.
bool AppendCell(std::string& out, const std::string& text, size_t chars) {
    const size_t n = Utf8Chars(text);
    if (n > chars) return false;
    out += text;
    out.append(chars - n, '\n');
    return true;
}

}  // namespace

bool BuildQuestionnaireText(const char* question, int count, const char* const* choices, std::string& out) {
    if (question == nullptr || count < 0 || count > QUESTION_CHOICES || (count > 0 && choices == nullptr))
        return false;
    std::string text;
    if (!AppendCell(text, question, QUESTION_CELL)) return false;
    for (int i = 0; i < QUESTION_CHOICES; ++i) {
        if (i < count) {
            if (choices[i] == nullptr || !AppendCell(text, choices[i], CHOICE_CELL)) return false;
        } else {
            text.append(CHOICE_CELL, '\n');
        }
    }
    out.swap(text);
    return true;
}

namespace {

// The next cell of `chars` characters from `pos` on, without its LF padding.
std::string TakeCell(const std::string& text, size_t& pos, size_t chars) {
    const size_t start = pos;
    size_t n = 0;
    while (pos < text.size()) {
        if ((uint8_t(text[pos]) & 0xC0) != 0x80) {
            if (n == chars) break;
            ++n;
        }
        ++pos;
    }
    size_t end = pos;
    while (end > start && text[end - 1] == '\n') --end;
    return text.substr(start, end - start);
}

}  // namespace

void ParseQuestionnaireText(const std::string& text, std::string& question,
                            std::vector<std::string>& choices) {
    // Read cell by cell: a question or choice that fills its whole cell has no
    // padding after it, so splitting at LF would join it to the next cell.
    size_t pos = 0;
    question = TakeCell(text, pos, QUESTION_CELL);
    choices.clear();
    for (int i = 0; i < QUESTION_CHOICES && pos < text.size(); ++i) {
        std::string choice = TakeCell(text, pos, CHOICE_CELL);
        if (!choice.empty()) choices.push_back(std::move(choice));
    }
}

void ParseWindowSync(const std::string& text, std::string& first, std::string& second, std::string& third) {
    first.clear();
    second.clear();
    third.clear();
    const size_t a = text.find(':');
    first = text.substr(0, a);
    if (a == std::string::npos) return;
    const size_t b = text.find(':', a + 1);
    second = text.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
    if (b != std::string::npos) third = text.substr(b + 1);
}

uint32_t LeadingNumber(const std::string& text) {
    uint64_t n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') break;
        n = n * 10 + uint64_t(c - '0');
        if (n > UINT32_MAX) return UINT32_MAX;
    }
    return uint32_t(n);
}

std::vector<std::string> splitStr(const std::string& text, const std::string& separator) {
    if (text.empty() || separator.empty()) return {text};
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t at = text.find(separator, start);
        const size_t end = at == std::string::npos ? text.size() : at;
        if (end > start) pieces.push_back(text.substr(start, end - start));
        if (at == std::string::npos) break;
        start = at + separator.size();
    }
    return pieces;
}
