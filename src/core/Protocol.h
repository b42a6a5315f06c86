#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pelorin {

// Command codes of the framed link. Client and server share the numbers; where a request has a
// natural answer, the answer carries the same number.
enum Command : uint8_t {
    CMD_GET_PICTURE = 1,
    CMD_GET_PICTURE_TABLE = 2,
    CMD_LOGIN = 3,
    CMD_LOGOUT = 4,
    CMD_GET_FUNCTION_TEXT = 5,
    CMD_SYSDIAL_CHANNEL = 7,
    CMD_WRITE_VALUE = 8,
    CMD_WATCH_SETPOINT = 9,
    CMD_UNWATCH_SETPOINT = 10,
    CMD_GET_PICTURE_LOG = 11,
    CMD_GET_GLOBAL_LOG = 12,
    CMD_SAVE_PICTURE_LOG = 13,
    CMD_SAVE_GLOBAL_LOG = 14,
};

enum Message : uint8_t {
    MSG_NO_PICTURE = 0,
    MSG_PICTURE = 1,
    MSG_PICTURE_TABLE = 2,
    MSG_LOGIN_REPLY = 3,
    MSG_LOGOUT = 4,
    MSG_FUNCTION_TEXT = 5,
    MSG_VALUE = 6,
    MSG_PICTURE_LOG = 11,
    MSG_GLOBAL_LOG = 12,
    MSG_SYSDIAL_INFO = 15,
};

// A frame is the code byte, a 4-byte big-endian payload length and the payload.
constexpr int kFrameHeadSize = 5;

// Largest payload either side accepts. Pictures are at most 16 KiB of element data and the
// picture table about 1 KiB plus its parameter list; logbooks are text kept for years and may grow
// to many megabytes, so the limit leaves them ample room while a corrupt length can never make us
// wait for gigabytes.
constexpr uint32_t kMaxPayloadLength = 64u * 1024u * 1024u;

// The picture table covers picture numbers 0..999.
constexpr int kPictureTableSize = 1000;

// Size of a picture header in MSG_PICTURE before the element data.
constexpr int kPictureHeaderSize = 48;

// Largest element data a picture may carry.
constexpr int kMaxElementData = 16385;

// The login's text is the visa, this byte, then the password.
constexpr char kVisaPasswordSeparator = '\xFF';

// The terminal's prompt for a code word: the next line typed is a secret.
constexpr std::string_view kCodeWordPrompt = "KODORD:";

// A code with its name, for traces, and the bytes of fixed fields its payload begins with.
struct FrameCode {
    uint8_t code;
    const char* name;
    size_t fixedSize;
};

constexpr FrameCode kCommandCodes[] = {
    {CMD_GET_PICTURE, "CMD_GET_PICTURE", 0},
    {CMD_GET_PICTURE_TABLE, "CMD_GET_PICTURE_TABLE", 0},
    {CMD_LOGIN, "CMD_LOGIN", 0},
    {CMD_LOGOUT, "CMD_LOGOUT", 0},
    {CMD_GET_FUNCTION_TEXT, "CMD_GET_FUNCTION_TEXT", 0},
    {CMD_SYSDIAL_CHANNEL, "CMD_SYSDIAL_CHANNEL", 0},
    {CMD_WRITE_VALUE, "CMD_WRITE_VALUE", 4},
    {CMD_WATCH_SETPOINT, "CMD_WATCH_SETPOINT", 0},
    {CMD_UNWATCH_SETPOINT, "CMD_UNWATCH_SETPOINT", 0},
    {CMD_GET_PICTURE_LOG, "CMD_GET_PICTURE_LOG", 4},
    {CMD_GET_GLOBAL_LOG, "CMD_GET_GLOBAL_LOG", 0},
    {CMD_SAVE_PICTURE_LOG, "CMD_SAVE_PICTURE_LOG", 4},
    {CMD_SAVE_GLOBAL_LOG, "CMD_SAVE_GLOBAL_LOG", 0},
};

// Every message the client handles; frames with any other code are dropped.
constexpr FrameCode kMessageCodes[] = {
    {MSG_NO_PICTURE, "MSG_NO_PICTURE", 0},
    {MSG_PICTURE, "MSG_PICTURE", kPictureHeaderSize},
    {MSG_PICTURE_TABLE, "MSG_PICTURE_TABLE", kPictureTableSize + 4},
    {MSG_LOGIN_REPLY, "MSG_LOGIN_REPLY", 12},
    {MSG_LOGOUT, "MSG_LOGOUT", 0},
    {MSG_FUNCTION_TEXT, "MSG_FUNCTION_TEXT", 0},
    {MSG_VALUE, "MSG_VALUE", 2},
    {MSG_PICTURE_LOG, "MSG_PICTURE_LOG", 0},
    {MSG_GLOBAL_LOG, "MSG_GLOBAL_LOG", 0},
    {MSG_SYSDIAL_INFO, "MSG_SYSDIAL_INFO", 8},
};

} // namespace pelorin
