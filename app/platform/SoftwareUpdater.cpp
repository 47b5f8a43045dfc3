#include "platform/SoftwareUpdater.h"

#include <QDesktopServices>
#include <optional>

#include "platform/Dispatch.h"
#include "platform/XMLStreamParser.h"

namespace {

std::mutex gOpenerMutex;
SoftwareUpdater::Opener gOpener;
SoftwareUpdater::FeedLoader gFeedLoader;

bool openWithDesktop(const QUrl& url) {
    SoftwareUpdater::Opener opener;
    {
        std::lock_guard lock(gOpenerMutex);
        opener = gOpener;
    }
    return opener ? opener(url) : QDesktopServices::openUrl(url);
}

// Collects the texts of the feed's elements (all pieces of each).
class FeedReader : public XMLStreamParserDelegate {
public:
    void didStartElement(const QString& name) override {
        current_ = name;
        text_.clear();
    }
    void foundCharacters(const QString& piece) override {
        if (!current_.isEmpty()) text_ += piece;
    }
    void didEndElement(const QString&) override {
        if (current_ == u"latest") item.version = text_.trimmed();
        if (current_ == u"download") download = text_.trimmed();
        if (current_ == u"releasenotes") item.releaseNotesURL = text_.trimmed();
        current_.clear();
    }

    SoftwareUpdateItem item;
    QString download;

private:
    QString current_;
    QString text_;
};

}  // namespace

SoftwareUpdater& SoftwareUpdater::sharedUpdater() {
    static SoftwareUpdater* updater = new SoftwareUpdater();
    return *updater;
}

void SoftwareUpdater::setDelegate(SoftwareUpdaterDelegate* delegate) {
    std::lock_guard lock(mutex_);
    delegate_ = delegate;
}

SoftwareUpdaterDelegate* SoftwareUpdater::delegate() const {
    std::lock_guard lock(mutex_);
    return delegate_;
}

void SoftwareUpdater::setFeedURL(const QString& feedURL) {
    std::lock_guard lock(mutex_);
    feedURL_ = feedURL;
}

QString SoftwareUpdater::feedURL() const {
    std::lock_guard lock(mutex_);
    return feedURL_;
}

SoftwareUpdater::FeedLoader SoftwareUpdater::setFeedLoader(FeedLoader loader) {
    std::lock_guard lock(gOpenerMutex);
    return std::exchange(gFeedLoader, std::move(loader));
}

SoftwareUpdater::Opener SoftwareUpdater::setOpener(Opener opener) {
    std::lock_guard lock(gOpenerMutex);
    return std::exchange(gOpener, std::move(opener));
}

std::optional<SoftwareUpdateItem> SoftwareUpdater::itemFromFeed(const QByteArray& feed, QString* error) {
    FeedReader reader;
    if (auto parseError = XMLStreamParser::parse(feed, reader)) {
        if (error) *error = QStringLiteral("feed is not XML: %1").arg(parseError->message);
        return std::nullopt;
    }
    if (reader.download.isEmpty()) {
        if (error) error->clear();
        return std::nullopt;
    }
    // The address comes from the network and goes to the desktop's opener:
    // only web addresses, never files or other programs' schemes.
    const QUrl url(reader.download, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https")) {
        if (error) *error = QStringLiteral("unusable download address \"%1\"").arg(reader.download);
        return std::nullopt;
    }
    reader.item.downloadURL = url;
    return reader.item;
}

void SoftwareUpdater::installUpdatesIfAvailable() {
    const QString feed = feedURL();
    DispatchQueue::global().async([this, feed] {
        SoftwareUpdater::FeedLoader loader;
        {
            std::lock_guard lock(gOpenerMutex);
            loader = gFeedLoader;
        }
        std::optional<QByteArray> reply;
        if (loader) reply = loader(feed);
        QString error = reply ? QString() : QStringLiteral("no reply from the update feed");
        std::optional<SoftwareUpdateItem> item;
        if (reply) item = itemFromFeed(*reply, &error);
        mainQueue().async([this, item, error] {
            SoftwareUpdaterDelegate* d = delegate();
            if (!item) {
                if (!error.isEmpty()) {
                    if (d) d->updaterDidAbortWithError(*this, error);
                } else if (d) {
                    d->updaterDidNotFindUpdate(*this);
                }
                return;
            }
            if (d) d->updaterDidFindValidUpdate(*this, *item);
            if (d) d->updaterWillInstallUpdate(*this, *item);
            if (!openWithDesktop(item->downloadURL) && d)
                d->updaterDidAbortWithError(
                    *this, QStringLiteral("the desktop could not open the download address"));
        });
    });
}
