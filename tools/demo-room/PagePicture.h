// The pages of the demo room's shared document: a moving-pattern picture with
// "PAGE <n>" written large in it, as the bytes of an uncompressed BMP file.
#pragma once

#include <string>

namespace demo_room {

std::string MakePageBmp(int page, int width, int height);

}  // namespace demo_room
