#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace pelorin::sim {

// Logbooks (per picture and global) and function texts kept in the data folder as UTF-8 files;
// the wire's Latin-1 is converted on the way. A save replaces the file atomically (a temporary
// file renamed over it), so a crash while saving leaves the previous logbook intact.
class TextStore {
public:
    explicit TextStore(QString folder) : m_Folder(std::move(folder)) {}

    // Creates the folders; false with a message when the data folder is not usable.
    bool prepare(QString* error) const;

    std::string pictureLog(int picture) const;
    bool savePictureLog(int picture, std::string_view text) const;
    std::string globalLog() const;
    bool saveGlobalLog(std::string_view text) const;

    // A function text put in the data folder replaces the plant's own.
    std::optional<std::string> functionText(int picture) const;

private:
    QString logPath(const QString& name) const;
    static std::optional<std::string> read(const QString& path);
    static bool write(const QString& path, std::string_view text);

    QString m_Folder;
};

} // namespace pelorin::sim
