// Writes the program icon as PNG files for the desktop's icon theme, so that
// the desktop entry shows the same drawing as the program's windows.
//
//   flashkit-icon-export OUTPUT_FOLDER SIZE...   (OUTPUT_FOLDER/<SIZE>x<SIZE>/apps/flashkit.png)
#include "ui/ProgramIcon.h"

#include <QDir>
#include <QGuiApplication>

#include <iostream>

int main(int argc, char** argv) {
    // No window is shown: the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() < 3) {
        std::cerr << "usage: flashkit-icon-export OUTPUT_FOLDER SIZE...\n";
        return 2;
    }
    for (qsizetype i = 2; i < arguments.size(); ++i) {
        bool number = false;
        const int size = arguments.at(i).toInt(&number);
        if (!number || size < 16 || size > 512) {
            std::cerr << "flashkit-icon-export: not an icon size: " << arguments.at(i).toStdString() << '\n';
            return 2;
        }
        const QString folder = QString("%1/%2x%2/apps").arg(arguments.at(1)).arg(size);
        if (!QDir().mkpath(folder) || !ui::ProgramIcon::pixmap(size).save(folder + "/flashkit.png", "PNG")) {
            std::cerr << "flashkit-icon-export: cannot write " << folder.toStdString() << "/flashkit.png\n";
            return 1;
        }
    }
    return 0;
}
