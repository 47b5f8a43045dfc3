#include "ui/PlaceholderView.h"

#include "platform/Localization.h"
#include "platform/View.h"

PlaceholderView::PlaceholderView(QWidget* parent) : QLabel(parent) {
    setText(LocalizedString("dfTEXTBOX_PLACEHOLDERSTRING"));
    setStyleSheet(QStringLiteral("color: gray; background: transparent; border: none;"));
    setTextInteractionFlags(Qt::NoTextInteraction);
    View::setAutoresizingMaskOf(this, ViewMinXMargin | ViewWidthSizable | ViewMaxYMargin);
}
