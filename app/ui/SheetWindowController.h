#pragma once

// An OK/Cancel sheet with one text. The caller begins it on its own window
// (`parent->beginSheet(controller.window(), completion)`) and acts on the
// code: 1 for OK, 0 for Cancel.

#include <QObject>
#include <QPointer>
#include <QString>

#include "platform/Window.h"

class QLabel;
class QPushButton;

class SheetWindowController : public QObject {
    Q_OBJECT

public:
    explicit SheetWindowController(const QString& text = QString());
    ~SheetWindowController() override;

    void onClickOk();
    void onClickCancel();

    Window* window() const { return window_; }
    const QString& text() const { return text_; }
    QLabel* sheetText() const { return sheetText_; }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

private:
    void end(int returnCode);

    QString text_;
    QPointer<Window> window_;
    QLabel* sheetText_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
};
