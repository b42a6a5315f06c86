#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin::fuzz {

// A broken property is a finding: say which and stop, so that libFuzzer keeps the input.
inline void Check(bool holds, std::string_view property, std::string_view detail = {}) {
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %.*s %.*s\n", static_cast<int>(property.size()), property.data(),
                 static_cast<int>(detail.size()), detail.data());
    std::abort();
}

// A byte stream arriving in pieces, as the fuzzer chose them. Input layout: a head byte whose low
// five bits count the piece lengths and whose top bits are the target's options, that many
// big-endian 16-bit piece lengths, then the stream. A length's top bit marks its piece (each
// target says what for); pieces never run past the stream, and what they leave over arrives last.
struct Piece {
    std::string_view bytes;
    bool marked = false;
};

struct Arrivals {
    uint8_t options = 0;
    std::string_view stream;
    std::vector<Piece> pieces;
};

constexpr size_t kLengthBytes = 2;
constexpr uint8_t kCountMask = 0x1F;
constexpr uint16_t kMark = 0x8000;

inline Arrivals SplitArrivals(const uint8_t* data, size_t size) {
    Arrivals arrivals;
    if (size == 0)
        return arrivals;
    const size_t count = std::min<size_t>(data[0] & kCountMask, (size - 1) / kLengthBytes);
    arrivals.options = static_cast<uint8_t>(data[0] & ~kCountMask);
    const size_t streamStart = 1 + count * kLengthBytes;
    arrivals.stream = std::string_view(reinterpret_cast<const char*>(data) + streamStart, size - streamStart);
    size_t at = 0;
    for (size_t i = 0; i < count; ++i) {
        const auto field =
            static_cast<uint16_t>(data[1 + i * kLengthBytes] << 8 | data[2 + i * kLengthBytes]);
        const size_t length = std::min<size_t>(field & ~kMark, arrivals.stream.size() - at);
        arrivals.pieces.push_back({arrivals.stream.substr(at, length), (field & kMark) != 0});
        at += length;
    }
    arrivals.pieces.push_back({arrivals.stream.substr(at), false});
    return arrivals;
}

// The inverse, for writing seed inputs: `lengths` with the top bit as the mark.
inline std::string JoinArrivals(uint8_t options, const std::vector<uint16_t>& lengths,
                                std::string_view stream) {
    std::string input(1, static_cast<char>((options & ~kCountMask) | (lengths.size() & kCountMask)));
    for (uint16_t length : lengths) {
        input += static_cast<char>(length >> 8);
        input += static_cast<char>(length & 0xFF);
    }
    return input += stream;
}

} // namespace pelorin::fuzz
