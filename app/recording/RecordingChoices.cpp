#include "recording/RecordingChoices.h"

#include <QComboBox>
#include <QWidget>

#include "platform/Localization.h"
#include "platform/UserDefaults.h"
#include "recording/RecordingRules.h"

namespace {

constexpr int kRoomCategoryManyMtg = 2;

QString typeKey(bool isSelf) {
    return isSelf ? QStringLiteral("KeyRecordingFileTypeSelf") : QStringLiteral("KeyRecordingFileTypeOther");
}

void fill(QComboBox* box, const std::vector<RecordingChoiceItem>& items) {
    box->clear();
    for (const auto& item : items)
        box->addItem(LocalizedStringForKey(QString::fromUtf8(item.key)),
                     QVariant(static_cast<qlonglong>(item.tag)));
}

}  // namespace

std::vector<RecordingChoiceItem> RecordingChoices::fileTypeItems(bool isSelf, bool isMp4, bool isVideoOnly) {
    std::vector<RecordingChoiceItem> items{{Rec::REC_FILE_TYPE_MOV, "dfRECORD_MOV"}};
    if (isMp4) items.push_back({Rec::REC_FILE_TYPE_MP4, "dfRECORD_MP4"});
    if (isSelf) items.push_back({Rec::REC_FILE_TYPE_AUDIO, "dfRECORD_AUDIO"});
    if (!isSelf || isVideoOnly) items.push_back({Rec::REC_FILE_TYPE_VIDEO, "dfRECORD_VIDEO"});
    return items;
}

std::vector<RecordingChoiceItem> RecordingChoices::targetItems(int roomCategory, bool isSpeaker,
                                                               bool isManyMtgRecOneUser, bool isDesktop) {
    std::vector<RecordingChoiceItem> items;
    if (roomCategory != kRoomCategoryManyMtg || (isSpeaker && isManyMtgRecOneUser))
        items.push_back({Rec::REC_TARGET_SELF, "dfRECORD_TARGET_SELF"});
    items.push_back({Rec::REC_TARGET_CONF, "dfRECORD_TARGET_CONF"});
    if (isDesktop) items.push_back({Rec::REC_TARGET_DESKTOP, "dfRECORD_TARGET_DESKTOP"});
    return items;
}

std::int64_t RecordingChoices::roomDefaultFileTag(int recDefaultFormat) {
    if (recDefaultFormat == 3) return Rec::REC_FILE_TYPE_AUDIO;
    if (recDefaultFormat == 2) return Rec::REC_FILE_TYPE_MP4;
    return Rec::REC_FILE_TYPE_MOV;
}

std::int64_t RecordingChoices::initialFileType(bool isSelf, int recDefaultFormat) {
    UserDefaults& defaults = UserDefaults::standard();
    if (defaults.hasKey(typeKey(isSelf))) return defaults.integerForKey(typeKey(isSelf));
    defaults.setInteger(typeKey(isSelf), Rec::REC_FILE_TYPE_MOV);
    return roomDefaultFileTag(recDefaultFormat);
}

void RecordingChoices::saveFileType(bool isSelf, std::int64_t fileType) {
    UserDefaults::standard().setInteger(typeKey(isSelf), fileType);
}

RecordingChoices::RecordingChoices(const RecordingChoiceParams& p, QComboBox* fileType, QComboBox* target,
                                   QWidget* note, QObject* parent)
    : QObject(parent),
      isSelf_(p.isSelf),
      fileType_(fileType),
      target_(p.isSelf ? target : nullptr),
      note_(note) {
    fill(fileType_, fileTypeItems(p.isSelf, p.isRecMp4, p.isRecVideoOnly));
    // A stored or room type that this pop-up does not offer (audio only for
    // another participant's tile, MP4 once the room stopped offering it)
    // would record something other than what the pop-up shows: the first
    // item is taken instead.
    const int wanted =
        fileType_->findData(QVariant(static_cast<qlonglong>(initialFileType(p.isSelf, p.recDefaultFormat))));
    fileType_->setCurrentIndex(wanted >= 0 ? wanted : 0);
    selectedFileType_ = fileType_->currentData().toLongLong();

    if (target_) {
        fill(target_, targetItems(p.roomCategory, p.isSpeaker, p.isManyMtgRecOneUser, p.isRecDesktop));
        const int index = target_->findData(QVariant(static_cast<qlonglong>(p.recDefaultType)));
        target_->setCurrentIndex(index >= 0 ? index : 0);
        selectedTarget_ = target_->currentData().toLongLong();
        connect(target_, &QComboBox::activated, this, &RecordingChoices::targetChosen);
    } else {
        selectedTarget_ = Rec::REC_TARGET_OTHER;
    }
    connect(fileType_, &QComboBox::activated, this, &RecordingChoices::fileTypeChosen);
    update();
}

void RecordingChoices::fileTypeChosen(int index) {
    if (!fileType_ || index < 0) return;
    selectedFileType_ = fileType_->itemData(index).toLongLong();
    update();
}

void RecordingChoices::targetChosen(int index) {
    if (!target_ || index < 0) return;
    selectedTarget_ = target_->itemData(index).toLongLong();
    update();
}

void RecordingChoices::update() {
    if (target_) target_->setEnabled(selectedFileType_ != Rec::REC_FILE_TYPE_AUDIO);
    if (note_)
        note_->setVisible(isSelf_ && (selectedTarget_ == Rec::REC_TARGET_CONF ||
                                      selectedTarget_ == Rec::REC_TARGET_DESKTOP));
}
