// The remote-settings overview: one table row per participant of the model
// (the user's own row first, tinted), showing everybody's camera, speaker or
// microphone settings, and a bulk-change area that sets camera on/off, frame
// rate, video size, speaker on/off and microphone on/off of the ticked
// participants at once. A double-click opens one participant's window.
// Main thread only.
#pragma once

#include <QSize>
#include <QStringList>
#include <QWidget>
#include <array>
#include <optional>
#include <vector>

#include "remotestg/RemoteStgManager.h"
#include "remotestg/RemoteStgNotificator.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QTableWidget;
class RemoteStgAllWindowController;

class RemoteStgAllWindowControllerDelegate {
public:
    virtual ~RemoteStgAllWindowControllerDelegate() = default;
    virtual void sendRemoteStgUpdateReqAll() = 0;
    virtual void sendRemoteStgChangeReqAll(const QStringList& userIds, const RemoteStgItems& reqData) = 0;
    virtual QStringList getStrFrameRateList() = 0;
    virtual std::vector<QSize> getStrVideoSizeList() = 0;
    virtual void showRemoteStgOneWindow(const UserInfoRef& user) = 0;
    virtual void onCloseRemoteStgAllWindow(RemoteStgAllWindowController* window) = 0;
};

class RemoteStgAllWindowController : public QWidget, public RemoteStgNotificatorDispatcherDelegate {
    Q_OBJECT

public:
    static constexpr int kWidthShown = 1020, kWidthHidden = 738, kHeight = 480;
    static constexpr double kLineFromTop = 54;
    static constexpr int kWaitMs = 5000;
    enum Popup { CameraOnOff = 0, FrameRate, VideoSize, SpeakerOnOff, MicOnOff, kPopupCount };
    // The bulk area's places: the distance d from the line 54 points below
    // the top down to each element's bottom edge; none: hidden.
    struct BulkLayout {
        std::optional<double> cameraTitle, cameraTitleLine, speakerTitle, speakerTitleLine, micTitle,
            micTitleLine;
        std::array<std::optional<double>, kPopupCount> popup{};
    };
    static BulkLayout bulkLayoutFor(const RemoteStgFlgInfo& hide);
    // The column identifiers of a view (0 camera, 1 speaker, 2 microphone).
    static QStringList columnIdsFor(int dispMode, bool withCheck);
    // The text of a cell, none for an unknown column.
    static std::optional<QString> cellText(const QString& columnId, const RemoteStgUserInfo& entry);

    RemoteStgAllWindowController(const UserInfoRef& myInfo, RemoteStgInfo* stgInfo,
                                 const RemoteStgFlgInfo& hideFlg,
                                 RemoteStgAllWindowControllerDelegate* delegate, QWidget* parent = nullptr);
    ~RemoteStgAllWindowController() override;

    UserInfoRef myInfo() const { return myInfo_; }

    // Actions.
    void onSelectItem(int dispMode);
    void onClickUpdateButton();
    void onClickDispBulkMenuButton();
    void onClickAllUserCheckButton(bool on);
    void onClickUserCheckBtn(const QString& userId, bool on);
    void onStgItemAction();
    void onClickRequestButton();
    void onStgListDoubleClick(int row);

    // RemoteStgNotificatorDispatcherDelegate
    void didChangeUserInfo(const QString& userId, const RemoteStgUserInfo& info) override;
    void didChangeRemoteStgInfo(RemoteStgInfo* model) override;

    // The state, for tests.
    int dispMode() const { return mDispMode; }
    bool isBulkAreaShown() const { return mbDispBulkMenuArea; }
    const QStringList& selectedUsers() const { return mSelectedUserArry; }
    const QStringList& columnIds() const { return columnIds_; }
    bool isWaiting() const { return waiting_; }
    QTableWidget* table() const { return allSettingList_; }
    QComboBox* popup(Popup p) const { return popups_[size_t(p)]; }
    QPushButton* updateInfoButton() const { return updateInfoButton_; }
    QPushButton* requestChangeButton() const { return requestChangeButton_; }
    QCheckBox* allUserCheckButton() const { return allUserCheckButton_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void windowDidLoad();
    void updateStgList(int dispMode);
    void reloadData();
    void setBulkChangeMenuAreaItem();
    void changeDispBulkChangeMenuArea(bool show);
    void updateChangeButton();
    void startUpdateBtnTimer();

    UserInfoRef myInfo_;
    RemoteStgInfo* mStgInfo;
    RemoteStgFlgInfo mAllDlgHideFlg;
    RemoteStgAllWindowControllerDelegate* delegate_;
    int mDispMode = 0;
    bool mbDispBulkMenuArea = false;
    QStringList mSelectedUserArry;
    QStringList columnIds_;
    std::vector<RemoteStgUserInfo> rows_;
    std::unique_ptr<RemoteStgNotificatorDispatcher> mNotificator;
    bool waiting_ = false;
    int waitGeneration_ = 0;
    bool closed_ = false;

    std::array<QPushButton*, 3> viewButtons_{};
    QButtonGroup* viewGroup_ = nullptr;
    QTableWidget* allSettingList_ = nullptr;
    QWidget* bulkChangeMenuArea_ = nullptr;
    QCheckBox* allUserCheckButton_ = nullptr;
    std::array<QComboBox*, kPopupCount> popups_{};
    std::array<QLabel*, kPopupCount> popupLabels_{};
    std::array<QLabel*, 3> groupTitles_{};
    std::array<QFrame*, 3> groupLines_{};
    QPushButton* dispBulkMenuButton_ = nullptr;
    QPushButton* updateInfoButton_ = nullptr;
    QPushButton* requestChangeButton_ = nullptr;
};
