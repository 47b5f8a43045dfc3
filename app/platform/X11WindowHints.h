#pragma once

// Window-manager hints that Qt does not pass on for a top-level widget: the
// content aspect ratio as the aspect fields of WM_NORMAL_HINTS. Only under an
// X11 platform (xcb); elsewhere nothing happens. Qt rewrites WM_NORMAL_HINTS
// when it changes the window's geometry or size limits, so the hint is set
// again after each of those.

#include <QSizeF>

class QWidget;

namespace X11WindowHints {

// `aspect` empty clears the hint. Answers whether the hint was written.
bool setAspectRatio(QWidget* window, QSizeF aspect);

}  // namespace X11WindowHints
