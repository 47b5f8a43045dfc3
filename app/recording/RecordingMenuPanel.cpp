#include "recording/RecordingMenuPanel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

#include "platform/Localization.h"
#include "recording/RecordingRules.h"

namespace {

// Places a child by its bottom-up frame inside a parent of height h.
void place(QWidget* child, int h, int x, int y, int w, int height) {
    child->setGeometry(x, h - y - height, w, height);
}

QLabel* titleLabel(QWidget* parent, const QString& text, const char* name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setAutoFillBackground(false);
    label->setFrameShape(QFrame::NoFrame);
    return label;
}

}  // namespace

RecordingMenuPanel::RecordingMenuPanel(QWidget* parent) : QFileDialog(parent) {
    setObjectName(QStringLiteral("recording_menu_panel"));
    // The accessory view needs the dialog's own widgets.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    // The panel appends the extension itself.
    setOption(QFileDialog::DontConfirmOverwrite, true);
}

void RecordingMenuPanel::dispRecordingMenuPanel(const RecordingChoiceParams& params, QWidget* targetWindow) {
    if (targetWindow) {
        setParent(targetWindow, windowFlags());
        setWindowModality(Qt::WindowModal);
    }
    delete accessory_;
    const int h = accessoryHeight(params.isSelf);
    accessory_ = new QWidget(this);
    accessory_->setObjectName(QStringLiteral("id_rec_accessory"));
    accessory_->setFixedSize(kAccessoryWidth, h);

    QLabel* typeTitle = titleLabel(accessory_, LocalizedString("dfRECORD_FILETYPE"), "id_rec_filetype_title");
    place(typeTitle, h, 10, h - 40, 100, 30);
    auto* typeBtn = new QComboBox(accessory_);
    typeBtn->setObjectName(QStringLiteral("id_rec_filetype"));
    place(typeBtn, h, 110, h - 40, 270, 30);

    if (params.isSelf) {
        QLabel* targetTitle =
            titleLabel(accessory_, LocalizedString("dfRECORD_TARGET"), "id_rec_target_title");
        place(targetTitle, h, 10, h - 75, 100, 30);
        targetBtn_ = new QComboBox(accessory_);
        targetBtn_->setObjectName(QStringLiteral("id_rec_target"));
        place(targetBtn_, h, 110, h - 75, 270, 30);
        noteLbl_ = new QLabel(LocalizedString("dfRECORD_NOTE"), accessory_);
        noteLbl_->setObjectName(QStringLiteral("id_rec_note"));
        noteLbl_->setAlignment(Qt::AlignCenter);
        noteLbl_->setWordWrap(true);
        noteLbl_->setTextInteractionFlags(Qt::NoTextInteraction);
        place(noteLbl_, h, 0, 0, kAccessoryWidth, 30);
    }
    delete choices_;
    choices_ = new RecordingChoices(params, typeBtn, targetBtn_, noteLbl_, this);

    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(accessory_, grid->rowCount(), 0, 1, grid->columnCount(), Qt::AlignLeft);

    setWindowTitle(QStringLiteral("%1(%2)").arg(LocalizedString("dfRECORD"), params.targetName));
    setLabelText(QFileDialog::Accept, LocalizedString("dfRECORD_KAISHI"));
    selectFile(Rec::defaultFileName(Rec::safeFileName(params.targetName, 200), QDateTime::currentDateTime()));
}

QString RecordingMenuPanel::getSavePath() const {
    const QStringList files = selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) return QString();
    return files.first() + Rec::recordingExtension(selectedFileType());
}

void RecordingMenuPanel::saveFileType(bool isSelf) const {
    RecordingChoices::saveFileType(isSelf, selectedFileType());
}
