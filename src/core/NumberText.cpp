#include "core/NumberText.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace pelorin {

namespace {

// Fixed notation of a double needs at most 309 integer digits, a sign, a point and 15 decimals; the
// shortest round-trip form of a tiny number has up to 340 decimals.
constexpr size_t kTextBuffer = 400;
constexpr int kLargestDecimals = 15;

template <typename T> std::string ShortestFixed(T value) {
    if (!std::isfinite(value))
        return {};
    char buffer[kTextBuffer];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

// The user's decimal separator when it is one Latin-1 character, otherwise ".".
char RegionalSeparator() {
    const QString point = QLocale().decimalPoint();
    if (point.size() != 1 || point.at(0).unicode() > 0xFF)
        return '.';
    return static_cast<char>(point.at(0).unicode());
}

std::string Regional(std::string text) {
    std::replace(text.begin(), text.end(), '.', RegionalSeparator());
    return text;
}

} // namespace

std::string DecimalText(double value) {
    return ShortestFixed(value);
}

std::string SingleText(float value) {
    return ShortestFixed(value);
}

std::string FixedText(double value, int decimals) {
    if (!std::isfinite(value))
        return {};
    char buffer[kTextBuffer];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                                      std::clamp(decimals, 0, kLargestDecimals));
    return std::string(buffer, result.ptr);
}

std::string RegionalNumber(double value) {
    return Regional(DecimalText(value));
}

std::string RegionalFixed(double value, int decimals) {
    return Regional(FixedText(value, decimals));
}

} // namespace pelorin
