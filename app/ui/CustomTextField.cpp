#include "ui/CustomTextField.h"

#include <QKeyEvent>

CustomTextField::CustomTextField(QWidget* parent) : QLineEdit(parent) {}

std::optional<CustomTextField::EditAction> CustomTextField::editActionForKey(Qt::KeyboardModifiers modifiers,
                                                                             int key) {
    const Qt::KeyboardModifiers flags = modifiers & ~Qt::KeypadModifier;
    if (flags == Qt::ControlModifier) {
        switch (key) {
        case Qt::Key_X: return EditAction::Cut;
        case Qt::Key_C: return EditAction::Copy;
        case Qt::Key_V: return EditAction::Paste;
        case Qt::Key_Z: return EditAction::Undo;
        case Qt::Key_A: return EditAction::SelectAll;
        default: return std::nullopt;
        }
    }
    if (flags == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_Z) {
        return EditAction::Redo;
    }
    return std::nullopt;
}

bool CustomTextField::performKeyEquivalent(QKeyEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
        return false;
    }
    const std::optional<EditAction> action = editActionForKey(event->modifiers(), event->key());
    if (!action) {
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        switch (*action) {
        case EditAction::Cut: cut(); break;
        case EditAction::Copy: copy(); break;
        case EditAction::Paste: paste(); break;
        case EditAction::Undo: undo(); break;
        case EditAction::SelectAll: selectAll(); break;
        case EditAction::Redo: redo(); break;
        }
    }
    event->accept();
    return true;
}

bool CustomTextField::event(QEvent* event) {
    // Claims the shortcut before the window's menus see it.
    if (event->type() == QEvent::ShortcutOverride && performKeyEquivalent(static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QLineEdit::event(event);
}

void CustomTextField::keyPressEvent(QKeyEvent* event) {
    if (performKeyEquivalent(event)) {
        return;
    }
    QLineEdit::keyPressEvent(event);
}
