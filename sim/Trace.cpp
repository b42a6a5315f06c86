#include "Trace.h"

#include "WireText.h"
#include "core/ClientProcs.h"
#include "core/Protocol.h"

namespace pelorin::sim {

Q_LOGGING_CATEGORY(lcLink, "pelorin.link", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSim, "pelorin.sim", QtInfoMsg)

namespace {

const char* CommandName(uint8_t code) {
    switch (code) {
    case CMD_GET_PICTURE:
        return "CMD_GET_PICTURE";
    case CMD_GET_PICTURE_TABLE:
        return "CMD_GET_PICTURE_TABLE";
    case CMD_LOGIN:
        return "CMD_LOGIN";
    case CMD_LOGOUT:
        return "CMD_LOGOUT";
    case CMD_GET_FUNCTION_TEXT:
        return "CMD_GET_FUNCTION_TEXT";
    case CMD_SYSDIAL_CHANNEL:
        return "CMD_SYSDIAL_CHANNEL";
    case CMD_WRITE_VALUE:
        return "CMD_WRITE_VALUE";
    case CMD_WATCH_SETPOINT:
        return "CMD_WATCH_SETPOINT";
    case CMD_UNWATCH_SETPOINT:
        return "CMD_UNWATCH_SETPOINT";
    case CMD_GET_PICTURE_LOG:
        return "CMD_GET_PICTURE_LOG";
    case CMD_GET_GLOBAL_LOG:
        return "CMD_GET_GLOBAL_LOG";
    case CMD_SAVE_PICTURE_LOG:
        return "CMD_SAVE_PICTURE_LOG";
    case CMD_SAVE_GLOBAL_LOG:
        return "CMD_SAVE_GLOBAL_LOG";
    default:
        return "unknown";
    }
}

const char* MessageName(uint8_t code) {
    switch (code) {
    case MSG_NO_PICTURE:
        return "MSG_NO_PICTURE";
    case MSG_PICTURE:
        return "MSG_PICTURE";
    case MSG_PICTURE_TABLE:
        return "MSG_PICTURE_TABLE";
    case MSG_LOGIN_REPLY:
        return "MSG_LOGIN_REPLY";
    case MSG_LOGOUT:
        return "MSG_LOGOUT";
    case MSG_FUNCTION_TEXT:
        return "MSG_FUNCTION_TEXT";
    case MSG_VALUE:
        return "MSG_VALUE";
    case MSG_PICTURE_LOG:
        return "MSG_PICTURE_LOG";
    case MSG_GLOBAL_LOG:
        return "MSG_GLOBAL_LOG";
    case MSG_SYSDIAL_INFO:
        return "MSG_SYSDIAL_INFO";
    default:
        return "unknown";
    }
}

} // namespace

QString Printable(std::string_view bytes, size_t limit) {
    QString text;
    for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if ((c >= 32 && c < 127) || c >= 160)
            text += QChar(static_cast<char16_t>(c));
        else
            text += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
    }
    if (bytes.size() > limit)
        text += QStringLiteral("...");
    return text;
}

QString DescribeFrame(uint64_t connection, Direction direction, uint8_t code, std::string_view payload) {
    const bool in = direction == Direction::In;
    const QString name = QString::fromLatin1(in ? CommandName(code) : MessageName(code));
    QString shown;
    if (in && code == CMD_LOGIN)
        shown = QStringLiteral("(hidden)");
    else if (!in && code == MSG_VALUE && payload.size() >= 2)
        shown = QStringLiteral("%1 = %2").arg(String2Short(payload, 0)).arg(FromLatin1(payload.substr(2)));
    else if (!in && (code == MSG_PICTURE || code == MSG_PICTURE_TABLE))
        shown = QString();
    else
        shown = Printable(payload);
    return QStringLiteral("#%1 %2 %3(%4) %5 bytes %6")
        .arg(connection)
        .arg(in ? QStringLiteral("<-") : QStringLiteral("->"))
        .arg(name)
        .arg(code)
        .arg(payload.size())
        .arg(shown);
}

} // namespace pelorin::sim
