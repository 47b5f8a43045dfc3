// The record button's save panel and start sheet: the offered file types and
// targets, the preselection from the stored and the room defaults, what
// choosing an item changes, the accessory's layout as drawn, and the sheet's
// start and cancel.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "fixtures/app/AppTestSupport.h"
#include "platform/UserDefaults.h"
#include "recording/RecordingChoices.h"
#include "recording/RecordingMenuPanel.h"
#include "recording/RecordingRules.h"
#include "recording/RecordingSettingWindowController.h"

namespace {

std::vector<std::int64_t> tags(const std::vector<RecordingChoiceItem>& items) {
    std::vector<std::int64_t> out;
    for (const auto& i : items) out.push_back(i.tag);
    return out;
}

std::vector<std::int64_t> tags(const QComboBox* box) {
    std::vector<std::int64_t> out;
    for (int i = 0; i < box->count(); ++i) out.push_back(box->itemData(i).toLongLong());
    return out;
}

RecordingChoiceParams own() {
    RecordingChoiceParams p;
    p.isSelf = true;
    p.targetName = QStringLiteral("Ann");
    p.isRecDesktop = p.isRecMp4 = p.isRecVideoOnly = true;
    return p;
}

TEST(RecordingChoicesTest, OfferedItems) {
    using V = std::vector<std::int64_t>;
    struct Case {
        bool isSelf, mp4, videoOnly;
        V types;
    } typeCases[] = {
        {true, true, true, V{0, 1, 2, 3}},
        {true, false, false, V{0, 2}},
        {false, true, true, V{0, 1, 3}},  // no audio-only for another participant's tile
        {false, false, false, V{0, 3}},
    };
    for (const auto& c : typeCases)
        EXPECT_EQ(tags(RecordingChoices::fileTypeItems(c.isSelf, c.mp4, c.videoOnly)), c.types)
            << c.isSelf << c.mp4 << c.videoOnly;

    struct TargetCase {
        int category;
        bool speaker, oneUser, desktop;
        V targets;
    } targetCases[] = {
        {0, false, false, true, V{0, 1, 2}}, {0, false, false, false, V{0, 1}},
        {2, false, true, true, V{1, 2}},  // many-meeting room, not a speaker
        {2, true, false, false, V{1}},    // speaker, but the room does not record one user
        {2, true, true, true, V{0, 1, 2}},
    };
    for (const auto& c : targetCases)
        EXPECT_EQ(tags(RecordingChoices::targetItems(c.category, c.speaker, c.oneUser, c.desktop)), c.targets)
            << c.category << c.speaker << c.oneUser;

    const std::pair<int, std::int64_t> formats[] = {{3, 2}, {2, 1}, {1, 0}, {0, 0}, {7, 0}};
    for (auto [format, tag] : formats) EXPECT_EQ(RecordingChoices::roomDefaultFileTag(format), tag) << format;
}

TEST(RecordingMenuPanelTest, OwnTilePreselectsAndFollowsChoices) {
    ensureQtApplication();
    TemporaryHome home;
    RecordingChoiceParams p = own();
    p.recDefaultFormat = 2;  // MP4
    p.recDefaultType = 1;    // the conference window
    RecordingMenuPanel panel;
    panel.dispRecordingMenuPanel(p, nullptr);

    auto* type = panel.findChild<QComboBox*>(QStringLiteral("id_rec_filetype"));
    auto* target = panel.findChild<QComboBox*>(QStringLiteral("id_rec_target"));
    auto* note = panel.findChild<QLabel*>(QStringLiteral("id_rec_note"));
    ASSERT_TRUE(type && target && note);
    EXPECT_EQ(tags(type), (std::vector<std::int64_t>{0, 1, 2, 3}));
    EXPECT_EQ(tags(target), (std::vector<std::int64_t>{0, 1, 2}));
    // First press: the room default is shown and the stored key is created with MOV.
    EXPECT_EQ(panel.selectedFileType(), Rec::REC_FILE_TYPE_MP4);
    EXPECT_EQ(type->currentData().toLongLong(), Rec::REC_FILE_TYPE_MP4);
    EXPECT_TRUE(UserDefaults::standard().hasKey(QStringLiteral("KeyRecordingFileTypeSelf")));
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("KeyRecordingFileTypeSelf")), 0);
    EXPECT_EQ(panel.selectedTarget(), Rec::REC_TARGET_CONF);
    EXPECT_FALSE(note->isHidden());

    // Audio only switches the target off; MOV switches it on again.
    type->setCurrentIndex(2);
    emit type->activated(2);
    EXPECT_EQ(panel.selectedFileType(), Rec::REC_FILE_TYPE_AUDIO);
    EXPECT_FALSE(target->isEnabled());
    type->setCurrentIndex(0);
    emit type->activated(0);
    EXPECT_TRUE(target->isEnabled());
    target->setCurrentIndex(0);
    emit target->activated(0);
    EXPECT_EQ(panel.selectedTarget(), Rec::REC_TARGET_SELF);
    EXPECT_TRUE(note->isHidden());
    target->setCurrentIndex(2);
    emit target->activated(2);
    EXPECT_FALSE(note->isHidden());

    // The chosen file gets the extension of the chosen type.
    QTemporaryDir dir;
    panel.setDirectory(dir.path());
    panel.selectFile(dir.filePath(QStringLiteral("talk")));
    EXPECT_EQ(panel.getSavePath(), dir.filePath(QStringLiteral("talk.mov")));
    type->setCurrentIndex(2);
    emit type->activated(2);
    EXPECT_EQ(panel.getSavePath(), dir.filePath(QStringLiteral("talk.m4a")));
    panel.saveFileType(true);
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("KeyRecordingFileTypeSelf")), 2);

    // The next press starts from the stored type.
    RecordingMenuPanel again;
    again.dispRecordingMenuPanel(p, nullptr);
    EXPECT_EQ(again.selectedFileType(), Rec::REC_FILE_TYPE_AUDIO);
}

TEST(RecordingMenuPanelTest, AccessoryLayoutAsDrawn) {
    ensureQtApplication();
    TemporaryHome home;
    RecordingMenuPanel panel;
    panel.dispRecordingMenuPanel(own(), nullptr);
    QWidget* accessory = panel.accessoryView();
    ASSERT_NE(accessory, nullptr);
    EXPECT_EQ(accessory->size(), QSize(380, 120));
    // Bottom-up frames flipped to the widget: (110, H-75) 270 x 30 lies 45 from the top.
    EXPECT_EQ(panel.findChild<QComboBox*>(QStringLiteral("id_rec_filetype"))->geometry(),
              QRect(110, 10, 270, 30));
    EXPECT_EQ(panel.findChild<QComboBox*>(QStringLiteral("id_rec_target"))->geometry(),
              QRect(110, 45, 270, 30));
    EXPECT_EQ(panel.findChild<QLabel*>(QStringLiteral("id_rec_note"))->geometry(), QRect(0, 90, 380, 30));
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("Record(Ann)"));
    EXPECT_TRUE(panel.isAncestorOf(accessory));

    panel.resize(760, 560);
    panel.show();
    const QImage shot = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QDir().mkpath(QStringLiteral(QUORIX_TEST_BINARY_DIR "/recording-screenshots"));
    EXPECT_TRUE(shot.save(QStringLiteral(QUORIX_TEST_BINARY_DIR "/recording-screenshots/save-panel.png")));
    // The accessory is drawn inside the panel, below its file list.
    const QRect where(accessory->mapTo(&panel, QPoint(0, 0)), accessory->size());
    EXPECT_TRUE(QRect(QPoint(0, 0), shot.size()).contains(where)) << where.x() << "," << where.y();
    EXPECT_GT(where.top(), shot.height() / 2);
    const QImage part = shot.copy(where);
    EXPECT_NE(part.pixel(115 + 100, 25), part.pixel(2, 2));  // the pop-up is painted, not background
    panel.hide();
}

TEST(RecordingMenuPanelTest, OtherTileHasNoTargetAndNeverAudioOnly) {
    ensureQtApplication();
    TemporaryHome home;
    // A stored audio type (possible for the own tile only) is not offered here:
    // the panel must not record audio only while it shows another type.
    UserDefaults::standard().setInteger(QStringLiteral("KeyRecordingFileTypeOther"),
                                        Rec::REC_FILE_TYPE_AUDIO);
    RecordingChoiceParams p = own();
    p.isSelf = false;
    p.targetName = QStringLiteral("Bob");
    RecordingMenuPanel panel;
    panel.dispRecordingMenuPanel(p, nullptr);
    EXPECT_EQ(panel.accessoryView()->height(), 40);
    EXPECT_EQ(panel.findChild<QComboBox*>(QStringLiteral("id_rec_target")), nullptr);
    EXPECT_EQ(panel.selectedTarget(), Rec::REC_TARGET_OTHER);
    auto* type = panel.findChild<QComboBox*>(QStringLiteral("id_rec_filetype"));
    EXPECT_EQ(panel.selectedFileType(), type->currentData().toLongLong());
    EXPECT_NE(panel.selectedFileType(), Rec::REC_FILE_TYPE_AUDIO);
}

TEST(RecordingSettingWindowTest, StartNeedsANameAndCancelEnds) {
    ensureQtApplication();
    TemporaryHome home;
    RecordingSettingWindowController sheet(own(), nullptr);
    auto* name = sheet.findChild<QLineEdit*>(QStringLiteral("fileNameField"));
    auto* type = sheet.findChild<QComboBox*>(QStringLiteral("fileType"));
    ASSERT_TRUE(name && type);
    EXPECT_TRUE(name->text().startsWith(QStringLiteral("Ann_"))) << name->text().toStdString();
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Record(Ann)"));

    int result = -1;
    QObject::connect(&sheet, &QDialog::finished, [&result](int r) { result = r; });
    sheet.show();
    name->setText(QStringLiteral(" \t\n "));
    sheet.findChild<QPushButton*>(QStringLiteral("startBtn"))->click();
    EXPECT_EQ(result, -1);  // nothing happens
    EXPECT_TRUE(sheet.isVisible());

    name->setText(QStringLiteral(" talk "));
    type->setCurrentIndex(1);
    emit type->activated(1);
    sheet.findChild<QPushButton*>(QStringLiteral("startBtn"))->click();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(sheet.getFileName(), QStringLiteral(" talk "));
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("KeyRecordingFileTypeSelf")),
              Rec::REC_FILE_TYPE_MP4);

    RecordingChoiceParams other = own();
    other.isSelf = false;
    RecordingSettingWindowController second(other, nullptr);
    int secondResult = -1;
    QObject::connect(&second, &QDialog::finished, [&secondResult](int r) { secondResult = r; });
    second.show();
    EXPECT_TRUE(second.findChild<QComboBox*>(QStringLiteral("target"))->isHidden());
    EXPECT_TRUE(second.findChild<QLabel*>(QStringLiteral("targetTitle"))->isHidden());
    EXPECT_EQ(second.selectedTarget(), Rec::REC_TARGET_OTHER);
    const QImage shot = second.grab().toImage();
    EXPECT_TRUE(
        shot.save(QStringLiteral(QUORIX_TEST_BINARY_DIR "/recording-screenshots/start-sheet-other.png")));
    second.findChild<QPushButton*>(QStringLiteral("cancelBtn"))->click();
    EXPECT_EQ(secondResult, 0);
    // Cancelling stores nothing for the other kind.
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("KeyRecordingFileTypeOther")), 0);
}

}  // namespace
