#include "appshare/APShareMenuWindowController.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "platform/LaunchAppManager.h"
#include "platform/Localization.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "platform/View.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"

namespace {

constexpr double kWidth = 320;
constexpr double kHeight = 330;

bool defaultIsOn(const char* key) {
    return UserDefaults::standard().stringForKey(QString::fromLatin1(key)).value_or(QString()) ==
           QLatin1String("Y");
}

}  // namespace

APShareMenuWindowController::APShareMenuWindowController(QObject* parent) : QObject(parent) {}

APShareMenuWindowController::~APShareMenuWindowController() {
    if (window_) {
        saveMenuInfo();
        window_->setDelegate(nullptr);
        delete window_.data();
    }
    if (observing_)
        if (auto manager = LaunchAppManager::sharedManager()) manager->removeUpdateNotification(this);
}

Window* APShareMenuWindowController::window() {
    if (!window_) loadWindow();
    return window_;
}

void APShareMenuWindowController::loadWindow() {
    // Laid out top-down from the window's top edge, placed bottom-up.
    auto* w = new Window(QRectF(0, 0, kWidth, kHeight),
                         WindowStyleTitled | WindowStyleClosable | WindowStyleMiniaturizable);
    w->setObjectName(QStringLiteral("APShareMenuWindow"));
    w->setTitle(LocalizedString("dfAPSHARE_MENU_TITLE"));
    w->setDelegate(this);
    View* content = w->contentView();
    auto place = [&](QWidget* widget, double top, double height, double left = 16,
                     double width = kWidth - 32) {
        widget->setParent(content);
        View::setFrameOf(widget, QRectF(left, kHeight - top - height, width, height));
    };
    radioDesktop_ = new QRadioButton(LocalizedString("dfAPSHARE_MENU_DESKTOP"));
    radioDesktop_->setObjectName(QStringLiteral("apshare_menu_radio_desktop"));
    place(radioDesktop_, 12, 22);
    radioApplication_ = new QRadioButton(LocalizedString("dfAPSHARE_MENU_APPLICATION"));
    radioApplication_->setObjectName(QStringLiteral("apshare_menu_radio_application"));
    place(radioApplication_, 38, 22);
    appListView_ = new QListWidget;
    appListView_->setObjectName(QStringLiteral("applist"));
    appListView_->setIconSize(QSize(kRowHeight - 6, kRowHeight - 6));
    appListView_->setUniformItemSizes(true);
    appListView_->setTextElideMode(Qt::ElideRight);
    appListView_->setSelectionMode(QAbstractItemView::SingleSelection);
    place(appListView_, 64, 150);
    checkIgnoreOpReq_ = new QCheckBox(LocalizedString("dfAPSHARE_MENU_IGNORE_OPERATION"));
    checkIgnoreOpReq_->setObjectName(QStringLiteral("apshare_menu_ignore_operation"));
    place(checkIgnoreOpReq_, 222, 22);
    checkFullScreen_ = new QCheckBox(LocalizedString("dfAPSHARE_MENU_FULLSCREEN"));
    checkFullScreen_->setObjectName(QStringLiteral("apshare_menu_start_fullscreen"));
    place(checkFullScreen_, 248, 22);
    buttonStart_ = new QPushButton(LocalizedString("dfAPSHARE_MENU_START"));
    buttonStart_->setObjectName(QStringLiteral("apshare_menu_button_start"));
    place(buttonStart_, 286, 30, kWidth - 16 - 2 * 96 - 8, 96);
    buttonStop_ = new QPushButton(LocalizedString("dfAPSHARE_MENU_STOP"));
    buttonStop_->setObjectName(QStringLiteral("apshare_menu_button_stop"));
    place(buttonStop_, 286, 30, kWidth - 16 - 96, 96);

    connect(buttonStart_, &QPushButton::clicked, this, [this] { onClickButton(buttonStart_); });
    connect(buttonStop_, &QPushButton::clicked, this, [this] { onClickButton(buttonStop_); });
    connect(radioDesktop_, &QRadioButton::toggled, this, [this] { onSelectProgram(radioDesktop_); });
    connect(radioApplication_, &QRadioButton::toggled, this, [this] { onSelectProgram(radioApplication_); });
    connect(checkIgnoreOpReq_, &QCheckBox::toggled, this, [this] { onSelectOption(checkIgnoreOpReq_); });
    connect(checkFullScreen_, &QCheckBox::toggled, this, [this] { onSelectOption(checkFullScreen_); });
    connect(appListView_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && std::size_t(row) < mAppList.size()) mSelectApp = mAppList[std::size_t(row)];
    });
    window_ = w;
    awakeFromNib();
    w->center();
}

void APShareMenuWindowController::awakeFromNib() {
    if (isASControlIgnoreOption_) {
        checkIgnoreOpReq_->setChecked(true);
        checkIgnoreOpReq_->setEnabled(false);
        isIgnoreControlReq_ = true;
    } else {
        checkIgnoreOpReq_->setChecked(defaultIsOn(kKeyIgnoreOpReq));
        isIgnoreControlReq_ = checkIgnoreOpReq_->isChecked();
    }
    checkFullScreen_->setChecked(defaultIsOn(kKeyFullScreen));
    checkFullScreen_->setVisible(isShowFullScreenMenu_);
    radioApplication_->setEnabled(!disableApplication_);
    if (disableApplication_) {
        radioDesktop_->setChecked(true);
        appListView_->setVisible(false);
        appListView_->setEnabled(false);
    } else {
        radioApplication_->setChecked(true);
    }
    buttonStop_->setEnabled(false);

    auto manager = LaunchAppManager::sharedManager();
    if (manager) {
        manager->setUpdateNotification(this, [this] {
            // Posted on the thread of the change; the list is the main thread's.
            QMetaObject::invokeMethod(
                this, [this] { update(); }, Qt::AutoConnection);
        });
        observing_ = true;
        mAppList = manager->launchAppList();
    }
    mSelectApp.reset();
    mSelectProgram = disableApplication_ ? 1 : 0;
    reloadTable();
}

void APShareMenuWindowController::reloadTable() {
    if (!appListView_) return;
    const QSignalBlocker block(appListView_);
    appListView_->clear();
    for (const ApplicationInfo& app : mAppList) {
        auto* item = new QListWidgetItem(app.name);
        if (!app.icon.isNull()) item->setIcon(QIcon(QPixmap::fromImage(app.icon)));
        item->setSizeHint(QSize(0, kRowHeight));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        appListView_->addItem(item);
    }
    // The selection stays with its application when the list changes.
    if (mSelectApp) {
        for (std::size_t i = 0; i < mAppList.size(); ++i)
            if (mAppList[i].processId == mSelectApp->processId) appListView_->setCurrentRow(int(i));
    }
}

void APShareMenuWindowController::update() {
    if (auto manager = LaunchAppManager::sharedManager()) mAppList = manager->launchAppList();
    reloadTable();
}

void APShareMenuWindowController::setListEnabled(bool on) {
    appListView_->setVisible(on);
    appListView_->setEnabled(on);
}

void APShareMenuWindowController::onClickButton(QPushButton* button) {
    if (!delegate_ || !button) return;
    if (button == buttonStart_) {
        const QString name = mSelectApp ? mSelectApp->name : QString();
        LogFileManager::write(
            StringWithFormat(kLogMsgASType, LogMessage::conversionASType(int(mSelectProgram), name)), 2,
            false);
        const bool fullScreen = checkFullScreen_->isChecked();
        if (mSelectProgram == 1) {
            delegate_->startDesktopSharing(fullScreen);
        } else if (mSelectApp) {
            delegate_->startApplicationSharing(*mSelectApp, fullScreen);
        } else {
            LogFileManager::write(QString::fromLatin1(kLogMsgASNotSelectApp), 1, false);
        }
    } else if (button == buttonStop_) {
        delegate_->stopSharing();
    }
}

void APShareMenuWindowController::onSelectProgram(QRadioButton* radio) {
    if (!radio || !radio->isChecked()) return;
    if (radio == radioApplication_) {
        mSelectProgram = 0;
        setListEnabled(true);
    } else if (radio == radioDesktop_) {
        mSelectProgram = 1;
        setListEnabled(false);
    }
    if (window_) window_->update();
}

void APShareMenuWindowController::onSelectOption(QCheckBox* box) {
    if (box == checkIgnoreOpReq_) isIgnoreControlReq_ = box->isChecked();
}

void APShareMenuWindowController::onStartSharing() {
    if (!window_) return;
    buttonStart_->setEnabled(false);
    radioApplication_->setEnabled(false);
    radioDesktop_->setEnabled(false);
    appListView_->setEnabled(false);
    checkFullScreen_->setEnabled(false);
    buttonStop_->setEnabled(true);
    window_->update();
    if (window_->isVisible()) window_->showMinimized();
}

void APShareMenuWindowController::onStopSharing() {
    if (!window_) return;
    buttonStart_->setEnabled(true);
    buttonStop_->setEnabled(false);
    radioApplication_->setEnabled(!disableApplication_);
    radioDesktop_->setEnabled(true);
    appListView_->setEnabled(true);
    checkFullScreen_->setEnabled(true);
    if (window_->isMinimized()) window_->showNormal();
    window_->makeKeyAndOrderFront();
}

void APShareMenuWindowController::hideCloseButton() {
    if (window_) window_->setStyleMask(window_->styleMask() & ~unsigned(WindowStyleClosable));
}

void APShareMenuWindowController::saveMenuInfo() {
    UserDefaults& defaults = UserDefaults::standard();
    if (!isASControlIgnoreOption_ && checkIgnoreOpReq_)
        defaults.setString(QString::fromLatin1(kKeyIgnoreOpReq),
                           checkIgnoreOpReq_->isChecked() ? QStringLiteral("Y") : QStringLiteral("N"));
    if (checkFullScreen_)
        defaults.setString(QString::fromLatin1(kKeyFullScreen),
                           checkFullScreen_->isChecked() ? QStringLiteral("Y") : QStringLiteral("N"));
    defaults.synchronize();
}

void APShareMenuWindowController::windowWillClose(Window*) {
    saveMenuInfo();
    if (delegate_) delegate_->onCloseMenuWindow();
}
