#include "core/FrameTrace.h"

#include "core/ClientProcs.h"
#include "core/Protocol.h"

#include <algorithm>

namespace pelorin {

namespace {

constexpr char kVisaEnd = '\xFF';
// Texts (logbooks, function texts, value lists) show their beginning only.
constexpr size_t kShownText = 60;

struct CodeInfo {
    uint8_t code;
    const char* name;
    // Bytes of fixed fields before any text; a shorter payload is shown as bytes.
    size_t fixedSize;
};

constexpr CodeInfo kCommands[] = {
    {CMD_GET_PICTURE, "CMD_GET_PICTURE", 0},
    {CMD_GET_PICTURE_TABLE, "CMD_GET_PICTURE_TABLE", 0},
    {CMD_LOGIN, "CMD_LOGIN", 0},
    {CMD_LOGOUT, "CMD_LOGOUT", 0},
    {CMD_GET_FUNCTION_TEXT, "CMD_GET_FUNCTION_TEXT", 0},
    {CMD_SYSDIAL_CHANNEL, "CMD_SYSDIAL_CHANNEL", 0},
    {CMD_WRITE_VALUE, "CMD_WRITE_VALUE", 4},
    {CMD_WATCH_SETPOINT, "CMD_WATCH_SETPOINT", 0},
    {CMD_UNWATCH_SETPOINT, "CMD_UNWATCH_SETPOINT", 0},
    {CMD_GET_PICTURE_LOG, "CMD_GET_PICTURE_LOG", 4},
    {CMD_GET_GLOBAL_LOG, "CMD_GET_GLOBAL_LOG", 0},
    {CMD_SAVE_PICTURE_LOG, "CMD_SAVE_PICTURE_LOG", 4},
    {CMD_SAVE_GLOBAL_LOG, "CMD_SAVE_GLOBAL_LOG", 0},
};

constexpr CodeInfo kMessages[] = {
    {MSG_NO_PICTURE, "MSG_NO_PICTURE", 0},
    {MSG_PICTURE, "MSG_PICTURE", kPictureHeaderSize},
    {MSG_PICTURE_TABLE, "MSG_PICTURE_TABLE", kPictureTableSize + 4},
    {MSG_LOGIN_REPLY, "MSG_LOGIN_REPLY", 12},
    {MSG_LOGOUT, "MSG_LOGOUT", 0},
    {MSG_FUNCTION_TEXT, "MSG_FUNCTION_TEXT", 0},
    {MSG_VALUE, "MSG_VALUE", 2},
    {MSG_PICTURE_LOG, "MSG_PICTURE_LOG", 0},
    {MSG_GLOBAL_LOG, "MSG_GLOBAL_LOG", 0},
    {MSG_SYSDIAL_INFO, "MSG_SYSDIAL_INFO", 8},
};

const CodeInfo* FindCode(FrameDirection direction, uint8_t code) {
    const auto find = [code](const auto& table) -> const CodeInfo* {
        const auto it = std::find_if(std::begin(table), std::end(table),
                                     [code](const CodeInfo& info) { return info.code == code; });
        return it == std::end(table) ? nullptr : it;
    };
    return direction == FrameDirection::ToServer ? find(kCommands) : find(kMessages);
}

QString Quoted(std::string_view bytes, size_t limit = kShownText) {
    return QLatin1Char('"') + PrintableBytes(bytes, limit) + QLatin1Char('"');
}

QString Long(std::string_view payload, int64_t offset) {
    return QString::number(String2Long(payload, offset));
}

// The visa in clear, the password never: not even its length.
QString DescribeLogin(std::string_view payload) {
    const std::string text = UnscrambleLogin(payload);
    const size_t split = text.find(kVisaEnd);
    const QString visa = split == std::string::npos ? QStringLiteral("unreadable")
                                                    : Quoted(std::string_view(text).substr(0, split));
    return QStringLiteral("visa %1, password ****").arg(visa);
}

QString DescribePictureTable(std::string_view payload) {
    const auto table = payload.substr(0, kPictureTableSize);
    const auto pictures = std::count_if(table.begin(), table.end(), [](char c) { return c != 0; });
    return QStringLiteral("%1 pictures, parameters %2")
        .arg(pictures)
        .arg(Quoted(payload.substr(kPictureTableSize + 4)));
}

QString DescribeCommand(uint8_t code, std::string_view payload) {
    switch (code) {
    case CMD_GET_PICTURE:
    case CMD_GET_FUNCTION_TEXT:
        return QStringLiteral("picture ") + Quoted(payload);
    case CMD_LOGIN:
        return DescribeLogin(payload);
    case CMD_WRITE_VALUE:
        return QStringLiteral("number %1 = %2").arg(Long(payload, 0), Quoted(payload.substr(4)));
    case CMD_WATCH_SETPOINT:
        return QStringLiteral("addresses ") + Quoted(payload, 4 * kShownText);
    case CMD_GET_PICTURE_LOG:
        return QStringLiteral("picture ") + Long(payload, 0);
    case CMD_SAVE_PICTURE_LOG:
        return QStringLiteral("picture %1, text %2").arg(Long(payload, 0), Quoted(payload.substr(4)));
    case CMD_SAVE_GLOBAL_LOG:
        return QStringLiteral("text ") + Quoted(payload);
    default:
        return payload.empty() ? QString() : QStringLiteral("bytes ") + Quoted(payload);
    }
}

QString DescribeMessage(uint8_t code, std::string_view payload) {
    switch (code) {
    case MSG_PICTURE:
        return QStringLiteral("picture %1, function text %2")
            .arg(Long(payload, 0),
                 String2Long(payload, 4) != 0 ? QStringLiteral("yes") : QStringLiteral("no"));
    case MSG_PICTURE_TABLE:
        return DescribePictureTable(payload);
    case MSG_LOGIN_REPLY:
        return QStringLiteral("level %1, terminal port %2, history %3, name %4")
            .arg(Long(payload, 0), Long(payload, 4), Long(payload, 8), Quoted(payload.substr(12)));
    case MSG_VALUE:
        return QStringLiteral("number %1 = %2").arg(String2Short(payload, 0)).arg(Quoted(payload.substr(2)));
    case MSG_FUNCTION_TEXT:
    case MSG_PICTURE_LOG:
    case MSG_GLOBAL_LOG:
        return QStringLiteral("text ") + Quoted(payload);
    case MSG_SYSDIAL_INFO:
        return QStringLiteral("channels %1 of %2").arg(Long(payload, 0), Long(payload, 4));
    default:
        return payload.empty() ? QString() : QStringLiteral("bytes ") + Quoted(payload);
    }
}

} // namespace

const char* FrameCodeName(FrameDirection direction, uint8_t code) {
    const CodeInfo* info = FindCode(direction, code);
    return info ? info->name : "unknown";
}

QString PrintableBytes(std::string_view bytes, size_t limit) {
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

QString DescribeFrame(FrameDirection direction, uint8_t code, std::string_view payload) {
    const bool toServer = direction == FrameDirection::ToServer;
    const CodeInfo* info = FindCode(direction, code);
    QString fields;
    if (info && payload.size() < info->fixedSize)
        fields = QStringLiteral("short payload ") + Quoted(payload);
    else
        fields = toServer ? DescribeCommand(code, payload) : DescribeMessage(code, payload);
    QString line = QStringLiteral("%1 %2(%3) %4 bytes")
                       .arg(toServer ? QStringLiteral("->") : QStringLiteral("<-"))
                       .arg(QLatin1String(FrameCodeName(direction, code)))
                       .arg(code)
                       .arg(payload.size());
    if (!fields.isEmpty())
        line += QStringLiteral(": ") + fields;
    return line;
}

} // namespace pelorin
