#pragma once

#include <QIcon>
#include <QPixmap>

namespace ui {

// The program's own icon, drawn once: a flash chip with a download arrow.
class ProgramIcon {
  public:
    static constexpr int kDialogSize = 32;

    static QPixmap pixmap(int size);
    static QIcon icon();
};

}  // namespace ui
