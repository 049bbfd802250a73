#pragma once

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

namespace uitest {

// Mouse events handed straight to a widget, as the window system would
// deliver them while the widget holds the mouse.
inline void sendMouse(QWidget* widget, QEvent::Type type, QPoint position, Qt::MouseButtons buttons) {
    const QPointF local(position);
    QMouseEvent event(type, local, widget->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

inline void press(QWidget* widget, QPoint position) {
    sendMouse(widget, QEvent::MouseButtonPress, position, Qt::LeftButton);
}
inline void moveTo(QWidget* widget, QPoint position) {
    sendMouse(widget, QEvent::MouseMove, position, Qt::LeftButton);
}
inline void release(QWidget* widget, QPoint position) {
    sendMouse(widget, QEvent::MouseButtonRelease, position, Qt::NoButton);
}
inline void click(QWidget* widget) {
    const QPoint centre = widget->rect().center();
    press(widget, centre);
    release(widget, centre);
}

}  // namespace uitest
