// A window for the update choice with the release notes' address. Nothing in
// the application creates it (the update check uses a plain modal alert); the
// application shows no web pages, so the release notes appear as a link that
// the desktop's browser opens.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QPushButton;
class QWidget;

class UpdateAlert : public QDialog {
public:
    using CompletionBlock = std::function<void(int choice)>;  // 0 install, 1 later, 2 do not install

    UpdateAlert(const QString& currentVersion, const QString& newVersion, const QString& releaseNoteUrl,
                bool isForce, CompletionBlock completionBlock, QWidget* parent = nullptr);

    void installNow();
    void installLater();
    void doNotInstall();

    bool isForce() const { return isForce_; }
    const QString& releaseNoteUrl() const { return releaseNoteUrl_; }
    const QString& currentVersion() const { return currentVersion_; }
    const QString& laterAppVersion() const { return laterAppVersion_; }
    QPushButton* skipButton() const { return skipButton_; }
    QPushButton* laterButton() const { return laterButton_; }
    QPushButton* installButton() const { return installButton_; }
    QWidget* releaseNotesContainerView() const { return releaseNotesContainerView_; }
    QLabel* releaseNotesView() const { return releaseNotesView_; }

private:
    void finish(int choice);

    bool isForce_;
    CompletionBlock completionBlock_;
    QString releaseNoteUrl_;
    QString currentVersion_;
    QString laterAppVersion_;
    QPushButton* skipButton_;
    QPushButton* laterButton_;
    QPushButton* installButton_;
    QWidget* releaseNotesContainerView_;
    QLabel* releaseNotesView_;
};
