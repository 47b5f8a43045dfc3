// The header bar of the conference window: the function buttons that the
// room configuration switches on (left area), the exit and help buttons, the
// speaker, microphone and camera buttons with their volume sliders and, by
// room, the webinar layout buttons or the many-meeting style button (right
// area). Every action goes to the delegate.
//
// Geometry is bottom-up inside the bar: every button is 32 x 32 at y = H / 8
// (webinar layout buttons are 39 wide); the left area runs from x = 7 in steps
// of 42, the right area from the right edge in steps of 42 (48 for the layout
// buttons).
#pragma once

#include <QPointer>
#include <QRectF>
#include <QString>
#include <QVariantMap>
#include <optional>
#include <vector>

#include "conference/PopupWebinarMenu.h"
#include "model/UserInfo.h"
#include "platform/View.h"

class PopupSliderButton;
class QPushButton;
class SpeakerInfo;

enum HeaderButtonTag : int {
    HEADER_TAG_SETTINGS = 1001,
    HEADER_TAG_USER_LIST = 1002,
    HEADER_TAG_DOC_SHARE = 1003,
    HEADER_TAG_TEXT_BOX = 1004,
    HEADER_TAG_MESSAGE = 1005,
    HEADER_TAG_AP_SHARE = 1006,
    HEADER_TAG_WEBINAR_LAYOUT_1 = 2001,
    HEADER_TAG_WEBINAR_LAYOUT_2 = 2002,
    HEADER_TAG_WEBINAR_LAYOUT_3 = 2003,
    HEADER_TAG_MANYMTG_STYLE = 4001,
    HEADER_TAG_HELP = 5001,
    HEADER_TAG_EXIT = 5002,
    // The device buttons have no tag of their own; these mark them in a layout.
    HEADER_DEVICE_SPEAKER = -1,
    HEADER_DEVICE_MIC = -2,
    HEADER_DEVICE_CAMERA = -3,
};

class MVHeaderViewDelegate {
public:
    virtual ~MVHeaderViewDelegate() = default;
    virtual void onClickFunctionMenu(int tag) = 0;
    virtual void onSelectMenuItemFromWebinarMenu(int /*itemTag*/) {}
    virtual void onSelectMenuItemFromManyMtgMenu(int /*itemTag*/, int /*oldStyle*/) {}
    virtual void onClickVideoOptionBtn(const SpeakerInfo& /*speaker*/, int /*option*/) {}
    virtual void onSlideVideoOptionBtn(const SpeakerInfo& /*speaker*/, int /*option*/, float /*value*/) {}
    // Entry 0 a flag, entry 1 the layout mode; none when no layout is known.
    virtual std::optional<std::pair<bool, int>> getConvertFromStrWinSyncToModeForWebinar() {
        return std::nullopt;
    }
    virtual int64_t getLoginManagerStatus() = 0;
    virtual bool getIsMainUserStatusLogin() { return false; }
};

class MVHeaderView : public View, public PopupWebinarMenuDelegate {
    Q_OBJECT

public:
    struct ButtonPlace {
        int tag;       // a HeaderButtonTag
        QRectF frame;  // bottom-up inside the bar
        bool rightArea;
    };
    struct Layout {
        std::vector<ButtonPlace> buttons;
        double minSizeWidth = 0;
    };
    // Which buttons a room shows and where, for a bar of width W and height H.
    static Layout layoutButtons(const QVariantMap& confDict, bool isOwner, int roomCategory, bool isWebinar,
                                double W, double H);
    // The image of a many-meeting style.
    static QString getManyMtgStyleName(int style);
    static QString getManyMtgStyleName();

    MVHeaderView(const QRectF& frame, const QVariantMap& confDict, bool isOwner, int roomCategory,
                 bool isWebinar, const UserInfoRef& myInfo, float micVol, float spkVol, bool isSpeaker,
                 MVHeaderViewDelegate* delegate, QWidget* parent = nullptr);

    void setDelegate(MVHeaderViewDelegate* d) { delegate_ = d; }
    MVHeaderViewDelegate* delegate() const { return delegate_; }

    void setAudioInputState(bool on);
    void setAudioOutputState(bool on);
    void setCameraState(bool on);
    // The volume sliders of the microphone and speaker buttons (0..1).
    void setAudioInputVolume(float volume);
    void setAudioOutputVolume(float volume);
    void setHeaderBtnEnable(bool enable);
    void webinarBtnsStatusChange(int mode);

    void onClickFunctionMenu(int tag);
    void onClickMicBtn();
    void onClickSpeakerBtn();
    void onClickCameraBtn();
    void onChangeMicSliderValue(float value);
    void onChangeSpeakerSliderValue(float value);
    void onSelectMenuItemFromWebinarMenu(int itemTag) override;
    // The layout menu of button 2001, 2002 or 2003 at the mouse, the current layout checked.
    void makePopupMenuForWebinar(int tag);
    void onSelectMenuItemFromManyMtgMenu(int itemTag);

    double minSizeWidth() const { return minSizeWidth_; }
    bool isOwner() const { return isOwner_; }
    bool isSpeaker() const { return isSpeaker_; }
    bool isWebinar() const { return isWebinar_; }
    int roomCategory() const { return roomCategory_; }
    QVariantMap confDict() const { return confDict_; }

private:
    QPushButton* createButton(const ButtonPlace& place);
    void setOptionImage(QPushButton* button, const QString& image);
    void setLayoutButtonState(QPushButton* button, bool on);

    MVHeaderViewDelegate* delegate_;
    QVariantMap confDict_;
    bool isOwner_, isSpeaker_, isWebinar_;
    int roomCategory_;
    UserInfoRef myInfo_;
    float micVol_, spkVol_;
    double minSizeWidth_ = 0;
    QPointer<PopupSliderButton> micBtn_, spkBtn_;
    PopupSliderButton* cameraBtn_ = nullptr;
    QPointer<QPushButton> webinarLayoutBtn1_, webinarLayoutBtn2_, webinarLayoutBtn3_;
};
