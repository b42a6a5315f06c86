#include "TextStore.h"

#include "WireText.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace pelorin::sim {

namespace {

const QString kLogbooks = QStringLiteral("logbooks");
const QString kFunctionTexts = QStringLiteral("functiontexts");

} // namespace

bool TextStore::prepare(QString* error) const {
    const QDir root(m_Folder);
    if (m_Folder.isEmpty() || !root.mkpath(kLogbooks) || !root.mkpath(kFunctionTexts)) {
        *error = QStringLiteral("cannot create the data folder \"%1\"").arg(m_Folder);
        return false;
    }
    return true;
}

std::string TextStore::pictureLog(int picture) const {
    return read(logPath(QStringLiteral("picture-%1.txt").arg(picture))).value_or(std::string());
}

bool TextStore::savePictureLog(int picture, std::string_view text) const {
    return write(logPath(QStringLiteral("picture-%1.txt").arg(picture)), text);
}

std::string TextStore::globalLog() const {
    return read(logPath(QStringLiteral("global.txt"))).value_or(std::string());
}

bool TextStore::saveGlobalLog(std::string_view text) const {
    return write(logPath(QStringLiteral("global.txt")), text);
}

std::optional<std::string> TextStore::functionText(int picture) const {
    return read(QDir(m_Folder).filePath(kFunctionTexts + QStringLiteral("/%1.txt").arg(picture)));
}

QString TextStore::logPath(const QString& name) const {
    return QDir(m_Folder).filePath(kLogbooks + QLatin1Char('/') + name);
}

std::optional<std::string> TextStore::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Characters the wire cannot carry (a file edited by hand) travel as "?".
    return QString::fromUtf8(file.readAll()).toLatin1().toStdString();
}

bool TextStore::write(const QString& path, std::string_view text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(FromLatin1(text).toUtf8());
    return file.commit();
}

} // namespace pelorin::sim
