#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

// The free functions of the client module, shared by the control, the simulator and the tests.
// Byte text is std::string with one byte per character (Latin-1 for the Swedish letters).
namespace pelorin {

// The 4-byte big-endian Long field for 0 <= value < 2^31 (negative values as two's complement).
std::string Long2String(int32_t value);
// The 2-byte big-endian Short field for 0 <= value <= 65535 (only the low 16 bits count).
std::string Short2String(int32_t value);

// One character whose code is `code` (0..255; only the low byte counts).
std::string Byte2String(int code);

// Field `index` (from 0) of `text` split at the non-empty `delimiter`; empty when absent.
std::string GetField(std::string_view text, int index, std::string_view delimiter);

// The login scrambling: a random first byte, then each byte the XOR of the previous output byte
// and the next input byte, so that the same login goes out differently each time. The first byte
// comes from a source seeded from the clock at first use.
std::string ScrambleLogin(std::string_view text);
// The same with the first byte given, so that the result can be predicted.
std::string ScrambleLogin(std::string_view text, uint8_t randomByte);
// The receiver's side: recovers the text from a scrambled payload.
std::string UnscrambleLogin(std::string_view scrambled);

template <typename T> void SwapLong(T& a, T& b) {
    T t = a;
    a = b;
    b = t;
}

// Big-endian field readers. Bytes missing past the end of `data` (or before its start) read as 0,
// so that a short payload can never be read past its end. A Long field with its top bit set is
// outside the protocol and comes out negative.
int32_t String2Long(std::string_view data, int64_t location);
int32_t String2Short(std::string_view data, int64_t location);

// The one number reader: the text's leading number (blanks, tabs and line feeds skipped,
// optional sign, "." as decimal separator whatever the locale, optional exponent); 0 when
// the text has no leading number. Independent of the C locale. A number beyond double's range
// is no number and reads as 0, like one too small for it.
double ReadNumber(std::string_view text);
// The same reading, with none for a text that holds no leading number (or one beyond double's
// range), so that such a text can be refused rather than taken as 0.
std::optional<double> ReadLeadingNumber(std::string_view text);

// Nearest integer, halves to the even neighbour (as every float-to-integer conversion here).
double RoundHalfEven(double value);
// RoundHalfEven clamped into the range of T (NaN gives 0), for values that must fit an integer.
template <typename T> T RoundTo(double value) {
    if (value != value)
        return 0;
    const double r = RoundHalfEven(value);
    if (r <= static_cast<double>(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    if (r >= static_cast<double>(std::numeric_limits<T>::max()))
        return std::numeric_limits<T>::max();
    return static_cast<T>(r);
}

} // namespace pelorin
