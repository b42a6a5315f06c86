#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace pelorin::sim {

// A user of the picture server. Texts are Latin-1 byte text, as they travel.
struct User {
    std::string visa;
    std::string password;
    int32_t level = 0;
    std::string name;
    // Asked for by the terminal before a privileged command; empty means such commands are refused.
    std::string codeWord;
};

// The users file: JSON (UTF-8) {"users": [{"visa", "password", "level", "name", "codeWord"}]}.
class UserDirectory {
public:
    bool load(const QString& file, QString* error);

    // The user with this visa (any case) and exactly this password; none otherwise.
    const User* authenticate(const std::string& visa, const std::string& password) const;
    const std::vector<User>& users() const { return m_Users; }

private:
    std::vector<User> m_Users;
};

} // namespace pelorin::sim
