// The number reader and the integer rounding on arbitrary text. The properties follow from what a
// leading number is: it ends where the text stops looking like one, blanks before it and a sign
// in front of it act as expected, and a double's own shortest text reads back exactly.

#include "FuzzSupport.h"
#include "core/ClientProcs.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

using namespace pelorin;

bool Same(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

void CheckReadNumber(const std::string& text) {
    const double value = ReadNumber(text);
    fuzz::Check(!std::isnan(value), "a text never reads as NaN:", text);
    fuzz::Check(Same(ReadNumber(text + "x"), value), "a letter after the text changes nothing:", text);
    fuzz::Check(Same(ReadNumber(" \t\n" + text), value), "leading blanks are skipped:", text);
    if (!text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.'))
        fuzz::Check(Same(ReadNumber("-" + text), -value), "a minus sign negates:", text);
    if (std::isfinite(value)) {
        char shortest[64];
        const auto result = std::to_chars(shortest, shortest + sizeof shortest, value);
        const std::string printed(shortest, result.ptr);
        fuzz::Check(ReadNumber(printed) == value, "a double's shortest text reads back exactly:", printed);
    }
}

template <typename T> void CheckRoundTo(double value) {
    const T rounded = RoundTo<T>(value);
    if (std::isnan(value)) {
        fuzz::Check(rounded == 0, "NaN rounds to 0");
        return;
    }
    const double lowest = std::numeric_limits<T>::min();
    const double highest = std::numeric_limits<T>::max();
    if (value <= lowest || value >= highest) {
        fuzz::Check(rounded ==
                        (value <= lowest ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max()),
                    "values beyond the range clamp to its end");
        return;
    }
    const double distance = std::fabs(static_cast<double>(rounded) - value);
    fuzz::Check(distance <= 0.5, "rounding moves by half a unit at most");
    if (distance == 0.5)
        fuzz::Check(rounded % 2 == 0, "halves go to the even neighbour");
}

void CheckRounding(double value) {
    const double rounded = RoundHalfEven(value);
    fuzz::Check(Same(RoundHalfEven(rounded), rounded), "rounding a rounded value changes nothing");
    CheckRoundTo<int32_t>(value);
    CheckRoundTo<int16_t>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckReadNumber(text);
    CheckRounding(ReadNumber(text));
    // The same bytes as a double reach the values no text gives: NaN, subnormals, exact halves.
    double raw = 0;
    if (size >= sizeof raw) {
        std::memcpy(&raw, data, sizeof raw);
        CheckRounding(raw);
    }
    return 0;
}
