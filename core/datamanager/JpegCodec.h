// JPEG coding of shared-screen rectangles over TurboJPEG. Each thread keeps
// its own compressor and decompressor, so any number of codings may run at
// once. Colour-space codes (bytes per pixel; what compression reads, what
// decompression writes):
//   0  3  blue, green, red       | red, green, blue
//   1  3  red, green, blue       | blue, green, red
//   2  4  blue, green, red, -    | red, green, blue, 255
//   3  4  red, green, blue, -    | blue, green, red, 255
#pragma once

#include <cstddef>
#include <cstdint>

// 4 for codes 2 and 3, else 3.
inline int JpegBytesPerPixel(int colourSpace) {
    return colourSpace == 2 || colourSpace == 3 ? 4 : 3;
}

// The largest JPEG that compression of a width x height picture can give
// (the library's own bound); 0 for a size it cannot code.
size_t JpegCompressBound(int width, int height);

// Codes `height` rows of `width` pixels (rows `pitch` bytes apart; 0 means
// packed: width x 4 for codes 2 and 3, width x 3 rounded up to a multiple of 4
// for codes 0 and 1) as a baseline JPEG with 4:2:0 chroma and the fast
// integer DCT. With bottomUp the JPEG's first row is the source's last row.
// The JPEG is written into destination, which must hold JpegCompressBound
// bytes (a smaller destinationSize fails), and its length stored in
// outLength. False for a quality outside 0..100 or any coding error.
bool JpegCompress(const uint8_t* source, int width, int height, int colourSpace, bool bottomUp,
                  uint8_t* destination, size_t destinationSize, size_t* outLength, int quality,
                  int pitch = 0);

// Decodes sourceLength bytes of JPEG, scaled by scaleNum / scaleDenom, into
// destination as packed rows of the code's pixels (orientation 2: the first
// decoded row becomes the destination's last). outWidth and outHeight (when
// given) receive the decoded size, outLength the bytes written. 0 on success;
// -1 for a damaged or truncated JPEG, an unsupported scale, or a picture that
// does not fit into destinationSize bytes (nothing is written beyond them).
// A code above 3 writes nothing.
int JpegDecompress(const uint8_t* source, size_t sourceLength, uint8_t* destination, size_t destinationSize,
                   size_t* outLength, int* outWidth, int* outHeight, int colourSpace, int orientation,
                   int scaleNum, int scaleDenom);
int JpegDecompress(const uint8_t* source, size_t sourceLength, uint8_t* destination, size_t destinationSize,
                   size_t* outLength, int colourSpace, int orientation, int scaleNum, int scaleDenom);

// The size of a JPEG's picture; false when its header cannot be read.
bool JpegPictureSize(const uint8_t* source, size_t sourceLength, int* width, int* height);
