// Building the conference view: window frame, header, video area, footer and
// the sizes of each room kind.
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <algorithm>

#include "conference/StartViewController.h"
#include "platform/MainBundle.h"
#include "platform/StringFormat.h"
#include "platform/View.h"
#include "services/QuorixUtils.h"

namespace {
constexpr double kFooterHeight = 25;
constexpr double kTitleBarAllowance = 28;
constexpr double kSavedHeightAllowance = 90;  // 25 + 32 + 5 + 28
constexpr double kWebinarMaximizedAllowance = 67;
constexpr double kSmallestWidth = 520;
constexpr int kManyMtg = 2;

// The leading decimal number of a version text ("10.12.6" reads 10.12).
double versionNumber(const QString& text) {
    const QStringList parts = text.split(u'.');
    QString number = parts.value(0);
    if (parts.size() > 1) number += u'.' + parts.value(1);
    return DoubleValue(number);
}
}  // namespace

double StartViewController::headerHeightForVersion(const QString& osVersion) {
    return versionNumber(osVersion) > versionNumber(QStringLiteral("10.15")) ? 42 : 37;
}

StartViewController::ConferenceGeometry StartViewController::conferenceGeometry(QSizeF videoSize,
                                                                                const QRectF& savedFrame,
                                                                                double headerHeight,
                                                                                const QRectF& screenFrame,
                                                                                const QRectF& visibleFrame) {
    const bool hasSaved = savedFrame != QRectF();
    double w = videoSize.width(), h = videoSize.height();
    if (!savedFrame.size().isNull()) {
        w = savedFrame.width();
        h = savedFrame.height() - kSavedHeightAllowance;
    }
    const double H = h + headerHeight + kFooterHeight + kTitleBarAllowance;
    if (visibleFrame.height() < H) h -= H - visibleFrame.height();
    const double x = hasSaved ? savedFrame.x() : screenFrame.x();
    const double y = hasSaved ? savedFrame.y() : screenFrame.height() - H;
    const double W = std::max(kSmallestWidth, w);
    return {QRectF(x, y, W, H), W, h};
}

QSizeF StartViewController::calcMinWindowSize(int roomCategory, int maxParticipants, bool isWebinar,
                                              double headerMinWidth, double headerHeight,
                                              double titleBarHeight,
                                              const std::function<QSizeF(int, int)>& calcMainViewSize) {
    if (isWebinar) return calcMainViewSize(2, 90);
    const double m = headerMinWidth;
    if (roomCategory == 0) return QSizeF(m, titleBarHeight + headerHeight + 60 + kFooterHeight + 6);
    if (roomCategory == 1) return QSizeF(m, titleBarHeight + headerHeight + 360 + kFooterHeight + 6);
    const int n = maxParticipants;
    if (n < 110) {
        const int k = n < 60 ? 30 : n < 90 ? 60 : 90;
        return QSizeF(m, calcMainViewSize(0, k).height());
    }
    if (n <= 139) return QSizeF(m + m / 3, calcMainViewSize(0, 100).height());
    return QSizeF(m * 1.5, calcMainViewSize(2, 130).height());
}

std::optional<QColor> StartViewController::speakingColor(const QVariantMap& confDict) {
    const QString key = QStringLiteral("MODE_SPEAKING_COLOR");
    if (!confDict.contains(key)) return std::nullopt;
    const QString text = confDict.value(key).toString();
    if (text.size() != 6) return std::nullopt;
    auto part = [&](int i) {
        bool ok = false;
        const int v = text.mid(i, 2).toInt(&ok, 10);
        return ok && v >= 0 ? v : 0;
    };
    QColor color;
    color.setRgbF(float(part(0) / 100.0), float(part(2) / 100.0), float(part(4) / 100.0), 1.0f);
    return color;
}

std::optional<int> StartViewController::speakThreshold(const QVariantMap& confDict) {
    const QString key = QStringLiteral("MODE_SPEAK_THRESH_OLD");
    if (!confDict.contains(key)) return std::nullopt;
    const int value = QuorixUtils::GetSystemEnvInteger(key, confDict, 0);
    if (value < 1 || value > 99) return std::nullopt;
    return value;
}

std::optional<StartViewController::AutoRecording> StartViewController::autoSaveRecording(
    const AutoRecordingRoom& room) {
    if (!QuorixUtils::IsSystemEnableFunc(QStringLiteral("RECORDING"), room.confDict)) return std::nullopt;
    const int a = QuorixUtils::GetSystemEnvInteger(QStringLiteral("MODE_AUTO_SAVE_REC_ONLY_NORMALUSER"),
                                                   room.confDict, 0);
    const int b = QuorixUtils::GetSystemEnvInteger(QStringLiteral("MODE_AUTO_SAVE_REC"), room.confDict, 0);
    const int mode = a != 0 ? a : b;
    if (mode == 0) return std::nullopt;
    if (a != 0 && room.myUserId.startsWith(u'/')) return std::nullopt;
    switch (mode) {
        case 2:
        case 3:
        case 6:
        case 7:
        case 11:
        case 12:
            return AutoRecording{mode, room.screenPixels.width(), room.screenPixels.height()};
        case 1:
        case 5:
        case 10:
            if (room.roomCategory == kManyMtg || room.isWebinar) return std::nullopt;
            return AutoRecording{mode, room.cameraSize.width(), room.cameraSize.height()};
        case 9:
            return AutoRecording{mode, room.cameraSize.width(), room.cameraSize.height()};
        default:
            return std::nullopt;
    }
}

void StartViewController::removeHeaderFooterAndVideoArea() {
    if (mMVHeaderView) {
        mMVHeaderView->setDelegate(nullptr);
        delete mMVHeaderView.data();
    }
    setVideoArea(nullptr);
    delete mMVFooterView.data();
}

void StartViewController::createMainView(bool removeEarlier) {
    if (removeEarlier) removeHeaderFooterAndVideoArea();

    const QVariantMap conf = mLoginManager->configDataDict();
    const int category = mLoginManager->iRoomCategory();
    const int maxParticipants = mLoginManager->iMaxParticipant();
    const bool isWebinar = category == 1 && conf.value(QStringLiteral("MODE_WEBINAR")).toString() == u"Y";
    const bool maximized = QuorixUtils::IsSystemEnableFunc(QStringLiteral("MODE_WEBINAR_MAXIMIZED"), conf);
    const QRectF screen = Window::mainScreenFrame();
    const QRectF visible = Window::mainScreenVisibleFrame();

    QRectF saved;
    QSizeF video;
    if (isWebinar) {
        // The title bar is the desktop's; the frame we place is the content.
        video = maximized ? QSizeF(visible.width(), visible.height() - kWebinarMaximizedAllowance)
                          : services_.calcMainViewSize(2, 90);
    } else {
        saved = services_.savedMainFrame();
        video = services_.calcMainViewSize(category, maxParticipants);
    }
    headerHeight_ = headerHeightForVersion(services_.osVersion());
    const ConferenceGeometry g = conferenceGeometry(video, saved, headerHeight_, screen, visible);
    const double W = g.windowFrame.width(), H = g.windowFrame.height(), h = g.videoHeight;

    // The window's title bar is drawn by the desktop outside this frame; a
    // menu bar in the window sits above the conference view and adds to it.
    const QLayout* layout = window_->layout();
    const double menuBar = layout && layout->menuBar() ? layout->menuBar()->sizeHint().height() : 0;
    window_->setFrame(
        QRectF(g.windowFrame.x(), g.windowFrame.y() - menuBar, W, H - kTitleBarAllowance + menuBar));
    // The root view takes the new size now, before the bars are placed in it.
    if (window_->layout()) window_->layout()->activate();

    const auto [micVol, spkVol] = currentVolumes();
    const bool owner = mLoginManager->ownerIdStr() == mLoginManager->myInfo()->userId();
    auto* header = new MVHeaderView(QRectF(rootView_->frame().x(), kFooterHeight + h, W, headerHeight_), conf,
                                    owner, category, isWebinar, mLoginManager->myInfo(), micVol, spkVol,
                                    isSpeaker(), this, rootView_);
    header->setAutoresizingMask(ViewWidthSizable | ViewMinYMargin);
    rootView_->addSubview(header);
    mMVHeaderView = header;

    auto* footer = new MVFooterView(QRectF(0, 0, W, kFooterHeight), conf, category, isWebinar,
                                    mLoginManager->iConnectionType(), rootView_);
    footer->setAutoresizingMask(ViewWidthSizable | ViewMaxYMargin);
    rootView_->addSubview(footer);
    mMVFooterView = footer;
    // The title names the room, so the window can be told apart in the task bar.
    const QString room = conf.value(QStringLiteral("CLASSNAME")).toString().trimmed();
    window_->setTitle(room.isEmpty() ? MainBundle::name()
                                     : StringWithFormat(QStringLiteral("%@ - %@"), room, MainBundle::name()));

    // Our minimum size is of the content, so no title bar is counted.
    QSizeF minSize = calcMinWindowSize(category, maxParticipants, isWebinar, header->minSizeWidth(),
                                       headerHeight_, 0, services_.calcMainViewSize);
    if (minSize.isNull()) minSize = QSizeF(W, H - kTitleBarAllowance);
    window_->setMinSize(minSize + QSizeF(0, menuBar));

    setVideoArea(services_.makeVideoArea());
    QWidget* area = mMainViewController->view();
    area->setParent(rootView_);
    View::setAutoresizingMaskOf(area, ViewWidthSizable | ViewHeightSizable);
    View::setFrameOf(area, QRectF(0, kFooterHeight, W, h));
    area->show();
}

