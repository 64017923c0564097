#include "ui/WindowIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace liedspur {

QPixmap windowIconPixmap() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(QColor(0, 0, 128));
    painter.drawEllipse(1, 1, 29, 29);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(5, 5, 21, 21);
    painter.drawEllipse(9, 9, 13, 13);
    painter.setPen(Qt::black);
    painter.setBrush(QColor(255, 0, 0));
    painter.drawEllipse(12, 12, 7, 7);
    painter.setBrush(QColor(255, 255, 0));
    painter.setPen(QPen(QColor(255, 255, 0), 2));
    painter.drawLine(22, 6, 22, 20);
    painter.drawLine(22, 6, 28, 9);
    painter.setPen(Qt::black);
    painter.drawEllipse(17, 18, 6, 5);
    return pixmap;
}

} // namespace liedspur
