#pragma once

#include <QLoggingCategory>
#include <QString>
#include <cstdint>
#include <string_view>

namespace pelorin::sim {

// The protocol trace; off unless switched on (QT_LOGGING_RULES or the simulator's --verbose).
Q_DECLARE_LOGGING_CATEGORY(lcLink)
// Connections refused or closed by the simulator's limits; shown unless switched off.
Q_DECLARE_LOGGING_CATEGORY(lcSim)

enum class Direction { In, Out };

// One line per frame: connection, direction, code name, length and a readable start of the
// payload. Login payloads carry the password and are never shown.
QString DescribeFrame(uint64_t connection, Direction direction, uint8_t code, std::string_view payload);

// Bytes as readable text: printable Latin-1 kept, everything else as \xNN; cut after `limit` bytes.
QString Printable(std::string_view bytes, size_t limit = 60);

} // namespace pelorin::sim
