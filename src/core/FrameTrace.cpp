#include "core/FrameTrace.h"

#include "core/ClientProcs.h"
#include "core/Protocol.h"

#include <algorithm>

namespace pelorin {

namespace {

// Texts (logbooks, function texts, value lists) show their beginning only.
constexpr size_t kShownText = 60;

const FrameCode* FindCode(FrameDirection direction, uint8_t code) {
    const auto find = [code](const auto& table) -> const FrameCode* {
        const auto it = std::find_if(std::begin(table), std::end(table),
                                     [code](const FrameCode& info) { return info.code == code; });
        return it == std::end(table) ? nullptr : it;
    };
    return direction == FrameDirection::ToServer ? find(kCommandCodes) : find(kMessageCodes);
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
    const size_t split = text.find(kVisaPasswordSeparator);
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
    const FrameCode* info = FindCode(direction, code);
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
    const FrameCode* info = FindCode(direction, code);
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
