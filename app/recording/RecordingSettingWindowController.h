// The start sheet of a record-button press when the room fixes the recording
// folder: a file name, the file type and, for the own tile, what to record.
// It ends with 1 (start) or 0 (cancel).
#pragma once

#include <QDialog>
#include <QPointer>

#include "recording/RecordingChoices.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class RecordingSettingWindowController : public QDialog {
    Q_OBJECT

public:
    RecordingSettingWindowController(const RecordingChoiceParams& params, QWidget* targetWindow);

    // The typed file name, untrimmed.
    QString getFileName() const;
    void saveFileType(bool isSelf) const;
    std::int64_t selectedFileType() const { return choices_->selectedFileType(); }
    std::int64_t selectedTarget() const { return choices_->selectedTarget(); }

    // Start: a name that is blank after trimming does nothing.
    void onClickStartBtn();
    void onClickCancelBtn();

private:
    const bool isSelf_;
    QPointer<QLabel> title_, fileNameTitle_, fileTypeTitle_, targetTitle_, noteLbl_;
    QPointer<QLineEdit> fileNameField_;
    QPointer<QComboBox> fileType_, target_;
    QPointer<QPushButton> startBtn_, cancelBtn_;
    QPointer<RecordingChoices> choices_;
};
