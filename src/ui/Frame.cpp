#include "ui/Frame.h"

#include <QPainter>

namespace liedspur {

Frame::Frame(const char* name, const QString& caption, QWidget* parent, const QRect& geometry)
    : QGroupBox(caption, parent) {
    setObjectName(QString::fromLatin1(name));
    setGeometry(geometry);
}

void Frame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height() / 2;
    const QRect border = rect().adjusted(0, line, -1, -1);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(border);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(border.left() + 1, border.top() + 1, border.right() - 1, border.top() + 1);
    const QString caption = title();
    const QRect captionRect(6, 0, metrics.horizontalAdvance(caption), metrics.height());
    painter.fillRect(captionRect, palette().color(QPalette::Window));
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(captionRect, Qt::AlignLeft | Qt::AlignVCenter, caption);
}

} // namespace liedspur
