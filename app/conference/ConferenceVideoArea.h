// What the conference window needs of its video area: the view to place
// between the bars, its reset and relayout, and the size it asks for a room.
// MainViewController is the tile area; VideoAreaPlaceholder is an empty one
// for windows that show no tiles.
#pragma once

#include <QPointer>
#include <QSizeF>
#include <QWidget>

class ConferenceVideoArea {
public:
    virtual ~ConferenceVideoArea() = default;
    virtual QWidget* view() = 0;
    virtual void resetVideoArea() = 0;
    virtual void resizeMainView() = 0;
};

// An empty area with the background of the tile grid.
class VideoAreaPlaceholder : public ConferenceVideoArea {
public:
    // The size it asks for any room: the smallest window's width with a
    // 510-point high area.
    static QSizeF calcMainViewSize(int roomCategory, int maxParticipants);

    VideoAreaPlaceholder();
    ~VideoAreaPlaceholder() override;
    QWidget* view() override { return view_; }
    void resetVideoArea() override {}
    void resizeMainView() override {}

private:
    QPointer<QWidget> view_;
};
