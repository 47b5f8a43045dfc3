#include "services/SaveLayoutInfo.h"

#include <QDataStream>
#include <QIODevice>
#include <QVariantList>
#include <cmath>

#include "platform/UserDefaults.h"

namespace {
constexpr quint32 kRectTag = 0x52656374;  // "Rect"

bool on(const QVariantMap& conf, const char* key) {
    return conf.value(QString::fromLatin1(key)).toString() == u"Y";
}
}  // namespace

SaveLayoutInfo::SaveLayoutInfo(const QString& title, const QRectF& mainWindowRect,
                               const QRectF& userListWindowRect, const QRectF& tbWindowRect,
                               const QRectF& dsWindowRect, const QRectF& wbWindowRect)
    : title_(title),
      main_(mainWindowRect),
      list_(userListWindowRect),
      tb_(tbWindowRect),
      ds_(dsWindowRect),
      wb_(wbWindowRect) {
    dict_ = {{kTitle, title_},
             {kRectMain, fromRectToData(main_)},
             {kRectList, fromRectToData(list_)},
             {kRectTB, fromRectToData(tb_)},
             {kRectDS, fromRectToData(ds_)},
             {kRectWB, fromRectToData(wb_)}};
}

SaveLayoutInfo::SaveLayoutInfo(const QVariantMap& dict)
    : title_(dict.value(kTitle).toString()),
      dict_(dict),
      main_(fromDataToRect(dict.value(kRectMain).toByteArray())),
      list_(fromDataToRect(dict.value(kRectList).toByteArray())),
      tb_(fromDataToRect(dict.value(kRectTB).toByteArray())),
      ds_(fromDataToRect(dict.value(kRectDS).toByteArray())),
      wb_(fromDataToRect(dict.value(kRectWB).toByteArray())) {}

QByteArray SaveLayoutInfo::fromRectToData(const QRectF& rect) {
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out.setByteOrder(QDataStream::BigEndian);
    out << kRectTag << rect.x() << rect.y() << rect.width() << rect.height();
    return data;
}

QRectF SaveLayoutInfo::fromDataToRect(const QByteArray& data) {
    if (data.size() != int(sizeof(quint32) + 4 * sizeof(double))) return QRectF();
    QDataStream in(data);
    in.setVersion(QDataStream::Qt_6_0);
    in.setByteOrder(QDataStream::BigEndian);
    quint32 tag = 0;
    double x = 0, y = 0, w = 0, h = 0;
    in >> tag >> x >> y >> w >> h;
    if (in.status() != QDataStream::Ok || tag != kRectTag) return QRectF();
    for (double v : {x, y, w, h})
        if (!std::isfinite(v)) return QRectF();
    if (w < 0 || h < 0) return QRectF();
    return QRectF(x, y, w, h);
}

QString SaveLayoutInfo::arrayKey(int roomCategory, const QString& suffix) {
    const QString base = roomCategory == 0   ? QStringLiteral("KeySaveLayoutArrayNormal")
                         : roomCategory == 1 ? QStringLiteral("KeySaveLayoutArraySeminar")
                                             : QStringLiteral("KeySaveLayoutArrayManymtg");
    return base + suffix;
}

QString SaveLayoutInfo::launchKey(int roomCategory, const QString& suffix) {
    const QString base = roomCategory == 0   ? QStringLiteral("KeySaveLayoutLaunchNormal")
                         : roomCategory == 1 ? QStringLiteral("KeySaveLayoutLaunchSeminar")
                                             : QStringLiteral("KeySaveLayoutLaunchManymtg");
    return base + suffix;
}

QRectF SaveLayoutInfo::savedFrame(const QString& rectKey, const Room& room, const UserDefaults& defaults,
                                  const std::function<QSizeF()>& minWindowSize) {
    if (!on(room.confDict, "MODE_SAVE_LAYOUT")) return QRectF();
    const QString suffix = on(room.confDict, "MODE_SAVE_LAYOUT_ALLUSER") ? QString() : room.myUserId;
    const qint64 index = defaults.integerForKey(launchKey(room.roomCategory, suffix));
    if (index <= 0) return QRectF();
    const QVariantList layouts = defaults.objectForKey(arrayKey(room.roomCategory, suffix)).toList();
    if (index > layouts.size()) return QRectF();
    const SaveLayoutInfo layout(layouts.at(int(index - 1)).toMap());
    if (rectKey == kRectMain) {
        const QRectF frame = layout.mainWindowRect();
        if (room.roomCategory != 1 && minWindowSize) {
            const QSizeF minimum = minWindowSize();
            if (minimum.width() > frame.width() || minimum.height() > frame.height()) return QRectF();
        }
        return frame;
    }
    if (rectKey == kRectList) return layout.userListWindowRect();
    if (rectKey == kRectTB) return layout.tbWindowRect();
    if (rectKey == kRectDS) return layout.dsWindowRect();
    if (rectKey == kRectWB) return layout.wbWindowRect();
    return QRectF();
}
