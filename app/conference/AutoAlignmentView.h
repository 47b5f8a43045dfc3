#pragma once

// The conference window's grid of equal-aspect video tiles, as the floating
// video window uses it: a view with a layout mode and the smallest size in
// which its current grid still fits.

#include <QSizeF>
#include <cstdint>

#include "platform/View.h"

class AutoAlignmentView : public View {
    Q_OBJECT

public:
    using View::View;

    // Mode 0: the tiles are laid out to the view's own bounds.
    virtual void setMode(int64_t mode) = 0;
    // 80 x 60 for a new view; recomputed by every layout of the tiles.
    virtual QSizeF minViewSize() const = 0;
};
