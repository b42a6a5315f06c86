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
// What a Single holds for certain; its shortest round-trip form may need 9 digits ("0.0055555557").
constexpr int kSingleDigits = 7;

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

// Adds one in the last place of digits with at most one point: "9.95" gives "9.96", "9.99" "10.00".
void IncrementLastDigit(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it == '.')
            continue;
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// `text` is a shortest decimal form without sign; it is cut to `decimals` decimals, a half going up.
std::string RoundedHalfUp(std::string text, int decimals) {
    size_t point = text.find('.');
    if (point == std::string::npos) {
        point = text.size();
        text.push_back('.');
    }
    const size_t cut = point + 1 + static_cast<size_t>(decimals);
    text.resize(std::max(text.size(), cut + 1), '0');
    const bool roundsUp = text[cut] >= '5';
    text.resize(decimals > 0 ? cut : point);
    if (roundsUp)
        IncrementLastDigit(text);
    return text;
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
    if (!std::isfinite(value))
        return {};
    char buffer[kTextBuffer];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                                      kSingleDigits - 1);
    double rounded = 0;
    std::from_chars(buffer, result.ptr, rounded);
    return ShortestFixed(rounded);
}

// Rounded from the shortest decimal form, as a format mask rounds: 20.25 gives "20.3" with one decimal,
// although the nearest binary neighbours would round the half to even.
std::string FixedText(double value, int decimals) {
    if (!std::isfinite(value))
        return {};
    const std::string magnitude =
        RoundedHalfUp(ShortestFixed(std::fabs(value)), std::clamp(decimals, 0, kLargestDecimals));
    return std::signbit(value) ? "-" + magnitude : magnitude;
}

std::string RegionalNumber(double value) {
    return Regional(DecimalText(value));
}

std::string RegionalFixed(double value, int decimals) {
    return Regional(FixedText(value, decimals));
}

} // namespace pelorin
