#pragma once

#include <QKeyEvent>
#include <QString>
#include <cstdint>
#include <string>

// Helpers shared by the widget wrappers; not part of the platform's interface.
namespace pelorin::widgets {

inline QString ToQ(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQ(const QString& text) {
    return text.toLatin1().toStdString();
}

// The virtual key code of a key-down event (letters and digits as their upper-case codes).
int16_t KeyCodeOf(const QKeyEvent& event);

// "Text (*.txt)|*.txt|Alla (*.*)|*.*" as a Qt file dialog filter.
QString QtFileFilter(const std::string& filter);

} // namespace pelorin::widgets
