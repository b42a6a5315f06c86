#include "core/TerminalBuffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace pelorin {
namespace {

constexpr int32_t kShift = 1;
constexpr int32_t kShiftCtrl = 3;
constexpr int32_t kCaretAtEnd = -1;

// One thing that happens to the terminal: bytes arrive, or a key is pressed in the box.
struct Step {
    std::string arrival;
    int16_t key = 0;
    int32_t shift = 0;
    int32_t caret = kCaretAtEnd;
};

Step Arrive(std::string bytes) {
    return {std::move(bytes)};
}
Step Key(int16_t key, int32_t shift = 0, int32_t caret = kCaretAtEnd) {
    return {{}, key, shift, caret};
}

// The terminal box around the buffer: keys that reach it are typed at its end.
struct Terminal {
    TerminalBuffer buffer;
    std::string sent;
    std::string recorded;

    explicit Terminal(int32_t history) { buffer.SetMaxHistory(history); }

    void Run(const Step& step) {
        if (step.key == 0) {
            const std::string before(buffer.Text());
            const TerminalBuffer::Arrival arrival = buffer.Receive(step.arrival);
            ASSERT_EQ(before.substr(arrival.removedFront) + arrival.appended, buffer.Text());
            recorded += arrival.record;
            return;
        }
        const auto caret =
            static_cast<int32_t>(step.caret == kCaretAtEnd ? buffer.Text().size() : step.caret);
        const TerminalBuffer::KeyOutcome outcome = buffer.KeyPress(step.key, step.shift, caret, 0);
        sent += outcome.send;
        std::string text(buffer.Text());
        if (outcome.keyAscii == 8 && !text.empty())
            text.pop_back();
        else if (outcome.keyAscii != 0)
            text += static_cast<char>(outcome.keyAscii);
        buffer.Edited(text);
    }
};

std::vector<Step> Typed(std::string_view text) {
    std::vector<Step> keys;
    for (char c : text)
        keys.push_back(Key(static_cast<unsigned char>(c)));
    return keys;
}

std::vector<Step> Join(std::initializer_list<std::vector<Step>> parts) {
    std::vector<Step> steps;
    for (const auto& part : parts)
        steps.insert(steps.end(), part.begin(), part.end());
    return steps;
}

TEST(TerminalBuffer, EchoHistoryLineEndsCodeWordAndKeys) {
    const Step enter = Key(13);
    const struct {
        const char* what;
        int32_t history;
        std::vector<Step> steps;
        std::string text, sent, recorded;
    } cases[] = {
        {"whole echo", 100, Join({Typed("DIR"), {enter, Arrive("DIR\r\nOK")}}), "DIR\r\nOK", "DIR\r",
         "\r\nOK"},
        {"echo split over arrivals", 100, Join({Typed("STATUS"), {enter, Arrive("STA"), Arrive("TUS\r\nx")}}),
         "STATUS\r\nx", "STATUS\r", "\r\nx"},
        {"no echo ends the wait for it", 100, Join({Typed("DIR"), {enter, Arrive("XYZ"), Arrive("DIR")}}),
         "DIRXYZDIR", "DIR\r", "XYZDIR"},
        {"history keeps the last characters",
         10,
         {Arrive("0123456789"), Arrive("AB")},
         "23456789AB",
         "",
         "0123456789AB"},
        {"history never keeps half a line end", 3, {Arrive("ab\r\ncd")}, "cd", "", "ab\r\ncd"},
        {"negative history keeps nothing", -5, {Arrive("AB")}, "", "", "AB"},
        {"CR LF split over arrivals", 100, {Arrive("A\r"), Arrive("\nB")}, "A\r\nB", "", "A\r\nB"},
        {"lone CR and LF", 100, {Arrive("A\r"), Arrive("B\nC")}, "A\r\nB\r\nC", "", "A\rB\nC"},
        {"typing after a CR puts the next LF on its own line", 100,
         Join({{Arrive("A\r")}, Typed("x"), {Arrive("\nB")}}), "A\r\nx\r\nB", "", "A\r\nB"},
        {"code word", 100, Join({{Arrive("abc\r\nKODORD:\r\n")}, Typed("1234"), {enter, Arrive("1234 OK")}}),
         "abc\r\nKODORD:\r\n1234 OK", "1234\r", "abc\r\nKODORD:\r\n1234 OK"},
        {"code-word prompt scrolled out of the received row", 1000,
         Join({{Arrive("KODORD:" + std::string(300, 'x'))}, Typed("12")}),
         "KODORD:" + std::string(300, 'x') + "12", "", "KODORD:" + std::string(300, 'x')},
        {"Backspace after a line end",
         100,
         {Arrive("OK\r\n"), Key(8), Key(8, kShiftCtrl)},
         "OK\r\n",
         "\x08",
         "OK\r\n"},
        {"Backspace after a split CR", 100, {Arrive("OK\r"), Key(8)}, "OK\r\n", "", "OK\r"},
        {"Backspace within a line", 100, {Arrive("OK"), Key(8)}, "O", "", "OK"},
        {"Shift+E and Shift+Ctrl+C",
         100,
         {Key('E', kShift), Key(3, kShiftCtrl), Key('e')},
         "e",
         "\x05\x03",
         ""},
        {"Enter on an empty last line", 100, {Arrive("OK\r\n"), enter}, "OK\r\n", "\r", "OK\r\n"},
        {"Enter on an earlier line copies it",
         100,
         {Arrive("abc\r\nxy"), Key(13, 0, 1)},
         "abc\r\nxyabc",
         "abc\r",
         "abc\r\nxy"},
        {"Escape sends nothing", 100, {Key(27)}, "", "", ""},
    };
    for (const auto& c : cases) {
        Terminal terminal(c.history);
        for (const Step& step : c.steps)
            terminal.Run(step);
        EXPECT_EQ(terminal.buffer.Text(), c.text) << c.what;
        EXPECT_EQ(terminal.sent, c.sent) << c.what;
        EXPECT_EQ(terminal.recorded, c.recorded) << c.what;
    }
}

TEST(TerminalBuffer, ReceivedRowIsTheLastLineAndTheTextStaysWithinOneMebibyte) {
    TerminalBuffer buffer;
    buffer.SetMaxHistory(INT32_MAX);
    buffer.Receive("abc\r\nKODORD:\r\n");
    EXPECT_EQ(buffer.LastSysDialRecvRow(), "KODORD:\n");
    EXPECT_TRUE(buffer.KeyPress(27, 0, 0, 0).close);
    const std::string burst(TerminalBuffer::kMaxKept + 1000, 'z');
    buffer.Receive(burst);
    EXPECT_EQ(buffer.Text(), std::string_view(burst).substr(1000));
    EXPECT_EQ(buffer.LastSysDialRecvRow(), std::string(TerminalBuffer::kReceivedRowKept, 'z'));
    buffer.Connected();
    EXPECT_EQ(buffer.LastSysDialRecvRow(), "");
}

TEST(TerminalBuffer, MacrosDecodeCaretAndTheNextCharacterToAControlCharacter) {
    const struct {
        std::string macro;
        std::string sent;
    } cases[] = {
        {"status^M", "status\r"},
        {"^M^J", "\r\n"},
        {"^m", "\r"},
        {"^1", ""},
        {"a^[b", "a\x1B"
                 "b"},
        {"^@", std::string(1, '\0')},
        {"x^", "x"},
        {"^^", "\x1E"},
        {"^\xE4", "\x84"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeMacro(c.macro), c.sent) << c.macro;
}

} // namespace
} // namespace pelorin
