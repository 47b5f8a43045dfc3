#pragma once

// A modal alert: a message, an informative text and buttons added in order.
// Run modally it answers AlertFirstButtonReturn (1000) for the first button,
// 1001 for the second and so on; begun as a sheet on a window it is
// window-modal and hands that answer to its completion.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QAbstractButton;
class QMessageBox;
class QWidget;

class Alert {
public:
    Alert();
    ~Alert();
    Alert(const Alert&) = delete;
    Alert& operator=(const Alert&) = delete;

    void setMessageText(const QString& text);
    void setInformativeText(const QString& text);
    void addButtonWithTitle(const QString& title);
    QStringList buttonTitles() const { return buttonTitles_; }

    // Blocks in a nested event loop until a button is pressed.
    int runModal();
    // The alert is deleted after the completion has run.
    static void beginSheetModalForWindow(std::unique_ptr<Alert> alert, QWidget* window,
                                         std::function<void(int response)> completion);

    // The box itself, for tests that press its buttons.
    QMessageBox* box() const { return box_; }
    // Tests: the alert being run or shown as a sheet at the moment, or none.
    static Alert* current();

    // The narrowest an alert is shown, whatever the length of its text.
    static constexpr int kMinimumWidth = 360;

private:
    // A fixed-size dialog of at least the minimum width: nothing to maximise.
    void prepareToShow();
    int responseOf(int result) const;

    QMessageBox* box_;
    QStringList buttonTitles_;
    QList<QAbstractButton*> buttons_;
};
