#pragma once

// A text field that handles the editing shortcuts itself: Ctrl with x, c, v,
// z, a cuts, copies, pastes, undoes and selects all; Ctrl+Shift+Z redoes.
// Any other key goes to the field's own handling.

#include <QLineEdit>
#include <optional>

class QKeyEvent;

class CustomTextField : public QLineEdit {
    Q_OBJECT

public:
    enum class EditAction { Cut, Copy, Paste, Undo, SelectAll, Redo };

    explicit CustomTextField(QWidget* parent = nullptr);

    // The edit a key with these modifiers stands for, or none.
    static std::optional<EditAction> editActionForKey(Qt::KeyboardModifiers modifiers, int key);
    // Performs the key's edit and answers true, or answers false.
    bool performKeyEquivalent(QKeyEvent* event);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
