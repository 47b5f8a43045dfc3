#include "ui/UpdateAlert.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/Localization.h"
#include "platform/MainBundle.h"

UpdateAlert::UpdateAlert(const QString& currentVersion, const QString& newVersion,
                         const QString& releaseNoteUrl, bool isForce, CompletionBlock completionBlock,
                         QWidget* parent)
    : QDialog(parent),
      isForce_(isForce),
      completionBlock_(std::move(completionBlock)),
      releaseNoteUrl_(releaseNoteUrl),
      currentVersion_(currentVersion),
      laterAppVersion_(newVersion) {
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(isForce ? LocalizedString("dfUPDATE_FORCE_MESSAGE")
                                     : LocalizedFormat("dfUPDATE_MESSAGE", MainBundle::name()),
                             this);
    title->setWordWrap(true);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* info = new QLabel(
        LocalizedFormat("dfUPDATE_APP_INFO", MainBundle::name(), newVersion, currentVersion), this);
    info->setWordWrap(true);
    layout->addWidget(title);
    layout->addWidget(info);

    releaseNotesContainerView_ = new QWidget(this);
    auto* notesLayout = new QVBoxLayout(releaseNotesContainerView_);
    notesLayout->setContentsMargins(0, 0, 0, 0);
    releaseNotesView_ = new QLabel(releaseNotesContainerView_);
    const QUrl notes(releaseNoteUrl, QUrl::StrictMode);
    const bool webAddress = notes.isValid() && (notes.scheme() == u"http" || notes.scheme() == u"https");
    if (webAddress) {
        releaseNotesView_->setText(
            QStringLiteral("<a href=\"%1\">%2</a>")
                .arg(QString::fromLatin1(notes.toEncoded()).toHtmlEscaped(), releaseNoteUrl.toHtmlEscaped()));
        releaseNotesView_->setTextFormat(Qt::RichText);
        releaseNotesView_->setOpenExternalLinks(true);
    }
    notesLayout->addWidget(releaseNotesView_);
    releaseNotesContainerView_->setVisible(webAddress);
    layout->addWidget(releaseNotesContainerView_);

    auto* buttons = new QHBoxLayout();
    skipButton_ = new QPushButton(LocalizedString("dfUPDATE_APP_DONT_NOTIFY"), this);
    laterButton_ = new QPushButton(LocalizedString("dfUPDATE_APP_LATER"), this);
    installButton_ = new QPushButton(LocalizedString("dfUPDATE_APP"), this);
    installButton_->setDefault(true);
    buttons->addWidget(skipButton_);
    buttons->addStretch();
    buttons->addWidget(laterButton_);
    buttons->addWidget(installButton_);
    layout->addLayout(buttons);
    connect(installButton_, &QPushButton::clicked, this, [this] { installNow(); });
    connect(laterButton_, &QPushButton::clicked, this, [this] { installLater(); });
    connect(skipButton_, &QPushButton::clicked, this, [this] { doNotInstall(); });
}

void UpdateAlert::installNow() {
    finish(0);
}
void UpdateAlert::installLater() {
    finish(1);
}
void UpdateAlert::doNotInstall() {
    finish(2);
}

void UpdateAlert::finish(int choice) {
    close();
    if (completionBlock_) completionBlock_(choice);
}
