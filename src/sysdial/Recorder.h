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
    void Write(std::string_view bytes);
    void Close();

private:
    QFile m_File;
};

} // namespace pelorin
