#pragma once

// A saved arrangement of the conference windows under a title: the frames of
// the conference window and of the participant-list, text-box,
// document-sharing and whiteboard windows, in screen coordinates (bottom-up,
// points). A window that was not shown is stored as the zero rectangle, which
// means "no saved frame".
//
// Stored in the user defaults: per kind of room an array of layout
// dictionaries and the index of the layout applied at start-up (1-based,
// 0 for none), each key followed by the own user id unless the room shares
// the layouts among all users of the computer.

#include <QByteArray>
#include <QRectF>
#include <QString>
#include <QVariantMap>
#include <functional>

class UserDefaults;

class SaveLayoutInfo {
public:
    static inline const QString kTitle = QStringLiteral("KeySaveLayoutTitle");
    static inline const QString kRectMain = QStringLiteral("KeySaveLayoutRectMain");
    static inline const QString kRectList = QStringLiteral("KeySaveLayoutRectList");
    static inline const QString kRectTB = QStringLiteral("KeySaveLayoutRectTB");
    static inline const QString kRectDS = QStringLiteral("KeySaveLayoutRectDS");
    static inline const QString kRectWB = QStringLiteral("KeySaveLayoutRectWB");

    // From frames: the dictionary is made from them.
    SaveLayoutInfo(const QString& title, const QRectF& mainWindowRect, const QRectF& userListWindowRect,
                   const QRectF& tbWindowRect, const QRectF& dsWindowRect, const QRectF& wbWindowRect);
    // From a stored dictionary: kept as it is, the frames decoded from it.
    explicit SaveLayoutInfo(const QVariantMap& dict);

    QString title() const { return title_; }
    QVariantMap dict() const { return dict_; }
    QRectF mainWindowRect() const { return main_; }
    QRectF userListWindowRect() const { return list_; }
    QRectF tbWindowRect() const { return tb_; }
    QRectF dsWindowRect() const { return ds_; }
    QRectF wbWindowRect() const { return wb_; }

    // A frame as stored: x, y, width, height as doubles after a tag.
    static QByteArray fromRectToData(const QRectF& rect);
    // The zero rectangle for data that is not a stored frame.
    static QRectF fromDataToRect(const QByteArray& data);

    // The keys of a room category (0 normal, 1 seminar, anything else
    // many-meeting), with the suffix appended ("" for none).
    static QString arrayKey(int roomCategory, const QString& suffix);
    static QString launchKey(int roomCategory, const QString& suffix);

    struct Room {
        QVariantMap confDict;
        int roomCategory = 0;
        QString myUserId;
    };
    // The frame the start-up layout saved for one window key, or the zero
    // rectangle: none without "MODE_SAVE_LAYOUT", without a start-up layout,
    // for an index beyond the stored array, for an unknown key, and for a main
    // frame smaller than `minWindowSize` outside seminar rooms.
    static QRectF savedFrame(const QString& rectKey, const Room& room, const UserDefaults& defaults,
                             const std::function<QSizeF()>& minWindowSize);

private:
    QString title_;
    QVariantMap dict_;
    QRectF main_, list_, tb_, ds_, wb_;
};
