// The preferences window: the stored settings on up to seven pages (audio,
// video, document sharing, connection, chat, layout, recording). An edit
// changes only the window's working values and sets its page's edit flag;
// OK and Apply write the edited settings and tell the delegate, which applies
// them to the running conference; Cancel drops the edits. A save that could
// not be written says so and leaves the window open with its edits.
//
// The class is written in sections:
//   SettingWindowController.cpp       the window, its buttons, the saves of the
//                                     document-sharing, connection, chat, layout and recording pages
//   SettingWindowControllerMedia.cpp  the audio and video pages
//
// Main thread only; the dispatchers deliver device and remote camera changes there.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

#include "media/AudioDeviceInfo.h"
#include "media/AudioDeviceNotificatorDispatcher.h"
#include "platform/CaptureDevice.h"
#include "platform/Window.h"
#include "services/SettingNotificatorDispatcher.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;
class OnlyIntegerValueFormatter;

enum {
    ROOM_CATEGORY_NORMAL_SETTING = 0,
    ROOM_CATEGORY_SEMINAR_SETTING = 1,
    ROOM_CATEGORY_MANYMTG_SETTING = 2
};

// Why the window asks to be closed.
enum SettingWindowCloseCode : int {
    SETTING_CLOSE_OK = 0,
    SETTING_CLOSE_CANCEL = 1,
    SETTING_CLOSE_CLOSING = 2
};

class SettingWindowControllerDelegate {
public:
    virtual ~SettingWindowControllerDelegate() = default;
    // 0 after OK has saved, 1 on Cancel, 2 when the window is closing.
    virtual void closeSettingWindow(int reason) = 0;
    virtual void changeAudioSettings(const std::optional<AudioDeviceInfo>& input,
                                     const std::optional<AudioDeviceInfo>& output,
                                     std::int64_t echoCancelMode, std::int64_t noiseReductionMode) = 0;
    // -1 for a size or rate that was not edited; no device for "unchanged".
    virtual void changeVideoSettings(QSize size, int frameRate,
                                     const std::optional<CaptureDevice>& device) = 0;
    // 0 none, 1 blur, 2 custom (with the image).
    virtual void changeVideoBg(int mode, const std::optional<QByteArray>& imgData) = 0;
    // Asks the user for an image file and calls the handler with its content.
    virtual void selectedCustomImgData(std::function<void(const QByteArray&)> handler) = 0;
    virtual void settingTimeRecCheck(bool on) = 0;
};

struct SettingWindowParams {
    QPointF origin;  // top-left of the window, screen coordinates top-down
    QString dsDefaultUrl;
    std::optional<QString> currentInDevUid, currentOutDevUid;
    AudioDeviceInfoList inputDevices, outputDevices;
    bool isHDMode = false;
    bool isShowDocShareTab = false;
    bool isShowNotifyChatBtn = false;
    int roomCategory = ROOM_CATEGORY_NORMAL_SETTING;
    bool isShowRecordTab = false;
    int recordingMaxTime = 300;
    bool isShowRecordTimeStamp = false;
    int recordingTimeRecDefaultCheck = 0;
    bool isRecTimeStamp = false;
    bool isBgBlur = false;
    // The cameras of the machine (the Video4Linux nodes unless a test gives others).
    std::function<QVector<CaptureDevice>()> cameraList;
    // A modal notice with one message and the default button.
    std::function<void(const QString& message)> showNotice;
};

class SettingWindowController : public QObject,
                                public WindowDelegate,
                                public SettingNotificatorDispatcherDelegate,
                                public AudioDeviceNotificatorDispatcherDelegate {
    Q_OBJECT

public:
    // The smallest content size at which every page shows all of its controls.
    static constexpr double kMinWidth = 600;
    static constexpr double kMinHeight = 470;

    SettingWindowController(SettingWindowParams params, SettingWindowControllerDelegate* delegate,
                            QObject* parent = nullptr);
    ~SettingWindowController() override;

    Window* window() const { return window_; }
    void showWindow();
    // Closes the window (the delegate hears 2).
    void close();

    void onClickOkButton();
    void onClickApplyButton();
    void onClickCancelButton();
    // Writes every edited page; false when a write failed (the flags of that page stay set).
    bool saveAllData();

    // WindowDelegate
    void windowWillClose(Window* window) override;

    // SettingNotificatorDispatcherDelegate
    void didChangeCamDevice(SettingNotificatorDispatcher*, const QString& device,
                            const QStringList& allDevice, int index) override;
    void didChangeResolution(SettingNotificatorDispatcher*, const QSizeF& resolution) override;
    void didChangeFps(SettingNotificatorDispatcher*, int fps) override;

    // AudioDeviceNotificatorDispatcherDelegate
    void didChangeInputDeviceList(AudioDeviceNotificatorDispatcher*, const AudioDeviceInfoList& list,
                                  int selectedIdx) override;
    void didChangeOutputDeviceList(AudioDeviceNotificatorDispatcher*, const AudioDeviceInfoList& list,
                                   int selectedIdx) override;
    void didChangeCurrentInputDevice(AudioDeviceNotificatorDispatcher*,
                                     const AudioDeviceInfo& device) override;
    void didChangeCurrentOutputDevice(AudioDeviceNotificatorDispatcher*,
                                      const AudioDeviceInfo& device) override;
    void didChangeEchoCancelMode(AudioDeviceNotificatorDispatcher*, std::int64_t mode) override;

    // The custom image chosen through the delegate.
    void onBgCustomImgData(const QByteArray& data);

    // The working values and edit flags, for tests.
    int selectedConnType() const { return selectedConnType_; }
    int selectedMicDevice() const { return selectedMicDevice_; }
    int selectedSpeakerDevice() const { return selectedSpeakerDevice_; }
    int selectedVideoSize() const { return selectedVideoSize_; }
    int selectedFrameRate() const { return selectedFrameRate_; }
    bool isEditing() const;

private:
    struct EditFlags {
        bool micDevice = false, speakerDevice = false, defMicOff = false, defSpkOff = false,
             echoCancel = false, noiseReduction = false;
        bool cameraDevice = false, defCamOff = false, frameRate = false, videoSize = false, videoBg = false;
        bool dsDefaultURL = false, connType = false, recording = false;
    };

    void windowDidLoad();
    void edited();  // enables Apply
    void endFieldEditing();
    void showNotice(const QString& message);
    static void log(const QString& line);

    // Audio and video pages (SettingWindowControllerMedia.cpp).
    QWidget* makeAudioPage();
    QWidget* makeVideoPage();
    void setupAudioPage();
    void setupVideoPage();
    void rebuildDeviceList(QComboBox* list, const AudioDeviceInfoList& devices, int selected);
    void rebuildCameraList(const QStringList& names, int selected);
    void makeRadioButtons();
    void setVideoSizeInfoMessage();
    void showBgImage(const std::optional<QByteArray>& data);
    bool saveAudio();
    bool saveVideo();

    // Other pages (SettingWindowController.cpp).
    QWidget* makeDocSharePage();
    QWidget* makeConnectionPage();
    QWidget* makeChatPage();
    QWidget* makeLayoutPage();
    QWidget* makeRecordingPage();
    void setEnableConnectionMethod();
    void connectTypeSelected(int choice);
    bool checkTextForProxyInfo();
    void checkRecordingTextField();
    void restoreRecordingDuration();
    void applyRotateMinimum(QLineEdit* field);
    bool saveDocShareUrl();
    bool saveConnection();
    bool saveChat();
    bool saveLayout();
    bool saveRecording();

    SettingWindowParams params_;
    SettingWindowControllerDelegate* delegate_;
    QPointer<Window> window_;
    std::unique_ptr<SettingNotificatorDispatcher> settingDispatcher_;
    std::unique_ptr<AudioDeviceNotificatorDispatcher> audioDispatcher_;
    bool closing_ = false;

    EditFlags edit_;

    // Audio working values.
    AudioDeviceInfoList micDevices_, speakerDevices_;
    int selectedMicDevice_ = 0, selectedSpeakerDevice_ = 0;
    int selectedEchoCancelMenu_ = 1;
    int selectedNoiceReductionMenu_ = 0;
    // Video working values.
    QVector<CaptureDevice> cameraDevices_;
    int selectedCameraDevice_ = 0;
    int selectedFrameRate_ = -1, selectedVideoSize_ = -1;
    std::optional<QByteArray> selectedCustomImgData_;
    // Other pages.
    int selectedConnType_ = 0;
    int selectedRecordingSize_ = 0, selectedRecordingPoint_ = 0;
    bool isRecTimeStamp_ = false;
    // Fields being edited (begun, not yet ended).
    QList<QLineEdit*> fieldsBeingEdited_;

    // Controls (owned by the window).
    QTabWidget* sections_ = nullptr;
    QPushButton *buttonOk_ = nullptr, *buttonCancel_ = nullptr, *buttonApply_ = nullptr;
    QComboBox *micDeviceList_ = nullptr, *speakerDeviceList_ = nullptr, *echoCancellationList_ = nullptr,
              *noiseReductionList_ = nullptr, *cameraDeviceList_ = nullptr;
    QCheckBox *defaultMicOffCheckBox_ = nullptr, *defaultSpkOffCheckBox_ = nullptr,
              *defaultCamOffCheckBox_ = nullptr;
    QWidget *frameRateArea_ = nullptr, *videoSizeArea_ = nullptr;
    QButtonGroup *frameRateGroup_ = nullptr, *videoSizeGroup_ = nullptr, *bgGroup_ = nullptr;
    QLabel* informationArea_ = nullptr;
    QLabel* bgSettingLbl_ = nullptr;
    QRadioButton *bgNoneBtn_ = nullptr, *bgBlurBtn_ = nullptr, *bgCustomBtn_ = nullptr;
    QPushButton *bgImgSelectBtn_ = nullptr, *bgImgDelBtn_ = nullptr;
    QButtonGroup* connectionGroup_ = nullptr;
    QLineEdit *proxyHostInputField_ = nullptr, *proxyPortInputField_ = nullptr, *urlInputField_ = nullptr;
    QCheckBox *notifyChatBtn_ = nullptr, *dispSpeakerBtn_ = nullptr;
    QLabel* recordingMaxStr_ = nullptr;
    QLineEdit *recordingDurationFiled_ = nullptr, *movFiled_ = nullptr, *mp4Filed_ = nullptr,
              *audioOnlyField_ = nullptr;
    QSpinBox* recordingDurationStepper_ = nullptr;
    QCheckBox *mp4RotationBtn_ = nullptr, *audioOnlyRotationBtn_ = nullptr, *recordingDateBtn_ = nullptr;
    QComboBox *recoringDateSize_ = nullptr, *recordingPoint_ = nullptr;
};
