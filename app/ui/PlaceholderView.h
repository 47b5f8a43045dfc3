#pragma once

// The grey hint text of the empty chat input.

#include <QLabel>

class PlaceholderView : public QLabel {
    Q_OBJECT

public:
    explicit PlaceholderView(QWidget* parent = nullptr);
};
