// SPDX-License-Identifier: GPL-3.0-or-later
#include "icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

namespace wl {
namespace {

// A wave over a lathe bed, as in the desktop icon, on a 32-pixel grid.
void drawProgramIcon(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#1d4e89"));
    p.drawRoundedRect(1, 1, 30, 30, 5, 5);
    QPainterPath wave(QPointF(3, 16));
    for (int x = 3; x < 27; x += 6) {
        wave.quadTo(x + 1.5, (x / 6) % 2 ? 26 : 6, x + 3, 16);
        wave.quadTo(x + 4.5, (x / 6) % 2 ? 6 : 26, x + 6, 16);
    }
    p.setPen(QPen(QColor("#f5c542"), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#d9e4f0"));
    p.drawRoundedRect(4, 22, 24, 5, 2, 2);
    p.setBrush(QColor("#1d4e89"));
    p.drawEllipse(QPointF(16, 24.5), 1.5, 1.5);
}

// A compact disc, on a 32-pixel grid.
void drawRipperIcon(QPainter& p) {
    p.setPen(QPen(QColor("#404040"), 1));
    p.setBrush(QColor("#c0c8d0"));
    p.drawEllipse(2, 2, 28, 28);
    p.setBrush(QColor("#f5c542"));
    p.drawEllipse(10, 10, 12, 12);
    p.setBrush(Qt::white);
    p.drawEllipse(14, 14, 4, 4);
}

// An icon drawn afresh at every size it is asked for, so that it stays sharp on any screen.
class DrawnIcon : public QIconEngine {
  public:
    explicit DrawnIcon(void (*draw)(QPainter&)) : draw_(draw) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 32.0, rect.height() / 32.0);
        draw_(*painter);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    // The sizes an X11 window manager is offered (_NET_WM_ICON), each drawn when the window is
    // first shown: up to 64 pixels, which a task bar scales up if it must. Docks take the
    // desktop entry's own scalable icon; any other size is still drawn sharp on request.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}};
    }
    QIconEngine* clone() const override { return new DrawnIcon(draw_); }

  private:
    void (*draw_)(QPainter&);
};

} // namespace

QImage programIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    DrawnIcon(drawProgramIcon).paint(&p, image.rect(), QIcon::Normal, QIcon::Off);
    p.end();
    return image;
}

QIcon programIcon() { return QIcon(new DrawnIcon(drawProgramIcon)); }

QIcon ripperIcon() { return QIcon(new DrawnIcon(drawRipperIcon)); }

} // namespace wl
