#include "core/RegionalTime.h"

#include <QLocale>
#include <optional>

namespace pelorin {

namespace {

bool IsSpaceLike(char16_t u) {
    return u == 0x00A0 || u == 0x2007 || u == 0x2009 || u == 0x202F;
}

bool IsDirectionMark(char16_t u) {
    return u == 0x200E || u == 0x200F || u == 0x061C;
}

std::optional<std::string> PlainLatin1(const QString& text) {
    std::string bytes;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (IsDirectionMark(u))
            continue;
        if (IsSpaceLike(u))
            bytes.push_back(' ');
        else if (u == 0x2212)
            bytes.push_back('-');
        else if (u < 0x100)
            bytes.push_back(static_cast<char>(u));
        else
            return std::nullopt;
    }
    return bytes;
}

// The long time format names the time zone too, which a stamp does without.
QString WithoutTimeZone(const QString& format) {
    QString plain;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char('t'))
            plain += c;
    }
    return plain.trimmed();
}

std::string DateAndTime(const QDateTime& moment, const QString& timeFormat, const QString& international) {
    const QLocale locale;
    const QString regional = locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                             locale.toString(moment.time(), timeFormat);
    if (std::optional<std::string> plain = PlainLatin1(regional))
        return *plain;
    return moment.toString(international).toStdString();
}

} // namespace

std::string RegionalDateTime(const QDateTime& moment) {
    return DateAndTime(moment, QLocale().timeFormat(QLocale::ShortFormat),
                       QStringLiteral("yyyy-MM-dd HH:mm"));
}

std::string RegionalDateTimeWithSeconds(const QDateTime& moment) {
    return DateAndTime(moment, WithoutTimeZone(QLocale().timeFormat(QLocale::LongFormat)),
                       QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace pelorin
