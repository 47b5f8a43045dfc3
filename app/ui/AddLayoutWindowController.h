#pragma once

// The small dialogue that asks for a new saved layout's title: an
// explanation, a text field, Cancel and OK. It runs as a sheet on the
// settings window. OK hands the field's text (an empty one too) to the
// delegate and ends with 1; Cancel ends with 0 and tells nobody.

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;

class AddLayoutWindowControllerDelegate {
public:
    virtual ~AddLayoutWindowControllerDelegate() = default;
    virtual void onCloseAddLayoutWindow(const QString& title) = 0;
};

class AddLayoutWindowController : public QDialog {
    Q_OBJECT

public:
    explicit AddLayoutWindowController(QWidget* sheetParent = nullptr);

    // Held weakly; whoever sets it clears it before going away.
    void setDelegate(AddLayoutWindowControllerDelegate* delegate) { delegate_ = delegate; }
    AddLayoutWindowControllerDelegate* delegate() const { return delegate_; }

    void onClickOkBtn();
    void onClickCancelBtn();

    QLabel* explanationLbl() const { return explanationLbl_; }
    QLineEdit* textFiled() const { return textFiled_; }
    QPushButton* okBtn() const { return okBtn_; }
    QPushButton* cancelBtn() const { return cancelBtn_; }

private:
    AddLayoutWindowControllerDelegate* delegate_ = nullptr;
    QLabel* explanationLbl_;
    QLineEdit* textFiled_;
    QPushButton* cancelBtn_;
    QPushButton* okBtn_;
};
