// Writes the program icon as PNG files for the desktop's icon theme, so that
// the desktop entry shows the same drawing as the program's windows; and
// the icon and the buttons' pointer as the .ico and .cur files of the Win32
// program's resources (app/win32/res).
//
//   flashkit-icon-export OUTPUT_FOLDER SIZE...   (OUTPUT_FOLDER/<SIZE>x<SIZE>/apps/flashkit.png)
//   flashkit-icon-export --windows OUTPUT_FOLDER (OUTPUT_FOLDER/flashkit.ico, button.cur)
#include "ui/CQButton.h"
#include "ui/ProgramIcon.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QtEndian>

#include <iostream>
#include <vector>

namespace {

// One image of an icon or cursor file: a 32-bit bottom-up device-independent
// bitmap with its transparency mask, the form every Windows version reads.
QByteArray iconImage(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    const int maskStride = ((width + 31) / 32) * 4;
    QByteArray bytes;
    const auto put16 = [&bytes](quint16 value) {
        const quint16 little = qToLittleEndian(value);
        bytes.append(reinterpret_cast<const char*>(&little), 2);
    };
    const auto put32 = [&bytes](quint32 value) {
        const quint32 little = qToLittleEndian(value);
        bytes.append(reinterpret_cast<const char*>(&little), 4);
    };
    put32(40);  // the size of the bitmap header
    put32(static_cast<quint32>(width));
    put32(static_cast<quint32>(2 * height));  // colour rows and mask rows
    put16(1);
    put16(32);
    put32(0);  // uncompressed
    put32(static_cast<quint32>(width * height * 4 + maskStride * height));
    put32(0);
    put32(0);
    put32(0);
    put32(0);
    for (int y = height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            put32(row[x]);  // blue, green, red, alpha
        }
    }
    for (int y = height - 1; y >= 0; --y) {
        QByteArray mask(maskStride, '\0');
        for (int x = 0; x < width; ++x) {
            if (qAlpha(image.pixel(x, y)) == 0) {
                mask[x / 8] = static_cast<char>(mask[x / 8] | (0x80 >> (x % 8)));
            }
        }
        bytes.append(mask);
    }
    return bytes;
}

// An .ico (type 1) or .cur (type 2) file; a cursor's entries carry its hot spot.
QByteArray iconFile(quint16 type, const std::vector<QImage>& images, int hotSpot) {
    QByteArray header;
    QByteArray data;
    const auto put16 = [](QByteArray& bytes, quint16 value) {
        const quint16 little = qToLittleEndian(value);
        bytes.append(reinterpret_cast<const char*>(&little), 2);
    };
    const auto put32 = [](QByteArray& bytes, quint32 value) {
        const quint32 little = qToLittleEndian(value);
        bytes.append(reinterpret_cast<const char*>(&little), 4);
    };
    put16(header, 0);
    put16(header, type);
    put16(header, static_cast<quint16>(images.size()));
    const int directorySize = 6 + 16 * static_cast<int>(images.size());
    for (const QImage& image : images) {
        const QByteArray bitmap = iconImage(image);
        header.append(static_cast<char>(image.width() >= 256 ? 0 : image.width()));
        header.append(static_cast<char>(image.height() >= 256 ? 0 : image.height()));
        header.append('\0');  // no palette
        header.append('\0');
        put16(header, type == 2 ? static_cast<quint16>(hotSpot) : 1);   // planes, or the hot spot's x
        put16(header, type == 2 ? static_cast<quint16>(hotSpot) : 32);  // bits, or the hot spot's y
        put32(header, static_cast<quint32>(bitmap.size()));
        put32(header, static_cast<quint32>(directorySize + data.size()));
        data.append(bitmap);
    }
    return header + data;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int exportWindowsResources(const QString& folder) {
    std::vector<QImage> icons;
    for (int size : {16, 24, 32, 48}) {
        icons.push_back(ui::ProgramIcon::pixmap(size).toImage());
    }
    const std::vector<QImage> cursor{ui::CQButton::cursorImage().toImage()};
    if (!QDir().mkpath(folder) || !writeFile(folder + "/flashkit.ico", iconFile(1, icons, 0)) ||
        !writeFile(folder + "/button.cur", iconFile(2, cursor, ui::CQButton::kCursorHotSpot))) {
        std::cerr << "flashkit-icon-export: cannot write into " << folder.toStdString() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // No window is shown: the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() == 3 && arguments.at(1) == "--windows") {
        return exportWindowsResources(arguments.at(2));
    }
    if (arguments.size() < 3) {
        std::cerr << "usage: flashkit-icon-export OUTPUT_FOLDER SIZE...\n"
                     "       flashkit-icon-export --windows OUTPUT_FOLDER\n";
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
