#include "PagePicture.h"

#include <cstdint>
#include <vector>

#include "PictureLabel.h"
#include "fixtures/VideoPattern.h"

namespace demo_room {

namespace {
void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xff));
}
void Put16(std::string& out, uint16_t v) {
    out.push_back(char(v & 0xff));
    out.push_back(char(v >> 8));
}
}  // namespace

std::string MakePageBmp(int page, int width, int height) {
    std::vector<uint8_t> rgb = MakeVideoPattern(width, height, page * 40);
    DrawLabel(rgb, width, height, width / 8, height / 3, width / 60, "PAGE " + std::to_string(page + 1));
    const uint32_t row = uint32_t((width * 3 + 3) & ~3);
    const uint32_t size = row * uint32_t(height);
    std::string out = "BM";
    Put32(out, 54 + size);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);  // the information header
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(height));
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);
    Put32(out, size);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = height - 1; y >= 0; --y) {  // bottom row first, blue green red
        std::string line(row, '\0');
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &rgb[size_t(y * width + x) * 3];
            line[size_t(x) * 3] = char(p[2]);
            line[size_t(x) * 3 + 1] = char(p[1]);
            line[size_t(x) * 3 + 2] = char(p[0]);
        }
        out += line;
    }
    return out;
}

}  // namespace demo_room
