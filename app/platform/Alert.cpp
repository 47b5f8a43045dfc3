#include "platform/Alert.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <memory>

#include "platform/MainBundle.h"
#include "platform/Window.h"

namespace {
Alert* gCurrent = nullptr;
}

Alert::Alert() : box_(new QMessageBox()) {
    box_->setWindowTitle(MainBundle::name());
    box_->setIcon(QMessageBox::NoIcon);
}

Alert::~Alert() {
    if (gCurrent == this) {
        gCurrent = nullptr;
    }
    delete box_;
}

Alert* Alert::current() { return gCurrent; }

void Alert::prepareToShow() {
    box_->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | (box_->windowFlags() & Qt::Sheet));
    // The box lays itself out from its texts; a spacer row across the grid
    // keeps a short text ("(-101)") from giving a window narrower than its title.
    if (auto* grid = qobject_cast<QGridLayout*>(box_->layout()))
        grid->addItem(new QSpacerItem(kMinimumWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

void Alert::setMessageText(const QString& text) { box_->setText(text); }

void Alert::setInformativeText(const QString& text) { box_->setInformativeText(text); }

void Alert::addButtonWithTitle(const QString& title) {
    buttonTitles_.append(title);
    // Added in order, the first is the default; the box lays them out itself.
    QPushButton* button = box_->addButton(title, QMessageBox::AcceptRole);
    buttons_.append(button);
    if (buttonTitles_.size() == 1) {
        box_->setDefaultButton(button);
    }
}

int Alert::responseOf(int) const {
    const qsizetype index = buttons_.indexOf(box_->clickedButton());
    return index >= 0 ? AlertFirstButtonReturn + int(index) : ModalResponseCancel;
}

int Alert::runModal() {
    if (buttonTitles_.isEmpty()) {
        addButtonWithTitle(QStringLiteral("OK"));
    }
    Alert* previous = gCurrent;
    gCurrent = this;
    prepareToShow();
    const int result = box_->exec();
    gCurrent = previous;
    return responseOf(result);
}

void Alert::beginSheetModalForWindow(std::unique_ptr<Alert> alert, QWidget* window,
                                     std::function<void(int)> completion) {
    if (alert->buttonTitles_.isEmpty()) {
        alert->addButtonWithTitle(QStringLiteral("OK"));
    }
    Alert* raw = alert.release();
    QMessageBox* box = raw->box_;
    box->setParent(window, box->windowFlags() | Qt::Sheet);
    raw->prepareToShow();
    box->setWindowModality(Qt::WindowModal);
    gCurrent = raw;
    QObject::connect(box, &QMessageBox::finished, box, [raw, completion = std::move(completion)](int result) {
        const int response = raw->responseOf(result);
        if (gCurrent == raw) {
            gCurrent = nullptr;
        }
        if (completion) {
            completion(response);
        }
        raw->box_->setParent(nullptr);
        raw->box_->deleteLater();
        raw->box_ = nullptr;
        delete raw;
    });
    box->open();
}
