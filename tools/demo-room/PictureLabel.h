// A participant's name written into its picture in large block letters
// (5 x 7 cells, A to Z and 0 to 9; other characters leave a gap), so that the
// tiles of the demo room tell who is who.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo_room {

// Writes `text` into a packed red, green, blue picture of width x height with
// its top left corner at (x, y), each cell `scale` pixels square, in white on
// a dark band; whatever falls outside the picture is left out.
void DrawLabel(std::vector<uint8_t>& rgb, int width, int height, int x, int y, int scale,
               const std::string& text);

}  // namespace demo_room
