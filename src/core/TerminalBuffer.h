#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelorin {

// The system-dialog terminal without its widget: received bytes in, the text to show, the bytes to
// send and the bytes to record out. It drops the server's echo of the line just sent, keeps the text
// within the history limit, collects a code word typed after the server's "KODORD:" prompt, and
// decides what a key press sends. Its text is the terminal box's text: every line end is CR LF, as
// the box reports it, so that positions in the box are positions here.
//
// Work per arrival is proportional to the arrival, whatever the history size.
class TerminalBuffer {
public:
    // Whatever the server's limit, no more text than this is kept.
    static constexpr int32_t kMaxKept = 1 << 20;
    // The received row is only searched for the code-word prompt; its tail is enough.
    static constexpr size_t kReceivedRowKept = 256;

    // The history limit from the login reply; a negative limit counts as 0.
    void SetMaxHistory(int32_t characters);

    // The terminal connection is established: nothing sent or received on it yet.
    void Connected();

    // What one arrival did. The text is now the old text without its first `removedFront`
    // characters, followed by `appended`.
    struct Arrival {
        std::string record; // the received bytes after echo removal, exactly: to record and to print
        size_t removedFront = 0;
        std::string appended;
    };
    Arrival Receive(std::string_view data);

    // The operator edited the box (typing that reached it, pasting, deleting): its whole text.
    void Edited(std::string_view text);

    // What a key press in the box does.
    struct KeyOutcome {
        int16_t keyAscii = 0; // the key that reaches the box; 0 when it is swallowed
        std::string send;     // bytes to send at once, when the terminal is connected
        bool close = false;   // Escape: close the terminal
        // A line was copied to the end of the text: show the text with the caret at its end.
        bool textChanged = false;
    };
    // `shiftState` is the Shift argument of the box's last key-down (1 Shift, 2 Ctrl, 4 Alt, summed);
    // `selStart` and `selLength` are the box's caret and selection.
    KeyOutcome KeyPress(int16_t keyAscii, int32_t shiftState, int32_t selStart, int32_t selLength);

    std::string_view Text() const { return std::string_view(m_Text).substr(m_Start); }
    // The part of the last sent line whose echo has not come back yet.
    const std::string& LastSysDialSentRow() const { return m_LastSysDialSentRow; }
    // The last received line without CRs (with its final LF when the text ends with one).
    const std::string& LastSysDialRecvRow() const { return m_LastSysDialRecvRow; }

private:
    std::string_view DropEcho(std::string_view data);
    size_t Append(std::string_view text);
    void TrackReceivedRow(std::string_view data);
    std::string EnterLine(int32_t selStart, int32_t selLength, bool& textChanged);
    bool EndsWithLineEnd() const;

    // The text is m_Text from m_Start on; trimmed characters stay in front until they outweigh the
    // text, so that trimming costs no more than appending.
    std::string m_Text;
    size_t m_Start = 0;
    size_t m_MaxHistory = 0;
    // The last arrival ended with a CR, already shown as a line end: an LF that opens the next
    // arrival completes it.
    bool m_LineEndOpen = false;
    std::string m_LastSysDialSentRow;
    std::string m_LastSysDialRecvRow;
    std::string m_SysdialCodeWord;
};

// A macro's text as it is sent: "^" and the next character in upper case give the control character
// 64 below it ("^M" CR, "^[" Escape, "^@" NUL); a next character below 64, or none, gives nothing.
std::string DecodeMacro(std::string_view macro);

} // namespace pelorin
