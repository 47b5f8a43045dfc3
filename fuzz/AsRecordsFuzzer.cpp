// Application sharing on the viewer's side: the pieces of image records as
// relay connection 3 delivers them, joined (with the resynchronisation after
// a lost or broken piece) into records that the record dispatcher decodes
// (rectangle pictures, key frames, size changes); the sharing command records;
// and the rectangle restorer that joins and decodes one picture.
//
// Input: a byte of options, then pieces, each a u16 length (little-endian),
// a byte whose lowest bit skips a piece number, and the piece's bytes.
#include <cstddef>
#include <cstdint>

#include "FuzzControl.h"
#include "datamanager/APShareRestorer.h"

namespace {

struct Piece {
    const uint8_t* data;
    uint32_t length;
    bool skip;
};

// The pieces of the input after its first byte; at most 64.
int Split(const uint8_t* data, size_t size, Piece* pieces) {
    int count = 0;
    size_t at = 1;
    while (count < 64 && at + 3 <= size) {
        const size_t length = size_t(data[at] | data[at + 1] << 8);
        const bool skip = (data[at + 2] & 1) != 0;
        at += 3;
        const size_t n = length < size - at ? length : size - at;
        pieces[count++] = {data + at, uint32_t(n), skip};
        at += n;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    CQuorixControl& control = quorix::fuzz::LoggedInControl();
    Piece pieces[64];
    const int count = Split(data, size, pieces);

    // The relay's pieces joined into records, each record dispatched.
    control.ASDataReset();
    uint16_t number = 0;
    for (int i = 0; i < count; ++i) {
        if (pieces[i].skip) ++number;
        uint8_t* record = nullptr;
        uint32_t length = 0;
        if (control.ASDataCreatePacket(pieces[i].data, pieces[i].length, number++, uint16_t(count), record,
                                       length)) {
            control.OnBufferASData(record, length);
            __free__(record);
        }
    }
    // Each piece as a whole record and as a sharing command record.
    for (int i = 0; i < count; ++i) {
        control.OnBufferASData(pieces[i].data, pieces[i].length);
        control.VpexOnRecvASCmd(3, pieces[i].data, pieces[i].length);
    }

    // A sharing start among the commands has begun the sharing transfer thread.
    control.DeleteDataBufferThread();

    // One picture restored from the pieces and decoded; the options byte
    // chooses the footer check, colour space and scale.
    if (count > 1 && pieces[0].length >= 8) {
        const uint8_t* head = pieces[0].data;
        const uint16_t right = uint16_t(head[0] | head[1] << 8) % 4096,
                       bottom = uint16_t(head[2] | head[3] << 8) % 4096;
        int total = 0;
        for (int i = 1; i < count; ++i) total += int(pieces[i].length);
        CAPShareRestorer restorer;
        const uint8_t options = data[0];
        if (restorer.start(total + (options & 0x10 ? 1 : 0), count - 1, 0, 0, right, bottom,
                           (options & 1) != 0, 0x13D1F9EF, 4) >= 0) {
            int rc = 1;
            for (int i = 1; i < count && rc > 0; ++i)
                rc = restorer.store(pieces[i].data, int(pieces[i].length), i - 1);
            if (rc == 0) {
                restorer.decompress((options >> 1) & 3, 0, 1, 1 + ((options >> 3) & 1),
                                    1 + ((options >> 5) & 1));
                quorix::fuzz::TouchBytes(restorer.getBitmap(), restorer.getBitmapSize());
            }
        }
    }
    return 0;
}
