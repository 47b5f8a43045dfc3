// Draws the video tiles' images (option buttons, status marks, meter icons, pin)
// into app/resources/images. Build and run by hand when an image changes:
//   g++ -std=c++20 -fPIC scripts/draw-media-images.cpp -o /tmp/draw $(pkg-config --cflags --libs Qt6Gui)
//   QT_QPA_PLATFORM=offscreen /tmp/draw app/resources/images
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

static void save(const QString& dir, const QString& name, int size, std::function<void(QPainter&, double)> draw) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, size);
    p.end();
    img.save(dir + "/" + name + ".png");
}

static void mic(QPainter& p, double s, QColor c) {
    p.setPen(QPen(c, s * 0.07, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(s * 0.37, s * 0.12, s * 0.26, s * 0.46), s * 0.13, s * 0.13);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(s * 0.25, s * 0.3, s * 0.5, s * 0.42), 180 * 16, 180 * 16);
    p.drawLine(QPointF(s * 0.5, s * 0.72), QPointF(s * 0.5, s * 0.86));
    p.drawLine(QPointF(s * 0.36, s * 0.86), QPointF(s * 0.64, s * 0.86));
}
static void speaker(QPainter& p, double s, QColor c, bool waves) {
    QPainterPath path;
    path.moveTo(s * 0.14, s * 0.38); path.lineTo(s * 0.3, s * 0.38); path.lineTo(s * 0.5, s * 0.2);
    path.lineTo(s * 0.5, s * 0.8); path.lineTo(s * 0.3, s * 0.62); path.lineTo(s * 0.14, s * 0.62); path.closeSubpath();
    p.setPen(Qt::NoPen); p.setBrush(c); p.drawPath(path);
    if (waves) {
        p.setPen(QPen(c, s * 0.07, Qt::SolidLine, Qt::RoundCap)); p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(s * 0.38, s * 0.32, s * 0.24, s * 0.36), -60 * 16, 120 * 16);
        p.drawArc(QRectF(s * 0.32, s * 0.2, s * 0.44, s * 0.6), -60 * 16, 120 * 16);
    }
}
static void camera(QPainter& p, double s, QColor c) {
    p.setPen(Qt::NoPen); p.setBrush(c);
    p.drawRoundedRect(QRectF(s * 0.1, s * 0.3, s * 0.55, s * 0.4), s * 0.06, s * 0.06);
    QPainterPath t; t.moveTo(s * 0.65, s * 0.5); t.lineTo(s * 0.9, s * 0.32); t.lineTo(s * 0.9, s * 0.68); t.closeSubpath();
    p.drawPath(t);
}
static void slash(QPainter& p, double s) {
    p.setPen(QPen(QColor(220, 30, 30), s * 0.09, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.15, s * 0.85), QPointF(s * 0.85, s * 0.15));
}

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString d = argv[1];
    const QColor dark(60, 60, 60), white(255, 255, 255);
    save(d, "micon2", 64, [&](QPainter& p, double s) { mic(p, s, dark); });
    save(d, "micoff2", 64, [&](QPainter& p, double s) { mic(p, s, dark); slash(p, s); });
    save(d, "tool_speaker_on", 64, [&](QPainter& p, double s) { speaker(p, s, dark, true); });
    save(d, "tool_speaker_off", 64, [&](QPainter& p, double s) { speaker(p, s, dark, false); slash(p, s); });
    save(d, "cameraon2", 64, [&](QPainter& p, double s) { camera(p, s, dark); });
    save(d, "cameraoff2", 64, [&](QPainter& p, double s) { camera(p, s, dark); slash(p, s); });
    save(d, "rec", 64, [&](QPainter& p, double s) {
        p.setPen(Qt::NoPen); p.setBrush(QColor(220, 30, 30)); p.drawEllipse(QRectF(s * 0.25, s * 0.25, s * 0.5, s * 0.5)); });
    save(d, "recstop", 64, [&](QPainter& p, double s) {
        p.setPen(Qt::NoPen); p.setBrush(dark); p.drawRect(QRectF(s * 0.28, s * 0.28, s * 0.44, s * 0.44)); });
    auto mark = [&](QColor fill) {
        return [fill](QPainter& p, double s) {
            p.setPen(QPen(QColor(255, 255, 255), s * 0.08)); p.setBrush(fill);
            p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84)); };
    };
    save(d, "video_mark_normal", 28, mark(QColor(40, 170, 60)));
    save(d, "video_mark_special", 28, [&](QPainter& p, double s) {
        QPainterPath star;
        for (int i = 0; i < 10; ++i) {
            const double r = (i % 2 ? 0.22 : 0.48) * s, a = -M_PI / 2 + i * M_PI / 5;
            const QPointF pt(s / 2 + r * std::cos(a), s / 2 + r * std::sin(a) + s * 0.03);
            i ? star.lineTo(pt) : star.moveTo(pt);
        }
        star.closeSubpath();
        p.setPen(QPen(QColor(120, 80, 0), s * 0.05)); p.setBrush(QColor(250, 190, 20)); p.drawPath(star); });
    save(d, "video_mark_invalid", 28, [&](QPainter& p, double s) {
        mark(QColor(150, 150, 150))(p, s);
        p.setPen(QPen(QColor(200, 20, 20), s * 0.12, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(s * 0.3, s * 0.3), QPointF(s * 0.7, s * 0.7));
        p.drawLine(QPointF(s * 0.7, s * 0.3), QPointF(s * 0.3, s * 0.7)); });
    save(d, "video_spk_active", 40, [&](QPainter& p, double s) { speaker(p, s, QColor(80, 220, 90), true); });
    save(d, "video_spk_default", 40, [&](QPainter& p, double s) { speaker(p, s, white, true); });
    save(d, "video_spk_off", 40, [&](QPainter& p, double s) { speaker(p, s, white, false); slash(p, s); });
    save(d, "video_mic_off", 40, [&](QPainter& p, double s) { mic(p, s, white); slash(p, s); });
    auto pin = [&](bool on) {
        return [on](QPainter& p, double s) {
            p.translate(s / 2, s / 2); p.rotate(on ? 0 : 45); p.translate(-s / 2, -s / 2);
            const QColor c = on ? QColor(200, 40, 40) : QColor(110, 110, 110);
            p.setPen(Qt::NoPen); p.setBrush(c);
            p.drawEllipse(QRectF(s * 0.3, s * 0.08, s * 0.4, s * 0.3));
            p.drawRect(QRectF(s * 0.4, s * 0.3, s * 0.2, s * 0.2));
            p.drawRect(QRectF(s * 0.24, s * 0.48, s * 0.52, s * 0.08));
            p.setPen(QPen(QColor(60, 60, 60), s * 0.06, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(s * 0.5, s * 0.56), QPointF(s * 0.5, s * 0.92)); };
    };
    save(d, "pin_on", 32, pin(true));
    save(d, "pin_off", 32, pin(false));
}
