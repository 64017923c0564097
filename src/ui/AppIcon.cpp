#include "AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace liedspur {

QIcon appIcon() {
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 128));
    painter.drawEllipse(QRectF(1, 1, 30, 30));
    painter.setBrush(QColor(192, 192, 192));
    painter.drawEllipse(QRectF(12, 12, 8, 8));
    painter.setBrush(QColor(255, 255, 0));
    painter.drawEllipse(QRectF(8, 19, 8, 6));
    painter.drawRect(QRectF(14, 6, 2, 16));
    QPainterPath flag;
    flag.moveTo(16, 6);
    flag.cubicTo(20, 8, 24, 10, 22, 16);
    flag.cubicTo(22, 12, 19, 11, 16, 11);
    painter.drawPath(flag);
    return QIcon(picture);
}

} // namespace liedspur
