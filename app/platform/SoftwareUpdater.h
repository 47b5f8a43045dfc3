// The application's updater, in place of a software-update framework.
//
// It is given a feed address by the application and, when asked to install,
// reads the feed and hands the new version's download address to the desktop's
// opener (QDesktopServices): the user installs the package. It downloads
// nothing itself and never relaunches the application, so it never asks
// whether a relaunch may proceed.
//
// Feed: an XML document of the web service with the elements "latest" (the
// version), "download" (the package's http or https address) and
// "releasenotes" (the release notes' address), wherever they stand.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>
#include <mutex>
#include <optional>

struct SoftwareUpdateItem {
    QString version;
    QUrl downloadURL;
    QString releaseNotesURL;
};

class SoftwareUpdater;

// Every message arrives on the main queue.
class SoftwareUpdaterDelegate {
public:
    virtual ~SoftwareUpdaterDelegate() = default;
    virtual void updaterDidFindValidUpdate(SoftwareUpdater& /*updater*/, const SoftwareUpdateItem& /*item*/) {
    }
    // Sent just before the download address goes to the desktop's opener.
    virtual void updaterWillInstallUpdate(SoftwareUpdater& /*updater*/, const SoftwareUpdateItem& /*item*/) {}
    virtual void updaterDidNotFindUpdate(SoftwareUpdater& /*updater*/) {}
    virtual void updaterDidAbortWithError(SoftwareUpdater& /*updater*/, const QString& /*error*/) {}
};

class SoftwareUpdater {
public:
    using Opener = std::function<bool(const QUrl&)>;
    // Reads the feed at an address (blocking, on a worker thread); nothing when
    // there is no reply.
    using FeedLoader = std::function<std::optional<QByteArray>(const QString&)>;

    static SoftwareUpdater& sharedUpdater();

    // The delegate is not owned and must outlive the updater's work.
    void setDelegate(SoftwareUpdaterDelegate* delegate);
    SoftwareUpdaterDelegate* delegate() const;
    void setFeedURL(const QString& feedURL);
    QString feedURL() const;

    // Reads the feed on a worker thread and, when it names a download address,
    // opens that address with the desktop's opener on the main queue.
    void installUpdatesIfAvailable();

    // The feed's reply read into an item; nothing when it is not XML or names
    // no usable download address (only http and https are handed on).
    static std::optional<SoftwareUpdateItem> itemFromFeed(const QByteArray& feed, QString* error);

    // Replaces the desktop's opener (tests); answers the previous one.
    static Opener setOpener(Opener opener);
    // Sets how the feed is read (the update manager gives its web access);
    // without one the feed is not read and the updater reports that.
    static FeedLoader setFeedLoader(FeedLoader loader);

private:
    SoftwareUpdater() = default;

    mutable std::mutex mutex_;
    SoftwareUpdaterDelegate* delegate_ = nullptr;
    QString feedURL_;
};
