#pragma once

#include "core/FrameCutter.h"
#include "core/Protocol.h"

#include <string>
#include <vector>

namespace pelorin::test {

struct Frame {
    uint8_t code;
    std::string payload;
    bool operator==(const Frame&) const = default;
};

inline std::string Encode(const std::vector<Frame>& frames) {
    std::string stream;
    for (const Frame& frame : frames)
        stream += EncodeFrame(frame.code, frame.payload);
    return stream;
}

// Receives the way the control does: every arrival cut into the same buffer, frames collected in
// order, and nothing more cut after a protocol error.
struct Receiver {
    CutResult arrive(std::string_view bytes) {
        if (result == CutResult::Ok)
            result = CutFrames(buffer, bytes, [this](uint8_t code, const std::string& payload) {
                frames.push_back({code, payload});
            });
        return result;
    }
    std::string buffer;
    std::vector<Frame> frames;
    CutResult result = CutResult::Ok;
};

} // namespace pelorin::test
