#include "settings/SettingWindowController.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "media/AudioDeviceNotificator.h"
#include "platform/Localization.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "platform/View.h"
#include "services/DataSaveManager.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "services/SettingNotificator.h"
#include "ui/CommonAlert.h"
#include "ui/OnlyIntegerValueFormatter.h"

namespace {

constexpr int kMovRotateMax = 1024;
constexpr int kRotateMax = 100000;
constexpr int kRotateMin = 100;

QLabel* makeLabel(const char* key, const QString& name, QWidget* parent) {
    auto* label = new QLabel(LocalizedStringForKey(QString::fromLatin1(key)), parent);
    label->setObjectName(name);
    return label;
}

QLineEdit* makeField(const QString& name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    return field;
}

QCheckBox* makeCheckBox(const char* key, const QString& name, QWidget* parent) {
    auto* box = new QCheckBox(LocalizedStringForKey(QString::fromLatin1(key)), parent);
    box->setObjectName(name);
    return box;
}

}  // namespace

SettingWindowController::SettingWindowController(SettingWindowParams params,
                                                 SettingWindowControllerDelegate* delegate, QObject* parent)
    : QObject(parent), params_(std::move(params)), delegate_(delegate) {
    if (!params_.cameraList) params_.cameraList = [] { return CaptureDevices::videoDevices(); };
    selectedConnType_ = DataSaveManager::loadConnectionChoice();
    micDevices_ = params_.inputDevices;
    speakerDevices_ = params_.outputDevices;
    const auto indexOf = [](const AudioDeviceInfoList& list, const std::optional<QString>& uid) {
        for (int i = 0; uid && i < list.size(); ++i) {
            if (list[i].deviceUid == *uid) return i;
        }
        return 0;
    };
    selectedMicDevice_ = indexOf(micDevices_, params_.currentInDevUid);
    selectedSpeakerDevice_ = indexOf(speakerDevices_, params_.currentOutDevUid);
    isRecTimeStamp_ = params_.isRecTimeStamp;

    window_ =
        new Window(QRectF(0, 0, kMinWidth, kMinHeight), WindowStyleTitled | WindowStyleClosable |
                                                            WindowStyleMiniaturizable | WindowStyleResizable);
    window_->setObjectName(QStringLiteral("settingWindow"));
    window_->setTitle(LocalizedString("dfSETTINGWINDOW_TITLE"));
    window_->setMinSize(QSizeF(kMinWidth, kMinHeight));
    window_->setDelegate(this);
    window_->setReleasedWhenClosed(true);
    windowDidLoad();
    window_->move(params_.origin.toPoint());
}

SettingWindowController::~SettingWindowController() {
    if (settingDispatcher_) settingDispatcher_->setDelegate(nullptr);
    if (audioDispatcher_) audioDispatcher_->setDelegate(nullptr);
    if (window_) {
        window_->setDelegate(nullptr);
        delete window_.data();
    }
}

void SettingWindowController::windowDidLoad() {
    auto* content = new View(window_);
    content->setObjectName(QStringLiteral("settingContent"));
    QPalette palette = content->palette();
    palette.setColor(QPalette::Window, QColor::fromRgbF(0.98f, 0.98f, 0.98f));
    content->setPalette(palette);
    content->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(content);

    sections_ = new QTabWidget(content);
    sections_->setObjectName(QStringLiteral("sections"));
    sections_->addTab(makeAudioPage(), LocalizedString("dfSETTINGWINDOW_TAB_AUDIO"));
    sections_->addTab(makeVideoPage(), LocalizedString("dfSETTINGWINDOW_TAB_VIDEO"));
    setupAudioPage();
    setupVideoPage();
    // A page the room does not offer is never made.
    if (params_.isShowDocShareTab)
        sections_->addTab(makeDocSharePage(), LocalizedString("dfSETTINGWINDOW_TAB_DOCSHARE"));
    sections_->addTab(makeConnectionPage(), LocalizedString("dfSETTINGWINDOW_TAB_CONNECTION"));
    if (params_.isShowNotifyChatBtn)
        sections_->addTab(makeChatPage(), LocalizedString("dfSETTINGWINDOW_TAB_CHAT"));
    if (params_.roomCategory == ROOM_CATEGORY_MANYMTG_SETTING) {
        sections_->addTab(makeLayoutPage(), LocalizedString("dfSETTINGWINDOW_TAB_LAYOUT"));
    }
    if (params_.isShowRecordTab)
        sections_->addTab(makeRecordingPage(), LocalizedString("dfSETTINGWINDOW_TAB_RECORDING"));
    layout->addWidget(sections_, 1);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttonCancel_ = new QPushButton(LocalizedString("dfCANCEL"), content);
    buttonCancel_->setObjectName(QStringLiteral("buttonCancel"));
    buttonApply_ = new QPushButton(LocalizedString("dfSETTINGWINDOW_APPLY"), content);
    buttonApply_->setObjectName(QStringLiteral("buttonApply"));
    buttonApply_->setEnabled(false);  // nothing to apply until an edit
    buttonOk_ = new QPushButton(LocalizedString("dfSETTINGWINDOW_OK"), content);
    buttonOk_->setObjectName(QStringLiteral("buttonOk"));
    buttonOk_->setDefault(true);
    buttons->addWidget(buttonCancel_);
    buttons->addWidget(buttonApply_);
    buttons->addWidget(buttonOk_);
    layout->addLayout(buttons);
    connect(buttonOk_, &QPushButton::clicked, this, [this] { onClickOkButton(); });
    connect(buttonApply_, &QPushButton::clicked, this, [this] { onClickApplyButton(); });
    connect(buttonCancel_, &QPushButton::clicked, this, [this] { onClickCancelButton(); });
    window_->setContentView(content);

    settingDispatcher_ =
        std::make_unique<SettingNotificatorDispatcher>(&SettingNotificator::sharedNotificator());
    settingDispatcher_->setDelegate(this);
    audioDispatcher_ =
        std::make_unique<AudioDeviceNotificatorDispatcher>(&AudioDeviceNotificator::sharedNotificator());
    audioDispatcher_->setDelegate(this);
}

void SettingWindowController::showWindow() {
    if (!window_) return;
    window_->makeKeyAndOrderFront();
    window_->orderFrontRegardless();
}

void SettingWindowController::close() {
    if (window_) window_->closeWindow();
}

void SettingWindowController::edited() {
    if (buttonApply_) buttonApply_->setEnabled(true);
}

bool SettingWindowController::isEditing() const {
    return !fieldsBeingEdited_.isEmpty();
}

void SettingWindowController::showNotice(const QString& message) {
    if (params_.showNotice) {
        params_.showNotice(message);
    } else {
        CommonAlert::sharedInstance().showModalAlert(nullptr, std::nullopt, message, std::nullopt);
    }
}

void SettingWindowController::log(const QString& line) {
    LogFileManager::write(line, 2, false);
}

// ---- The three buttons ----

void SettingWindowController::onClickOkButton() {
    endFieldEditing();
    checkRecordingTextField();
    if (!saveAllData()) {
        showNotice(LocalizedString("dfSETTINGWINDOW_SAVE_FAILED"));
        return;  // the window stays open with what could not be written
    }
    if (delegate_) delegate_->closeSettingWindow(SETTING_CLOSE_OK);
}

void SettingWindowController::onClickApplyButton() {
    endFieldEditing();
    checkRecordingTextField();
    checkTextForProxyInfo();  // only warns; the save goes on
    if (!saveAllData()) {
        showNotice(LocalizedString("dfSETTINGWINDOW_SAVE_FAILED"));
        return;  // Apply stays enabled to try again
    }
    buttonApply_->setEnabled(false);
}

void SettingWindowController::onClickCancelButton() {
    if (delegate_) delegate_->closeSettingWindow(SETTING_CLOSE_CANCEL);
}

void SettingWindowController::windowWillClose(Window*) {
    if (closing_) return;
    closing_ = true;
    if (settingDispatcher_) settingDispatcher_->setDelegate(nullptr);
    if (audioDispatcher_) audioDispatcher_->setDelegate(nullptr);
    settingDispatcher_.reset();
    audioDispatcher_.reset();
    if (delegate_) delegate_->closeSettingWindow(SETTING_CLOSE_CLOSING);
}

bool SettingWindowController::saveAllData() {
    bool written = saveAudio();
    written &= saveVideo();
    written &= saveDocShareUrl();
    written &= saveConnection();
    written &= saveChat();
    written &= saveLayout();
    written &= saveRecording();
    return written;
}

// ---- Field editing ----

void SettingWindowController::endFieldEditing() {
    const QList<QLineEdit*> fields = fieldsBeingEdited_;
    for (QLineEdit* field : fields) {
        field->clearFocus();
        if (fieldsBeingEdited_.contains(field)) emit field->editingFinished();
    }
    fieldsBeingEdited_.clear();
}

// ---- Document sharing ----

QWidget* SettingWindowController::makeDocSharePage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("sectionDocShareUrl"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(makeLabel("dfSETTINGWINDOW_DOCSHARE_URL", "docShareUrlLabel", page));
    urlInputField_ = makeField("urlInputField", page);
    urlInputField_->setText(params_.dsDefaultUrl);
    layout->addWidget(urlInputField_);
    layout->addStretch(1);
    connect(urlInputField_, &QLineEdit::textEdited, this, [this] {
        if (!fieldsBeingEdited_.contains(urlInputField_)) fieldsBeingEdited_ << urlInputField_;
        edit_.dsDefaultURL = true;
        edited();
    });
    connect(urlInputField_, &QLineEdit::editingFinished, this,
            [this] { fieldsBeingEdited_.removeAll(urlInputField_); });
    return page;
}

bool SettingWindowController::saveDocShareUrl() {
    if (!edit_.dsDefaultURL || !urlInputField_) return true;
    const QString address = DataSaveManager::normalizedAddress(urlInputField_->text());
    urlInputField_->setText(address);
    if (!DataSaveManager::saveDocShareDefaultUrl(address)) return false;
    edit_.dsDefaultURL = false;
    return true;
}

// ---- Connection ----

QWidget* SettingWindowController::makeConnectionPage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("sectionConnection"));
    auto* layout = new QVBoxLayout(page);
    connectionGroup_ = new QButtonGroup(page);
    const std::pair<const char*, const char*> choices[] = {
        {"id_item_connection_direct", "dfSETTINGWINDOW_CONNECTION_DIRECT"},
        {"id_item_connection_tunnering", "dfSETTINGWINDOW_CONNECTION_TUNNELING"},
        {"id_item_connection_proxy_system", "dfSETTINGWINDOW_CONNECTION_PROXY_SYSTEM"},
        {"id_item_connection_proxy_manual", "dfSETTINGWINDOW_CONNECTION_PROXY_MANUAL"},
    };
    int id = 0;
    for (const auto& [identifier, title] : choices) {
        auto* radio = new QRadioButton(LocalizedStringForKey(QString::fromLatin1(title)), page);
        radio->setObjectName(QString::fromLatin1(identifier));
        connectionGroup_->addButton(radio, id++);
        layout->addWidget(radio);
    }
    auto* form = new QFormLayout();
    form->setContentsMargins(24, 0, 0, 0);
    proxyHostInputField_ = makeField("proxyHostInputField", page);
    proxyPortInputField_ = makeField("proxyPortInputField", page);
    proxyPortInputField_->setMaximumWidth(120);
    form->addRow(makeLabel("dfSETTINGWINDOW_PROXY_HOST", "proxyHostLabel", page), proxyHostInputField_);
    form->addRow(makeLabel("dfSETTINGWINDOW_PROXY_PORT", "proxyPortLabel", page), proxyPortInputField_);
    layout->addLayout(form);
    layout->addStretch(1);

    // Set-up: the stored choice, host and port.
    const int choice = selectedConnType_ >= 1 && selectedConnType_ <= 3 ? selectedConnType_ : 0;
    connectionGroup_->button(choice)->setChecked(true);
    if (const auto host = UserDefaults::standard().stringForKey(QStringLiteral("SettingView_Host"))) {
        proxyHostInputField_->setText(*host);
    }
    proxyPortInputField_->setText(DataSaveManager::loadProxyPortText());
    setEnableConnectionMethod();

    connect(connectionGroup_, &QButtonGroup::idClicked, this, [this](int id) { connectTypeSelected(id); });
    for (QLineEdit* field : {proxyHostInputField_, proxyPortInputField_}) {
        connect(field, &QLineEdit::textEdited, this, [this, field] {
            if (!fieldsBeingEdited_.contains(field)) fieldsBeingEdited_ << field;
            edited();
        });
        connect(field, &QLineEdit::editingFinished, this, [this, field] {
            if (!fieldsBeingEdited_.removeAll(field)) return;
            edit_.connType = true;
        });
    }
    return page;
}

void SettingWindowController::connectTypeSelected(int choice) {
    if (choice >= 0 && choice <= 3) selectedConnType_ = choice;
    edit_.connType = true;
    endFieldEditing();
    setEnableConnectionMethod();
    edited();
}

void SettingWindowController::setEnableConnectionMethod() {
    const bool manual = selectedConnType_ == SETTING_CONNECTION_MANUAL_PROXY;
    for (QLineEdit* field : {proxyHostInputField_, proxyPortInputField_}) {
        field->setReadOnly(!manual);
        field->setEnabled(manual);
        QPalette palette = field->palette();
        palette.setColor(QPalette::Text, manual ? Qt::black : Qt::lightGray);
        palette.setColor(QPalette::Disabled, QPalette::Text, Qt::lightGray);
        field->setPalette(palette);
    }
}

bool SettingWindowController::checkTextForProxyInfo() {
    if (selectedConnType_ != SETTING_CONNECTION_MANUAL_PROXY) return true;
    if (proxyHostInputField_->text().isEmpty()) {
        showNotice(LocalizedString("dfENTERHOSTNAME"));
        return false;
    }
    if (proxyPortInputField_->text().isEmpty()) {
        showNotice(LocalizedString("dfENTERPORT"));
        return false;
    }
    return true;
}

bool SettingWindowController::saveConnection() {
    if (!edit_.connType) return true;
    const QString host = DataSaveManager::normalizedAddress(proxyHostInputField_->text());
    proxyHostInputField_->setText(host);
    const int port = IntValue(proxyPortInputField_->text());
    if (!DataSaveManager::saveConnection(selectedConnType_, host, port)) return false;
    const int written = selectedConnType_ == SETTING_CONNECTION_TUNNELING      ? 1
                        : selectedConnType_ >= SETTING_CONNECTION_SYSTEM_PROXY ? 3
                                                                               : 0;
    log(StringWithFormat(kLogMsgSettingChangeConnectType,
                         LogMessage::conversionSetConnectType(written, proxyPortInputField_->text(), host)));
    edit_.connType = false;
    setEnableConnectionMethod();
    return true;
}

// ---- Chat and layout ----

QWidget* SettingWindowController::makeChatPage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("sectionChat"));
    auto* layout = new QVBoxLayout(page);
    notifyChatBtn_ = makeCheckBox("dfSETTINGWINDOW_NOTIFY_CHAT", "notifyChatBtn", page);
    notifyChatBtn_->setChecked(DataSaveManager::loadNotifyChat());
    layout->addWidget(notifyChatBtn_);
    layout->addStretch(1);
    connect(notifyChatBtn_, &QCheckBox::clicked, this, [this] { edited(); });
    return page;
}

QWidget* SettingWindowController::makeLayoutPage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("sectionLayout"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(12, 60, 12, 12);  // 60 below the top edge of the page
    dispSpeakerBtn_ = makeCheckBox("dfSETTINGWINDOW_DISP_SPEAKER_BTN", "dispSpeakerBtn", page);
    dispSpeakerBtn_->setChecked(DataSaveManager::loadManyMtgDispSpeakerBtn());
    layout->addWidget(dispSpeakerBtn_);
    layout->addStretch(1);
    connect(dispSpeakerBtn_, &QCheckBox::clicked, this, [this] { edited(); });
    return page;
}

bool SettingWindowController::saveChat() {
    if (!notifyChatBtn_) return true;
    const bool on = notifyChatBtn_->isChecked();
    if (!DataSaveManager::saveNotifyChat(on)) return false;
    SettingNotificator::sharedNotificator().requestChangeChatNotifyNotification(on);
    return true;
}

bool SettingWindowController::saveLayout() {
    if (!dispSpeakerBtn_ || params_.roomCategory != ROOM_CATEGORY_MANYMTG_SETTING) return true;
    const bool on = dispSpeakerBtn_->isChecked();
    if (!DataSaveManager::saveManyMtgDispSpeakerBtn(on)) return false;
    SettingNotificator::sharedNotificator().requestChangeDispSpeakerBtnNotification(on);
    return true;
}

// ---- Recording ----

QWidget* SettingWindowController::makeRecordingPage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("sectionRecording"));
    auto* layout = new QVBoxLayout(page);
    const RecordingStoredSettings stored = DataSaveManager::loadRecordingSettings();

    auto* durationRow = new QHBoxLayout();
    durationRow->addWidget(makeLabel("dfSETTINGWINDOW_RECORDING_TIME", "recordingTimeLabel", page));
    recordingDurationFiled_ = makeField("recordingDurationFiled", page);
    recordingDurationFiled_->setMaximumWidth(80);
    recordingDurationFiled_->setValidator(new OnlyIntegerValueFormatter(params_.recordingMaxTime, page));
    recordingDurationFiled_->setText(StringWithFormat("%d", stored.timeLimitMinutes));
    recordingDurationStepper_ = new QSpinBox(page);
    recordingDurationStepper_->setObjectName(QStringLiteral("recordingDurationStepper"));
    recordingDurationStepper_->setRange(1, std::max(1, params_.recordingMaxTime));
    recordingDurationStepper_->setValue(std::max(1, IntValue(recordingDurationFiled_->text())));
    recordingDurationStepper_->setMaximumWidth(80);
    recordingMaxStr_ = new QLabel(LocalizedFormat("dfRECORD_MAX_TIME", params_.recordingMaxTime), page);
    recordingMaxStr_->setObjectName(QStringLiteral("recordingMaxStr"));
    durationRow->addWidget(recordingDurationFiled_);
    durationRow->addWidget(recordingDurationStepper_);
    durationRow->addWidget(recordingMaxStr_);
    durationRow->addStretch(1);
    layout->addLayout(durationRow);

    auto* sizes = new QFormLayout();
    movFiled_ = makeField("movFiled", page);
    mp4Filed_ = makeField("mp4Filed", page);
    audioOnlyField_ = makeField("audioOnlyField", page);
    movFiled_->setValidator(new OnlyIntegerValueFormatter(kMovRotateMax, page));
    auto* shared = new OnlyIntegerValueFormatter(kRotateMax, page);
    mp4Filed_->setValidator(shared);
    audioOnlyField_->setValidator(shared);
    movFiled_->setText(StringWithFormat("%d", stored.movRotateMB));
    mp4Filed_->setText(StringWithFormat("%d", stored.mp4RotateMB));
    audioOnlyField_->setText(StringWithFormat("%d", stored.audioRotateMB));
    mp4RotationBtn_ = makeCheckBox("dfSETTINGWINDOW_RECORDING_NO_SPLIT", "mp4RotationBtn", page);
    audioOnlyRotationBtn_ = makeCheckBox("dfSETTINGWINDOW_RECORDING_NO_SPLIT", "audioOnlyRotationBtn", page);
    mp4RotationBtn_->setChecked(stored.mp4NoSplit);
    audioOnlyRotationBtn_->setChecked(stored.audioNoSplit);
    const auto row = [page](QLineEdit* field, QCheckBox* box) {
        auto* h = new QHBoxLayout();
        field->setMaximumWidth(100);
        h->addWidget(field);
        h->addWidget(new QLabel(QStringLiteral("MB"), page));
        if (box) h->addWidget(box);
        h->addStretch(1);
        return h;
    };
    sizes->addRow(makeLabel("dfSETTINGWINDOW_RECORDING_SPLIT_MOV", "movLabel", page),
                  row(movFiled_, nullptr));
    sizes->addRow(makeLabel("dfSETTINGWINDOW_RECORDING_SPLIT_MP4", "mp4Label", page),
                  row(mp4Filed_, mp4RotationBtn_));
    sizes->addRow(makeLabel("dfSETTINGWINDOW_RECORDING_SPLIT_AUDIO", "audioLabel", page),
                  row(audioOnlyField_, audioOnlyRotationBtn_));
    layout->addLayout(sizes);

    auto* line = new QFrame(page);
    line->setObjectName(QStringLiteral("recordingHorizonLine"));
    line->setFrameShape(QFrame::HLine);
    auto* title = makeLabel("dfSETTINGWINDOW_RECORDING_DATE_TITLE", "recordingDateTitle", page);
    recordingDateBtn_ = makeCheckBox("dfSETTINGWINDOW_RECORDING_DATE", "recordingDateBtn", page);
    recoringDateSize_ = new QComboBox(page);
    recoringDateSize_->setObjectName(QStringLiteral("recoringDateSize"));
    for (const char* key : {"dfRECORD_SIZE_S", "dfRECORD_SIZE_M", "dfRECORD_SIZE_L"}) {
        recoringDateSize_->addItem(LocalizedStringForKey(QString::fromLatin1(key)));
    }
    recordingPoint_ = new QComboBox(page);
    recordingPoint_->setObjectName(QStringLiteral("recordingPoint"));
    for (const char* key : {"dfRECORD_POINT_RIGHT_TOP", "dfRECORD_POINT_LFET_TOP",
                            "dfRECORD_POINT_RIGHT_BOTTOM", "dfRECORD_POINT_LFET_BOTTOM"}) {
        recordingPoint_->addItem(LocalizedStringForKey(QString::fromLatin1(key)));
    }
    auto* sizeLbl = makeLabel("dfSETTINGWINDOW_RECORDING_DATE_SIZE", "recordingDateTimeStampSizeLbl", page);
    auto* pointLbl =
        makeLabel("dfSETTINGWINDOW_RECORDING_DATE_POINT", "recordingDateTimeStampPointLbl", page);
    layout->addWidget(line);
    layout->addWidget(title);
    layout->addWidget(recordingDateBtn_);
    auto* overlay = new QFormLayout();
    overlay->setContentsMargins(24, 0, 0, 0);
    overlay->addRow(sizeLbl, recoringDateSize_);
    overlay->addRow(pointLbl, recordingPoint_);
    layout->addLayout(overlay);
    layout->addStretch(1);
    if (params_.isShowRecordTimeStamp) {
        recordingDateBtn_->setChecked(isRecTimeStamp_);
        selectedRecordingSize_ = stored.dateSize;
        selectedRecordingPoint_ = stored.datePoint;
        recoringDateSize_->setCurrentIndex(selectedRecordingSize_);
        recordingPoint_->setCurrentIndex(selectedRecordingPoint_);
        recoringDateSize_->setEnabled(isRecTimeStamp_);
        recordingPoint_->setEnabled(isRecTimeStamp_);
    } else {
        for (QWidget* w : std::initializer_list<QWidget*>{line, title, recordingDateBtn_, recoringDateSize_,
                                                          recordingPoint_, sizeLbl, pointLbl}) {
            w->hide();
        }
    }

    const auto recordingEdit = [this] {
        edit_.recording = true;
        edited();
    };
    for (QLineEdit* field : {recordingDurationFiled_, movFiled_, mp4Filed_, audioOnlyField_}) {
        connect(field, &QLineEdit::textEdited, this, [this, field, recordingEdit] {
            if (!fieldsBeingEdited_.contains(field)) fieldsBeingEdited_ << field;
            recordingEdit();
        });
        connect(field, &QLineEdit::editingFinished, this, [this, field] {
            fieldsBeingEdited_.removeAll(field);
            if (field == recordingDurationFiled_) {
                restoreRecordingDuration();
            } else {
                applyRotateMinimum(field);
            }
        });
    }
    connect(recordingDurationFiled_, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QSignalBlocker block(recordingDurationStepper_);
        recordingDurationStepper_->setValue(IntValue(text));
    });
    connect(recordingDurationStepper_, &QSpinBox::valueChanged, this, [this, recordingEdit](int value) {
        recordingDurationFiled_->setText(StringWithFormat("%d", value));
        endFieldEditing();
        recordingEdit();
    });
    for (QCheckBox* box : {mp4RotationBtn_, audioOnlyRotationBtn_}) {
        connect(box, &QCheckBox::clicked, this, [this, recordingEdit] {
            endFieldEditing();
            recordingEdit();
        });
    }
    connect(recordingDateBtn_, &QCheckBox::clicked, this, [this, recordingEdit](bool on) {
        isRecTimeStamp_ = on;
        recoringDateSize_->setEnabled(on);
        recordingPoint_->setEnabled(on);
        endFieldEditing();
        recordingEdit();
    });
    connect(recoringDateSize_, &QComboBox::activated, this, [this, recordingEdit](int index) {
        selectedRecordingSize_ = index;
        endFieldEditing();
        recordingEdit();
    });
    connect(recordingPoint_, &QComboBox::activated, this, [this, recordingEdit](int index) {
        selectedRecordingPoint_ = index;
        endFieldEditing();
        recordingEdit();
    });
    return page;
}

void SettingWindowController::restoreRecordingDuration() {
    if (recordingDurationFiled_ && recordingDurationFiled_->text().isEmpty()) {
        recordingDurationFiled_->setText(
            StringWithFormat("%d", DataSaveManager::loadRecordingSettings().timeLimitMinutes));
    }
}

void SettingWindowController::applyRotateMinimum(QLineEdit* field) {
    if (field->text().isEmpty() || IntValue(field->text()) < kRotateMin) {
        field->setText(StringWithFormat("%d", kRotateMin));
    }
}

void SettingWindowController::checkRecordingTextField() {
    if (!params_.isShowRecordTab || !recordingDurationFiled_) return;
    restoreRecordingDuration();
    for (QLineEdit* field : {movFiled_, mp4Filed_, audioOnlyField_}) applyRotateMinimum(field);
}

bool SettingWindowController::saveRecording() {
    if (!edit_.recording || !recordingDurationFiled_) return true;
    RecordingStoredSettings s;
    s.timeLimitMinutes = IntValue(recordingDurationFiled_->text());
    s.movRotateMB = IntValue(movFiled_->text());
    s.mp4RotateMB = IntValue(mp4Filed_->text());
    s.audioRotateMB = IntValue(audioOnlyField_->text());
    s.mp4NoSplit = mp4RotationBtn_->isChecked();
    s.audioNoSplit = audioOnlyRotationBtn_->isChecked();
    s.dateSize = selectedRecordingSize_;
    s.datePoint = selectedRecordingPoint_;
    bool written = DataSaveManager::saveRecordingSettings(s, params_.isShowRecordTimeStamp);
    if (params_.isShowRecordTimeStamp) {
        if (params_.recordingTimeRecDefaultCheck == 0 || params_.recordingTimeRecDefaultCheck == 1) {
            written &= DataSaveManager::saveRecordingDateCheck(recordingDateBtn_->isChecked());
        }
        if (delegate_) delegate_->settingTimeRecCheck(isRecTimeStamp_);
    }
    if (!written) return false;
    edit_.recording = false;
    return true;
}
