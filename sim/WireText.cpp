#include "WireText.h"

#include <QByteArray>
#include <cmath>

namespace pelorin::sim {

std::optional<std::string> ToLatin1(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        if (c.unicode() > 0xFF)
            return std::nullopt;
        bytes += static_cast<char>(c.unicode());
    }
    return bytes;
}

QString FromLatin1(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string FormatValue(double value) {
    QByteArray text = QByteArray::number(value, 'f', 3);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    if (text == "-0")
        text = "0";
    return text.toStdString();
}

std::optional<double> ParseValueText(std::string_view text) {
    const QByteArray trimmed = QByteArray(text.data(), static_cast<qsizetype>(text.size())).trimmed();
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> ParsePictureNumber(std::string_view text) {
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    int number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

} // namespace pelorin::sim
