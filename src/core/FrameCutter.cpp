#include "core/FrameCutter.h"

#include "core/ClientProcs.h"
#include "core/Protocol.h"

#include <algorithm>

namespace pelorin {

std::string EncodeFrame(uint8_t code, std::string_view payload) {
    std::string frame;
    frame.reserve(kFrameHeadSize + payload.size());
    frame += Byte2String(code);
    frame += Long2String(static_cast<int32_t>(payload.size()));
    frame += payload;
    return frame;
}

bool IsHandledMessageCode(uint8_t code) {
    return std::ranges::any_of(kMessageCodes,
                               [code](const FrameCode& message) { return message.code == code; });
}

CutResult CutFrames(std::string& buffer, std::string_view arrived,
                    const std::function<void(uint8_t code, const std::string& payload)>& onFrame) {
    std::string stream = std::move(buffer);
    buffer.clear();
    stream.append(arrived);

    // Walk the frames with an offset and drop the consumed bytes once at the end: erasing each frame
    // from the front would make an arrival of many small frames quadratic.
    size_t offset = 0;
    while (stream.size() - offset >= kFrameHeadSize) {
        // Read unsigned: a length with its top bit set is as much a protocol error as one above the limit.
        const auto length = static_cast<uint32_t>(String2Long(stream, static_cast<int64_t>(offset) + 1));
        if (length > kMaxPayloadLength) {
            buffer.clear();
            return CutResult::ProtocolError;
        }
        if (stream.size() - offset - kFrameHeadSize < length)
            break;
        const auto code = static_cast<uint8_t>(stream[offset]);
        const std::string payload = stream.substr(offset + kFrameHeadSize, length);
        offset += kFrameHeadSize + length;
        onFrame(code, payload);
    }

    stream.erase(0, offset);
    stream.append(buffer);
    buffer = std::move(stream);
    return CutResult::Ok;
}

} // namespace pelorin
