#include "ui/ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace ui {

QPixmap ProgramIcon::pixmap(int size) {
    QPixmap image(size, size);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    // The chip body with four pins on each long side.
    painter.setPen(QPen(QColor(30, 30, 30), 1));
    painter.setBrush(QColor(200, 200, 200));
    for (int pin = 0; pin < 4; ++pin) {
        painter.drawRect(QRectF(3, 8 + pin * 5, 4, 2));
        painter.drawRect(QRectF(25, 8 + pin * 5, 4, 2));
    }
    painter.setBrush(QColor(28, 52, 110));
    painter.drawRoundedRect(QRectF(6.5, 4.5, 19, 25), 2, 2);
    painter.setBrush(QColor(255, 255, 255));
    painter.drawEllipse(QRectF(8.5, 6.5, 3, 3));

    // A yellow arrow into the chip: firmware going down into the flash.
    QPainterPath arrow;
    arrow.moveTo(13, 9);
    arrow.lineTo(19, 9);
    arrow.lineTo(19, 17);
    arrow.lineTo(23, 17);
    arrow.lineTo(16, 26);
    arrow.lineTo(9, 17);
    arrow.lineTo(13, 17);
    arrow.closeSubpath();
    painter.setPen(QPen(QColor(120, 80, 0), 1));
    painter.setBrush(QColor(255, 204, 0));
    painter.drawPath(arrow);
    return image;
}

QIcon ProgramIcon::icon() {
    static const QIcon icon = [] {
        QIcon result;
        for (int size : {16, 24, 32, 48, 64, 128}) {
            result.addPixmap(pixmap(size));
        }
        return result;
    }();
    return icon;
}

}  // namespace ui
