#include "chat/TextBoxViewController.h"

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <cmath>

#include "chat/ChatText.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "ui/CommonAlert.h"
#include "ui/PlaceholderView.h"

TextBoxViewController::TextBoxViewController(UserInfoRef user, std::vector<TextBoxDataRef> lines,
                                             bool saveDisable, bool isWebinar,
                                             const std::optional<QColor>& noticeColor, bool isNotify,
                                             bool isNotifySetting, QWidget* parent)
    : View(parent),
      user_(std::move(user)),
      lines_(std::move(lines)),
      saveDisable_(saveDisable),
      isWebinar_(isWebinar) {
    setObjectName(QStringLiteral("textbox_id"));
    setAttribute(Qt::WA_StyledBackground, true);
    frameAccentColor_ = noticeColor ? *noticeColor : QColor::fromRgbF(0.9f, 0, 0, 1.0f);
    isNotificationOn_ = isNotify;
    if (isNotify && isNotifySetting && UserDefaults::standard().hasKey(QStringLiteral("KeyNotifyChat")))
        isNotificationOn_ = UserDefaults::standard().integerForKey(QStringLiteral("KeyNotifyChat")) != 0;
    setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);

    chatArea_ = new ChatBubbleList(QColor::fromRgbF(0, 0.8f, 1.0f, 0.3f),
                                   QColor::fromRgbF(0.1f, 0.1f, 0.1f, 0.1f), true, true, this);
    chatArea_->setObjectName(QStringLiteral("chatArea"));

    editor_ = new QPlainTextEdit(this);
    editor_->setObjectName(QStringLiteral("editor"));
    editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor_->setStyleSheet(
        QStringLiteral("QPlainTextEdit { background: white; border: 1px solid #c8c8c8; }"));
    editor_->installEventFilter(this);
    connect(editor_, &QPlainTextEdit::textChanged, this, [this] { editorTextChanged(); });

    saveBtn_ = new QPushButton(this);
    saveBtn_->setObjectName(QStringLiteral("saveBtn"));
    saveBtn_->setText(LocalizedString("dfSAVE"));
    saveBtn_->setToolTip(LocalizedString("dfSAVE"));
    saveBtn_->installEventFilter(this);
    sendBtn_ = new QPushButton(this);
    sendBtn_->setObjectName(QStringLiteral("sendBtn"));
    sendBtn_->setText(LocalizedString("dfSEND"));
    sendBtn_->setToolTip(LocalizedString("dfSEND"));
    sendBtn_->installEventFilter(this);
    connect(sendBtn_, &QPushButton::clicked, this, [this] { OnClickSendBtn(); });
    if (isWebinar_) {
        if (saveDisable_) {
            saveBtn_->hide();
            saveBtn_->setEnabled(false);
        } else {
            connect(saveBtn_, &QPushButton::clicked, this, [this] { onClickSaveBtn(); });
        }
        setFocusStatus(saveBtn_, false);
        setFocusStatus(sendBtn_, false);
    } else {
        // The window's toolbar saves; Return sends.
        saveBtn_->hide();
        saveBtn_->setEnabled(false);
        sendBtn_->hide();
        sendBtn_->setEnabled(false);
    }

    accentTimer_.setSingleShot(true);
    accentTimer_.setInterval(500);
    connect(&accentTimer_, &QTimer::timeout, this, [this] { removeFrameAccent(); });

    savePanel_ = [this](const QString& proposed) -> std::optional<QString> {
        const QString path = QFileDialog::getSaveFileName(this, QString(), proposed + QStringLiteral(".txt"),
                                                          QStringLiteral("Text (*.txt)"));
        if (path.isEmpty()) return std::nullopt;
        return path;
    };
    isKeyWindow_ = [this] { return window() && window()->isActiveWindow(); };

    resize(465, 380);
    reloadUI(true);
    willResizeSuper();
}

TextBoxViewController::~TextBoxViewController() {
    // The children go after this object: no more of their events here.
    for (QObject* child : {static_cast<QObject*>(editor_.data()), static_cast<QObject*>(saveBtn_.data()),
                           static_cast<QObject*>(sendBtn_.data())})
        if (child) child->removeEventFilter(this);
    accentTimer_.stop();
}

// ---- Layout ----

void TextBoxViewController::reloadUI(bool scrollToLast) {
    const double w = width(), h = height();
    double editorWidth = w - 10;
    if (isWebinar_) editorWidth = saveBtn_->isVisible() || !saveDisable_ ? w - 118 : w - 74;
    View::setFrameOf(editor_, QRectF(5, 5, std::max(10.0, editorWidth), 57));
    if (!placeholder_) {
        placeholder_ = new PlaceholderView(editor_->viewport());
        placeholder_->setObjectName(QStringLiteral("placeholder"));
    }
    placeholder_->setGeometry(4, 2, std::max(0, editor_->width() - 12), 20);
    placeholder_->setVisible(editor_->document()->isEmpty() && !editor_->hasFocus());
    if (isWebinar_) {
        View::setFrameOf(sendBtn_, QRectF(w - 64, 5, 59, 28));
        View::setFrameOf(saveBtn_, QRectF(w - 108, 5, 40, 28));
    }
    View::setFrameOf(chatArea_, QRectF(0, 67, w, std::max(0.0, h - 67)));
    refreshTable(scrollToLast);
}

void TextBoxViewController::refreshTable(bool scrollToLast) {
    const QScrollBar* bar = chatArea_->verticalScrollBar();
    chatArea_->setMeasureWidth(width() * 3.0 / 4.0 - 20);
    std::vector<ChatBubbleItem> items;
    items.reserve(lines_.size());
    for (const TextBoxDataRef& line : lines_)
        items.push_back({line->name(), line->date(), line->message(), line->isSelf()});
    chatArea_->setItems(items);
    if (scrollToLast) {
        chatArea_->scrollToLast();
    } else {
        const double total = bar->maximum() + bar->pageStep();
        chatArea_->verticalScrollBar()->setValue(int(total * willResizeScrollY_));
    }
}

void TextBoxViewController::willResizeSuper() {
    const QScrollBar* bar = chatArea_->verticalScrollBar();
    const double total = bar->maximum() + bar->pageStep();
    const double y = total > 0 ? bar->value() / total : 0;
    willResizeScrollY_ = std::isnan(y) ? 0 : y;
}

void TextBoxViewController::resizeEvent(QResizeEvent* event) {
    View::resizeEvent(event);
    reloadUI(false);
}

// ---- Lines ----

void TextBoxViewController::updateData(bool forced, const std::optional<std::vector<TextBoxDataRef>>& lines) {
    if (lines) {
        lines_ = *lines;
        refreshTable(true);
        if (isWebinar_) {
            if (hasFocusMarker(sendBtn_)) {
                setFocusStatus(sendBtn_, false);
                editor_->setFocus();
            } else if (isNotificationOn_) {
                showFrameAccent();
                if (isKeyWindow_ && isKeyWindow_()) startFrameAccentTimer();
            }
        }
    }
    if (forced && !isWebinar_ && window()) {
        window()->show();
        window()->raise();
    }
}

void TextBoxViewController::showFrameAccent() {
    accentShown_ = true;
    setStyleSheet(QStringLiteral("#textbox_id { border: 2px solid %1; }").arg(frameAccentColor_.name()));
}

void TextBoxViewController::startFrameAccentTimer() {
    // A second line while the timer runs takes the accent away again.
    if (accentTimer_.isActive()) removeFrameAccent();
    accentTimer_.start();
}

void TextBoxViewController::removeFrameAccent() {
    accentShown_ = false;
    setStyleSheet(QStringLiteral("#textbox_id { border: 1px solid transparent; }"));
    accentTimer_.stop();
}

// ---- Editing and sending ----

QString TextBoxViewController::editorText() const {
    // Paragraphs as typed line ends; soft line breaks (U+2028) stay.
    QString text = editor_->document()->toRawText();
    text.replace(QChar(0x2029), QLatin1Char('\n'));
    return text;
}

void TextBoxViewController::editorTextChanged() {
    if (cutting_) return;
    const QString text = editorText();
    if (!text.isEmpty() && placeholder_) placeholder_->hide();
    if (text.size() <= kMaxUnits) return;
    cutting_ = true;
    editor_->setPlainText(ChatText::cutToUnits(text, kMaxUnits));
    editor_->moveCursor(QTextCursor::End);
    cutting_ = false;
}

void TextBoxViewController::editEnd() {
    const QString raw = editorText();
    if (ChatText::isBlank(raw)) {
        editor_->clear();
        editor_->clearFocus();
        placeholder_->show();
        return;
    }
    const QString text = ChatText::replaceLineSeparators(raw);
    if (!ChatText::hasUtf8Form(text)) {
        CommonAlert::sharedInstance().showModalSheet(
            window(), std::nullopt, LocalizedString("dfTEXTBOX_SENDMESSAGE_ERR_ALERTMESSASE"),
            LocalizedString("dfTEXTBOX_SENDMESSAGE_ERR_ALERTINFORMATION"), QStringLiteral("OK"), nullptr, {});
        return;
    }
    if (delegate_) delegate_->sendTextBoxData(text);
    editor_->clear();
    placeholder_->show();
    if (!isWebinar_) editor_->setFocus();
}

void TextBoxViewController::OnClickSendBtn() {
    editEnd();
    if (isWebinar_) setFocusStatus(sendBtn_, true);
}

void TextBoxViewController::onClickForceDisplayBtn() {
    if (delegate_) delegate_->forceDisplayTextBox();
}

// ---- Saving ----

std::optional<QString> TextBoxViewController::getSaveData() const {
    return ChatText::makeSaveTextFormat(lines_);
}

void TextBoxViewController::onClickSaveBtn() {
    setFocusStatus(saveBtn_, false);
    LogFileManager::write(QString::fromLatin1(kLogMsgTBSaveBtn), 2, false);
    const auto path = savePanel_ ? savePanel_(ChatText::saveFileName(LocalizedString("dfTEXTBOX_TITLE"),
                                                                     QDateTime::currentDateTime()))
                                 : std::nullopt;
    if (!path) return;
    // Composed here from the lines the view shows, written on a worker.
    const QString text = ChatText::makeSaveTextFormat(lines_);
    std::optional<QString> error;
    DispatchQueue::global().sync([&] { error = ChatText::writeTextFile(*path, text); });
    if (error) {
        LogFileManager::write(
            StringWithFormat(QStringLiteral("[TextBox]Save failed: %@ (%@)"), *path, *error), 0, false);
        CommonAlert::sharedInstance().showModalSheet(window(), std::nullopt,
                                                     LocalizedString("dfTEXTBOX_SAVE_ERR"), *error,
                                                     QStringLiteral("OK"), nullptr, {});
        return;
    }
    lastSavedPath_ = *path;
}

// ---- Focus marker, keys and clicks ----

void TextBoxViewController::setFocusStatus(QPushButton* button, bool mark) {
    if (!button) return;
    button->setProperty("focusMarker", mark);
    button->setDefault(mark);
    if (mark) {
        button->setFocus();
        button->setStyleSheet(
            QStringLiteral("QPushButton { border: 2px solid #3b8ee8; border-radius: 4px; }"));
    } else {
        if (button->hasFocus()) button->clearFocus();
        button->setStyleSheet(QString());
    }
}

bool TextBoxViewController::hasFocusMarker(QPushButton* button) const {
    return button && button->property("focusMarker").toBool();
}

bool TextBoxViewController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched == editor_ && placeholder_) placeholder_->hide();
    if (event->type() != QEvent::KeyPress) return View::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool isReturn = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (watched == editor_) {
        if (isReturn && !(key->modifiers() & Qt::ShiftModifier)) {
            if (isWebinar_) {
                editor_->insertPlainText(QStringLiteral("\n"));
            } else {
                editEnd();
            }
            return true;
        }
        if (isReturn && (key->modifiers() & Qt::ShiftModifier)) {
            editor_->insertPlainText(QString(QChar(0x2028)));
            return true;
        }
        if (key->key() == Qt::Key_Tab && isWebinar_) {
            if (saveBtn_->isVisible() && !hasFocusMarker(saveBtn_)) {
                setFocusStatus(saveBtn_, true);
            } else {
                setFocusStatus(saveBtn_, false);
                setFocusStatus(sendBtn_, true);
            }
            return true;
        }
        return false;
    }
    if ((watched == saveBtn_ || watched == sendBtn_) && isWebinar_) {
        keyPressEvent(key);
        return key->isAccepted();
    }
    return View::eventFilter(watched, event);
}

void TextBoxViewController::keyPressEvent(QKeyEvent* event) {
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (event->key() == Qt::Key_Tab && hasFocusMarker(saveBtn_)) {
        setFocusStatus(saveBtn_, false);
        setFocusStatus(sendBtn_, true);
    } else if (event->key() == Qt::Key_Backtab) {
        if (hasFocusMarker(sendBtn_)) {
            setFocusStatus(sendBtn_, false);
            if (saveBtn_->isVisible()) {
                setFocusStatus(saveBtn_, true);
            } else {
                editor_->setFocus();
            }
        } else if (hasFocusMarker(saveBtn_)) {
            setFocusStatus(saveBtn_, false);
            editor_->setFocus();
        }
    } else if (isReturn && hasFocusMarker(saveBtn_)) {
        onClickSaveBtn();
    } else if (isReturn && hasFocusMarker(sendBtn_)) {
        OnClickSendBtn();
    } else {
        event->ignore();
        return;
    }
    event->accept();
}

void TextBoxViewController::mousePressEvent(QMouseEvent* event) {
    if (isWebinar_) {
        removeFrameAccent();
        setFocusStatus(saveBtn_, false);
        setFocusStatus(sendBtn_, false);
    }
    placeholder_->setVisible(editor_->document()->isEmpty());
    View::mousePressEvent(event);
}
