#include "sysdial/Recorder.h"

namespace pelorin {

bool Recorder::Open(const QString& path) {
    Close();
    m_File.setFileName(path);
    return m_File.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

bool Recorder::Write(std::string_view bytes) {
    if (!m_File.isOpen())
        return false;
    const auto size = static_cast<qint64>(bytes.size());
    return m_File.write(bytes.data(), size) == size && m_File.flush();
}

void Recorder::Close() {
    m_File.close();
}

} // namespace pelorin
