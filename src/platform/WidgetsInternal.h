#pragma once

#include <QKeyEvent>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

// Helpers shared by the widget wrappers; not part of the platform's interface.
namespace pelorin::widgets {

inline QString ToQ(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQ(const QString& text) {
    return text.toLatin1().toStdString();
}

// Typed or pasted text as byte text: Latin-1 as it is, and the look-alikes that regional number and
// time formats produce (minus sign, narrow and figure no-break spaces) as their Latin-1 forms. Nothing
// when a character has no such form: storing it as "?" would change the text behind the operator's back.
std::optional<std::string> TypedBytes(const QString& text);

// The virtual key code of a key-down event (letters and digits as their upper-case codes).
int16_t KeyCodeOf(const QKeyEvent& event);

// "Text (*.txt)|*.txt|Alla (*.*)|*.*" as a Qt file dialog filter.
QString QtFileFilter(const std::string& filter);

} // namespace pelorin::widgets
