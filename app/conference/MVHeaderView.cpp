#include "conference/MVHeaderView.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include "model/SpeakerInfo.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/UserDefaults.h"
#include "session/LoginManager.h"
#include "ui/PopupSliderButton.h"

namespace {
constexpr double kButtonSize = 32;
constexpr double kLayoutButtonWidth = 39;
constexpr double kStep = 42;
constexpr double kLayoutStep = 48;
constexpr int kSeminar = 1;
constexpr int kManyMtg = 2;
constexpr int kVideoOptionMic = 0, kVideoOptionSpeaker = 1, kVideoOptionCamera = 2;

bool on(const QVariantMap& conf, const char* key) {
    return conf.value(QString::fromLatin1(key)).toString() == u"Y";
}

struct ButtonLook {
    const char* image;
    const char* alternate;  // the on image of a two-state button, or the off image of a device
};

ButtonLook lookOf(int tag) {
    switch (tag) {
        case HEADER_TAG_SETTINGS:
            return {"config", nullptr};
        case HEADER_TAG_DOC_SHARE:
            return {"ds", nullptr};
        case HEADER_TAG_TEXT_BOX:
            return {"tb", nullptr};
        case HEADER_TAG_MESSAGE:
            return {"msg", nullptr};
        case HEADER_TAG_AP_SHARE:
            return {"as", nullptr};
        case HEADER_TAG_USER_LIST:
            return {"ul", nullptr};
        case HEADER_TAG_EXIT:
            return {"exitR", nullptr};
        case HEADER_TAG_HELP:
            return {"help_b", nullptr};
        case HEADER_DEVICE_SPEAKER:
            return {"tool_speaker_on", "tool_speaker_off"};
        case HEADER_DEVICE_MIC:
            return {"micon2", "micoff2"};
        case HEADER_DEVICE_CAMERA:
            return {"cameraon2", "cameraoff2"};
        case HEADER_TAG_WEBINAR_LAYOUT_3:
            return {"disp3g", "disp3"};
        case HEADER_TAG_WEBINAR_LAYOUT_2:
            return {"disp2g", "disp2"};
        case HEADER_TAG_WEBINAR_LAYOUT_1:
            return {"disp1g", "disp1"};
        default:
            return {nullptr, nullptr};
    }
}

QString tooltipOf(int tag) {
    // Keys spelled out so that the localisation check sees each of them.
    switch (tag) {
        case HEADER_TAG_SETTINGS:
            return LocalizedString("dfMAINVIEW_MENUBTN_SET");
        case HEADER_TAG_DOC_SHARE:
            return LocalizedString("dfMAINVIEW_MENUBTN_DOCSHARE");
        case HEADER_TAG_TEXT_BOX:
            return LocalizedString("dfTEXTBOX_TITLE");
        case HEADER_TAG_MESSAGE:
            return LocalizedString("dfMESSEAGE");
        case HEADER_TAG_AP_SHARE:
            return LocalizedString("dfMAINVIEW_MENUBTN_APSHARE");
        case HEADER_TAG_USER_LIST:
            return LocalizedString("dfMAINVIEW_SELECT_LIST1");
        case HEADER_TAG_EXIT:
            return LocalizedString("dfCLOSEBTN");
        case HEADER_TAG_HELP:
            return LocalizedString("dfMAINVIEWHELPBTN");
        case HEADER_DEVICE_SPEAKER:
            return LocalizedString("dfSPK_ONOFF");
        case HEADER_DEVICE_MIC:
            return LocalizedString("dfMIC_ONOFF");
        case HEADER_DEVICE_CAMERA:
            return LocalizedString("dfCAMERA_ONOFF");
        case HEADER_TAG_WEBINAR_LAYOUT_3:
            return LocalizedString("dfWEBINAR_BTN_3");
        case HEADER_TAG_WEBINAR_LAYOUT_2:
            return LocalizedString("dfWEBINAR_BTN_2");
        case HEADER_TAG_WEBINAR_LAYOUT_1:
            return LocalizedString("dfWEBINAR_BTN_1");
        case HEADER_TAG_MANYMTG_STYLE:
            return LocalizedString("dfMANYMTG_MENU_TOOLTIP");
        default:
            return QString();
    }
}

// The image resource drawn into a square of the button's size less a fifth.
QIcon iconOf(const QString& name, const QSizeF& buttonSize) {
    const auto path = MainBundle::pathForResource(name, QStringLiteral("png"));
    if (!path) return QIcon();
    const double side = buttonSize.width() - buttonSize.width() / 5;
    QPixmap pixmap(*path);
    return QIcon(pixmap.scaled(QSize(int(side), int(buttonSize.height() - buttonSize.width() / 5)),
                               Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

QString objectNameOf(int tag) {
    switch (tag) {
        case HEADER_DEVICE_SPEAKER:
            return QStringLiteral("headerSpeakerButton");
        case HEADER_DEVICE_MIC:
            return QStringLiteral("headerMicButton");
        case HEADER_DEVICE_CAMERA:
            return QStringLiteral("headerCameraButton");
        default:
            return QStringLiteral("headerButton%1").arg(tag);
    }
}
}  // namespace

MVHeaderView::Layout MVHeaderView::layoutButtons(const QVariantMap& conf, bool isOwner, int roomCategory,
                                                 bool isWebinar, double W, double H) {
    Layout layout;
    const double y = H / 8;

    std::vector<int> left;
    if (on(conf, "CONFIGMODE")) left.push_back(HEADER_TAG_SETTINGS);
    if (!isWebinar && on(conf, "DOCSHAREMODE")) left.push_back(HEADER_TAG_DOC_SHARE);
    if (!isWebinar && on(conf, "TEXTBOXMODE") && on(conf, "MODE_SMARTPHONE_TEXTBOX"))
        left.push_back(HEADER_TAG_TEXT_BOX);
    if (!isWebinar && on(conf, "MODE_SMARTPHONE_SEND_MESSAGE") && on(conf, "SEND_MESSAGE"))
        left.push_back(HEADER_TAG_MESSAGE);
    if (!isWebinar && on(conf, "MODE_SMARTPHONE_AP_SHARE") && on(conf, "ASMODE") &&
        (on(conf, "MODE_MANY_MTG_AS") || roomCategory != kManyMtg))
        left.push_back(HEADER_TAG_AP_SHARE);
    if (on(conf, "USERLISTMODE")) left.push_back(HEADER_TAG_USER_LIST);
    for (size_t i = 0; i < left.size(); ++i)
        layout.buttons.push_back(
            {left[i], QRectF(7 + kStep * double(i), y, kButtonSize, kButtonSize), false});

    int j = 1;
    auto functionAt = [&](int tag, int index) {
        layout.buttons.push_back({tag, QRectF(W - kStep * index - 8, y, kButtonSize, kButtonSize), true});
    };
    if (on(conf, "EXITMODE")) functionAt(HEADER_TAG_EXIT, j++);
    if (on(conf, "HELPMODE")) functionAt(HEADER_TAG_HELP, j++);
    const int r = j;
    layout.buttons.push_back(
        {HEADER_DEVICE_SPEAKER, QRectF(W - kStep * r - 12, y, kButtonSize, kButtonSize), true});
    layout.buttons.push_back(
        {HEADER_DEVICE_MIC, QRectF(W - kStep * (r + 1) - 9, y, kButtonSize, kButtonSize), true});
    layout.buttons.push_back(
        {HEADER_DEVICE_CAMERA, QRectF(W - kStep * (r + 2) - 9, y, kButtonSize, kButtonSize), true});

    int layoutButtons = 0;
    if (roomCategory == kSeminar && isWebinar && isOwner) {
        const bool ds = on(conf, "DOCSHAREMODE"), as = on(conf, "ASMODE"), tb = on(conf, "TEXTBOXMODE");
        int k = r + 3;
        auto layoutAt = [&](int tag) {
            layout.buttons.push_back(
                {tag, QRectF(W - kLayoutStep * k - 8, y, kLayoutButtonWidth, kButtonSize), true});
            ++k;
            ++layoutButtons;
        };
        if (tb && (ds || as)) layoutAt(HEADER_TAG_WEBINAR_LAYOUT_3);
        if (ds || as || tb) layoutAt(HEADER_TAG_WEBINAR_LAYOUT_2);
        layoutAt(HEADER_TAG_WEBINAR_LAYOUT_1);
    }
    int rightCount = r + 3 + layoutButtons;
    if (roomCategory == kManyMtg) {
        functionAt(HEADER_TAG_MANYMTG_STYLE, r + 4);  // one index stays empty
        rightCount = r + 5;
    }
    layout.minSizeWidth = kStep * double(left.size() + size_t(rightCount));
    return layout;
}

QString MVHeaderView::getManyMtgStyleName(int style) {
    switch (style) {
        case 1:
            return QStringLiteral("down_bar");
        case 2:
            return QStringLiteral("left_bar");
        case 3:
            return QStringLiteral("right_bar");
        case 4:
            return QStringLiteral("own_bar");
        case 5:
        case 6:
            return QStringLiteral("only_bar");
        default:
            return QStringLiteral("up_bar");
    }
}

QString MVHeaderView::getManyMtgStyleName() {
    return getManyMtgStyleName(
        int(UserDefaults::standard().integerForKey(QStringLiteral("KeyManyMtgStyle"))));
}

MVHeaderView::MVHeaderView(const QRectF& frame, const QVariantMap& confDict, bool isOwner, int roomCategory,
                           bool isWebinar, const UserInfoRef& myInfo, float micVol, float spkVol,
                           bool isSpeaker, MVHeaderViewDelegate* delegate, QWidget* parent)
    : View(frame, parent),
      delegate_(delegate),
      confDict_(confDict),
      isOwner_(isOwner),
      isSpeaker_(isSpeaker),
      isWebinar_(isWebinar),
      roomCategory_(roomCategory),
      myInfo_(myInfo),
      micVol_(micVol),
      spkVol_(spkVol) {
    setObjectName(QStringLiteral("headerView"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgbF(0.98f, 0.98f, 0.98f, 1.0f));
    setPalette(pal);

    const Layout layout =
        layoutButtons(confDict, isOwner, roomCategory, isWebinar, frame.width(), frame.height());
    minSizeWidth_ = layout.minSizeWidth;
    for (const ButtonPlace& place : layout.buttons) createButton(place);

    if (isWebinar && !isOwner) {
        if (auto* list = findChild<QPushButton*>(objectNameOf(HEADER_TAG_USER_LIST)))
            list->setEnabled(delegate_ && delegate_->getIsMainUserStatusLogin());
    }
    if (isWebinar && !isOwner && !isSpeaker) setHeaderBtnEnable(false);
}

QPushButton* MVHeaderView::createButton(const ButtonPlace& place) {
    const int tag = place.tag;
    QPushButton* button = nullptr;
    const ButtonLook look = lookOf(tag);
    if (tag == HEADER_DEVICE_SPEAKER || tag == HEADER_DEVICE_MIC || tag == HEADER_DEVICE_CAMERA) {
        auto* device = new PopupSliderButton(this);
        button = device;
        bool start = true;
        if (tag == HEADER_DEVICE_SPEAKER) {
            spkBtn_ = device;
            device->setShowSlider(true);
            device->setSliderValue(spkVol_);
            device->setSliderAction(this, [this](float v) { onChangeSpeakerSliderValue(v); });
            connect(device, &QPushButton::clicked, this, [this] { onClickSpeakerBtn(); });
        } else if (tag == HEADER_DEVICE_MIC) {
            micBtn_ = device;
            start = roomCategory_ != kManyMtg &&
                    UserDefaults::standard().integerForKey(QStringLiteral("SettingView_micsetting")) != 1;
            device->setShowSlider(true);
            device->setSliderValue(micVol_);
            device->setSliderAction(this, [this](float v) { onChangeMicSliderValue(v); });
            connect(device, &QPushButton::clicked, this, [this] { onClickMicBtn(); });
        } else {
            cameraBtn_ = device;
            device->setShowSlider(false);
            connect(device, &QPushButton::clicked, this, [this] { onClickCameraBtn(); });
        }
        device->setFlat(true);
        device->setProperty("on", start);
        View::setFrameOf(button, place.frame);
        setOptionImage(button, QString::fromLatin1(start ? look.image : look.alternate));
    } else {
        button = new QPushButton(this);
        button->setFlat(true);
        View::setFrameOf(button, place.frame);
        const QString image =
            tag == HEADER_TAG_MANYMTG_STYLE ? getManyMtgStyleName() : QString::fromLatin1(look.image);
        button->setIcon(iconOf(image, place.frame.size()));
        button->setIconSize((place.frame.size() * 0.8).toSize());
        if (tag == HEADER_TAG_WEBINAR_LAYOUT_1 || tag == HEADER_TAG_WEBINAR_LAYOUT_2 ||
            tag == HEADER_TAG_WEBINAR_LAYOUT_3) {
            // Two-state: a click flips it; the alternate image shows the on state.
            button->setCheckable(true);
            if (tag == HEADER_TAG_WEBINAR_LAYOUT_1) webinarLayoutBtn1_ = button;
            if (tag == HEADER_TAG_WEBINAR_LAYOUT_2) webinarLayoutBtn2_ = button;
            if (tag == HEADER_TAG_WEBINAR_LAYOUT_3) webinarLayoutBtn3_ = button;
            connect(button, &QPushButton::toggled, this,
                    [this, button](bool) { setLayoutButtonState(button, button->isChecked()); });
        }
        connect(button, &QPushButton::clicked, this, [this, tag] { onClickFunctionMenu(tag); });
    }
    button->setObjectName(objectNameOf(tag));
    button->setProperty("tag", tag);
    button->setToolTip(tooltipOf(tag));
    View::setAutoresizingMaskOf(button, place.rightArea ? (ViewMinXMargin | ViewMinYMargin) : ViewMinYMargin);
    button->show();
    return button;
}

void MVHeaderView::setLayoutButtonState(QPushButton* button, bool on) {
    const ButtonLook look = lookOf(button->property("tag").toInt());
    button->setIcon(
        iconOf(QString::fromLatin1(on ? look.alternate : look.image), View::frameOf(button).size()));
}

void MVHeaderView::setOptionImage(QPushButton* button, const QString& image) {
    button->setIcon(iconOf(image, View::frameOf(button).size()));
    button->setIconSize((View::frameOf(button).size() * 0.8).toSize());
    button->setProperty("image", image);
}

void MVHeaderView::setAudioInputState(bool isOn) {
    if (!micBtn_) return;
    micBtn_->setProperty("on", isOn);
    setOptionImage(micBtn_, isOn ? QStringLiteral("micon2") : QStringLiteral("micoff2"));
}

void MVHeaderView::setAudioOutputState(bool isOn) {
    if (!spkBtn_) return;
    spkBtn_->setProperty("on", isOn);
    setOptionImage(spkBtn_, isOn ? QStringLiteral("tool_speaker_on") : QStringLiteral("tool_speaker_off"));
}

void MVHeaderView::setAudioInputVolume(float volume) {
    micVol_ = volume;
    if (micBtn_) micBtn_->setSliderValue(volume);
}

void MVHeaderView::setAudioOutputVolume(float volume) {
    spkVol_ = volume;
    if (spkBtn_) spkBtn_->setSliderValue(volume);
}

void MVHeaderView::setCameraState(bool isOn) {
    if (!cameraBtn_) return;
    cameraBtn_->setProperty("on", isOn);
    setOptionImage(cameraBtn_, isOn ? QStringLiteral("cameraon2") : QStringLiteral("cameraoff2"));
}

void MVHeaderView::setHeaderBtnEnable(bool enable) {
    const bool state = isWebinar_ ? enable : true;
    for (QPushButton* b : {static_cast<QPushButton*>(micBtn_.data()),
                           static_cast<QPushButton*>(spkBtn_.data()), static_cast<QPushButton*>(cameraBtn_)})
        if (b) b->setEnabled(state);
}

void MVHeaderView::webinarBtnsStatusChange(int mode) {
    if (mode == 0) {
        if (!delegate_) return;
        const auto current = delegate_->getConvertFromStrWinSyncToModeForWebinar();
        if (!current) return;
        mode = current->second;
    }
    if (mode <= 0 || mode > 14) return;
    const int which = mode <= 4 ? 1 : mode <= 11 ? 2 : 3;
    const std::pair<QPushButton*, int> buttons[] = {
        {webinarLayoutBtn1_.data(), 1}, {webinarLayoutBtn2_.data(), 2}, {webinarLayoutBtn3_.data(), 3}};
    for (const auto& [b, n] : buttons)
        if (b) b->setChecked(n == which);
}

void MVHeaderView::onClickFunctionMenu(int tag) {
    if (!delegate_ || delegate_->getLoginManagerStatus() != LOGIN_STATUS_LOGGED_IN) return;
    if (tag == HEADER_TAG_WEBINAR_LAYOUT_1 || tag == HEADER_TAG_WEBINAR_LAYOUT_2 ||
        tag == HEADER_TAG_WEBINAR_LAYOUT_3) {
        makePopupMenuForWebinar(tag);
        return;
    }
    if (tag == HEADER_TAG_MANYMTG_STYLE) {
        // The many-meeting style menu belongs to that mode.
        return;
    }
    delegate_->onClickFunctionMenu(tag);
}

void MVHeaderView::onClickMicBtn() {
    if (delegate_) delegate_->onClickVideoOptionBtn(SpeakerInfo(CLIENT_NO_SELF, *myInfo_), kVideoOptionMic);
}
void MVHeaderView::onClickSpeakerBtn() {
    if (delegate_)
        delegate_->onClickVideoOptionBtn(SpeakerInfo(CLIENT_NO_SELF, *myInfo_), kVideoOptionSpeaker);
}
void MVHeaderView::onClickCameraBtn() {
    if (delegate_)
        delegate_->onClickVideoOptionBtn(SpeakerInfo(CLIENT_NO_SELF, *myInfo_), kVideoOptionCamera);
}
void MVHeaderView::onChangeMicSliderValue(float value) {
    if (delegate_)
        delegate_->onSlideVideoOptionBtn(SpeakerInfo(CLIENT_NO_SELF, *myInfo_), kVideoOptionMic, value);
}
void MVHeaderView::onChangeSpeakerSliderValue(float value) {
    if (delegate_)
        delegate_->onSlideVideoOptionBtn(SpeakerInfo(CLIENT_NO_SELF, *myInfo_), kVideoOptionSpeaker, value);
}

void MVHeaderView::makePopupMenuForWebinar(int tag) {
    if (!delegate_) return;
    const auto current = delegate_->getConvertFromStrWinSyncToModeForWebinar();
    const bool flag = current ? current->first : false;
    const int mode = current ? current->second : 0;
    auto* menu = new PopupWebinarMenu(this);
    menu->setObjectName(QStringLiteral("webinarLayoutMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (tag == HEADER_TAG_WEBINAR_LAYOUT_1) menu->createWebinarMenuLayout1(confDict_, mode);
    if (tag == HEADER_TAG_WEBINAR_LAYOUT_2) menu->createWebinarMenuLayout2(confDict_, flag, mode);
    if (tag == HEADER_TAG_WEBINAR_LAYOUT_3) menu->createWebinarMenuLayout3(confDict_, flag, mode);
    menu->setPopupWebinarMenuDelegate(this);
    menu->popUpAtMouse();
}

void MVHeaderView::onSelectMenuItemFromWebinarMenu(int itemTag) {
    if (delegate_) delegate_->onSelectMenuItemFromWebinarMenu(itemTag);
}

void MVHeaderView::onSelectMenuItemFromManyMtgMenu(int itemTag) {
    const int oldStyle = int(UserDefaults::standard().integerForKey(QStringLiteral("KeyManyMtgStyle")));
    if (itemTag == oldStyle) return;
    UserDefaults::standard().setInteger(QStringLiteral("KeyManyMtgStyle"), itemTag);
    if (auto* style = findChild<QPushButton*>(objectNameOf(HEADER_TAG_MANYMTG_STYLE))) {
        style->setIcon(iconOf(getManyMtgStyleName(itemTag), View::frameOf(style).size()));
        style->setProperty("image", getManyMtgStyleName(itemTag));
    }
    if (delegate_) delegate_->onSelectMenuItemFromManyMtgMenu(itemTag, oldStyle);
}
