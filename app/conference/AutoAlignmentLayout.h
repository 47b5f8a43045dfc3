// The tile grid's arithmetic: which rows and columns make the tiles of a grid
// largest at one aspect ratio, and where each tile goes. Pure functions in
// bottom-up coordinates (origin at the bottom left of the grid view, y up);
// the grid view flips them once where it applies a frame to a widget.
#pragma once

#include <QRectF>
#include <QSizeF>
#include <vector>

namespace AutoAlignmentLayout {

enum TileViewMode { TILE_VIEW_MODE_FILL = 0, TILE_VIEW_MODE_FIT = 1 };
enum TileAlign { TILE_ALIGN_CENTER = 0, TILE_ALIGN_LEFT = 1, TILE_ALIGN_RIGHT = 2 };

struct Params {
    int count = 0;          // tiles in the grid
    int margin = 20;        // outer margin: enters the tile size only
    int interval = 10;      // gap between tiles
    double aspect = 0;      // width / height of the first tile; 0 or less (or not finite) counts as 4:3
    QSizeF viewSize;        // the grid view's frame size
    QSizeF minItemSize{0, 0};  // the smallest tile; zero means 80 by 60
};

struct Grid {
    int rows = 0;
    int columns = 0;
    QSizeF itemSize;        // fractional, never rounded
    QSizeF minViewSize;     // the view size below which tiles would fall under the minimum
};

// The aspect the grid works with: `aspect`, or 4:3 when it cannot be one
// (a first tile without height gives 0 or infinity).
double usableAspect(double aspect);

// The grid search. With k0 the smallest k for which k(k+1) >= count, tries
// k0 down to 1 rows (wide view) or columns (a tall or square view) and keeps
// the candidate with the widest tile, the earlier one on a tie; a tile below
// the minimum becomes the minimum tile (the grid may then overflow the view).
Grid calcAlignmentSize(const Params& params);

// Where the tiles go, in list order, row by row from the top left: every row
// (a short last row too) centred, or starting 3 points from the left, or
// ending 3 points from the right; the block of rows centred vertically.
// Nothing for a grid without columns.
std::vector<QRectF> placeTiles(const Grid& grid, int count, int interval, int alignMode, QSizeF viewSize);

// The fit mode's frame: the view shrunk to its tiles and centred in `alignRect`.
QRectF fitFrame(const Grid& grid, int margin, int interval, const QRectF& alignRect);

}  // namespace AutoAlignmentLayout
