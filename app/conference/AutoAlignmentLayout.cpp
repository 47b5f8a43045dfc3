#include "conference/AutoAlignmentLayout.h"

#include <cmath>

namespace AutoAlignmentLayout {

namespace {
constexpr double kDefaultMinWidth = 80;
constexpr double kDefaultMinHeight = 60;
constexpr double kEdge = 3;  // the left and right alignments keep this distance to the edge
}  // namespace

double usableAspect(double aspect) {
    if (!std::isfinite(aspect) || aspect <= 0) return 4.0 / 3.0;
    return aspect;
}

Grid calcAlignmentSize(const Params& p) {
    Grid grid;
    const int n = p.count < 0 ? 0 : p.count;
    const double m = p.margin;
    const double g = p.interval;
    const double a = usableAspect(p.aspect);
    const double W = p.viewSize.width();
    const double H = p.viewSize.height();

    // The smallest k with k(k+1) >= n, through single precision as the grid
    // has always computed it.
    const int k0 = static_cast<int>(std::ceil(static_cast<float>((std::sqrt(4.0 * n + 1.0) - 1.0) / 2.0)));
    double bestW = 0, bestH = 0;
    int rows = 0, columns = 0;
    if (k0 > 0) {
        for (int k = k0; k >= 1; --k) {
            double w, h;
            int r, c;
            if (W > H) {
                r = k;
                c = (n + k - 1) / k;
                h = (H - 2 * m - g * (k - 1)) / k;
                w = a * h;
                if (c * w + g * (c - 1) + 2 * m > W) {
                    w = (W - 2 * m - g * (c - 1)) / c;
                    h = w / a;
                }
            } else {
                c = k;
                r = (n + k - 1) / k;
                w = (W - 2 * m - g * (k - 1)) / k;
                h = w / a;
                if (r * h + g * (r - 1) + 2 * m > H) {
                    h = (H - 2 * m - g * (r - 1)) / r;
                    w = a * h;
                }
            }
            if (w > bestW) {
                bestW = w;
                bestH = h;
                rows = r;
                columns = c;
            }
        }
    }
    const bool customMin = p.minItemSize.width() != 0 || p.minItemSize.height() != 0;
    const double minW = customMin ? p.minItemSize.width() : kDefaultMinWidth;
    const double minH = customMin ? p.minItemSize.height() : kDefaultMinHeight;
    if (n > 0 && (minW > bestW || minH > bestH)) {
        bestW = minW;
        bestH = minH;
    }
    grid.rows = rows;
    grid.columns = columns;
    grid.itemSize = QSizeF(bestW, bestH);
    grid.minViewSize =
        QSizeF(columns * minW + 2 * m + (columns - 1) * g, rows * minH + 2 * m + (rows - 1) * g);
    return grid;
}

std::vector<QRectF> placeTiles(const Grid& grid, int count, int interval, int alignMode, QSizeF viewSize) {
    std::vector<QRectF> frames;
    const int C = grid.columns;
    const int R = grid.rows;
    if (count < 1 || C < 1) return frames;
    const double w = grid.itemSize.width();
    const double h = grid.itemSize.height();
    const double g = interval;
    const double W = viewSize.width();
    const double H = viewSize.height();
    const int lastRow = (count - 1) / C;
    const double yoff = (H - R * h - (R - 1) * g) / 2;
    frames.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int column = i % C;
        const int row = i / C;
        int inRow = C;
        if (row == lastRow && count % C != 0) inRow = count % C;
        const double xoff = (W - inRow * w - (inRow - 1) * g) / 2;
        double x;
        switch (alignMode) {
            case TILE_ALIGN_CENTER: x = xoff + column * (w + g); break;
            case TILE_ALIGN_LEFT: x = kEdge + column * (w + g); break;
            case TILE_ALIGN_RIGHT: x = 2 * xoff - kEdge + column * (w + g); break;
            default: x = 0; break;
        }
        const double y = H - (yoff + (row + 1) * h + row * g);
        frames.emplace_back(x, y, w, h);
    }
    return frames;
}

QRectF fitFrame(const Grid& grid, int margin, int interval, const QRectF& alignRect) {
    const double m = margin, g = interval;
    const QSizeF size(grid.columns * grid.itemSize.width() + 2 * m + (grid.columns - 1) * g,
                      grid.rows * grid.itemSize.height() + 2 * m + (grid.rows - 1) * g);
    return QRectF(alignRect.x() + (alignRect.width() - size.width()) / 2,
                  alignRect.y() + (alignRect.height() - size.height()) / 2, size.width(), size.height());
}

}  // namespace AutoAlignmentLayout
