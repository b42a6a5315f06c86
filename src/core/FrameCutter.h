#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pelorin {

// Frames a command: code byte, 4-byte big-endian payload length, payload.
std::string EncodeFrame(uint8_t code, std::string_view payload);

// True for the message codes the client handles (kMessageCodes); frames with any other code are
// consumed and dropped.
bool IsHandledMessageCode(uint8_t code);

enum class CutResult { Ok, ProtocolError };

// The receive step: appends `arrived` to `buffer`, then hands every complete frame to `onFrame`
// in arrival order and leaves only an incomplete frame's beginning in `buffer`. Linear in what
// arrives, whatever the number of frames. A length field with its top bit set or above
// kMaxPayloadLength is a protocol error: nothing more is cut and the caller must close the link.
// Handlers run while `buffer` is empty (its bytes are being walked elsewhere), so one that empties it
// (the link closed) cannot disturb the walk: the complete frames of this arrival are still delivered,
// then the unfinished tail is put back, followed by anything a handler added. On ProtocolError
// `buffer` is left empty.
CutResult CutFrames(std::string& buffer, std::string_view arrived,
                    const std::function<void(uint8_t code, const std::string& payload)>& onFrame);

} // namespace pelorin
