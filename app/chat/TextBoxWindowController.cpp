#include "chat/TextBoxWindowController.h"

#include <QIcon>
#include <QLayout>
#include <QToolBar>
#include <QToolButton>

#include "chat/TextBoxViewController.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/View.h"

TextBoxWindowController::TextBoxWindowController(const QRectF& frame, TextBoxViewController* content,
                                                 bool saveDisable, QObject* parent)
    : QObject(parent), content_(content) {
    window_ = new Window(
        frame, WindowStyleTitled | WindowStyleClosable | WindowStyleMiniaturizable | WindowStyleResizable);
    window_->setObjectName(QStringLiteral("textBoxWindow"));
    window_->setTitle(LocalizedString("dfTEXTBOX_TITLE"));
    window_->setFrame(frame, false);

    toolbar_ = new QToolBar(window_);
    toolbar_->setObjectName(QStringLiteral("textbox_toolbar_id"));
    toolbar_->setMovable(false);
    toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto* spacer = new QWidget(toolbar_);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar_->addWidget(spacer);
    forceDisplayItem_ = makeToolbarItem(QStringLiteral("toolbar_id_force_display"),
                                        LocalizedString("dfFORCEDISPLAY"), QStringLiteral("forcedisplay"));
    connect(forceDisplayItem_, &QToolButton::clicked, this, [this] { onClickForceDisplayBtn(); });
    if (!saveDisable) {
        saveItem_ = makeToolbarItem(QStringLiteral("toolbar_id_save"), LocalizedString("dfSAVE"),
                                    QStringLiteral("save_textbox"));
        connect(saveItem_, &QToolButton::clicked, this, [this] { onClickSaveBtn(); });
    }
    if (window_->layout()) window_->layout()->setMenuBar(toolbar_);

    auto* root = new View();
    root->setObjectName(QStringLiteral("textBoxContent"));
    window_->setContentView(root);
    root->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    content_->setParent(root);
    const QRectF own = content_->frame();
    content_->setFrame(QRectF(own.x(), own.y(), frame.width(), own.height()));
    content_->setGeometry(0, 0, int(frame.width()), int(frame.height() - toolbar_->sizeHint().height()));
    content_->show();
    window_->setDelegate(this);
}

TextBoxWindowController::~TextBoxWindowController() {
    if (window_) {
        window_->setDelegate(nullptr);
        delete window_.data();
    }
}

QToolButton* TextBoxWindowController::makeToolbarItem(const QString& identifier, const QString& label,
                                                      const QString& image) {
    auto* button = new QToolButton(toolbar_);
    button->setObjectName(identifier);
    button->setToolTip(label);
    button->setText(label);
    if (const auto path = MainBundle::pathForResource(image, QStringLiteral("png")))
        button->setIcon(QIcon(*path));
    // Without its picture the button shows its label.
    if (button->icon().isNull()) {
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setFixedHeight(28);
    } else {
        button->setFixedSize(44, 28);
    }
    button->setEnabled(true);
    toolbar_->addWidget(button);
    return button;
}

void TextBoxWindowController::showWindow() {
    window_->show();
    window_->makeKeyAndOrderFront();
}

void TextBoxWindowController::onClickForceDisplayBtn() {
    if (content_) content_->onClickForceDisplayBtn();
}

void TextBoxWindowController::onClickSaveBtn() {
    if (content_) content_->onClickSaveBtn();
}

void TextBoxWindowController::windowDidResize(Window*) {
    if (!content_ || !window_->contentView()) return;
    content_->setGeometry(window_->contentView()->rect());
    content_->reloadUI(false);
}

void TextBoxWindowController::windowWillClose(Window*) {
    if (delegate_) delegate_->onCloseTextBoxWindow(window_->frame());
}
