#include "docshare/DSPdfDownloader.h"

#include <QUrl>

#include "docshare/DSPagePicture.h"
#include "platform/Dispatch.h"
#include "services/WebAccess.h"

struct DSPdfDownloader::Job {
    std::atomic<bool> cancel{false};
};

DSPdfDownloader::DSPdfDownloader() : self_(std::make_shared<DSPdfDownloader*>(this)) {}

DSPdfDownloader::~DSPdfDownloader() {
    *self_ = nullptr;
    cancel();
}

void DSPdfDownloader::cancel() {
    if (running_) running_->cancel = true;
    running_.reset();
}

void DSPdfDownloader::download(const QString& url, const QString& path, Completion done) {
    cancel();
    auto job = std::make_shared<Job>();
    running_ = job;
    const QUrl address(url);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        mainQueue().async([job, done, self = self_] {
            DSPdfDownloader* d = *self;
            if (!d || d->running_ != job) return;
            d->running_.reset();
            done(false, QStringLiteral("unsupported address"));
        });
        return;
    }
    URLRequest request = WebAccess::CreateRequest(url);
    request.timeoutInterval = timeout_;
    DispatchQueue::global().async([job, request, path, done, self = self_] {
        const std::optional<HTTPResponse> reply = WebAccess::perform(request, &job->cancel);
        bool ok = false;
        QString error;
        if (!reply) {
            error = QStringLiteral("no answer");
        } else if (reply->statusCode < 200 || reply->statusCode > 299) {
            error = QStringLiteral("HTTP status %1").arg(reply->statusCode);
        } else if (reply->body.isEmpty()) {
            error = QStringLiteral("empty reply");
        } else if (!job->cancel) {
            ok = DSPagePicture::writeAtomically(path, reply->body, &error);
        }
        mainQueue().async([job, ok, error, done, self] {
            DSPdfDownloader* d = *self;
            if (!d || d->running_ != job || job->cancel) return;
            d->running_.reset();
            done(ok, error);
        });
    });
}
