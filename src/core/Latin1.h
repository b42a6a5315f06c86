#pragma once

#include <QString>
#include <string>
#include <string_view>

// Byte text (one Latin-1 byte per character) and Qt's strings meet only here.
namespace pelorin {

inline QString FromLatin1(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Characters without a Latin-1 code become "?": callers that must not lose text filter first.
inline std::string ToLatin1(const QString& text) {
    return text.toLatin1().toStdString();
}

// The program's own texts are written in UTF-8 source; the control shows them as Latin-1 byte text.
inline std::string Latin1FromUtf8(const char* utf8) {
    return ToLatin1(QString::fromUtf8(utf8));
}

} // namespace pelorin
