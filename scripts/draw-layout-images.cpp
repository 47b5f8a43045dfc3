// Draws the video area's arrangement images (the webinar waiting picture, the
// seminar own-video and list buttons, the webinar layout menu pictures) into
// app/resources/images. Build and run by hand when an image changes:
//   g++ -std=c++20 -fPIC scripts/draw-layout-images.cpp -o /tmp/draw-layout $(pkg-config --cflags --libs Qt6Gui)
//   QT_QPA_PLATFORM=offscreen /tmp/draw-layout app/resources/images
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

static void save(const QString& dir, const QString& name, int w, int h, std::function<void(QPainter&)> draw) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    img.save(dir + "/" + name + ".png");
}

static void person(QPainter& p, QRectF r, QColor c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    const double s = std::min(r.width(), r.height());
    const QPointF centre = r.center();
    p.drawEllipse(QPointF(centre.x(), centre.y() - s * 0.18), s * 0.18, s * 0.18);
    QPainterPath body;
    body.addRoundedRect(QRectF(centre.x() - s * 0.3, centre.y() + 0.05 * s, s * 0.6, s * 0.38), s * 0.15, s * 0.15);
    p.drawPath(body);
}

// One pane of a layout picture: a coloured box with its content's letter.
static void pane(QPainter& p, QRectF r, QChar kind) {
    QColor fill;
    switch (kind.unicode()) {
        case 'V': fill = QColor(40, 40, 40); break;     // video grid
        case 'D': fill = QColor(235, 235, 235); break;  // document
        case 'S': fill = QColor(70, 130, 200); break;   // shared screen
        default: fill = QColor(250, 245, 210); break;   // text box
    }
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(fill);
    p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
    if (kind == 'V') {
        person(p, r.adjusted(r.width() * 0.15, r.height() * 0.1, -r.width() * 0.15, -r.height() * 0.1),
               QColor(210, 210, 210));
        return;
    }
    p.setPen(kind == 'S' ? Qt::white : QColor(60, 60, 60));
    QFont f = p.font();
    f.setPixelSize(int(std::min(r.width(), r.height()) * 0.55));
    f.setBold(true);
    p.setFont(f);
    p.drawText(r, Qt::AlignCenter, QString(kind));
}

// A layout picture: the left pane alone, or left and right (two panes), or
// left, right at the top and the text box at the bottom (three panes).
static void layout(const QString& dir, const QString& name, const QString& panes) {
    save(dir, name, 48, 32, [&](QPainter& p) {
        const QRectF all(1, 1, 46, 30);
        if (panes.size() == 1) {
            pane(p, all, panes[0]);
        } else if (panes.size() == 2 && panes[1] == 'T') {
            pane(p, QRectF(1, 1, 30, 30), panes[0]);
            pane(p, QRectF(31, 1, 16, 30), 'T');
        } else if (panes.size() == 2) {
            pane(p, QRectF(1, 1, 30, 30), panes[0]);
            pane(p, QRectF(31, 1, 16, 30), panes[1]);
        } else {
            pane(p, QRectF(1, 1, 30, 30), panes[0]);
            pane(p, QRectF(31, 1, 16, 15), panes[1]);
            pane(p, QRectF(31, 16, 16, 15), 'T');
        }
    });
}

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString d = argv[1];
    const QColor dark(60, 60, 60);
    // The webinar's waiting picture: a presenter at an empty desk.
    save(d, "wait_man", 200, 200, [&](QPainter& p) {
        person(p, QRectF(40, 20, 120, 130), QColor(33, 150, 243));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 120, 120));
        p.drawRoundedRect(QRectF(20, 150, 160, 18), 4, 4);
    });
    save(d, "camhide", 64, 64, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 220));
        p.drawEllipse(QRectF(2, 2, 60, 60));
        p.setPen(QPen(dark, 7, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(18, 32), QPointF(46, 32));
    });
    save(d, "camdisp", 64, 64, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 220));
        p.drawEllipse(QRectF(2, 2, 60, 60));
        p.setBrush(dark);
        p.drawRoundedRect(QRectF(12, 22, 28, 20), 3, 3);
        QPainterPath t;
        t.moveTo(40, 32);
        t.lineTo(54, 22);
        t.lineTo(54, 42);
        t.closeSubpath();
        p.drawPath(t);
    });
    save(d, "seminarlist", 64, 64, [&](QPainter& p) {
        p.setPen(QPen(QColor(230, 230, 230), 6, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 3; ++i) p.drawLine(QPointF(14, 18 + 14 * i), QPointF(50, 18 + 14 * i));
    });
    layout(d, "video_g", "V");
    layout(d, "ds_g", "D");
    layout(d, "ap_g", "S");
    layout(d, "video_ds", "VD");
    layout(d, "ds_video", "DV");
    layout(d, "video_ap", "VS");
    layout(d, "ap_video", "SV");
    layout(d, "video_tb", "VT");
    layout(d, "ds_tb", "DT");
    layout(d, "ap_tb", "ST");
    layout(d, "video_ds_tb", "VDT");
    layout(d, "ds_video_tb", "DVT");
    layout(d, "video_ap_tb", "VST");
    layout(d, "ap_video_tb", "SVT");
    return 0;
}
