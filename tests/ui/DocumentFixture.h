#pragma once

#include <QString>

#include "UnitListFixture.h"

namespace uitest {

// The shared layer's data root and document, with paths in the toolkit's
// own text type.
class DocumentFixture : public viewtest::DocumentFixture {
  public:
    QString path(const QString& relative) const {
        return QString::fromStdString(viewtest::DocumentFixture::path(relative.toStdString()));
    }
    QString rootPath() const { return QString::fromStdString(root.path()); }
};

}  // namespace uitest
