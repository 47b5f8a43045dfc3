// The file-type and target choices of a record-button press, shared by the
// save panel and the start sheet: which items each pop-up offers, which one
// is preselected, and what choosing an item changes (the target pop-up is
// off for audio only; the note shows for the conference window and the
// desktop).
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <vector>

class QComboBox;
class QWidget;

// What the recording manager passes to the panel and the sheet.
struct RecordingChoiceParams {
    bool isSelf = true;
    QString targetName;  // the tile's user name
    int roomCategory = 0;
    bool isRecDesktop = false;
    bool isRecMp4 = false;
    int recDefaultFormat = 1;
    int recDefaultType = 0;
    bool isRecVideoOnly = false;
    bool isSpeaker = false;
    bool isManyMtgRecOneUser = false;
};

struct RecordingChoiceItem {
    std::int64_t tag;
    const char* key;  // localisation key of the item's text
};

class RecordingChoices : public QObject {
    Q_OBJECT

public:
    static std::vector<RecordingChoiceItem> fileTypeItems(bool isSelf, bool isMp4, bool isVideoOnly);
    static std::vector<RecordingChoiceItem> targetItems(int roomCategory, bool isSpeaker,
                                                        bool isManyMtgRecOneUser, bool isDesktop);
    // The room's preselected type: format 3 is audio only, 2 MP4, anything else MOV.
    static std::int64_t roomDefaultFileTag(int recDefaultFormat);
    // The type to preselect for a tile kind: the stored one; on the first
    // press the key is created with MOV and the room default is taken.
    static std::int64_t initialFileType(bool isSelf, int recDefaultFormat);
    // Stores the chosen type as the default of the tile kind.
    static void saveFileType(bool isSelf, std::int64_t fileType);

    // Fills the pop-ups (target may be null for another participant's tile)
    // and keeps the selection in step with them.
    RecordingChoices(const RecordingChoiceParams& params, QComboBox* fileType, QComboBox* target,
                     QWidget* note, QObject* parent = nullptr);

    std::int64_t selectedFileType() const { return selectedFileType_; }
    std::int64_t selectedTarget() const { return selectedTarget_; }

private:
    void fileTypeChosen(int index);
    void targetChosen(int index);
    void update();

    const bool isSelf_;
    QPointer<QComboBox> fileType_, target_;
    QPointer<QWidget> note_;
    std::int64_t selectedFileType_ = 0;
    std::int64_t selectedTarget_ = 3;
};
