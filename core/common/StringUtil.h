// Conversion between the UTF-8 of the function interface and the UTF-16LE of
// the protocol fields. Each function converts at most sourceBytes of source
// into at most destinationBytes of destination, stopping at the end of the
// source, at an invalid or incomplete sequence or when the destination is
// full (never inside a character). The destination bytes after the converted
// text are set to zero, so the output is terminated whenever the destination
// is larger than the text; nothing is written beyond destinationBytes.
// Each returns true only when the whole source was converted; when no
// converter exists for the pair, the destination is left empty (all zero)
// and the result is false.
#pragma once

#include <iconv.h>

#include <string>

bool UTF8ToUTF16(const void* source, int sourceBytes, void* destination, int destinationBytes);
bool UTF16ToUTF8(const void* source, int sourceBytes, void* destination, int destinationBytes);
bool UTF8ToSJIS(const void* source, int sourceBytes, void* destination, int destinationBytes);
bool SJISToUTF8(const void* source, int sourceBytes, void* destination, int destinationBytes);

// The same conversion between any two encodings the platform knows.
bool ConvertEncoding(const char* from, const char* to, const void* source, int sourceBytes, void* destination,
                     int destinationBytes);
// One conversion step with a converter the caller opened; true when the
// whole source was converted. Writes no terminator.
bool ConverString(iconv_t converter, const void* source, int sourceBytes, void* destination,
                  int destinationBytes);

// At most 1023 characters.
std::string cFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
