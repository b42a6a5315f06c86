#pragma once

#include <QString>
#include <cstdint>
#include <string_view>

namespace pelorin {

// Which way a frame travels. The code's meaning depends on it: a command going to the server,
// a message coming to the client.
enum class FrameDirection { ToServer, ToClient };

// The frame trace shared by the control and the simulator: one line per frame, the same on both
// sides. "-> " marks a frame going to the server, "<- " one coming to the client; then the code's
// name and number, the payload length and the fields that matter (picture numbers, dynamic numbers
// with their value text, addresses, the start of texts). A login shows its visa only: the password
// is masked, never shown in clear, and the scrambled payload is not shown either.
QString DescribeFrame(FrameDirection direction, uint8_t code, std::string_view payload);

// The code's name for its direction ("CMD_GET_PICTURE", "MSG_VALUE"), "unknown" for a code without one.
const char* FrameCodeName(FrameDirection direction, uint8_t code);

// Bytes as readable text: printable Latin-1 kept, everything else as \xNN; cut after `limit` bytes
// with "..." appended.
QString PrintableBytes(std::string_view bytes, size_t limit = 60);

} // namespace pelorin
