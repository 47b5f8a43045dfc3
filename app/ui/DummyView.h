#pragma once

// The grey placeholder a video tile leaves in its grid while it is shown
// elsewhere; forwards double clicks and right clicks to its delegate. In a
// many-meeting room a plain or double click does nothing.

#include <QLabel>
#include <QMouseEvent>

class DummyView;

class DummyViewDelegate {
public:
    virtual ~DummyViewDelegate() = default;
    virtual void doubleClickActionFromDummyView(QMouseEvent* event) { (void)event; }
    virtual void rightClickActionFromDummyView(QMouseEvent* event) { (void)event; }
};

class DummyView : public QLabel {
    Q_OBJECT

public:
    static constexpr int kRoomCategoryManyMeeting = 2;

    DummyView(const QRectF& frame, int roomCategory, QWidget* parent = nullptr);

    void setDelegate(DummyViewDelegate* delegate) { delegate_ = delegate; }
    DummyViewDelegate* delegate() const { return delegate_; }
    void setRoomCategory(int roomCategory) { roomCategory_ = roomCategory; }
    int roomCategory() const { return roomCategory_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int roomCategory_;
    DummyViewDelegate* delegate_ = nullptr;
};
