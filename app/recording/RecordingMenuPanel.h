// The save panel of a record-button press: the system's file dialog with an
// accessory view below it that offers the file type and, for the own tile,
// what to record. The chosen path gets the extension of the chosen type.
#pragma once

#include <QFileDialog>
#include <QPointer>

#include "recording/RecordingChoices.h"

class QComboBox;
class QLabel;

class RecordingMenuPanel : public QFileDialog {
    Q_OBJECT

public:
    explicit RecordingMenuPanel(QWidget* parent = nullptr);

    // Prepares the panel for one press; the caller then shows it (as a sheet
    // on `targetWindow` when given).
    void dispRecordingMenuPanel(const RecordingChoiceParams& params, QWidget* targetWindow);

    // The chosen file's path with the extension of the selected type.
    QString getSavePath() const;
    void saveFileType(bool isSelf) const;
    std::int64_t selectedFileType() const { return choices_ ? choices_->selectedFileType() : 0; }
    std::int64_t selectedTarget() const { return choices_ ? choices_->selectedTarget() : 3; }

    QWidget* accessoryView() const { return accessory_; }

    // The accessory's child frames in points, bottom-up, for a view of height h.
    static constexpr int kAccessoryWidth = 380;
    static int accessoryHeight(bool isSelf) { return isSelf ? 120 : 40; }

private:
    QPointer<QWidget> accessory_;
    QPointer<QComboBox> targetBtn_;
    QPointer<QLabel> noteLbl_;
    QPointer<RecordingChoices> choices_;
};
