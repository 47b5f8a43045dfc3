#pragma once

// The floating speak button: a small borderless window above every other
// window, near the bottom right of the main screen, showing one picture. In
// a seminar room (webinar) it is the hand (raised: the floor is reserved or
// held); elsewhere (many-meeting rooms) the microphone. A click goes to the
// delegate; a drag moves the window.

#include <QObject>
#include <QPointer>
#include <QString>

class SpeakerBtnImageView;
class Window;

class SpeakerBtnWindowControllerDelegate {
public:
    virtual ~SpeakerBtnWindowControllerDelegate() = default;
    virtual void speakerButtonAction() {}
};

class SpeakerBtnWindowController : public QObject {
    Q_OBJECT

public:
    static constexpr double kButtonSize = 60;

    explicit SpeakerBtnWindowController(int roomCategory, QObject* parent = nullptr);
    ~SpeakerBtnWindowController() override;

    // The picture's resource name for a category and state.
    static QString imageName(int roomCategory, bool on);

    Window* window() const { return window_; }
    SpeakerBtnImageView* imageView() const { return mSpeakerBtnImageView; }
    int roomCategory() const { return miRoomCategory; }

    void showWindow();
    void close();
    void onChangeMicStatus(bool on) { changeSpeakerStatus(on); }
    void changeSpeakerStatus(bool on);
    bool getSpeakerBtnStatus() const;
    // The picture shown now (its resource name).
    QString shownImage() const { return shownImage_; }

    void setDelegate(SpeakerBtnWindowControllerDelegate* delegate) { delegate_ = delegate; }
    SpeakerBtnWindowControllerDelegate* delegate() const { return delegate_; }

private:
    void windowDidLoad();
    void mouseUp();

    QPointer<Window> window_;
    QPointer<SpeakerBtnImageView> mSpeakerBtnImageView;
    const int miRoomCategory;
    QString shownImage_;
    SpeakerBtnWindowControllerDelegate* delegate_ = nullptr;
};
