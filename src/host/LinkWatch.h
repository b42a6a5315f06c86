#pragma once

#include "core/FrameTrace.h"

#include <QString>
#include <memory>
#include <string>
#include <string_view>

namespace pelorin {
class CaptureWriter;
class PelorinControl;
} // namespace pelorin

namespace pelorin::host {

// Watches both connections of a control for integrators. Every frame of the picture link, sent or
// received, becomes one line on the logging category pelorin.link (debug level, off unless switched
// on), decoded by DescribeFrame; every send and arrival on the terminal one line of escaped bytes.
// With a capture, everything that crosses either connection is also recorded in it. Neither holds
// the login's password or a code word typed at the terminal's "KODORD:" prompt.
void WatchLinks(PelorinControl& control, std::shared_ptr<CaptureWriter> capture = nullptr);

// The trace line of bytes on the terminal: "-> terminal 7 bytes: "status\x0d"".
QString DescribeTerminalBytes(FrameDirection direction, std::string_view bytes);

// A login payload with its password left out: the visa and its end mark, scrambled again.
std::string LoginWithoutPassword(std::string_view payload);
// A login frame with its password left out; any other frame as it is.
std::string WithoutPassword(std::string_view frame);

} // namespace pelorin::host
