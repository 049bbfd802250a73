#pragma once

#include <QDir>
#include <QPixmap>
#include <QString>
#include <QWidget>

#ifndef FLASHKIT_SCREENSHOT_DIR
#error "the build gives the folder of the screenshots"
#endif

namespace uitest {

// Renders a window (its own drawing, without the window system's frame)
// into build/screenshots/<name>.png.
inline bool saveScreenshot(QWidget* window, const QString& name) {
    QDir().mkpath(FLASHKIT_SCREENSHOT_DIR);
    return window->grab().save(QString(FLASHKIT_SCREENSHOT_DIR) + "/" + name + ".png");
}

}  // namespace uitest
