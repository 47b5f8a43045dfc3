// The remote-settings window of one participant: the participant's camera,
// speaker, microphone and further settings in four areas of rows (a list, an
// ON/OFF switch, or a number with a stepper), read from the participant's
// entry of the model and redrawn from the model's notices. The update button
// asks for a fresh reading, the change button sends the rows that differ from
// the entry; both wait at most 5 seconds for an answer. Rows the room hides
// take no room; rows only other clients report are shown once reported.
// Main thread only.
#pragma once

#include <QRectF>
#include <QWidget>
#include <array>
#include <optional>

#include "remotestg/RemoteStgManager.h"
#include "remotestg/RemoteStgNotificator.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class RemoteStgOneWindowController;

class RemoteStgOneWindowControllerDelegate {
public:
    virtual ~RemoteStgOneWindowControllerDelegate() = default;
    virtual void sendRemoteStgUpdateReq(const UserInfoRef& user) = 0;
    virtual void sendRemoteStgChangeReq(const QString& userId, const RemoteStgItems& reqData) = 0;
    virtual void onCloseRemoteStgOneWindow(RemoteStgOneWindowController* window, bool isForceClose) = 0;
};

class RemoteStgOneWindowController : public QWidget, public RemoteStgNotificatorDispatcherDelegate {
    Q_OBJECT

public:
    enum Area { CameraArea = 0, SpeakerArea = 1, MicArea = 2, OtherArea = 3 };
    enum Kind { ListRow, SwitchRow, NumberRow };
    struct Row {
        Area area;
        Kind kind;
        const char* name;      // object names: <name>Lbl, <name>List, <name>Stepper
        const char* labelKey;  // localisation key of the label
        RemoteStgFlgInfo::Field flag;
        const char* changeKey;
        bool reportedOnly;  // shown only once the participant reported it
    };
    static constexpr int kRowCount = 20;
    static const std::array<Row, kRowCount>& rows();

    static constexpr double kWindowWidth = 420;
    static constexpr double kScrollBottom = 62;
    static constexpr double kMaxScrollHeight = 780;
    static constexpr int kWaitMs = 5000;

    // The layout for the rows shown, in bottom-up coordinates: each area's
    // height and bottom inside the scrolled content, each shown row's control
    // bottom inside its area, the content's and the scroll area's heights and
    // the window's content height.
    struct Layout {
        std::array<double, 4> areaHeight{}, areaBottom{};
        std::array<std::optional<double>, kRowCount> rowBottom{};
        double sum = 0, contentHeight = 0, scrollHeight = 0, windowHeight = 0;
    };
    static Layout layoutFor(const std::array<bool, kRowCount>& shown);
    // The change dictionary: the edited value of each taking part row that
    // differs from the entry (`values` holds each row's control text, none
    // without a selection).
    static RemoteStgItems changeItems(const RemoteStgUserInfo& entry, const RemoteStgFlgInfo& hide,
                                      const std::array<std::optional<QString>, kRowCount>& values);

    RemoteStgOneWindowController(const UserInfoRef& user, const std::optional<RemoteStgUserInfo>& stgInfo,
                                 const RemoteStgFlgInfo& hideFlg, QWidget* parent = nullptr);
    ~RemoteStgOneWindowController() override;

    void setDelegate(RemoteStgOneWindowControllerDelegate* delegate) { delegate_ = delegate; }
    UserInfoRef userInfo() const { return userInfo_; }
    void respondedChangeReq(bool success);
    void forceClose();

    // Actions.
    void onClickUpdateInfo();
    void onClickRequestChange();
    void onStgItemAction();
    void onClickStepper(QSpinBox* stepper);

    // RemoteStgNotificatorDispatcherDelegate
    void didChangeListInfo(const QString& userId, int type, const RemoteStgListInfo& list) override;
    void didChangeUserInfo(const QString& userId, const RemoteStgUserInfo& info) override;
    void didChangeRemoteStgInfo(RemoteStgInfo* model) override;

    // The state, for tests.
    const std::optional<RemoteStgUserInfo>& stgInfo() const { return mStgInfo; }
    bool isWaiting() const { return waiting_; }
    const Layout& currentLayout() const { return layout_; }
    QPushButton* updateInfoBtn() const { return updateInfoBtn_; }
    QPushButton* requestChangeBtn() const { return requestChangeBtn_; }
    QScrollArea* stgScrollArea() const { return scrollArea_; }
    QWidget* areaView(Area area) const { return areaViews_[size_t(area)]; }
    QComboBox* comboAt(int row) const { return rowControls_[size_t(row)].combo; }
    QLineEdit* fieldAt(int row) const { return rowControls_[size_t(row)].field; }
    QSpinBox* stepperAt(int row) const { return rowControls_[size_t(row)].stepper; }
    QLabel* labelAt(int row) const { return rowControls_[size_t(row)].label; }
    static int rowIndex(const char* changeKey);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct RowControls {
        QLabel* label = nullptr;
        QComboBox* combo = nullptr;
        QLineEdit* field = nullptr;
        QSpinBox* stepper = nullptr;
    };
    void windowDidLoad();
    void buildAreas();
    void adjustContents(bool display);
    void fillRow(int row);
    bool isReported(int row) const;
    bool isReadOnly(int row) const;
    bool isShown(int row) const;
    void startUpdateBtnTimer();
    void stopUpdateBtnTimer();
    void windowWillClose();

    UserInfoRef userInfo_;
    std::optional<RemoteStgUserInfo> mStgInfo;
    RemoteStgFlgInfo mOneDlgHideFlg;
    std::unique_ptr<RemoteStgNotificatorDispatcher> mNotificator;
    RemoteStgOneWindowControllerDelegate* delegate_ = nullptr;
    bool mbForceClose = false;
    bool waiting_ = false;
    int waitGeneration_ = 0;
    bool closed_ = false;
    Layout layout_;

    QLabel* userNameLbl_ = nullptr;
    QLabel* osNameLbl_ = nullptr;
    QScrollArea* scrollArea_ = nullptr;
    QWidget* content_ = nullptr;
    std::array<QWidget*, 4> areaViews_{};
    std::array<QLabel*, 4> areaTitles_{};
    std::array<RowControls, kRowCount> rowControls_{};
    QPushButton* updateInfoBtn_ = nullptr;
    QPushButton* requestChangeBtn_ = nullptr;
};
