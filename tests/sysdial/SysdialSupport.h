#pragma once

#include "common/PdfSupport.h"

#include <QFile>
#include <QString>
#include <string>

namespace pelorin::test {

// A file's bytes, or a text no file holds when it cannot be read.
inline std::string FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("(no file)");
}

} // namespace pelorin::test
