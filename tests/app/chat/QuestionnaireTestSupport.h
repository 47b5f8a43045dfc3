// Helpers of the questionnaire windows' tests: modal alerts answered and
// recorded while the code under test waits in them.
#pragma once

#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include "platform/Alert.h"

namespace chat_test {

// While it lives, every modal alert (run modally or as a sheet) is answered
// with its first button and its informative text recorded.
class ModalAlertRecorder {
public:
    ModalAlertRecorder() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            Alert* alert = Alert::current();
            if (!alert || !alert->box()->isVisible() || alert->box()->buttons().isEmpty()) return;
            messages << alert->box()->informativeText();
            alert->box()->buttons().first()->click();
        });
        timer_.start();
    }
    QStringList messages;

private:
    QTimer timer_;
};

}  // namespace chat_test
