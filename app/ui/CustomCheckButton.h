#pragma once

// An image check button with four states (0 normal, 1 checked, 2 disabled,
// 3 invalid), each with its own image, and a light shading while the mouse
// is over or presses an enabled button.

#include <QColor>
#include <QIcon>
#include <QMap>
#include <QPushButton>
#include <QString>
#include <QVariantMap>

class CustomCheckButton : public QPushButton {
    Q_OBJECT

public:
    enum Type : qint64 { Normal = 0, Checked = 1, Disabled = 2, Invalid = 3 };
    // The image keys: state, then the situation (none = at rest, "Hover", "Alternate" = pressed).
    static const QStringList kImageKeys;

    explicit CustomCheckButton(QWidget* parent = nullptr);

    // Key -> image file path; absent keys keep their earlier image.
    void setImageResources(const QVariantMap& resources);
    void setType(qint64 type);
    qint64 type() const { return type_; }

    // What is shown now: the state's image at rest (none when unset) and the shading.
    QIcon shownImage() const { return shownImage_; }
    QColor shading() const { return shading_; }
    QIcon imageForKey(const QString& key) const { return images_.value(key); }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void showState();
    void setShading(const QColor& color);

    QMap<QString, QIcon> images_;
    QIcon shownImage_;
    QColor shading_ = Qt::transparent;
    qint64 type_ = Normal;
};
