#include "datamanager/JpegCodec.h"

#include <turbojpeg.h>

#include <climits>

namespace {

// One compressor and one decompressor per thread, made on first use.
class Handles {
public:
    ~Handles() {
        if (m_compress != nullptr) tjDestroy(m_compress);
        if (m_decompress != nullptr) tjDestroy(m_decompress);
    }
    tjhandle Compress() {
        if (m_compress == nullptr) m_compress = tjInitCompress();
        return m_compress;
    }
    tjhandle Decompress() {
        if (m_decompress == nullptr) m_decompress = tjInitDecompress();
        return m_decompress;
    }

private:
    tjhandle m_compress = nullptr;
    tjhandle m_decompress = nullptr;
};

thread_local Handles t_handles;

int CompressFormat(int colourSpace) {
    switch (colourSpace) {
        case 0:
            return TJPF_BGR;
        case 1:
            return TJPF_RGB;
        case 2:
            return TJPF_BGRX;
        case 3:
            return TJPF_RGBX;
        default:
            return -1;
    }
}

// Decoded byte orders: the reverse of what compression reads, alpha 255.
int DecompressFormat(int colourSpace) {
    switch (colourSpace) {
        case 0:
            return TJPF_RGB;
        case 1:
            return TJPF_BGR;
        case 2:
            return TJPF_RGBA;
        case 3:
            return TJPF_BGRA;
        default:
            return -1;
    }
}

}  // namespace

size_t JpegCompressBound(int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    const unsigned long bound = tjBufSize(width, height, TJSAMP_420);
    return bound == static_cast<unsigned long>(-1) ? 0 : size_t(bound);
}

bool JpegCompress(const uint8_t* source, int width, int height, int colourSpace, bool bottomUp,
                  uint8_t* destination, size_t destinationSize, size_t* outLength, int quality, int pitch) {
    if (quality < 0 || quality > 100) return false;
    const int format = CompressFormat(colourSpace);
    if (source == nullptr || destination == nullptr || format < 0 || width <= 0 || height <= 0) return false;
    if (pitch == 0) {
        const long packed = colourSpace >= 2 ? long(width) * 4 : (long(width) * 3 + 3) / 4 * 4;
        if (packed > INT_MAX) return false;
        pitch = int(packed);
    }
    // The library writes up to its own bound whatever size it is told.
    if (destinationSize < JpegCompressBound(width, height)) return false;
    tjhandle h = t_handles.Compress();
    if (h == nullptr) return false;
    unsigned char* out = destination;
    unsigned long size = destinationSize;
    const int flags = TJFLAG_NOREALLOC | TJFLAG_FASTDCT | (bottomUp ? TJFLAG_BOTTOMUP : 0);
    if (tjCompress2(h, source, width, pitch, height, format, &out, &size, TJSAMP_420, quality, flags) != 0)
        return false;
    if (outLength != nullptr) *outLength = size;
    return true;
}

bool JpegPictureSize(const uint8_t* source, size_t sourceLength, int* width, int* height) {
    if (source == nullptr || sourceLength == 0 || sourceLength > ULONG_MAX) return false;
    tjhandle h = t_handles.Decompress();
    int w = 0, hgt = 0, subsamp = 0, colourspace = 0;
    if (h == nullptr || tjDecompressHeader3(h, source, static_cast<unsigned long>(sourceLength), &w, &hgt,
                                            &subsamp, &colourspace) != 0)
        return false;
    if (width != nullptr) *width = w;
    if (height != nullptr) *height = hgt;
    return true;
}

int JpegDecompress(const uint8_t* source, size_t sourceLength, uint8_t* destination, size_t destinationSize,
                   size_t* outLength, int* outWidth, int* outHeight, int colourSpace, int orientation,
                   int scaleNum, int scaleDenom) {
    int width = 0, height = 0;
    if (!JpegPictureSize(source, sourceLength, &width, &height)) return -1;
    // Only the scales the library offers.
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    bool supported = false;
    for (int i = 0; factors != nullptr && i < count; ++i)
        supported |= long(factors[i].num) * scaleDenom == long(factors[i].denom) * scaleNum && scaleDenom > 0;
    if (!supported) return -1;
    const tjscalingfactor factor{scaleNum, scaleDenom};
    const int w = TJSCALED(width, factor);
    const int h = TJSCALED(height, factor);
    if (outWidth != nullptr) *outWidth = w;
    if (outHeight != nullptr) *outHeight = h;
    const int format = DecompressFormat(colourSpace);
    if (format < 0) {
        if (outLength != nullptr) *outLength = 0;
        return 0;
    }
    const size_t row = size_t(w) * size_t(JpegBytesPerPixel(colourSpace));
    const size_t total = row * size_t(h);
    if (destination == nullptr || total > destinationSize || row > size_t(INT_MAX)) return -1;
    const int flags = TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE | TJFLAG_STOPONWARNING |
                      (orientation == 2 ? TJFLAG_BOTTOMUP : 0);
    if (tjDecompress2(t_handles.Decompress(), source, static_cast<unsigned long>(sourceLength), destination,
                      w, int(row), h, format, flags) != 0)
        return -1;
    if (outLength != nullptr) *outLength = total;
    return 0;
}

int JpegDecompress(const uint8_t* source, size_t sourceLength, uint8_t* destination, size_t destinationSize,
                   size_t* outLength, int colourSpace, int orientation, int scaleNum, int scaleDenom) {
    return JpegDecompress(source, sourceLength, destination, destinationSize, outLength, nullptr, nullptr,
                          colourSpace, orientation, scaleNum, scaleDenom);
}
