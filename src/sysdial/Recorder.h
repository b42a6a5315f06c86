#pragma once

#include <QFile>
#include <string>
#include <string_view>

namespace pelorin {

// The recording file of the terminal: every arrival's bytes exactly as received, handed to the
// system as soon as each arrival is written, so that a crash loses nothing already shown.
class Recorder {
public:
    // Opens `path` emptied; false when it cannot be written.
    bool Open(const QString& path);
    // False when the bytes could not all be handed to the system (a full disk, a lost drive).
    bool Write(std::string_view bytes);
    void Close();
    QString FileName() const { return m_File.fileName(); }

private:
    QFile m_File;
};

} // namespace pelorin
