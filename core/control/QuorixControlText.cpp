// Text helpers shared by the message builders and parsers.
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "control/QuorixControl.h"

void CQuorixControl::ConvertCRorLFtoCRLF(const std::string& text, std::string& out) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
}

void CQuorixControl::ConvertCRLFtoLF(const std::string& text, std::string& out) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
}

size_t CQuorixControl::strlen_UTF_8(const char* text) {
    if (text == nullptr) return 0;
    size_t n = 0;
    for (const char* p = text; *p; ++p)
        if ((uint8_t(*p) & 0xC0) != 0x80) ++n;
    return n;
}

int CQuorixControl::hex2int(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char CQuorixControl::int2hex(int v) {
    if (v >= 0 && v <= 9) return char('0' + v);
    if (v >= 10 && v <= 15) return char('a' + v - 10);
    return 0;
}

std::string CQuorixControl::URLDecode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            const int hi = i + 1 < text.size() ? hex2int(text[i + 1]) : -1;
            const int lo = i + 2 < text.size() ? hex2int(text[i + 2]) : -1;
            if (hi < 0 || lo < 0) break;  // decoding stops at a broken escape
            out += char(hi << 4 | lo);
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string CQuorixControl::URLEncode(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const uint8_t b = uint8_t(c);
        if ((b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z')) {
            out += c;
        } else if (b == ' ') {
            out += '+';
        } else {
            out += '%';
            out += int2hex(b >> 4);
            out += int2hex(b & 0x0F);
        }
    }
    return out;
}

std::string CQuorixControl::cFormat(const char* format, ...) {
    std::vector<char> buf(1024);
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buf.data(), buf.size(), format, args);
    va_end(args);
    if (n < 0) return std::string();
    if (size_t(n) >= buf.size()) {
        buf.resize(size_t(n) + 1);
        va_start(args, format);
        n = std::vsnprintf(buf.data(), buf.size(), format, args);
        va_end(args);
        if (n < 0) return std::string();
    }
    return std::string(buf.data(), size_t(n));
}

std::string CQuorixControl::Trim(const std::string& text) {
    static const char* const kBlank = "\t\n\r ";
    const size_t first = text.find_first_not_of(kBlank);
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(kBlank);
    return text.substr(first, last - first + 1);
}

int CQuorixControl::GetContent(const std::string& text, const std::string& key, std::string& out,
                               size_t start) {
    if (start > text.size()) return -1;
    const size_t at = text.find(key, start);
    if (at == std::string::npos) return -1;
    const size_t valueStart = at + key.size();
    const size_t lineEnd = text.find("\r\n", valueStart);
    if (lineEnd == std::string::npos) {
        out = Trim(text.substr(valueStart));
        return -1;
    }
    out = Trim(text.substr(valueStart, lineEnd - valueStart));
    return int(lineEnd + 2);
}

int CQuorixControl::GetContent2(const std::string& text, const std::string& key, std::string& out,
                                size_t endPos, size_t start) {
    if (start > text.size()) return -1;
    const size_t at = text.find(key, start);
    if (at == std::string::npos) return -1;
    const size_t valueStart = at + key.size();
    const size_t limit = endPos < text.size() ? endPos : text.size();
    if (limit == 0) return -1;
    const size_t lineEnd = text.find_last_of("\r\n", limit - 1);
    if (lineEnd == std::string::npos) return -1;
    // The block ends with CR LF CR LF: the value stops three bytes before the last line end.
    const size_t valueEnd = lineEnd >= valueStart + 3 ? lineEnd - 3 : valueStart;
    out = text.substr(valueStart, valueEnd - valueStart);
    return int(lineEnd + 2);
}
