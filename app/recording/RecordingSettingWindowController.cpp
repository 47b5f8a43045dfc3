#include "recording/RecordingSettingWindowController.h"

#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/Localization.h"
#include "recording/RecordingRules.h"

namespace {

QLabel* label(const QString& text, const char* name, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromUtf8(name));
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

}  // namespace

RecordingSettingWindowController::RecordingSettingWindowController(const RecordingChoiceParams& p,
                                                                   QWidget* targetWindow)
    : QDialog(targetWindow), isSelf_(p.isSelf) {
    setObjectName(QStringLiteral("RecordingSettingWindow"));
    if (targetWindow) setWindowModality(Qt::WindowModal);
    const QString heading = QStringLiteral("%1(%2)").arg(LocalizedString("dfRECORD"), p.targetName);
    setWindowTitle(heading);

    title_ = new QLabel(heading, this);
    title_->setObjectName(QStringLiteral("title"));
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    fileNameTitle_ = label(LocalizedString("dfRECORD_FILENAME"), "fileNameTitle", this);
    fileTypeTitle_ = label(LocalizedString("dfRECORD_FILETYPE"), "fileTypeTitle", this);
    targetTitle_ = label(LocalizedString("dfRECORD_TARGET"), "targetTitle", this);
    fileNameField_ = new QLineEdit(this);
    fileNameField_->setObjectName(QStringLiteral("fileNameField"));
    fileNameField_->setText(
        Rec::defaultFileName(Rec::safeFileName(p.targetName, 200), QDateTime::currentDateTime()));
    fileNameField_->setMinimumWidth(270);
    fileType_ = new QComboBox(this);
    fileType_->setObjectName(QStringLiteral("fileType"));
    target_ = new QComboBox(this);
    target_->setObjectName(QStringLiteral("target"));
    noteLbl_ = new QLabel(LocalizedString("dfRECORD_NOTE"), this);
    noteLbl_->setObjectName(QStringLiteral("noteLbl"));
    noteLbl_->setAlignment(Qt::AlignCenter);
    noteLbl_->setWordWrap(true);
    startBtn_ = new QPushButton(LocalizedString("dfRECORD_KAISHI"), this);
    startBtn_->setObjectName(QStringLiteral("startBtn"));
    startBtn_->setDefault(true);
    cancelBtn_ = new QPushButton(LocalizedString("dfCANCEL"), this);
    cancelBtn_->setObjectName(QStringLiteral("cancelBtn"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(title_, 0, 0, 1, 2);
    grid->addWidget(fileNameTitle_, 1, 0);
    grid->addWidget(fileNameField_, 1, 1);
    grid->addWidget(fileTypeTitle_, 2, 0);
    grid->addWidget(fileType_, 2, 1);
    grid->addWidget(targetTitle_, 3, 0);
    grid->addWidget(target_, 3, 1);
    grid->addWidget(noteLbl_, 4, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelBtn_);
    buttons->addWidget(startBtn_);
    grid->addLayout(buttons, 5, 0, 1, 2);

    // Another participant's tile offers no target: it is that tile.
    targetTitle_->setVisible(p.isSelf);
    target_->setVisible(p.isSelf);
    choices_ = new RecordingChoices(p, fileType_, p.isSelf ? target_.data() : nullptr, noteLbl_, this);
    if (!p.isSelf) noteLbl_->setVisible(false);

    connect(startBtn_, &QPushButton::clicked, this, &RecordingSettingWindowController::onClickStartBtn);
    connect(cancelBtn_, &QPushButton::clicked, this, &RecordingSettingWindowController::onClickCancelBtn);
}

QString RecordingSettingWindowController::getFileName() const {
    return fileNameField_->text();
}

void RecordingSettingWindowController::saveFileType(bool isSelf) const {
    RecordingChoices::saveFileType(isSelf, selectedFileType());
}

void RecordingSettingWindowController::onClickStartBtn() {
    if (fileNameField_->text().trimmed().isEmpty()) return;
    saveFileType(isSelf_);
    done(1);
}

void RecordingSettingWindowController::onClickCancelBtn() {
    done(0);
}
