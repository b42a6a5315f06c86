#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

// Conversions between the wire's byte text (one Latin-1 byte per character) and Qt strings, and
// the number texts that travel in values.
namespace pelorin::sim {

// The Latin-1 bytes of `text`; nothing when a character has no Latin-1 code.
std::optional<std::string> ToLatin1(const QString& text);
QString FromLatin1(std::string_view bytes);

// A value as it travels: "." as separator, at most three decimals, no trailing zeros.
std::string FormatValue(double value);

// A written value text read strictly: blanks around a finite decimal number and nothing else.
std::optional<double> ParseValueText(std::string_view text);

// A picture number sent as decimal text (0..999); nothing for anything else.
std::optional<int> ParsePictureNumber(std::string_view text);

} // namespace pelorin::sim
