#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelorin {

// The bytes of `payload` from `offset`, at most `count` of them (all to the end when `count` is
// negative). Offsets past the end give the empty text: payloads come from the network and may be
// shorter than the fields their handler reads.
inline std::string PayloadBytes(std::string_view payload, int64_t offset, int64_t count = -1) {
    if (offset < 0 || offset >= static_cast<int64_t>(payload.size()))
        return {};
    const auto available = static_cast<int64_t>(payload.size()) - offset;
    const int64_t taken = count < 0 ? available : std::min(count, available);
    return std::string(payload.substr(static_cast<size_t>(offset), static_cast<size_t>(taken)));
}

} // namespace pelorin
