// Joining numbered pieces into a buffer of known size.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datamanager/APShareRestorer.h"
#include "datamanager/RestoreSplittedData.h"

namespace {

struct Store {
    int length;
    int pieceNo;
    int result;
    const char* reason;  // nullptr: not checked
};

TEST(RestoreSplittedData, StoresAndErrors) {
    const std::vector<uint8_t> bytes(200, 0xAB);
    struct Case {
        const char* name;
        int total, pieces;
        std::vector<Store> stores;
    } cases[] = {
        {"uncounted",
         100,
         0,
         {{60, 0, 40, nullptr},
          {40, 0, 0, nullptr},
          {1, 0, -4, "BufferOverflow:0/0 total:100 as 1 + 100 = 101"},
          {1, 0, -3, nullptr}}},
        {"counted", 100, 3, {{30, 0, 2, nullptr}, {30, 1, 1, nullptr}, {40, 2, 0, nullptr}}},
        {"counted, out of order",
         100,
         2,
         {{10, 1, -1, "Illegal Number: miNo/miTotal:0/2, as iNo:1"},
          {10, 0, -2, nullptr},
          {10, 1, -2, nullptr}}},
        {"counted, short last piece",
         100,
         2,
         {{30, 0, 1, nullptr}, {30, 1, -5, "Insuffitient Data:1/2 total:100 as 60"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRestoreSplittedData r;
        EXPECT_EQ(r.store(bytes.data(), 1, 0), -3);
        ASSERT_TRUE(r.start(c.total, c.pieces));
        for (const Store& s : c.stores) {
            EXPECT_EQ(r.store(bytes.data(), s.length, s.pieceNo), s.result);
            if (s.reason != nullptr) {
                EXPECT_STREQ(r.getErrorReason(), s.reason);
            }
        }
    }
    CRestoreSplittedData r;
    ASSERT_TRUE(r.start(10, 0));
    EXPECT_EQ(r.store(nullptr, 4, 0), -6);
    EXPECT_EQ(r.store(bytes.data(), 10, 0), 0);
    EXPECT_EQ(r.getDataSize(), 10);
    EXPECT_EQ(std::vector<uint8_t>(r.getData(), r.getData() + 10), std::vector<uint8_t>(10, 0xAB));
}

TEST(APShareRestorer, FooterCheckAndDecodeSize) {
    std::vector<uint8_t> data(12, 0);
    data[8] = 0xEF, data[9] = 0xF9, data[10] = 0xD1, data[11] = 0x13;
    CAPShareRestorer r;
    EXPECT_EQ(r.start(12, 0, 0, 0, 9, 4, true, 0x13D1F9EF, 5), 5);
    EXPECT_EQ(r.store(data.data(), 12, 0), 0);
    EXPECT_EQ(r.start(12, 0, 0, 0, 9, 4, true, 0x11111111, 4), 4);
    EXPECT_EQ(r.store(data.data(), 12, 0), -101);
    EXPECT_STREQ(r.getErrorReason(), "Invalid footer 332528111 vs 286331153");
    // A format other than JPEG sizes the pixels without decoding: (9 + 1) / 2 x (4 + 1) / 2 x 4.
    r.start(12, 0, 0, 0, 9, 4, false, 0, 5);
    EXPECT_EQ(r.decompress(3, 2, 1, 1, 2), 0);
    EXPECT_EQ(r.getBitmapSize(), 5 * 2 * 4);
    // Bytes that are no JPEG fail to decode.
    r.start(12, 0, 1, 2, 3, 4, false, 0, 4);
    EXPECT_EQ(r.store(data.data(), 12, 0), 0);
    EXPECT_EQ(r.decompress(3, 2, 1, 1, 1), -1);
    uint16_t left, top, right, bottom;
    r.getBitmapRect(left, top, right, bottom);
    EXPECT_EQ(left + top + right + bottom, 10);
}

}  // namespace
