#include "Users.h"

#include "WireText.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace pelorin::sim {

namespace {

bool ReadText(const QJsonObject& object, const char* key, std::string& out) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString() && !value.isUndefined())
        return false;
    const auto latin1 = ToLatin1(value.toString());
    if (!latin1 || latin1->size() > 255)
        return false;
    out = *latin1;
    return true;
}

} // namespace

bool UserDirectory::load(const QString& file, QString* error) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(file, in.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(in.readAll(), &parseError);
    if (document.isNull()) {
        *error =
            QStringLiteral("%1: %2 at offset %3").arg(file, parseError.errorString()).arg(parseError.offset);
        return false;
    }
    std::vector<User> users;
    const QJsonArray entries = document.object().value(QLatin1String("users")).toArray();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QJsonObject entry = entries.at(i).toObject();
        User user;
        const QJsonValue level = entry.value(QLatin1String("level"));
        if (!ReadText(entry, "visa", user.visa) || !ReadText(entry, "password", user.password) ||
            !ReadText(entry, "name", user.name) || !ReadText(entry, "codeWord", user.codeWord) ||
            user.visa.empty() || !level.isDouble()) {
            *error =
                QStringLiteral("%1: user %2 needs a visa, a password, a level and a name in Latin-1 text")
                    .arg(file)
                    .arg(i + 1);
            return false;
        }
        user.level = level.toInt();
        users.push_back(std::move(user));
    }
    if (users.empty()) {
        *error = QStringLiteral("%1: no users").arg(file);
        return false;
    }
    m_Users = std::move(users);
    return true;
}

const User* UserDirectory::authenticate(const std::string& visa, const std::string& password) const {
    const QString wanted = FromLatin1(visa).toUpper();
    for (const User& user : m_Users)
        if (FromLatin1(user.visa).toUpper() == wanted && user.password == password)
            return &user;
    return nullptr;
}

} // namespace pelorin::sim
