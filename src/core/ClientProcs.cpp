#include "core/ClientProcs.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <random>

namespace pelorin {

namespace {

uint8_t ByteAt(std::string_view data, int64_t location) {
    if (location < 0 || location >= static_cast<int64_t>(data.size()))
        return 0;
    return static_cast<uint8_t>(data[static_cast<size_t>(location)]);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

size_t SkipDigits(std::string_view text, size_t pos) {
    while (pos < text.size() && IsDigit(text[pos]))
        ++pos;
    return pos;
}

uint8_t RandomByte() {
    static std::mt19937 engine(
        static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count()));
    return static_cast<uint8_t>(std::uniform_int_distribution<int>(0, 255)(engine));
}

} // namespace

std::string Long2String(int32_t value) {
    // Two's complement bytes: identical to the field for 0..2^31-1, and lossless for the colour
    // values the simulator writes, whose system colours are negative.
    const auto bits = static_cast<uint32_t>(value);
    return {static_cast<char>(bits >> 24), static_cast<char>(bits >> 16), static_cast<char>(bits >> 8),
            static_cast<char>(bits)};
}

std::string Short2String(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    return {static_cast<char>(bits >> 8), static_cast<char>(bits)};
}

std::string Byte2String(int code) {
    return std::string(1, static_cast<char>(code & 0xFF));
}

std::string GetField(std::string_view text, int index, std::string_view delimiter) {
    if (index < 0 || delimiter.empty())
        return {};
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        const size_t found = text.find(delimiter, start);
        if (found == std::string_view::npos)
            return {};
        start = found + delimiter.size();
    }
    const size_t end = text.find(delimiter, start);
    return std::string(
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

std::string ScrambleLogin(std::string_view text) {
    return ScrambleLogin(text, RandomByte());
}

std::string ScrambleLogin(std::string_view text, uint8_t randomByte) {
    std::string scrambled;
    scrambled.reserve(text.size() + 1);
    scrambled.push_back(static_cast<char>(randomByte));
    for (char c : text)
        scrambled.push_back(static_cast<char>(scrambled.back() ^ c));
    return scrambled;
}

std::string UnscrambleLogin(std::string_view scrambled) {
    std::string text;
    for (size_t i = 1; i < scrambled.size(); ++i)
        text.push_back(static_cast<char>(scrambled[i] ^ scrambled[i - 1]));
    return text;
}

int32_t String2Long(std::string_view data, int64_t location) {
    uint32_t value = 0;
    for (int64_t i = 0; i < 4; ++i)
        value = (value << 8) | ByteAt(data, location + i);
    // Values with the top bit set are outside the protocol; they come out negative.
    return static_cast<int32_t>(value);
}

int32_t String2Short(std::string_view data, int64_t location) {
    return ByteAt(data, location) * 256 + ByteAt(data, location + 1);
}

double ReadNumber(std::string_view text) {
    return ReadLeadingNumber(text).value_or(0);
}

std::optional<double> ReadLeadingNumber(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const size_t mantissaStart = pos;
    size_t end = SkipDigits(text, pos);
    bool hasDigits = end > mantissaStart;
    if (end < text.size() && text[end] == '.') {
        const size_t fractionEnd = SkipDigits(text, end + 1);
        hasDigits = hasDigits || fractionEnd > end + 1;
        end = fractionEnd;
    }
    if (!hasDigits)
        return std::nullopt;
    // An exponent counts only when digits follow its letter and optional sign: "2e" reads as 2.
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        size_t digits = end + 1;
        if (digits < text.size() && (text[digits] == '+' || text[digits] == '-'))
            ++digits;
        const size_t exponentEnd = SkipDigits(text, digits);
        if (exponentEnd > digits)
            end = exponentEnd;
    }
    // from_chars reads the C format whatever the process locale.
    const std::string_view number = text.substr(mantissaStart, end - mantissaStart);
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    // Beyond double's range there is no number to show or send (too small is 0 either way).
    if (result.ec == std::errc::result_out_of_range)
        return std::nullopt;
    return negative ? -value : value;
}

double RoundHalfEven(double value) {
    if (!std::isfinite(value))
        return value;
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5)
        return below;
    if (fraction > 0.5)
        return below + 1;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

} // namespace pelorin
