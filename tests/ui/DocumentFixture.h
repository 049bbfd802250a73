#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

#include "FakeEngine.h"
#include "data/CDIAGDoc.h"

namespace uitest {

// A data root on disk with two units: ALPHA with three CPUs and their image
// files, EMPTY without any CPU; and a document over a fake engine.
class DocumentFixture {
  public:
    QTemporaryDir root;
    FakeEngine* engine = nullptr;
    std::unique_ptr<data::CDIAGDoc> document;

    DocumentFixture() {
        writeFile("ALPHA/ALPHA.SET",
                  "[SETTINGS]\nVERSION=0106\nTYPE=0\n[CPU]\nMAIN=MAIN, 1, 0, 258, 260, 0\n"
                  "SUB=SUB_, 2, 0, 262, 264, 0\nDSP=DSP_, 3, 0, 266, 268, 0\n");
        writeFile("ALPHA/MAIN0106.mot", "S0030000FC\n");
        writeFile("ALPHA/SUB_0105.mot", "S0030000FC\n");
        writeFile("EMPTY/EMPTY.SET", "[SETTINGS]\nVERSION=0100\n");
        writeFile("UNIT.LST", QString("ALPHA, %1, ALPHA.SET\nEMPTY, %2, EMPTY.SET\n")
                                  .arg(path("ALPHA"), path("EMPTY"))
                                  .toUtf8());
        auto fake = std::make_unique<FakeEngine>();
        engine = fake.get();
        document = std::make_unique<data::CDIAGDoc>(std::move(fake));
    }

    QString path(const QString& relative) const { return root.filePath(relative); }
    std::string listPath() const { return path("UNIT.LST").toStdString(); }

    void writeFile(const QString& relative, const QByteArray& content) {
        const QString full = path(relative);
        QDir().mkpath(QFileInfo(full).absolutePath());
        QFile file(full);
        file.open(QIODevice::WriteOnly);
        file.write(content);
    }
};

}  // namespace uitest
