#include "common/StringUtil.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {
size_t Bytes(int count) {
    return count > 0 ? static_cast<size_t>(count) : 0;
}
}  // namespace

bool ConverString(iconv_t converter, const void* source, int sourceBytes, void* destination,
                  int destinationBytes) {
    if (source == nullptr || destination == nullptr) return false;
    char* in = const_cast<char*>(static_cast<const char*>(source));
    size_t inLeft = Bytes(sourceBytes);
    char* out = static_cast<char*>(destination);
    size_t outLeft = Bytes(destinationBytes);
    const size_t rc = iconv(converter, &in, &inLeft, &out, &outLeft);
    return rc != static_cast<size_t>(-1) && inLeft == 0;
}

bool ConvertEncoding(const char* from, const char* to, const void* source, int sourceBytes, void* destination,
                     int destinationBytes) {
    if (destination == nullptr) return false;
    char* out = static_cast<char*>(destination);
    const size_t outSize = Bytes(destinationBytes);
    const iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        // Raw bytes of the wrong encoding would reach the peer: leave the
        // destination empty instead.
        memset(out, 0, outSize);
        return false;
    }
    char* in = const_cast<char*>(static_cast<const char*>(source));
    size_t inLeft = source != nullptr ? Bytes(sourceBytes) : 0;
    char* cursor = out;
    size_t outLeft = outSize;
    const size_t rc = iconv(converter, &in, &inLeft, &cursor, &outLeft);
    iconv_close(converter);
    memset(cursor, 0, outLeft);
    return source != nullptr && rc != static_cast<size_t>(-1) && inLeft == 0;
}

bool UTF8ToUTF16(const void* source, int sourceBytes, void* destination, int destinationBytes) {
    return ConvertEncoding("UTF-8", "UTF-16LE", source, sourceBytes, destination, destinationBytes);
}

bool UTF16ToUTF8(const void* source, int sourceBytes, void* destination, int destinationBytes) {
    return ConvertEncoding("UTF-16LE", "UTF-8", source, sourceBytes, destination, destinationBytes);
}

bool UTF8ToSJIS(const void* source, int sourceBytes, void* destination, int destinationBytes) {
    return ConvertEncoding("UTF-8", "CP932", source, sourceBytes, destination, destinationBytes);
}

bool SJISToUTF8(const void* source, int sourceBytes, void* destination, int destinationBytes) {
    return ConvertEncoding("CP932", "UTF-8", source, sourceBytes, destination, destinationBytes);
}

std::string cFormat(const char* format, ...) {
    char text[1024] = {};
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return std::string(text);
}
